#include "coloreditor/frmColorEditor.h"
#include "core/colors/keywordmodel.h"
#include "core/directory/directorymodel.h"
#include "core/files/backups.h"
#include "entryeditor/frmAddEdit.h"
#include "mainwindow/frmMain.h"
#include "platform/controls/listview.h"
#include "platform/controls/tabstrip.h"
#include "platform/system/urlopener.h"
#include "quorvel_version.h"
#include "search/frmSearch.h"
#include "support/fixtures.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QLineEdit>
#include <QMap>
#include <QMenu>
#include <QMimeData>
#include <QPushButton>
#include <QSysInfo>
#include <QTest>
#include <QTimer>
#include <QUrl>
#include <QWindow>

#include <map>

namespace {

using namespace testsupport;

// A main window loaded from an application folder, shown and active.
struct Loaded
{
    explicit Loaded(const AppFolder &folder) : w(folder.path()), folder(folder)
    {
        ok = w.Form_Load();
        activate();
    }
    // Offscreen no window manager gives the activation back after a dialog closes.
    void activate()
    {
        w.show();
        w.activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(&w));
    }
    // "entries | find box | lines": "*" marks the selection, "[...]" the find box's.
    QString shown() const
    {
        QStringList names = itemTexts(w.lvwQuorvel);
        if (const int item = w.lvwQuorvel->selectedItem())
            names[item - 1] += '*';
        QString find = w.txtFind->text();
        if (w.txtFind->hasSelectedText())
            find.insert(w.txtFind->selectionEnd(), ']').insert(w.txtFind->selectionStart(), '[');
        QStringList lines = itemTexts(w.lstNumbers);
        if (const int line = w.lstNumbers->selectedItem())
            lines[line - 1] += '*';
        return names.join(' ') + " | " + find + " | " + lines.join(',');
    }

    // The directory file once every change has been saved.
    QByteArray saved()
    {
        w.waitForSaved();
        return folder.directoryBytes();
    }

    frmMain w;
    const AppFolder &folder;
    bool ok = false;
};

// Runs a command and drives the modal Dialog it opens; true if one opened.
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

// Types keys: "\b" Backspace, "\x7f" Delete, "\001" Ctrl+A, "\n" Enter, "^" "v" arrows.
void type(QWidget *widget, const QString &keys)
{
    const QMap<QChar, QKeyCombination> special = {
        {u'\b', Qt::Key_Backspace}, {u'\x7f', Qt::Key_Delete}, {u'\001', Qt::CTRL | Qt::Key_A},
        {u'\n', Qt::Key_Return},    {u'^', Qt::Key_Up},        {u'v', Qt::Key_Down}};
    for (const QChar c : keys) {
        const QKeyCombination key = special.value(c, Qt::Key_unknown);
        QTest::sendKeyEvent(QTest::Click, widget, key.key(),
                            key.key() == Qt::Key_unknown ? QString(c) : QString(),
                            key.keyboardModifiers());
    }
}

} // namespace

// An empty directory (file or none) starts empty; Exit writes a private empty
// file, and the day's first save keeps the old one as a backup.
TEST(MainWindowStart, EmptyDirectoryStartsEmptyAndExitSaves)
{
    for (const bool withFile : {true, false}) {
        AppFolder folder;
        withFile ? folder.writeDirectory("") : void(QDir().mkpath(folder.dataFolder()));
        MessageRecorder messages;
        Loaded main(folder);
        EXPECT_TRUE(main.ok);
        EXPECT_EQ(main.shown(), " |  | ");
        QTest::mouseClick(main.w.cmdExit, Qt::LeftButton);
        EXPECT_FALSE(main.w.isVisible());
        EXPECT_TRUE(messages.prompts().isEmpty());
        const QString user = platform::GetName(), backups = user + "/backups";
        const QString backup = backups + "/" + core::backupFileName(QDate::currentDate());
        EXPECT_EQ(folderContents(folder.path()),
                  withFile ? QStringList({user, backups, backup, user + "/quorvel.dat",
                                          user + "/quorvel.ids"})
                           : QStringList({user, user + "/quorvel.dat", user + "/quorvel.ids"}));
        EXPECT_EQ(folder.directoryBytes(), "");
        EXPECT_EQ(modeOf(folder.directoryFile()), 0600);
    }
}

