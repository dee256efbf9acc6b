#include "core/directory/directorystore.h"

#include "core/files/backups.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace core {

namespace {

// The texts of this file, in the user's language.
struct DirectoryStoreText
{
    Q_DECLARE_TR_FUNCTIONS(DirectoryStoreText)
};

constexpr qint64 kNoticeLimit = 64 * 1024;

} // namespace

QString sideCopyName(QLatin1StringView kind, const QDateTime &when)
{
    return QLatin1String(kDirectoryFileName) + QLatin1Char('.') + kind + QLatin1Char('-') +
           when.toString(QStringLiteral("yyyyMMdd-HHmmss"));
}

QString outsideCopyName(const QDateTime &when)
{
    return sideCopyName(QLatin1StringView("outside"), when);
}

DirectoryStore::DirectoryStore(QString appFolder, QString userName)
    : appFolder_(std::move(appFolder)), userName_(std::move(userName))
{
}

DirectoryStore::~DirectoryStore()
{
    unlock();
}

Result<FolderState> DirectoryStore::open()
{
    const Result<FolderState> result = checkDataFolder(appFolder_, userName_);
    if (!result)
        return result;
    // The folder checked by path is opened without following a link and
    // checked again through the descriptor, which is what every later read
    // and write goes through: a swap between the two is caught here.
    const QString path = dataFolderPath(appFolder_, userName_);
    Result<Folder> folder = Folder::open(path, Folder::Link::Refuse);
    const QString why = !folder ? folder.error()
                        : !folder->isOwnedByUser()
                            ? DirectoryStoreText::tr("it belongs to another user")
                            : QString();
    if (!why.isEmpty())
        return Result<FolderState>::failure(
            DirectoryStoreText::tr("The data folder %1 can't be used: %2.")
                .arg(QDir::toNativeSeparators(path), why));
    // The lock is taken on the folder itself, and whoever may open the
    // folder may take that lock: only the user may open it. Writing by
    // others was refused above, so this takes away only reading.
    struct stat held
    {
    };
    if (::fstat(folder->descriptor(), &held) == 0 && (held.st_mode & 077) != 0)
        ::fchmod(folder->descriptor(), held.st_mode & 07700);
    folder_ = std::move(*folder);
    return result;
}

DirectoryStore::LockState DirectoryStore::lock()
{
    // The lock is on the folder itself, through the descriptor every read
    // and write goes through: no file can be removed or planted to break or
    // abuse it, and it ends with the process however that ends. Another copy
    // opens the folder on its own and is kept out.
    lockError_.clear();
    if (::flock(folder_.descriptor(), LOCK_EX | LOCK_NB) == 0) {
        locked_ = true;
        return LockState::Locked;
    }
    if (errno == EWOULDBLOCK)
        return LockState::HeldByAnother;
    lockError_ = qt_error_string(errno);
    return LockState::Failed;
}

void DirectoryStore::unlock()
{
    if (locked_ && folder_.isOpen())
        ::flock(folder_.descriptor(), LOCK_UN);
    locked_ = false;
}

InterruptedWrites DirectoryStore::removeInterruptedSaves(const QDateTime &now)
{
    InterruptedWrites found =
        removeInterruptedWrites(folder_, QLatin1String(kDirectoryFileName),
                                sideCopyName(QLatin1StringView("interrupted"), now));
    for (InterruptedWrites::Kept &kept : found.kept)
        kept.name = folder_.filePath(kept.name);
    return found;
}

Result<> DirectoryStore::writeDefaultFile()
{
    const DirectoryEntry entry = *parseDirectoryLine(QString::fromLatin1(kDefaultDirectoryLine));
    const Result<FileStamp> written =
        WriteDirectoryFile(folder_, [&](const EntryVisitor &visit) { visit(entry); });
    if (written) {
        known_ = *written;
        asWritten_ = true;
        keepsAll_ = true;
    }
    return written.status();
}

Result<> DirectoryStore::read(const std::function<void(qsizetype)> &expect,
                              const std::function<void(DirectoryEntry &&)> &add)
{
    if (const Result<> own = checkOwnFile(folder_, QLatin1String(kDirectoryFileName)); !own)
        return own;
    const Result<DirectoryRead> result = ReadDirectoryFile(folder_, expect, add);
    if (result) {
        known_ = result->stamp;
        asWritten_ = result->asWritten;
        keepsAll_ = result->keepsAll;
    }
    return result.status();
}

