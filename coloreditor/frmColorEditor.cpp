#include "frmColorEditor.h"

#include "core/colors/keywordfile.h"
#include "core/colors/keywordmodel.h"
#include "core/files/fileio.h"
#include "platform/controls/colordialog.h"
#include "platform/controls/listview.h"
#include "platform/controls/palette.h"
#include "platform/controls/picturebox.h"
#include "platform/controls/staticedge.h"
#include "platform/runtime/designlayout.h"
#include "platform/runtime/keyevents.h"
#include "platform/runtime/messagebox.h"

#include <QColor>
#include <QDir>
#include <QGroupBox>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLineEdit>
#include <QPalette>
#include <QPushButton>

#include <algorithm>

namespace {
constexpr int kKeyEscape = 27;
} // namespace

frmColorEditor::frmColorEditor(const QString &appFolder, QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowCloseButtonHint),
      keywords_(new core::KeywordModel(this)), appFolder_(appFolder),
      keywordFile_(core::keywordFilePath(appFolder)),
      layout_(new platform::DesignLayout(this, 4710, 3135))
{
    setWindowTitle(tr("Color Editor"));
    buildControls();
    layout_->start();
    platform::rememberGeometry(this, QStringLiteral("color editor"));
    Form_Load();
}

void frmColorEditor::buildControls()
{
    // The keyword list takes the room beyond the design's size; its buttons
    // keep to the bottom edge, the frames (whose contents stay as they are)
    // to the right edge, and the closing buttons to the bottom right corner.
    constexpr platform::Follow right{1, 0, 0, 0};
    constexpr platform::Follow bottom{0, 0, 1, 0};
    const auto button = [this](const QString &text, QWidget *parent, const QRect &twips,
                               platform::Follow follow) {
        auto *b = new QPushButton(text, parent);
        layout_->place(b, twips, follow);
        // Enter presses no button; Space presses the one with the focus.
        b->setAutoDefault(false);
        return b;
    };

    lstColors = new platform::ListView(tr("Item"), this);
    lstColors->showModel(keywords_);
    layout_->place(lstColors, {30, 120, 1485, 2625}, {0, 1, 0, 1});
    lstColors->header()->setStretchLastSection(true);

    cmdAdd = button(tr("&Add"), this, {60, 2790, 705, 285}, bottom);
    cmdDelete = button(tr("&Delete"), this, {810, 2790, 705, 285}, bottom);

    fraEdit = new QGroupBox(tr("Edit"), this);
    layout_->place(fraEdit, {1560, 30, 3075, 1755}, right);
    lblCaption[0] = new QLabel(tr("Ca&ption:"), fraEdit);
    layout_->place(lblCaption[0], {90, 270, 585, 195});
    txtCaption = new QLineEdit(fraEdit);
    layout_->place(txtCaption, {720, 240, 2265, 285});
    lblCaption[0]->setBuddy(txtCaption);
    lblCaption[1] = new QLabel(tr("C&olor:"), fraEdit);
    layout_->place(lblCaption[1], {120, 780, 405, 195});
    picColor = new platform::PictureBox(fraEdit);
    layout_->place(picColor, {720, 660, 2235, 315});
    lblCaption[1]->setBuddy(picColor);
    cmdCancel = button(tr("Ca&ncel"), fraEdit, {1500, 1320, 705, 285}, {});
    cmdSave = button(tr("&Save"), fraEdit, {2280, 1320, 705, 285}, {});
    cmdCancel->setEnabled(false);
    cmdSave->setEnabled(false);

    fraPreview = new QGroupBox(tr("Preview"), this);
    layout_->place(fraPreview, {1560, 1830, 3075, 675}, right);
    txtView = new QLineEdit(fraPreview);
    layout_->place(txtView, {60, 300, 2955, 285});
    // The preview shows the line as the detail list will: on a light base.
    platform::keepLightBase(txtView);
    setViewColor(0);

    cmdSaveColors = button(tr("Save Co&lors"), this, {1995, 2670, 1065, 345}, {1, 0, 1, 0});
    cmdCancelColors = button(tr("&Cancel"), this, {3135, 2670, 1065, 345}, {1, 0, 1, 0});

    cd1 = new platform::ColorDialog(this);

    // Tab goes down the list and its buttons, then through the Edit frame,
    // then to the buttons that close the dialog: the layout's order.
    QWidget *const order[] = {lstColors, cmdAdd,  cmdDelete,     txtCaption,     picColor,
                              cmdCancel, cmdSave, cmdSaveColors, cmdCancelColors};
    for (std::size_t i = 1; i < std::size(order); ++i)
        setTabOrder(order[i - 1], order[i]);
    // The preview only shows; it is no stop and takes no typing.
    txtView->setFocusPolicy(Qt::NoFocus);
    txtView->setReadOnly(true);
    lstColors->setAccessibleName(tr("Keywords"));
    picColor->setAccessibleDescription(tr("Space, Enter or F4 chooses another color"));
    cmdCancel->setAccessibleDescription(tr("Cancels the change to this keyword"));
    cmdCancelColors->setAccessibleDescription(
        tr("Closes the color editor without saving any change"));
    // Esc is no command here: only the Cancel button closes without saving.
    auto *dialogKeys = new platform::KeyNotifier(this);
    connect(dialogKeys, &platform::KeyNotifier::keyDown, this,
            [dialogKeys](int keyCode, int shift) {
                if (keyCode == kKeyEscape && shift == 0)
                    dialogKeys->swallowCurrent();
            });

    connect(lstColors, &platform::ListView::itemClick, this, &frmColorEditor::lstColors_ItemClick);
    // Moving the selection with the keyboard shows the entry as a click does,
    // so that Save and Delete always act on the entry the fields show.
    connect(lstColors->selectionModel(), &QItemSelectionModel::selectionChanged, this, [this] {
        if (const int selected = lstColors->selectedItem(); selected && showSelection_)
            lstColors_ItemClick(selected);
    });
    connect(picColor, &platform::PictureBox::click, this, &frmColorEditor::picColor_Click);
    connect(txtCaption, &QLineEdit::textChanged, this, &frmColorEditor::txtCaption_Change);
    connect(cmdAdd, &QPushButton::clicked, this, &frmColorEditor::cmdAdd_Click);
    connect(cmdSave, &QPushButton::clicked, this, &frmColorEditor::cmdSave_Click);
    connect(cmdCancel, &QPushButton::clicked, this, &frmColorEditor::cmdCancel_Click);
    connect(cmdDelete, &QPushButton::clicked, this, &frmColorEditor::cmdDelete_Click);
    connect(cmdSaveColors, &QPushButton::clicked, this, &frmColorEditor::cmdSaveColors_Click);
    connect(cmdCancelColors, &QPushButton::clicked, this, &frmColorEditor::cmdCancelColors_Click);
}

