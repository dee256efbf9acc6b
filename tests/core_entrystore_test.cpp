#include "core/directory/entrystore.h"
#include "core/directory/identityfile.h"

#include <gtest/gtest.h>

#include <random>
#include <vector>

namespace {

using core::DirectoryEntry;
using core::Entries;
using core::EntryStore;

std::vector<QString> namesOf(const EntryStore &store)
{
    std::vector<QString> names;
    for (const DirectoryEntry &entry : store)
        names.push_back(entry.name);
    return names;
}

Entries made(int first, int count)
{
    Entries entries;
    for (int i = 0; i < count; ++i)
        entries.push_back({QString::number(first + i), {}, false});
    return entries;
}

// Whatever the changes, the store holds what a plain list would, rows are
// found where the list has them, a copy taken earlier keeps what it held,
// and the runs stay few.
TEST(CoreEntryStore, AgreesWithAPlainListThroughChanges)
{
    struct Step
    {
        int row, removed, inserted;
    };
    // Changes at the edges and across runs, then many small ones at random.
    std::vector<Step> steps = {
        {0, 0, 5000},   {0, 0, 1},   {5001, 0, 3}, {1023, 1, 0},    {1000, 100, 0},
        {500, 2000, 1}, {0, 10, 10}, {2903, 1, 0}, {0, 2903, 2000}, {1999, 0, 3000},
    };
    std::mt19937 random(7);
    for (int i = 0; i < 3000; ++i)
        steps.push_back({-1, int(random() % 3), int(random() % 3)});

    EntryStore store;
    std::vector<QString> expected;
    int next = 0;
    for (Step step : steps) {
        const int size = int(expected.size());
        if (step.row < 0) {
            step.row = int(random() % std::uint32_t(size + 1));
            step.removed = std::min(step.removed, size - step.row);
        }
        const EntryStore before = store;
        const std::vector<QString> had = expected;

        store.splice(step.row, step.removed, made(next, step.inserted));
        expected.erase(expected.begin() + step.row, expected.begin() + step.row + step.removed);
        for (int i = 0; i < step.inserted; ++i)
            expected.insert(expected.begin() + step.row + i, QString::number(next + i));
        next += step.inserted;

        ASSERT_EQ(namesOf(before), had);
        ASSERT_EQ(store.size(), qsizetype(expected.size()));
        for (const int row : {0, step.row, step.row + step.inserted, int(expected.size()) - 1}) {
            if (row >= 0 && row < int(expected.size())) {
                ASSERT_EQ(store[row].name, expected[std::size_t(row)]) << row;
            }
        }
    }
    EXPECT_EQ(namesOf(store), expected);
    qsizetype checked = 0;
    store.forEachChecksummed(10, store.size() - 10, [&](auto rows, auto sums) {
        for (std::size_t i = 0; i < rows.size(); ++i, ++checked)
            ASSERT_EQ(sums[i], core::contentChecksum(rows[i]));
    });
    EXPECT_EQ(checked, store.size() - 10);
    EXPECT_EQ(store.copy(100, 3)[2].name, expected[102]);
    EXPECT_LE(store.runCount(), 4 * expected.size() / EntryStore::kRunRows + 4);
}

} // namespace