Result<> DirectoryStore::reopenRemovedFolder()
{
    locked_ = false;
    folder_ = Folder();
    const Result<FolderState> reopened = open();
    if (!reopened)
        return reopened.status();
    if (lock() != LockState::Locked) {
        const QString error =
            DirectoryStoreText::tr("the data folder %1, made again, can't be locked")
                .arg(QDir::toNativeSeparators(folderPath()));
        // Not kept without its lock: the next save tries again from the start.
        folder_ = Folder();
        return Result<>::failure(error);
    }
    return {};
}

Result<> DirectoryStore::keepOutsideVersion(const QDateTime &now, SaveReport &report)
{
    const QString name = QLatin1String(kDirectoryFileName);
    QString sideName = outsideCopyName(now);
    for (int n = 2; folder_.stampOf(sideName).exists; ++n)
        sideName = outsideCopyName(now) + QStringLiteral("-%1").arg(n);
    if (const Result<> kept = keepSideCopy(folder_, name, sideName); !kept)
        return Result<>::failure(
            DirectoryStoreText::tr("the version another program wrote can't be kept "
                                   "as %1: %2")
                .arg(sideName, kept.error()));
    report.sideCopy = folder_.filePath(sideName);
    return {};
}

Result<> DirectoryStore::keepShownVersion(const std::function<void(const EntryVisitor &)> &forEach,
                                          const QDateTime &now, SaveReport &report)
{
    const QByteArray shown = directoryFileBytes(forEach);
    const Result<FileBytes> onDisk = readRegularFile(folder_, QLatin1String(kDirectoryFileName));
    if (onDisk && !onDisk->missing && onDisk->bytes == shown)
        return {};
    WriteOptions options;
    options.onlyIfMissing = true;
    const QString base = sideCopyName(QLatin1StringView("shown"), now);
    for (int n = 1;; ++n) {
        const QString sideName = n == 1 ? base : base + QStringLiteral("-%1").arg(n);
        const Result<FileStamp> written = writeFileAtomically(
            folder_, sideName, [&](Utf8Builder &out) { out.appendBytes(shown); }, options);
        if (written) {
            report.shownCopy = folder_.filePath(sideName);
            return {};
        }
        // Taken: the next suffix; anything else says why.
        if (n >= 1000 || !folder_.stampOf(sideName).exists)
            return Result<>::failure(
                DirectoryStoreText::tr("what Quorvel showed can't be kept as %1: %2")
                    .arg(sideName, written.error()));
    }
}

Result<> DirectoryStore::keepAsRead(const QDateTime &now, SaveReport &report)
{
    const QString base = sideCopyName(QLatin1StringView("as-read"), now);
    QString sideName = base;
    for (int n = 2; folder_.stampOf(sideName).exists; ++n)
        sideName = base + QStringLiteral("-%1").arg(n);
    if (const Result<> kept = keepSideCopy(folder_, QLatin1String(kDirectoryFileName), sideName);
        !kept)
        return Result<>::failure(
            DirectoryStoreText::tr("the file as it was read can't be kept as %1: %2")
                .arg(sideName, kept.error()));
    report.asReadCopy = folder_.filePath(sideName);
    keepsAll_ = true; // kept once; later saves write over only what was written
    return {};
}

