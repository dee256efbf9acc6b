#include "core/directory/datafolder.h"

#include "core/directory/directoryfile.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

#ifdef Q_OS_UNIX
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace core {

bool isUsableUserName(const QString &userName)
{
    if (userName.isEmpty() || userName == QLatin1String(".") || userName == QLatin1String(".."))
        return false;
    for (const QChar c : userName) {
        if (c == QLatin1Char('/') || c == QLatin1Char('\\') || c.isNull())
            return false;
    }
    return true;
}

QString dataFolderPath(const QString &appFolder, const QString &userName)
{
    return QDir(appFolder).filePath(userName);
}

QString directoryFilePath(const QString &appFolder, const QString &userName)
{
    return QDir(dataFolderPath(appFolder, userName)).filePath(QLatin1String(kDirectoryFileName));
}

namespace {

// The texts of this file, in the user's language.
struct DataFolderText
{
    Q_DECLARE_TR_FUNCTIONS(DataFolderText)
};

// Why an existing path cannot serve as this user's data folder, or an empty
// text when it can. The path is examined without following a link.
QString unsafeFolderReason(const QString &path)
{
#ifdef Q_OS_UNIX
    struct stat st
    {
    };
    const QByteArray native = QFile::encodeName(path);
    if (::lstat(native.constData(), &st) != 0)
        return DataFolderText::tr("it cannot be examined");
    if (S_ISLNK(st.st_mode))
        return DataFolderText::tr("it is a symbolic link");
    if (!S_ISDIR(st.st_mode))
        return DataFolderText::tr("it is not a folder");
    if (st.st_uid != ::geteuid())
        return DataFolderText::tr("it belongs to another user");
    return {};
#else
    const QFileInfo info(path);
    if (info.isSymLink() || info.isJunction())
        return DataFolderText::tr("it is a symbolic link");
    if (!info.isDir())
        return DataFolderText::tr("it is not a folder");
    return {};
#endif
}

bool pathExists(const QString &path)
{
    const QFileInfo info(path);
    return info.exists() || info.isSymLink();
}

Result<FolderState> refuse(const QString &path, const QString &reason)
{
    return Result<FolderState>::failure(DataFolderText::tr("The data folder %1 can't be used: %2.")
                                            .arg(QDir::toNativeSeparators(path), reason));
}

} // namespace

Result<> checkUserName(const QString &userName)
{
    if (isUsableUserName(userName))
        return {};
    return Result<>::failure(
        userName.isEmpty()
            ? DataFolderText::tr("No user name could be found, can't open a directory.")
            : DataFolderText::tr("The user name \"%1\" can't name a data folder.").arg(userName));
}

Result<FolderState> checkDataFolder(const QString &appFolder, const QString &userName)
{
    if (const Result<> name = checkUserName(userName); !name)
        return Result<FolderState>::failure(name);
    const QString path = dataFolderPath(appFolder, userName);
    bool created = false;
    if (!pathExists(path)) {
        // 0700: the folder holds one user's contacts and nobody else's business.
        created = QDir().mkdir(path, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        if (!created && !pathExists(path))
            return refuse(path, DataFolderText::tr("it could not be created"));
    }
    const QString reason = unsafeFolderReason(path);
    if (!reason.isEmpty())
        return refuse(path, reason);
    return created ? FolderState::Created : FolderState::Existing;
}

} // namespace core
