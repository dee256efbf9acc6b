#include "core/directory/directorystore.h"

#include "core/files/backups.h"

#include "core/files/descriptor.h"
#include <QCoreApplication>
#include <QDir>
#include <QFile>

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

QString outsideCopyName(const QDateTime &when)
{
    return QLatin1String(kDirectoryFileName) + QStringLiteral(".outside-") +
           when.toString(QStringLiteral("yyyyMMdd-HHmmss"));
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
    folder_ = std::move(*folder);
    return result;
}

DirectoryStore::LockState DirectoryStore::lock()
{
    // The lock is the system's lock on the open lock file: it ends with the
    // process however that ends, so a crashed copy's lock is free at once.
    const int dir = folder_.descriptor();
    for (int attempt = 0; attempt < 8; ++attempt) {
        auto file = std::make_unique<Descriptor>(::openat(
            dir, kLockFileName, O_RDWR | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, 0600));
        struct stat opened
        {
        };
        if (!file->valid() || ::fstat(file->get(), &opened) != 0 || !S_ISREG(opened.st_mode))
            return LockState::Failed;
        if (::flock(file->get(), LOCK_EX | LOCK_NB) != 0)
            return errno == EWOULDBLOCK ? LockState::HeldByAnother : LockState::Failed;
        // The copy that held it may have removed the file between the open
        // and the lock: then the lock is on the file at the name now.
        struct stat named
        {
        };
        if (::fstatat(dir, kLockFileName, &named, AT_SYMLINK_NOFOLLOW) != 0 ||
            named.st_dev != opened.st_dev || named.st_ino != opened.st_ino)
            continue;
        ::fchmod(file->get(), 0600);
        // Who holds it, for a person looking; the lock holds without it.
        const QByteArray pid = QByteArray::number(::getpid()) + '\n';
        const bool told = ::ftruncate(file->get(), 0) == 0 &&
                          ::pwrite(file->get(), pid.constData(), std::size_t(pid.size()), 0) ==
                              static_cast<ssize_t>(pid.size());
        Q_UNUSED(told);
        lock_ = std::move(file);
        return LockState::Locked;
    }
    return LockState::Failed;
}

QString DirectoryStore::lockPath() const
{
    return folder_.filePath(QLatin1String(kLockFileName));
}

void DirectoryStore::unlock()
{
    // Removed while still held, so no one takes the lock on a file that has
    // no name any more without seeing that it has none; and only when the
    // name is still this file, not one another copy made after it was removed.
    struct stat held
    {
    };
    struct stat named
    {
    };
    if (lock_ && folder_.isOpen() && ::fstat(lock_->get(), &held) == 0 &&
        ::fstatat(folder_.descriptor(), kLockFileName, &named, AT_SYMLINK_NOFOLLOW) == 0 &&
        held.st_dev == named.st_dev && held.st_ino == named.st_ino)
        ::unlinkat(folder_.descriptor(), kLockFileName, 0);
    lock_.reset();
}

QStringList DirectoryStore::removeInterruptedSaves()
{
    return removeInterruptedWrites(folder_, QLatin1String(kDirectoryFileName));
}

Result<> DirectoryStore::writeDefaultFile()
{
    const DirectoryEntry entry = *parseDirectoryLine(QString::fromLatin1(kDefaultDirectoryLine));
    const Result<FileStamp> written =
        WriteDirectoryFile(folder_, [&](const EntryVisitor &visit) { visit(entry); });
    if (written) {
        known_ = *written;
        asWritten_ = true;
    }
    return written.status();
}

Result<> DirectoryStore::read(const std::function<void(qsizetype)> &expect,
                              const std::function<void(DirectoryEntry &&)> &add)
{
    const Result<DirectoryRead> result = ReadDirectoryFile(folder_, expect, add);
    if (result) {
        known_ = result->stamp;
        asWritten_ = result->asWritten;
    }
    return result.status();
}

Result<> DirectoryStore::reopenRemovedFolder()
{
    lock_.reset();
    folder_ = Folder();
    const Result<FolderState> reopened = open();
    if (!reopened)
        return reopened.status();
    if (lock() != LockState::Locked) {
        const QString error = DirectoryStoreText::tr("its lock file %1 can't be taken")
                                  .arg(QDir::toNativeSeparators(lockPath()));
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
    // the file (or, over a folder, fails and says so).
    if (onDisk.regular && onDisk != known_) {
        if (!changed) {
            report.outcome = Outcome::LeftOutsideVersion;
            return report;
        }
        if (const Result<> kept = keepOutsideVersion(now, report); !kept)
            return Saved::failure(kept.error(), report);
    }

    // The day's first save keeps the file as it was; a backup that fails
    // never stops the save.
    if (onDisk.regular) {
        if (const Result<BackupReport> backup = keepDailyBackup(folder_, name, now.date()); !backup)
            report.backupError = backup.error();
    }

    const Result<FileStamp> written = WriteDirectoryFile(folder_, forEach);
    if (!written)
        return Saved::failure(written.error(), report);
    known_ = *written;
    asWritten_ = true;
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
