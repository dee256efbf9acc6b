#include "core/fileio.h"
#include "support/fixtures.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <functional>
#include <sys/stat.h>

namespace {

using core::ReadStatus;
using testsupport::fileBytes;
using testsupport::writeBytes;

constexpr auto kAllBits = QFileDevice::Permissions(0x7077);

QStringList namesIn(const QString &path)
{
    return QDir(path).entryList(
        QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System, QDir::Name);
}

// Only a regular file is read; nothing at all is Missing; anything else,
// a dangling link included, is refused without following or waiting.
TEST(CoreFileIo, ReadsOnlyRegularFiles)
{
    struct Row
    {
        const char *what;
        std::function<bool(const QString &path, const QString &dir)> arrange;
        ReadStatus status;
        QByteArray bytes;
    };
    const Row rows[] = {
        {"regular file",
         [](const QString &p, const QString &) {
             writeBytes(p, "abcd");
             return true;
         },
         ReadStatus::Ok, "abcd"},
        {"nothing there",
         [](const QString &, const QString &) { return true; },
         ReadStatus::Missing,
         {}},
        {"folder",
         [](const QString &p, const QString &) { return QDir().mkdir(p); },
         ReadStatus::Failed,
         {}},
        {"link to a regular file",
         [](const QString &p, const QString &d) {
             writeBytes(d + "/victim", "secret");
             return QFile::link(d + "/victim", p);
         },
         ReadStatus::Failed,
         {}},
        {"dangling link",
         [](const QString &p, const QString &d) { return QFile::link(d + "/nowhere", p); },
         ReadStatus::Failed,
         {}},
        {"FIFO",
         [](const QString &p, const QString &) {
             return ::mkfifo(QFile::encodeName(p).constData(), 0600) == 0;
         },
         ReadStatus::Failed,
         {}},
        {"link to a device",
         [](const QString &p, const QString &) { return QFile::link("/dev/zero", p); },
         ReadStatus::Failed,
         {}},
        {"larger than the limit",
         [](const QString &p, const QString &) {
             writeBytes(p, "abcde");
             return true;
         },
         ReadStatus::Failed,
         {}},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.what);
        QTemporaryDir dir;
        const QString path = dir.filePath("f");
        ASSERT_TRUE(row.arrange(path, dir.path()));
        const QStringList before = namesIn(dir.path());
        const core::ReadBytesResult r = core::readRegularFile(path, 4);
        EXPECT_EQ(r.status, row.status);
        EXPECT_EQ(r.bytes, row.bytes);
        EXPECT_EQ(r.error.isEmpty(), row.status != ReadStatus::Failed) << r.error.toStdString();
        EXPECT_EQ(namesIn(dir.path()), before);
    }
}

TEST(CoreFileIo, WriteReplacesWholeFileWithItsOwnModeAndNeverThroughALink)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("t.txt");
    const mode_t oldMask = ::umask(0);
    // A longer old file must not leave a tail; bytes go out untouched.
    writeBytes(path, "old content that is much longer than the new one\n");
    const QByteArray raw("x\0\xFF\r\ny", 6);
    EXPECT_TRUE(core::writeFileAtomically(path, raw));
    EXPECT_EQ(fileBytes(path), raw);
    EXPECT_EQ(QFileInfo(path).permissions() & kAllBits, QFile::ReadOwner | QFile::WriteOwner);

    // keepMode keeps a replaced file's mode; a new file gets the one asked for.
    QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup);
    EXPECT_TRUE(core::writeTextLines(path, {"a"}, {0644, true, false}));
    EXPECT_EQ(QFileInfo(path).permissions() & kAllBits,
              QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup);
    EXPECT_TRUE(core::writeTextLines(dir.filePath("new"), {"b"}, {0644, true, false}));
    EXPECT_EQ(QFileInfo(dir.filePath("new")).permissions() & kAllBits,
              QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup | QFile::ReadOther);
    ::umask(oldMask);

    // A link at the name is replaced by the new file; its target is untouched.
    writeBytes(dir.filePath("victim"), "victim's");
    ASSERT_TRUE(QFile::link(dir.filePath("victim"), dir.filePath("link")));
    EXPECT_TRUE(core::writeTextLines(dir.filePath("link"), {"c"}));
    EXPECT_EQ(fileBytes(dir.filePath("victim")), QByteArray("victim's"));
    EXPECT_FALSE(QFileInfo(dir.filePath("link")).isSymLink());
    EXPECT_EQ(fileBytes(dir.filePath("link")), QByteArray("c\r\n"));

    // onlyIfMissing never replaces anything, nor creates through a dangling link.
    ASSERT_TRUE(QFile::link(dir.filePath("absent"), dir.filePath("dangling")));
    for (const char *name : {"t.txt", "dangling"})
        EXPECT_FALSE(core::writeTextLines(dir.filePath(name), {"d"}, {0644, false, true}));
    EXPECT_EQ(fileBytes(path), QByteArray("a\r\n"));
    EXPECT_EQ(namesIn(dir.path()), QStringList({"dangling", "link", "new", "t.txt", "victim"}));
}

TEST(CoreFileIo, FailedWriteReportsAndKeepsOldData)
{
    QTemporaryDir dir;
    const QDir d(dir.path());
    ASSERT_TRUE(d.mkdir("folder"));
    const QByteArray old("keep me\r\n");
    writeBytes(d.filePath("plain"), old);
    // A folder where the file should be, and a path whose parent is a regular file.
    for (const QString &target : {d.filePath("folder"), d.filePath("plain/child.txt")}) {
        SCOPED_TRACE(target.toStdString());
        EXPECT_FALSE(core::writeFileAtomically(target, "new\r\n").error.isEmpty());
        EXPECT_TRUE(QDir(d.filePath("folder"))
                        .isEmpty(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden));
        EXPECT_EQ(fileBytes(d.filePath("plain")), old);
        EXPECT_EQ(namesIn(d.path()), QStringList({"folder", "plain"}));
    }
}

// Only the temporary files of the writer go; a user's own copies beside the
// file stay, whatever they are called.
TEST(CoreFileIo, RemovesOnlyItsOwnInterruptedWrites)
{
    QTemporaryDir dir;
    const QString ours = ".quorvel.dat.~quorvel-unsaved-0123456789abcdef";
    const QStringList kept = {"quorvel.dat",
                              "quorvel.dat.backup",
                              "quorvel.dat.2024v1",
                              "quorvel.dat.Ab12Cd",
                              ".quorvel.dat.~quorvel-unsaved-0123456789abcde",
                              ".quorvel.dat.~quorvel-unsaved-0123456789ABCDEF",
                              ".other.dat.~quorvel-unsaved-0123456789abcdef",
                              "notes.txt"};
    for (const QString &name : kept + QStringList{ours})
        writeBytes(dir.filePath(name), "x");
    const QString ourFolder = ".quorvel.dat.~quorvel-unsaved-00000000000000aa";
    const QString ourLink = ".quorvel.dat.~quorvel-unsaved-00000000000000bb";
    ASSERT_TRUE(QDir(dir.path()).mkdir(ourFolder));
    ASSERT_TRUE(QFile::link(dir.filePath("notes.txt"), dir.filePath(ourLink)));

    const core::Folder folder = core::Folder::open(dir.path(), core::Folder::Link::Refuse);
    EXPECT_EQ(core::removeInterruptedWrites(folder, "quorvel.dat"), QStringList{ours});
    QStringList left = kept + QStringList{ourFolder, ourLink};
    left.sort();
    EXPECT_EQ(namesIn(dir.path()), left);
}

} // namespace
