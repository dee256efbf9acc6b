#include "core/files/fileio.h"
#include "support/fixtures.h"

#include <cerrno>
#include <dlfcn.h>
#include <fcntl.h>
#include <sys/stat.h>

using namespace testsupport;

namespace {

enum class ReadStatus { Ok, Missing, Failed };

// Writes text to name in the folder.
core::Result<core::FileStamp> writeText(const core::Folder &folder, const QString &name,
                                        const QByteArray &text, core::WriteOptions options = {})
{
    return core::writeFileAtomically(
        folder, name, [&](core::Utf8Builder &out) { out.appendBytes(text); }, options);
}

bool noHardLinks = false; // linkat fails as on a FAT file system

} // namespace

extern "C" int linkat(int fromDir, const char *from, int toDir, const char *to, int flags)
{
    using Real = int (*)(int, const char *, int, const char *, int);
    static const auto next = reinterpret_cast<Real>(::dlsym(RTLD_NEXT, "linkat"));
    if (!noHardLinks)
        return next(fromDir, from, toDir, to, flags);
    errno = EPERM;
    return -1;
}

// Where the file system has no hard links, a side copy is a copy, still never
// replacing anything.
TEST(CoreFileIo, SideCopyWithoutHardLinks)
{
    QTemporaryDir dir;
    const auto folder = core::Folder::open(dir.path(), core::Folder::Link::Refuse);
    writeBytes(dir.filePath("a"), "x");
    noHardLinks = true;
    const auto kept = core::keepSideCopy(*folder, "a", "b");
    const auto again = core::keepSideCopy(*folder, "a", "b");
    noHardLinks = false;
    EXPECT_TRUE(kept) << kept.error().toStdString();
    EXPECT_EQ(fileBytes(dir.filePath("b")), "x");
    EXPECT_FALSE(again);
}

// Only a regular file is read; nothing is Missing; anything else is refused at
// once, never followed or waited for, and stays. Both readers agree.
TEST(CoreFileIo, ReadsOnlyRegularFiles)
{
    // What stands at the name: nothing, a file of these bytes, or what makeAt makes.
    const std::pair<const char *, ReadStatus> rows[] = {{"", ReadStatus::Missing},
                                                        {"abcd", ReadStatus::Ok},
                                                        {"abcde", ReadStatus::Failed},
                                                        {"folder", ReadStatus::Failed},
                                                        {"FIFO", ReadStatus::Failed},
                                                        {"dangling link", ReadStatus::Failed},
                                                        {"link to VICTIM", ReadStatus::Failed},
                                                        {"link to /dev/zero", ReadStatus::Failed}};
    for (const auto &[kind, status] : rows) {
        QTemporaryDir dir;
        const QString path = dir.filePath("f");
        writeBytes(dir.filePath("victim"), "abcd");
        const QString what = QString(kind).replace("VICTIM", dir.filePath("victim"));
        if (what.startsWith("abcd"))
            writeBytes(path, kind);
        ASSERT_TRUE(what.isEmpty() || what.startsWith("abcd") || makeAt(path, what));
        const QStringList before = folderContents(dir.path());
        const auto statusOf = [](const auto &result) {
            return !result           ? ReadStatus::Failed
                   : result->missing ? ReadStatus::Missing
                                     : ReadStatus::Ok;
        };
        const auto folder = core::Folder::open(dir.path(), core::Folder::Link::Refuse);
        // The size limit is 4 bytes.
        const auto r = core::readRegularFile(*folder, "f", 4);
        EXPECT_EQ(statusOf(r), status) << kind;
        EXPECT_EQ(r->bytes, status == ReadStatus::Ok ? "abcd" : QByteArray()) << kind;
        EXPECT_EQ(r.error().isEmpty(), status != ReadStatus::Failed) << kind;
        if (QByteArray(kind) != "abcde") {
            const auto kept = core::readTextKeptUntilExit(*folder, "f");
            EXPECT_EQ(statusOf(kept), status) << kind;
            EXPECT_EQ(kept->text.toString(), status == ReadStatus::Ok ? "abcd" : "") << kind;
        }
        EXPECT_EQ(folderContents(dir.path()), before) << kind;
        EXPECT_EQ(fileBytes(dir.filePath("victim")), "abcd") << kind;
    }
}

