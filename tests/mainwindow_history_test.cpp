// The main window's additions beyond the design's controls: undo and redo,
// and the search window, from their keys and the context menu.

#include "mainwindow/frmMain.h"
#include "platform/listview.h"
#include "search/frmSearch.h"
#include "support/fixtures.h"

#include <QAction>
#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

using testsupport::AppFolder;
using testsupport::itemTexts;
using testsupport::MessageRecorder;

namespace {

struct Shown
{
    explicit Shown(const AppFolder &folder) : window(folder.path())
    {
        ok = window.Form_Load();
        window.show();
        window.activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(&window));
    }
    frmMain window;
    bool ok = false;
};

// Undo and redo of a Delete from the keyboard and the menu; each step is
// saved at once and the entry put back is selected and shown. In the find
// box Ctrl+Z, Ctrl+Y and Ctrl+Shift+Z undo and redo the box's typing instead.
TEST(MainWindowHistory, UndoAndRedoADeleteAreSaved)
{
    AppFolder folder("Ann|1\r\nBob|2\r\n");
    Shown main(folder);
    ASSERT_TRUE(main.ok);
    frmMain &w = main.window;
    w.lvwQuorvel->setSelectedItem(2);
    MessageRecorder messages({platform::vbYes});
    w.cmdDelete->click();
    EXPECT_EQ(folder.directoryBytes(), QByteArray("Ann|1\r\n"));

    w.lvwQuorvel->setFocus();
    QTest::keyClick(w.lvwQuorvel, Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(folder.directoryBytes(), QByteArray("Ann|1\r\nBob|2\r\n"));
    EXPECT_EQ(w.lvwQuorvel->selectedItem(), 2);
    EXPECT_EQ(itemTexts(w.lstNumbers), QStringList{"2"});

    for (const auto key :
         {QKeySequence(Qt::CTRL | Qt::Key_Y), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z)}) {
        QTest::keySequence(w.lvwQuorvel, QKeySequence(Qt::CTRL | Qt::Key_Z));
        QTest::keySequence(w.lvwQuorvel, key);
        EXPECT_EQ(itemTexts(w.lvwQuorvel), QStringList{"Ann"});
        w.mnuUndo->trigger();
    }
    EXPECT_EQ(folder.directoryBytes(), QByteArray("Ann|1\r\nBob|2\r\n"));

    w.txtFind->clear();
    QTest::keyClicks(w.txtFind, "Zed");
    QTest::keyClick(w.txtFind, Qt::Key_Z, Qt::ControlModifier);
    EXPECT_NE(w.txtFind->text(), "Zed");
    // Its redo keys are its own too: the directory's redo waits.
    QTest::keyClick(w.txtFind, Qt::Key_Y, Qt::ControlModifier);
    QTest::keyClick(w.txtFind, Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(itemTexts(w.lvwQuorvel), QStringList({"Ann", "Bob"}));
    EXPECT_EQ(messages.requests().size(), 1);
}

// Ctrl+F from any control opens the search window; Enter on a result shows
// that entry in the main window.
TEST(MainWindowHistory, SearchShowsTheChosenEntry)
{
    AppFolder folder("Ann|e-mail: ann@example.org\r\nZo\xc3\xab Tanaka|phone: (555) 0101\r\n");
    Shown main(folder);
    ASSERT_TRUE(main.ok);
    frmMain &w = main.window;
    QTest::keyClick(w.txtFind, Qt::Key_F, Qt::ControlModifier);
    auto *search = w.findChild<frmSearch *>();
    ASSERT_TRUE(search && search->isVisible());
    QTest::keyClicks(search->txtSearch, "zoe 5550101");
    QTest::keyClick(search->txtSearch, Qt::Key_Return);
    EXPECT_FALSE(search->isVisible());
    EXPECT_EQ(w.lvwQuorvel->selectedItem(), 2);
    EXPECT_EQ(itemTexts(w.lstNumbers), QStringList{"phone: (555) 0101"});
}

} // namespace
