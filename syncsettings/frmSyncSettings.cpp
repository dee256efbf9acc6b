#include "syncsettings/frmSyncSettings.h"

#include "platform/runtime/designlayout.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QThread>

namespace {

// "AB:CD:..." of a hex fingerprint.
QString shownFingerprint(const QByteArray &hex)
{
    QStringList pairs;
    for (qsizetype i = 0; i < hex.size(); i += 2)
        pairs.append(QString::fromLatin1(hex.mid(i, 2).toUpper()));
    return pairs.join(QLatin1Char(':'));
}

} // namespace

// What one Find asks and what it found, shared with its thread.
struct frmSyncSettings::Search
{
    QUrl server;
    QString user;
    QString password;
    QByteArray certificate;
    core::Result<std::vector<core::AddressBook>> books = std::vector<core::AddressBook>();
    QByteArray refused;
};

frmSyncSettings::frmSyncSettings(const std::optional<core::SyncAccount> &current, QWidget *parent)
    : QDialog(parent), layout_(new platform::DesignLayout(this, 5400, 4710))
{
    setWindowTitle(tr("Sync"));
    const platform::Follow stretchX{0, 1, 0, 0};
    const auto field = [this, stretchX](const QString &label, int top) {
        auto *caption = new QLabel(label, this);
        layout_->place(caption, {120, top + 45, 1500, 225});
        auto *edit = new QLineEdit(this);
        layout_->place(edit, {1680, top, 3600, 315}, stretchX);
        caption->setBuddy(edit);
        return edit;
    };
    txtServer = field(tr("&Server address:"), 120);
    txtServer->setPlaceholderText(tr("https://dav.example.org/"));
    txtUser = field(tr("&User name:"), 510);
    txtPassword = field(tr("&Password:"), 900);
    txtPassword->setEchoMode(QLineEdit::Password);
    cmdFind = new QPushButton(tr("&Find address books"), this);
    layout_->place(cmdFind, {1680, 1290, 2100, 345});
    auto *lblBooks = new QLabel(tr("&Address books:"), this);
    layout_->place(lblBooks, {120, 1755, 1500, 225});
    lstBooks = new QListWidget(this);
    layout_->place(lstBooks, {120, 2010, 5160, 1185}, {0, 1, 0, 1});
    lblBooks->setBuddy(lstBooks);
    lblMessage = new QLabel(this);
    lblMessage->setWordWrap(true);
    lblMessage->setTextInteractionFlags(Qt::TextSelectableByMouse);
    layout_->place(lblMessage, {120, 3240, 5160, 780}, {0, 1, 1, 0});
    chkCertificate = new QCheckBox(tr("I &trust this certificate"), this);
    layout_->place(chkCertificate, {120, 4020, 3000, 255}, {0, 0, 1, 0});
    chkCertificate->hide();
    cmdOK = new QPushButton(tr("OK"), this);
    layout_->place(cmdOK, {2760, 4290, 1200, 345}, {1, 0, 1, 0});
    cmdCancel = new QPushButton(tr("Cancel"), this);
    layout_->place(cmdCancel, {4080, 4290, 1200, 345}, {1, 0, 1, 0});
    cmdOK->setDefault(true);
    layout_->start();
    QWidget *order[] = {txtServer, txtUser,        txtPassword, cmdFind,
                        lstBooks,  chkCertificate, cmdOK,       cmdCancel};
    for (std::size_t i = 1; i < std::size(order); ++i)
        setTabOrder(order[i - 1], order[i]);

    if (current) {
        account_ = *current;
        txtServer->setText(current->server.toString());
        txtUser->setText(current->user);
        certificate_ = current->certificate;
    }
    connect(cmdFind, &QPushButton::clicked, this, &frmSyncSettings::cmdFind_Click);
    connect(cmdOK, &QPushButton::clicked, this, &frmSyncSettings::cmdOK_Click);
    connect(cmdCancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(lstBooks, &QListWidget::currentRowChanged, this, &frmSyncSettings::updateCommands);
    // Trusting the certificate shown asks the server again with it.
    connect(chkCertificate, &QCheckBox::toggled, this, [this](bool trusted) {
        if (trusted)
            cmdFind_Click();
    });
    for (QLineEdit *edit : {txtServer, txtUser, txtPassword})
        connect(edit, &QLineEdit::textChanged, this, &frmSyncSettings::updateCommands);
    // The books listed are those of the server and user they were found for.
    for (QLineEdit *edit : {txtServer, txtUser})
        connect(edit, &QLineEdit::textChanged, lstBooks, &QListWidget::clear);
    updateCommands();
}

frmSyncSettings::~frmSyncSettings()
{
    // A search that runs ends on its own (its requests time out); the
    // dialog's widgets are not touched by it.
    if (finder_) {
        finder_->wait();
        delete finder_;
    }
}

QString frmSyncSettings::password() const
{
    return txtPassword->text();
}

void frmSyncSettings::updateCommands()
{
    const bool filled = !txtServer->text().trimmed().isEmpty() && !txtUser->text().isEmpty();
    cmdFind->setEnabled(filled && !finder_);
    cmdOK->setEnabled(filled && !finder_ && lstBooks->currentRow() >= 0);
}

void frmSyncSettings::cmdFind_Click()
{
    if (finder_ || txtServer->text().trimmed().isEmpty())
        return;
    search_ = std::make_shared<Search>();
    search_->server = QUrl::fromUserInput(txtServer->text().trimmed());
    search_->user = txtUser->text();
    search_->password = txtPassword->text();
    // The fingerprint shown is used only while the user trusts it.
    search_->certificate = chkCertificate->isChecked() ? certificate_ : QByteArray();
    lstBooks->clear();
    books_.clear();
    lblMessage->setText(tr("Looking for address books at %1…").arg(search_->server.toString()));
    finder_ = QThread::create([search = search_] {
        if (const core::Result<> scheme = core::checkScheme(search->server, false); !scheme) {
            search->books = core::Result<std::vector<core::AddressBook>>::failure(scheme.error());
            return;
        }
        core::DavClient client(search->user, search->password, search->certificate);
        search->books = core::findAddressBooks(client, search->server);
        search->refused = client.refusedCertificate();
    });
    connect(finder_, &QThread::finished, this, &frmSyncSettings::found);
    finder_->start();
    updateCommands();
}

void frmSyncSettings::found()
{
    finder_->deleteLater();
    finder_ = nullptr;
    const std::shared_ptr<Search> search = std::move(search_);
    if (!search->books) {
        if (!search->refused.isEmpty()) {
            certificate_ = search->refused;
            const QSignalBlocker quiet(chkCertificate);
            chkCertificate->setChecked(false);
            chkCertificate->show();
            lblMessage->setText(tr("The server's certificate does not verify. Its SHA-256 "
                                   "fingerprint is %1. Trust it only when it is the one your "
                                   "server shows.")
                                    .arg(shownFingerprint(certificate_)));
        } else {
            lblMessage->setText(search->books.error());
        }
        updateCommands();
        return;
    }
    books_ = std::move(*search->books);
    int chosen = 0;
    for (const core::AddressBook &book : books_) {
        if (book.url == account_.book)
            chosen = lstBooks->count();
        lstBooks->addItem(book.displayName);
    }
    if (books_.empty()) {
        lblMessage->setText(tr("The server holds no address book for %1.").arg(search->user));
    } else {
        lblMessage->setText(tr("Choose the address book to sync with."));
        lstBooks->setCurrentRow(chosen);
        lstBooks->setFocus();
    }
    account_.server = search->server;
    account_.user = search->user;
    account_.certificate = search->certificate;
    updateCommands();
}

void frmSyncSettings::cmdOK_Click()
{
    const int row = lstBooks->currentRow();
    if (row < 0 || finder_)
        return;
    account_.book = books_[std::size_t(row)].url;
    account_.bookName = books_[std::size_t(row)].displayName;
    account_.allowHttp = false;
    accept();
}
