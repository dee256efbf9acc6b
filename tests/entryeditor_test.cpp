#include "core/directorymodel.h"
#include "entryeditor/entrylistowner.h"
#include "entryeditor/frmAddEdit.h"
#include "support/fixtures.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTest>

namespace {

// Stands in for the main window: the mode, the directory with the entry
// list's selection (the first entry), and the entries the editor asked to show.
class FakeOwner final : public EntryListOwner
{
public:
    explicit FakeOwner(const QList<core::DirectoryEntry> &entries = {}, qint16 mode = 0)
        : mode(mode), selected(entries.isEmpty() ? 0 : 1)
    {
        for (const core::DirectoryEntry &e : entries)
            model.append(e);
    }
    qint16 entryEditorMode() const override { return mode; }
    core::DirectoryModel &directory() override { return model; }
    int selectedEntry() const override { return selected; }
    void lvwQuorvel_ItemClick(int item) override { shown.append(item); }
    QList<core::DirectoryEntry> entries() const
    {
        return {model.entries().begin(), model.entries().end()};
    }

    qint16 mode = 0;
    core::DirectoryModel model;
    int selected = 0;
    QList<int> shown;
};

QStringList rows(const QListWidget *list)
{
    QStringList result;
    for (int i = 0; i < list->count(); ++i)
        result.append(list->item(i)->text());
    return result;
}

// The dialog shown and active, so that the focus moves as it does for a user.
struct Dialog : frmAddEdit
{
    explicit Dialog(FakeOwner &owner) : frmAddEdit(owner)
    {
        show();
        activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(this));
    }
    void typeLines(const QStringList &lines)
    {
        for (const QString &line : lines) {
            txtNumber->clear();
            QTest::keyClicks(txtNumber, line);
            QTest::keyClick(txtNumber, Qt::Key_Return);
        }
    }
    void clickRow(int row)
    {
        QTest::mouseClick(lstNumbers->viewport(), Qt::LeftButton, {},
                          lstNumbers->visualItemRect(lstNumbers->item(row)).center());
    }
    std::pair<bool, bool> upDown() const
    {
        return {cmdMoveUp->isEnabled(), cmdMoveDown->isEnabled()};
    }
};

TEST(EntryEditor, DoneRefusesWhatCannotBeStored)
{
    const QString noName = "No name specified, can't add.";
    // Name, number lines, bold, the one message shown, whether the focus
    // goes to the name box (else to the number box).
    const std::tuple<QString, QStringList, bool, QString, bool> cases[] = {
        {"   ", {"phone: 1"}, false, noName, true},
        {"", {}, false, noName, true},
        {"Ann", {}, false, "No numbers specified, can't add.", false},
        {"<B>Ann", {"x"}, false, "A name can't begin with <b>, can't add.", true},
        {"A<b>B", {"x"}, true, "A bold name can't contain <b>, can't add.", true}};
    FakeOwner owner({{"Old", "x", false}});
    for (const auto &[name, lines, bold, message, focusInName] : cases) {
        SCOPED_TRACE(name.toStdString());
        testsupport::MessageRecorder messages;
        Dialog dialog(owner);
        QTest::keyClicks(dialog.txtName, name);
        dialog.chkBold->setChecked(bold);
        dialog.typeLines(lines);
        dialog.cmdDone->click();
        EXPECT_TRUE(dialog.isVisible());
        EXPECT_EQ(QApplication::focusWidget(), focusInName ? dialog.txtName : dialog.txtNumber);
        EXPECT_EQ(messages.prompts(), QStringList{message});
        EXPECT_EQ(owner.entries(), QList<core::DirectoryEntry>({{"Old", "x", false}}));
    }
}

TEST(EntryEditor, CancelEscAndCloseBoxWriteNothing)
{
    const std::function<void(frmAddEdit &)> closers[] = {
        [](frmAddEdit &d) { QTest::mouseClick(d.cmdCancel, Qt::LeftButton); },
        [](frmAddEdit &d) { QTest::keyClick(d.txtNumber, Qt::Key_Escape); },
        [](frmAddEdit &d) { d.close(); }};
    const QList<core::DirectoryEntry> entries = {{"Ann", "phone: 1\tfax: 2", true},
                                                 {"Bob", "3", false}};
    for (const qint16 mode : {0, 1}) {
        FakeOwner owner(entries, mode);
        for (const auto &closeDialog : closers) {
            Dialog dialog(owner);
            QTest::keyClicks(dialog.txtName, "Zed");
            QTest::mouseClick(dialog.chkBold, Qt::LeftButton);
            dialog.typeLines({"phone: 9"});
            closeDialog(dialog);
            EXPECT_FALSE(dialog.isVisible());
            EXPECT_EQ(owner.entries(), entries);
            EXPECT_TRUE(owner.shown.isEmpty());
        }
    }
}

