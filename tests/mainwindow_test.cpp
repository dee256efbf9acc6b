#include "core/colortext.h"
#include "mainwindow/frmMain.h"
#include "platform/listview.h"
#include "platform/staticedge.h"
#include "platform/tabstrip.h"
#include "support/fixtures.h"

#include <QAction>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QLockFile>
#include <QMenu>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>

#include <unistd.h>

using core::RGBValue;
using testsupport::AppFolder;
using testsupport::MessageRecorder;

namespace {

// A main window loaded from a temporary application folder.
struct Loaded
{
    explicit Loaded(const AppFolder &folder) : window(folder.path()) { ok = window.Form_Load(); }
    frmMain window;
    bool ok = false;
};

QStringList entryNames(const platform::ListView *list)
{
    QStringList names;
    for (int i = 1; i <= list->count(); ++i)
        names.append(list->text(i));
    return names;
}

QStringList folderContents(const QString &path)
{
    QStringList names;
    QDir dir(path);
    for (const QString &name : dir.entryList(
             QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name)) {
        names.append(name);
        if (QFileInfo(dir.filePath(name)).isDir())
            for (const QString &inner : folderContents(dir.filePath(name)))
                names.append(name + '/' + inner);
    }
    return names;
}

} // namespace

TEST(MainWindowStart, FirstStartCreatesDefaultDirectoryAndKeywordFile)
{
    AppFolder folder;
    MessageRecorder messages;
    Loaded main(folder);
    ASSERT_TRUE(main.ok);
    EXPECT_TRUE(messages.requests().isEmpty());

    EXPECT_EQ(entryNames(main.window.lvwQuorvel), QStringList{"Default"});
    EXPECT_FALSE(main.window.lvwQuorvel->bold(1));
    ASSERT_EQ(main.window.lstNumbers->count(), 1);
    EXPECT_EQ(main.window.lstNumbers->text(1), "phone: 555-1234");
    EXPECT_EQ(main.window.lstNumbers->foreColor(1), 0u);
    EXPECT_EQ(main.window.txtFind->text(), "Default");

    EXPECT_EQ(folder.directoryBytes(), QByteArray("Default|phone: 555-1234\r\n"));
    EXPECT_EQ(testsupport::fileBytes(folder.keywordFile()), testsupport::defaultKeywordFileBytes());
    EXPECT_EQ(QFileInfo(folder.dataFolder()).permissions() & 0x7777,
              QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner | QFile::ReadUser |
                  QFile::WriteUser | QFile::ExeUser);
}

TEST(MainWindowStart, CaptionTabsAndFrames)
{
    AppFolder folder;
    Loaded main(folder);
    ASSERT_TRUE(main.ok);
    frmMain &w = main.window;
    EXPECT_EQ(w.windowTitle(), "Quorvel 0.2.1");

    ASSERT_EQ(w.TS->count(), 26);
    QString captions;
    for (int i = 1; i <= w.TS->count(); ++i)
        captions += w.TS->caption(i);
    EXPECT_EQ(captions, "ABCDEFGHIJKLMNOPQRSTUVWXYZ");
    for (int i = 1; i <= 26; ++i)
        EXPECT_TRUE(w.TS->rect().contains(w.TS->tabRect(i))) << "tab " << i << " is cut off";

    for (QWidget *framed :
         std::initializer_list<QWidget *>{w.cmdAdd, w.cmdEdit, w.cmdDelete, w.cmdColors, w.cmdExit,
                                          w.txtFind, w.lvwQuorvel, w.lstNumbers})
        EXPECT_TRUE(officeBorders::HasStaticEdge(framed)) << framed->metaObject()->className();
    EXPECT_FALSE(officeBorders::HasStaticEdge(w.TS));
    EXPECT_FALSE(officeBorders::HasStaticEdge(w.lblFind));

    EXPECT_EQ(w.cmdColors->toolTip(), "Edit the colors for individual types of entries");
    const QStringList texts = {w.lblFind->text(),   w.cmdAdd->text(),    w.cmdEdit->text(),
                               w.cmdDelete->text(), w.cmdColors->text(), w.cmdExit->text()};
    EXPECT_EQ(texts, (QStringList{"Find:", "Add", "Edit", "Delete", "Colors", "Exit"}));
    EXPECT_TRUE(w.lvwQuorvel->isColumnHidden(1)) << "the Numbers column is never displayed";
}

