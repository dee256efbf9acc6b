#pragma once

#include <QDialog>

class EntryListOwner;
class QCheckBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;

// The entry editor: the modal dialog in which one entry is added or changed.
// It opens in the mode its owner gives (0 add, 1 edit the owner's selected
// entry), keeps the entry only in its controls while it is open, and on Done
// writes it straight into the owner's entry list. Cancel, Esc and the close
// box write nothing.
class frmAddEdit : public QDialog
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(frmAddEdit)

public:
    // Builds the controls and runs Form_Load.
    explicit frmAddEdit(EntryListOwner &owner, QWidget *parent = nullptr);
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
    void Form_Load();
    void buildControls();
    // The selected row of lstNumbers, or -1 when none is.
    int listIndex() const;
    void moveSelectedRow(int offset);

    EntryListOwner &owner_;
    bool editing_ = false;
    int editItem_ = 0; // the entry list's item being edited, 0 in add mode
};
