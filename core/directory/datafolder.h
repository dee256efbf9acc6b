#pragma once

#include "core/files/result.h"

#include <QString>
#include <QStringList>

namespace core {

// True when a user name can name a folder of its own: not empty, not "." or
// "..", and without a path separator or NUL.
bool isUsableUserName(const QString &userName);

// Fails, saying what the user is told, for a user name that cannot name a
// data folder.
Result<> checkUserName(const QString &userName);

// <appFolder>/<userName>
QString dataFolderPath(const QString &appFolder, const QString &userName);

// <appFolder>/<userName>/quorvel.dat
QString directoryFilePath(const QString &appFolder, const QString &userName);

// Whether the data folder was there already or has just been made.
enum class FolderState { Existing, Created };

// Makes sure the user's data folder exists and is safe to use. A missing
// folder is created private to its owner (mode 0700). An existing path that
// is a symbolic link, not a folder, or owned by another user is refused, and
// so is an unusable user name; nothing is read or written then. A failure
// says what the user is told, naming the folder and the reason.
Result<FolderState> checkDataFolder(const QString &appFolder, const QString &userName);

} // namespace core