TEST(MainWindowStart, EmptyDirectoryShowsNothingAndTouchesNoKeywordFile)
{
    AppFolder folder;
    folder.writeDirectory("");
    Loaded main(folder);
    ASSERT_TRUE(main.ok);
    EXPECT_EQ(main.window.lvwQuorvel->count(), 0);
    EXPECT_EQ(main.window.lstNumbers->count(), 0);
    EXPECT_EQ(main.window.txtFind->text(), "");
    EXPECT_FALSE(QFile::exists(folder.keywordFile()));
}

TEST(MainWindowStart, DataFolderWithoutDirectoryFileStartsEmpty)
{
    AppFolder folder;
    QDir().mkpath(folder.dataFolder());
    MessageRecorder messages;
    Loaded main(folder);
    ASSERT_TRUE(main.ok);
    EXPECT_TRUE(messages.requests().isEmpty());
    EXPECT_EQ(main.window.lvwQuorvel->count(), 0);
    main.window.close();
    EXPECT_TRUE(QFile::exists(folder.directoryFile()));
    EXPECT_EQ(folder.directoryBytes(), QByteArray());
}

TEST(MainWindowStart, SeveralEntriesShowTheFirstWithColoursAndBold)
{
    AppFolder folder;
    folder.writeKeywords("phone:\t0,0,255\r\nfax:\t255,0,0\r\n\t0,128,0\r\n");
    folder.writeDirectory("<b>Ann|<b>phone: 1\tfax: 2\t<B>home\t<b><b>x\t<b>\r\n"
                          "Bob|phone: 3\r\n<B>Cy|\r\n");
    Loaded main(folder);
    ASSERT_TRUE(main.ok);
    frmMain &w = main.window;

    EXPECT_EQ(entryNames(w.lvwQuorvel), (QStringList{"Ann", "Bob", "Cy"}));
    EXPECT_TRUE(w.lvwQuorvel->bold(1));
    EXPECT_FALSE(w.lvwQuorvel->bold(2));
    EXPECT_TRUE(w.lvwQuorvel->bold(3));
    EXPECT_EQ(w.txtFind->text(), "Ann");

    struct Row
    {
        QString text;
        bool bold;
        core::ColorValue color;
    };
    const std::vector<Row> expected = {
        {"phone: 1", true, RGBValue(0, 0, 255)}, // marker dropped, keyword matched without it
        {"fax: 2", false, RGBValue(255, 0, 0)},
        {"<B>home", false, RGBValue(0, 128, 0)}, // upper-case marker is plain text
        {"<b>x", true, RGBValue(0, 128, 0)},     // only one marker is removed
        {"", true, RGBValue(0, 128, 0)},
    };
    ASSERT_EQ(w.lstNumbers->count(), static_cast<int>(expected.size()));
    for (int i = 0; i < static_cast<int>(expected.size()); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(w.lstNumbers->text(i + 1), expected[i].text);
        EXPECT_EQ(w.lstNumbers->bold(i + 1), expected[i].bold);
        EXPECT_EQ(w.lstNumbers->foreColor(i + 1), expected[i].color);
    }
    EXPECT_EQ(w.lstNumbers->selectedItem(), 0)
        << "no detail row hides its colour under a selection";
}

TEST(MainWindowSelection, ClickingAnEntryShowsItsLinesOnceAndNamesTheSelection)
{
    AppFolder folder;
    folder.writeDirectory("Ann|a\tb\r\nBob|c\r\nEve|\r\n");
    Loaded main(folder);
    ASSERT_TRUE(main.ok);
    frmMain &w = main.window;
    w.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));

    QTest::mouseClick(w.lvwQuorvel->viewport(), Qt::LeftButton, {},
                      w.lvwQuorvel->itemRect(2).center());
    EXPECT_EQ(w.lvwQuorvel->selectedItem(), 2);
    EXPECT_EQ(w.lstNumbers->count(), 1);
    EXPECT_EQ(w.lstNumbers->text(1), "c");
    EXPECT_EQ(w.txtFind->text(), "Bob");

    w.lvwQuorvel_ItemClick(1);
    w.lvwQuorvel_ItemClick(1);
    EXPECT_EQ(w.lstNumbers->count(), 2) << "a second call rebuilds, it does not append";

    // The detail list shows the item passed in; the find box names the selection.
    w.lvwQuorvel->setSelectedItem(3);
    w.lvwQuorvel_ItemClick(3);
    EXPECT_EQ(w.lstNumbers->count(), 0);
    EXPECT_EQ(w.txtFind->text(), "Eve");

    // With no selected entry the find box keeps its text.
    w.lvwQuorvel->clearSelection();
    w.lvwQuorvel_ItemClick(1);
    EXPECT_EQ(w.txtFind->text(), "Eve");
    EXPECT_EQ(w.lstNumbers->count(), 2);
}

