#include "core/directory/directorystore.h"
#include "support/fixtures.h"

#include <csignal>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

using namespace testsupport;

using Store = core::DirectoryStore;

const QDateTime kNow(QDate(2026, 3, 4), QTime(5, 6, 7));
const QString kSide = "quorvel.dat.outside-20260304-050607";

// A fresh store, opened and locked, having read "Ann|1".
struct Opened
{
    Opened()
    {
        EXPECT_TRUE(store.open());
        EXPECT_EQ(store.lock(), Store::LockState::Locked);
        writeBytes(file, "Ann|1\r\n");
        EXPECT_TRUE(store.read([](qsizetype) {}, [](core::DirectoryEntry &&) {}));
    }
    core::Result<Store::SaveReport> save(bool changed)
    {
        const core::DirectoryEntry bob{"Bob", "2", false};
        return store.save([&](const core::EntryVisitor &visit) { visit(bob); }, changed, kNow);
    }

    QTemporaryDir app;
    Store store{app.path(), QStringLiteral("alice")};
    QString folder = app.filePath("alice");
    QString file = app.filePath("alice/quorvel.dat");
};

// Another program's version stays when nothing changed here (what was shown kept beside when
// it differs), else is kept beside.
TEST(CoreDirectoryStore, OutsideChangeIsKeptOrLeftAlone)
{
    const QString shownSide = "quorvel.dat.shown-20260304-050607";
    // Outside (null: nothing, "-": removed), changed here; outcome, file, side copy, shown copy.
    const std::tuple<const char *, bool, Store::Outcome, QByteArray, QByteArray, QByteArray>
        rows[] = {
            {nullptr, true, Store::Outcome::Saved, "Bob|2\r\n", {}, {}},
            {nullptr, false, Store::Outcome::Saved, "Bob|2\r\n", {}, {}},
            {"Zed|9\r\n", false, Store::Outcome::LeftOutsideVersion, "Zed|9\r\n", {}, "Bob|2\r\n"},
            {"", false, Store::Outcome::LeftOutsideVersion, "", {}, "Bob|2\r\n"},
            {"Bob|2\r\n", false, Store::Outcome::LeftOutsideVersion, "Bob|2\r\n", {}, {}},
            {"Zed|9\r\n", true, Store::Outcome::Saved, "Bob|2\r\n", "Zed|9\r\n", {}},
            {"-", false, Store::Outcome::Saved, "Bob|2\r\n", {}, {}}};
    for (const auto &[outside, changed, outcome, bytes, sideCopy, shown] : rows) {
        SCOPED_TRACE(testing::Message() << (outside ? outside : "nothing") << changed);
        Opened o;
        if (outside && QByteArray(outside) == "-")
            QFile::remove(o.file);
        else if (outside)
            replaceFile(o.file, outside);
        const auto r = o.save(changed);
        EXPECT_TRUE(r) << r.error().toStdString();
        EXPECT_EQ(r->outcome, outcome);
        EXPECT_EQ(fileBytes(o.file), bytes);
        EXPECT_EQ(r->sideCopy, sideCopy.isEmpty() ? QString() : o.folder + '/' + kSide);
        EXPECT_EQ(fileBytes(o.folder + '/' + kSide),
                  sideCopy.isEmpty() ? "<unreadable>" : sideCopy);
        EXPECT_EQ(r->shownCopy, shown.isEmpty() ? QString() : o.folder + '/' + shownSide);
        EXPECT_EQ(fileBytes(o.folder + '/' + shownSide), shown.isEmpty() ? "<unreadable>" : shown);
        EXPECT_EQ(r->swappedOutCopy, QString());
        // Once saved, the next save has nothing new to find.
        EXPECT_TRUE(outcome != Store::Outcome::Saved || o.save(true)->sideCopy.isEmpty());
    }
    // Side copies never replace each other.
    Opened o;
    for (const char *outside : {"A|1\r\n", "B|2\r\n"}) {
        replaceFile(o.file, outside);
        EXPECT_TRUE(o.save(true));
    }
    EXPECT_EQ(fileBytes(o.folder + '/' + kSide), "A|1\r\n");
    EXPECT_EQ(fileBytes(o.folder + '/' + kSide + "-2"), "B|2\r\n");
}

