#include "coloreditor/frmColorEditor.h"
#include "core/backups.h"
#include "entryeditor/frmAddEdit.h"
#include "mainwindow/frmMain.h"
#include "platform/listview.h"
#include "platform/picturebox.h"
#include "platform/staticedge.h"
#include "platform/tabstrip.h"
#include "support/fixtures.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QWindow>

#include <cstdio>
#include <unistd.h>

using core::RGBValue;
using testsupport::AppFolder;
using testsupport::folderContents;
using testsupport::itemTexts;
using testsupport::MessageRecorder;

namespace {

// A main window loaded from an application folder; shown and active on request.
struct Loaded
{
    explicit Loaded(const AppFolder &folder, bool show = false) : window(folder.path())
    {
        ok = window.Form_Load();
        if (show) {
            window.show();
            activate();
        }
    }
    // Offscreen no window manager gives the activation back after a dialog
    // closes; tests give it back themselves.
    void activate()
    {
        window.activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(&window));
    }
    QString selectedName() const
    {
        return window.lvwQuorvel->text(window.lvwQuorvel->selectedItem());
    }

    frmMain window;
    bool ok = false;
};

// Runs a command that may open a modal dialog and drives the dialog with
// `steps` while it runs. Returns whether a Dialog owned by the window opened;
// one still open after the steps is closed.
template <typename Dialog>
bool withDialog(frmMain &window, const std::function<void()> &command,
                const std::function<void(Dialog &)> &steps = {})
{
    bool opened = false;
    QTimer::singleShot(0, &window, [&] {
        QWidget *modal = QApplication::activeModalWidget();
        auto *dialog = qobject_cast<Dialog *>(modal);
        opened = dialog && dialog->parentWidget() == &window;
        if (opened && steps)
            steps(*dialog);
        if (modal && modal->isVisible())
            modal->close();
    });
    command();
    QCoreApplication::processEvents();
    return opened;
}

// A start that must be refused: one message naming why, and nothing written.
void expectRefusedStart(const AppFolder &folder, const char *why)
{
    const QStringList before = folderContents(folder.path());
    MessageRecorder messages;
    {
        Loaded main(folder);
        EXPECT_FALSE(main.ok);
        main.window.close();
    }
    ASSERT_EQ(messages.requests().size(), 1);
    EXPECT_TRUE(messages.prompts()[0].contains(why)) << messages.prompts()[0].toStdString();
    EXPECT_EQ(messages.requests()[0].title, "Quorvel");
    EXPECT_EQ(folderContents(folder.path()), before);
}

// Types into a box: plain characters, and "\b" for Backspace, "\x7f" for
// Delete, "\x01" for Ctrl+A, "\n" for Enter.
void type(QLineEdit *box, const QString &keys)
{
    for (const QChar c : keys) {
        if (c == u'\b')
            QTest::keyClick(box, Qt::Key_Backspace);
        else if (c == u'\x7f')
            QTest::keyClick(box, Qt::Key_Delete);
        else if (c == u'\x01')
            QTest::keyClick(box, Qt::Key_A, Qt::ControlModifier);
        else if (c == u'\n')
            QTest::keyClick(box, Qt::Key_Return);
        else if (c.unicode() < 0x80)
            QTest::keyClicks(box, QString(c));
        else
            QTest::sendKeyEvent(QTest::Click, box, Qt::Key_unknown, QString(c), Qt::NoModifier);
    }
}

} // namespace

// ---- Start-up and shutdown