// Unreadable file, linked data folder, a copy running: one message, nothing written.
TEST(MainWindowStart, RefusedStartsSayWhyAndWriteNothing)
{
    AppFolder unreadable, linked, running("Ann|1\r\n");
    QDir().mkpath(unreadable.directoryFile());
    QDir().mkpath(linked.path() + "/elsewhere");
    writeBytes(linked.path() + "/elsewhere/quorvel.dat", "Ann|1\r\n");
    ASSERT_TRUE(QFile::link(linked.path() + "/elsewhere", linked.dataFolder()));
    Loaded first(running);
    for (const auto &[folder, why] : {std::pair{&unreadable, "quorvel.dat"},
                                      {&linked, "symbolic link"},
                                      {&running, "already running"}}) {
        const QStringList before = folderContents(folder->path());
        MessageRecorder messages;
        {
            Loaded refused(*folder);
            EXPECT_FALSE(refused.ok) << why;
            refused.w.close();
        }
        ASSERT_EQ(messages.prompts().size(), 1);
        EXPECT_TRUE(messages.prompts()[0].contains(why)) << messages.prompts()[0].toStdString();
        EXPECT_EQ(messages.requests[0].title, "Quorvel");
        EXPECT_EQ(folderContents(folder->path()), before);
    }
    // Taken over by the running copy, the second ends silently.
    for (const bool takenOver : {false, true}) {
        MessageRecorder messages;
        frmMain second(running.path());
        second.askRunningCopy = [&] { return takenOver; };
        EXPECT_FALSE(second.Form_Load());
        EXPECT_EQ(messages.prompts().size(), takenOver ? 0 : 1);
    }
    first.w.directory().append(core::DirectoryEntry{"Bob", {}, false});
    first.w.close();
    EXPECT_EQ(running.directoryBytes(), "Ann|1\r\nBob|\r\n");
}

// The detail list holds the selected entry's lines whatever moved the selection, and
// none without one. Only a click (or Enter) and the find box's completion write the
// find box; it starts, and is reached by Tab, with all its text selected.
TEST(MainWindowSelection, DetailListShowsTheSelectedEntry)
{
    // Steps, then "entries | find box | lines".
    const std::pair<const char *, const char *> cases[] = {
        {"", "Ann* Bobby Bob Cy | [Ann] | phone: 1"},
        {"typed=bo", "Ann Bobby* Bob Cy | Bo[bby] | y"},
        {"click=3", "Ann Bobby* Bob Cy | Bob[by] | y"}, // the completion's own choice
        {"down down", "Ann Bobby Bob* Cy | [Ann] | b1,b2"},
        {"end", "Ann Bobby Bob Cy* | [Ann] | "},
        {"end home", "Ann* Bobby Bob Cy | [Ann] | phone: 1"},
        {"type=c", "Ann Bobby Bob Cy* | [Ann] | "},
        {"tab=B", "Ann Bobby* Bob Cy | Ann | y"},
        {"none itemclick", "Ann Bobby Bob Cy | [Ann] | "},
        {"click=3 tabin typed=c", "Ann Bobby Bob Cy* | C[y] | "},
        {"delete", "Bobby Bob Cy | [Ann] | "},
        {"down down delete undo", "Ann Bobby Bob* Cy | [Ann] | b1,b2"},
        {"down down delete undo redo", "Ann Bobby Cy | [Ann] | "},
        {"import", "Ann Bobby Bob Cy Bo* | [Ann] | phone: 2"},
    };
    for (const auto &[steps, shown] : cases) {
        AppFolder folder("Ann|phone: 1\r\nBobby|y\r\nBob|b1\tb2\r\nCy|\r\n");
        writeBytes(folder.path() + "/bo.vcf", "BEGIN:VCARD\r\nFN:Bo\r\nTEL:2\r\nEND:VCARD\r\n");
        MessageRecorder messages({platform::vbYes});
        Loaded main(folder);
        frmMain &w = main.w;
        platform::ListView *list = w.lvwQuorvel;
        for (const QString &step : QString(steps).split(' ', Qt::SkipEmptyParts)) {
            const QString op = step.section('=', 0, 0), arg = step.section('=', 1);
            const std::map<QString, Qt::Key> keys = {
                {"down", Qt::Key_Down}, {"end", Qt::Key_End}, {"home", Qt::Key_Home}};
            if (keys.count(op))
                QTest::keyClick(list, keys.at(op));
            const std::map<QString, std::function<void()>> actions = {
                {"typed", [&] { QTest::keyClicks(w.txtFind, arg); }},
                {"type", [&] { QTest::keyClicks(list, arg); }},
                {"click",
                 [&] {
                     QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                                       list->itemRect(arg.toInt()).center());
                 }},
                {"tab", [&] { w.TS->clickTab(arg[0].unicode() - 'A' + 1); }},
                {"none", [&] { list->clearSelection(); }},
                {"itemclick", [&] { w.lvwQuorvel_ItemClick(1); }},
                {"tabin",
                 [&] {
                     w.cmdExit->setFocus();
                     QTest::keyClick(w.cmdExit, Qt::Key_Tab);
                 }},
                {"delete", [&] { w.cmdDelete->click(); }},
                {"undo", [&] { w.mnuUndo->trigger(); }},
                {"redo", [&] { w.mnuRedo->trigger(); }},
                {"import", [&] { w.importFiles({folder.path() + "/bo.vcf"}); }}};
            if (actions.count(op))
                actions.at(op)();
        }
        EXPECT_EQ(main.shown(), shown) << steps;
    }
}

