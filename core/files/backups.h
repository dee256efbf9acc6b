#pragma once

#include "core/files/fileio.h"
#include "core/files/result.h"

#include <QDate>
#include <QString>
#include <QStringList>

namespace core {

inline constexpr char kBackupFolderName[] = "backups";
inline constexpr int kBackupsKept = 14;

// The name of a day's backup: "quorvel-YYYY-MM-DD.dat".
QString backupFileName(QDate day);

// What keeping the day's backup did.
struct BackupReport
{
    QString made;        // the backup written by this call, when one was
    QStringList removed; // older backups removed, by name
};

// Keeps the directory file fileName of the held data folder as it was before
// the day's first save. Call it before every save: when backups/ in the
// folder holds no backup of today yet, the file is copied there as
// backupFileName(today) through the atomic writer (mode 0600; the folder is
// made when missing, mode 0700), and then all but the newest kBackupsKept
// regular files of exactly that naming dated up to today are removed; today's
// is never removed, and backups dated later are neither counted nor touched.
// No other file is ever touched. No directory file yet is nothing to keep: success. Nothing is
// opened through a symbolic link; a backup folder that is a link, not a
// folder, or another user's is refused. A failure says what the user is
// told, naming the file and the reason, and leaves no partial backup under
// the day's name (a failure to remove an old one still reports what was
// done); the caller still saves.
Result<BackupReport> keepDailyBackup(const Folder &dataFolder, const QString &fileName,
                                     QDate today);

} // namespace core