TEST(MainWindowStart, FirstStartShowsTheDefaultEntryUnderItsCaptionAndTabs)
{
    AppFolder folder;
    MessageRecorder messages;
    Loaded main(folder);
    ASSERT_TRUE(main.ok);
    frmMain &w = main.window;
    EXPECT_TRUE(messages.requests().isEmpty());
    EXPECT_EQ(itemTexts(w.lvwQuorvel), QStringList{"Default"});
    EXPECT_EQ(itemTexts(w.lstNumbers), QStringList{"phone: 555-1234"});
    EXPECT_EQ(w.txtFind->text(), "Default");

    EXPECT_EQ(w.windowTitle(), "Quorvel 0.2.1");
    QString captions;
    for (int i = 1; i <= w.TS->count(); ++i) {
        captions += w.TS->caption(i);
        EXPECT_TRUE(w.TS->rect().contains(w.TS->tabRect(i))) << "tab " << i << " is cut off";
    }
    EXPECT_EQ(captions, "ABCDEFGHIJKLMNOPQRSTUVWXYZ");
    for (QWidget *framed :
         std::initializer_list<QWidget *>{w.cmdAdd, w.cmdEdit, w.cmdDelete, w.cmdColors, w.cmdExit,
                                          w.txtFind, w.lvwQuorvel, w.lstNumbers})
        EXPECT_TRUE(officeBorders::HasStaticEdge(framed)) << framed->metaObject()->className();
    EXPECT_EQ(w.lvwQuorvel->model()->columnCount(), 1) << "the stored lines are never shown";
}

// An empty directory file, or a data folder without one: an empty list, no
// message, no colour file read; closing writes a private file of zero bytes.
TEST(MainWindowStart, EmptyDirectoryStartsEmptyAndSavesZeroBytes)
{
    for (const bool withFile : {true, false}) {
        SCOPED_TRACE(withFile ? "empty file" : "no file");
        AppFolder folder;
        withFile ? folder.writeDirectory("") : void(QDir().mkpath(folder.dataFolder()));
        MessageRecorder messages;
        Loaded main(folder);
        ASSERT_TRUE(main.ok);
        EXPECT_EQ(main.window.lvwQuorvel->count() + main.window.lstNumbers->count(), 0);
        EXPECT_EQ(main.window.txtFind->text(), "");
        EXPECT_FALSE(QFile::exists(folder.keywordFile()));
        main.window.close();
        EXPECT_TRUE(messages.requests().isEmpty());
        EXPECT_EQ(folder.directoryBytes(), QByteArray());
        EXPECT_EQ(QFile::permissions(folder.directoryFile()) & 0x0077, QFile::Permissions());
    }
}

TEST(MainWindowStart, SeveralEntriesShowTheFirstWithColoursAndBold)
{
    AppFolder folder("<b>Ann|<b>phone: 1\tfax: 2\t<b>\r\nBob|phone: 3\r\n<B>Cy|\r\n");
    folder.writeKeywords("phone:\t0,0,255\r\nfax:\t255,0,0\r\n\t0,128,0\r\n");
    Loaded main(folder);
    ASSERT_TRUE(main.ok);
    const frmMain &w = main.window;
    EXPECT_EQ(itemTexts(w.lvwQuorvel), (QStringList{"Ann", "Bob", "Cy"}));
    EXPECT_TRUE(w.lvwQuorvel->bold(1) && !w.lvwQuorvel->bold(2) && w.lvwQuorvel->bold(3));
    // The marker is dropped before the keyword is looked up.
    EXPECT_EQ(itemTexts(w.lstNumbers), (QStringList{"phone: 1", "fax: 2", ""}));
    const std::tuple<int, bool, core::ColorValue> rows[] = {{1, true, RGBValue(0, 0, 255)},
                                                            {2, false, RGBValue(255, 0, 0)},
                                                            {3, true, RGBValue(0, 128, 0)}};
    for (const auto &[row, bold, color] : rows) {
        EXPECT_EQ(w.lstNumbers->bold(row), bold) << row;
        EXPECT_EQ(w.lstNumbers->foreColor(row), color) << row;
    }
    EXPECT_EQ(w.lstNumbers->selectedItem(), 0)
        << "no detail row hides its colour under a selection";
}

