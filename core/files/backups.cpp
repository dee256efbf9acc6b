#include "core/files/backups.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>

#include <algorithm>
#include <utility>

#include <cerrno>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace core {

QString backupFileName(QDate day)
{
    return QStringLiteral("quorvel-%1.dat").arg(day.toString(QStringLiteral("yyyy-MM-dd")));
}

namespace {

// The texts of this file, in the user's language.
struct BackupsText
{
    Q_DECLARE_TR_FUNCTIONS(BackupsText)
};

using BackupResult = Result<BackupReport>;

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

QString lastReason()
{
    return qt_error_string(errno);
}

// Where the held folder is now, for messages.
QString whereIs(const Folder &folder)
{
    const QString now = folder.currentPath();
    return now.isEmpty() ? folder.path() : now;
}

// Why the held backup folder cannot hold backups, or nothing when it can.
// It is made private to its owner.
QString unsafeFolderReason(const Folder &folder)
{
    struct stat st
    {
    };
    if (::fstat(folder.descriptor(), &st) != 0)
        return lastReason();
    if (st.st_uid != ::geteuid())
        return BackupsText::tr("it belongs to another user");
    if ((st.st_mode & 07777) != 0700 && ::fchmod(folder.descriptor(), 0700) != 0)
        return lastReason();
    return {};
}

// The backup folder of the data folder, made when missing, held and checked.
Result<Folder> openBackupFolder(const Folder &data)
{
    const QString path = QDir(whereIs(data)).filePath(QLatin1String(kBackupFolderName));
    if (::mkdirat(data.descriptor(), kBackupFolderName, 0700) != 0 && errno != EEXIST)
        return Result<Folder>::failure(BackupsText::tr("Can't create the backup folder %1: %2.")
                                           .arg(native(path), lastReason()));
    Result<Folder> folder = data.openSub(QLatin1String(kBackupFolderName));
    const QString unsafe = folder ? unsafeFolderReason(*folder) : folder.error();
    if (!unsafe.isEmpty())
        return Result<Folder>::failure(
            BackupsText::tr("The backup folder %1 can't be used: %2.").arg(native(path), unsafe));
    return folder;
}

// The backups in the folder dated up to today, oldest first: regular files
// of the naming only. Those dated later (a clock that was set wrong) are not
// counted and never removed.
QStringList backupsIn(const Folder &folder, QDate today)
{
    const QString last = backupFileName(today);
    QStringList names;
    DIR *dir = ::fdopendir(::dup(folder.descriptor()));
    if (!dir)
        return names;
    while (const dirent *entry = ::readdir(dir)) {
        const QString name = QFile::decodeName(entry->d_name);
        if (isBackupName(name) && name <= last && folder.stampOf(name).regular)
            names.append(name);
    }
    ::closedir(dir);
    // The date in the name sorts them.
    names.sort();
    return names;
}

// Removes all but the newest kBackupsKept backups up to today (today's is
// one of them), adding their names to report.
BackupResult removeOldBackups(const Folder &folder, QDate today, BackupReport report)
{
    const QStringList backups = backupsIn(folder, today);
    for (qsizetype i = 0; i + kBackupsKept < backups.size(); ++i) {
        if (::unlinkat(folder.descriptor(), QFile::encodeName(backups.at(i)).constData(), 0) != 0)
            return BackupResult::failure(
                BackupsText::tr("Can't remove the old backup %1: %2.")
                    .arg(native(folder.filePath(backups.at(i))), lastReason()),
                report);
        report.removed.append(backups.at(i));
    }
    return report;
}

} // namespace

Result<BackupReport> keepDailyBackup(const Folder &dataFolder, const QString &fileName, QDate today)
{
    const QString name = backupFileName(today);
    const Result<FileBytes> source = readRegularFile(dataFolder, fileName);
    if (source && source->missing)
        return BackupReport();
    if (!source)
        return BackupResult::failure(
            BackupsText::tr("Can't read %1 to keep a backup of it: %2.")
                .arg(native(QDir(whereIs(dataFolder)).filePath(fileName)), source.error()));
    const Result<Folder> folder = openBackupFolder(dataFolder);
    if (!folder)
        return BackupResult::failure(folder.error());
    // Whatever holds today's name, even a link, means the day's backup is made.
    if (folder->stampOf(name).exists)
        return BackupReport();
    WriteOptions options;
    options.onlyIfMissing = true;
    const Result<FileStamp> written = writeFileAtomically(
        *folder, name, [&](Utf8Builder &out) { out.appendBytes(source->bytes); }, options);
    if (!written)
        return BackupResult::failure(BackupsText::tr("Can't write the backup %1: %2.")
                                         .arg(native(folder->filePath(name)), written.error()));
    BackupReport report;
    report.made = name;
    return removeOldBackups(*folder, today, std::move(report));
}

} // namespace core