TEST(MainWindowSelection, ContextMenuOnlyOnRightButtonOverANonEmptyList)
{
    const std::tuple<const char *, Qt::MouseButton, Qt::KeyboardModifier, bool> cases[] = {
        {"Ann|1\r\n", Qt::RightButton, Qt::NoModifier, true},
        {"Ann|1\r\n", Qt::RightButton, Qt::ShiftModifier, true},
        {"Ann|1\r\n", Qt::LeftButton, Qt::NoModifier, false},
        {"", Qt::RightButton, Qt::NoModifier, false}};
    for (const auto &[directory, button, modifier, opens] : cases) {
        AppFolder folder(directory);
        Loaded main(folder);
        const QPoint where(20, main.w.lvwQuorvel->viewport()->height() - 5);
        QTest::mouseClick(main.w.lvwQuorvel->viewport(), button, modifier, where);
        EXPECT_EQ(main.w.mnuPopup->isVisible(), opens) << directory << button << modifier;
        main.w.mnuPopup->hide();
    }
}

// The find box selects and completes the first entry beginning with the text, any
// case, and the detail list shows it. The list's own keys never snap back to an
// earlier prefix.
TEST(FindBox, TypingSelectsAndCompletes)
{
    const char *annaBob = "Anna|a\r\nBob|b\r\n";
    // Directory, keys typed in the find box and, after "|", in the list.
    const std::tuple<const char *, const char *, const char *> cases[] = {
        {annaBob, "b", "Anna Bob* | B[ob] | b"},
        {"anna|a\r\nBOB|b\r\n", "bo", "anna BOB* | BO[B] | b"},
        {"Bobby|1\r\nBob|2\r\n", "bob", "Bobby* Bob | Bob[by] | 1"}, // first in list order
        {annaBob, "b\b", "Anna Bob* | B | b"},            // Backspace removes the completion
        {annaBob, "b\bo", "Anna Bob* | Bo[b] | b"},       // the next letter searches again
        {annaBob, "b\x7f", "Anna Bob* | B[ob] | b"},      // Delete completes again
        {annaBob, "box", "Anna Bob* | Box | b"},          // no match keeps text and selection
        {annaBob, "b\001\x7f", "Anna* Bob | [Anna] | a"}, // emptied: the first entry
        {annaBob, "b\n", "Anna Bob* | Bob | b"},
        {"Zo\xc3\xab|1\r\n\xc3\x89mile|2\r\n", "\xc3\xa9",
         "Zo\xc3\xab \xc3\x89mile* | \xc3\x89[mile] | 2"},
        {"", "abc\n", " | abc | "}, // an empty list: only the text changes
        {"Bobby|1\r\nBob|2\r\nCarl|3\r\n", "c\n|^^v", "Bobby Bob* Carl | Carl | 2"},
        // Enter in the list names Bob; the completion then selects Bobby.
        {"Bobby|1\r\nBob|2\r\nCarl|3\r\n", "c\n|^\n", "Bobby* Bob Carl | Bob[by] | 1"},
        {"Bobby|1\r\nBob|2\r\nCarl|3\r\n", "c\n|^\nv", "Bobby Bob* Carl | Bob[by] | 2"}};
    for (const auto &[directory, keys, shown] : cases) {
        AppFolder folder(directory);
        Loaded main(folder);
        main.w.txtFind->setFocus();
        main.w.txtFind->selectAll();
        const QString typed = QString::fromUtf8(keys);
        type(main.w.txtFind, typed.section('|', 0, 0));
        if (typed.contains('|')) {
            main.w.lvwQuorvel->setFocus();
            type(main.w.lvwQuorvel, typed.section('|', 1));
        }
        EXPECT_EQ(main.shown(), QString::fromUtf8(shown)) << keys;
    }
}