TEST(MainWindowStart, RefusedStartsWriteNothing)
{
    AppFolder unreadable;
    QDir().mkpath(unreadable.directoryFile());
    expectRefusedStart(unreadable, "quorvel.dat");
    AppFolder linked;
    QDir().mkpath(linked.path() + "/elsewhere");
    testsupport::writeBytes(linked.path() + "/elsewhere/quorvel.dat", "Ann|1\r\n");
    ASSERT_TRUE(QFile::link(linked.path() + "/elsewhere", linked.dataFolder()));
    expectRefusedStart(linked, "symbolic link");
    // Only root can give a folder away; elsewhere this case cannot be made.
    AppFolder foreign("Ann|1\r\n");
    if (::chown(QFile::encodeName(foreign.dataFolder()).constData(), 65534, 65534) != 0)
        GTEST_SKIP() << "cannot give a folder to another user here";
    expectRefusedStart(foreign, "another user");
    EXPECT_EQ(foreign.directoryBytes(), QByteArray("Ann|1\r\n"));
}

TEST(MainWindowStart, SecondCopyForTheSameUserIsRefused)
{
    AppFolder folder("Ann|1\r\n");
    Loaded first(folder);
    ASSERT_TRUE(first.ok);
    expectRefusedStart(folder, "already running");
    // The running copy takes over: the second ends without a message.
    for (const bool takenOver : {false, true}) {
        MessageRecorder messages;
        frmMain second(folder.path());
        second.askRunningCopy = [&] { return takenOver; };
        EXPECT_FALSE(second.Form_Load());
        EXPECT_EQ(messages.requests().size(), takenOver ? 0 : 1);
    }
    first.window.directory().append(core::DirectoryEntry{"Bob", {}, false});
    first.window.close();
    EXPECT_EQ(folder.directoryBytes(), QByteArray("Ann|1\r\nBob|\r\n"));
}

TEST(MainWindowShutdown, ExitAndCloseBoxWriteTheSameBytes)
{
    for (const bool byExitButton : {true, false}) {
        SCOPED_TRACE(byExitButton ? "Exit" : "close box");
        AppFolder folder("<B>Ann|<b>phone: 1\tfax: 2\r\nBob\r\n\r\nCy|x|y\nZo\xc3\xab|\r\n");
        Loaded main(folder);
        ASSERT_TRUE(main.ok);
        main.window.show();
        byExitButton ? QTest::mouseClick(main.window.cmdExit, Qt::LeftButton)
                     : void(main.window.close());
        EXPECT_FALSE(main.window.isVisible());
        EXPECT_EQ(folder.directoryBytes(),
                  QByteArray("<b>Ann|<b>phone: 1\tfax: 2\r\nBob|\r\nCy|x\r\nZo\xc3\xab|\r\n"));
        // The day's first save keeps the file as it was read.
        const QString backup = "backups/" + core::backupFileName(QDate::currentDate());
        EXPECT_EQ(folderContents(folder.dataFolder()),
                  QStringList({"backups", backup, "quorvel.dat"}))
            << "the lock and temporary files are gone";
        EXPECT_EQ(testsupport::fileBytes(folder.dataFolder() + "/" + backup),
                  QByteArray("<B>Ann|<b>phone: 1\tfax: 2\r\nBob\r\n\r\nCy|x|y\nZo\xc3\xab|\r\n"));
    }
}

// A folder standing where the directory file should be makes every save fail,
// even for root; removing it makes the next save succeed.
TEST(MainWindowShutdown, FailedSaveAsksRetryDiscardOrCancel)
{
    for (const int answer : {platform::vbCancel, platform::vbDiscard, platform::vbRetry}) {
        SCOPED_TRACE(answer);
        AppFolder folder("Ann|1\r\n");
        Loaded main(folder);
        ASSERT_TRUE(main.ok);
        main.window.show();
        ASSERT_TRUE(QFile::remove(folder.directoryFile()) && QDir().mkdir(folder.directoryFile()));
        const auto clearTheWay = [&] { QDir().rmdir(folder.directoryFile()); };
        {
            // Before answering Retry the user clears the way.
            MessageRecorder messages({answer}, [&] {
                if (answer == platform::vbRetry)
                    clearTheWay();
            });
            main.window.close();
            ASSERT_EQ(messages.prompts().size(), 1);
            EXPECT_TRUE(
                messages.prompts()[0].contains(QDir::toNativeSeparators(folder.directoryFile())));
        }
        EXPECT_EQ(main.window.isVisible(), answer == platform::vbCancel);
        EXPECT_EQ(QFileInfo(folder.directoryFile()).isDir(), answer != platform::vbRetry);
        if (answer == platform::vbCancel) {
            // Still running, still holding the directory: a later close saves it.
            clearTheWay();
            main.window.close();
        }
        if (answer != platform::vbDiscard) {
            EXPECT_EQ(folder.directoryBytes(), QByteArray("Ann|1\r\n"));
        }
    }
}

