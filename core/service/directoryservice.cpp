#include "core/service/directoryservice.h"

#include "core/directory/datafolder.h"
#include "core/directory/directoryfile.h"
#include "core/directory/directorymodel.h"
#include "core/directory/identityfile.h"
#include "core/sync/cardmerge.h"

#include <QCoreApplication>
#include <QDir>
#include <QHash>

#include <algorithm>
#include <system_error>
#include <thread>

namespace core {

namespace {

// The texts of this file, in the user's language.
struct ServiceText
{
    Q_DECLARE_TR_FUNCTIONS(ServiceText)
};

QString native(const QString &path)
{
    return QDir::toNativeSeparators(path);
}

// Reads the directory file of the folder into the model, as one change,
// each entry with the identifier the identity file gives it.
Result<>
readInto(DirectoryModel &model, const QString &file,
         const std::function<Result<>(const std::function<void(qsizetype)> &,
                                      const std::function<void(DirectoryEntry &&)> &)> &readFile,
         const std::function<Result<>(Entries &)> &identify)
{
    Entries entries;
    const Result<> read =
        readFile([&](qsizetype count) { entries.reserve(static_cast<std::size_t>(count)); },
                 [&](DirectoryEntry &&entry) { entries.push_back(std::move(entry)); });
    if (!read)
        return Result<>::failure(ServiceText::tr("Can't read the directory file %1: %2.")
                                     .arg(native(file), read.error()));
    if (const Result<> identified = identify(entries); !identified)
        return identified;
    model.append(std::move(entries));
    return {};
}

// Gives the entries read from the folder's directory file (as `directory`
// stamps it) their identifiers from the identity file beside it.
Result<IdentitiesRead> identify(const Folder &folder, const FileStamp &directory, Entries &entries,
                                const PlacedIdentities *placed = nullptr)
{
    const Result<IdentitiesRead> read =
        readIdentities(folder, directory, std::span(entries.data(), entries.size()), placed);
    if (!read)
        return Result<IdentitiesRead>::failure(
            ServiceText::tr("Can't read the identity file %1: %2.")
                .arg(native(folder.filePath(QLatin1String(kIdentityFileName))), read.error()));
    return read;
}

} // namespace

DirectoryService::DirectoryService(QString appFolder, QString userName)
    : appFolder_(appFolder), userName_(userName), store_(std::move(appFolder), std::move(userName))
{
}

DirectoryService::~DirectoryService()
{
    close();
}

Result<> DirectoryService::open()
{
    heldByAnother_ = false;
    const Result<FolderState> folder = store_.open();
    if (!folder)
        return folder.status();
    // One running copy per user: a second one would write its own list over
    // the first one's changes.
    if (const auto state = store_.lock(); state != DirectoryStore::LockState::Locked) {
        heldByAnother_ = state == DirectoryStore::LockState::HeldByAnother;
        const QString folder = native(store_.folderPath());
        return Result<>::failure(
            heldByAnother_
                ? ServiceText::tr("Quorvel is already running for %1 (it holds the lock on the "
                                  "data folder %2), can't start a second copy.")
                      .arg(userName_, folder)
                : ServiceText::tr("Can't lock the data folder %2 for %1 (%3), can't start.")
                      .arg(userName_, folder, store_.lockError()));
    }
    // What a save cut short by a kill left behind; no save runs now.
    for (const InterruptedWrites::Kept &kept : store_.removeInterruptedSaves().kept) {
        const QString file = native(store_.filePath()), copy = native(kept.name);
        startNotes_.append(
            kept.replacedVersion
                ? ServiceText::tr("Quorvel was stopped while it saved the directory file %1, "
                                  "just after the new version was put in place. The version "
                                  "that save replaced was kept as %2.")
                      .arg(file, copy)
                : ServiceText::tr("Quorvel was stopped while it saved the directory file %1. "
                                  "The change it was saving was kept as %2; it may be "
                                  "incomplete. %1 holds the version from before that save.")
                      .arg(file, copy));
    }
    removeInterruptedWrites(store_.folder(), QLatin1String(kIdentityFileName));
    if (*folder == FolderState::Created) {
        if (const Result<> written = store_.writeDefaultFile(); !written)
            return Result<>::failure(ServiceText::tr("Can't write the directory file %1: %2.")
                                         .arg(native(store_.filePath()), written.error()));
    }
    return {};
}

void DirectoryService::close()
{
    store_.unlock();
}

Result<> DirectoryService::read(DirectoryModel &model)
{
    // A large identity file is read ahead on a thread of its own while the
    // directory file is read (a small one costs less read after it, in place).
    constexpr qint64 kReadAheadFrom = qint64(8) << 20;
    PlacedIdentities placed;
    std::jthread ahead;
    try {
        if (store_.folder().stampOf(QLatin1String(kIdentityFileName)).size >= kReadAheadFrom)
            ahead = std::jthread([&] { placed = readPlacedIdentities(store_.folder()); });
    } catch (const std::system_error &) {
        // No thread to be had: read when the entries are there.
    }
    return readInto(
        model, store_.filePath(),
        [&](const auto &expect, const auto &add) { return store_.read(expect, add); },
        [&](Entries &entries) {
            const bool readAhead = ahead.joinable();
            if (readAhead)
                ahead.join();
            const Result<IdentitiesRead> identified = identify(
                store_.folder(), store_.knownStamp(), entries, readAhead ? &placed : nullptr);
            identitiesAsWritten_ = identified->asWritten;
            identityStamp_ = identified->stamp;
            return identified.status();
        });
}

Result<> DirectoryService::readSaved(DirectoryModel &model) const
{
    if (const Result<> name = checkUserName(userName_); !name)
        return name;
    if (const Result<> shared = checkFolderPermissions(appFolder_, userName_); !shared)
        return shared;
    Folder folder;
    FileStamp directory;
    return readInto(
        model, store_.filePath(),
        [&](const auto &expect, const auto &add) {
            Result<Folder> opened = Folder::open(store_.folderPath(), Folder::Link::Follow);
            if (!opened)
                return opened.status();
            folder = std::move(*opened);
            if (const Result<> own = checkOwnFile(folder, QLatin1String(kDirectoryFileName)); !own)
                return own;
            const Result<DirectoryRead> read = ReadDirectoryFile(folder, expect, add);
            if (read)
                directory = read->stamp;
            return read.status();
        },
        [&](Entries &entries) { return identify(folder, directory, entries).status(); });
}

QList<ImportFileReport> DirectoryService::import(DirectoryModel &model, const QStringList &files)
{
    // Read against the model's entries as they are, and what the files
    // before changed and added.
    KnownEntries known(model.entries());
    QList<ImportFileReport> reports;
    for (const QString &file : files) {
        ImportFileReport report;
        report.file = file;
        report.counts = importContactsFile(file, known);
        report.read = report.counts.ok;
        report.error = report.counts.error;
        report.changed = !report.counts.updates.isEmpty() || !report.counts.entries.isEmpty();
        for (auto &[row, entry] : report.counts.updates)
            known.replace(row, std::move(entry));
        // Identifiers now, so that the files after this one find these entries.
        giveIdentifiers(
            std::span(report.counts.entries.data(), std::size_t(report.counts.entries.size())));
        known.append(std::exchange(report.counts.entries, {}));
        report.counts.updates.clear();
        reports.append(std::move(report));
    }
    // One change, so one undo takes the whole import back.
    const qsizetype first = known.firstChanged();
    if (known.size() > first) {
        Entries changed;
        changed.reserve(std::size_t(known.size() - first));
        known.forEach(first,
                      [&](qsizetype, const DirectoryEntry &entry) { changed.push_back(entry); });
        model.splice(int(first), model.count() - int(first), std::move(changed));
    }
    return reports;
}

Result<> DirectoryService::exportTo(const DirectoryModel &model, const QString &path,
                                    ContactFormat format) const
{
    if (const Result<> ours = checkNotDataFile(appFolder_, userName_, path); !ours)
        return Result<>::failure(
            ServiceText::tr("Can't export to %1: %2.").arg(native(path), ours.error()));
    const ExportResult result =
        exportContacts(path, format, [&](const EntryVisitor &visit) { model.forEach(visit); });
    if (!result.ok)
        return Result<>::failure(
            ServiceText::tr("Can't export to %1: %2.").arg(native(path), result.error));
    return {};
}

QStringList DirectoryService::notesOf(const DirectoryStore::SaveReport &report)
{
    const QString file = native(store_.filePath());
    QStringList notes;
    if (report.recreated)
        notes.append(
            ServiceText::tr("The data folder %1 had been removed while Quorvel ran. It was made "
                            "again and the directory was saved there.")
                .arg(native(store_.folderPath())));
    if (!report.movedTo.isEmpty() && report.movedTo != toldMovedTo_) {
        toldMovedTo_ = report.movedTo;
        notes.append(
            ServiceText::tr("The data folder %1 was moved to %2 while Quorvel ran. The directory "
                            "was saved there, in %3.")
                .arg(native(store_.folderPath()), native(report.movedTo),
                     native(store_.currentFilePath())));
    }
    if (report.outcome == DirectoryStore::Outcome::LeftOutsideVersion &&
        !report.shownCopy.isEmpty())
        notes.append(
            ServiceText::tr("The directory file %1 was changed by another program while Quorvel "
                            "showed it. That version was left as it is, and the directory "
                            "Quorvel showed, which differs from it, was kept as %2.")
                .arg(file, native(report.shownCopy)));
    else if (report.outcome == DirectoryStore::Outcome::LeftOutsideVersion)
        notes.append(
            ServiceText::tr("The directory file %1 was changed by another program. Nothing has "
                            "changed in Quorvel since, so that version was left as it is.")
                .arg(file));
    // A backup that failed is told once a run, and only beside a save that worked.
    if (!report.backupError.isEmpty() && !std::exchange(toldBackupFailure_, true))
        notes.append(report.backupError + ServiceText::tr("\nThe directory itself was saved."));
    if (!report.sideCopy.isEmpty())
        notes.append(
            ServiceText::tr("The directory file %1 was changed by another program. That version "
                            "was kept as %2, and Quorvel's directory was saved in %1.")
                .arg(file, native(report.sideCopy)));
    if (!report.swappedOutCopy.isEmpty())
        notes.append(
            ServiceText::tr("Another program wrote the directory file %1 while Quorvel saved it. "
                            "That version was kept as %2, and Quorvel's directory was saved in "
                            "%1.")
                .arg(file, native(report.swappedOutCopy)));
    // Told also beside a save that failed: the copy is there all the same.
    if (!report.asReadCopy.isEmpty())
        notes.append(ServiceText::tr("The directory file %1 held text that Quorvel can't write "
                                     "back exactly as it was (such as empty lines, extra bold "
                                     "markers or characters that could not be read), so the file "
                                     "as it was read is kept as %2.")
                         .arg(file, native(report.asReadCopy)));
    return notes;
}

DirectoryService::SaveDone DirectoryService::save(const SaveRequest &request, const QDateTime &now)
{
    SaveDone done;
    done.endsSync = request.endsSync;
    const auto forEach = [&entries = *request.entries](const EntryVisitor &visit) {
        for (const DirectoryEntry &entry : entries)
            visit(entry);
    };
    const Result<DirectoryStore::SaveReport> saved = store_.save(forEach, request.changed, now);
    if (!saved) {
        DirectoryStore::SaveReport told = *saved;
        told.backupError.clear(); // never told beside a failed save
        told.sideCopy.clear();
        done.saved =
            Result<QStringList>::failure(ServiceText::tr("Can't save the directory to %1: %2.")
                                             .arg(native(store_.filePath()), saved.error()),
                                         notesOf(told));
        return done;
    }
    // The identities follow every directory file written, and are written
    // when they would differ from the file there.
    const QString identities = QLatin1String(kIdentityFileName);
    const bool identitiesStale =
        !identitiesAsWritten_ || store_.folder().stampOf(identities) != identityStamp_;
    if (saved->outcome == DirectoryStore::Outcome::Saved &&
        (saved->written || request.changed || identitiesStale)) {
        const Result<FileStamp> written =
            writeIdentityFile(store_.folder(), store_.knownStamp(), forEach);
        identitiesAsWritten_ = written.ok();
        if (!written) {
            done.saved = Result<QStringList>::failure(
                ServiceText::tr("Can't save the identity file %1: %2. The directory itself "
                                "was saved.")
                    .arg(native(store_.folder().filePath(identities)), written.error()),
                notesOf(*saved));
            return done;
        }
        identityStamp_ = *written;
    }
    done.saved = notesOf(*saved);
    // The state goes after the directory and its identities: a state that ran
    // ahead of them would take entries not saved for synced ones.
    if (request.syncState) {
        if (const Result<> written = writeSyncState(store_.folder(), *request.syncState); !written)
            done.syncState = Result<>::failure(
                ServiceText::tr("Can't save the sync state %1: %2.")
                    .arg(native(store_.folder().filePath(QLatin1String(kSyncStateFileName))),
                         written.error()));
    }
    return done;
}

Result<QStringList> DirectoryService::save(const DirectoryModel &model, bool changed,
                                           const QDateTime &now)
{
    return save(SaveRequest{model.snapshot(), changed, false, std::nullopt}, now).saved;
}

Result<DirectoryService::SyncSetUp> DirectoryService::setUpSync(SyncAccount account,
                                                                const QString &password)
{
    using R = Result<SyncSetUp>;
    if (const Result<> scheme = checkScheme(account.server, account.allowHttp); !scheme)
        return R::failure(scheme.error());
    DavClient client(account.user, password, account.certificate);
    Result<std::vector<AddressBook>> books = findAddressBooks(client, account.server);
    if (!books)
        return R::failure(ServiceText::tr("Can't set up the sync: %1.").arg(books.error()));
    SyncSetUp result;
    result.books = std::move(*books);
    const AddressBook *chosen = nullptr;
    for (const AddressBook &book : result.books) {
        if (account.bookName.isEmpty() ? result.books.size() == 1
                                       : book.displayName == account.bookName)
            chosen = &book;
    }
    if (!chosen) {
        if (!account.bookName.isEmpty() || result.books.empty())
            return R::failure(
                result.books.empty()
                    ? ServiceText::tr("The server %1 holds no address book for %2.")
                          .arg(account.server.toString(), account.user)
                    : ServiceText::tr("The server %1 holds no address book named \"%2\".")
                          .arg(account.server.toString(), account.bookName),
                result);
        return result;
    }
    if (const Result<> scheme = checkScheme(chosen->url, account.allowHttp); !scheme)
        return R::failure(scheme.error());
    account.book = chosen->url;
    account.bookName = chosen->displayName;
    if (const Result<> stored = storeSyncAccount(account); !stored)
        return R::failure(stored.error());
    result.stored = true;
    result.account = account;
    return result;
}

Result<> DirectoryService::storeSyncAccount(const SyncAccount &account)
{
    const QString accountFile = store_.folder().filePath(QLatin1String(kSyncAccountFileName));
    // A new account starts afresh: the state of the old one is gone before
    // the new account is stored.
    if (const Result<> removed = removeSyncState(store_.folder()); !removed)
        return Result<>::failure(
            ServiceText::tr("Can't remove the sync state %1: %2.")
                .arg(native(store_.folder().filePath(QLatin1String(kSyncStateFileName))),
                     removed.error()));
    if (const Result<> written = writeSyncAccount(store_.folder(), account); !written)
        return Result<>::failure(ServiceText::tr("Can't save the sync account to %1: %2.")
                                     .arg(native(accountFile), written.error()));
    return {};
}

Result<std::optional<SyncAccount>> DirectoryService::syncAccount() const
{
    Result<std::optional<SyncAccount>> account = readSyncAccount(store_.folder());
    if (!account)
        return Result<std::optional<SyncAccount>>::failure(
            ServiceText::tr("Can't read the sync account %1: %2.")
                .arg(native(store_.folder().filePath(QLatin1String(kSyncAccountFileName))),
                     account.error()));
    return account;
}

Result<SyncCounts> DirectoryService::sync(DirectoryModel &model, const SyncAccount &account,
                                          const QString &password)
{
    Result<SyncRun> run = prepareSync(model, account, password);
    if (!run)
        return Result<SyncCounts>::failure(run.error());
    const Result<SyncCounts> counts = runSync(*run);
    if (!counts)
        return counts;
    return finishSync(model, *run, *counts, false);
}

Result<DirectoryService::SyncRun> DirectoryService::prepareSync(const DirectoryModel &model,
                                                                const SyncAccount &account,
                                                                const QString &password) const
{
    using R = Result<SyncRun>;
    if (const Result<> scheme = checkScheme(account.book, account.allowHttp); !scheme)
        return R::failure(scheme.error());
    const Result<SyncState> read = readSyncState(store_.folder());
    if (!read)
        return R::failure(
            ServiceText::tr("Can't read the sync state %1: %2.")
                .arg(native(store_.folder().filePath(QLatin1String(kSyncStateFileName))),
                     read.error()));
    const QList<DirectoryEntry> entries(model.entries().begin(), model.entries().end());
    return SyncRun{account, password, entries, entries, *read, *read};
}

Result<SyncCounts> DirectoryService::runSync(SyncRun &run, const SyncProgress &progress)
{
    DavClient client(run.account.user, run.password, run.account.certificate);
    Result<SyncCounts> counts =
        syncEntries(client, run.account.book, run.entries, run.state, progress);
    if (!counts)
        return Result<SyncCounts>::failure(ServiceText::tr("Can't sync with %1: %2.")
                                               .arg(run.account.book.toString(), counts.error()));
    return counts;
}

namespace {

// The same entries, with the same identifiers, in the same order.
template <typename A, typename B> bool sameEntries(const A &a, const B &b)
{
    return std::equal(
        a.begin(), a.end(), b.begin(), b.end(),
        [](const DirectoryEntry &x, const DirectoryEntry &y) { return x.id == y.id && x == y; });
}

// The sync's result laid over the entries as they are now, when they changed
// while it ran. An entry changed, added or removed here meanwhile stays as it
// is now: its record stays the card the server holds, so the next sync sends
// the change. Every other entry takes what the sync made of it, and what the
// sync added comes after them. Where the sync also brought the server's
// change to an entry changed or removed here meanwhile, its record goes back
// to the one before the sync and the next sync compares every card's ETag:
// it then sees both changes and decides as for any other.
Entries laidOver(DirectoryService::SyncRun &run, const EntryStore &now)
{
    QHash<QUuid, const DirectoryEntry *> started, synced, current;
    for (const DirectoryEntry &entry : run.started)
        started.insert(entry.id, &entry);
    for (const DirectoryEntry &entry : run.entries)
        synced.insert(entry.id, &entry);
    for (const DirectoryEntry &entry : now)
        current.insert(entry.id, &entry);
    const auto keepServerChange = [&](const DirectoryEntry &atStart) {
        const DirectoryEntry *result = synced.value(atStart.id);
        if (result && *result == atStart)
            return;
        const QString uid = cardUidOf(atStart);
        if (const auto before = run.before.records.constFind(uid);
            before != run.before.records.cend())
            run.state.records.insert(uid, *before);
        else
            run.state.records.remove(uid);
        run.state.token.clear();
    };
    Entries merged;
    for (const DirectoryEntry &entry : now) {
        const DirectoryEntry *atStart = started.value(entry.id);
        if (atStart && *atStart == entry) {
            if (const DirectoryEntry *result = synced.value(entry.id))
                merged.push_back(*result);
            continue;
        }
        merged.push_back(entry);
        if (atStart)
            keepServerChange(*atStart);
    }
    for (const DirectoryEntry &entry : run.started) {
        if (!current.contains(entry.id))
            keepServerChange(entry);
    }
    for (const DirectoryEntry &entry : run.entries) {
        if (!started.contains(entry.id) && !current.contains(entry.id))
            merged.push_back(entry);
    }
    return merged;
}

} // namespace

DirectoryService::SaveRequest DirectoryService::applySync(DirectoryModel &model, SyncRun &run,
                                                          SyncCounts &counts, bool unsaved)
{
    const bool meanwhile = !sameEntries(model.entries(), run.started);
    if (meanwhile) {
        Entries merged = laidOver(run, model.entries());
        const bool differs = !sameEntries(merged, model.entries());
        if (differs)
            model.splice(0, model.count(), std::move(merged));
        counts.localChanged = differs;
    } else if (counts.localChanged) {
        model.splice(0, model.count(), Entries(run.entries.begin(), run.entries.end()));
    }
    // Saved also when only the identity file is behind: the identifiers
    // synced must be the entries' ones at the next start.
    SaveRequest request{model.snapshot(), counts.localChanged || unsaved, true, std::nullopt};
    if (!(run.state == run.before))
        request.syncState = run.state;
    return request;
}

Result<SyncCounts> DirectoryService::syncSaved(SyncCounts counts, const SaveDone &done)
{
    counts.notes += *done.saved;
    if (!done.saved)
        return Result<SyncCounts>::failure(done.saved.error(), counts);
    if (!done.syncState)
        return Result<SyncCounts>::failure(done.syncState.error(), counts);
    return counts;
}

Result<SyncCounts> DirectoryService::finishSync(DirectoryModel &model, SyncRun &run,
                                                SyncCounts counts, bool unsaved)
{
    return syncSaved(counts, save(applySync(model, run, counts, unsaved)));
}

} // namespace core
