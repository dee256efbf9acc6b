#pragma once

#include "core/colors/colortext.h"
#include "core/directory/directorymodel.h"
#include "core/files/blockmemory.h"

#include <QAbstractListModel>
#include <QElapsedTimer>
#include <QFont>
#include <QTableView>

#include <functional>
#include <vector>

namespace platform {

struct ListRow;
// The rows of a list: large lists fill their memory faster in big blocks.
using ListRows = std::vector<ListRow, core::BlockAllocator<ListRow>>;

// One row of a report-style list: the text of the first column, the text of
// the second column, and how the row is drawn.
struct ListRow
{
    QString text;
    QString subItem;
    bool bold = false;
    core::ColorValue foreColor = 0;
};

// The rows a ListView holds itself (when it shows no model of its own
// choosing): one flat vector, so that large lists cost one allocation per
// row's strings and nothing more. It gives the roles of core::ListRole.
class ListModel final : public QAbstractListModel, public core::RowTexts
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ListModel)

public:
    explicit ListModel(QObject *parent = nullptr);

    int rowCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role) const override;
    QStringView rowText(int row) const override { return this->row(row).text; }

    const ListRows &rows() const { return rows_; }
    const ListRow &row(int row) const { return rows_[static_cast<std::size_t>(row)]; }
    void append(ListRows rows);
    void remove(int row);
    void clear();
    void update(int row, const ListRow &value);

private:
    ListRows rows_;
};

class RowStyle;

// A report-style list view of one column whose items are numbered from 1,
// as the windows address them: Text, SubItems(1), Bold, ForeColor and the
// selected item; windows that read and change the model it shows address
// the same rows from 0 (rowOf, selectedRow), so items numbered from 1 never
// leave the view. It shows the rows it holds itself, or a model given to
// showModel() that gives the roles of core::ListRole. Typing a letter in the
// view moves the selection to an item that begins with it. The first item
// added to an empty list becomes the selected item, and removing the selected
// item leaves none selected, whoever adds or removes the rows.
//
// Tab and Shift+Tab (and Ctrl+Tab, Ctrl+Shift+Tab) leave the view for the
// window's next or previous control; Home and End move the selection to the
// first and last item, as the arrow keys move it.
class ListView : public QTableView
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ListView)

public:
    explicit ListView(const QString &headerText, QWidget *parent = nullptr);

    // Shows another model's rows instead of its own (the view does not own it).
    void showModel(QAbstractItemModel *model);

    int count() const;
    // The calls that change items act on the rows the view holds itself.
    // Appends an item with the given text and returns its index.
    int addItem(const QString &text);
    // Appends many items at once, in order.
    void addItems(ListRows rows);
    // Removes an item. When it was the selected item, no item is selected
    // afterwards.
    void removeItem(int index);
    void clearItems();

    QString text(int index) const;
    void setText(int index, const QString &text);
    QString subItem(int index) const;
    void setSubItem(int index, const QString &text);
    bool bold(int index) const;
    void setBold(int index, bool bold);
    core::ColorValue foreColor(int index) const;
    void setForeColor(int index, core::ColorValue color);
    // The rows the view holds itself.
    const ListRows &rows() const;

    // The selected item's index, or 0 when no item is selected.
    int selectedItem() const;
    void setSelectedItem(int index);

    // The model row (from 0) an item shows, or -1 for no item; and the
    // selection by model rows, for windows that read and change the model
    // the view shows: -1 is none.
    int rowOf(int index) const;
    int selectedRow() const;
    void setSelectedRow(int row);
    // Scrolls the view so that the item is visible.
    void scrollToItem(int index);

    // Whether the first item added to an empty list becomes the selected
    // item by itself (on by default, as the windows rely on it).
    void setSelectFirstOnAdd(bool on) { selectFirstOnAdd_ = on; }

    // Type-to-select: letters typed within the keyboard input interval add up
    // to one prefix; repeating one letter cycles through the items that begin
    // with it. The selection moves to the next matching item after the
    // current one, wrapping round, and is scrolled into view.
    void keyboardSearch(const QString &search) override;
    // Makes the next typed letter start a new search.
    void resetTypeToSelect() { typedTimer_.invalidate(); }

    // The column header band.
    QHeaderView *header() const { return horizontalHeader(); }

    // The rectangle of an item in viewport coordinates (for tests and menus).
    QRect itemRect(int index) const;

signals:
    // An item was clicked with the left button, or Enter was pressed on the
    // selected item.
    void itemClick(int index);
    // An item was double-clicked, or Enter was pressed on the selected item.
    void itemActivated(int index);
    // A mouse button was released over the view: 1 left, 2 right, 4 middle;
    // shift is 1 Shift, 2 Ctrl, 4 Alt combined.
    void mouseUp(int button, int shift, QPoint position);

protected:
    void mouseReleaseEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    QModelIndex moveCursor(CursorAction cursorAction, Qt::KeyboardModifiers modifiers) override;

private:
    bool valid(int index) const;
    QModelIndex modelIndex(int index) const;
    QVariant role(int index, int role) const;
    bool showsOwnRows() const;
    void changeRow(int index, const std::function<void(ListRow &)> &change);

    ListModel *model_;
    RowStyle *style_;
    const core::RowTexts *texts_ = nullptr;
    bool removingSelected_ = false;
    bool selectFirstOnAdd_ = true;
    QString typed_;
    QElapsedTimer typedTimer_;
};

} // namespace platform
