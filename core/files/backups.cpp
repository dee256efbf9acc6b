#include "core/files/backups.h"

#include "core/files/descriptor.h"

#include <QDir>
#include <QFile>

#include <algorithm>
#include <utility>

#ifdef Q_OS_UNIX
#include <cerrno>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace core {

QString backupFileName(QDate day)
{
    return QStringLiteral("quorvel-%1.dat").arg(day.toString(QStringLiteral("yyyy-MM-dd")));
}

namespace {

BackupResult failure(const QString &message)
{
    BackupResult result;
    result.error = message;
    return result;
}

QString native(const QString &path)
{
    return QDir::toNativeSeparators(path);
}

// True for a name that backupFileName gives for some day, and only then.
bool isBackupName(const QString &name)
{
    static const qsizetype prefix = QStringLiteral("quorvel-").size();
    const QDate day = QDate::fromString(name.mid(prefix, 10), QStringLiteral("yyyy-MM-dd"));
    return day.isValid() && backupFileName(day) == name;
}

#ifdef Q_OS_UNIX

QString lastReason()
{
    return qt_error_string(errno);
}

// Why the folder opened as fd cannot hold backups, or nothing when it can.
// It is made private to its owner.
QString unsafeFolderReason(int fd)
{
    struct stat st
    {
    };
    if (::fstat(fd, &st) != 0)
        return lastReason();
    if (st.st_uid != ::geteuid())
        return QStringLiteral("it belongs to another user");
    if ((st.st_mode & 07777) != 0700 && ::fchmod(fd, 0700) != 0)
        return lastReason();
    return {};
}

// Why the backup folder could not be opened.
QString unopenableReason(int dataFolder)
{
    const QString reason = lastReason();
    struct stat st
    {
    };
    if (::fstatat(dataFolder, kBackupFolderName, &st, AT_SYMLINK_NOFOLLOW) != 0)
        return reason;
    if (S_ISLNK(st.st_mode))
        return QStringLiteral("it is a symbolic link");
    if (!S_ISDIR(st.st_mode))
        return QStringLiteral("it is not a folder");
    return reason;
}

// Copies everything from one descriptor to the other; false with errno set
// when a read or write fails.
bool copyAll(int from, int to)
{
    char buffer[64 * 1024];
    for (;;) {
        const ssize_t got = ::read(from, buffer, sizeof buffer);
        if (got == 0)
            return true;
        if (got < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        for (ssize_t done = 0; done < got;) {
            const ssize_t put = ::write(to, buffer + done, static_cast<size_t>(got - done));
            if (put < 0 && errno != EINTR)
                return false;
            done += std::max<ssize_t>(put, 0);
        }
    }
}

// The backups in the folder, oldest first: regular files of the naming only.
QStringList backupsIn(int folder)
{
    QStringList names;
    DIR *dir = ::fdopendir(::dup(folder));
    if (!dir)
        return names;
    while (const dirent *entry = ::readdir(dir)) {
        const QString name = QFile::decodeName(entry->d_name);
        struct stat st
        {
        };
        if (isBackupName(name) && ::fstatat(folder, entry->d_name, &st, AT_SYMLINK_NOFOLLOW) == 0 &&
            S_ISREG(st.st_mode))
            names.append(name);
    }
    ::closedir(dir);
    // The date in the name sorts them.
    names.sort();
    return names;
}

#endif

} // namespace

BackupResult keepDailyBackup(const QString &dataFolder, QDate today, const QString &directoryFile)
{
#ifdef Q_OS_UNIX
    const QString name = backupFileName(today);
    const QByteArray nativeName = QFile::encodeName(name);
    const QString folderPath = QDir(dataFolder).filePath(QLatin1String(kBackupFolderName));
    const QString backupPath = QDir(folderPath).filePath(name);

    // Without blocking, so that a FIFO in the file's place is refused, not waited on.
    const Descriptor source(::open(QFile::encodeName(directoryFile).constData(),
                                   O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
    if (!source.valid() && errno == ENOENT) {
        BackupResult nothingToKeep;
        nothingToKeep.ok = true;
        return nothingToKeep;
    }
    QString unreadable;
    struct stat sourceStat
    {
    };
    if (!source.valid() || ::fstat(source.get(), &sourceStat) != 0)
        unreadable = lastReason();
    else if (!S_ISREG(sourceStat.st_mode))
        unreadable = QStringLiteral("it is not a regular file");
    if (!unreadable.isEmpty())
        return failure(QStringLiteral("Can't read %1 to keep a backup of it: %2.")
                           .arg(native(directoryFile), unreadable));

    const Descriptor data(::open(QFile::encodeName(dataFolder).constData(),
                                 O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    if (!data.valid() || (::mkdirat(data.get(), kBackupFolderName, 0700) != 0 && errno != EEXIST))
        return failure(QStringLiteral("Can't create the backup folder %1: %2.")
                           .arg(native(folderPath), lastReason()));
    const Descriptor folder(
        ::openat(data.get(), kBackupFolderName, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    const QString unsafe =
        folder.valid() ? unsafeFolderReason(folder.get()) : unopenableReason(data.get());
    if (!unsafe.isEmpty())
        return failure(QStringLiteral("The backup folder %1 can't be used: %2.")
                           .arg(native(folderPath), unsafe));

    BackupResult result;
    result.ok = true;
    // Whatever holds today's name, even a link, means the day's backup is made.
    struct stat existing
    {
    };
    if (::fstatat(folder.get(), nativeName.constData(), &existing, AT_SYMLINK_NOFOLLOW) == 0)
        return result;

    // Written under a name of its own and renamed when complete, so the
    // day's name never holds half a copy.
    const QByteArray partial = nativeName + ".partial";
    ::unlinkat(folder.get(), partial.constData(), 0);
    Descriptor target(::openat(folder.get(), partial.constData(),
                               O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600));
    const bool created = target.valid();
    const bool copied =
        created && ::fchmod(target.get(), 0600) == 0 && copyAll(source.get(), target.get()) &&
        ::fsync(target.get()) == 0 && target.close() &&
        ::renameat(folder.get(), partial.constData(), folder.get(), nativeName.constData()) == 0;
    if (!copied) {
        const QString reason = lastReason();
        if (created)
            ::unlinkat(folder.get(), partial.constData(), 0);
        return failure(
            QStringLiteral("Can't write the backup %1: %2.").arg(native(backupPath), reason));
    }
    result.made = name;

    const QStringList backups = backupsIn(folder.get());
    for (qsizetype i = 0; i + kBackupsKept < backups.size(); ++i) {
        if (::unlinkat(folder.get(), QFile::encodeName(backups.at(i)).constData(), 0) != 0) {
            result.ok = false;
            result.error = QStringLiteral("Can't remove the old backup %1: %2.")
                               .arg(native(QDir(folderPath).filePath(backups.at(i))), lastReason());
            break;
        }
        result.removed.append(backups.at(i));
    }
    return result;
#else
    Q_UNUSED(dataFolder);
    Q_UNUSED(today);
    Q_UNUSED(directoryFile);
    return failure(QStringLiteral("Backups are not kept on this system."));
#endif
}

} // namespace core
