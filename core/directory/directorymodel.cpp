#include "core/directory/directorymodel.h"

#include "core/directory/identityfile.h"

#include <QThreadPool>

#include <chrono>
#include <thread>

#include <algorithm>
#include <numeric>

namespace core {

DirectoryModel::DirectoryModel(QObject *parent)
    : QAbstractListModel(parent),
      names_([this](qsizetype row) -> const QString & { return entry(static_cast<int>(row)).name; },
             [this] {
                 return [store = snapshot()](qsizetype row) -> const QString & {
                     return (*store)[row].name;
                 };
             })
{
}

int DirectoryModel::firstWithPrefix(QStringView prefix) const
{
    return static_cast<int>(names_.firstWithPrefix(prefix));
}

void DirectoryModel::indexInBackground()
{
    names_.sortInBackground();
    // The checksums wait for the sort, so that the two never hold their
    // working memory at once.
    QThreadPool::globalInstance()->start(
        [entries = entries_, stop = stopChecksums_, sorted = names_.sortEnded()] {
            while (sorted && !sorted->load(std::memory_order_acquire) &&
                   !stop->load(std::memory_order_relaxed))
                std::this_thread::sleep_for(std::chrono::milliseconds(10));
            entries.checksumAll(*stop);
        });
}

DirectoryModel::~DirectoryModel()
{
    stopChecksums_->store(true);
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

void DirectoryModel::splice(int row, int count, Entries entries)
{
    if (count == 0 && entries.empty())
        return;
    emit aboutToSplice();
    const int inserted = static_cast<int>(entries.size());
    // Every entry has an identifier from the moment it is in the directory,
    // so that taking a change back and making it again keeps it.
    giveIdentifiers(entries);
    if (recorder_)
        recorder_(row, entries_.copy(row, count), entries);
    if (count == 1 && inserted == 1) {
        entries_.splice(row, 1, std::move(entries));
        names_.renamed(row);
        emit dataChanged(index(row), index(row));
        emit spliced(row, 1, 1);
        return;
    }
    if (count > 0) {
        beginRemoveRows({}, row, row + count - 1);
        entries_.splice(row, count, {});
        names_.spliced(row, count, 0);
        endRemoveRows();
    }
    if (inserted > 0) {
        beginInsertRows({}, row, row + inserted - 1);
        entries_.splice(row, 0, std::move(entries));
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
    keys.reserve(std::size_t(entries_.size()));
    for (const DirectoryEntry &e : entries_)
        keys.push_back(collator.sortKey(e.name));
    std::vector<std::size_t> order(std::size_t(entries_.size()));
    std::iota(order.begin(), order.end(), std::size_t{0});
    std::stable_sort(order.begin(), order.end(), [&keys](std::size_t a, std::size_t b) {
        return keys[a].compare(keys[b]) < 0;
    });
    if (std::is_sorted(order.begin(), order.end()))
        return false;
    Entries sorted;
    sorted.reserve(std::size_t(entries_.size()));
    for (const std::size_t from : order)
        sorted.push_back(entries_[qsizetype(from)]);
    splice(0, count(), std::move(sorted));
    return true;
}

void DirectoryModel::forEach(const EntryVisitor &visit) const
{
    for (const DirectoryEntry &e : entries_)
        visit(e);
}

} // namespace core
