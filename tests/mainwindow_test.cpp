#include "coloreditor/frmColorEditor.h"
#include "core/directorymodel.h"
#include "entryeditor/frmAddEdit.h"
#include "mainwindow/frmMain.h"
#include "platform/listview.h"
#include "platform/tabstrip.h"
#include "support/fixtures.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QLineEdit>
#include <QMap>
#include <QMenu>
#include <QPushButton>
#include <QTest>
#include <QTimer>

using testsupport::AppFolder;
using testsupport::folderContents;
using testsupport::itemTexts;
using testsupport::MessageRecorder;

namespace {

// A main window loaded from an application folder, shown and active.
struct Loaded
{
    explicit Loaded(const AppFolder &folder) : window(folder.path())
    {
        ok = window.Form_Load();
        activate();
    }
    // Offscreen no window manager gives the activation back after a dialog
    // closes; tests give it back themselves.
    void activate()
    {
        window.show();
        window.activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(&window));
    }
    QString selected() const { return window.lvwQuorvel->text(window.lvwQuorvel->selectedItem()); }

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

// Types into a box: characters, "\b" for Backspace, "\x7f" for Delete, "\x01"
// for Ctrl+A, "\n" for Enter.
void type(QWidget *box, const QString &keys)
{
    const QMap<QChar, QKeyCombination> special = {{u'\b', Qt::Key_Backspace},
                                                  {u'\x7f', Qt::Key_Delete},
                                                  {u'\x01', Qt::CTRL | Qt::Key_A},
                                                  {u'\n', Qt::Key_Return}};
    for (const QChar c : keys) {
        const QKeyCombination key = special.value(c, Qt::Key_unknown);
        QTest::sendKeyEvent(QTest::Click, box, key.key(),
                            key.key() == Qt::Key_unknown ? QString(c) : QString(),
                            key.keyboardModifiers());
    }
}

} // namespace

// An empty directory (an empty file, or none) starts empty, reads no colour
// file, and Exit writes a private file of zero bytes and nothing else.
TEST(MainWindowStart, EmptyDirectoryStartsEmptyAndExitSaves)
{
    for (const bool withFile : {true, false}) {
        AppFolder folder;
        withFile ? folder.writeDirectory("") : void(QDir().mkpath(folder.dataFolder()));
        MessageRecorder messages;
        Loaded main(folder);
        ASSERT_TRUE(main.ok);
        EXPECT_EQ(main.window.lvwQuorvel->count() + main.window.lstNumbers->count(), 0);
        QTest::mouseClick(main.window.cmdExit, Qt::LeftButton);
        EXPECT_FALSE(main.window.isVisible());
        EXPECT_TRUE(messages.prompts().isEmpty());
        EXPECT_EQ(folderContents(folder.path()),
                  QStringList({platform::GetName(), platform::GetName() + "/quorvel.dat"}));
        EXPECT_EQ(folder.directoryBytes(), "");
        EXPECT_EQ(testsupport::modeOf(folder.directoryFile()), 0600);
    }
}

// An unreadable directory file, a data folder that is a link, a copy already
// running for the user: one message says why, and nothing is written.
TEST(MainWindowStart, RefusedStartsSayWhyAndWriteNothing)
{
    AppFolder unreadable;
    AppFolder linked;
    AppFolder running("Ann|1\r\n");
    QDir().mkpath(unreadable.directoryFile());
    QDir().mkpath(linked.path() + "/elsewhere");
    testsupport::writeBytes(linked.path() + "/elsewhere/quorvel.dat", "Ann|1\r\n");
    ASSERT_TRUE(QFile::link(linked.path() + "/elsewhere", linked.dataFolder()));
    Loaded first(running);
    ASSERT_TRUE(first.ok);
    for (const auto &[folder, why] : {std::pair{&unreadable, "quorvel.dat"},
                                      {&linked, "symbolic link"},
                                      {&running, "already running"}}) {
        SCOPED_TRACE(why);
        const QStringList before = folderContents(folder->path());
        MessageRecorder messages;
        {
            Loaded refused(*folder);
            EXPECT_FALSE(refused.ok);
            refused.window.close();
        }
        ASSERT_EQ(messages.prompts().size(), 1);
        EXPECT_TRUE(messages.prompts()[0].contains(why)) << messages.prompts()[0].toStdString();
        EXPECT_EQ(messages.requests()[0].title, "Quorvel");
        EXPECT_EQ(folderContents(folder->path()), before);
    }
    // The first copy still holds its folder.
    first.window.directory().append(core::DirectoryEntry{"Bob", {}, false});
    first.window.close();
    EXPECT_EQ(running.directoryBytes(), "Ann|1\r\nBob|\r\n");
}

