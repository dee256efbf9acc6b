#include "core/colors/keywordmodel.h"

namespace core {

KeywordModel::KeywordModel(QObject *parent) : QAbstractListModel(parent) {}

int KeywordModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(rows_.size());
}

QVariant KeywordModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= rowCount())
        return {};
    const KeywordLine &line = rows_.at(index.row());
    switch (role) {
    case Qt::DisplayRole:
        return shownText(line.keyword);
    case TextRole:
        return line.keyword;
    case SubItemRole:
        return line.colorText;
    case BoldRole:
        return false;
    case ForeColorRole:
        return QVariant::fromValue(ColorValue(0));
    default:
        return {};
    }
}

void KeywordModel::append(const QList<KeywordLine> &rows)
{
    if (rows.isEmpty())
        return;
    const int first = rowCount();
    beginInsertRows({}, first, first + static_cast<int>(rows.size()) - 1);
    rows_.append(rows);
    endInsertRows();
}

void KeywordModel::replace(int row, const KeywordLine &line)
{
    rows_[row] = line;
    emit dataChanged(index(row), index(row));
}

void KeywordModel::remove(int row)
{
    beginRemoveRows({}, row, row);
    rows_.removeAt(row);
    endRemoveRows();
}

} // namespace core
