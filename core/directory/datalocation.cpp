#include "core/directory/datalocation.h"

#include "core/colors/keywordfile.h"
#include "core/directory/datafolder.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

#ifdef Q_OS_UNIX
#include <cerrno>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace core {

namespace {

// The texts of this file, in the user's language.
struct DataLocationText
{
    Q_DECLARE_TR_FUNCTIONS(DataLocationText)
};

enum class PathKind { Missing, Folder, File, Link, OtherUsersFolder, Unknown };

// What is at the path, without following a link.
PathKind kindOf(const QString &path)
{
#ifdef Q_OS_UNIX
    struct stat st
    {
    };
    if (::lstat(QFile::encodeName(path).constData(), &st) != 0)
        return errno == ENOENT || errno == ENOTDIR ? PathKind::Missing : PathKind::Unknown;
    if (S_ISLNK(st.st_mode))
        return PathKind::Link;
    if (!S_ISDIR(st.st_mode))
        return PathKind::File;
    return st.st_uid == ::geteuid() ? PathKind::Folder : PathKind::OtherUsersFolder;
#else
    const QFileInfo info(path);
    if (info.isSymLink() || info.isJunction())
        return PathKind::Link;
    if (!info.exists())
        return PathKind::Missing;
    return info.isDir() ? PathKind::Folder : PathKind::File;
#endif
}

// True when the executable's folder already serves as the application
// folder: marked portable, or holding data of an earlier run. A file that
// merely bears the user's name (the executable itself for a user named
// after it) is not a data folder.
bool isInUseBesideExecutable(const DataLocationInput &input)
{
    const QDir folder(input.executableFolder);
    if (kindOf(folder.filePath(QLatin1String(kPortableMarkerName))) != PathKind::Missing ||
        kindOf(keywordFilePath(input.executableFolder)) != PathKind::Missing)
        return true;
    if (!isUsableUserName(input.userName))
        return false;
    const PathKind data = kindOf(dataFolderPath(input.executableFolder, input.userName));
    return data != PathKind::Missing && data != PathKind::File;
}

// What the user can do when the folder in their home cannot be used.
QString remedy(const DataLocationInput &input)
{
    return DataLocationText::tr("Set XDG_DATA_HOME to a folder of your own, or put an empty file "
                                "named %1 beside the program (in %2) to keep the data there.")
        .arg(QLatin1String(kPortableMarkerName), QDir::toNativeSeparators(input.executableFolder));
}

Result<DataLocation> refuse(const QString &folder, const QString &reason, const QString &remedy)
{
    return Result<DataLocation>::failure(
        DataLocationText::tr("The folder %1 for Quorvel's data can't be used: %2.\n%3")
            .arg(QDir::toNativeSeparators(folder), reason, remedy));
}

// The folder in the user's home: $XDG_DATA_HOME/quorvel, or
// ~/.local/share/quorvel. Empty when neither variable gives an absolute path.
QString userDataFolder(const DataLocationInput &input)
{
    if (QDir::isAbsolutePath(input.xdgDataHome))
        return QDir::cleanPath(input.xdgDataHome + QStringLiteral("/quorvel"));
    if (QDir::isAbsolutePath(input.home))
        return QDir::cleanPath(input.home + QStringLiteral("/.local/share/quorvel"));
    return {};
}

bool makeFolder(const QString &path, QString *reason)
{
#ifdef Q_OS_UNIX
    // 0700, whatever the umask allows more: the folder holds contacts.
    if (::mkdir(QFile::encodeName(path).constData(), S_IRWXU) == 0 || errno == EEXIST)
        return true;
    *reason = QString::fromLocal8Bit(std::strerror(errno));
    return false;
#else
    if (QDir().mkdir(path, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner) ||
        QFileInfo(path).isDir())
        return true;
    *reason = DataLocationText::tr("access denied");
    return false;
#endif
}

} // namespace

Result<DataLocation> chooseDataLocation(const DataLocationInput &input)
{
    DataLocation location;
    if (isInUseBesideExecutable(input)) {
        location.folder = QDir::cleanPath(input.executableFolder);
        location.besideExecutable = true;
        return location;
    }
    const QString folder = userDataFolder(input);
    if (folder.isEmpty())
        return Result<DataLocation>::failure(
            DataLocationText::tr("Quorvel can't find a folder for its data: neither HOME nor "
                                 "XDG_DATA_HOME is set to an absolute path.\n%1")
                .arg(remedy(input)));
    const QString moveAway = DataLocationText::tr("Move it out of the way. ") + remedy(input);
    switch (kindOf(folder)) {
    case PathKind::Missing:
        location.mustCreate = true;
        break;
    case PathKind::Folder:
        break;
    case PathKind::File:
        return refuse(folder, DataLocationText::tr("it is not a folder"), moveAway);
    case PathKind::Link:
        return refuse(folder, DataLocationText::tr("it is a symbolic link"), moveAway);
    case PathKind::OtherUsersFolder:
        return refuse(folder, DataLocationText::tr("it belongs to another user"), moveAway);
    case PathKind::Unknown:
        return refuse(folder, DataLocationText::tr("it cannot be examined"), remedy(input));
    }
    location.folder = folder;
    return location;
}

Result<DataLocation> createDataLocation(const Result<DataLocation> &chosen)
{
    if (!chosen || !chosen->mustCreate)
        return chosen;
    const DataLocation &location = *chosen;
    QStringList missing;
    for (QString path = location.folder; kindOf(path) == PathKind::Missing;) {
        missing.prepend(path);
        const QString parent = QFileInfo(path).path();
        if (parent == path)
            break;
        path = parent;
    }
    const QString what =
        DataLocationText::tr("Create it, or set XDG_DATA_HOME to a folder you can "
                             "write, or put an empty file named %1 beside the program "
                             "to keep the data there.")
            .arg(QLatin1String(kPortableMarkerName));
    for (const QString &path : std::as_const(missing)) {
        QString reason;
        if (!makeFolder(path, &reason))
            return refuse(location.folder,
                          DataLocationText::tr("it could not be created (%1)").arg(reason), what);
    }
    // Made by someone else meanwhile: it must still be the user's own folder.
    if (kindOf(location.folder) != PathKind::Folder)
        return refuse(location.folder, DataLocationText::tr("it is not a folder of your own"),
                      what);
    DataLocation created = location;
    created.mustCreate = false;
    return created;
}

} // namespace core
