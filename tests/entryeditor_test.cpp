#include "core/directoryfile.h"
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
// list's selection, and the entries the editor asked to be shown.
class FakeOwner final : public EntryListOwner
{
public:
    // Entries given as directory-file lines ("<b>" marks a bold entry); the
    // first one is selected, as the entry list selects it.
    explicit FakeOwner(const QStringList &lines = {}, qint16 mode = 0) : mode(mode)
    {
        for (const core::DirectoryEntry &e : core::parseDirectoryLines(lines))
            model.append(e);
        selected = model.count() > 0 ? 1 : 0;
    }
    qint16 entryEditorMode() const override { return mode; }
    core::DirectoryModel &directory() override { return model; }
    int selectedEntry() const override { return selected; }
    void lvwQuorvel_ItemClick(int item) override { shown.append(item); }

    // The entries as directory-file lines.
    QStringList entries() const
    {
        QStringList result;
        for (const core::DirectoryEntry &e : model.entries())
            result.append(core::formatDirectoryLine(e));
        return result;
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

// Shows the dialog and makes it the active window, so that the focus moves as
// it does for a user. Done, Cancel, Esc and the close box hide it.
void show(frmAddEdit &dialog)
{
    dialog.show();
    dialog.activateWindow();
    EXPECT_TRUE(QTest::qWaitForWindowActive(&dialog));
}

void typeLine(frmAddEdit &dialog, const QString &line)
{
    dialog.txtNumber->clear();
    QTest::keyClicks(dialog.txtNumber, line);
    QTest::keyClick(dialog.txtNumber, Qt::Key_Return);
}

void clickRow(frmAddEdit &dialog, int row)
{
    QListWidget *list = dialog.lstNumbers;
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                      list->visualItemRect(list->item(row)).center());
}

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
    FakeOwner owner({"Old|x"});
    for (const auto &[name, lines, bold, message, focusInName] : cases) {
        SCOPED_TRACE(name.toStdString());
        testsupport::MessageRecorder messages;
        frmAddEdit dialog(owner);
        show(dialog);
        QTest::keyClicks(dialog.txtName, name);
        dialog.chkBold->setChecked(bold);
        for (const QString &line : lines)
            typeLine(dialog, line);
        dialog.cmdDone->click();
        EXPECT_TRUE(dialog.isVisible());
        EXPECT_EQ(QApplication::focusWidget(), focusInName ? dialog.txtName : dialog.txtNumber);
        ASSERT_EQ(messages.prompts(), QStringList{message});
        EXPECT_EQ(messages.requests()[0].style, platform::vbOKOnly | platform::vbInformation);
        EXPECT_EQ(owner.entries(), QStringList{"Old|x"});
    }
}

TEST(EntryEditor, RowsJoinWithTabsAndOpenAgainAsTheSameRows)
{
    // Rows added, the number-line text stored, the rows shown when edited.
    const std::tuple<QStringList, QString, QStringList> cases[] = {
        {{"phone: 555-1234", ""}, "phone: 555-1234\t", {"phone: 555-1234", ""}},
        {{""}, "", {}},
        {{"<b>x", "", "  "}, "<b>x\t\t  ", {"<b>x", "", "  "}}};
    for (const auto &[added, joined, reopened] : cases) {
        SCOPED_TRACE(joined.toStdString());
        FakeOwner owner;
        frmAddEdit adding(owner);
        show(adding);
        QTest::keyClicks(adding.txtName, "Ann");
        for (const QString &row : added)
            typeLine(adding, row);
        adding.cmdDone->click();
        EXPECT_EQ(owner.model.entry(0).numbers, joined);
        owner.selected = 1;
        owner.mode = 1;
        frmAddEdit editing(owner);
        EXPECT_EQ(rows(editing.lstNumbers), reopened);
        EXPECT_TRUE(editing.lstNumbers->selectedItems().isEmpty());
    }
}

TEST(EntryEditor, CancelEscAndCloseBoxWriteNothing)
{
    const std::function<void(frmAddEdit &)> closers[] = {
        [](frmAddEdit &d) { QTest::mouseClick(d.cmdCancel, Qt::LeftButton); },
        [](frmAddEdit &d) { QTest::keyClick(d.txtNumber, Qt::Key_Escape); },
        [](frmAddEdit &d) { d.close(); }};
    const QStringList entries = {"<b>Ann|phone: 1\tfax: 2", "Bob|3"};
    for (const qint16 mode : {0, 1}) {
        FakeOwner owner(entries, mode);
        for (const auto &closeDialog : closers) {
            frmAddEdit dialog(owner);
            show(dialog);
            QTest::keyClicks(dialog.txtName, "Zed");
            QTest::mouseClick(dialog.chkBold, Qt::LeftButton);
            typeLine(dialog, "phone: 9");
            closeDialog(dialog);
            EXPECT_FALSE(dialog.isVisible());
            EXPECT_EQ(owner.entries(), entries);
            EXPECT_TRUE(owner.shown.isEmpty());
        }
    }
}

