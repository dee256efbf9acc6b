#include "entryeditor/frmAddEdit.h"
#include "mainwindow/frmMain.h"
#include "platform/listview.h"
#include "support/fixtures.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <functional>
#include <gtest/gtest.h>

namespace {

QStringList texts(const platform::ListView *list)
{
    QStringList result;
    for (const platform::ListRow &row : list->rows())
        result.append(row.text);
    return result;
}

class MainWindowCommands : public ::testing::Test
{
protected:
    void start(const QByteArray &directory)
    {
        window.reset();
        app.writeDirectory(directory);
        app.writeKeywords(testsupport::defaultKeywordFileBytes());
        window = std::make_unique<frmMain>(app.path());
        ASSERT_TRUE(window->Form_Load());
        window->show();
        activate();
    }

    // Offscreen there is no window manager to give the activation back after
    // a dialog closes; tests give it back themselves.
    void activate()
    {
        window->activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(window.get()));
    }

    // Runs a command and drives the entry editor it opens with `steps`.
    // Returns whether an editor opened; one still open afterwards is cancelled.
    bool withEditor(const std::function<void()> &command,
                    const std::function<void(frmAddEdit &)> &steps)
    {
        bool opened = false;
        QTimer::singleShot(0, window.get(), [&] {
            auto *editor = qobject_cast<frmAddEdit *>(QApplication::activeModalWidget());
            opened = editor != nullptr;
            if (!editor)
                return;
            steps(*editor);
            if (editor->isVisible())
                editor->reject();
        });
        command();
        QCoreApplication::processEvents();
        return opened;
    }

    static void typeLine(frmAddEdit &editor, const QString &line)
    {
        editor.txtNumber->clear();
        QTest::keyClicks(editor.txtNumber, line);
        QTest::keyClick(editor.txtNumber, Qt::Key_Return);
    }

    testsupport::AppFolder app;
    std::unique_ptr<frmMain> window;
};

TEST_F(MainWindowCommands, AddThenCancelLeavesListAndFocusesIt)
{
    start("Ann|phone: 1\r\n");
    window->eMode = 1;
    window->txtFind->setFocus();
    EXPECT_TRUE(withEditor([&] { window->cmdAdd->click(); },
                           [](frmAddEdit &editor) {
                               QTest::keyClicks(editor.txtName, QStringLiteral("Zed"));
                               editor.cmdCancel->click();
                           }));
    EXPECT_EQ(window->eMode, 0);
    EXPECT_EQ(texts(window->lvwQuorvel), QStringList{"Ann"});
    activate();
    EXPECT_EQ(QApplication::focusWidget(), window->lvwQuorvel);
}

TEST_F(MainWindowCommands, EditAndDeleteWithNothingSelectedDoNothing)
{
    start("Ann|phone: 1\r\n");
    window->lvwQuorvel->selectionModel()->clearSelection();
    testsupport::MessageRecorder messages;
    for (QAction *item : {window->mnuEdit, window->mnuDelete})
        EXPECT_FALSE(withEditor([&] { item->trigger(); }, [](frmAddEdit &) {}));
    for (QPushButton *button : {window->cmdEdit, window->cmdDelete})
        EXPECT_FALSE(withEditor([&] { button->click(); }, [](frmAddEdit &) {}));
    EXPECT_EQ(window->eMode, 0);
    EXPECT_TRUE(messages.requests().isEmpty());
    EXPECT_EQ(texts(window->lvwQuorvel), QStringList{"Ann"});
}

TEST_F(MainWindowCommands, DeleteAsksAndRemovesOnYesOnly)
{
    const struct
    {
        const char *name;
        bool fromMenu;
        int answer;
    } cases[] = {{"Who?", false, platform::vbYes},
                 {"Bob", true, platform::vbYes},
                 {"Bob", false, platform::vbNo},
                 {"<i>Bob", true, platform::vbNo}};
    for (const auto &c : cases) {
        SCOPED_TRACE(testing::Message() << c.name << " menu " << c.fromMenu);
        start(QByteArray("Ann|1\r\n") + c.name + "|phone: 2\r\nCy|3\r\n");
        window->lvwQuorvel->setSelectedItem(2);
        window->lvwQuorvel_ItemClick(2);
        testsupport::MessageRecorder messages({c.answer});
        if (c.fromMenu)
            window->mnuDelete->trigger();
        else
            window->cmdDelete->click();
        ASSERT_EQ(messages.requests().size(), 1);
        EXPECT_EQ(messages.prompts()[0],
                  QStringLiteral("Are you sure you want to remove %1?").arg(QLatin1String(c.name)));
        EXPECT_EQ(messages.requests()[0].style, platform::vbYesNo | platform::vbQuestion);
        const bool yes = c.answer == platform::vbYes;
        EXPECT_EQ(texts(window->lvwQuorvel).size(), yes ? 2 : 3);
        EXPECT_EQ(window->lvwQuorvel->selectedItem(), yes ? 0 : 2);
        // The removed entry's lines stay shown until another entry is shown.
        EXPECT_EQ(texts(window->lstNumbers), QStringList{"phone: 2"});
    }
}

