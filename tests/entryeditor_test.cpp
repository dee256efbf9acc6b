#include "entryeditor/frmAddEdit.h"
#include "support/fixtures.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QLineEdit>
#include <QListWidget>
#include <QMap>
#include <QPushButton>
#include <QTest>

using core::DirectoryEntry;

namespace {

using namespace testsupport;

// Shown and active, so that the focus moves as for a user.
struct Dialog : frmAddEdit
{
    explicit Dialog(const std::optional<DirectoryEntry> &editing = std::nullopt)
        : frmAddEdit(editing)
    {
        show();
        activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(this));
    }
    // Steps split by ";": "=TEXT" typed in the number box ("\n" Enter, "\r" keypad
    // Enter, "\001" Ctrl+A, "\x7f" Delete), "name=TEXT", "#N" a click on row N, a
    // button's name, or "del": Delete on the list, acting on release, with Shift.
    void run(const QString &script)
    {
        const QMap<QChar, QKeyCombination> keys = {{u'\n', Qt::Key_Return},
                                                   {u'\r', Qt::Key_Enter},
                                                   {u'\001', Qt::CTRL | Qt::Key_A},
                                                   {u'\x7f', Qt::Key_Delete}};
        const std::pair<const char *, QWidget *> buttons[] = {
            {"add", cmdAddNum},    {"up", cmdMoveUp}, {"down", cmdMoveDown},
            {"remove", cmdRemove}, {"bold", chkBold}, {"done", cmdDone}};
        for (const QString &step : script.split(';')) {
            QLineEdit *box = step.startsWith('=')       ? txtNumber
                             : step.startsWith("name=") ? txtName
                                                        : nullptr;
            for (const QChar c : box ? step.section('=', 1) : QString()) {
                const QKeyCombination key = keys.value(c, Qt::Key_unknown);
                QTest::sendKeyEvent(QTest::Click, box, key.key(),
                                    key.key() == Qt::Key_unknown ? QString(c) : QString(),
                                    key.keyboardModifiers());
            }
            if (step.startsWith('#'))
                QTest::mouseClick(
                    lstNumbers->viewport(), Qt::LeftButton, {},
                    lstNumbers->visualItemRect(lstNumbers->item(step.mid(1).toInt())).center());
            for (const auto &[name, button] : buttons)
                step == name ? QTest::mouseClick(button, Qt::LeftButton) : void();
            // After Add the next typing replaces the line just added.
            EXPECT_TRUE(step != "add" || QApplication::focusWidget() == txtNumber);
            if (step == "del") {
                const int rows = lstNumbers->count();
                QTest::keyPress(lstNumbers, Qt::Key_Delete, Qt::ShiftModifier);
                EXPECT_EQ(lstNumbers->count(), rows) << "removed on press";
                QTest::keyRelease(lstNumbers, Qt::Key_Delete, Qt::ShiftModifier);
            }
        }
    }
    // "rows|number box|+^v": "*" selected row, "[...]" selected text, Add, Up, Down if enabled.
    QString state() const
    {
        QStringList rows;
        for (int i = 0; i < lstNumbers->count(); ++i)
            rows.append(lstNumbers->item(i)->text() +
                        (lstNumbers->item(i)->isSelected() ? "*" : ""));
        QString box = txtNumber->text();
        if (txtNumber->hasSelectedText())
            box.insert(txtNumber->selectionEnd(), ']').insert(txtNumber->selectionStart(), '[');
        return rows.join(',') + '|' + box + '|' + (cmdAddNum->isEnabled() ? "+" : "") +
               (cmdMoveUp->isEnabled() ? "^" : "") + (cmdMoveDown->isEnabled() ? "v" : "");
    }
};

TEST(EntryEditor, DoneRefusesWhatCannotBeStored)
{
    const QString noName = "No name specified, can't add.";
    // Steps, the one message, whether the focus goes to the name (else number) box.
    const std::tuple<const char *, QString, bool> cases[] = {
        {"name=   ;=phone: 1\n;done", noName, true},
        {"done", noName, true},
        {"name=Ann;done", "No numbers specified, can't add.", false},
        {"name=<B>Ann;=x\n;done", "A name can't begin with <b>, can't add.", true},
        {"name=A<b>B;=x\n;bold;done", "A bold name can't contain <b>, can't add.", true}};
    for (const auto &[script, message, focusInName] : cases) {
        MessageRecorder messages;
        Dialog dialog;
        dialog.run(script);
        EXPECT_TRUE(dialog.isVisible() && dialog.result() == QDialog::Rejected) << script;
        EXPECT_EQ(QApplication::focusWidget(), focusInName ? dialog.txtName : dialog.txtNumber);
        EXPECT_EQ(messages.prompts(), QStringList{message});
    }
}