TEST(MainWindowSelection, ContextMenuOnlyOnRightButtonOverANonEmptyList)
{
    struct Case
    {
        const char *name;
        QByteArray directory;
        Qt::MouseButton button;
        Qt::KeyboardModifiers modifiers;
        bool opens;
    };
    const Case cases[] = {
        {"right button", "Ann|1\r\n", Qt::RightButton, {}, true},
        {"right with shift", "Ann|1\r\n", Qt::RightButton, Qt::ShiftModifier, true},
        {"left button", "Ann|1\r\n", Qt::LeftButton, {}, false},
        {"empty list", "", Qt::RightButton, {}, false},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        AppFolder folder;
        folder.writeDirectory(c.directory);
        Loaded main(folder);
        ASSERT_TRUE(main.ok);
        main.window.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&main.window));
        // Below the last entry: the menu opens wherever the button is released.
        const QPoint where(20, main.window.lvwQuorvel->viewport()->height() - 5);
        QTest::mouseClick(main.window.lvwQuorvel->viewport(), c.button, c.modifiers, where);
        EXPECT_EQ(main.window.mnuPopup->isVisible(), c.opens);
        const QStringList items = {main.window.mnuEdit->text(), main.window.mnuDelete->text()};
        EXPECT_EQ(items, (QStringList{"Edit", "Delete"}));
        main.window.mnuPopup->hide();
    }
}

TEST(MainWindowShutdown, ExitAndCloseBoxWriteTheSameBytes)
{
    const QByteArray input = "<B>Ann|<b>phone: 1\tfax: 2\r\nBob\r\n\r\nCy|x|y\nZo\xc3\xab|\r\n";
    const QByteArray expected = "<b>Ann|<b>phone: 1\tfax: 2\r\nBob|\r\nCy|x\r\nZo\xc3\xab|\r\n";
    QList<QByteArray> written;
    for (const bool byExitButton : {true, false}) {
        AppFolder folder;
        folder.writeDirectory(input);
        Loaded main(folder);
        ASSERT_TRUE(main.ok);
        main.window.show();
        if (byExitButton)
            QTest::mouseClick(main.window.cmdExit, Qt::LeftButton);
        else
            main.window.close();
        EXPECT_FALSE(main.window.isVisible());
        written.append(folder.directoryBytes());
        EXPECT_EQ(folderContents(folder.dataFolder()), QStringList{"quorvel.dat"})
            << "the lock and temporary files are gone";
    }
    EXPECT_EQ(written.at(0), expected);
    EXPECT_EQ(written.at(1), expected);
}

TEST(MainWindowShutdown, EmptyListLeavesZeroBytesAndPrivateFile)
{
    AppFolder folder;
    folder.writeDirectory("");
    {
        Loaded main(folder);
        ASSERT_TRUE(main.ok);
        main.window.close();
    }
    EXPECT_TRUE(QFile::exists(folder.directoryFile()));
    EXPECT_EQ(folder.directoryBytes(), QByteArray());
    EXPECT_EQ(QFile::permissions(folder.directoryFile()) & 0x0077, QFile::Permissions())
        << "nobody but the owner may read the directory";
}

