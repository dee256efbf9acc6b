// The main window's sync with a contacts server: Sync now, the settings, the
// syncs at start, after saves and every quarter of an hour, and the status
// line that tells how the last one went.

#include "frmMain.h"

#include "core/directory/directorymodel.h"
#include "core/directory/undohistory.h"
#include "core/service/directoryservice.h"
#include "core/service/savequeue.h"
#include "platform/controls/listview.h"
#include "platform/runtime/designlayout.h"
#include "platform/runtime/messagebox.h"
#include "platform/system/keyring.h"
#include "syncsettings/frmSyncSettings.h"

#include <QAction>
#include <QApplication>
#include <QInputDialog>
#include <QLabel>
#include <QLocale>
#include <QThread>
#include <QTimer>

#include <atomic>

namespace {

// Saves close together take one sync, this long after the first of them.
constexpr int kSyncAfterSaveMs = 3000;
constexpr int kSyncEveryMs = 15 * 60 * 1000;
// The status line: progress while a sync runs, the age of the last one after.
constexpr int kProgressTickMs = 250;
constexpr int kAgeTickMs = 30 * 1000;

// A result waiting for a dialog to close looks again this often.
constexpr int kApplyRetryMs = 500;

// Where the keyring keeps the password: the server without its path.
QString keyringServer(const core::SyncAccount &account)
{
    return account.server.adjusted(QUrl::RemovePath).toString();
}

} // namespace

// One sync, shared with the thread that runs it.
struct frmMain::SyncJob
{
    core::DirectoryService::SyncRun run;
    core::Result<core::SyncCounts> result = core::SyncCounts();
    std::atomic<qsizetype> done{0};
    std::atomic<qsizetype> total{0};
    std::atomic<bool> stop{false};
    bool applied = false; // its result is in the model, its save on the way
};

void frmMain::buildSyncCommands()
{
    mnuSyncNow = new QAction(tr("Sync &now"), this);
    mnuSyncNow->setShortcut(QKeySequence(tr("Ctrl+R")));
    mnuSyncSettings = new QAction(tr("S&ync..."), this);
    addAction(mnuSyncNow);
    connect(mnuSyncNow, &QAction::triggered, this, &frmMain::mnuSyncNow_Click);
    connect(mnuSyncSettings, &QAction::triggered, this, &frmMain::mnuSyncSettings_Click);

    lblSyncStatus = new QLabel(this);
    lblSyncStatus->setContentsMargins(6, 2, 6, 2);
    lblSyncStatus->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
    lblSyncStatus->setAccessibleName(tr("Sync status"));
    layout_->setBottomBar(lblSyncStatus);

    syncSoon_ = new QTimer(this);
    syncSoon_->setSingleShot(true);
    syncSoon_->setInterval(kSyncAfterSaveMs);
    connect(syncSoon_, &QTimer::timeout, this, &frmMain::startSync);
    syncEvery_ = new QTimer(this);
    syncEvery_->setInterval(kSyncEveryMs);
    connect(syncEvery_, &QTimer::timeout, this, &frmMain::startSync);
    syncClock_ = new QTimer(this);
    connect(syncClock_, &QTimer::timeout, this, &frmMain::showSyncStatus);
}

void frmMain::mnuSyncNow_Click()
{
    syncNow();
}

void frmMain::syncNow(SyncDone done)
{
    if (done)
        syncWaiting_.append(std::move(done));
    syncSoon_->stop();
    startSync();
}

bool frmMain::listenForLaterStarts(platform::HandOverServer &server)
{
    // Once closed, the window does not sync any more: this copy is ending.
    server.syncWindow = [this](const platform::HandOverServer::Answer &answer) {
        if (!isVisible())
            return false;
        syncNow([answer](int status, const QString &out, const QString &err) {
            answer({status, out, err});
        });
        return true;
    };
    return server.listen(dataFolder());
}

void frmMain::syncAfterSave()
{
    if (!syncSetUp_)
        return;
    if (syncJob_)
        syncAgain_ = true;
    else if (!syncSoon_->isActive())
        syncSoon_->start();
}

