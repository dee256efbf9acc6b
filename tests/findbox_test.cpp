#include "mainwindow/frmMain.h"
#include "platform/listview.h"
#include "platform/tabstrip.h"
#include "support/fixtures.h"

#include <QApplication>
#include <QLineEdit>
#include <QTest>
#include <gtest/gtest.h>

using testsupport::AppFolder;

namespace {

// A shown, active main window over the given directory file.
struct Window
{
    explicit Window(const QByteArray &directory)
    {
        folder.writeDirectory(directory);
        main = std::make_unique<frmMain>(folder.path());
        loaded = main->Form_Load();
        main->show();
        main->activateWindow();
        active = QTest::qWaitForWindowActive(main.get());
    }
    ~Window() { main->close(); }

    QString selectedName() const
    {
        return main->lvwQuorvel->text(main->lvwQuorvel->selectedItem());
    }
    QStringList detail() const
    {
        QStringList rows;
        for (int i = 1; i <= main->lstNumbers->count(); ++i)
            rows.append(main->lstNumbers->text(i));
        return rows;
    }

    AppFolder folder;
    std::unique_ptr<frmMain> main;
    bool loaded = false;
    bool active = false;
};

// Types into the find box: plain characters, and "\b" for Backspace, "\x7f"
// for Delete, "\n" for Enter.
void type(QLineEdit *box, const QString &keys)
{
    for (const QChar c : keys) {
        if (c == u'\b')
            QTest::keyClick(box, Qt::Key_Backspace);
        else if (c == u'\x7f')
            QTest::keyClick(box, Qt::Key_Delete);
        else if (c == u'\n')
            QTest::keyClick(box, Qt::Key_Return);
        else if (c.unicode() < 0x80)
            QTest::keyClicks(box, QString(c));
        else
            QTest::sendKeyEvent(QTest::Click, box, Qt::Key_unknown, QString(c), Qt::NoModifier);
    }
}

} // namespace

TEST(FindBox, TypingSelectsAndCompletes)
{
    struct Case
    {
        const char *name;
        QByteArray directory;
        QString keys;
        QString text;        // what the find box holds afterwards
        QString highlighted; // its selected (completed) part
        QString selected;    // the entry list's selected entry
    };
    const QByteArray annaBob = "Anna|a\r\nBob|b\r\n";
    const Case cases[] = {
        {"one letter completes", annaBob, "b", "Bob", "ob", "Bob"},
        {"next letter narrows", annaBob, "bo", "Bob", "b", "Bob"},
        {"case is ignored", annaBob, "B", "Bob", "ob", "Bob"},
        {"stored case is shown", "anna|a\r\nBOB|b\r\n", "bo", "BOB", "B", "BOB"},
        {"first match in list order", "Bobby|1\r\nBob|2\r\n", "bob", "Bobby", "by", "Bobby"},
        {"backspace removes the completion", annaBob, "b\b", "B", "", "Bob"},
        {"a letter after backspace searches", annaBob, "b\bo", "Bob", "b", "Bob"},
        {"two backspaces keep deleting", annaBob, "bo\b\b", "B", "", "Bob"},
        {"delete completes again", annaBob, "b\x7f", "Bob", "ob", "Bob"},
        {"no match keeps text and selection", annaBob, "box", "Box", "", "Bob"},
        {"no match from the start", annaBob, "q", "q", "", "Anna"},
        {"non-ASCII names", "Zoë|1\r\nÉmile|2\r\n", "é", "Émile", "mile", "Émile"},
        {"empty list changes only the text", "", "abc", "abc", "", ""},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        Window w(c.directory);
        ASSERT_TRUE(w.loaded);
        QLineEdit *box = w.main->txtFind;
        box->setFocus();
        box->selectAll(); // typing starts by replacing what the box holds
        type(box, c.keys);
        EXPECT_EQ(box->text(), c.text);
        EXPECT_EQ(box->selectedText(), c.highlighted);
        EXPECT_EQ(w.selectedName(), c.selected);
        EXPECT_FALSE(w.main->BackspacePressed);
    }
}

TEST(FindBox, EmptyingTheBoxSelectsTheFirstEntryWithItsNameHighlighted)
{
    Window w("Anna|a\r\nBob|b\r\n");
    QLineEdit *box = w.main->txtFind;
    box->selectAll();
    type(box, "b");
    ASSERT_EQ(w.selectedName(), "Bob");
    box->setText(QString());
    EXPECT_EQ(w.selectedName(), "Anna");
    EXPECT_EQ(box->text(), "Anna");
    EXPECT_EQ(box->selectedText(), "Anna");
}

TEST(FindBox, EnterShowsTheSelectedEntry)
{
    Window w("Anna|a1\ta2\r\nBob|phone: 2\r\nBobby|3\r\n");
    QLineEdit *box = w.main->txtFind;
    ASSERT_EQ(w.detail(), (QStringList{"a1", "a2"}));
    box->selectAll();
    type(box, "bo\n");
    EXPECT_EQ(w.detail(), QStringList{"phone: 2"});
    EXPECT_EQ(box->text(), "Bob");
    EXPECT_EQ(w.selectedName(), "Bob");

    Window empty("");
    type(empty.main->txtFind, "x\n");
    EXPECT_EQ(empty.detail(), QStringList());
    EXPECT_EQ(empty.main->txtFind->text(), "x");
}

TEST(LetterTabs, ClickHighlightsOneTabAndMovesToThatLetter)
{
    Window w("Anna|1\r\nmike|2\r\nBob|3\r\nMax|4\r\n");
    ASSERT_TRUE(w.active);
    platform::TabStrip *tabs = w.main->TS;
    const int m = 'M' - 'A' + 1;
    for (const int tab : {'B' - 'A' + 1, m}) {
        QTest::mouseClick(tabs, Qt::LeftButton, {}, tabs->tabRect(tab).center());
        QCoreApplication::processEvents(); // the synthesised keystroke arrives after the handler
        EXPECT_EQ(tabs->selectedTab(), tab);
        for (int i = 1; i <= tabs->count(); ++i)
            EXPECT_EQ(tabs->highlighted(i), i == tab) << "tab " << i;
    }
    EXPECT_TRUE(w.main->lvwQuorvel->hasFocus());
    EXPECT_TRUE(w.selectedName().startsWith('M', Qt::CaseInsensitive))
        << w.selectedName().toStdString();
}

// Moving through the list with the keyboard never snaps back to an earlier
// entry whose name begins with the same text, and Enter shows the entry
// reached.
TEST(EntryListKeyboard, EveryEntryIsReachableAndCanBeShown)
{
    Window w("Bobby|1\r\nBob|2\r\nCarl|3\r\n");
    ASSERT_TRUE(w.active);
    platform::ListView *list = w.main->lvwQuorvel;
    list->setFocus();
    QStringList visited = {w.selectedName()};
    for (int i = 0; i < 2; ++i) {
        QTest::keyClick(list, Qt::Key_Down);
        visited.append(w.selectedName());
    }
    EXPECT_EQ(visited, (QStringList{"Bobby", "Bob", "Carl"}));

    QTest::keyClick(list, Qt::Key_Up);
    QTest::keyClick(list, Qt::Key_Return);
    EXPECT_EQ(w.detail(), QStringList{"2"});
    // The find box's completion selects Bobby, whose name begins with Bob;
    // the detail list keeps showing Bob and Bob is one key away again.
    EXPECT_EQ(w.main->txtFind->text(), "Bobby");
    QTest::keyClick(list, Qt::Key_Down);
    EXPECT_EQ(w.selectedName(), "Bob");
}