TEST(EntryEditor, BoxesKeepOutWhatTheFormatCannotHoldAndLimitTyping)
{
    FakeOwner owner({{QString(30, u'n'), QString(60, u'l'), false}}, 1);
    Dialog dialog(owner);
    // Longer stored text is kept whole; only typing is limited.
    EXPECT_EQ(dialog.txtName->text().size(), 30);
    dialog.clickRow(0);
    EXPECT_EQ(dialog.txtNumber->text().size(), 60);
    dialog.txtNumber->clear();
    QTest::keyClicks(dialog.txtNumber, QString(70, u'x'));
    EXPECT_EQ(dialog.txtNumber->text().size(), 50);
    dialog.txtName->clear();
    QTest::keyClicks(dialog.txtName, "A|n|n" + QString(30, u'x'));
    EXPECT_EQ(dialog.txtName->text(), "Ann" + QString(22, u'x'));

    dialog.txtNumber->setText("ab");
    dialog.txtNumber->setCursorPosition(1);
    QGuiApplication::clipboard()->setText("1|2\t3\r\n4");
    QTest::keySequence(dialog.txtNumber, QKeySequence::Paste);
    EXPECT_EQ(dialog.txtNumber->text(), "a1234b");
    EXPECT_EQ(dialog.txtNumber->cursorPosition(), 5);
}

TEST(EntryEditor, AddEnablingAndTheEnterKey)
{
    FakeOwner owner;
    Dialog dialog(owner);
    QTest::keyClicks(dialog.txtNumber, "   ");
    EXPECT_FALSE(dialog.cmdAddNum->isEnabled());
    QTest::keyClick(dialog.txtNumber, Qt::Key_Return);
    dialog.txtNumber->clear();
    QTest::keyClick(dialog.txtNumber, Qt::Key_Enter);
    QTest::keyClick(dialog.txtName, Qt::Key_Return);
    EXPECT_TRUE(dialog.isVisible()); // Enter never presses Done
    QTest::keyClicks(dialog.txtNumber, "phone: 1");
    EXPECT_TRUE(dialog.cmdAddNum->isEnabled());
    QTest::mouseClick(dialog.cmdAddNum, Qt::LeftButton);
    EXPECT_EQ(dialog.txtNumber->selectedText(), "phone: 1");
    EXPECT_EQ(QApplication::focusWidget(), dialog.txtNumber);
    QTest::keyClicks(dialog.txtNumber, "fax");
    EXPECT_EQ(dialog.txtNumber->text(), "fax");
    // A selected row's text goes to the box; Add appends a copy of it.
    dialog.clickRow(2);
    EXPECT_EQ(dialog.txtNumber->text(), "phone: 1");
    dialog.cmdAddNum->click();
    EXPECT_EQ(rows(dialog.lstNumbers), (QStringList{"   ", "", "phone: 1", "phone: 1"}));
    EXPECT_EQ(dialog.lstNumbers->currentRow(), 2);
}

TEST(EntryEditor, UpDownAndRemoveFollowTheSelectedRow)
{
    FakeOwner owner;
    testsupport::MessageRecorder messages;
    Dialog dialog(owner);
    dialog.typeLines({"a"});
    dialog.clickRow(0);
    EXPECT_EQ(dialog.upDown(), std::pair(false, false));
    dialog.typeLines({"b", "c", "d"});
    dialog.clickRow(1);
    EXPECT_EQ(dialog.upDown(), std::pair(true, true));
    QTest::mouseClick(dialog.cmdMoveUp, Qt::LeftButton);
    EXPECT_EQ(rows(dialog.lstNumbers), (QStringList{"b", "a", "c", "d"}));
    EXPECT_EQ(dialog.lstNumbers->selectedItems(), QList{dialog.lstNumbers->item(0)});
    EXPECT_EQ(dialog.upDown(), std::pair(false, true));
    for (int i = 0; i < 3; ++i)
        QTest::mouseClick(dialog.cmdMoveDown, Qt::LeftButton);
    EXPECT_EQ(rows(dialog.lstNumbers), (QStringList{"a", "c", "d", "b"}));
    EXPECT_EQ(dialog.txtNumber->text(), "b");
    EXPECT_EQ(dialog.upDown(), std::pair(true, false));

    // Remove leaves no row selected and the box as it is; Up and Down stay
    // enabled but change nothing, and Remove says nothing is selected.
    dialog.clickRow(1);
    dialog.txtNumber->setText("typed");
    dialog.cmdRemove->click();
    dialog.cmdMoveUp->click();
    dialog.cmdMoveDown->click();
    dialog.cmdRemove->click();
    QTest::keyClick(dialog.lstNumbers, Qt::Key_Delete);
    EXPECT_EQ(rows(dialog.lstNumbers), (QStringList{"a", "d", "b"}));
    EXPECT_EQ(dialog.txtNumber->text(), "typed");
    EXPECT_EQ(dialog.upDown(), std::pair(true, true));
    EXPECT_EQ(messages.prompts(), QStringList{"Nothing selected to remove."});
    // The Delete key acts on release, whatever the shift keys.
    dialog.clickRow(2);
    QTest::keyPress(dialog.lstNumbers, Qt::Key_Delete, Qt::ShiftModifier);
    EXPECT_EQ(dialog.lstNumbers->count(), 3);
    QTest::keyRelease(dialog.lstNumbers, Qt::Key_Delete, Qt::ShiftModifier);
    EXPECT_EQ(rows(dialog.lstNumbers), (QStringList{"a", "d"}));
}

} // namespace