// A save failing after the file as read was kept by a hard link (which sets its
// change time) finds no other program's version when tried again.
TEST(CoreDirectoryStore, SaveTriedAgainAfterKeepingTheFileAsReadFindsNoOutsideChange)
{
    Opened o;
    replaceFile(o.file, "Ann|1\r\n\r\n"); // an empty line: kept as read before a save
    ASSERT_TRUE(o.store.read([](qsizetype) {}, [](core::DirectoryEntry &&) {}));
    rlimit limit{};
    ::getrlimit(RLIMIT_FSIZE, &limit);
    const rlimit tiny{1, limit.rlim_max}; // no file is written whole
    std::signal(SIGXFSZ, SIG_IGN);
    ::setrlimit(RLIMIT_FSIZE, &tiny);
    EXPECT_FALSE(o.save(true));
    ::setrlimit(RLIMIT_FSIZE, &limit);
    const auto again = o.save(true);
    EXPECT_TRUE(again && again->sideCopy.isEmpty());
    EXPECT_EQ(QDir(o.folder).entryList({"quorvel.dat.*"}).size(), 1); // the file as read alone
}

// The save goes to the folder checked, not what now stands at its path; one
// removed is made again, private whatever the umask, and locked.
TEST(CoreDirectoryStore, SavesIntoTheHeldFolderWhenItWasMovedOrMadeAgain)
{
    Opened moved;
    const QString movedTo = moved.app.filePath("moved");
    ASSERT_TRUE(QDir().rename(moved.folder, movedTo) && QDir().mkdir(moved.folder));
    writeBytes(moved.file, "planted\r\n");
    const auto r = moved.save(true);
    EXPECT_TRUE(r && r->outcome == Store::Outcome::Saved);
    EXPECT_EQ(r->movedTo, QFileInfo(movedTo).canonicalFilePath());
    EXPECT_EQ(fileBytes(movedTo + "/quorvel.dat"), "Bob|2\r\n");
    EXPECT_EQ(fileBytes(moved.file), "planted\r\n");

    Opened removed;
    ASSERT_TRUE(QDir(removed.folder).removeRecursively());
    const mode_t oldMask = ::umask(0);
    const auto again = removed.save(true);
    ::umask(oldMask);
    EXPECT_TRUE(again && again->outcome == Store::Outcome::Saved) << again.error().toStdString();
    EXPECT_TRUE(again->recreated);
    EXPECT_EQ(fileBytes(removed.file), "Bob|2\r\n");
    for (const auto &[name, mode] : {std::pair{"", 0700}, {"/quorvel.dat", 0600}})
        EXPECT_EQ(modeOf(removed.folder + name), mode) << name;
    Store second(removed.app.path(), "alice");
    ASSERT_TRUE(second.open());
    EXPECT_EQ(second.lock(), Store::LockState::HeldByAnother);
}