void frmColorEditor::Form_Load()
{
    LoadColorList();
    for (QWidget *control : std::initializer_list<QWidget *>{cmdAdd, cmdDelete, cmdCancel, cmdSave,
                                                             cmdSaveColors, cmdCancelColors})
        officeBorders::ApplyStaticEdge(control);
    lstColors_ItemClick(1);
}

void frmColorEditor::LoadColorList()
{
    // A missing file gives an empty list; the editor never creates it. A
    // file it refuses (a link, a FIFO, too large, unreadable) keeps the
    // dialog from opening.
    const core::Result<core::KeywordFile> file = core::readKeywordFile(appFolder_);
    if (!file) {
        platform::MsgBox(tr("Can't read the color file %1: %2.")
                             .arg(QDir::toNativeSeparators(keywordFile_), file.error()),
                         platform::vbExclamation, {}, this);
        return;
    }
    loaded_ = true;
    keywords_->append(core::parseKeywordLines(file->lines));
}

void frmColorEditor::lstColors_ItemClick(int)
{
    // With no entry selected (an empty list) the fields keep what they show.
    const int selected = lstColors->selectedRow();
    if (selected < 0)
        return;
    bAddNew = false;
    const core::KeywordLine &line = keywords_->row(selected);
    const core::ColorValue color = core::parseColorText(line.colorText);
    txtCaption->setText(line.keyword);
    showPreview(color);
    picColor->setBackColor(color);
    setEditing(false);
}