// ---- Entry selection, the find box, letter tabs and the keyboard

TEST(MainWindowSelection, ClickingAnEntryShowsItsLinesAndNamesTheSelection)
{
    AppFolder folder("Ann|a\tb\r\nBob|c\r\n");
    Loaded main(folder);
    frmMain &w = main.window;
    QTest::mouseClick(w.lvwQuorvel->viewport(), Qt::LeftButton, {},
                      w.lvwQuorvel->itemRect(2).center());
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
    const std::tuple<const char *, Qt::MouseButton, bool> cases[] = {
        {"Ann|1\r\n", Qt::RightButton, true},
        {"Ann|1\r\n", Qt::LeftButton, false},
        {"", Qt::RightButton, false}};
    for (const auto &[directory, button, opens] : cases) {
        AppFolder folder(directory);
        Loaded main(folder);
        // Below the last entry, with Shift: the menu opens wherever the button
        // is released, whatever the shift keys.
        const QPoint where(20, main.window.lvwQuorvel->viewport()->height() - 5);
        QTest::mouseClick(main.window.lvwQuorvel->viewport(), button, Qt::ShiftModifier, where);
        EXPECT_EQ(main.window.mnuPopup->isVisible(), opens) << directory << button;
        main.window.mnuPopup->hide();
    }
}

TEST(FindBox, TypingSelectsAndCompletes)
{
    const char *annaBob = "Anna|a\r\nBob|b\r\n";
    // Directory, keys typed over the box's text, then what the box holds, its
    // highlighted (completed) text and the entry list's selected entry.
    const std::tuple<const char *, const char *, QString, QString, QString> cases[] = {
        {annaBob, "b", "Bob", "ob", "Bob"},
        {"anna|a\r\nBOB|b\r\n", "bo", "BOB", "B", "BOB"},
        {"Bobby|1\r\nBob|2\r\n", "bob", "Bobby", "by", "Bobby"}, // first match in list order
        {annaBob, "b\b", "B", "", "Bob"},                        // Backspace removes the completion
        {annaBob, "b\bo", "Bob", "b", "Bob"},                    // the next letter searches again
        {annaBob, "b\x7f", "Bob", "ob", "Bob"},                  // Delete completes again
        {annaBob, "box", "Box", "", "Bob"},             // no match keeps text and selection
        {annaBob, "b\x01\x7f", "Anna", "Anna", "Anna"}, // emptied: the first entry
        {"Zo\xc3\xab|1\r\n\xc3\x89mile|2\r\n", "\xc3\xa9", "\xc3\x89mile", "mile", "\xc3\x89mile"},
        {"", "abc\n", "abc", "", ""}}; // an empty list: only the text changes
    for (const auto &[directory, keys, text, highlighted, selected] : cases) {
        SCOPED_TRACE(keys);
        AppFolder folder(directory);
        Loaded main(folder);
        QLineEdit *box = main.window.txtFind;
        box->setFocus();
        box->selectAll();
        type(box, QString::fromUtf8(keys));
        EXPECT_EQ(box->text(), text);
        EXPECT_EQ(box->selectedText(), highlighted);
        EXPECT_EQ(main.selected(), selected);
    }
}

// Enter in the find box shows the selected entry; moving through the list
// with the keyboard never snaps back to an earlier entry whose name begins
// with the same text, and Enter there shows the entry reached.
TEST(FindBox, EnterAndTheListKeysReachAndShowEveryEntry)
{
    AppFolder folder("Bobby|1\r\nBob|2\r\nCarl|3\r\n");
    Loaded main(folder);
    main.window.txtFind->selectAll();
    type(main.window.txtFind, "c\n");
    EXPECT_EQ(itemTexts(main.window.lstNumbers), QStringList{"3"});
    platform::ListView *list = main.window.lvwQuorvel;
    list->setFocus();
    QStringList visited;
    for (const Qt::Key key : {Qt::Key_Up, Qt::Key_Up, Qt::Key_Down}) {
        QTest::keyClick(list, key);
        visited.append(main.selected());
    }
    EXPECT_EQ(visited, (QStringList{"Bob", "Bobby", "Bob"}));
    QTest::keyClick(list, Qt::Key_Return);
    EXPECT_EQ(itemTexts(main.window.lstNumbers), QStringList{"2"});
    // The find box's completion selects Bobby, whose name begins with Bob;
    // the detail list keeps showing Bob and Bob is one key away again.
    EXPECT_EQ(main.window.txtFind->text(), "Bobby");
    QTest::keyClick(list, Qt::Key_Down);
    EXPECT_EQ(main.selected(), "Bob");
}

