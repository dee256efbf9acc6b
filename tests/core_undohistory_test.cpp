#include "core/directory/undohistory.h"
#include "support/fixtures.h"

namespace {

using core::DirectoryEntry;
using core::DirectoryModel;

QStringList lines(const DirectoryModel &model)
{
    QStringList result;
    for (const DirectoryEntry &e : model.entries())
        result.append(core::formatDirectoryLine(e));
    return result;
}

// Undo takes changes back a whole step at a time (an import is one), entries
// returning whole to their places; redo makes them again until a new change.
TEST(CoreUndoHistory, TakesBackAndRedoesEachChangeWhole)
{
    DirectoryModel model;
    model.append(core::Entries{{"Ann", "1", false}, {"Bob", "2\t3", true}, {"Cy", "", false}});
    core::UndoHistory history(model);
    EXPECT_FALSE(history.canUndo());

    model.remove(1);
    model.replace(0, {"Anne", "9", true});
    model.append(core::Entries{{"Dee", "4", false}, {"Eve", "5", false}});
    EXPECT_EQ(lines(model), QStringList({"<b>Anne|9", "Cy|", "Dee|4", "Eve|5"}));

    EXPECT_EQ(history.undo(), -1); // the import: nothing put back
    EXPECT_EQ(history.undo(), 0);  // the edit: Ann is back at row 0
    EXPECT_EQ(history.undo(), 1);  // the delete: Bob is back at row 1
    EXPECT_EQ(lines(model), QStringList({"Ann|1", "<b>Bob|2\t3", "Cy|"}));
    EXPECT_FALSE(history.canUndo());
    EXPECT_EQ(history.undo(), -1);

    EXPECT_EQ(history.redo(), -1);
    EXPECT_EQ(history.redo(), 0);
    EXPECT_EQ(lines(model), QStringList({"<b>Anne|9", "Cy|"}));
    model.insert(1, {"Fay", "6", false});
    EXPECT_FALSE(history.canRedo());
    EXPECT_EQ(history.undo(), -1);
    EXPECT_EQ(lines(model), QStringList({"<b>Anne|9", "Cy|"}));
}

TEST(CoreUndoHistory, KeepsAtMostItsDepth)
{
    DirectoryModel model;
    core::UndoHistory history(model, 2);
    for (const char *name : {"A", "B", "C"})
        model.append(DirectoryEntry{name, {}, false});
    history.undo();
    history.undo();
    EXPECT_FALSE(history.canUndo());
    EXPECT_EQ(lines(model), QStringList{"A|"});
}

// Sorting orders by name without regard to case or accents, bold entries
// among the rest; it is one step that one undo takes back.
TEST(CoreUndoHistory, SortByNameIsOneStep)
{
    DirectoryModel model;
    model.append(core::Entries{{"default", "1", false},
                               {"Émile", "", true},
                               {"bob", "", false},
                               {"Zoe", "", false},
                               {"Anna", "", true},
                               {"Emma", "", false}});
    const QStringList before = lines(model);
    core::UndoHistory history(model);
    QCollator collator(QLocale(QLocale::French));
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    ASSERT_TRUE(model.sortByName(collator));
    EXPECT_EQ(lines(model),
              QStringList({"<b>Anna|", "bob|", "default|1", "<b>Émile|", "Emma|", "Zoe|"}));
    EXPECT_FALSE(model.sortByName(collator)); // already in order: no step
    EXPECT_EQ(history.undo(), 0);
    EXPECT_EQ(lines(model), before);
    EXPECT_FALSE(history.canUndo());
}

} // namespace
