#pragma once

#include "core/colors/colortext.h"

#include <QDialog>

class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace core {
class KeywordModel;
}

namespace platform {
class ColorDialog;
class DesignLayout;
class ListView;
class PictureBox;
} // namespace platform

// The colour key editor: lists the keyword lines of the keyword colour file,
// edits one keyword and its colour at a time with a preview, and writes the
// whole table back on Save Colors. Its keyword model, which the list shows, is
// the only working copy of the table while it is open; closing it any other
// way discards every change.
class frmColorEditor : public QDialog
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(frmColorEditor)

public:
    using RGBTriple = core::RGBTriple;

    // Builds the dialog and loads the keyword colour file of the application
    // folder into its list.
    explicit frmColorEditor(const QString &appFolder, QWidget *parent = nullptr);

    // False when the keyword colour file could not be read: the user has
    // been told why, and the dialog must not open (a save would write an
    // empty table over a file it never read).
    bool isLoaded() const { return loaded_; }

    // The keyword rows as the dialog holds them (what Save Colors writes).
    core::KeywordModel &keywords() { return *keywords_; }

    // True while a new keyword is being entered (after Add, until Save,
    // Cancel or a selection).
    bool bAddNew = false;

    platform::ListView *lstColors;
    QPushButton *cmdAdd;
    QPushButton *cmdDelete;
    QGroupBox *fraEdit;
    QLabel *lblCaption[2];
    QLineEdit *txtCaption;
    platform::PictureBox *picColor;
    QPushButton *cmdCancel;
    QPushButton *cmdSave;
    QGroupBox *fraPreview;
    QLineEdit *txtView;
    QPushButton *cmdSaveColors;
    QPushButton *cmdCancelColors;
    platform::ColorDialog *cd1;

    // Shows the list's selected entry; the argument is not used.
    void lstColors_ItemClick(int item);
    void picColor_Click();
    void txtCaption_Change();
    void cmdAdd_Click();
    void cmdSave_Click();
    void cmdCancel_Click();
    void cmdDelete_Click();
    void cmdSaveColors_Click();
    void cmdCancelColors_Click();

private:
    void Form_Load();
    void LoadColorList();
    RGBTriple ColorToRGB(const core::ColorValue &color) const;

    void buildControls();
    // The preview line: the keyword box's text and the sample text, in colour.
    void showPreview(core::ColorValue color);
    void setViewColor(core::ColorValue color);
    void setEditing(bool editing);

    core::KeywordModel *keywords_;
    QString appFolder_;
    QString keywordFile_;
    platform::DesignLayout *layout_;
    bool loaded_ = false;
    // Whether a change of the list's selection shows the selected entry.
    bool showSelection_ = true;
};
