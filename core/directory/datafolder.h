#pragma once

#include "core/files/fileio.h"
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
// so is an unusable user name, and folders others could tamper with
// (checkFolderPermissions); nothing is read or written then. A failure says
// what the user is told, naming the folder and the reason.
Result<FolderState> checkDataFolder(const QString &appFolder, const QString &userName);

// Refuses folders other users could tamper with: the user's data folder when
// its group or others may write to it, and the application folder holding it
// when they may write there without the sticky bit (they could move the data
// folder away and put their own in its place). Missing folders pass. The
// failure names the folder, the reason and the command that mends it.
Result<> checkFolderPermissions(const QString &appFolder, const QString &userName);

// Refuses a file of the folder that belongs to another user: it is not read
// as the user's own. Nothing at name passes. The failure is the reason alone.
Result<> checkOwnFile(const Folder &folder, const QString &name);

// Refuses to write a contact file over Quorvel's own data: the directory
// file or the keyword colour file (compared as the file itself, so a link to
// one counts), or any file in the user's data folder or below it. The
// failure is the reason alone, naming the data file or folder.
Result<> checkNotDataFile(const QString &appFolder, const QString &userName, const QString &path);

} // namespace core
