#pragma once

#include "core/sync/discovery.h"
#include "core/sync/syncfiles.h"

#include <QDialog>

#include <memory>
#include <optional>

class QCheckBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QThread;

namespace platform {
class DesignLayout;
}

// The sync settings: the server's address, the user name and the password;
// Find lists the address books the server holds for the user (asked on a
// thread of its own, so the dialog keeps answering), and OK takes the one
// chosen. A certificate that does not verify is shown with its SHA-256
// fingerprint and used only once the user ticks that it is trusted. The
// dialog hands back the account and the password; it stores neither.
class frmSyncSettings : public QDialog
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(frmSyncSettings)

public:
    explicit frmSyncSettings(const std::optional<core::SyncAccount> &current,
                             QWidget *parent = nullptr);
    ~frmSyncSettings() override;

    // After OK: the account with the book chosen, and the password.
    core::SyncAccount account() const { return account_; }
    QString password() const;
    bool finding() const { return finder_ != nullptr; }

    QLineEdit *txtServer;
    QLineEdit *txtUser;
    QLineEdit *txtPassword;
    QPushButton *cmdFind;
    QListWidget *lstBooks;
    QLabel *lblMessage;
    QCheckBox *chkCertificate;
    QPushButton *cmdOK;
    QPushButton *cmdCancel;

    void cmdFind_Click();
    void cmdOK_Click();

private:
    struct Search;
    void found();
    void updateCommands();

    platform::DesignLayout *layout_;
    core::SyncAccount account_;
    QByteArray certificate_; // the fingerprint shown, hex
    std::vector<core::AddressBook> books_;
    std::shared_ptr<Search> search_;
    QThread *finder_ = nullptr;
};
