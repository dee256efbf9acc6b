#include "core/directory/datafolder.h"
#include "support/fixtures.h"

#include <unistd.h>

using namespace testsupport;

// A missing data folder is made private, one there used; anything else is refused, unwritten.
TEST(CoreDataFolder, MakesOrAcceptsAFolderAndRefusesAnythingElse)
{
    QTemporaryDir app;
    QTemporaryDir elsewhere;
    const QDir a(app.path());
    ASSERT_TRUE(a.mkdir("existing") && a.mkdir("foreign"));
    ASSERT_TRUE(QFile::link(elsewhere.path(), a.filePath("linked")));
    ASSERT_TRUE(QFile::link(elsewhere.filePath("gone"), a.filePath("dangling")));
    writeBytes(a.filePath("plainfile"), "x");
    // Only root can give a folder away; elsewhere that row cannot be made.
    const bool given = ::chown(QFile::encodeName(a.filePath("foreign")), 65534, 65534) == 0;

    // "user|refusal": none said, the folder is used (made unless it exists).
    const QString nul = QString("a") + QChar(0) + "b|can't name a data folder";
    for (const QString &row :
         QStringList{"alice|", "Ann Lee|", "..a|", "existing|", "linked|it is a symbolic link",
                     "dangling|it is a symbolic link", "plainfile|it is not a folder",
                     "foreign|it belongs to another user", "|No user name", "..|can't name",
                     ".|can't name", "a/b|can't name", "alice/|can't name", nul}) {
        const QString user = row.section('|', 0, 0), why = row.section('|', 1);
        if (user == "foreign" && !given)
            continue;
        const QStringList before = folderContents(app.path());
        const auto r = core::checkDataFolder(app.path(), user);
        const bool created = why.isEmpty() && user != "existing";
        EXPECT_EQ(r.ok(), why.isEmpty()) << row.toStdString();
        EXPECT_EQ(r.ok() && *r == core::FolderState::Created, created) << row.toStdString();
        EXPECT_TRUE(r.error().contains(why)) << r.error().toStdString();
        // A refused folder is named.
        EXPECT_TRUE(!why.startsWith("it ") ||
                    r.error().contains(QDir::toNativeSeparators(a.filePath(user))));
        EXPECT_EQ(folderContents(app.path()).size(), before.size() + (created ? 1 : 0));
    }
    EXPECT_EQ(modeOf(a.filePath("alice")), 0700);
    EXPECT_EQ(folderContents(elsewhere.path()), QStringList());
    EXPECT_EQ(fileBytes(a.filePath("plainfile")), "x");
}

// Folders others could tamper with are refused before anything is made, naming
// the folder and the fix; a sticky application folder is shared safely.
TEST(CoreDataFolder, RefusesFoldersOthersMayWrite)
{
    // Application folder's mode, user folder's mode (0: none), refused: 'a'pp or 'u'ser folder.
    const std::tuple<int, int, char> rows[] = {
        {0755, 0705, 0}, {01777, 0700, 0},  {01777, 0, 0},     {0777, 0700, 'a'},
        {0775, 0, 'a'},  {0755, 0770, 'u'}, {01777, 0702, 'u'}};
    for (const auto &[appMode, userMode, refused] : rows) {
        QTemporaryDir app;
        const QString folder = app.filePath("Ann Lee");
        ASSERT_TRUE(!userMode || (QDir().mkdir(folder) &&
                                  ::chmod(QFile::encodeName(folder), mode_t(userMode)) == 0));
        ASSERT_EQ(::chmod(QFile::encodeName(app.path()), mode_t(appMode)), 0);
        const auto r = core::checkDataFolder(app.path(), "Ann Lee");
        const QString named = refused == 'u' ? folder : app.path();
        EXPECT_EQ(r.ok(), !refused) << std::oct << appMode << ' ' << userMode;
        EXPECT_TRUE(!refused || (r.error().contains(named + ' ') &&
                                 r.error().endsWith("\nTo make it safe, run: chmod go-w " +
                                                    (refused == 'u' ? "'" + named + "'" : named))))
            << r.error().toStdString();
        EXPECT_EQ(QFileInfo::exists(folder), r.ok() || userMode);
    }
}