// Read a piece at a time: a character, a Windows-1252 line and lines longer
// than a piece across the pieces' ends read as the whole does.
TEST(CoreFileIo, ReadsTextKeptInPieces)
{
    QTemporaryDir dir;
    const QByteArray bytes = QByteArray((1 << 20) - 1, 'a') + "\xC3\xA9\r\n" +
                             QByteArray(1 << 20, 'b') + "M\xFCller\n" + QByteArray(3 << 20, 'c');
    writeBytes(dir.filePath("f"), bytes);
    const auto kept = core::readTextKeptUntilExit(
        *core::Folder::open(dir.path(), core::Folder::Link::Refuse), "f");
    ASSERT_TRUE(kept);
    EXPECT_TRUE(kept->text == core::decodeText(bytes));
    EXPECT_FALSE(kept->form.plainUtf8);
}

TEST(CoreFileIo, WriteReplacesWholeFileWithItsOwnModeAndNeverThroughALink)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("t.txt");
    const mode_t oldMask = ::umask(0);
    // A longer old file must not leave a tail; bytes go out untouched.
    writeBytes(path, "old content that is much longer than the new one\n");
    const QByteArray raw("x\0\xFF\r\ny", 6);
    const auto folder = core::Folder::open(dir.path(), core::Folder::Link::Refuse);
    EXPECT_TRUE(writeText(*folder, "t.txt", raw));
    EXPECT_EQ(fileBytes(path), raw);
    EXPECT_EQ(modeOf(path), 0600);

    // keepMode keeps a replaced file's mode; a new file gets the one asked for.
    ASSERT_EQ(::chmod(QFile::encodeName(path), 0640), 0);
    EXPECT_TRUE(writeText(*folder, "t.txt", "a", {0644, true, false}));
    EXPECT_EQ(modeOf(path), 0640);
    EXPECT_TRUE(writeText(*folder, "new", "b", {0644, true, false}));
    EXPECT_EQ(modeOf(dir.filePath("new")), 0644);
    ::umask(oldMask);

    // A link at the name is replaced by the new file; its target is untouched.
    writeBytes(dir.filePath("victim"), "victim's");
    ASSERT_TRUE(QFile::link(dir.filePath("victim"), dir.filePath("link")));
    EXPECT_TRUE(writeText(*folder, "link", "c"));
    EXPECT_EQ(fileBytes(dir.filePath("victim")), "victim's");
    EXPECT_FALSE(QFileInfo(dir.filePath("link")).isSymLink());
    EXPECT_EQ(fileBytes(dir.filePath("link")), "c");

    // onlyIfMissing never replaces anything, nor creates through a dangling link.
    ASSERT_TRUE(QFile::link(dir.filePath("absent"), dir.filePath("dangling")));
    for (const char *name : {"t.txt", "dangling"})
        EXPECT_FALSE(writeText(*folder, name, "d", {0644, false, true}));
    EXPECT_EQ(fileBytes(path), "a");
    EXPECT_EQ(folderContents(dir.path()),
              QStringList({"dangling", "link", "new", "t.txt", "victim"}));
}

TEST(CoreFileIo, FailedWriteReportsAndKeepsOldData)
{
    QTemporaryDir dir;
    const QDir d(dir.path());
    ASSERT_TRUE(d.mkdir("folder"));
    writeBytes(d.filePath("plain"), "keep me\r\n");
    // A folder where the file should be, and a path whose parent is a regular file.
    for (const QString &target : {d.filePath("folder"), d.filePath("plain/child.txt")}) {
        SCOPED_TRACE(target.toStdString());
        const auto folder = core::Folder::openHolding(target);
        EXPECT_FALSE(folder && writeText(*folder, QFileInfo(target).fileName(), "new"));
        EXPECT_EQ(fileBytes(d.filePath("plain")), "keep me\r\n");
        EXPECT_EQ(folderContents(d.path()), QStringList({"folder", "plain"}));
    }
}

