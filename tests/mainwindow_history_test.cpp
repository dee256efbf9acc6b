// The main window's additions beyond the design's controls: undo and redo,
// and the search window, from their keys and the context menu.

#include "mainwindow/frmMain.h"
#include "platform/listview.h"
#include "platform/urlopener.h"
#include "search/frmSearch.h"
#include "support/fixtures.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QLineEdit>
#include <QMimeData>
#include <QPushButton>
#include <QTest>
#include <QUrl>

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
    EXPECT_EQ(messages.requests.size(), 1);
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

// Contact files imported from the window (the menu's dialog and a drop both
// end here) are one change: saved at once, taken back by one undo; the
// report names each file.
TEST(MainWindowHistory, ImportIsOneSavedChangeAndDropsImportToo)
{
    AppFolder folder("Ann|phone: 1\r\n");
    const QString cards = folder.path() + "/cards.vcf";
    testsupport::writeBytes(cards,
                            "BEGIN:VCARD\r\nVERSION:3.0\r\nFN:Bob\r\nTEL:2\r\nEND:VCARD\r\n"
                            "BEGIN:VCARD\r\nVERSION:3.0\r\nFN:Cy\r\nNOTE:x\r\nEND:VCARD\r\n");
    Shown main(folder);
    ASSERT_TRUE(main.ok);
    frmMain &w = main.window;
    MessageRecorder messages;
    w.importFiles({cards});
    EXPECT_EQ(folder.directoryBytes(), QByteArray("Ann|phone: 1\r\nBob|phone: 2\r\nCy|x\r\n"));
    ASSERT_EQ(messages.prompts().size(), 1);
    EXPECT_TRUE(messages.prompts()[0].startsWith(cards + ": 2 added, 0 already there"));
    w.mnuUndo->trigger();
    EXPECT_EQ(folder.directoryBytes(), QByteArray("Ann|phone: 1\r\n"));

    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(cards)});
    QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(&w, &enter);
    EXPECT_TRUE(enter.isAccepted());
    QDropEvent drop(QPointF(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(&w, &drop);
    EXPECT_EQ(itemTexts(w.lvwQuorvel), QStringList({"Ann", "Bob", "Cy"}));
}

// A number line is copied whole or as its value, and opened as the address
// it holds, from the keyboard; a line without an address offers no Open.
TEST(MainWindowHistory, ActsOnANumberLine)
{
    AppFolder folder("Ann|<b>e-mail: ann@example.org\tphone: (555) 0101\tjust a note\r\n");
    Shown main(folder);
    ASSERT_TRUE(main.ok);
    frmMain &w = main.window;
    QList<QUrl> opened;
    platform::setUrlOpener([&](const QUrl &url) {
        opened.append(url);
        return true;
    });
    const struct
    {
        int item;
        QString line;
        QString number;
        QString url; // empty: nothing to open
    } rows[] = {
        {1, "e-mail: ann@example.org", "ann@example.org", "mailto:ann@example.org"},
        {2, "phone: (555) 0101", "(555) 0101", "tel:(555)0101"},
        {3, "just a note", "just a note", ""},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.item);
        w.lstNumbers->setFocus();
        w.lstNumbers->setSelectedItem(row.item);
        QTest::keyClick(w.lstNumbers, Qt::Key_C, Qt::ControlModifier);
        EXPECT_EQ(QGuiApplication::clipboard()->text(), row.line);
        QTest::keyClick(w.lstNumbers, Qt::Key_C, Qt::ControlModifier | Qt::ShiftModifier);
        EXPECT_EQ(QGuiApplication::clipboard()->text(), row.number);
        opened.clear();
        QTest::keyClick(w.lstNumbers, Qt::Key_Return);
        EXPECT_EQ(opened, row.url.isEmpty() ? QList<QUrl>() : QList<QUrl>{QUrl(row.url)});
    }
    platform::setUrlOpener({});
}

} // namespace