// ---- Entry selection and the context menu

TEST(MainWindowSelection, ClickingAnEntryShowsItsLinesAndNamesTheSelection)
{
    AppFolder folder("Ann|a\tb\r\nBob|c\r\n");
    Loaded main(folder, true);
    frmMain &w = main.window;
    QTest::mouseClick(w.lvwQuorvel->viewport(), Qt::LeftButton, {},
                      w.lvwQuorvel->itemRect(2).center());
    EXPECT_EQ(w.lvwQuorvel->selectedItem(), 2);
    EXPECT_EQ(itemTexts(w.lstNumbers), QStringList{"c"});
    EXPECT_EQ(w.txtFind->text(), "Bob");

    // The detail list shows the item passed in, rebuilt each time; with no
    // selected entry the find box keeps its text.
    w.lvwQuorvel->clearSelection();
    w.lvwQuorvel_ItemClick(1);
    w.lvwQuorvel_ItemClick(1);
    EXPECT_EQ(itemTexts(w.lstNumbers), (QStringList{"a", "b"}));
    EXPECT_EQ(w.txtFind->text(), "Bob");
}

TEST(MainWindowSelection, ContextMenuOnlyOnRightButtonOverANonEmptyList)
{
    const std::tuple<const char *, Qt::MouseButton, Qt::KeyboardModifiers, bool> cases[] = {
        {"Ann|1\r\n", Qt::RightButton, {}, true},
        {"Ann|1\r\n", Qt::RightButton, Qt::ShiftModifier, true},
        {"Ann|1\r\n", Qt::LeftButton, {}, false},
        {"", Qt::RightButton, {}, false}};
    for (const auto &[directory, button, modifiers, opens] : cases) {
        SCOPED_TRACE(testing::Message() << directory << button << modifiers);
        AppFolder folder(directory);
        Loaded main(folder, true);
        // Below the last entry: the menu opens wherever the button is released.
        const QPoint where(20, main.window.lvwQuorvel->viewport()->height() - 5);
        QTest::mouseClick(main.window.lvwQuorvel->viewport(), button, modifiers, where);
        EXPECT_EQ(main.window.mnuPopup->isVisible(), opens);
        main.window.mnuPopup->hide();
    }
}

// ---- Find box, letter tabs and the keyboard

TEST(FindBox, TypingSelectsAndCompletes)
{
    const char *annaBob = "Anna|a\r\nBob|b\r\n";
    // Directory, keys typed over the box's text, then what the box holds, its
    // highlighted (completed) text and the entry list's selected entry.
    const std::tuple<const char *, const char *, QString, QString, QString> cases[] = {
        {annaBob, "b", "Bob", "ob", "Bob"},
        {annaBob, "B", "Bob", "ob", "Bob"},
        {"anna|a\r\nBOB|b\r\n", "bo", "BOB", "B", "BOB"},
        {"Bobby|1\r\nBob|2\r\n", "bob", "Bobby", "by", "Bobby"}, // first match in list order
        {annaBob, "b\b", "B", "", "Bob"},                        // Backspace removes the completion
        {annaBob, "b\bo", "Bob", "b", "Bob"},                    // the next letter searches again
        {annaBob, "bo\b\b", "B", "", "Bob"},
        {annaBob, "b\x7f", "Bob", "ob", "Bob"},         // Delete completes again
        {annaBob, "box", "Box", "", "Bob"},             // no match keeps text and selection
        {annaBob, "b\x01\x7f", "Anna", "Anna", "Anna"}, // emptied: the first entry
        {"Zo\xc3\xab|1\r\n\xc3\x89mile|2\r\n", "\xc3\xa9", "\xc3\x89mile", "mile", "\xc3\x89mile"},
        {"", "abc\n", "abc", "", ""}}; // an empty list: only the text changes
    for (const auto &[directory, keys, text, highlighted, selected] : cases) {
        SCOPED_TRACE(keys);
        AppFolder folder(directory);
        Loaded main(folder, true);
        ASSERT_TRUE(main.ok);
        QLineEdit *box = main.window.txtFind;
        box->setFocus();
        box->selectAll();
        type(box, QString::fromUtf8(keys));
        EXPECT_EQ(box->text(), text);
        EXPECT_EQ(box->selectedText(), highlighted);
        EXPECT_EQ(main.selectedName(), selected);
    }
}

