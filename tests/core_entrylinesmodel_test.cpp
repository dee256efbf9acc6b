#include "core/colors/keywordtable.h"
#include "core/directory/entrylinesmodel.h"
#include "support/fixtures.h"

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

} // namespace