Result<DirectoryStore::SaveReport>
DirectoryStore::save(const std::function<void(const EntryVisitor &)> &forEach, bool changed,
                     const QDateTime &now)
{
    using Saved = Result<SaveReport>;
    SaveReport report;
    if (!folder_.isOpen() || folder_.isRemoved()) {
        if (const Result<> reopened = reopenRemovedFolder(); !reopened)
            return Saved::failure(reopened.error(), report);
        report.recreated = true;
    } else if (!folder_.isAtPath()) {
        report.movedTo = folder_.currentPath();
    }

    const QString name = QLatin1String(kDirectoryFileName);
    const FileStamp onDisk = folder_.stampOf(name);
    // Nothing changed here, and the file in its place already holds exactly
    // what would be written, private to its owner: there is nothing to write.
    if (!changed && asWritten_ && onDisk.regular && onDisk.privateToOwner && onDisk == known_ &&
        !report.recreated && report.movedTo.isEmpty())
        return report;
    // A file that changed holds another program's version. Nothing there, or
    // something that is not a regular file, holds none: the save restores
    // the file (or, over a folder, fails and says so). What the save is to
    // replace is the file as checked here.
    FileStamp expected = onDisk;
    if (onDisk.regular && onDisk != known_) {
        if (!changed) {
            // Left as it is; what the window shows is kept when it differs.
            report.outcome = Outcome::LeftOutsideVersion;
            if (const Result<> kept = keepShownVersion(forEach, now, report); !kept)
                return Saved::failure(kept.error(), report);
            return report;
        }
        if (const Result<> kept = keepOutsideVersion(now, report); !kept)
            return Saved::failure(kept.error(), report);
        // Kept by a hard link, the same file now has a new change time.
        const FileStamp side = folder_.stampOf(QFileInfo(report.sideCopy).fileName());
        if (side.device == onDisk.device && side.inode == onDisk.inode)
            expected = side;
    }
    // The file as read, when writing would not give back all it holds, is
    // kept before it is first written over; the link, too, sets its change time.
    if (!keepsAll_ && onDisk.regular && onDisk == known_) {
        if (const Result<> kept = keepAsRead(now, report); !kept)
            return Saved::failure(kept.error(), report);
        const FileStamp side = folder_.stampOf(QFileInfo(report.asReadCopy).fileName());
        if (side.device == onDisk.device && side.inode == onDisk.inode)
            expected = side;
        // Still the file as read: should this save fail, the next one finds it unchanged.
        known_ = expected;
    }

    // The day's first save keeps the file as it was; a backup that fails
    // never stops the save.
    if (onDisk.regular) {
        if (const Result<BackupReport> backup = keepDailyBackup(folder_, name, now.date()); !backup)
            report.backupError = backup.error();
    }

    // Another program's version written while this one is written is kept too.
    WriteOptions replacing;
    replacing.expected = &expected;
    replacing.keepOtherAs = outsideCopyName(now);
    QString swappedOut;
    replacing.keptOtherAs = &swappedOut;
    const Result<FileStamp> written = WriteDirectoryFile(folder_, forEach, replacing);
    if (!swappedOut.isEmpty())
        report.swappedOutCopy = folder_.filePath(swappedOut);
    if (!written)
        return Saved::failure(written.error(), report);
    known_ = *written;
    asWritten_ = true;
    keepsAll_ = true;
    report.written = true;
    return report;
}

Result<> DirectoryStore::leaveNotice(const QString &text)
{
    WriteOptions options;
    options.mode = 0600;
    return writeFileAtomically(
               folder_, QLatin1String(kNoticeFileName), [&](Utf8Builder &out) { out.append(text); },
               options)
        .status();
}

QString DirectoryStore::takeNotice()
{
    // Another user's file is not Quorvel's message: it stays where it is.
    if (!checkOwnFile(folder_, QLatin1String(kNoticeFileName)))
        return {};
    const Result<FileBytes> notice =
        readRegularFile(folder_, QLatin1String(kNoticeFileName), kNoticeLimit);
    // Only a regular file goes: anything else at that name is not ours.
    if (!notice || notice->missing)
        return {};
    ::unlinkat(folder_.descriptor(), kNoticeFileName, 0);
    return decodeText(notice->bytes);
}
QString DirectoryStore::folderPath() const
{
    return dataFolderPath(appFolder_, userName_);
}

QString DirectoryStore::filePath() const
{
    return directoryFilePath(appFolder_, userName_);
}

bool DirectoryStore::currentFileExists() const
{
    return folder_.stampOf(QLatin1String(kDirectoryFileName)).exists;
}

QString DirectoryStore::currentFilePath() const
{
    const QString now = folder_.currentPath();
    return now.isEmpty() ? filePath() : QDir(now).filePath(QLatin1String(kDirectoryFileName));
}

} // namespace core
