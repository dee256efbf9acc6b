#include "listview.h"

#include <QApplication>
#include <QColor>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPalette>

namespace platform {

namespace {

// A row shows at most this many characters; the columns are a few hundred
// pixels wide. Laying out a whole text of millions of characters (a hostile
// directory file) would take hundreds of megabytes for nothing visible.
constexpr qsizetype kMostShownCharacters = 1000;

QString shown(const QString &text)
{
    return text.size() > kMostShownCharacters ? text.left(kMostShownCharacters) : text;
}

} // namespace

ListModel::ListModel(QObject *parent) : QAbstractTableModel(parent) {}

void ListModel::setHeaders(const QStringList &headers)
{
    beginResetModel();
    headers_ = headers;
    endResetModel();
}

int ListModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(rows_.size());
}

int ListModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(headers_.size());
}

QVariant ListModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= rowCount())
        return {};
    const ListRow &r = row(index.row());
    switch (role) {
    case Qt::DisplayRole:
        return shown(index.column() == 0 ? r.text : r.subItem);
    case Qt::FontRole:
        return r.bold ? QVariant(boldFont_) : QVariant();
    case Qt::ForegroundRole:
        return QColor(core::redOf(r.foreColor), core::greenOf(r.foreColor),
                      core::blueOf(r.foreColor));
    default:
        return {};
    }
}

QVariant ListModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole && section < headers_.size())
        return headers_.at(section);
    return {};
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
    emit dataChanged(index(row, 0), index(row, columnCount() - 1));
}

ListView::ListView(const QStringList &headers, QWidget *parent)
    : QTableView(parent), model_(new ListModel(this))
{
    model_->setHeaders(headers);
    setModel(model_);
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
    header()->setStretchLastSection(false);
    header()->setSectionsMovable(false);

    // The rows' colours are chosen for a light background: keep it light
    // whatever the desktop theme says.
    QPalette pal = palette();
    for (const auto group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
        pal.setColor(group, QPalette::Base, Qt::white);
        pal.setColor(group, QPalette::AlternateBase, QColor(0xF4, 0xF4, 0xF4));
        pal.setColor(group, QPalette::Text, Qt::black);
    }
    setPalette(pal);

    QFont boldFont = font();
    boldFont.setBold(true);
    model_->setBoldFont(boldFont);

    connect(this, &QAbstractItemView::clicked, this, [this](const QModelIndex &index) {
        if (index.isValid())
            emit itemClick(index.row() + 1);
    });
}

int ListView::count() const
{
    return model_->rowCount();
}

int ListView::addItem(const QString &text)
{
    addItems({ListRow{text, {}, false, 0}});
    return count();
}

void ListView::addItems(ListRows rows)
{
    const bool wasEmpty = count() == 0;
    model_->append(std::move(rows));
    // Like the platform's list view, the first item added to an empty list
    // becomes the selected item when nothing else is.
    if (selectFirstOnAdd_ && wasEmpty && count() > 0 && selectedItem() == 0)
        setSelectedItem(1);
}

void ListView::removeItem(int index)
{
    if (!valid(index))
        return;
    // The view would move the selection to a neighbour; removing the
    // selected item leaves no item selected instead.
    const bool wasSelected = selectedItem() == index;
    model_->remove(index - 1);
    if (wasSelected)
        selectionModel()->clearSelection();
}

void ListView::clearItems()
{
    model_->clear();
}

QString ListView::text(int index) const
{
    return valid(index) ? model_->row(index - 1).text : QString();
}

QString ListView::subItem(int index) const
{
    return valid(index) ? model_->row(index - 1).subItem : QString();
}

bool ListView::bold(int index) const
{
    return valid(index) && model_->row(index - 1).bold;
}

core::ColorValue ListView::foreColor(int index) const
{
    return valid(index) ? model_->row(index - 1).foreColor : 0;
}

const ListRows &ListView::rows() const
{
    return model_->rows();
}

void ListView::changeRow(int index, const std::function<void(ListRow &)> &change)
{
    if (!valid(index))
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
    const Qt::KeyboardModifiers mods = event->modifiers();
    const int shift = (mods & Qt::ShiftModifier ? 1 : 0) | (mods & Qt::ControlModifier ? 2 : 0) |
                      (mods & Qt::AltModifier ? 4 : 0);
    emit mouseUp(button, shift, event->position().toPoint());
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
    const ListRows &all = rows();
    for (int k = 0; k < rowCount; ++k) {
        const int row = (first + k) % rowCount;
        if (all[static_cast<std::size_t>(row)].text.startsWith(prefix, Qt::CaseInsensitive)) {
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
        if (const int selected = selectedItem())
            emit itemClick(selected);
        return;
    }
    QTableView::keyPressEvent(event);
}

bool ListView::valid(int index) const
{
    return index >= 1 && index <= count();
}

QModelIndex ListView::modelIndex(int index) const
{
    return model_->index(index - 1, 0);
}

} // namespace platform