TEST_F(MainWindowCommands, F1ReleasedAnywhereShowsTheAboutBox)
{
    start("Ann|phone: 1\r\n");
    const QString about = QStringLiteral("Quorvel 0.2.1 - All versions of Windows\u00AE\r\n"
                                         "Copyright \u00A9 2026 the Quorvel developers\r\n\r\n"
                                         "Website: none; see readme.txt\r\nE-mail: none\r\n\r\n"
                                         "For help, read the readme.txt file.");
    const std::pair<QWidget *, Qt::KeyboardModifiers> cases[] = {
        {window->txtFind, Qt::NoModifier},
        {window->lvwQuorvel, Qt::ShiftModifier},
        {window->cmdAdd, Qt::ControlModifier | Qt::AltModifier},
    };
    for (const auto &[target, shift] : cases) {
        testsupport::MessageRecorder messages;
        QTest::keyPress(target, Qt::Key_F1, shift);
        EXPECT_TRUE(messages.requests().isEmpty()) << "shown on press";
        QTest::keyRelease(target, Qt::Key_F1, shift);
        QTest::keyClick(target, Qt::Key_F2, shift);
        ASSERT_EQ(messages.requests().size(), 1);
        EXPECT_EQ(messages.prompts()[0], about);
        EXPECT_EQ(messages.requests()[0].title, "About Quorvel 0.2.1");
        EXPECT_EQ(messages.requests()[0].style, platform::vbOKOnly | platform::vbInformation);
    }
}

// Add, edit and delete from the buttons or from the context menu, then close:
// the directory file holds exactly the result.
TEST_F(MainWindowCommands, ChangesReachTheDirectoryFileAtClose)
{
    for (const bool fromMenu : {false, true}) {
        SCOPED_TRACE(fromMenu ? "menu" : "buttons");
        start("Default|phone: 555-1234\r\n<b>Bob|<b>fax: 2\tx\r\n");
        window->lvwQuorvel->setSelectedItem(1);
        window->lvwQuorvel_ItemClick(1);

        // Add: the new entry is appended as typed; selection and detail stay.
        EXPECT_TRUE(withEditor([&] { window->cmdAdd->click(); },
                               [](frmAddEdit &editor) {
                                   QTest::keyClicks(editor.txtName, QStringLiteral(" Ann "));
                                   editor.chkBold->setChecked(true);
                                   typeLine(editor, QStringLiteral("<b>phone: 1"));
                                   typeLine(editor, QString());
                                   editor.cmdDone->click();
                               }));
        EXPECT_EQ(window->lvwQuorvel->selectedItem(), 1);
        EXPECT_EQ(texts(window->lstNumbers), QStringList{"phone: 555-1234"});

        // Edit: name, bold and lines change, and the detail list shows them.
        window->lvwQuorvel->setSelectedItem(2);
        const auto edit = [&] { fromMenu ? window->mnuEdit->trigger() : window->cmdEdit->click(); };
        EXPECT_TRUE(withEditor(edit, [](frmAddEdit &editor) {
            editor.txtName->selectAll();
            QTest::keyClicks(editor.txtName, QStringLiteral("Robert|"));
            QTest::mouseClick(editor.chkBold, Qt::LeftButton);
            QListWidget *list = editor.lstNumbers;
            QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                              list->visualItemRect(list->item(1)).center());
            editor.cmdRemove->click();
            editor.txtNumber->clear();
            editor.txtNumber->insert(QStringLiteral("mobile:\t3")); // as pasted
            QTest::keyClick(editor.txtNumber, Qt::Key_Return);
            editor.cmdDone->click();
        }));
        EXPECT_EQ(window->eMode, 1);
        EXPECT_FALSE(window->lvwQuorvel->bold(2));
        EXPECT_EQ(texts(window->lstNumbers), (QStringList{"fax: 2", "mobile:3"}));
        EXPECT_TRUE(window->lstNumbers->bold(1));

        window->lvwQuorvel->setSelectedItem(1);
        testsupport::MessageRecorder messages({platform::vbYes});
        fromMenu ? window->mnuDelete->trigger() : window->cmdDelete->click();

        window->close();
        EXPECT_EQ(app.directoryBytes(), QByteArray("Robert|<b>fax: 2\tmobile:3\r\n"
                                                   "<b> Ann |<b>phone: 1\t\r\n"));
    }
}

} // namespace
