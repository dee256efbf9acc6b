#include "core/directory/directorymodel.h"

#include "core/directory/identityfile.h"

#include <algorithm>
#include <numeric>

namespace core {

DirectoryModel::DirectoryModel(QObject *parent)
    : QAbstractListModel(parent), entries_(std::make_shared<Entries>()),
      names_([this](qsizetype row) -> const QString & { return entry(static_cast<int>(row)).name; })
{
}

int DirectoryModel::firstWithPrefix(QStringView prefix) const
{
    return static_cast<int>(names_.firstWithPrefix(prefix));
}

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

Entries &DirectoryModel::own()
{
    // Only this thread makes snapshots, so a count of one stays one; a
    // snapshot let go of elsewhere meanwhile at most costs a copy.
    if (entries_.use_count() > 1)
        entries_ = std::make_shared<Entries>(*entries_);
    return *entries_;
}

void DirectoryModel::splice(int row, int count, Entries entries)
{
    emit aboutToSplice();
    const auto first = entries_->cbegin() + row;
    const int inserted = static_cast<int>(entries.size());
    // Every entry has an identifier from the moment it is in the directory,
    // so that taking a change back and making it again keeps it.
    giveIdentifiers(entries);
    if (recorder_)
        recorder_(row, Entries(first, first + count), entries);
    if (count == 1 && inserted == 1) {
        own()[static_cast<std::size_t>(row)] = std::move(entries.front());
        names_.renamed(row);
        emit dataChanged(index(row), index(row));
        emit spliced(row, 1, 1);
        return;
    }
    if (count > 0) {
        beginRemoveRows({}, row, row + count - 1);
        if (entries_.use_count() > 1) {
            // Held by a snapshot: the rows kept are copied once, the rest never.
            auto rest = std::make_shared<Entries>();
            rest->reserve(entries_->size() - static_cast<std::size_t>(count));
            rest->insert(rest->end(), entries_->cbegin(), first);
            rest->insert(rest->end(), first + count, entries_->cend());
            entries_ = std::move(rest);
        } else {
            entries_->erase(first, first + count);
        }
        names_.spliced(row, count, 0);
        endRemoveRows();
    }
    if (inserted > 0) {
        beginInsertRows({}, row, row + inserted - 1);
        if (entries_->empty())
            entries_ = std::make_shared<Entries>(std::move(entries));
        else {
            Entries &own = this->own();
            own.insert(own.begin() + row, std::make_move_iterator(entries.begin()),
                       std::make_move_iterator(entries.end()));
        }
        names_.spliced(row, 0, inserted);
        endInsertRows();
    }
    if (count > 0 || inserted > 0)
        emit spliced(row, count, inserted);
}

void DirectoryModel::append(Entries entries)
{
    splice(count(), 0, std::move(entries));
}

void DirectoryModel::append(DirectoryEntry entry)
{
    insert(count(), std::move(entry));
}

void DirectoryModel::insert(int row, DirectoryEntry entry)
{
    splice(row, 0, Entries{std::move(entry)});
}

void DirectoryModel::remove(int row)
{
    splice(row, 1, {});
}

void DirectoryModel::replace(int row, DirectoryEntry entry)
{
    // An entry edited stays the same entry.
    if (entry.id.isNull()) {
        entry.id = this->entry(row).id;
        entry.card = this->entry(row).card;
    }
    splice(row, 1, Entries{std::move(entry)});
}

bool DirectoryModel::sortByName(const QCollator &collator)
{
    // One key per name, so that a large directory is not compared name by
    // name through the collator.
    std::vector<QCollatorSortKey> keys;
    keys.reserve(entries_->size());
    for (const DirectoryEntry &e : *entries_)
        keys.push_back(collator.sortKey(e.name));
    std::vector<std::size_t> order(entries_->size());
    std::iota(order.begin(), order.end(), std::size_t{0});
    std::stable_sort(order.begin(), order.end(), [&keys](std::size_t a, std::size_t b) {
        return keys[a].compare(keys[b]) < 0;
    });
    if (std::is_sorted(order.begin(), order.end()))
        return false;
    Entries sorted;
    sorted.reserve(entries_->size());
    for (const std::size_t from : order)
        sorted.push_back((*entries_)[from]);
    splice(0, count(), std::move(sorted));
    return true;
}

void DirectoryModel::forEach(const EntryVisitor &visit) const
{
    for (const DirectoryEntry &e : *entries_)
        visit(e);
}

} // namespace core
