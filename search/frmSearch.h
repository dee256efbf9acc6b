#pragma once

#include "searchresults.h"

#include <QDialog>

#include <functional>
#include <memory>

class QLineEdit;
class QModelIndex;
class QTableView;
class QThread;

namespace core {
class DirectoryModel;
}

// The search window: finds entries by any word or number of their name and
// lines as the user types, lists them in entry order, and hands the one the
// user chooses (Enter or a double click) back to its owner. Up and Down move
// in the results while the text box keeps the focus; Esc closes the window.
// It keeps the directory's entries folded for searching: folded on a worker
// thread (the results say "Indexing…" until then), and then kept up to date
// by one update for each change of the directory model, however many
// entries it changes.
class frmSearch : public QDialog
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(frmSearch)

public:
    // Gives a colour lookup holding one fresh reading of the colour file;
    // it is asked once per update of the results.
    using ColorLookupFactory = std::function<ColorLookup()>;

    // Starts indexing the directory's entries; the model must outlive the window.
    explicit frmSearch(const core::DirectoryModel &directory, ColorLookupFactory colors,
                       QWidget *parent = nullptr);
    ~frmSearch() override;

    QLineEdit *txtSearch;
    QTableView *lstResults;

    void txtSearch_Change();
    void lstResults_DblClick(const QModelIndex &index);

    // The index searched, and whether it holds the directory yet.
    const core::SearchIndex &searchIndex() const { return index_; }
    bool isIndexed() const { return !build_; }

signals:
    // The user chose the entry of this row of the directory model (from 0);
    // the window has closed.
    void entryChosen(int row);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void showEvent(QShowEvent *event) override;

private:
    void buildControls();
    void chooseRow(int row);
    // Follows the directory model: every entry anew, or one change (rows
    // from 0, as the model numbers them).
    void followDirectory();
    void startIndexing();
    void resumeIndexing();
    void pauseIndexing();
    void indexBuilt();
    void entriesSpliced(int row, int removed, int inserted);
    void resultsChanged();
    // Moves the results shown with a change of the index, searching the
    // entries it brought.
    void resultsSpliced(int row, int removed, int inserted);
    void showResults(core::SearchQuery query, std::vector<int> found);

    const core::DirectoryModel &directory_;
    ColorLookupFactory colors_;
    core::SearchIndex index_;
    SearchResults *results_;
    // The query whose results are shown, while they are those of the index.
    core::SearchQuery shown_;
    // The index being built, and its thread; both null once index_ is ready.
    struct Build;
    std::shared_ptr<Build> build_;
    QThread *builder_ = nullptr;
};