TEST(FindBox, EnterShowsTheSelectedEntry)
{
    AppFolder folder("Anna|a1\ta2\r\nBob|phone: 2\r\nBobby|3\r\n");
    Loaded main(folder, true);
    ASSERT_EQ(itemTexts(main.window.lstNumbers), (QStringList{"a1", "a2"}));
    main.window.txtFind->selectAll();
    type(main.window.txtFind, "bo\n");
    EXPECT_EQ(itemTexts(main.window.lstNumbers), QStringList{"phone: 2"});
    EXPECT_EQ(main.window.txtFind->text(), "Bob");
    EXPECT_EQ(main.selectedName(), "Bob");
}

TEST(LetterTabs, ClickHighlightsOneTabAndMovesToThatLetter)
{
    AppFolder folder("Anna|1\r\nmike|2\r\nBob|3\r\nMax|4\r\n");
    Loaded main(folder, true);
    platform::TabStrip *tabs = main.window.TS;
    for (const int tab : {'B' - 'A' + 1, 'M' - 'A' + 1}) {
        QTest::mouseClick(tabs, Qt::LeftButton, {}, tabs->tabRect(tab).center());
        QCoreApplication::processEvents(); // the synthesised keystroke arrives after the handler
        EXPECT_EQ(tabs->selectedTab(), tab);
        for (int i = 1; i <= tabs->count(); ++i)
            EXPECT_EQ(tabs->highlighted(i), i == tab) << "tab " << i;
    }
    EXPECT_TRUE(main.window.lvwQuorvel->hasFocus());
    EXPECT_TRUE(main.selectedName().startsWith('M', Qt::CaseInsensitive))
        << main.selectedName().toStdString();
}

// Moving through the list with the keyboard never snaps back to an earlier
// entry whose name begins with the same text, and Enter shows the entry reached.
TEST(EntryListKeyboard, EveryEntryIsReachableAndCanBeShown)
{
    AppFolder folder("Bobby|1\r\nBob|2\r\nCarl|3\r\n");
    Loaded main(folder, true);
    platform::ListView *list = main.window.lvwQuorvel;
    list->setFocus();
    QStringList visited = {main.selectedName()};
    for (int i = 0; i < 2; ++i) {
        QTest::keyClick(list, Qt::Key_Down);
        visited.append(main.selectedName());
    }
    EXPECT_EQ(visited, (QStringList{"Bobby", "Bob", "Carl"}));

    QTest::keyClick(list, Qt::Key_Up);
    QTest::keyClick(list, Qt::Key_Return);
    EXPECT_EQ(itemTexts(main.window.lstNumbers), QStringList{"2"});
    // The find box's completion selects Bobby, whose name begins with Bob;
    // the detail list keeps showing Bob and Bob is one key away again.
    EXPECT_EQ(main.window.txtFind->text(), "Bobby");
    QTest::keyClick(list, Qt::Key_Down);
    EXPECT_EQ(main.selectedName(), "Bob");
}

// ---- Commands

