#pragma once

#include "core/directory/directoryfile.h"
#include "core/files/blockmemory.h"

#include <algorithm>
#include <atomic>
#include <cstddef>
#include <iterator>
#include <memory>
#include <mutex>
#include <span>
#include <utility>
#include <vector>

namespace core {

// Entries in one block of memory. Large directories fill their memory faster
// in big blocks.
using Entries = std::vector<DirectoryEntry, BlockAllocator<DirectoryEntry>>;

// The entries of a directory in order, held as runs of rows in blocks that
// are never changed once made. Copying the store copies only its runs, so a
// copy taken for another thread costs next to nothing whatever the size;
// a change makes new blocks for the entries it brings and for the few
// neighbours it gathers, and leaves every other row where it is, so it costs
// about the same at a million entries as at a hundred.
class EntryStore
{
public:
    EntryStore() = default;
    // Takes the entries over as they are, without moving them.
    explicit EntryStore(Entries entries);
    EntryStore(const EntryStore &other) : runs_(other.runs_), ends_(other.ends_), size_(other.size_)
    {
    }
    EntryStore &operator=(const EntryStore &other)
    {
        runs_ = other.runs_;
        ends_ = other.ends_;
        size_ = other.size_;
        return *this;
    }
    EntryStore(EntryStore &&other) noexcept
        : runs_(std::move(other.runs_)), ends_(std::move(other.ends_)),
          size_(std::exchange(other.size_, 0))
    {
    }
    EntryStore &operator=(EntryStore &&other) noexcept
    {
        runs_ = std::move(other.runs_);
        ends_ = std::move(other.ends_);
        size_ = std::exchange(other.size_, 0);
        lastRun_.store(0, std::memory_order_relaxed);
        return *this;
    }
    ~EntryStore() = default;

    qsizetype size() const { return size_; }
    bool empty() const { return size_ == 0; }
    const DirectoryEntry &operator[](qsizetype row) const;

    // From `row` on, `count` entries are replaced by `entries`.
    void splice(qsizetype row, qsizetype count, Entries entries);
    // A copy of `count` entries from `row` on.
    Entries copy(qsizetype row, qsizetype count) const;

    // The rows from `row` on, as they lie in memory: one span per run.
    template <typename Visit> void forEachRun(qsizetype row, qsizetype count, Visit &&visit) const
    {
        walk(row, count, [&](const Block &block, std::size_t first, std::size_t taken) {
            visit(std::span(block.entries).subspan(first, taken));
        });
    }

    // Hands the entries from `row` on, `count` of them, run by run, each
    // beside its contentChecksum. The checksums are worked out once for each
    // block and kept with it, so a pass after the first reads no text.
    template <typename Visit>
    void forEachChecksummed(qsizetype row, qsizetype count, Visit &&visit) const
    {
        walk(row, count, [&](const Block &block, std::size_t first, std::size_t taken) {
            visit(std::span(block.entries).subspan(first, taken),
                  std::span(block.checksums()).subspan(first, taken));
        });
    }
    // Works out the checksums of every block now (on a copy, from any
    // thread), unless told to stop.
    void checksumAll(const std::atomic<bool> &stop) const;

    // Runs forward over every entry, in order.
    class const_iterator
    {
    public:
        using iterator_category = std::forward_iterator_tag;
        using value_type = DirectoryEntry;
        using difference_type = std::ptrdiff_t;
        using pointer = const DirectoryEntry *;
        using reference = const DirectoryEntry &;

        const_iterator() = default;
        reference operator*() const { return *at_; }
        pointer operator->() const { return at_; }
        const_iterator &operator++()
        {
            if (++at_ == end_)
                enter(run_ + 1);
            return *this;
        }
        const_iterator operator++(int)
        {
            const_iterator was = *this;
            ++*this;
            return was;
        }
        friend bool operator==(const const_iterator &a, const const_iterator &b)
        {
            return a.at_ == b.at_;
        }

    private:
        friend class EntryStore;
        const_iterator(const EntryStore *store, std::size_t run) : store_(store) { enter(run); }
        void enter(std::size_t run);

        const EntryStore *store_ = nullptr;
        std::size_t run_ = 0;
        const DirectoryEntry *at_ = nullptr;
        const DirectoryEntry *end_ = nullptr;
    };
    const_iterator begin() const { return {this, 0}; }
    const_iterator end() const { return {this, runs_.size()}; }

    // How many runs hold the entries (what a copy of the store copies).
    std::size_t runCount() const { return runs_.size(); }

    // Rows in a run made by a change; runs smaller than half of it are
    // gathered with their neighbours.
    static constexpr qsizetype kRunRows = 1024;

private:
    struct Block
    {
        explicit Block(Entries rows) : entries(std::move(rows)) {}
        const std::vector<quint64> &checksums() const;

        Entries entries;

    private:
        mutable std::once_flag summed_;
        mutable std::vector<quint64> checksums_;
    };
    // Rows [first, last) of a block.
    struct Run
    {
        std::shared_ptr<const Block> block;
        qsizetype first = 0;
        qsizetype last = 0;
        qsizetype size() const { return last - first; }
        std::span<const DirectoryEntry> rows() const
        {
            return std::span(block->entries).subspan(std::size_t(first), std::size_t(size()));
        }
    };

    // Hands each run's part of `count` rows from `row` on to visit: its
    // block, the first row of it in the block and how many.
    template <typename Visit> void walk(qsizetype row, qsizetype count, Visit &&visit) const
    {
        std::size_t run = runAt(row);
        qsizetype offset = row - startOf(run);
        for (; count > 0 && run < runs_.size(); ++run, offset = 0) {
            const Run &r = runs_[run];
            const qsizetype taken = std::min(r.size() - offset, count);
            visit(*r.block, std::size_t(r.first + offset), std::size_t(taken));
            count -= taken;
        }
    }
    // The run that holds `row`; runs_.size() for size().
    std::size_t runAt(qsizetype row) const;
    qsizetype startOf(std::size_t run) const { return run == 0 ? 0 : ends_[run - 1]; }
    // Cuts a block into runs of kRunRows, appended to `to`.
    static void cut(std::shared_ptr<const Block> block, std::vector<Run> &to);
    // Appends the runs to `to`, small neighbours gathered into blocks of
    // their own.
    static void gather(const std::vector<Run> &runs, std::vector<Run> &to);
    // Takes the runs in place of its own.
    void adopt(std::vector<Run> runs);

    std::vector<Run> runs_;
    // ends_[i]: rows in runs 0..i.
    std::vector<qsizetype> ends_;
    qsizetype size_ = 0;
    // The run of the last row looked up: lists and scans ask for rows in order.
    mutable std::atomic<std::size_t> lastRun_{0};
};

} // namespace core