// A folder standing where the directory file should be makes every save fail,
// even for root; removing it makes the next save succeed.
TEST(MainWindowShutdown, FailedSaveAsksRetryDiscardOrCancel)
{
    struct Case
    {
        const char *name;
        QList<int> answers;
        bool closes;
        QByteArray fileAfter; // empty: the folder is still in the way
    };
    const Case cases[] = {
        {"cancel keeps the window open", {platform::vbCancel}, false, {}},
        {"discard closes without saving", {platform::vbDiscard}, true, {}},
        {"retry saves once the way is clear", {platform::vbRetry}, true, "Ann|1\r\n"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        AppFolder folder;
        folder.writeDirectory("Ann|1\r\n");
        auto main = std::make_unique<Loaded>(folder);
        ASSERT_TRUE(main->ok);
        main->window.show();
        QFile::remove(folder.directoryFile());
        QDir().mkdir(folder.directoryFile());

        QStringList prompts;
        {
            MessageRecorder messages(c.answers);
            if (c.answers.first() == platform::vbRetry) {
                // Clear the way while the first message is up, as a user would.
                platform::setMessageHandler([&](const platform::MessageRequest &r) {
                    prompts.append(r.prompt);
                    QDir().rmdir(folder.directoryFile());
                    return int(platform::vbRetry);
                });
            }
            main->window.close();
            prompts += messages.prompts();
        }
        ASSERT_EQ(prompts.size(), 1);
        EXPECT_TRUE(prompts.first().contains(QDir::toNativeSeparators(folder.directoryFile())))
            << prompts.first().toStdString();
        EXPECT_EQ(main->window.isVisible(), !c.closes);
        if (c.fileAfter.isEmpty())
            EXPECT_TRUE(QFileInfo(folder.directoryFile()).isDir());
        else
            EXPECT_EQ(folder.directoryBytes(), c.fileAfter);

        if (!c.closes) {
            // Still running, still holding the directory: a later close saves it.
            QDir().rmdir(folder.directoryFile());
            main->window.close();
            EXPECT_EQ(folder.directoryBytes(), QByteArray("Ann|1\r\n"));
        }
    }
}

TEST(MainWindowStart, RefusedStartsWriteNothing)
{
    struct Case
    {
        const char *name;
        std::function<void(const AppFolder &)> arrange;
        QString expectedInMessage;
    };
    const Case cases[] = {
        {"unreadable directory file", [](const AppFolder &f) { QDir().mkpath(f.directoryFile()); },
         QDir::toNativeSeparators(AppFolder().directoryFile()).section('/', -2)},
        {"data folder is a symbolic link",
         [](const AppFolder &f) {
             QDir().mkpath(f.path() + "/elsewhere");
             testsupport::writeBytes(f.path() + "/elsewhere/quorvel.dat", "Ann|1\r\n");
             QFile::link(f.path() + "/elsewhere", f.dataFolder());
         },
         "symbolic link"},
        {"data folder is a file",
         [](const AppFolder &f) { testsupport::writeBytes(f.dataFolder(), "x"); }, "not a folder"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        AppFolder folder;
        c.arrange(folder);
        const QStringList before = folderContents(folder.path());
        MessageRecorder messages;
        {
            Loaded main(folder);
            EXPECT_FALSE(main.ok);
            main.window.close();
        }
        ASSERT_EQ(messages.requests().size(), 1);
        EXPECT_TRUE(messages.prompts().first().contains(c.expectedInMessage))
            << messages.prompts().first().toStdString();
        EXPECT_EQ(messages.requests().first().title, "Quorvel");
        EXPECT_EQ(folderContents(folder.path()), before);
    }
}

TEST(MainWindowStart, SecondCopyForTheSameUserIsRefused)
{
    AppFolder folder;
    folder.writeDirectory("Ann|1\r\n");
    Loaded first(folder);
    ASSERT_TRUE(first.ok);
    MessageRecorder messages;
    {
        Loaded second(folder);
        EXPECT_FALSE(second.ok);
        second.window.close();
    }
    ASSERT_EQ(messages.requests().size(), 1);
    EXPECT_TRUE(messages.prompts().first().contains("already running"));
    first.window.lvwQuorvel->addItem("Bob");
    first.window.close();
    EXPECT_EQ(folder.directoryBytes(), QByteArray("Ann|1\r\nBob|\r\n"));
}

TEST(MainWindowStart, DataFolderOfAnotherUserIsRefused)
{
    AppFolder folder;
    folder.writeDirectory("Ann|1\r\n");
    // Only root can give a folder away; elsewhere this case cannot be made.
    if (::chown(QFile::encodeName(folder.dataFolder()).constData(), 65534, 65534) != 0)
        GTEST_SKIP() << "cannot give the folder to another user here";
    MessageRecorder messages;
    {
        Loaded main(folder);
        EXPECT_FALSE(main.ok);
        main.window.close();
    }
    ASSERT_EQ(messages.requests().size(), 1);
    EXPECT_TRUE(messages.prompts().first().contains("another user"));
    EXPECT_EQ(folderContents(folder.dataFolder()), QStringList{"quorvel.dat"});
    EXPECT_EQ(folder.directoryBytes(), QByteArray("Ann|1\r\n"));
}
