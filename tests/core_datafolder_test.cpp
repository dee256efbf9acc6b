#include "core/datafolder.h"
#include "support/fixtures.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <ostream>

namespace {

constexpr QFileDevice::Permissions kAllBits =
    QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner |
    QFileDevice::ReadGroup | QFileDevice::WriteGroup | QFileDevice::ExeGroup |
    QFileDevice::ReadOther | QFileDevice::WriteOther | QFileDevice::ExeOther;

QStringList entries(const QString &folder)
{
    return QDir(folder).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden |
                                  QDir::System);
}

TEST(CoreDataFolder, UsableUserNames)
{
    const struct
    {
        QString name;
        bool usable;
    } rows[] = {{"alice", true},
                {"a.b", true},
                {"Ann Lee", true},
                {"..a", true},
                {"", false},
                {".", false},
                {"..", false},
                {"a/b", false},
                {"/", false},
                {"alice/", false},
                {QString("a") + QChar(0) + "b", false}};
    for (const auto &row : rows) {
        SCOPED_TRACE(row.name.toStdString());
        EXPECT_EQ(core::isUsableUserName(row.name), row.usable);
    }
}

TEST(CoreDataFolder, MissingFolderIsCreatedPrivate)
{
    QTemporaryDir app;
    ASSERT_TRUE(app.isValid());
    const QString folder = core::dataFolderPath(app.path(), "alice");
    const core::PrepareResult r = core::checkDataFolder(app.path(), "alice");
    EXPECT_TRUE(r.ok) << r.error.toStdString();
    EXPECT_TRUE(r.created);
    const QFileInfo info(folder);
    ASSERT_TRUE(info.isDir());
    EXPECT_FALSE(info.isSymLink());
    EXPECT_EQ(info.permissions() & kAllBits,
              QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    EXPECT_EQ(entries(app.path()), QStringList({"alice"}));
}

TEST(CoreDataFolder, ExistingFolderIsAcceptedUntouched)
{
    QTemporaryDir app;
    ASSERT_TRUE(app.isValid());
    ASSERT_TRUE(QDir(app.path()).mkdir("alice"));
    const QString folder = core::dataFolderPath(app.path(), "alice");
    const core::PrepareResult r = core::checkDataFolder(app.path(), "alice");
    EXPECT_TRUE(r.ok) << r.error.toStdString();
    EXPECT_FALSE(r.created);
    EXPECT_TRUE(entries(folder).isEmpty());
    EXPECT_EQ(entries(app.path()), QStringList({"alice"}));
}

TEST(CoreDataFolder, RefusesUnsafePaths)
{
    QTemporaryDir app;
    QTemporaryDir elsewhere;
    ASSERT_TRUE(app.isValid() && elsewhere.isValid());
    const QDir a(app.path());
    ASSERT_TRUE(QFile::link(elsewhere.path(), a.filePath("linked")));
    ASSERT_TRUE(QFile::link(QDir(elsewhere.path()).filePath("gone"), a.filePath("dangling")));
    {
        QFile f(a.filePath("plainfile"));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("x");
    }
    const QStringList before = entries(app.path());

    const struct
    {
        const char *user;
        bool namesPath;              // the error text must name the refused folder
    } rows[] = {{"linked", true},    // symbolic link to a real folder
                {"dangling", true},  // symbolic link to nothing
                {"plainfile", true}, // a regular file
                {"", false},         {"..", false}, {"x/y", false}};
    for (const auto &row : rows) {
        SCOPED_TRACE(row.user);
        const core::PrepareResult r = core::checkDataFolder(app.path(), row.user);
        EXPECT_FALSE(r.ok);
        EXPECT_FALSE(r.created);
        EXPECT_FALSE(r.error.isEmpty());
        if (row.namesPath) {
            EXPECT_TRUE(r.error.contains(QDir::toNativeSeparators(a.filePath(row.user))))
                << r.error.toStdString();
        }
        // Nothing may be written anywhere: not in the app folder, not behind a link.
        EXPECT_EQ(entries(app.path()), before);
        EXPECT_TRUE(entries(elsewhere.path()).isEmpty());
        EXPECT_EQ(testsupport::fileBytes(a.filePath("plainfile")), QByteArray("x"));
    }
}

} // namespace
