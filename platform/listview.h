#pragma once

#include "core/blockmemory.h"
#include "core/colortext.h"

#include <QAbstractTableModel>
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

// The rows of a ListView. Kept as one flat vector so that large lists cost
// one allocation per row's strings and nothing more.
class ListModel final : public QAbstractTableModel
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ListModel)

public:
    explicit ListModel(QObject *parent = nullptr);

    void setHeaders(const QStringList &headers);
    void setBoldFont(const QFont &font) { boldFont_ = font; }

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

    const ListRows &rows() const { return rows_; }
    const ListRow &row(int row) const { return rows_[static_cast<std::size_t>(row)]; }
    void append(ListRows rows);
    void remove(int row);
    void clear();
    void update(int row, const ListRow &value);

private:
    ListRows rows_;
    QStringList headers_;
    QFont boldFont_;
};

// A report-style list view whose items are numbered from 1, as the windows
// address them: Text, SubItems(1), Bold, ForeColor and the selected item.
// Typing a letter in the view moves the selection to an item that begins with
// it (the view's keyboard search).
class ListView : public QTableView
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ListView)

public:
    explicit ListView(const QStringList &headers, QWidget *parent = nullptr);

    int count() const;
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
    const ListRows &rows() const;

    // The selected item's index, or 0 when no item is selected.
    int selectedItem() const;
    void setSelectedItem(int index);

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
    // A mouse button was released over the view: 1 left, 2 right, 4 middle;
    // shift is 1 Shift, 2 Ctrl, 4 Alt combined.
    void mouseUp(int button, int shift, QPoint position);

protected:
    void mouseReleaseEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    bool valid(int index) const;
    QModelIndex modelIndex(int index) const;
    void changeRow(int index, const std::function<void(ListRow &)> &change);

    ListModel *model_;
    bool selectFirstOnAdd_ = true;
    QString typed_;
    QElapsedTimer typedTimer_;
};

} // namespace platform
