#include "core/colors/keywordtable.h"
#include "core/directory/directorymodel.h"
#include "core/directory/entrylinesmodel.h"
#include "support/fixtures.h"

#include <QItemSelectionModel>

namespace {

// Each row as the detail list draws it: "text" with "*" when bold and "#BBGGRR".
QStringList shown(const core::EntryLinesModel &model)
{
    QStringList rows;
    for (int row = 0; row < model.rowCount(); ++row) {
        const QModelIndex at = model.index(row);
        rows.append(at.data(core::TextRole).toString() +
                    (at.data(core::BoldRole).toBool() ? "*" : "") +
                    QString::asprintf(" #%06X", at.data(core::ForeColorRole).toUInt()));
    }
    return rows;
}

// The lines of one entry, the bold marker made the bold flag and each line
// coloured by the first keyword that begins it (after the marker is gone).
TEST(CoreEntryLinesModel, ShowsAnEntrysLinesBoldAndColouredFromTheKeywords)
{
    const core::KeywordTable keywords =
        core::KeywordTable::fromLines({"; comment", "fax:\t0,0,255", "f\t0,128,0", "x"});
    const std::pair<const char *, QStringList> cases[] = {
        {"<b>fax: 1\tfoo\tphone: 2", {"fax: 1* #FF0000", "foo #008000", "phone: 2 #000000"}},
        {"", {}},
        {"\t<B>fax:", {" #000000", "<B>fax: #000000"}},
    };
    core::EntryLinesModel model;
    for (const auto &[numbers, rows] : cases) {
        model.show(QString::fromUtf8(numbers), keywords);
        EXPECT_EQ(shown(model), rows) << numbers;
    }
}

// Following a selection, the lines are the selected entry's after every change of
// the selection or of the rows, and none without one; an entry without lines
// reads no keywords.
TEST(CoreEntryLinesModel, FollowsTheSelectedEntry)
{
    core::DirectoryModel directory;
    directory.append(
        core::Entries{{"Ann", "a1\ta2", false}, {"Bob", "", false}, {"Cy", "c", false}});
    QItemSelectionModel selection(&directory);
    int reads = 0;
    core::EntryLinesModel model;
    model.follow(directory, selection, [&reads] { return ++reads, core::KeywordTable(); });
    const auto select = [&](int row) {
        selection.select(directory.index(row), QItemSelectionModel::ClearAndSelect);
    };
    const std::tuple<const char *, std::function<void()>, QStringList> steps[] = {
        {"none selected", [] {}, {}},
        {"selected", [&] { select(0); }, {"a1 #000000", "a2 #000000"}},
        {"without lines", [&] { select(1); }, {}},
        {"selected changed",
         [&] {
             directory.replace(1, {"Bob", "b", false});
         },
         {"b #000000"}},
        {"inserted before",
         [&] {
             directory.insert(0, {"Al", "x", false});
         },
         {"b #000000"}},
        {"another removed", [&] { directory.remove(3); }, {"b #000000"}},
        {"selected removed", [&] { directory.remove(2); }, {}},
        {"selected again", [&] { select(1); }, {"a1 #000000", "a2 #000000"}},
        {"cleared", [&] { selection.clearSelection(); }, {}},
    };
    for (const auto &[name, step, lines] : steps) {
        const int before = reads;
        step();
        EXPECT_EQ(shown(model), lines) << name;
        EXPECT_EQ(reads > before, !lines.isEmpty()) << name;
    }
}

} // namespace
