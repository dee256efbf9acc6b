// Undo and redo, the search window, imports and a number line's actions.

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

namespace {

using namespace testsupport;

// A main window shown and active over a directory file of these bytes.
struct Shown
{
    explicit Shown(const QByteArray &directory) : folder(directory), w(folder.path())
    {
        EXPECT_TRUE(w.Form_Load());
        w.show();
        w.activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(&w));
    }
    AppFolder folder;
    frmMain w;
};

// Undo and redo of a Delete by key and menu, each saved, the entry put back shown;
// in the find box the keys undo and redo its typing instead.
TEST(MainWindowHistory, UndoAndRedoADeleteAreSaved)
{
    Shown main("Ann|1\r\nBob|2\r\n");
    frmMain &w = main.w;
    w.lvwQuorvel->setSelectedItem(2);
    MessageRecorder messages({platform::vbYes});
    w.cmdDelete->click();
    w.lvwQuorvel->setFocus();
    QTest::keyClick(w.lvwQuorvel, Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(main.folder.directoryBytes(), "Ann|1\r\nBob|2\r\n");
    EXPECT_EQ(w.lvwQuorvel->selectedItem(), 2);
    EXPECT_EQ(itemTexts(w.lstNumbers), QStringList{"2"});

    for (const QKeyCombination redo : {Qt::CTRL | Qt::Key_Y, Qt::CTRL | Qt::SHIFT | Qt::Key_Z}) {
        QTest::keySequence(w.lvwQuorvel, Qt::CTRL | Qt::Key_Z);
        QTest::keySequence(w.lvwQuorvel, redo);
        EXPECT_EQ(main.folder.directoryBytes(), "Ann|1\r\n");
        w.mnuUndo->trigger();
    }
    EXPECT_EQ(main.folder.directoryBytes(), "Ann|1\r\nBob|2\r\n");

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

// Ctrl+F opens the search window; Return on a result shows that entry.
TEST(MainWindowHistory, SearchShowsTheChosenEntry)
{
    Shown main("Ann|e-mail: ann@example.org\r\nZo\xc3\xab Tanaka|phone: (555) 0101\r\n");
    frmMain &w = main.w;
    QTest::keyClick(w.txtFind, Qt::Key_F, Qt::ControlModifier);
    auto *search = w.findChild<frmSearch *>();
    ASSERT_TRUE(search && search->isVisible());
    QTest::keyClicks(search->txtSearch, "zoe 5550101");
    QTest::keyClick(search->txtSearch, Qt::Key_Return);
    EXPECT_FALSE(search->isVisible());
    EXPECT_EQ(w.lvwQuorvel->selectedItem(), 2);
    EXPECT_EQ(itemTexts(w.lstNumbers), QStringList{"phone: (555) 0101"});
}

// An import (the menu's and a drop's) is one saved change, one undo; the report
// names each file.
TEST(MainWindowHistory, ImportIsOneSavedChangeAndDropsImportToo)
{
    Shown main("Ann|phone: 1\r\n");
    frmMain &w = main.w;
    const QString cards = main.folder.path() + "/cards.vcf";
    writeBytes(cards, "BEGIN:VCARD\r\nFN:Bob\r\nTEL:2\r\nEND:VCARD\r\n"
                      "BEGIN:VCARD\r\nFN:Cy\r\nNOTE:x\r\nEND:VCARD\r\n");
    MessageRecorder messages;
    w.importFiles({cards});
    EXPECT_EQ(main.folder.directoryBytes(), "Ann|phone: 1\r\nBob|phone: 2\r\nCy|x\r\n");
    EXPECT_EQ(messages.prompts(), QStringList(cards + ": 2 added, 0 already there, 0 skipped"));
    w.mnuUndo->trigger();
    EXPECT_EQ(main.folder.directoryBytes(), "Ann|phone: 1\r\n");

    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(cards)});
    QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(&w, &enter);
    EXPECT_TRUE(enter.isAccepted());
    QDropEvent drop(QPointF(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(&w, &drop);
    EXPECT_EQ(itemTexts(w.lvwQuorvel), QStringList({"Ann", "Bob", "Cy"}));
}

// Ctrl+C copies a number line, Ctrl+Shift+C its value; Return opens its address.
TEST(MainWindowHistory, ActsOnANumberLine)
{
    Shown main("Ann|<b>e-mail: ann@example.org\tjust a note\r\n");
    frmMain &w = main.w;
    QList<QUrl> opened;
    platform::setUrlOpener([&](const QUrl &url) {
        opened.append(url);
        return true;
    });
    w.lstNumbers->setFocus();
    QStringList copied;
    for (const int item : {1, 2}) {
        w.lstNumbers->setSelectedItem(item);
        for (const auto modifiers : {Qt::KeyboardModifiers(Qt::ControlModifier),
                                     Qt::ControlModifier | Qt::ShiftModifier}) {
            QTest::keyClick(w.lstNumbers, Qt::Key_C, modifiers);
            copied.append(QGuiApplication::clipboard()->text());
        }
        QTest::keyClick(w.lstNumbers, Qt::Key_Return);
    }
    EXPECT_EQ(copied, QStringList({"e-mail: ann@example.org", "ann@example.org", "just a note",
                                   "just a note"}));
    EXPECT_EQ(opened, QList<QUrl>{QUrl("mailto:ann@example.org")});
    platform::setUrlOpener({});
}

} // namespace
