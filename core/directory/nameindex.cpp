#include "core/directory/nameindex.h"

#include <QChar>
#include <QVarLengthArray>
#include <algorithm>
#include <atomic>
#include <limits>
#include <numeric>

namespace core {

namespace {

using Position = std::uint32_t;

constexpr std::size_t kBlock = 64;
constexpr Position kScanBeforeSorting = 64;
// Changes made while the names are sorted that are replayed on the sort;
// past this many, sorting anew is cheaper.
constexpr std::size_t kMostChangesReplayed = 64;

// The case-folded unit at index i, as Qt's case-insensitive comparison sees
// it: a low surrogate that follows a high one stands for their whole code
// point, folded; any other unit is folded on its own. Since each unit's value
// depends only on itself and the unit before it, a text begins with another
// without regard to case exactly when its first values equal all of the
// other's.
char32_t foldedAt(QStringView text, qsizetype i)
{
    const char16_t unit = text.utf16()[i];
    if (unit < 0x80)
        return unit >= u'A' && unit <= u'Z' ? unit + (u'a' - u'A') : unit;
    if (QChar::isLowSurrogate(unit) && i > 0 && QChar::isHighSurrogate(text.utf16()[i - 1]))
        return QChar::toCaseFolded(QChar::surrogateToUcs4(text.utf16()[i - 1], unit));
    return QChar::toCaseFolded(char32_t(unit));
}

// Orders names by their folded values, a shorter name before the longer ones
// it begins, a null name before all others.
int compareNames(QStringView a, QStringView b)
{
    if (a.isNull() || b.isNull())
        return int(!a.isNull()) - int(!b.isNull());
    const qsizetype common = std::min(a.size(), b.size());
    for (qsizetype i = 0; i < common; ++i) {
        const char32_t x = foldedAt(a, i);
        const char32_t y = foldedAt(b, i);
        if (x != y)
            return x < y ? -1 : 1;
    }
    return a.size() < b.size() ? -1 : int(a.size() > b.size());
}

using FoldedText = QVarLengthArray<char32_t, 64>;

// 0 when a name begins with the (non-null) text whose folded values are
// given, otherwise the side of it the name lies on in the order above.
int compareWithPrefix(QStringView name, const FoldedText &prefix)
{
    if (name.isNull())
        return -1;
    const qsizetype common = std::min(name.size(), prefix.size());
    for (qsizetype i = 0; i < common; ++i) {
        const char32_t x = foldedAt(name, i);
        if (x != prefix[i])
            return x < prefix[i] ? -1 : 1;
    }
    return name.size() < prefix.size() ? -1 : 0;
}

// Three folded values from index `from` packed into one number that orders
// as the values do: each value plus one in 21 bits, 0 past the end.
std::uint64_t packedAt(QStringView name, qsizetype from)
{
    std::uint64_t packed = 0;
    for (qsizetype i = from; i < from + 3; ++i)
        packed = (packed << 21) | (i < name.size() ? std::uint64_t(foldedAt(name, i)) + 1 : 0);
    return packed;
}

// Sorts positions by their names, read through nameOf, four folded values
// at a time: each round reads every name of a run once and sorts numbers;
// only runs that still agree go on to the next four values. False, the order
// unfinished, once `cancelled` turns true. Given no positions, sorts those
// from 0 to `all`, without listing them first.
template <typename NameOf>
bool sortPositions(std::vector<Position> &positions, NameOf nameOf,
                   const std::atomic<bool> *cancelled = nullptr, std::size_t all = 0)
{
    // Sixteen bytes a name: a million names sort in 16 MB beside the list.
    struct Keyed
    {
        std::uint64_t high;
        std::uint32_t low;
        Position position;
        bool operator<(const Keyed &other) const
        {
            return high != other.high ? high < other.high : low < other.low;
        }
    };
    // Null names come first, before every other name, in their order; the
    // named positions are held by the keyed list alone until the end.
    std::vector<Keyed> keyed;
    std::vector<Position> nulls;
    const auto take = [&](Position p) {
        if (nameOf(p).isNull())
            nulls.push_back(p);
        else
            keyed.push_back({0, 0, p});
    };
    if (positions.empty()) {
        keyed.reserve(all);
        for (std::size_t p = 0; p < all; ++p)
            take(Position(p));
    } else {
        keyed.reserve(positions.size());
        for (const Position p : positions)
            take(p);
    }
    positions = std::move(nulls);

    struct Run
    {
        std::size_t first;
        std::size_t last;
        qsizetype depth;
    };
    std::vector<Run> runs{{0, keyed.size(), 0}};
    while (!runs.empty()) {
        if (cancelled && cancelled->load(std::memory_order_relaxed))
            return false;
        const Run run = runs.back();
        runs.pop_back();
        for (std::size_t i = run.first; i < run.last; ++i) {
            const QStringView name = nameOf(keyed[i].position);
            keyed[i].high = packedAt(name, run.depth);
            const qsizetype next = run.depth + 3;
            keyed[i].low = next < name.size() ? std::uint32_t(foldedAt(name, next)) + 1 : 0;
        }
        std::sort(keyed.begin() + std::ptrdiff_t(run.first),
                  keyed.begin() + std::ptrdiff_t(run.last));
        for (std::size_t i = run.first; i < run.last;) {
            std::size_t j = i + 1;
            while (j < run.last && !(keyed[i] < keyed[j]))
                ++j;
            // A run whose names all ended within these values is in order.
            if (j - i > 1 && keyed[i].low != 0)
                runs.push_back({i, j, run.depth + 4});
            i = j;
        }
    }
    positions.reserve(positions.size() + keyed.size());
    for (const Keyed &k : keyed)
        positions.push_back(k.position);
    return true;
}

} // namespace

struct NameIndex::Sort
{
    // The names when the sort began, read by the worker alone.
    NameIndex::NameAt names;
    qsizetype count = 0;
    std::vector<Position> sorted;
    std::atomic<bool> done{false};
    std::atomic<bool> cancelled{false};
};

NameIndex::NameIndex(NameAt nameAt, Snapshot snapshot)
    : nameAt_(std::move(nameAt)), snapshot_(std::move(snapshot))
{
}

NameIndex::~NameIndex()
{
    stopSort();
}

void NameIndex::rebuild(qsizetype count)
{
    Q_ASSERT(count >= 0 && count < qsizetype(std::numeric_limits<Position>::max()));
    stopSort();
    count_ = count;
    built_ = false;
    sorted_ = {};
    minima_ = {};
}

void NameIndex::sortInBackground()
{
    if (built_ || sort_)
        return;
    auto sort = std::make_shared<Sort>();
    sort->names = snapshot_();
    sort->count = count_;
    sort_ = sort;
    worker_ = std::thread([sort] {
        std::vector<Position> positions;
        if (sortPositions(
                positions, [&sort](Position p) { return QStringView(sort->names(p)); },
                &sort->cancelled, std::size_t(sort->count)))
            sort->sorted = std::move(positions);
        sort->done.store(true, std::memory_order_release);
    });
}

void NameIndex::stopSort()
{
    if (sort_)
        sort_->cancelled = true;
    if (worker_.joinable())
        worker_.join();
    sort_.reset();
    changes_.clear();
}

std::shared_ptr<const std::atomic<bool>> NameIndex::sortEnded() const
{
    if (!sort_)
        return nullptr;
    return {sort_, &sort_->done};
}

bool NameIndex::waitForSort()
{
    sortInBackground();
    takeSort(true);
    return built_;
}

void NameIndex::takeSort(bool wait)
{
    if (!sort_ || (!wait && !sort_->done.load(std::memory_order_acquire)))
        return;
    worker_.join();
    sorted_ = std::move(sort_->sorted);
    sort_.reset();
    // The sort saw the list as it was when it began: the changes since move
    // its positions, and the names they brought are merged in.
    std::vector<Position> added;
    for (const Change &change : changes_) {
        shiftPositions(sorted_, change);
        shiftPositions(added, change);
        for (qsizetype i = 0; i < change.inserted; ++i)
            added.push_back(Position(change.row + i));
    }
    changes_.clear();
    built_ = true;
    mergeIn(std::move(added));
}

void NameIndex::shiftPositions(std::vector<Position> &positions, const Change &change)
{
    // (Both loops are kept free of branches that a random order would mispredict.)
    const auto first = Position(change.row);
    const auto end = Position(change.row + change.removed);
    const auto shift = Position(change.inserted - change.removed); // wraps round when negative
    if (change.removed > 0)
        std::erase_if(positions,
                      [=](Position p) { return Position(p - first) < Position(end - first); });
    if (shift != 0) {
        for (Position &p : positions)
            p += Position(p >= end) * shift;
    }
}

void NameIndex::spliced(qsizetype row, qsizetype removedCount, qsizetype insertedCount)
{
    Q_ASSERT(row >= 0 && removedCount >= 0 && insertedCount >= 0 && row + removedCount <= count_);
    count_ += insertedCount - removedCount;
    // Many new names: sorting them all together is cheaper than merging them in.
    const bool many = insertedCount * 8 > count_;
    if (sort_) {
        if (!many && changes_.size() < kMostChangesReplayed) {
            changes_.push_back({row, removedCount, insertedCount});
            return;
        }
        rebuild(count_);
        sortInBackground();
        return;
    }
    if (!built_)
        return;
    if (many) {
        rebuild(count_);
        sortInBackground();
        return;
    }
    shiftPositions(sorted_, {row, removedCount, insertedCount});
    std::vector<Position> added(static_cast<std::size_t>(insertedCount));
    std::iota(added.begin(), added.end(), Position(row));
    mergeIn(std::move(added));
}

void NameIndex::mergeIn(std::vector<Position> added)
{
    const auto before = [this](QStringView name, Position p) {
        return compareNames(name, nameAt_(p)) < 0;
    };
    if (added.size() == 1) {
        sorted_.insert(std::upper_bound(sorted_.begin(), sorted_.end(), nameAt_(added[0]), before),
                       added[0]);
    } else if (added.size() > 1) {
        sortPositions(added, [this](Position p) { return QStringView(nameAt_(p)); });
        std::vector<Position> merged;
        merged.reserve(sorted_.size() + added.size());
        auto from = sorted_.begin();
        for (const Position p : added) {
            // The next place is most often near the last: gallop to it,
            // then search the stretch it lies in.
            const QString &name = nameAt_(p);
            auto low = from;
            auto high = from;
            for (std::ptrdiff_t step = 1; high != sorted_.end() && !before(name, *high);
                 step *= 2) {
                low = high + 1;
                high = sorted_.end() - high > step ? high + step : sorted_.end();
            }
            const auto to = std::upper_bound(low, high, name, before);
            merged.insert(merged.end(), from, to);
            merged.push_back(p);
            from = to;
        }
        merged.insert(merged.end(), from, sorted_.end());
        sorted_ = std::move(merged);
    }
    updateMinima();
}

void NameIndex::updateMinima()
{
    blocks_ = (sorted_.size() + kBlock - 1) / kBlock;
    minima_.resize(2 * blocks_);
    for (std::size_t block = 0; block < blocks_; ++block) {
        const std::size_t last = std::min(sorted_.size(), (block + 1) * kBlock);
        Position smallest = std::numeric_limits<Position>::max();
        for (std::size_t i = block * kBlock; i < last; ++i)
            smallest = std::min(smallest, sorted_[i]);
        minima_[blocks_ + block] = smallest;
    }
    for (std::size_t node = blocks_; node-- > 1;)
        minima_[node] = std::min(minima_[2 * node], minima_[2 * node + 1]);
}

// The smallest position in sorted_[first, last): whole blocks from the tree,
// the partial blocks at either end read directly.
NameIndex::Position NameIndex::smallestIn(std::size_t first, std::size_t last) const
{
    Position best = std::numeric_limits<Position>::max();
    std::size_t lowBlock = (first + kBlock - 1) / kBlock;
    std::size_t highBlock = last / kBlock;
    if (lowBlock >= highBlock) {
        for (std::size_t i = first; i < last; ++i)
            best = std::min(best, sorted_[i]);
        return best;
    }
    for (std::size_t i = first; i < lowBlock * kBlock; ++i)
        best = std::min(best, sorted_[i]);
    for (std::size_t i = highBlock * kBlock; i < last; ++i)
        best = std::min(best, sorted_[i]);
    for (lowBlock += blocks_, highBlock += blocks_; lowBlock < highBlock;
         lowBlock /= 2, highBlock /= 2) {
        if (lowBlock & 1)
            best = std::min(best, minima_[lowBlock++]);
        if (highBlock & 1)
            best = std::min(best, minima_[--highBlock]);
    }
    return best;
}

qsizetype NameIndex::firstWithPrefix(QStringView prefix)
{
    if (count_ == 0)
        return -1;
    // Every name, a null one too, begins with a null text.
    if (prefix.isNull())
        return 0;
    FoldedText folded(prefix.size());
    for (qsizetype i = 0; i < prefix.size(); ++i)
        folded[i] = foldedAt(prefix, i);
    const auto side = [&](Position p) { return compareWithPrefix(nameAt_(p), folded); };
    takeSort(false);
    if (!built_) {
        // Until the sort is done a scan answers; one that goes past the
        // first few names (which showing the first entry asks for) starts it.
        for (Position p = 0; p < Position(count_); ++p) {
            if (p == kScanBeforeSorting)
                sortInBackground();
            if (side(p) == 0)
                return p;
        }
        return -1;
    }
    const auto first = std::partition_point(sorted_.begin(), sorted_.end(),
                                            [&](Position p) { return side(p) < 0; });
    const auto last =
        std::partition_point(first, sorted_.end(), [&](Position p) { return side(p) == 0; });
    if (first == last)
        return -1;
    return smallestIn(std::size_t(first - sorted_.begin()), std::size_t(last - sorted_.begin()));
}

} // namespace core
