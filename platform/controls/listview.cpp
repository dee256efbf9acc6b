#include "platform/controls/listview.h"

#include "platform/controls/palette.h"
#include "platform/runtime/keyevents.h"

#include <QApplication>
#include <QColor>
#include <QHeaderView>
#include <QIdentityProxyModel>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPalette>

namespace platform {

// Maps the rows' roles to how the view draws them: BoldRole to a bold font,
// ForeColorRole to the text colour; the one column's header is the view's.
class RowStyle final : public QIdentityProxyModel
{
public:
    RowStyle(const QString &header, QObject *parent) : QIdentityProxyModel(parent), header_(header)
    {
    }
    void setBoldFont(const QFont &font) { boldFont_ = font; }

    QVariant data(const QModelIndex &index, int role) const override
    {
        if (role == Qt::FontRole)
            return QIdentityProxyModel::data(index, core::BoldRole).toBool() ? QVariant(boldFont_)
                                                                             : QVariant();
        if (role == Qt::ForegroundRole) {
            const QVariant color = QIdentityProxyModel::data(index, core::ForeColorRole);
            return color.isValid() ? QVariant(toQColor(color.value<core::ColorValue>()))
                                   : QVariant();
        }
        return QIdentityProxyModel::data(index, role);
    }
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override
    {
        if (orientation == Qt::Horizontal && role == Qt::DisplayRole && section == 0)
            return header_;
        return {};
    }

private:
    QString header_;
    QFont boldFont_;
};

ListModel::ListModel(QObject *parent) : QAbstractListModel(parent) {}

int ListModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(rows_.size());
}

QVariant ListModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= rowCount())
        return {};
    const ListRow &r = row(index.row());
    switch (role) {
    case Qt::DisplayRole:
        return core::shownText(r.text);
    case core::TextRole:
        return r.text;
    case core::SubItemRole:
        return r.subItem;
    case core::BoldRole:
        return r.bold;
    case core::ForeColorRole:
        return QVariant::fromValue(r.foreColor);
    default:
        return {};
    }
}

void ListModel::append(ListRows rows)
{
    if (rows.empty())
        return;
    const int first = rowCount();
    beginInsertRows({}, first, first + static_cast<int>(rows.size()) - 1);
    if (rows_.empty())
        rows_ = std::move(rows);
    else
        rows_.insert(rows_.end(), std::make_move_iterator(rows.begin()),
                     std::make_move_iterator(rows.end()));
    endInsertRows();
}

void ListModel::remove(int row)
{
    beginRemoveRows({}, row, row);
    rows_.erase(rows_.begin() + row);
    endRemoveRows();
}

void ListModel::clear()
{
    beginResetModel();
    rows_.clear();
    endResetModel();
}

void ListModel::update(int row, const ListRow &value)
{
    rows_[static_cast<std::size_t>(row)] = value;
    emit dataChanged(index(row), index(row));
}

ListView::ListView(const QString &headerText, QWidget *parent)
    : QTableView(parent), model_(new ListModel(this)), style_(new RowStyle(headerText, this))
{
    // The view moves the selection to a neighbour of a removed selected row
    // as the removal begins, so what was selected is noted before it does.
    connect(style_, &QAbstractItemModel::rowsAboutToBeRemoved, this,
            [this](const QModelIndex &, int first, int last) {
                const int selected = selectedItem();
                removingSelected_ = selected > first && selected <= last + 1;
            });
    setModel(style_);
    showModel(model_);
    // One row per item, all of one height: the view then lays out any
    // number of rows at no cost.
    setShowGrid(false);
    setWordWrap(false);
    setCornerButtonEnabled(false);
    verticalHeader()->hide();
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 2);
    horizontalHeader()->setHighlightSections(false);
    horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setTabKeyNavigation(false);
    header()->setStretchLastSection(false);
    header()->setSectionsMovable(false);
    keepLightBase(this);

    QFont boldFont = font();
    boldFont.setBold(true);
    style_->setBoldFont(boldFont);

    connect(this, &QAbstractItemView::clicked, this, [this](const QModelIndex &index) {
        if (index.isValid())
            emit itemClick(index.row() + 1);
    });
    connect(this, &QAbstractItemView::doubleClicked, this, [this](const QModelIndex &index) {
        if (index.isValid())
            emit itemActivated(index.row() + 1);
    });
    connect(style_, &QAbstractItemModel::rowsInserted, this,
            [this](const QModelIndex &, int first, int last) {
                // Like the platform's list view, the first items added to an
                // empty list select the first one when nothing else is.
                if (selectFirstOnAdd_ && first == 0 && count() == last + 1 && selectedItem() == 0)
                    setSelectedItem(1);
            });
    // Removing the selected item leaves no item selected.
    connect(style_, &QAbstractItemModel::rowsRemoved, this, [this] {
        if (std::exchange(removingSelected_, false))
            selectionModel()->clearSelection();
    });
}

void ListView::showModel(QAbstractItemModel *model)
{
    style_->setSourceModel(model);
    texts_ = dynamic_cast<const core::RowTexts *>(model);
}

bool ListView::showsOwnRows() const
{
    return style_->sourceModel() == model_;
}

QVariant ListView::role(int index, int role) const
{
    return valid(index) ? style_->data(modelIndex(index), role) : QVariant();
}

int ListView::count() const
{
    return style_->rowCount();
}

int ListView::addItem(const QString &text)
{
    addItems({ListRow{text, {}, false, 0}});
    return count();
}

