#include "frmAddEdit.h"

#include "core/directory/entryrules.h"
#include "core/files/fileio.h"
#include "platform/controls/staticedge.h"
#include "platform/controls/textfilter.h"
#include "platform/runtime/designlayout.h"
#include "platform/runtime/keyevents.h"
#include "platform/runtime/messagebox.h"

#include <QAction>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSignalBlocker>

#include <algorithm>
#include <memory>

namespace {

constexpr int kCarriageReturn = 13;
constexpr int kKeyDelete = 46;

// The typed-length limit of a text box bounds only what the user types or
// pastes: a longer text set by code is kept whole, and the user can then
// shorten it but not make it longer. Brings the box's limit to the larger of
// the two, keeping the cursor where it is.
void fitTypedLimit(QLineEdit *box, int typedLimit)
{
    const int limit = std::max(typedLimit, static_cast<int>(box->text().size()));
    if (box->maxLength() == limit)
        return;
    const int cursor = box->cursorPosition();
    box->setMaxLength(limit);
    box->setCursorPosition(cursor);
}

// Sets a text box's text from code, whatever its length.
void setBoxText(QLineEdit *box, const QString &text)
{
    if (text.size() > box->maxLength())
        box->setMaxLength(static_cast<int>(text.size()));
    box->setText(text);
}

} // namespace

frmAddEdit::frmAddEdit(const std::optional<core::DirectoryEntry> &editing, QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowCloseButtonHint),
      layout_(new platform::DesignLayout(this, 4785, 2400))
{
    setWindowTitle(tr("Add/Edit"));
    buildControls();
    layout_->start();
    platform::rememberGeometry(this, QStringLiteral("entry editor"));
    Form_Load(editing);
}

frmAddEdit::~frmAddEdit() = default;

void frmAddEdit::buildControls()
{
    // The number list takes the room beyond the design's size; the name and
    // number boxes grow in width; the buttons keep to the right edge, the
    // number box and its Add button to the bottom, Cancel and Done to the
    // bottom right corner.
    constexpr platform::Follow stretchX{0, 1, 0, 0};
    constexpr platform::Follow right{1, 0, 0, 0};

    lblName = new QLabel(tr("&Name:"), this);
    layout_->place(lblName, {90, 150, 450, 210});
    txtName = new QLineEdit(this);
    layout_->place(txtName, {810, 60, 2865, 285}, stretchX);
    txtName->setMaxLength(kNameLimit);
    txtName->setValidator(new platform::TextFilter(core::keepNameInFormat, txtName));

    chkBold = new QCheckBox(tr("&Bold"), this);
    layout_->place(chkBold, {3720, 90, 975, 195}, right);
    QFont boldFont = chkBold->font();
    boldFont.setBold(true);
    chkBold->setFont(boldFont);

    lblNum = new QLabel(tr("Nu&mbers:"), this);
    layout_->place(lblNum, {90, 420, 690, 210});
    lstNumbers = new QListWidget(this);
    layout_->place(lstNumbers, {810, 390, 2865, 1110}, {0, 1, 0, 1});
    lstNumbers->setSelectionMode(QAbstractItemView::SingleSelection);

    const auto button = [this](const QString &text, QRect twips, platform::Follow follow) {
        auto *b = new QPushButton(text, this);
        layout_->place(b, twips, follow);
        // No button is the default one: Enter never presses Done.
        b->setAutoDefault(false);
        return b;
    };
    cmdMoveUp = button(tr("&Up"), {3720, 420, 975, 285}, right);
    cmdMoveDown = button(tr("D&own"), {3720, 750, 975, 285}, right);
    cmdRemove = button(tr("&Remove"), {3720, 1200, 975, 285}, right);
    cmdMoveUp->setEnabled(false);
    cmdMoveDown->setEnabled(false);

    txtNumber = new QLineEdit(this);
    layout_->place(txtNumber, {810, 1530, 2865, 315}, {0, 1, 1, 0});
    txtNumber->setMaxLength(kNumberLimit);
    txtNumber->setValidator(new platform::TextFilter(core::keepNumberLineInFormat, txtNumber));
    cmdAddNum = button(tr("&Add"), {3720, 1530, 975, 285}, {1, 0, 1, 0});
    cmdAddNum->setEnabled(false);

    cmdCancel = button(tr("&Cancel"), {3180, 1920, 735, 375}, {1, 0, 1, 0});
    cmdDone = button(tr("&Done"), {3960, 1920, 735, 375}, {1, 0, 1, 0});

    // Tab goes through the controls as they are laid out: each row from left
    // to right, the rows from top to bottom.
    QWidget *const order[] = {txtName,   chkBold,   lstNumbers, cmdMoveUp, cmdMoveDown,
                              cmdRemove, txtNumber, cmdAddNum,  cmdCancel, cmdDone};
    for (std::size_t i = 1; i < std::size(order); ++i)
        setTabOrder(order[i - 1], order[i]);
    lblName->setBuddy(txtName);
    lblNum->setBuddy(lstNumbers);
    lstNumbers->setTabKeyNavigation(false);
    lstNumbers->setAccessibleName(tr("Number lines"));
    txtNumber->setAccessibleName(tr("Number line"));

    // Esc presses Cancel.
    auto *cancelKey = new QAction(this);
    cancelKey->setShortcut(QKeySequence::Cancel);
    connect(cancelKey, &QAction::triggered, cmdCancel, &QPushButton::click);
    addAction(cancelKey);
    auto *numberKeys = new platform::KeyNotifier(txtNumber);
    connect(numberKeys, &platform::KeyNotifier::keyPress, this, &frmAddEdit::txtNumber_KeyPress);
    auto *listKeys = new platform::KeyNotifier(lstNumbers);
    connect(listKeys, &platform::KeyNotifier::keyUp, this, &frmAddEdit::lstNumbers_KeyUp);
    connect(cmdDone, &QPushButton::clicked, this, &frmAddEdit::cmdDone_Click);
    connect(cmdCancel, &QPushButton::clicked, this, &frmAddEdit::cmdCancel_Click);
    connect(cmdAddNum, &QPushButton::clicked, this, &frmAddEdit::cmdAddNum_Click);
    connect(cmdRemove, &QPushButton::clicked, this, &frmAddEdit::cmdRemove_Click);
    connect(cmdMoveUp, &QPushButton::clicked, this, &frmAddEdit::cmdMoveUp_Click);
    connect(cmdMoveDown, &QPushButton::clicked, this, &frmAddEdit::cmdMoveDown_Click);
    connect(txtNumber, &QLineEdit::textChanged, this, &frmAddEdit::txtNumber_Change);
    connect(txtName, &QLineEdit::textChanged, this, [this] { fitTypedLimit(txtName, kNameLimit); });
    connect(txtNumber, &QLineEdit::textChanged, this,
            [this] { fitTypedLimit(txtNumber, kNumberLimit); });
    connect(lstNumbers, &QListWidget::itemSelectionChanged, this, &frmAddEdit::lstNumbers_Click);
}