// Done gives back the entry as the fields hold it; the owner stores it.
TEST(EntryEditor, DoneGivesBackTheEditedEntry)
{
    Dialog dialog(DirectoryEntry{"Ann", "phone: 1\tfax: 2", true});
    dialog.run("#1;remove;=\001x\n;name=\001Bo;bold;done");
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(dialog.entry(), DirectoryEntry({"Bo", "phone: 1\tx", false}));
}

TEST(EntryEditor, CancelEscAndCloseBoxWriteNothing)
{
    const std::function<void(frmAddEdit &)> closers[] = {
        [](frmAddEdit &d) { QTest::mouseClick(d.cmdCancel, Qt::LeftButton); },
        [](frmAddEdit &d) { QTest::keyClick(d.txtNumber, Qt::Key_Escape); },
        [](frmAddEdit &d) { d.close(); }};
    for (const auto &editing :
         {std::optional<DirectoryEntry>(), std::optional<DirectoryEntry>({"Ann", "1", true})}) {
        for (const auto &closeDialog : closers) {
            Dialog dialog(editing);
            dialog.run("name=Zed;=phone: 9\n");
            QTest::mouseClick(dialog.chkBold, Qt::LeftButton);
            closeDialog(dialog);
            EXPECT_FALSE(dialog.isVisible());
            EXPECT_EQ(dialog.result(), QDialog::Rejected);
        }
    }
}

// Longer stored text is kept whole; only typing is limited; "|", TAB, CR, LF never get in.
TEST(EntryEditor, BoxesKeepOutWhatTheFormatCannotHoldAndLimitTyping)
{
    Dialog dialog(DirectoryEntry{QString(30, u'n'), QString(60, u'l'), false});
    dialog.run("#0");
    EXPECT_EQ(dialog.txtName->text().size() + dialog.txtNumber->text().size(), 90);
    dialog.run("=\001" + QString(70, u'x') + ";name=\001A|n|n" + QString(30, u'x'));
    EXPECT_EQ(dialog.txtNumber->text(), QString(50, u'x'));
    EXPECT_EQ(dialog.txtName->text(), "Ann" + QString(22, u'x'));
    dialog.txtNumber->setText("ab");
    dialog.txtNumber->setCursorPosition(1);
    QGuiApplication::clipboard()->setText("1|2\t3\r\n4");
    QTest::keySequence(dialog.txtNumber, QKeySequence::Paste);
    EXPECT_EQ(dialog.txtNumber->text(), "a1234b");
    EXPECT_EQ(dialog.txtNumber->cursorPosition(), 5);
}

TEST(EntryEditor, NumberRowsFollowAddEnterUpDownAndRemove)
{
    using Walk = std::vector<std::pair<const char *, const char *>>;
    const Walk walks[] = {{{"=   ", "|   |"}, // blank: Add is disabled, but Enter adds
                           {"=\n", "   |[   ]|"},
                           {"=\x7f\r", "   ,||"},
                           {"name=\n", "   ,||"}, // Enter never presses Done
                           {"=phone: 1", "   ,|phone: 1|+"},
                           {"add", "   ,,phone: 1|[phone: 1]|+"},
                           {"=fax", "   ,,phone: 1|fax|+"},
                           {"#2", "   ,,phone: 1*|phone: 1|+^"}, // a row's text goes to the box
                           {"add", "   ,,phone: 1*,phone: 1|[phone: 1]|+^"}},
                          {{"=a\n;#0", "a*|a|+"},
                           {"=\001b\n;=\001c\n;=\001d\n;#1", "a,b*,c,d|b|+^v"},
                           {"up", "b*,a,c,d|b|+v"},
                           {"down;down;down", "a,c,d,b*|b|+^"},
                           // Remove leaves none selected and the box; then Up, Down do nothing.
                           {"#1;=\001typed;remove", "a,d,b|typed|+^v"},
                           {"up;down;remove;del", "a,d,b|typed|+^v"},
                           {"#2;del", "a,d|b|+^"}}};
    MessageRecorder messages;
    for (const Walk &walk : walks) {
        Dialog dialog;
        for (const auto &[script, state] : walk) {
            dialog.run(QString::fromLatin1(script));
            EXPECT_EQ(dialog.state(), QString::fromLatin1(state)) << script;
        }
        EXPECT_TRUE(dialog.isVisible());
    }
    EXPECT_EQ(messages.prompts(), QStringList{"Nothing selected to remove."});
}

} // namespace
