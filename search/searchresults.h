#pragma once

#include "core/colors/colortext.h"
#include "core/search/searchmatch.h"

#include <QAbstractTableModel>
#include <QFont>
#include <QHash>

#include <functional>
#include <vector>

namespace core {
class DirectoryModel;
}

// The colour of a shown number line, from one reading of the colour file.
using ColorLookup = std::function<core::ColorValue(const QString &line)>;

// The rows of the search window's result list: one per matching entry, in
// entry order, showing the name and the line that matched (the first line
// when only the name did). A row's text is made only when the view asks for
// it, so a query matching a million entries costs no more than their
// numbers. With no match, or while the entries are being indexed, the list
// holds one row that says so.
class SearchResults final : public QAbstractTableModel
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(SearchResults)

public:
    explicit SearchResults(const core::DirectoryModel &directory, QObject *parent = nullptr);

    // Shows the entries the index found for the query (positions from 0),
    // colouring their lines with the lookup.
    void showFound(const core::SearchIndex &index, core::SearchQuery query, std::vector<int> found,
                   ColorLookup colors);
    // No query: no rows, no message.
    void clear();
    // No index to search yet: one row that says so.
    void showIndexing();
    void setBoldFont(const QFont &font) { boldFont_ = font; }

    // The directory model's row (from 0) of the entry a row shows, or -1 for none.
    int entryRow(int row) const;
    // The positions shown, in entry order.
    const std::vector<int> &found() const { return found_; }

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;

private:
    struct Row
    {
        QString name;
        bool nameBold = false;
        QString line;
        bool lineBold = false;
        core::ColorValue color = 0;
    };
    const Row &row(int row) const;
    void show(std::vector<int> found, QString note);

    const core::DirectoryModel &directory_;
    const core::SearchIndex *index_ = nullptr;
    core::SearchQuery query_;
    std::vector<int> found_;
    ColorLookup colors_;
    // What the one row says instead of results; empty when there are results or no query.
    QString note_;
    // The rows made so far for the current results.
    mutable QHash<int, Row> rows_;
    QFont boldFont_;
};