void frmColorEditor::picColor_Click()
{
    // The dialog opens on the swatch's colour; Cancel changes nothing.
    cd1->setColor(picColor->backColor());
    if (!cd1->ShowColor())
        return;
    picColor->setBackColor(cd1->Color());
    showPreview(picColor->backColor());
    setEditing(true);
}

void frmColorEditor::txtCaption_Change()
{
    setEditing(true);
    showPreview(picColor->backColor());
}

void frmColorEditor::cmdAdd_Click()
{
    txtCaption->setFocus();
    bAddNew = true;
    txtCaption->clear();
    picColor->setBackColor(0);
}

void frmColorEditor::cmdSave_Click()
{
    const core::KeywordLine line{txtCaption->text(),
                                 core::colorText(ColorToRGB(picColor->backColor()))};
    if (bAddNew) {
        // The new entry becomes the selected one, so that the fields, the
        // selection and the next Save all mean the same entry.
        keywords_->append({line});
        lstColors->setSelectedRow(keywords_->rowCount() - 1);
        lstColors->scrollToItem(lstColors->selectedItem());
    } else {
        const int selected = lstColors->selectedRow();
        if (selected < 0)
            return;
        keywords_->replace(selected, line);
    }
    bAddNew = false;
    setEditing(false);
}

void frmColorEditor::cmdCancel_Click()
{
    const int selected = lstColors->selectedItem();
    if (selected == 0)
        return;
    setEditing(false);
    lstColors_ItemClick(selected);
}

void frmColorEditor::cmdDelete_Click()
{
    const int selected = lstColors->selectedRow();
    if (selected < 0)
        return;
    const QString question =
        tr("Are you sure you want to remove \"%1\"?").arg(keywords_->row(selected).keyword);
    if (platform::MsgBox(question, platform::vbYesNo | platform::vbQuestion, {}, this) !=
        platform::vbYes)
        return;
    // The removal leaves no entry selected, and the fields go on showing the
    // removed one; the view would otherwise select the next row by itself.
    showSelection_ = false;
    keywords_->remove(selected);
    lstColors->clearSelection();
    showSelection_ = true;
}

void frmColorEditor::cmdSaveColors_Click()
{
    const core::Result<> written = core::writeKeywordFile(keywordFile_, keywords_->rows());
    if (!written) {
        // The list stays as it is, so the user can try again or cancel.
        platform::MsgBox(tr("Can't save the colors to %1: %2.")
                             .arg(QDir::toNativeSeparators(keywordFile_), written.error()),
                         platform::vbExclamation, {}, this);
        return;
    }
    accept();
}

void frmColorEditor::cmdCancelColors_Click()
{
    reject();
}

frmColorEditor::RGBTriple frmColorEditor::ColorToRGB(const core::ColorValue &color) const
{
    return core::ColorToRGB(color);
}

void frmColorEditor::showPreview(core::ColorValue color)
{
    setViewColor(color);
    txtView->setText(tr("%1 the data goes here").arg(txtCaption->text()));
}

void frmColorEditor::setViewColor(core::ColorValue color)
{
    platform::setRoleColor(txtView, QPalette::Text, platform::toQColor(color));
}

void frmColorEditor::setEditing(bool editing)
{
    cmdCancel->setEnabled(editing);
    cmdSave->setEnabled(editing);
}