TEST(LetterTabs, ClickHighlightsOneTabAndMovesToThatLetter)
{
    AppFolder folder("Anna|1\r\nmike|2\r\nBob|3\r\nMax|4\r\n");
    Loaded main(folder);
    platform::TabStrip *tabs = main.w.TS;
    for (int i = 1; i <= tabs->count(); ++i) // the captions are the accessibility test's
        EXPECT_TRUE(tabs->rect().contains(tabs->tabRect(i))) << "tab " << i << " is cut off";
    for (const char letter : {'B', 'M'}) {
        const int tab = letter - 'A' + 1;
        QTest::mouseClick(tabs, Qt::LeftButton, {}, tabs->tabRect(tab).center());
        for (int i = 1; i <= tabs->count(); ++i)
            EXPECT_EQ(tabs->highlighted(i), i == tab) << "tab " << i;
        EXPECT_TRUE(main.w.lvwQuorvel->hasFocus());
        EXPECT_EQ(main.w.lvwQuorvel->text(main.w.lvwQuorvel->selectedItem()).front().toUpper(),
                  letter);
    }
}

TEST(MainWindow, F1ReleasedAnywhereShowsTheAboutBox)
{
    AppFolder folder("Ann|phone: 1\r\n");
    Loaded main(folder);
    for (QWidget *target : std::initializer_list<QWidget *>{main.w.txtFind, main.w.lvwQuorvel}) {
        MessageRecorder messages;
        const auto shift = target == main.w.txtFind ? Qt::NoModifier : Qt::ShiftModifier;
        target->setFocus(); // keys come through the window to the control with the focus
        QWindow *typed = main.w.windowHandle();
        QTest::keyPress(typed, Qt::Key_F1, shift);
        EXPECT_TRUE(messages.prompts().isEmpty()) << "shown on press";
        QTest::keyRelease(typed, Qt::Key_F1, shift);
        QTest::keyClick(typed, Qt::Key_F2, shift);
        ASSERT_EQ(messages.prompts().size(), 1);
        const QStringList lines = messages.prompts()[0].split('\n');
        EXPECT_EQ(lines.size(), 7);
        EXPECT_EQ(lines[0], "Quorvel 0.2.1 - " + QSysInfo::prettyProductName());
        EXPECT_TRUE(lines[6].contains(quorvel::kInstalledUserGuide)) << lines[6].toStdString();
        EXPECT_FALSE(messages.prompts()[0].contains('\r'));
    }
}