TEST(MainWindowCommands, EditAndDeleteNeedASelectedEntry)
{
    AppFolder folder("Ann|phone: 1\r\n");
    Loaded main(folder, true);
    frmMain &w = main.window;
    w.lvwQuorvel->clearSelection();
    MessageRecorder messages;
    for (QAction *item : {w.mnuEdit, w.mnuDelete})
        EXPECT_FALSE(withDialog<frmAddEdit>(w, [&] { item->trigger(); }));
    for (QPushButton *button : {w.cmdEdit, w.cmdDelete})
        EXPECT_FALSE(withDialog<frmAddEdit>(w, [&] { button->click(); }));
    EXPECT_EQ(w.eMode, 0);
    EXPECT_TRUE(messages.requests().isEmpty());
    EXPECT_EQ(itemTexts(w.lvwQuorvel), QStringList{"Ann"});

    w.lvwQuorvel->setSelectedItem(1);
    EXPECT_TRUE(withDialog<frmAddEdit>(w, [&] { w.cmdEdit->click(); }));
    EXPECT_EQ(w.eMode, 1);
}

TEST(MainWindowCommands, DeleteAsksAndRemovesOnYesOnly)
{
    for (const auto &[name, fromMenu, answer] :
         {std::tuple{"Who?", false, platform::vbYes}, {"Bob", true, platform::vbNo}}) {
        SCOPED_TRACE(name);
        AppFolder folder(QByteArray("Ann|1\r\n") + name + "|phone: 2\r\nCy|3\r\n");
        Loaded main(folder, true);
        frmMain &w = main.window;
        w.lvwQuorvel->setSelectedItem(2);
        w.lvwQuorvel_ItemClick(2);
        MessageRecorder messages({answer});
        fromMenu ? w.mnuDelete->trigger() : w.cmdDelete->click();
        ASSERT_EQ(messages.requests().size(), 1);
        EXPECT_EQ(messages.prompts()[0], QString("Are you sure you want to remove %1?").arg(name));
        EXPECT_EQ(messages.requests()[0].style, platform::vbYesNo | platform::vbQuestion);
        const bool yes = answer == platform::vbYes;
        EXPECT_EQ(itemTexts(w.lvwQuorvel),
                  yes ? QStringList({"Ann", "Cy"}) : QStringList({"Ann", name, "Cy"}));
        EXPECT_EQ(w.lvwQuorvel->selectedItem(), yes ? 0 : 2);
        // The removed entry's lines stay shown until another entry is shown.
        EXPECT_EQ(itemTexts(w.lstNumbers), QStringList{"phone: 2"});
    }
}

TEST(MainWindowCommands, F1ReleasedAnywhereShowsTheAboutBox)
{
    AppFolder folder("Ann|phone: 1\r\n");
    Loaded main(folder, true);
    const std::pair<QWidget *, Qt::KeyboardModifiers> cases[] = {
        {main.window.txtFind, Qt::NoModifier}, {main.window.lvwQuorvel, Qt::ShiftModifier}};
    for (const auto &[target, shift] : cases) {
        MessageRecorder messages;
        // Keys typed come through the window to the control with the focus.
        target->setFocus();
        QWindow *typed = main.window.windowHandle();
        QTest::keyPress(typed, Qt::Key_F1, shift);
        EXPECT_TRUE(messages.requests().isEmpty()) << "shown on press";
        QTest::keyRelease(typed, Qt::Key_F1, shift);
        QTest::keyClick(typed, Qt::Key_F2, shift);
        ASSERT_EQ(messages.requests().size(), 1);
        EXPECT_TRUE(messages.prompts()[0].startsWith("Quorvel 0.2.1 - All versions of Windows"));
        EXPECT_EQ(messages.requests()[0].title, "About Quorvel 0.2.1");
        EXPECT_EQ(messages.requests()[0].style, platform::vbOKOnly | platform::vbInformation);
    }
}