void ListView::addItems(ListRows rows)
{
    if (showsOwnRows())
        model_->append(std::move(rows));
}

void ListView::removeItem(int index)
{
    if (valid(index) && showsOwnRows())
        model_->remove(index - 1);
}

void ListView::clearItems()
{
    if (showsOwnRows())
        model_->clear();
}

QString ListView::text(int index) const
{
    return role(index, core::TextRole).toString();
}

QString ListView::subItem(int index) const
{
    return role(index, core::SubItemRole).toString();
}

bool ListView::bold(int index) const
{
    return role(index, core::BoldRole).toBool();
}

core::ColorValue ListView::foreColor(int index) const
{
    return role(index, core::ForeColorRole).value<core::ColorValue>();
}

const ListRows &ListView::rows() const
{
    return model_->rows();
}

void ListView::changeRow(int index, const std::function<void(ListRow &)> &change)
{
    if (!valid(index) || !showsOwnRows())
        return;
    ListRow row = model_->row(index - 1);
    change(row);
    model_->update(index - 1, row);
}

void ListView::setText(int index, const QString &text)
{
    changeRow(index, [&](ListRow &r) { r.text = text; });
}

void ListView::setSubItem(int index, const QString &text)
{
    changeRow(index, [&](ListRow &r) { r.subItem = text; });
}

void ListView::setBold(int index, bool bold)
{
    changeRow(index, [&](ListRow &r) { r.bold = bold; });
}

void ListView::setForeColor(int index, core::ColorValue color)
{
    changeRow(index, [&](ListRow &r) { r.foreColor = color; });
}

int ListView::selectedItem() const
{
    const QModelIndexList selected = selectionModel()->selectedRows();
    return selected.isEmpty() ? 0 : selected.first().row() + 1;
}

void ListView::setSelectedItem(int index)
{
    if (!valid(index))
        return;
    selectionModel()->setCurrentIndex(modelIndex(index), QItemSelectionModel::ClearAndSelect |
                                                             QItemSelectionModel::Rows);
}

int ListView::rowOf(int index) const
{
    return valid(index) ? index - 1 : -1;
}

int ListView::selectedRow() const
{
    return rowOf(selectedItem());
}

void ListView::setSelectedRow(int row)
{
    setSelectedItem(row + 1);
}

void ListView::scrollToItem(int index)
{
    if (valid(index))
        scrollTo(modelIndex(index));
}

QRect ListView::itemRect(int index) const
{
    return valid(index) ? visualRect(modelIndex(index)) : QRect();
}

void ListView::mouseReleaseEvent(QMouseEvent *event)
{
    QTableView::mouseReleaseEvent(event);
    int button = 0;
    switch (event->button()) {
    case Qt::LeftButton:
        button = 1;
        break;
    case Qt::RightButton:
        button = 2;
        break;
    case Qt::MiddleButton:
        button = 4;
        break;
    default:
        break;
    }
    emit mouseUp(button, shiftOf(event->modifiers()), event->position().toPoint());
}

void ListView::keyboardSearch(const QString &search)
{
    const int rowCount = count();
    if (search.isEmpty() || rowCount == 0)
        return;
    const bool restart =
        !typedTimer_.isValid() || typedTimer_.elapsed() > QApplication::keyboardInputInterval();
    typed_ = restart ? search : typed_ + search;
    typedTimer_.start();

    bool sameLetter = typed_.size() > 1;
    for (const QChar c : typed_)
        sameLetter = sameLetter && c.toCaseFolded() == typed_.front().toCaseFolded();
    const QString prefix = sameLetter ? typed_.left(1) : typed_;
    // A new search, or a repeated letter, looks past the current item.
    const int current = selectedItem() > 0 ? selectedItem() - 1 : 0;
    const int first = current + ((restart || sameLetter) && selectedItem() > 0 ? 1 : 0);
    for (int k = 0; k < rowCount; ++k) {
        const int row = (first + k) % rowCount;
        const QString viaRole = texts_ ? QString() : text(row + 1);
        const QStringView rowText = texts_ ? texts_->rowText(row) : QStringView(viaRole);
        if (rowText.startsWith(prefix, Qt::CaseInsensitive)) {
            setSelectedItem(row + 1);
            scrollTo(modelIndex(row + 1));
            return;
        }
    }
}

void ListView::keyPressEvent(QKeyEvent *event)
{
    // Keyboard moves only move the selection; Enter shows the selected item,
    // as a click on it would.
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        if (const int selected = selectedItem()) {
            emit itemClick(selected);
            emit itemActivated(selected);
        }
        return;
    }
    const bool tab = event->key() == Qt::Key_Tab || event->key() == Qt::Key_Backtab;
    if (tab && (event->modifiers() & Qt::ControlModifier)) {
        focusNextPrevChild(event->key() == Qt::Key_Tab &&
                           !(event->modifiers() & Qt::ShiftModifier));
        return;
    }
    QTableView::keyPressEvent(event);
}

QModelIndex ListView::moveCursor(CursorAction cursorAction, Qt::KeyboardModifiers modifiers)
{
    // One column: Home and End go to the first and last row, not along the row.
    if ((cursorAction == MoveHome || cursorAction == MoveEnd) && count() > 0)
        return modelIndex(cursorAction == MoveHome ? 1 : count());
    return QTableView::moveCursor(cursorAction, modifiers);
}

bool ListView::valid(int index) const
{
    return index >= 1 && index <= count();
}

QModelIndex ListView::modelIndex(int index) const
{
    return style_->index(index - 1, 0);
}

} // namespace platform
