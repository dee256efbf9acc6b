#pragma once

#include "searchresults.h"

#include <QDialog>

#include <functional>

class QLineEdit;
class QModelIndex;
class QTableView;
class SearchSource;

// The search window: finds entries by any word or number of their name and
// lines as the user types, lists them in entry order, and hands the one the
// user chooses (Enter or a double click) back to its owner. Up and Down move
// in the results while the text box keeps the focus; Esc closes the window.
// It keeps the entries folded for searching and must be told when they
// change.
class frmSearch : public QDialog
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(frmSearch)

public:
    // Gives a colour lookup holding one fresh reading of the colour file;
    // it is asked once per update of the results.
    using ColorLookupFactory = std::function<ColorLookup()>;

    // Reads the source's entries at once; the source must outlive the window.
    explicit frmSearch(const SearchSource &source, ColorLookupFactory colors,
                       QWidget *parent = nullptr);
    ~frmSearch() override;

    QLineEdit *txtSearch;
    QTableView *lstResults;

    // The source's entries changed: all of them, or the item given (its
    // number from 1, as the source numbers it now). The results follow.
    void entriesReset();
    void entryInserted(int item);
    void entryChanged(int item);
    void entryRemoved(int item);

    void txtSearch_Change();
    void lstResults_DblClick(const QModelIndex &index);

signals:
    // The user chose the entry of this item (from 1); the window has closed.
    void entryChosen(int item);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void showEvent(QShowEvent *event) override;

private:
    void buildControls();
    void chooseRow(int row);
    void resultsChanged();
    // Whether item is 1..count() of the index (plus one more when inserting).
    bool inIndex(int item, bool inserting = false) const;

    const SearchSource &source_;
    ColorLookupFactory colors_;
    core::SearchIndex index_;
    SearchResults *results_;
};
