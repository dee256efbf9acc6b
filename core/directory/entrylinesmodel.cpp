#include "core/directory/entrylinesmodel.h"

#include "core/colors/keywordtable.h"
#include "core/directory/directorymodel.h"

#include <QItemSelectionModel>

namespace core {

EntryLinesModel::EntryLinesModel(QObject *parent) : QAbstractListModel(parent) {}

int EntryLinesModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(lines_.size());
}

QVariant EntryLinesModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= rowCount())
        return {};
    const Line &line = lines_[static_cast<std::size_t>(index.row())];
    switch (role) {
    case Qt::DisplayRole:
        return shownText(line.shown.text);
    case TextRole:
        return line.shown.text;
    case SubItemRole:
        return QString();
    case BoldRole:
        return line.shown.bold;
    case ForeColorRole:
        return QVariant::fromValue(line.color);
    default:
        return {};
    }
}

void EntryLinesModel::show(const QString &numbers, const KeywordTable &keywords)
{
    beginResetModel();
    lines_.clear();
    for (const QString &numberLine : splitNumberLines(numbers)) {
        DisplayLine shown = displayLine(numberLine);
        const ColorValue color = keywords.colorOf(shown.text);
        lines_.push_back({std::move(shown), color});
    }
    endResetModel();
}

void EntryLinesModel::follow(const DirectoryModel &directory, const QItemSelectionModel &selection,
                             KeywordSource keywords)
{
    directory_ = &directory;
    selection_ = &selection;
    keywords_ = std::move(keywords);
    connect(&selection, &QItemSelectionModel::selectionChanged, this,
            &EntryLinesModel::showSelected);
    // The rows as the selection sees them: its model has changed by then.
    const QAbstractItemModel *rows = selection.model();
    connect(rows, &QAbstractItemModel::dataChanged, this, &EntryLinesModel::showSelected);
    connect(rows, &QAbstractItemModel::rowsInserted, this, &EntryLinesModel::showSelected);
    connect(rows, &QAbstractItemModel::rowsRemoved, this, &EntryLinesModel::showSelected);
    connect(rows, &QAbstractItemModel::rowsMoved, this, &EntryLinesModel::showSelected);
    connect(rows, &QAbstractItemModel::modelReset, this, &EntryLinesModel::showSelected);
    connect(rows, &QAbstractItemModel::layoutChanged, this, &EntryLinesModel::showSelected);
    showSelected();
}

void EntryLinesModel::showSelected()
{
    if (!directory_ || !selection_)
        return;
    const QModelIndexList selected = selection_->selectedRows();
    const int row = selected.isEmpty() ? -1 : selected.first().row();
    const QString numbers =
        row >= 0 && row < directory_->count() ? directory_->entry(row).numbers : QString();
    show(numbers, numbers.isEmpty() || !keywords_ ? KeywordTable() : keywords_());
}

} // namespace core
