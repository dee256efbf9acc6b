#include "core/directory/directorymodel.h"
#include "search/frmSearch.h"
#include "support/fixtures.h"

#include <QColor>
#include <QFont>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTableView>
#include <QTest>

using testsupport::u8;

namespace {

// A search window over four entries whose "phone:" lines are red; it waits
// for the index unless told not to.
struct Search
{
    explicit Search(bool indexed = true)
    {
        directory.append({{"Ann Lee", "phone: (555) 0101\te-mail: ann@tanaka.co.jp", false},
                          {"Bo", "<b>phone: 555-0199", true},
                          {u8("Zo\u00eb Zimmer"), "note: x", false},
                          {"Cy", "", false}});
        window = new frmSearch(
            directory,
            [this] {
                ++colorReads;
                return [](const QString &line) {
                    return line.startsWith("phone:") ? core::RGBValue(255, 0, 0) : 0;
                };
            },
            &owner);
        window->show();
        if (indexed)
            waitForIndex();
    }
    void waitForIndex() const
    {
        ASSERT_TRUE(QTest::qWaitFor([this] { return window->isIndexed(); }));
    }
    void type(const QString &text, bool replace = true) const
    {
        if (replace)
            window->txtSearch->clear();
        QTest::keyClicks(window->txtSearch, text);
    }
    void key(Qt::Key key) const { QTest::keyClick(window->txtSearch, key); }
    // Each row as "name | line #colour", "*" marking bold text.
    QStringList rows() const
    {
        QStringList shown;
        const QAbstractItemModel *model = window->lstResults->model();
        for (int row = 0; row < model->rowCount(); ++row) {
            QString text;
            for (int column = 0; column < 2; ++column) {
                const QModelIndex cell = model->index(row, column);
                text += cell.data().toString();
                if (cell.data(Qt::FontRole).value<QFont>().bold())
                    text += '*';
                text += column == 0 ? " | " : "";
            }
            const QVariant color = model->index(row, 1).data(Qt::ForegroundRole);
            shown.append(color.isValid() ? text + ' ' + color.value<QColor>().name() : text);
        }
        return shown;
    }

    core::DirectoryModel directory;
    QWidget owner;
    frmSearch *window;
    int colorReads = 0;
};

TEST(SearchWindow, ListsMatchesAsTheUserTypes)
{
    const std::pair<const char *, QStringList> rows[] = {
        {"555", {"Ann Lee | phone: (555) 0101 #ff0000", "Bo* | phone: 555-0199* #ff0000"}},
        {"tanaka", {"Ann Lee | e-mail: ann@tanaka.co.jp #000000"}},
        {"cy", {"Cy |  #000000"}},
        {"nobody", {"No entry matches. | "}},
    };
    Search search;
    for (const auto &[query, expected] : rows) {
        search.type(query);
        EXPECT_EQ(search.rows(), expected) << query;
    }
    // The colour file is read once per change of the text, not per row.
    EXPECT_EQ(search.colorReads, 3 + 6 + 2 + 6);
}

// Return on the first result is the main window's test.
TEST(SearchWindow, ChoosesByKeyboardOrDoubleClick)
{
    Search search;
    QSignalSpy chosen(search.window, &frmSearch::entryChosen);
    search.type("nobody");
    search.key(Qt::Key_Return);
    EXPECT_TRUE(search.window->isVisible());
    search.key(Qt::Key_Escape);
    EXPECT_FALSE(search.window->isVisible());

    // Shown again: the old text is selected, so typing replaces it.
    search.window->show();
    search.type("e", false); // rows 0, 1 and 2
    for (const Qt::Key key : {Qt::Key_Down, Qt::Key_Down, Qt::Key_Up, Qt::Key_Enter})
        search.key(key);
    EXPECT_FALSE(search.window->isVisible());

    search.window->show();
    search.type("555");
    QTableView *list = search.window->lstResults;
    const QPoint first = list->visualRect(list->model()->index(0, 1)).center();
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, first);
    QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, first);
    ASSERT_EQ(chosen.count(), 2);
    EXPECT_EQ(chosen.at(0).at(0).toInt(), 1);
    EXPECT_EQ(chosen.at(1).at(0).toInt(), 0);
}

// Changes made while the entries are being indexed reach the index too;
// later ones are made on it at once, one update per change.
TEST(SearchWindow, FollowsChangesOfTheDirectory)
{
    Search search(false);
    search.type("0101");
    EXPECT_EQ(search.rows(), QStringList({u8("Indexing\u2026 | ")}));
    search.directory.remove(0); // the one match
    search.directory.insert(1, {"Di", "0101", false});
    search.waitForIndex();
    EXPECT_EQ(search.rows(), QStringList({"Di | 0101 #000000"}));
    const int changes = search.window->searchIndex().changeCount();
    search.directory.replace(0, {"Bo", "phone: 0101", true});
    EXPECT_EQ(search.rows(), QStringList({"Bo* | phone: 0101 #ff0000", "Di | 0101 #000000"}));
    // Changes of many rows at once (an import, its undo).
    search.directory.append(core::Entries{{"Ed", "0101", false}, {"Fy", "fax: 0101", false}});
    search.directory.splice(1, 2, {}); // Di and Zoë
    EXPECT_EQ(search.rows(), QStringList({"Bo* | phone: 0101 #ff0000", "Ed | 0101 #000000",
                                          "Fy | fax: 0101 #000000"}));
    EXPECT_EQ(search.window->searchIndex().changeCount(), changes + 3);
}

} // namespace