// Add, edit and delete through the real entry editor: each one reaches the
// directory file at once (a crash right after loses nothing), and closing
// writes the same.
TEST(MainWindowCommands, ChangesReachTheDirectoryFileAtOnce)
{
    AppFolder folder("Default|phone: 555-1234\r\n<b>Bob|<b>fax: 2\tx\r\n");
    Loaded main(folder, true);
    frmMain &w = main.window;

    // Add appends the entry as typed, whatever the mode was; the selection and
    // the detail list stay.
    w.eMode = 1;
    EXPECT_TRUE(withDialog<frmAddEdit>(
        w, [&] { w.cmdAdd->click(); },
        [](frmAddEdit &editor) {
            QTest::keyClicks(editor.txtName, " Ann ");
            editor.chkBold->setChecked(true);
            QTest::keyClicks(editor.txtNumber, "<b>phone: 1");
            QTest::keyClick(editor.txtNumber, Qt::Key_Return);
            editor.txtNumber->clear();
            QTest::keyClick(editor.txtNumber, Qt::Key_Return);
            editor.cmdDone->click();
        }));
    EXPECT_EQ(w.eMode, 0);
    EXPECT_EQ(w.lvwQuorvel->selectedItem(), 1);
    EXPECT_EQ(itemTexts(w.lstNumbers), QStringList{"phone: 555-1234"});
    EXPECT_EQ(folder.directoryBytes(), QByteArray("Default|phone: 555-1234\r\n<b>Bob|<b>fax: "
                                                  "2\tx\r\n<b> Ann |<b>phone: 1\t\r\n"));

    // Edit: name, bold and lines change, and the detail list shows them.
    w.lvwQuorvel->setSelectedItem(2);
    EXPECT_TRUE(withDialog<frmAddEdit>(
        w, [&] { w.mnuEdit->trigger(); },
        [](frmAddEdit &editor) {
            editor.txtName->selectAll();
            QTest::keyClicks(editor.txtName, "Robert|");
            QTest::mouseClick(editor.chkBold, Qt::LeftButton);
            QTest::keyClicks(editor.txtNumber, "mobile:3");
            QTest::keyClick(editor.txtNumber, Qt::Key_Return);
            editor.cmdDone->click();
        }));
    EXPECT_FALSE(w.lvwQuorvel->bold(2));
    EXPECT_EQ(itemTexts(w.lstNumbers), (QStringList{"fax: 2", "x", "mobile:3"}));
    EXPECT_EQ(folder.directoryBytes(), QByteArray("Default|phone: 555-1234\r\nRobert|<b>fax: "
                                                  "2\tx\tmobile:3\r\n<b> Ann |<b>phone: 1\t\r\n"));
    EXPECT_TRUE(w.lstNumbers->bold(1));
    main.activate();
    EXPECT_EQ(QApplication::focusWidget(), w.lvwQuorvel);

    w.lvwQuorvel->setSelectedItem(1);
    MessageRecorder messages({platform::vbYes});
    w.cmdDelete->click();
    const QByteArray result("Robert|<b>fax: 2\tx\tmobile:3\r\n<b> Ann |<b>phone: 1\t\r\n");
    EXPECT_EQ(folder.directoryBytes(), result);
    w.close();
    EXPECT_EQ(folder.directoryBytes(), result);
    EXPECT_EQ(messages.requests().size(), 1);
}

// A save after a change that fails asks Retry or Cancel; Cancel keeps the
// change in the window, and the next save writes it.
TEST(MainWindowCommands, FailedSaveAfterAChangeKeepsTheChange)
{
    AppFolder folder("Ann|1\r\nBob|2\r\nCy|3\r\n");
    Loaded main(folder, true);
    frmMain &w = main.window;
    ASSERT_TRUE(QFile::remove(folder.directoryFile()) && QDir().mkdir(folder.directoryFile()));
    w.lvwQuorvel->setSelectedItem(1);
    MessageRecorder messages({platform::vbYes, platform::vbCancel, platform::vbYes});
    w.cmdDelete->click();
    ASSERT_EQ(messages.requests().size(), 2);
    EXPECT_TRUE(messages.prompts()[1].startsWith("Can't save the directory to " +
                                                 QDir::toNativeSeparators(folder.directoryFile())));
    EXPECT_EQ(messages.requests()[1].style, platform::vbRetryCancel | platform::vbExclamation);
    EXPECT_EQ(itemTexts(w.lvwQuorvel), QStringList({"Bob", "Cy"}));

    ASSERT_TRUE(QDir().rmdir(folder.directoryFile()));
    w.lvwQuorvel->setSelectedItem(2);
    w.cmdDelete->click();
    EXPECT_EQ(folder.directoryBytes(), QByteArray("Bob|2\r\n"));
    EXPECT_EQ(messages.requests().size(), 3);
}