TEST(LetterTabs, ClickHighlightsOneTabAndMovesToThatLetter)
{
    AppFolder folder("Anna|1\r\nmike|2\r\nBob|3\r\nMax|4\r\n");
    Loaded main(folder);
    platform::TabStrip *tabs = main.window.TS;
    QString captions;
    for (int i = 1; i <= tabs->count(); ++i) {
        captions += tabs->caption(i);
        EXPECT_TRUE(tabs->rect().contains(tabs->tabRect(i))) << "tab " << i << " is cut off";
    }
    EXPECT_EQ(captions, "ABCDEFGHIJKLMNOPQRSTUVWXYZ");
    for (const char letter : {'B', 'M'}) {
        const int tab = letter - 'A' + 1;
        QTest::mouseClick(tabs, Qt::LeftButton, {}, tabs->tabRect(tab).center());
        QCoreApplication::processEvents(); // the synthesised keystroke arrives after the handler
        for (int i = 1; i <= tabs->count(); ++i)
            EXPECT_EQ(tabs->highlighted(i), i == tab) << "tab " << i;
        EXPECT_TRUE(main.window.lvwQuorvel->hasFocus());
        EXPECT_EQ(main.selected().front().toUpper(), letter);
    }
}

TEST(MainWindow, F1ReleasedAnywhereShowsTheAboutBox)
{
    AppFolder folder("Ann|phone: 1\r\n");
    Loaded main(folder);
    for (QWidget *target :
         std::initializer_list<QWidget *>{main.window.txtFind, main.window.lvwQuorvel}) {
        MessageRecorder messages;
        const auto shift = target == main.window.txtFind ? Qt::NoModifier : Qt::ShiftModifier;
        QTest::keyPress(target, Qt::Key_F1, shift);
        EXPECT_TRUE(messages.prompts().isEmpty()) << "shown on press";
        QTest::keyRelease(target, Qt::Key_F1, shift);
        QTest::keyClick(target, Qt::Key_F2);
        ASSERT_EQ(messages.prompts().size(), 1);
        EXPECT_TRUE(messages.prompts()[0].startsWith("Quorvel 0.2.1 - All versions of Windows"));
    }
}

// ---- Commands

// Add, edit and delete through the real entry editor: each one reaches the
// directory file at once (a crash right after loses nothing), and closing
// writes the same. Without a selected entry Edit and Delete do nothing.
TEST(MainWindowCommands, ChangesReachTheDirectoryFileAtOnce)
{
    AppFolder folder("Default|phone: 555-1234\r\n<b>Bob|<b>fax: 2\tx\r\n");
    Loaded main(folder);
    frmMain &w = main.window;
    w.lvwQuorvel->clearSelection();
    MessageRecorder messages({platform::vbNo, platform::vbYes});
    for (QAction *item : {w.mnuEdit, w.mnuDelete})
        EXPECT_FALSE(withDialog<frmAddEdit>(w, [&] { item->trigger(); }));
    for (QPushButton *button : {w.cmdEdit, w.cmdDelete})
        EXPECT_FALSE(withDialog<frmAddEdit>(w, [&] { button->click(); }));
    EXPECT_TRUE(messages.prompts().isEmpty());

    // Add appends the entry as typed, whatever the mode was; the selection and
    // the detail list stay.
    w.lvwQuorvel->setSelectedItem(1);
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
    EXPECT_EQ(w.lvwQuorvel->selectedItem(), 1);
    EXPECT_EQ(itemTexts(w.lstNumbers), QStringList{"phone: 555-1234"});
    const QByteArray added = "<b> Ann |<b>phone: 1\t\r\n";
    EXPECT_EQ(folder.directoryBytes(),
              "Default|phone: 555-1234\r\n<b>Bob|<b>fax: 2\tx\r\n" + added);

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
    const QByteArray edited = "Robert|<b>fax: 2\tx\tmobile:3\r\n" + added;
    EXPECT_EQ(folder.directoryBytes(), "Default|phone: 555-1234\r\n" + edited);
    main.activate();
    EXPECT_EQ(QApplication::focusWidget(), w.lvwQuorvel);

    // Delete asks; No changes nothing, Yes removes the entry and leaves none
    // selected, its lines shown until another entry is shown.
    w.mnuDelete->trigger();
    EXPECT_EQ(messages.prompts(), QStringList{"Are you sure you want to remove Robert?"});
    EXPECT_EQ(folder.directoryBytes(), "Default|phone: 555-1234\r\n" + edited);
    w.lvwQuorvel->setSelectedItem(1);
    w.lvwQuorvel_ItemClick(1);
    w.cmdDelete->click();
    EXPECT_EQ(messages.prompts().size(), 2);
    EXPECT_EQ(itemTexts(w.lvwQuorvel), (QStringList{"Robert", " Ann "}));
    EXPECT_EQ(w.lvwQuorvel->selectedItem(), 0);
    EXPECT_EQ(itemTexts(w.lstNumbers), QStringList{"phone: 555-1234"});
    EXPECT_EQ(folder.directoryBytes(), edited);
    w.close();
    EXPECT_EQ(folder.directoryBytes(), edited);
}

