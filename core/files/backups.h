#pragma once

#include <QDate>
#include <QString>
#include <QStringList>

namespace core {

inline constexpr char kBackupFolderName[] = "backups";
inline constexpr int kBackupsKept = 14;

// The name of a day's backup: "quorvel-YYYY-MM-DD.dat".
QString backupFileName(QDate day);

struct BackupResult
{
    bool ok = false;
    QString error;       // when !ok: what the user is told, naming the file and the reason
    QString made;        // the backup written by this call, when one was
    QStringList removed; // older backups removed, by name
    explicit operator bool() const { return ok; }
};

// Keeps the directory file as it was before the day's first save. Call it
// before every save: when <dataFolder>/backups holds no backup of today yet,
// the directory file is copied there as backupFileName(today) (mode 0600;
// the folder is made when missing, mode 0700), and then all but the newest
// kBackupsKept regular files of exactly that naming are removed. No other
// file is ever touched. No directory file yet is nothing to keep: success.
// Nothing is opened through a symbolic link; a backup folder that is a link,
// not a folder, or another user's is refused. A failure leaves no partial
// backup under the day's name; the caller still saves.
BackupResult keepDailyBackup(const QString &dataFolder, QDate today, const QString &directoryFile);

} // namespace core