void frmAddEdit::Form_Load(const std::optional<core::DirectoryEntry> &editing)
{
    if (editing) {
        setBoxText(txtName, editing->name);
        chkBold->setChecked(editing->bold);
        lstNumbers->addItems(core::splitNumberLines(editing->numbers));
    }
    for (QPushButton *button : findChildren<QPushButton *>(Qt::FindDirectChildrenOnly))
        officeBorders::ApplyStaticEdge(button);
    txtName->setFocus();
}

void frmAddEdit::cmdDone_Click()
{
    const int style = platform::vbOKOnly | platform::vbInformation;
    const QString name = txtName->text();
    if (core::isBlank(name)) {
        platform::MsgBox(tr("No name specified, can't add."), style, {}, this);
        txtName->setFocus();
        return;
    }
    if (!core::nameReadsBack(name, chkBold->isChecked())) {
        platform::MsgBox(core::beginsWithBoldMarker(name)
                             ? tr("A name can't begin with <b>, can't add.")
                             : tr("A bold name can't contain <b>, can't add."),
                         style, {}, this);
        txtName->setFocus();
        return;
    }
    if (lstNumbers->count() == 0) {
        platform::MsgBox(tr("No numbers specified, can't add."), style, {}, this);
        txtNumber->setFocus();
        return;
    }
    accept();
}

core::DirectoryEntry frmAddEdit::entry() const
{
    QStringList rows;
    rows.reserve(lstNumbers->count());
    for (int row = 0; row < lstNumbers->count(); ++row)
        rows.append(lstNumbers->item(row)->text());
    return {txtName->text(), core::joinNumberLines(rows), chkBold->isChecked()};
}

void frmAddEdit::cmdCancel_Click()
{
    reject();
}

void frmAddEdit::cmdAddNum_Click()
{
    lstNumbers->addItem(txtNumber->text());
    // The next typing replaces the line just added.
    txtNumber->selectAll();
    txtNumber->setFocus();
}

void frmAddEdit::txtNumber_KeyPress(int &keyAscii)
{
    if (keyAscii == kCarriageReturn) {
        cmdAddNum_Click();
        keyAscii = 0;
    }
}

void frmAddEdit::txtNumber_Change()
{
    cmdAddNum->setEnabled(!core::isBlank(txtNumber->text()));
}

void frmAddEdit::lstNumbers_Click()
{
    // A click that only cleared the selection (below the last row, or with
    // Ctrl on the selected row) leaves the box and the buttons as they are.
    const int row = listIndex();
    if (row < 0)
        return;
    setBoxText(txtNumber, lstNumbers->item(row)->text());
    cmdMoveUp->setEnabled(row != 0);
    cmdMoveDown->setEnabled(row != lstNumbers->count() - 1);
}

void frmAddEdit::cmdRemove_Click()
{
    const int row = listIndex();
    if (row < 0) {
        platform::MsgBox(tr("Nothing selected to remove."),
                         platform::vbOKOnly | platform::vbInformation, {}, this);
        return;
    }
    // The list view would select the next row by itself; after a removal no
    // row is selected, and Up and Down keep their state.
    const QSignalBlocker blocker(lstNumbers);
    std::unique_ptr<QListWidgetItem> removed(lstNumbers->takeItem(row));
    lstNumbers->clearSelection();
}

void frmAddEdit::lstNumbers_KeyUp(int keyCode, int)
{
    if (keyCode == kKeyDelete && listIndex() != -1)
        cmdRemove_Click();
}

void frmAddEdit::cmdMoveUp_Click()
{
    moveSelectedRow(-1);
}

void frmAddEdit::cmdMoveDown_Click()
{
    moveSelectedRow(1);
}

void frmAddEdit::moveSelectedRow(int offset)
{
    // With no row selected (after Remove) nothing moves.
    const int row = listIndex();
    const int other = row + offset;
    if (row < 0 || other < 0 || other >= lstNumbers->count())
        return;
    QListWidgetItem *moved = lstNumbers->item(row);
    QListWidgetItem *neighbour = lstNumbers->item(other);
    const QString text = moved->text();
    moved->setText(neighbour->text());
    neighbour->setText(text);
    lstNumbers->setCurrentRow(other);
}

int frmAddEdit::listIndex() const
{
    const QList<QListWidgetItem *> selected = lstNumbers->selectedItems();
    return selected.isEmpty() ? -1 : lstNumbers->row(selected.first());
}