std::optional<QString> frmMain::syncPassword(const QString &server, const QString &user)
{
    if (syncPassword_)
        return syncPassword_;
    if (std::optional<QString> kept = platform::keyringPassword(server, user))
        return syncPassword_ = std::move(kept);
    // Without a keyring it is asked for once each run, and kept only in memory.
    if (syncPasswordAsked_)
        return std::nullopt;
    syncPasswordAsked_ = true;
    if (askSyncPassword)
        return syncPassword_ = askSyncPassword(user, server);
    bool ok = false;
    const QString typed =
        QInputDialog::getText(this, tr("Sync"), tr("Password for %1 at %2:").arg(user, server),
                              QLineEdit::Password, {}, &ok);
    if (ok)
        syncPassword_ = typed;
    return syncPassword_;
}

void frmMain::startSync()
{
    if (!loaded_)
        return;
    if (syncJob_) { // running, or its result waits to be applied
        syncAgain_ = true;
        return;
    }
    // A dialog open over the window may hold a row of the list: later.
    if (QApplication::activeModalWidget()) {
        syncSoon_->start();
        return;
    }
    // The data folder is read while no save runs.
    if (saves_->busy()) {
        syncWhenSaved_ = true;
        return;
    }
    syncAgain_ = false;
    const core::Result<std::optional<core::SyncAccount>> account = service_->syncAccount();
    syncSetUp_ = account && *account;
    if (!account || !*account) {
        syncError_ =
            account ? tr("No sync is set up: Tools, Sync... sets one up.") : account.error();
        showSyncStatus();
        answerSync(1, {}, syncError_ + QLatin1Char('\n'));
        return;
    }
    const std::optional<QString> password =
        syncPassword(keyringServer(**account), (*account)->user);
    if (!password) {
        syncError_ = tr("No password for the sync: Tools, Sync... takes it.");
        showSyncStatus();
        answerSync(1, {}, syncError_ + QLatin1Char('\n'));
        return;
    }
    core::Result<core::DirectoryService::SyncRun> run =
        service_->prepareSync(*directory_, **account, *password);
    if (!run) {
        syncError_ = run.error();
        showSyncStatus();
        answerSync(1, {}, syncError_ + QLatin1Char('\n'));
        return;
    }
    auto job = std::make_shared<SyncJob>();
    job->run = std::move(*run);
    syncJob_ = job;
    syncThread_ = QThread::create([job] {
        SyncJob *shared = job.get();
        shared->result =
            core::DirectoryService::runSync(shared->run, [shared](qsizetype done, qsizetype total) {
                shared->done = done;
                shared->total = total;
                return !shared->stop;
            });
    });
    connect(syncThread_, &QThread::finished, this, &frmMain::syncFinished);
    syncThread_->start();
    syncClock_->start(kProgressTickMs);
    showSyncStatus();
}

void frmMain::syncFinished()
{
    if (!syncThread_)
        return;
    syncThread_->deleteLater();
    syncThread_ = nullptr;
    syncClock_->start(kAgeTickMs);
    applySyncResult();
}

void frmMain::applySyncResult()
{
    if (!syncJob_ || syncThread_ || syncJob_->applied)
        return;
    // A dialog open over the window may hold a row of the list: the result
    // waits until it has closed.
    if (syncJob_->result && QApplication::activeModalWidget()) {
        QTimer::singleShot(kApplyRetryMs, this, &frmMain::applySyncResult);
        return;
    }
    if (!syncJob_->result) {
        syncSaved({});
        return;
    }
    const int selected = lvwQuorvel->selectedRow();
    const QUuid chosen = selected >= 0 ? directory_->entry(selected).id : QUuid();
    // Not a step to undo: the history starts again after it.
    if (syncJob_->result->localChanged)
        history_.reset();
    syncJob_->applied = true;
    saveInBackground(
        core::DirectoryService::applySync(*directory_, syncJob_->run, *syncJob_->result, unsaved_));
    if (!history_) {
        history_ = std::make_unique<core::UndoHistory>(*directory_);
        updateUndoActions();
    }
    const auto &entries = directory_->entries();
    for (qsizetype row = 0; !chosen.isNull() && row < entries.size(); ++row) {
        if (entries[row].id == chosen) {
            showEntry(int(row));
            break;
        }
    }
}

