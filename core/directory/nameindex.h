#pragma once

#include <QString>
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <thread>
#include <vector>

namespace core {

// Answers "the first name in list order that begins with this text, without
// regard to case" (what firstWithPrefix finds by scanning) in logarithmic
// time, for the find box's completion over large lists.
//
// The index holds list positions, not names: it reads names through the
// function it is made with, which must show the list as it is at each call.
// Tell the index of every change after making it in the list. The names are
// sorted on a worker thread, from a snapshot of the list (which the index
// asks for without copying a name), once asked to or when a
// query scans past the first few names; until the sort is done a query scans
// the list, so every answer is given at once and is right. Changes made meanwhile are replayed
// on the sorted positions when the sort is taken in. After that a change
// costs one pass over the positions and sorts only the names it brings,
// unless it brings so many that sorting everything anew is cheaper.
class NameIndex
{
public:
    // The name at a list position, counted from 0.
    using NameAt = std::function<const QString &(qsizetype position)>;
    // The names of the list as it is now, readable from another thread while
    // the list changes.
    using Snapshot = std::function<NameAt()>;

    NameIndex(NameAt nameAt, Snapshot snapshot);
    ~NameIndex();
    Q_DISABLE_COPY_MOVE(NameIndex)

    qsizetype size() const { return count_; }

    // Indexes the first `count` names of the list anew.
    void rebuild(qsizetype count);
    // From `row` on, `removedCount` names were replaced by `insertedCount`
    // others; the names after them moved accordingly.
    void spliced(qsizetype row, qsizetype removedCount, qsizetype insertedCount);
    // A name was inserted at `row`; the names from there on moved up one.
    void inserted(qsizetype row) { spliced(row, 0, 1); }
    // The name at `row` was removed; the names after it moved down one.
    void removed(qsizetype row) { spliced(row, 1, 0); }
    // The name at `row` changed.
    void renamed(qsizetype row) { spliced(row, 1, 1); }
    // `count` names were added at the end of the list.
    void appended(qsizetype count) { spliced(count_, 0, count); }

    // The position of the first name in list order that begins with prefix
    // without regard to case, exactly as beginsWithIgnoringCase decides (a
    // null name begins only with a null text); -1 when none does.
    qsizetype firstWithPrefix(QStringView prefix);

    // Starts sorting the names on a worker, unless they are sorted or being sorted.
    void sortInBackground();
    // Turns true when the sort under way has ended; null when none is.
    std::shared_ptr<const std::atomic<bool>> sortEnded() const;
    // Waits for a sort under way and takes it in; true when the names are sorted.
    bool waitForSort();

private:
    using Position = std::uint32_t;
    struct Sort;
    struct Change
    {
        qsizetype row;
        qsizetype removed;
        qsizetype inserted;
    };

    void takeSort(bool wait);
    void stopSort();
    // Moves the positions of `positions` as the change moves the names,
    // dropping those of the names it removed.
    static void shiftPositions(std::vector<Position> &positions, const Change &change);
    // Merges these new positions into sorted_.
    void mergeIn(std::vector<Position> added);
    void updateMinima();
    Position smallestIn(std::size_t first, std::size_t last) const;

    NameAt nameAt_;
    Snapshot snapshot_;
    qsizetype count_ = 0;
    bool built_ = false;
    // Every list position, ordered by the case-folded name there.
    std::vector<Position> sorted_;
    // A tree over fixed blocks of sorted_: leaf i holds the smallest position
    // in block i, each inner node the smaller of its two children.
    std::vector<Position> minima_;
    std::size_t blocks_ = 0;
    // The sort under way, and the changes made since it copied the names.
    std::shared_ptr<Sort> sort_;
    std::thread worker_;
    std::vector<Change> changes_;
};

} // namespace core
