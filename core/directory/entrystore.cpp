#include "core/directory/entrystore.h"

#include "core/directory/identityfile.h"

#include <cassert>

namespace core {

EntryStore::EntryStore(Entries entries)
{
    std::vector<Run> runs;
    if (!entries.empty())
        cut(std::make_shared<const Block>(std::move(entries)), runs);
    adopt(std::move(runs));
}

void EntryStore::cut(std::shared_ptr<const Block> block, std::vector<Run> &to)
{
    const auto rows = qsizetype(block->entries.size());
    for (qsizetype first = 0; first < rows; first += kRunRows)
        to.push_back({block, first, std::min(rows, first + kRunRows)});
}

void EntryStore::adopt(std::vector<Run> runs)
{
    std::vector<qsizetype> ends(runs.size());
    qsizetype rows = 0;
    for (std::size_t i = 0; i < runs.size(); ++i)
        ends[i] = rows += runs[i].size();
    runs_.swap(runs);
    ends_.swap(ends);
    size_ = rows;
    lastRun_.store(0, std::memory_order_relaxed);
}

std::size_t EntryStore::runAt(qsizetype row) const
{
    if (row >= size_)
        return runs_.size();
    const std::size_t hint = lastRun_.load(std::memory_order_relaxed);
    for (std::size_t run = hint; run < hint + 2 && run < runs_.size(); ++run) {
        if (startOf(run) <= row && row < ends_[run]) {
            if (run != hint)
                lastRun_.store(run, std::memory_order_relaxed);
            return run;
        }
    }
    const auto run = std::size_t(std::upper_bound(ends_.begin(), ends_.end(), row) - ends_.begin());
    lastRun_.store(run, std::memory_order_relaxed);
    return run;
}

const DirectoryEntry &EntryStore::operator[](qsizetype row) const
{
    const std::size_t run = runAt(row);
    assert(run < runs_.size());
    const Run &r = runs_[run];
    return r.block->entries[std::size_t(r.first + row - startOf(run))];
}

void EntryStore::splice(qsizetype row, qsizetype count, Entries entries)
{
    assert(row >= 0 && count >= 0 && row + count <= size_);
    if (count == 0 && entries.empty())
        return;
    const std::size_t first = runAt(row);
    const std::size_t last = first == runs_.size() ? first
                             : count == 0          ? first + 1
                                                   : runAt(row + count - 1) + 1;
    // The runs around the change, its neighbours included. What stays of the
    // first and last runs touched is kept where it lies; only the new
    // entries go into a block of their own.
    const std::size_t from = first == 0 ? 0 : first - 1;
    const std::size_t to = std::min(runs_.size(), last + 1);
    std::vector<Run> around(runs_.begin() + std::ptrdiff_t(from),
                            runs_.begin() + std::ptrdiff_t(first));
    if (first < last) {
        Run head = runs_[first];
        head.last = head.first + (row - startOf(first));
        if (head.size() > 0)
            around.push_back(std::move(head));
    }
    if (!entries.empty())
        cut(std::make_shared<const Block>(std::move(entries)), around);
    if (first < last) {
        Run tail = runs_[last - 1];
        tail.first += row + count - startOf(last - 1);
        if (tail.size() > 0)
            around.push_back(std::move(tail));
    }
    around.insert(around.end(), runs_.begin() + std::ptrdiff_t(last),
                  runs_.begin() + std::ptrdiff_t(to));
    // Made aside and then taken in whole, so that a failure on the way
    // leaves the store as it was.
    std::vector<Run> runs;
    runs.reserve(runs_.size() - (to - from) + around.size());
    runs.insert(runs.end(), runs_.begin(), runs_.begin() + std::ptrdiff_t(from));
    gather(around, runs);
    runs.insert(runs.end(), runs_.begin() + std::ptrdiff_t(to), runs_.end());
    adopt(std::move(runs));
}

void EntryStore::gather(const std::vector<Run> &runs, std::vector<Run> &to)
{
    constexpr qsizetype kSmall = kRunRows / 2;
    std::vector<Run> gathered;
    for (const Run &next : runs) {
        if (!gathered.empty()) {
            Run &previous = gathered.back();
            if (previous.block == next.block && previous.last == next.first &&
                previous.size() + next.size() <= kRunRows) {
                previous.last = next.last;
                continue;
            }
            if ((previous.size() < kSmall || next.size() < kSmall) &&
                previous.size() + next.size() <= kRunRows) {
                Entries both;
                both.reserve(std::size_t(previous.size() + next.size()));
                both.insert(both.end(), previous.rows().begin(), previous.rows().end());
                both.insert(both.end(), next.rows().begin(), next.rows().end());
                const auto rows = qsizetype(both.size());
                previous = {std::make_shared<const Block>(std::move(both)), 0, rows};
                continue;
            }
        }
        gathered.push_back(next);
    }
    to.insert(to.end(), std::make_move_iterator(gathered.begin()),
              std::make_move_iterator(gathered.end()));
}

const std::vector<quint64> &EntryStore::Block::checksums() const
{
    // Made aside: a failure leaves none, and the next call begins afresh.
    std::call_once(summed_, [this] {
        std::vector<quint64> sums;
        sums.reserve(entries.size());
        for (const DirectoryEntry &entry : entries)
            sums.push_back(contentChecksum(entry));
        checksums_ = std::move(sums);
    });
    return checksums_;
}

void EntryStore::checksumAll(const std::atomic<bool> &stop) const
{
    for (const Run &run : runs_) {
        if (stop.load(std::memory_order_relaxed))
            return;
        (void)run.block->checksums();
    }
}

Entries EntryStore::copy(qsizetype row, qsizetype count) const
{
    Entries out;
    out.reserve(std::size_t(count));
    forEachRun(row, count, [&out](std::span<const DirectoryEntry> rows) {
        out.insert(out.end(), rows.begin(), rows.end());
    });
    return out;
}

void EntryStore::const_iterator::enter(std::size_t run)
{
    run_ = run;
    if (run < store_->runs_.size()) {
        const std::span<const DirectoryEntry> rows = store_->runs_[run].rows();
        at_ = rows.data();
        end_ = at_ + rows.size();
    } else {
        at_ = end_ = nullptr;
    }
}

} // namespace core