void frmMain::syncSaved(const core::DirectoryService::SaveDone &done)
{
    if (!syncJob_)
        return;
    const std::shared_ptr<SyncJob> job = std::move(syncJob_);
    core::Result<core::SyncCounts> counts = job->result;
    if (job->applied)
        counts = core::DirectoryService::syncSaved(*counts, done);
    QStringList untold;
    for (const QString &note : counts->notes) {
        if (!syncNotesTold_.contains(note))
            untold.append(note);
    }
    syncNotesTold_ += untold;
    if (counts) {
        lastSynced_ = QDateTime::currentDateTimeUtc();
        syncError_.clear();
    } else {
        syncError_ = counts.error();
    }
    showSyncStatus();
    const QString notes = counts->notes.isEmpty()
                              ? QString()
                              : counts->notes.join(QLatin1Char('\n')) + QLatin1Char('\n');
    if (counts)
        answerSync(0,
                   tr("synced: %1 sent, %2 received, %3 conflicts\n")
                       .arg(counts->sent)
                       .arg(counts->received)
                       .arg(counts->conflicts),
                   notes);
    else
        answerSync(1, {}, notes + syncError_ + QLatin1Char('\n'));
    if (!untold.isEmpty())
        tell(untold.join(QLatin1String("\n\n")));
    if (syncAgain_)
        syncAfterSave();
}

void frmMain::answerSync(int status, const QString &out, const QString &err)
{
    const QList<SyncDone> waiting = std::exchange(syncWaiting_, {});
    for (const SyncDone &done : waiting)
        done(status, out, err);
}

void frmMain::stopSync()
{
    syncSoon_->stop();
    syncEvery_->stop();
    if (!syncJob_)
        return;
    syncJob_->stop = true;
    if (syncThread_) {
        syncThread_->wait();
        delete syncThread_;
        syncThread_ = nullptr;
        syncJob_.reset();
    } else {
        applySyncResult(); // at close no dialog is open any more
        waitForSaved();    // and its save tells how it went
        syncJob_.reset();
    }
    answerSync(1, {}, tr("Quorvel closed before the sync ended.\n"));
}

void frmMain::showSyncStatus()
{
    QString text;
    if (syncThread_) {
        const qsizetype total = syncJob_->total;
        text = total == 0 ? tr("Syncing…")
                          : tr("Syncing… %1 of %2")
                                .arg(QLocale().toString(qlonglong(syncJob_->done)),
                                     QLocale().toString(qlonglong(total)));
    } else if (!syncError_.isEmpty()) {
        text = syncError_;
    } else if (lastSynced_.isValid()) {
        const qint64 minutes = lastSynced_.secsTo(QDateTime::currentDateTimeUtc()) / 60;
        text = minutes < 1    ? tr("Synced just now")
               : minutes < 60 ? tr("Synced %n minute(s) ago", nullptr, int(minutes))
                              : tr("Synced %n hour(s) ago", nullptr, int(minutes / 60));
    }
    lblSyncStatus->setText(text);
    lblSyncStatus->setToolTip(text);
}

void frmMain::mnuSyncSettings_Click()
{
    waitForSaved(); // the data folder is read and written while no save runs
    const core::Result<std::optional<core::SyncAccount>> current = service_->syncAccount();
    frmSyncSettings settings(current ? *current : std::nullopt, this);
    if (settings.exec() != QDialog::Accepted)
        return;
    const core::SyncAccount account = settings.account();
    // Another account starts afresh; the same one keeps its state.
    if (!current || !*current || !(**current == account)) {
        stopSync();
        syncEvery_->start();
        if (const core::Result<> stored = service_->storeSyncAccount(account); !stored) {
            platform::MsgBox(stored.error(), platform::vbExclamation, tr("Sync"), this);
            return;
        }
        syncNotesTold_.clear();
        lastSynced_ = {};
    }
    syncSetUp_ = true;
    syncPassword_ = settings.password();
    if (!platform::keepInKeyring(keyringServer(account), account.user, settings.password()))
        platform::MsgBox(tr("No keyring answered: the password is kept only while Quorvel runs, "
                            "and asked for once when it starts again."),
                         platform::vbInformation, tr("Sync"), this);
    syncNow();
}