// Add, edit and delete each reach the file at once; with none selected Edit and Delete do nothing.
TEST(MainWindowCommands, ChangesReachTheDirectoryFileAtOnce)
{
    AppFolder folder("Default|phone: 555-1234\r\n<b>Bob|<b>fax: 2\tx\r\n");
    Loaded main(folder);
    frmMain &w = main.w;
    w.lvwQuorvel->clearSelection();
    MessageRecorder messages({platform::vbNo, platform::vbYes});
    for (QAction *item : {w.mnuEdit, w.mnuDelete})
        EXPECT_FALSE(withDialog<frmAddEdit>(w, [&] { item->trigger(); }));
    for (QPushButton *button : {w.cmdEdit, w.cmdDelete})
        EXPECT_FALSE(withDialog<frmAddEdit>(w, [&] { button->click(); }));
    EXPECT_TRUE(messages.prompts().isEmpty());

    // Add appends the entry as typed, whatever the mode; the selection stays.
    w.lvwQuorvel->setSelectedItem(1);
    w.eMode = 1;
    EXPECT_TRUE(withDialog<frmAddEdit>(
        w, [&] { w.cmdAdd->click(); },
        [](frmAddEdit &editor) {
            QTest::keyClicks(editor.txtName, " Ann ");
            editor.chkBold->setChecked(true);
            type(editor.txtNumber, "<b>phone: 1\n\x7f\n");
            editor.cmdDone->click();
        }));
    EXPECT_EQ(main.shown(), "Default* Bob  Ann  | [Default] | phone: 555-1234");
    const QByteArray added = "<b> Ann |<b>phone: 1\t\r\n";
    EXPECT_EQ(main.saved(), "Default|phone: 555-1234\r\n<b>Bob|<b>fax: 2\tx\r\n" + added);

    // Edit: name, bold and lines change, and the lines shown follow.
    w.lvwQuorvel->setSelectedItem(2);
    EXPECT_TRUE(withDialog<frmAddEdit>(
        w, [&] { w.mnuEdit->trigger(); },
        [](frmAddEdit &editor) {
            editor.txtName->selectAll();
            QTest::keyClicks(editor.txtName, "Robert|");
            QTest::mouseClick(editor.chkBold, Qt::LeftButton);
            type(editor.txtNumber, "mobile:3\n");
            editor.cmdDone->click();
        }));
    EXPECT_EQ(main.shown(), "Default Robert*  Ann  | Robert | fax: 2,x,mobile:3");
    EXPECT_FALSE(w.lvwQuorvel->bold(2));
    const QByteArray edited = "Robert|<b>fax: 2\tx\tmobile:3\r\n" + added;
    EXPECT_EQ(main.saved(), "Default|phone: 555-1234\r\n" + edited);
    main.activate();
    EXPECT_EQ(QApplication::focusWidget(), w.lvwQuorvel);

    // Delete asks; Yes removes the entry, leaving none selected and no lines shown.
    w.mnuDelete->trigger();
    EXPECT_EQ(messages.prompts(), QStringList{"Are you sure you want to remove Robert?"});
    w.lvwQuorvel->setSelectedItem(1);
    w.lvwQuorvel_ItemClick(1);
    w.cmdDelete->click();
    EXPECT_EQ(messages.prompts().size(), 2);
    EXPECT_EQ(main.shown(), "Robert  Ann  | Default | ");
    EXPECT_EQ(main.saved(), edited);
    w.close();
    EXPECT_EQ(folder.directoryBytes(), edited);
}

// Another program's version is kept beside the file when the window has a change
// to save, else what the window holds, and the user told; closed by a signal, at the next
// start, which also tells of a save cut short.
TEST(MainWindowCommands, OutsideChangeIsKeptAndTold)
{
    AppFolder folder("Ann|1\r\nBob|2\r\n");
    MessageRecorder messages({platform::vbYes});
    {
        Loaded main(folder);
        replaceFile(folder.directoryFile(), "Zed|9\r\n");
        main.w.cmdDelete->click();
        main.w.waitForSaved();
        const QStringList sides = QDir(folder.dataFolder()).entryList({"quorvel.dat.outside-*"});
        ASSERT_EQ(messages.prompts().size(), 2);
        ASSERT_EQ(sides.size(), 1);
        EXPECT_TRUE(messages.prompts()[1].contains(sides[0]));
        EXPECT_EQ(main.saved(), "Bob|2\r\n");
        // Nothing changed here since: the outside version stays as it is.
        replaceFile(folder.directoryFile(), "Yul|8\r\n");
        main.w.closeForSignal();
        EXPECT_FALSE(main.w.isVisible());
        EXPECT_EQ(messages.prompts().size(), 2);
    }
    EXPECT_EQ(folder.directoryBytes(), "Yul|8\r\n");
    writeBytes(folder.dataFolder() + "/.quorvel.dat.~quorvel-unsaved-00000000000000aa", "Cut|");
    Loaded next(folder);
    ASSERT_EQ(messages.prompts().size(), 4);
    EXPECT_TRUE(messages.prompts()[2].contains("was left as it is"));
    // A save cut short: its version is kept, and named.
    EXPECT_TRUE(messages.prompts()[3].contains(folder.dataFolder() + "/quorvel.dat.interrupted-"));
    // What the window held differs from it: kept beside it, and named.
    const QStringList shown = QDir(folder.dataFolder()).entryList({"quorvel.dat.shown-*"});
    ASSERT_EQ(shown.size(), 1);
    EXPECT_TRUE(messages.prompts()[2].contains(shown[0]));
    EXPECT_EQ(fileBytes(folder.dataFolder() + '/' + shown[0]), "Bob|2\r\n");
    EXPECT_EQ(next.shown(), "Yul* | [Yul] | 8");
}

