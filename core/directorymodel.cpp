#include "directorymodel.h"

namespace core {

namespace {

constexpr qsizetype kMostShownCharacters = 1000;

} // namespace

QString shownText(const QString &text)
{
    return text.size() > kMostShownCharacters ? text.left(kMostShownCharacters) : text;
}

DirectoryModel::DirectoryModel(QObject *parent) : QAbstractListModel(parent) {}

int DirectoryModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : count();
}

QVariant DirectoryModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= count())
        return {};
    const DirectoryEntry &e = entry(index.row());
    switch (role) {
    case Qt::DisplayRole:
        return shownText(e.name);
    case TextRole:
        return e.name;
    case SubItemRole:
        return e.numbers;
    case BoldRole:
        return e.bold;
    default:
        return {};
    }
}

QStringView DirectoryModel::rowText(int row) const
{
    return entry(row).name;
}

void DirectoryModel::append(Entries entries)
{
    if (entries.empty())
        return;
    const int first = count();
    beginInsertRows({}, first, first + static_cast<int>(entries.size()) - 1);
    if (entries_.empty())
        entries_ = std::move(entries);
    else
        entries_.insert(entries_.end(), std::make_move_iterator(entries.begin()),
                        std::make_move_iterator(entries.end()));
    endInsertRows();
}

void DirectoryModel::append(DirectoryEntry entry)
{
    insert(count(), std::move(entry));
}

void DirectoryModel::insert(int row, DirectoryEntry entry)
{
    beginInsertRows({}, row, row);
    entries_.insert(entries_.begin() + row, std::move(entry));
    endInsertRows();
}

void DirectoryModel::remove(int row)
{
    beginRemoveRows({}, row, row);
    entries_.erase(entries_.begin() + row);
    endRemoveRows();
}

void DirectoryModel::replace(int row, DirectoryEntry entry)
{
    entries_[static_cast<std::size_t>(row)] = std::move(entry);
    emit dataChanged(index(row), index(row));
}

void DirectoryModel::forEach(const EntryVisitor &visit) const
{
    for (const DirectoryEntry &e : entries_)
        visit(e);
}

} // namespace core
