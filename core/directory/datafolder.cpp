#include "core/directory/datafolder.h"

#include "core/colors/keywordfile.h"
#include "core/directory/directoryfile.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>

#ifdef Q_OS_UNIX
#include <fcntl.h>
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

namespace {

// The path as a shell reads it back: quoted when it holds more than plain
// characters.
QString shellQuoted(const QString &path)
{
    static const QRegularExpression plain(QStringLiteral("^[A-Za-z0-9_@%+=:,./-]+$"));
    if (plain.match(path).hasMatch())
        return path;
    QString quoted = path;
    return QLatin1Char('\'') + quoted.replace(QLatin1Char('\''), QLatin1String("'\\''")) +
           QLatin1Char('\'');
}

#ifdef Q_OS_UNIX
// The permission bits of the folder at path (a link followed), or -1 when
// nothing can be examined there.
int folderMode(const QString &path)
{
    struct stat st
    {
    };
    if (::stat(QFile::encodeName(path).constData(), &st) != 0 || !S_ISDIR(st.st_mode))
        return -1;
    return int(st.st_mode & 07777);
}
#endif

Result<> refuseShared(const QString &text, const QString &path, int mode)
{
    const QString native = QDir::toNativeSeparators(path);
    return Result<>::failure(
        text.arg(native, QString::number(mode, 8).rightJustified(4, u'0')) + QLatin1Char('\n') +
        DataFolderText::tr("To make it safe, run: chmod go-w %1").arg(shellQuoted(native)));
}

// Group and others are "other users" alike: a group may hold anyone.
constexpr int kOthersWrite = 0022;

Result<> checkApplicationFolder(const QString &appFolder)
{
#ifdef Q_OS_UNIX
    if (const int mode = folderMode(appFolder);
        mode >= 0 && (mode & kOthersWrite) != 0 && (mode & S_ISVTX) == 0)
        return refuseShared(DataFolderText::tr("The folder %1 that holds your data folder can't "
                                               "be used: other users can write to it (mode %2) "
                                               "and it has no sticky bit, so they could move "
                                               "your data folder away and put another in its "
                                               "place."),
                            appFolder, mode);
#else
    Q_UNUSED(appFolder);
#endif
    return {};
}

Result<> checkUserFolder(const QString &path)
{
#ifdef Q_OS_UNIX
    if (const int mode = folderMode(path); mode >= 0 && (mode & kOthersWrite) != 0)
        return refuseShared(DataFolderText::tr("The data folder %1 can't be used: other users can "
                                               "write to it (mode %2), so they could replace "
                                               "your files or plant their own."),
                            path, mode);
#else
    Q_UNUSED(path);
#endif
    return {};
}

} // namespace

Result<> checkFolderPermissions(const QString &appFolder, const QString &userName)
{
    if (const Result<> above = checkApplicationFolder(appFolder); !above)
        return above;
    return checkUserFolder(dataFolderPath(appFolder, userName));
}

Result<> checkOwnFile(const Folder &folder, const QString &name)
{
#ifdef Q_OS_UNIX
    struct stat st
    {
    };
    if (::fstatat(folder.descriptor(), QFile::encodeName(name).constData(), &st,
                  AT_SYMLINK_NOFOLLOW) == 0 &&
        st.st_uid != ::geteuid())
        return Result<>::failure(DataFolderText::tr("it belongs to another user"));
#else
    Q_UNUSED(folder);
    Q_UNUSED(name);
#endif
    return {};
}

Result<> checkNotDataFile(const QString &appFolder, const QString &userName, const QString &path)
{
    const QFileInfo target(path);
    const QString directoryFile = directoryFilePath(appFolder, userName);
    const QString keywordFile = keywordFilePath(appFolder);
#ifdef Q_OS_UNIX
    // The file itself, whichever name or link leads to it.
    const auto sameFile = [](const QString &a, const QString &b) {
        struct stat sa
        {
        };
        struct stat sb
        {
        };
        return ::stat(QFile::encodeName(a).constData(), &sa) == 0 &&
               ::stat(QFile::encodeName(b).constData(), &sb) == 0 && sa.st_dev == sb.st_dev &&
               sa.st_ino == sb.st_ino;
    };
#else
    const auto sameFile = [](const QString &a, const QString &b) {
        const QString canonical = QFileInfo(a).canonicalFilePath();
        return !canonical.isEmpty() && canonical == QFileInfo(b).canonicalFilePath();
    };
#endif
    if (sameFile(path, directoryFile))
        return Result<>::failure(DataFolderText::tr("it is Quorvel's own directory file %1")
                                     .arg(QDir::toNativeSeparators(directoryFile)));
    if (sameFile(path, keywordFile))
        return Result<>::failure(DataFolderText::tr("it is Quorvel's own keyword colour file %1")
                                     .arg(QDir::toNativeSeparators(keywordFile)));
    // A name not there yet: where it would be made, every link resolved.
    const QString folder = QFileInfo(target.absolutePath()).canonicalFilePath();
    const QString dataFolder = QFileInfo(dataFolderPath(appFolder, userName)).canonicalFilePath();
    if (folder.isEmpty())
        return {};
    if (!dataFolder.isEmpty() &&
        (folder == dataFolder || folder.startsWith(dataFolder + QLatin1Char('/'))))
        return Result<>::failure(
            DataFolderText::tr("it is in Quorvel's data folder %1, which holds only Quorvel's "
                               "own files")
                .arg(QDir::toNativeSeparators(dataFolder)));
    if (folder == QFileInfo(appFolder).canonicalFilePath() &&
        target.fileName() == QLatin1String(kKeywordFileName))
        return Result<>::failure(DataFolderText::tr("it is Quorvel's own keyword colour file %1")
                                     .arg(QDir::toNativeSeparators(keywordFile)));
    return {};
}

Result<FolderState> checkDataFolder(const QString &appFolder, const QString &userName)
{
    if (const Result<> name = checkUserName(userName); !name)
        return Result<FolderState>::failure(name);
    // Checked before a folder is made in it.
    if (const Result<> shared = checkApplicationFolder(appFolder); !shared)
        return Result<FolderState>::failure(shared);
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
    if (const Result<> shared = checkUserFolder(path); !shared)
        return Result<FolderState>::failure(shared);
    return created ? FolderState::Created : FolderState::Existing;
}

} // namespace core