// Lines take their colours (0xBBGGRR) from the colour file as it is when the
// entry is shown, a bold marker dropped first; none is selected over its colour.
TEST(ColorsCommand, LinesShowTheColourFileAsItIsWhenShown)
{
    AppFolder folder("<b>Ann|<b>fax: 123\tphone: 1\r\n");
    folder.writeKeywords("fax:\t0,0,255\r\n\t0,128,0\r\n");
    Loaded main(folder);
    frmMain &w = main.w;
    EXPECT_TRUE(w.lvwQuorvel->bold(1));
    EXPECT_EQ(main.shown(), "Ann* | [Ann] | fax: 123,phone: 1");
    EXPECT_TRUE(w.lstNumbers->bold(1) && !w.lstNumbers->bold(2));
    EXPECT_TRUE(withDialog<frmColorEditor>(
        w, [&] { w.cmdColors->click(); },
        [](frmColorEditor &editor) {
            editor.keywords().replace(0, {"phone:", "0,0,255"});
            editor.cmdSaveColors->click();
        }));
    const auto colors = [&] {
        return std::pair(w.lstNumbers->foreColor(1), w.lstNumbers->foreColor(2));
    };
    EXPECT_EQ(colors(), std::pair(0xFF0000u, 0x008000u));
    w.lvwQuorvel_ItemClick(1);
    EXPECT_EQ(colors(), std::pair(0x008000u, 0xFF0000u));
}

