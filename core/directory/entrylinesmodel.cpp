#include "core/directory/entrylinesmodel.h"

#include "core/colors/keywordtable.h"

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

} // namespace core
