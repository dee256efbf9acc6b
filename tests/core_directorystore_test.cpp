#include "core/directorystore.h"
#include "support/fixtures.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <cstdio>
#include <sys/stat.h>

namespace {

using Store = core::DirectoryStore;
using testsupport::fileBytes;
using testsupport::writeBytes;

const QDateTime kNow(QDate(2026, 3, 4), QTime(5, 6, 7));

// The store over a fresh application folder, opened, locked and holding
// "Ann|1" as read from disk.
struct Opened
{
    QTemporaryDir app;
    Store store{app.path(), QStringLiteral("alice")};
    QString folder = app.filePath("alice");
    QString file = app.filePath("alice/quorvel.dat");

    Opened()
    {
        EXPECT_TRUE(store.open().ok);
        EXPECT_EQ(store.lock(), Store::LockState::Locked);
        writeBytes(file, "Ann|1\r\n");
        EXPECT_EQ(store.read([](qsizetype) {}, [](core::DirectoryEntry &&) {}), QString());
    }

    Store::SaveResult save(bool changed)
    {
        const core::DirectoryEntry bob{"Bob", "2", false};
        return store.save([&](const core::EntryVisitor &visit) { visit(bob); }, changed, kNow);
    }

    QStringList names() const
    {
        return QDir(folder).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden,
                                      QDir::Name);
    }
};

// As a sync tool or an editor does: a new file renamed over the old one.
void replaceFile(const QString &path, const QByteArray &bytes)
{
    writeBytes(path + ".new", bytes);
    ASSERT_TRUE(::rename(QFile::encodeName(path + ".new"), QFile::encodeName(path)) == 0);
}

// A version another program wrote is never overwritten unseen: with nothing
// changed here it stays; with a change here it is kept beside the new file.
TEST(CoreDirectoryStore, OutsideChangeIsKeptOrLeftAlone)
{
    struct Row
    {
        const char *what;
        const char *outside; // written by "another program"; null: untouched, "-": removed
        bool changed;
        Store::Outcome outcome;
        QByteArray file;
        QByteArray sideCopy; // empty: none made
    };
    const Row rows[] = {
        {"no outside change, a change here", nullptr, true, Store::Outcome::Saved, "Bob|2\r\n", {}},
        {"no outside change, nothing here", nullptr, false, Store::Outcome::Saved, "Bob|2\r\n", {}},
        {"outside change, nothing here",
         "Zed|9\r\n",
         false,
         Store::Outcome::LeftOutsideVersion,
         "Zed|9\r\n",
         {}},
        {"outside change, a change here", "Zed|9\r\n", true, Store::Outcome::Saved, "Bob|2\r\n",
         "Zed|9\r\n"},
        {"file removed outside", "-", false, Store::Outcome::Saved, "Bob|2\r\n", {}},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.what);
        Opened o;
        if (row.outside && QByteArray(row.outside) == "-")
            QFile::remove(o.file);
        else if (row.outside)
            replaceFile(o.file, row.outside);
        const Store::SaveResult r = o.save(row.changed);
        EXPECT_EQ(r.outcome, row.outcome) << r.error.toStdString();
        EXPECT_EQ(fileBytes(o.file), row.file);
        const QString side = o.folder + "/quorvel.dat.outside-20260304-050607";
        EXPECT_EQ(r.sideCopy, row.sideCopy.isEmpty() ? QString() : side);
        if (!row.sideCopy.isEmpty()) {
            EXPECT_EQ(fileBytes(side), row.sideCopy);
        }
        // Once saved, the next save has nothing new to find.
        if (r.outcome == Store::Outcome::Saved) {
            EXPECT_EQ(o.save(true).sideCopy, QString());
        }
    }
}

TEST(CoreDirectoryStore, SideCopiesNeverReplaceEachOther)
{
    Opened o;
    for (const char *outside : {"A|1\r\n", "B|2\r\n"}) {
        replaceFile(o.file, outside);
        EXPECT_EQ(o.save(true).outcome, Store::Outcome::Saved);
    }
    EXPECT_EQ(fileBytes(o.folder + "/quorvel.dat.outside-20260304-050607"), QByteArray("A|1\r\n"));
    EXPECT_EQ(fileBytes(o.folder + "/quorvel.dat.outside-20260304-050607-2"),
              QByteArray("B|2\r\n"));
}

// The save goes to the folder that was checked, not to whatever now stands
// at its path.
TEST(CoreDirectoryStore, SavesIntoTheHeldFolderWhenItWasMoved)
{
    Opened o;
    const QString movedTo = o.app.filePath("moved");
    ASSERT_TRUE(QDir().rename(o.folder, movedTo));
    ASSERT_TRUE(QDir().mkdir(o.folder));
    writeBytes(o.file, "planted\r\n");

    const Store::SaveResult r = o.save(true);
    EXPECT_EQ(r.outcome, Store::Outcome::Saved);
    EXPECT_EQ(r.movedTo, QFileInfo(movedTo).canonicalFilePath());
    EXPECT_EQ(fileBytes(movedTo + "/quorvel.dat"), QByteArray("Bob|2\r\n"));
    EXPECT_EQ(fileBytes(o.file), QByteArray("planted\r\n"));
}

TEST(CoreDirectoryStore, RemovedFolderIsMadeAgainBeforeTheSave)
{
    Opened o;
    ASSERT_TRUE(QDir(o.folder).removeRecursively());
    const mode_t oldMask = ::umask(0);
    const Store::SaveResult r = o.save(true);
    ::umask(oldMask);
    EXPECT_EQ(r.outcome, Store::Outcome::Saved) << r.error.toStdString();
    EXPECT_TRUE(r.recreated);
    EXPECT_EQ(fileBytes(o.file), QByteArray("Bob|2\r\n"));
    // Private whatever the umask: the folder, the file and the lock file.
    const auto mode = [](const QString &path) {
        return QFileInfo(path).permissions() & QFileDevice::Permissions(0x7077);
    };
    EXPECT_EQ(mode(o.folder), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    EXPECT_EQ(mode(o.file), QFile::ReadOwner | QFile::WriteOwner);
    EXPECT_EQ(mode(o.folder + "/quorvel.lock"), QFile::ReadOwner | QFile::WriteOwner);
    // Locked again: a second store for the same user is kept out.
    Store second(o.app.path(), "alice");
    ASSERT_TRUE(second.open().ok);
    EXPECT_EQ(second.lock(), Store::LockState::HeldByAnother);
}

TEST(CoreDirectoryStore, NoticeIsTakenOnce)
{
    Opened o;
    EXPECT_EQ(o.store.takeNotice(), QString());
    EXPECT_EQ(o.store.leaveNotice(testsupport::u8("Zo\xC3\xAB")), QString());
    EXPECT_EQ(o.store.takeNotice(), testsupport::u8("Zo\xC3\xAB"));
    EXPECT_EQ(o.names(), QStringList({"quorvel.dat", "quorvel.lock"}));
}

} // namespace