// Undo and redo of a Delete by key and menu, each saved, the entry put back shown,
// each offered only when there is a step; in the find box the keys undo and
// redo its typing instead.
TEST(MainWindowHistory, UndoAndRedoADeleteAreSaved)
{
    AppFolder folder("Ann|1\r\nBob|2\r\n");
    Loaded main(folder);
    frmMain &w = main.w;
    const auto offered = [&w] { return std::pair(w.mnuUndo->isEnabled(), w.mnuRedo->isEnabled()); };
    EXPECT_EQ(offered(), std::pair(false, false));
    w.lvwQuorvel->setSelectedItem(2);
    MessageRecorder messages({platform::vbYes});
    w.cmdDelete->click();
    EXPECT_EQ(offered(), std::pair(true, false));
    w.lvwQuorvel->setFocus();
    QTest::keyClick(w.lvwQuorvel, Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(main.saved(), "Ann|1\r\nBob|2\r\n");
    EXPECT_EQ(offered(), std::pair(false, true));
    EXPECT_EQ(w.lvwQuorvel->selectedItem(), 2);
    EXPECT_EQ(itemTexts(w.lstNumbers), QStringList{"2"});

    for (const QKeyCombination redo : {Qt::CTRL | Qt::Key_Y, Qt::CTRL | Qt::SHIFT | Qt::Key_Z}) {
        QTest::keySequence(w.lvwQuorvel, Qt::CTRL | Qt::Key_Z);
        QTest::keySequence(w.lvwQuorvel, redo);
        EXPECT_EQ(main.saved(), "Ann|1\r\n");
        w.mnuUndo->trigger();
    }
    EXPECT_EQ(main.saved(), "Ann|1\r\nBob|2\r\n");

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

// Ctrl+F opens the search window; Return on a result shows that entry. An
// import and its undo, with the window open, each update its index once.
TEST(MainWindowHistory, SearchShowsTheChosenEntry)
{
    AppFolder folder("Ann|e-mail: ann@example.org\r\nZo\xc3\xab Tanaka|phone: (555) 0101\r\n");
    Loaded main(folder);
    frmMain &w = main.w;
    QTest::keyClick(w.txtFind, Qt::Key_F, Qt::ControlModifier);
    auto *search = w.findChild<frmSearch *>();
    ASSERT_TRUE(search && search->isVisible());
    ASSERT_TRUE(QTest::qWaitFor([search] { return search->isIndexed(); }));
    const core::SearchIndex &index = search->searchIndex();
    const int changes = index.changeCount();
    QByteArray cards;
    for (int i = 0; i < 1000; ++i)
        cards += "BEGIN:VCARD\r\nFN:Card " + QByteArray::number(i) + "\r\nEND:VCARD\r\n";
    writeBytes(folder.path() + "/cards.vcf", cards);
    MessageRecorder messages;
    w.importFiles({folder.path() + "/cards.vcf"});
    QTest::keyClicks(search->txtSearch, "card 999");
    EXPECT_EQ(search->lstResults->model()->index(0, 0).data().toString(), "Card 999");
    EXPECT_EQ(index.size(), 1002);
    w.mnuUndo->trigger();
    EXPECT_EQ(index.size(), 2);
    EXPECT_EQ(index.changeCount(), changes + 2);
    search->txtSearch->clear();
    QTest::keyClicks(search->txtSearch, "zoe 5550101");
    QTest::keyClick(search->txtSearch, Qt::Key_Return);
    EXPECT_FALSE(search->isVisible());
    EXPECT_EQ(w.lvwQuorvel->selectedItem(), 2);
    EXPECT_EQ(itemTexts(w.lstNumbers), QStringList{"phone: (555) 0101"});
}

// An import (the menu's and a drop's) is one saved change, one undo; the report names
// each file. An export says how many entries went where.
TEST(MainWindowHistory, ImportIsOneSavedChangeAndDropsImportToo)
{
    AppFolder folder("Ann|phone: 1\r\n");
    Loaded main(folder);
    frmMain &w = main.w;
    const QString cards = folder.path() + "/cards.vcf";
    writeBytes(cards, "BEGIN:VCARD\r\nFN:Bob\r\nTEL:2\r\nEND:VCARD\r\n"
                      "BEGIN:VCARD\r\nFN:Cy\r\nNOTE:x\r\nEND:VCARD\r\n");
    MessageRecorder messages;
    w.importFiles({cards});
    EXPECT_EQ(main.saved(), "Ann|phone: 1\r\nBob|phone: 2\r\nCy|x\r\n");
    EXPECT_EQ(messages.prompts(),
              QStringList(cards + ": 2 added, 0 updated, 0 already there, 0 skipped"));
    w.exportTo(folder.path() + "/out.csv");
    EXPECT_EQ(messages.prompts().last(),
              "3 entries were exported to " + folder.path() + "/out.csv.");
    w.mnuUndo->trigger();
    EXPECT_EQ(main.saved(), "Ann|phone: 1\r\n");

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
    AppFolder folder("Ann|<b>e-mail: ann@example.org?attach=~/.x&subject=Hi\tjust a note\r\n");
    Loaded main(folder);
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
    EXPECT_EQ(copied, QStringList({"e-mail: ann@example.org?attach=~/.x&subject=Hi",
                                   "ann@example.org?attach=~/.x&subject=Hi", "just a note",
                                   "just a note"}));
    // Only the address and the subject go out, whoever hands the address over.
    platform::openUrl(QUrl("mailto:bo@x.org?attach=/etc/passwd"));
    EXPECT_EQ(opened,
              (QList<QUrl>{QUrl("mailto:ann@example.org?subject=Hi"), QUrl("mailto:bo@x.org")}));
    platform::setUrlOpener({});
}