// Only the writer's own temporary files go, whatever the user's copies are called; with a
// name to keep them as, one not empty and unlike the file is kept, never replacing anything.
TEST(CoreFileIo, ClearsOnlyItsOwnInterruptedWritesAndKeepsAnUnsavedVersion)
{
    QTemporaryDir dir;
    const QString ours = ".quorvel.dat.~quorvel-unsaved-0123456789abcdef";
    const QStringList kept = {"quorvel.dat",
                              "quorvel.dat.backup",
                              "quorvel.dat.Ab12Cd",
                              ".quorvel.dat.~quorvel-unsaved-0123456789abcde",
                              ".quorvel.dat.~quorvel-unsaved-0123456789ABCDEF",
                              ".other.dat.~quorvel-unsaved-0123456789abcdef"};
    for (const QString &name : kept + QStringList{ours})
        writeBytes(dir.filePath(name), "x");
    const QString ourFolder = ".quorvel.dat.~quorvel-unsaved-00000000000000aa";
    const QString ourLink = ".quorvel.dat.~quorvel-unsaved-00000000000000bb";
    ASSERT_TRUE(QDir(dir.path()).mkdir(ourFolder));
    ASSERT_TRUE(QFile::link(dir.filePath("quorvel.dat"), dir.filePath(ourLink)));

    const auto folder = core::Folder::open(dir.path(), core::Folder::Link::Refuse);
    EXPECT_EQ(core::removeInterruptedWrites(*folder, "quorvel.dat").removed, QStringList{ours});
    QStringList left = kept + QStringList{ourFolder, ourLink};
    left.sort();
    EXPECT_EQ(folderContents(dir.path()), left);

    // Empty, the same as the file: removed; other content is kept.
    const QString temp = ".quorvel.dat.~quorvel-unsaved-00000000000000";
    for (const auto &[digits, bytes] : {std::pair{"01", ""}, {"02", "x"}, {"03", "new"}})
        writeBytes(dir.filePath(temp + digits), bytes);
    writeBytes(dir.filePath("side"), "taken");
    auto found = core::removeInterruptedWrites(*folder, "quorvel.dat", "side");
    found.removed.sort();
    EXPECT_EQ(found.removed, QStringList({temp + "01", temp + "02"}));
    ASSERT_EQ(found.kept.size(), 1);
    EXPECT_EQ(found.kept[0].name, "side-2");
    EXPECT_FALSE(found.kept[0].replacedVersion);
    EXPECT_EQ(fileBytes(dir.filePath("side-2")), "new");
    EXPECT_EQ(fileBytes(dir.filePath("side")), "taken");
}

// Replacing the file only as last seen: the expected version goes, any other is kept beside
// (never over another copy), even a same-size edit in place that restored the modification
// time; nothing at the name is simply filled. The stamp given is the file's once in place.
TEST(CoreFileIo, ReplacingKeepsAVersionItDidNotExpect)
{
    // The file's content when its stamp is taken, and then (null: unchanged); the copy kept.
    const std::tuple<const char *, const char *, const char *> rows[] = {
        {"seen", nullptr, nullptr},
        {"seen", "other", "other"},
        {"seen", "edit", "edit"},
        {nullptr, "other", "other"},
        {nullptr, nullptr, nullptr}};
    for (const auto &[seen, then, kept] : rows) {
        SCOPED_TRACE(testing::Message() << (seen ? seen : "none") << ", " << (then ? then : "-"));
        QTemporaryDir dir;
        const QString path = dir.filePath("f");
        const QByteArray native = QFile::encodeName(path);
        if (seen)
            writeBytes(path, seen);
        writeBytes(dir.filePath("f.other"), "taken");
        const auto folder = core::Folder::open(dir.path(), core::Folder::Link::Refuse);
        const core::FileStamp expected = folder->stampOf("f");
        struct stat st = {};
        if (then && QByteArray(then) == "edit" && ::stat(native, &st) == 0) {
            writeBytes(path, then);
            const timespec times[2] = {st.st_atim, st.st_mtim};
            ASSERT_EQ(::utimensat(AT_FDCWD, native, times, 0), 0);
            ASSERT_EQ(folder->stampOf("f").modifiedNs, expected.modifiedNs);
        } else if (then) {
            replaceFile(path, then);
        }
        QString keptAs;
        core::WriteOptions options;
        options.expected = &expected;
        options.keepOtherAs = "f.other";
        options.keptOtherAs = &keptAs;
        const auto written = writeText(*folder, "f", "new", options);
        ASSERT_TRUE(written) << written.error().toStdString();
        EXPECT_EQ(*written, folder->stampOf("f"));
        EXPECT_EQ(fileBytes(path), "new");
        EXPECT_EQ(keptAs, kept ? "f.other-2" : "");
        EXPECT_EQ(fileBytes(dir.filePath("f.other-2")), kept ? kept : "<unreadable>");
        EXPECT_EQ(folderContents(dir.path()).size(), kept ? 3 : 2);
    }
}