// Another program's version of the file is kept beside it when the window
// has a change to save, and the user is told; when the window is closed by a
// signal, at the next start.
TEST(MainWindowCommands, OutsideChangeIsKeptAndTold)
{
    AppFolder folder("Ann|1\r\nBob|2\r\n");
    MessageRecorder messages({platform::vbYes});
    {
        Loaded main(folder);
        testsupport::replaceFile(folder.directoryFile(), "Zed|9\r\n");
        main.window.cmdDelete->click();
        ASSERT_EQ(messages.prompts().size(), 2);
        const QStringList sides = QDir(folder.dataFolder()).entryList({"quorvel.dat.outside-*"});
        ASSERT_EQ(sides.size(), 1);
        EXPECT_EQ(testsupport::fileBytes(folder.dataFolder() + "/" + sides[0]), "Zed|9\r\n");
        EXPECT_TRUE(messages.prompts()[1].contains(sides[0]));
        EXPECT_EQ(folder.directoryBytes(), "Bob|2\r\n");

        // Nothing changed here since: the outside version stays as it is.
        testsupport::replaceFile(folder.directoryFile(), "Yul|8\r\n");
        main.window.closeForSignal();
        EXPECT_FALSE(main.window.isVisible());
        EXPECT_EQ(messages.prompts().size(), 2);
    }
    EXPECT_EQ(folder.directoryBytes(), "Yul|8\r\n");
    Loaded next(folder);
    EXPECT_TRUE(next.ok);
    ASSERT_EQ(messages.prompts().size(), 3);
    EXPECT_TRUE(messages.prompts()[2].contains("was left as it is"));
    EXPECT_EQ(itemTexts(next.window.lvwQuorvel), QStringList{"Yul"});
}

// The colour editor writes the file that the lines of an entry take their
// colours from, as it is when the entry is shown (a bold line's marker is
// dropped first); no line is selected over its colour. Colours are 0xBBGGRR.
TEST(ColorsCommand, LinesShowTheColourFileAsItIsWhenShown)
{
    AppFolder folder("<b>Ann|<b>fax: 123\tphone: 1\r\n");
    folder.writeKeywords("fax:\t0,0,255\r\n\t0,128,0\r\n");
    Loaded main(folder);
    frmMain &w = main.window;
    EXPECT_TRUE(w.lvwQuorvel->bold(1));
    EXPECT_EQ(itemTexts(w.lstNumbers), (QStringList{"fax: 123", "phone: 1"}));
    EXPECT_TRUE(w.lstNumbers->bold(1) && !w.lstNumbers->bold(2));
    EXPECT_EQ(w.lstNumbers->selectedItem(), 0);
    EXPECT_TRUE(withDialog<frmColorEditor>(
        w, [&] { w.cmdColors->click(); },
        [](frmColorEditor &editor) {
            editor.lstColors->setText(1, "phone:");
            editor.cmdSaveColors->click();
        }));
    const std::pair<core::ColorValue, core::ColorValue> before(0xFF0000, 0x008000);
    EXPECT_EQ(std::pair(w.lstNumbers->foreColor(1), w.lstNumbers->foreColor(2)), before);
    w.lvwQuorvel_ItemClick(1);
    EXPECT_EQ(std::pair(w.lstNumbers->foreColor(1), w.lstNumbers->foreColor(2)),
              std::pair(before.second, before.first));
}
