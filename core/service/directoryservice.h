#pragma once

#include "core/contacts/contacts.h"
#include "core/directory/directorymodel.h"
#include "core/directory/directorystore.h"
#include "core/files/result.h"
#include "core/sync/discovery.h"
#include "core/sync/syncengine.h"
#include "core/sync/syncfiles.h"

#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>

#include <optional>
#include <utility>

namespace core {

// What importing one contact file came to.
struct ImportFileReport
{
    QString file;         // as it was given
    bool read = false;    // false: refused as a whole, error says why
    bool changed = false; // it added or changed entries (updates, identifiers taken)
    QString error;
    ImportResult counts; // added, already there, skipped and the reasons (entries emptied)
};

// The user's directory for every client (the window, the command line): it
// opens the data folder, reads the directory into a model, imports, exports
// and saves, and says in texts the user is told what went wrong or what a
// save found. It never shows anything itself.
class DirectoryService
{
public:
    DirectoryService(QString appFolder, QString userName);
    ~DirectoryService();
    DirectoryService(const DirectoryService &) = delete;
    DirectoryService &operator=(const DirectoryService &) = delete;

    // Opens the data folder to read and save: checks it (making it, private,
    // when missing), holds it open, takes its lock, clears what saves cut
    // short left behind (keeping a version they held) and writes the Default
    // directory file into a folder just made. A failure is what the user is
    // told.
    Result<> open();
    // What the user is to be told of what open found (a save cut short and
    // the version it kept), once: taking them leaves none.
    QStringList takeStartNotes() { return std::exchange(startNotes_, {}); }
    // The last open failed because another copy of Quorvel holds the lock.
    bool heldByAnother() const { return heldByAnother_; }
    // Lets the lock go (also when the service ends).
    void close();

    // Appends the directory file's entries to the model (after open). A
    // failure names the file and says why.
    Result<> read(DirectoryModel &model);
    // The same without open and without the lock, for reading the saved
    // directory while a window may hold it; folders others could tamper
    // with are refused as open refuses them.
    Result<> readSaved(DirectoryModel &model) const;

    // Imports contact files into the model: each is read against what the
    // model and the files before it hold, and all that is new is appended as
    // one change. One report per file, in order.
    QList<ImportFileReport> import(DirectoryModel &model, const QStringList &files);

    // Exports the model's entries to a contact file; Quorvel's own data files
    // are refused (checkNotDataFile). A failure is what the user is told.
    Result<> exportTo(const DirectoryModel &model, const QString &path, ContactFormat format) const;

    // One save: the entries as they were at one moment (changed: something
    // changed since the last read or save; see DirectoryStore::save), then
    // their identities in the identity file beside the directory file, then,
    // when a sync ends with it, the sync state it left. It reads nothing but
    // the snapshot, so it may run on a thread of its own while the model goes
    // on; nothing else may use the service meanwhile.
    struct SaveRequest
    {
        EntriesSnapshot entries;
        bool changed = false;
        bool endsSync = false;
        std::optional<SyncState> syncState; // written after them; none: unchanged
    };
    struct SaveDone
    {
        // As save() below gives it.
        Result<QStringList> saved = QStringList();
        // What writing the sync state came to (after a directory saved).
        Result<> syncState;
        bool endsSync = false;
    };
    SaveDone save(const SaveRequest &request, const QDateTime &now = QDateTime::currentDateTime());
    // Saves the model's entries as the request above. The texts are what the
    // user is told of what the save found: an outside version left or kept,
    // the file as read kept, the data folder moved or made again, and a
    // backup that failed (once per run). A failure is what the user is told,
    // and still carries the texts.
    Result<QStringList> save(const DirectoryModel &model, bool changed,
                             const QDateTime &now = QDateTime::currentDateTime());
    // Something stands at the directory file's name (after a failed save:
    // whether the old file is still there).
    bool fileExists() const { return store_.currentFileExists(); }

    // A message left for the next start, and taking it.
    Result<> leaveNotice(const QString &text) { return store_.leaveNotice(text); }
    QString takeNotice() { return store_.takeNotice(); }

    // Sync set-up (after open): checks the server and finds its address
    // books for the account's user; takes the one of account.bookName, or
    // the only one when it names none, and stores the account for this data
    // folder with a fresh sync state (nothing is synced). stored false: no
    // book was chosen, `books` lists them.
    struct SyncSetUp
    {
        bool stored = false;
        SyncAccount account;
        std::vector<AddressBook> books;
    };
    Result<SyncSetUp> setUpSync(SyncAccount account, const QString &password);
    // The account stored for this data folder (after open); nothing without one.
    Result<std::optional<SyncAccount>> syncAccount() const;
    // Syncs the model (read after open) with the account's address book,
    // then saves the directory and the identities when they changed, and
    // the sync state after them. A failure keeps the files as they were.
    Result<SyncCounts> sync(DirectoryModel &model, const SyncAccount &account,
                            const QString &password);
    // Stores an account whose book is chosen, with a fresh sync state.
    Result<> storeSyncAccount(const SyncAccount &account);

    // The same sync in steps, for a caller that runs the network part on a
    // thread of its own and saves on another: what to sync, taken from the
    // model; the sync itself, which touches neither the service nor the
    // model; its result applied to the model (one change, when entries
    // changed), which gives what to save with the sync state written after;
    // and that save. Entries changed, added or removed in the model while
    // the sync ran stay as they are now (the next sync sends them); where the
    // sync brought the server's change to one of them, the next sync compares
    // every card and tells the conflict.
    struct SyncRun
    {
        SyncAccount account;
        QString password;
        QList<DirectoryEntry> started; // the model's entries when it started
        QList<DirectoryEntry> entries; // runSync makes them the sync's result
        SyncState state;
        SyncState before;
    };
    Result<SyncRun> prepareSync(const DirectoryModel &model, const SyncAccount &account,
                                const QString &password) const;
    static Result<SyncCounts> runSync(SyncRun &run, const SyncProgress &progress = {});
    // Saved also when `unsaved` or only the identity file is behind.
    static SaveRequest applySync(DirectoryModel &model, SyncRun &run, SyncCounts &counts,
                                 bool unsaved);
    // The counts, with what the save found, or what failed.
    static Result<SyncCounts> syncSaved(SyncCounts counts, const SaveDone &done);
    // The last three in one.
    Result<SyncCounts> finishSync(DirectoryModel &model, SyncRun &run, SyncCounts counts,
                                  bool unsaved);

    QString folderPath() const { return store_.folderPath(); }
    QString filePath() const { return store_.filePath(); }

private:
    QStringList notesOf(const DirectoryStore::SaveReport &report);

    QString appFolder_;
    QString userName_;
    DirectoryStore store_;
    bool heldByAnother_ = false;
    QStringList startNotes_;
    bool toldBackupFailure_ = false;
    QString toldMovedTo_;
    // The identity file holds what writing it would give, as it was last
    // read or written (its stamp then).
    bool identitiesAsWritten_ = false;
    FileStamp identityStamp_;
};

} // namespace core