// Another program's version of the file is kept beside it when the window
// has a change to save, and the user is told; when the window is closed by a
// signal, at the next start.
TEST(MainWindowCommands, OutsideChangeIsKeptAndTold)
{
    AppFolder folder("Ann|1\r\nBob|2\r\n");
    const auto replaceOutside = [&](const QByteArray &bytes) {
        testsupport::writeBytes(folder.directoryFile() + ".tmp", bytes);
        ASSERT_EQ(::rename(QFile::encodeName(folder.directoryFile() + ".tmp").constData(),
                           QFile::encodeName(folder.directoryFile()).constData()),
                  0);
    };
    MessageRecorder messages({platform::vbYes});
    {
        Loaded main(folder, true);
        replaceOutside("Zed|9\r\n");
        main.window.lvwQuorvel->setSelectedItem(1);
        main.window.cmdDelete->click();
        ASSERT_EQ(messages.requests().size(), 2);
        const QStringList sides = QDir(folder.dataFolder()).entryList({"quorvel.dat.outside-*"});
        ASSERT_EQ(sides.size(), 1);
        EXPECT_EQ(testsupport::fileBytes(folder.dataFolder() + "/" + sides[0]), "Zed|9\r\n");
        EXPECT_TRUE(messages.prompts()[1].contains(QDir::toNativeSeparators(sides[0])));
        EXPECT_EQ(folder.directoryBytes(), QByteArray("Bob|2\r\n"));

        // Nothing changed here since: the outside version stays as it is.
        replaceOutside("Yul|8\r\n");
        main.window.closeForSignal();
        EXPECT_FALSE(main.window.isVisible());
        EXPECT_EQ(messages.requests().size(), 2);
    }
    EXPECT_EQ(folder.directoryBytes(), QByteArray("Yul|8\r\n"));
    Loaded next(folder);
    EXPECT_TRUE(next.ok);
    ASSERT_EQ(messages.requests().size(), 3);
    EXPECT_TRUE(messages.prompts()[2].contains("was left as it is"));
    EXPECT_EQ(itemTexts(next.window.lvwQuorvel), QStringList{"Yul"});
}

// The colour editor writes the file; the main window is not told and reads
// the file when it shows an entry next.
TEST(ColorsCommand, SavedColourShowsWhenAnEntryIsShownNext)
{
    AppFolder folder("Ann|fax: 123\tphone: 1\r\n");
    MessageRecorder messages;
    testsupport::ColorDialogRecorder colors({RGBValue(0, 0, 255)});
    Loaded main(folder, true);
    frmMain &w = main.window;
    ASSERT_EQ(w.lstNumbers->foreColor(1), 0u);
    EXPECT_TRUE(withDialog<frmColorEditor>(
        w, [&] { w.cmdColors->click(); },
        [](auto &editor) {
            QTest::mouseClick(editor.cmdAdd, Qt::LeftButton);
            QTest::keyClicks(editor.txtCaption, "fax:");
            QTest::mouseClick(editor.picColor, Qt::LeftButton);
            QTest::mouseClick(editor.cmdSave, Qt::LeftButton);
            QTest::mouseClick(editor.cmdSaveColors, Qt::LeftButton);
        }));
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
    EXPECT_EQ(w.lstNumbers->foreColor(1), 0u);
    w.lvwQuorvel_ItemClick(1);
    EXPECT_EQ(w.lstNumbers->foreColor(1), RGBValue(0, 0, 255));
    EXPECT_EQ(w.lstNumbers->foreColor(2), 0u);
    EXPECT_TRUE(messages.requests().isEmpty());
}
