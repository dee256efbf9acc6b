#include "core/datafolder.h"
#include "support/fixtures.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

namespace {

using testsupport::folderContents;

QFileDevice::Permissions modeOf(const QString &path)
{
    return QFileInfo(path).permissions() & QFileDevice::Permissions(0x7777);
}

TEST(CoreDataFolder, UsableUserNames)
{
    for (const QString name : {"alice", "a.b", "Ann Lee", "..a"})
        EXPECT_TRUE(core::isUsableUserName(name)) << name.toStdString();
    for (const QString name : {"", ".", "..", "a/b", "/", "alice/", "a\\b"})
        EXPECT_FALSE(core::isUsableUserName(name)) << name.toStdString();
    EXPECT_FALSE(core::isUsableUserName(QString("a") + QChar(0) + "b"));
}

TEST(CoreDataFolder, FolderIsCreatedPrivateOnceWithItsDefaultFile)
{
    QTemporaryDir app;
    const QString folder = core::dataFolderPath(app.path(), "alice");
    const core::PrepareResult r = core::checkDataFolder(app.path(), "alice");
    EXPECT_TRUE(r.ok && r.created) << r.error.toStdString();
    EXPECT_EQ(modeOf(folder), QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                  QFileDevice::ExeOwner | QFileDevice::ReadUser |
                                  QFileDevice::WriteUser | QFileDevice::ExeUser);
    EXPECT_EQ(core::writeDefaultDirectoryFile(app.path(), "alice"), QString());
    const QString file = core::directoryFilePath(app.path(), "alice");
    EXPECT_EQ(testsupport::fileBytes(file), QByteArray("Default|phone: 555-1234\r\n"));
    // It holds the user's contacts like any other directory file, so it is private too.
    EXPECT_EQ(modeOf(file), QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                QFileDevice::ReadUser | QFileDevice::WriteUser);

    const core::PrepareResult again = core::checkDataFolder(app.path(), "alice");
    EXPECT_TRUE(again.ok && !again.created) << again.error.toStdString();
    EXPECT_EQ(folderContents(app.path()), (QStringList{"alice", "alice/quorvel.dat"}));
}

TEST(CoreDataFolder, RefusesUnsafePaths)
{
    QTemporaryDir app;
    QTemporaryDir elsewhere;
    const QDir a(app.path());
    ASSERT_TRUE(QFile::link(elsewhere.path(), a.filePath("linked")));
    ASSERT_TRUE(QFile::link(QDir(elsewhere.path()).filePath("gone"), a.filePath("dangling")));
    testsupport::writeBytes(a.filePath("plainfile"), "x");
    const QStringList before = folderContents(app.path());

    // A link to a folder, a link to nothing, a regular file; then names that
    // name no folder of their own. The error names the refused folder.
    for (const char *user : {"linked", "dangling", "plainfile", "", "..", "x/y"}) {
        SCOPED_TRACE(user);
        const core::PrepareResult r = core::checkDataFolder(app.path(), user);
        EXPECT_FALSE(r.ok || r.created);
        EXPECT_FALSE(r.error.isEmpty());
        if (QFileInfo(a.filePath(user)).isSymLink() || QFileInfo(a.filePath(user)).isFile()) {
            EXPECT_TRUE(r.error.contains(QDir::toNativeSeparators(a.filePath(user))))
                << r.error.toStdString();
        }
        // Nothing may be written anywhere: not in the app folder, not behind a link.
        EXPECT_EQ(folderContents(app.path()), before);
        EXPECT_TRUE(folderContents(elsewhere.path()).isEmpty());
        EXPECT_EQ(testsupport::fileBytes(a.filePath("plainfile")), QByteArray("x"));
    }
}

} // namespace