// With nothing changed, a file that already holds exactly what writing gives
// is left alone; any other form is written anew.
TEST(CoreDirectoryStore, UnchangedSaveWritesOnlyAFileInAnotherForm)
{
    const std::pair<QByteArray, bool> rows[] = {
        {"", false},
        {"Ann|1|2\r\n<b>Bo|x\t<B>y\r\nJos\xC3\xA9|a\tb\r\n|\r\n", false}, // a later "|" too
        {"Ann|1\n", true},                                                // LF alone
        {"Ann|1", true},                                  // no break after the last line
        {"Ann|1\r\n\r\n", true},                          // an empty line
        {"Ann\r\n", true},                                // no "|"
        {"Ann|1\r", true},                                // CR alone
        {"<B>Bo|1\r\n", true},                            // marker in capitals
        {"<b>B<b>o|1\r\n", true},                         // a second marker
        {"M\xFCller|1\r\n", true},                        // Windows-1252
        {QByteArray("\xEF\xBB\xBF") + "Ann|1\r\n", true}, // byte-order mark
    };
    for (const auto &[bytes, rewritten] : rows) {
        for (const int mode : {0600, 0640}) { // one others may read is made private
            SCOPED_TRACE(testing::Message() << bytes.toStdString() << mode);
            Opened o;
            replaceFile(o.file, bytes);
            ASSERT_EQ(::chmod(QFile::encodeName(o.file), mode), 0);
            ASSERT_TRUE(o.store.read([](qsizetype) {}, [](core::DirectoryEntry &&) {}));
            const auto saved = o.save(false);
            EXPECT_TRUE(saved && saved->outcome == Store::Outcome::Saved);
            EXPECT_EQ(fileBytes(o.file), rewritten || mode != 0600 ? "Bob|2\r\n" : bytes);
            EXPECT_EQ(modeOf(o.file), 0600);
        }
    }
}

// The lock is the folder's own: a file at an earlier version's lock file name is
// left as it is, the lock is free once its holder lets go, and another copy's
// lock on a folder made again after this copy's went is not written past.
TEST(CoreDirectoryStore, LockIsOnTheFolderItself)
{
    Opened a;
    const QString planted = a.folder + "/quorvel.lock"; // a hard link to the directory file
    ASSERT_EQ(::link(QFile::encodeName(a.file), QFile::encodeName(planted)), 0);
    const int mode = modeOf(a.file);
    // Others could take the lock of a folder they may open: opening makes it private.
    ASSERT_EQ(::chmod(QFile::encodeName(a.folder), 0755), 0);
    Store b(a.app.path(), "alice");
    ASSERT_TRUE(b.open());
    EXPECT_EQ(modeOf(a.folder), 0700);
    EXPECT_EQ(b.lock(), Store::LockState::HeldByAnother);
    a.store.unlock();
    EXPECT_EQ(b.lock(), Store::LockState::Locked);
    EXPECT_EQ(fileBytes(a.file), "Ann|1\r\n");
    EXPECT_EQ(modeOf(a.file), mode);
    ASSERT_TRUE(QDir(a.folder).removeRecursively());
    Store c(a.app.path(), "alice");
    ASSERT_TRUE(c.open());
    ASSERT_EQ(c.lock(), Store::LockState::Locked);
    EXPECT_FALSE(a.save(true));
    EXPECT_FALSE(QFile::exists(a.file));
}

// A notice is taken once; files another user put in the folder are not the
// user's: a notice is neither shown nor removed, the directory file refused.
TEST(CoreDirectoryStore, NoticeIsTakenOnceAndOnlyTheUsersOwn)
{
    Opened o;
    EXPECT_TRUE(o.store.leaveNotice(u8("Zo\xC3\xAB")));
    EXPECT_EQ(o.store.takeNotice(), u8("Zo\xC3\xAB"));
    EXPECT_EQ(o.store.takeNotice(), QString());
    for (const QString name : {"/quorvel.dat", "/quorvel.notice"}) {
        replaceFile(o.folder + name, "Eve|1\r\n");
        if (::geteuid() != 0 || ::chown(QFile::encodeName(o.folder + name), 65534, 65534) != 0)
            GTEST_SKIP() << "only root can give a file to another user";
    }
    EXPECT_EQ(o.store.takeNotice(), QString());
    EXPECT_EQ(fileBytes(o.folder + "/quorvel.notice"), "Eve|1\r\n");
    const auto read = o.store.read([](qsizetype) {}, [](core::DirectoryEntry &&) {});
    EXPECT_EQ(read.error(), "it belongs to another user");
}

} // namespace
