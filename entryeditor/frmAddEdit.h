#pragma once

#include "core/directory/directoryfile.h"

#include <QDialog>

#include <optional>

class QCheckBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;

namespace platform {
class DesignLayout;
} // namespace platform

// The entry editor: the modal dialog in which one entry is added or changed.
// It opens on an entry to edit, or on empty fields to add one, keeps the
// entry only in its controls while it is open, and on Done gives back the
// edited entry (entry()) for its owner to store. Cancel, Esc and the close
// box give back nothing.
class frmAddEdit : public QDialog
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(frmAddEdit)

public:
    // Builds the controls and runs Form_Load: the fields show the entry to
    // edit, or are empty to add one.
    explicit frmAddEdit(const std::optional<core::DirectoryEntry> &editing = std::nullopt,
                        QWidget *parent = nullptr);
    ~frmAddEdit() override;

    static constexpr int kNameLimit = 25;   // typed characters in txtName
    static constexpr int kNumberLimit = 50; // typed characters in txtNumber

    QLabel *lblName;
    QLineEdit *txtName;
    QCheckBox *chkBold;
    QLabel *lblNum;
    QListWidget *lstNumbers;
    QPushButton *cmdMoveUp;
    QPushButton *cmdMoveDown;
    QPushButton *cmdRemove;
    QLineEdit *txtNumber;
    QPushButton *cmdAddNum;
    QPushButton *cmdCancel;
    QPushButton *cmdDone;

    // The entry as the fields hold it (what Done accepted).
    core::DirectoryEntry entry() const;

    void cmdDone_Click();
    void cmdCancel_Click();

    void cmdAddNum_Click();
    // A character typed in the number box; setting it to 0 cancels it.
    void txtNumber_KeyPress(int &keyAscii);
    void txtNumber_Change();
    void lstNumbers_Click();
    void cmdRemove_Click();
    void lstNumbers_KeyUp(int keyCode, int shift);
    void cmdMoveUp_Click();
    void cmdMoveDown_Click();

private:
    // Runs once, when the dialog is created: fills the controls in edit mode
    // and gives the buttons their static edge.
    void Form_Load(const std::optional<core::DirectoryEntry> &editing);
    void buildControls();
    // The selected row of lstNumbers, or -1 when none is.
    int listIndex() const;
    void moveSelectedRow(int offset);

    platform::DesignLayout *layout_;
};