TEST(EntryEditor, BoxesKeepOutWhatTheFormatCannotHoldAndLimitTyping)
{
    FakeOwner owner({QString(30, u'n') + "|" + QString(60, u'l')}, 1);
    frmAddEdit dialog(owner);
    show(dialog);
    // Longer stored text is kept whole; only typing is limited.
    EXPECT_EQ(dialog.txtName->text().size(), 30);
    clickRow(dialog, 0);
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
    frmAddEdit dialog(owner);
    show(dialog);
    QTest::keyClicks(dialog.txtNumber, "   ");
    EXPECT_FALSE(dialog.cmdAddNum->isEnabled());
    QTest::keyClick(dialog.txtNumber, Qt::Key_Return);
    dialog.txtNumber->clear();
    QTest::keyClick(dialog.txtNumber, Qt::Key_Enter);
    EXPECT_EQ(rows(dialog.lstNumbers), (QStringList{"   ", ""}));
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
    clickRow(dialog, 2);
    EXPECT_EQ(dialog.txtNumber->text(), "phone: 1");
    dialog.cmdAddNum->click();
    EXPECT_EQ(rows(dialog.lstNumbers), (QStringList{"   ", "", "phone: 1", "phone: 1"}));
    EXPECT_EQ(dialog.lstNumbers->currentRow(), 2);
}

TEST(EntryEditor, UpAndDownFollowTheSelectedRowAndMoveIt)
{
    FakeOwner owner;
    frmAddEdit dialog(owner);
    const auto enabled = [&] {
        return std::pair(dialog.cmdMoveUp->isEnabled(), dialog.cmdMoveDown->isEnabled());
    };
    show(dialog);
    typeLine(dialog, "a");
    clickRow(dialog, 0);
    EXPECT_EQ(enabled(), std::pair(false, false));
    typeLine(dialog, "b");
    typeLine(dialog, "c");
    clickRow(dialog, 1);
    EXPECT_EQ(enabled(), std::pair(true, true));
    QTest::mouseClick(dialog.cmdMoveUp, Qt::LeftButton);
    EXPECT_EQ(rows(dialog.lstNumbers), (QStringList{"b", "a", "c"}));
    EXPECT_EQ(dialog.lstNumbers->selectedItems(), QList{dialog.lstNumbers->item(0)});
    EXPECT_EQ(enabled(), std::pair(false, true));
    QTest::mouseClick(dialog.cmdMoveDown, Qt::LeftButton);
    QTest::mouseClick(dialog.cmdMoveDown, Qt::LeftButton);
    EXPECT_EQ(rows(dialog.lstNumbers), (QStringList{"a", "c", "b"}));
    EXPECT_EQ(dialog.txtNumber->text(), "b");
    EXPECT_EQ(enabled(), std::pair(true, false));
}

TEST(EntryEditor, RemoveAndTheDeleteKey)
{
    FakeOwner owner;
    testsupport::MessageRecorder messages;
    frmAddEdit dialog(owner);
    show(dialog);
    for (const char *line : {"a", "b", "c", "d"})
        typeLine(dialog, line);
    dialog.cmdRemove->click();
    QTest::keyClick(dialog.lstNumbers, Qt::Key_Delete);
    EXPECT_EQ(messages.prompts(), QStringList{"Nothing selected to remove."});

    clickRow(dialog, 1);
    dialog.txtNumber->setText("typed");
    dialog.cmdRemove->click();
    EXPECT_EQ(rows(dialog.lstNumbers), (QStringList{"a", "c", "d"}));
    EXPECT_TRUE(dialog.lstNumbers->selectedItems().isEmpty());
    EXPECT_EQ(dialog.txtNumber->text(), "typed");
    // Up and Down stay enabled but change nothing without a selected row.
    ASSERT_TRUE(dialog.cmdMoveUp->isEnabled() && dialog.cmdMoveDown->isEnabled());
    dialog.cmdMoveUp->click();
    dialog.cmdMoveDown->click();
    EXPECT_EQ(rows(dialog.lstNumbers), (QStringList{"a", "c", "d"}));

    // The Delete key acts on release, whatever the shift keys.
    clickRow(dialog, 2);
    QTest::keyPress(dialog.lstNumbers, Qt::Key_Delete, Qt::ShiftModifier);
    EXPECT_EQ(dialog.lstNumbers->count(), 3);
    QTest::keyRelease(dialog.lstNumbers, Qt::Key_Delete, Qt::ShiftModifier);
    EXPECT_EQ(rows(dialog.lstNumbers), (QStringList{"a", "c"}));
    EXPECT_EQ(messages.prompts().size(), 1);
}

} // namespace
