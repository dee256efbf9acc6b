#include "core/textfile.h"
#include "support/fixtures.h"

#include <QDir>
#include <QTemporaryDir>
#include <csignal>
#include <sys/resource.h>

namespace {

using core::ReadStatus;
using testsupport::fileBytes;
using testsupport::folderContents;
using testsupport::u8;

// File bytes and the lines they read as. A file that is not valid UTF-8 as a
// whole (a sequence cut off at the end, overlong, a surrogate, above
// U+10FFFF) is read as Windows-1252, all of it.
const std::pair<const char *, QStringList> kDecodeRows[] = {
    {"", {}},
    {"abc\n", {"abc"}},
    {"a\r\nb\r\n", {"a", "b"}},
    {"a\nb", {"a", "b"}},
    {"a\r\n\r\nb\n", {"a", "", "b"}},
    {"\r\n\r\n", {"", ""}},
    {" a\t\rb \n", {" a\t\rb "}}, // a lone CR breaks no line; blanks are kept
    {"Zo\xC3\xAB\r\n", {u8("Zo\xC3\xAB")}},
    {"\xEF\xBB\xBFhi\r\n", {"hi"}}, // the byte-order mark is dropped
    {"\xF0\x9F\x98\x80\n", {u8("\xF0\x9F\x98\x80")}},
    {"\x80 5\r\n\x93q\x94", {u8("\xE2\x82\xAC 5"), u8("\xE2\x80\x9Cq\xE2\x80\x9D")}},
    {"\xC3\xA9\n\xE9", {u8("\xC3\x83\xC2\xA9"), u8("\xC3\xA9")}},
    {"\xC3", {u8("\xC3\x83")}},
    {"\xE2\x82", {u8("\xC3\xA2\xE2\x80\x9A")}},
    {"\xC0\xAF", {u8("\xC3\x80\xC2\xAF")}},
    {"\xED\xA0\x80", {u8("\xC3\xAD\xC2\xA0\xE2\x82\xAC")}},
    {"\xF4\x9F\xBF\xBF", {u8("\xC3\xB4\xC5\xB8\xC2\xBF\xC2\xBF")}}};

TEST(CoreTextFile, ReadsLinesInEitherEncoding)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("t.txt");
    for (const auto &[bytes, lines] : kDecodeRows) {
        SCOPED_TRACE(QByteArray(bytes).toHex(' ').toStdString());
        testsupport::writeBytes(path, bytes);
        const core::ReadResult r = core::readTextLines(path);
        EXPECT_EQ(r.status, ReadStatus::Ok);
        EXPECT_EQ(r.lines, lines);
    }
    EXPECT_EQ(core::readTextLines(dir.filePath("none.txt")).status, ReadStatus::Missing);
    ASSERT_TRUE(QDir(dir.path()).mkdir("sub"));
    const core::ReadResult folder = core::readTextLines(dir.filePath("sub"));
    EXPECT_EQ(folder.status, ReadStatus::Failed);
    EXPECT_FALSE(folder.error.isEmpty());
}

TEST(CoreTextFile, WriteReplacesTheWholeFileWithCrLfLines)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("t.txt");
    // A longer old file must not leave a tail behind the shorter new content.
    testsupport::writeBytes(path, "old content that is much longer than the new one\n");
    EXPECT_EQ(core::writeTextLines(path, {"a", u8("Ren\xC3\xA9"), ""}), QString());
    EXPECT_EQ(fileBytes(path), QByteArray("a\r\nRen\xC3\xA9\r\n\r\n"));
    // Bytes go out untouched, including NUL and bytes that are not UTF-8.
    const QByteArray raw("x\0\xFF\r\ny", 6);
    EXPECT_EQ(core::writeFileAtomically(path, raw), QString());
    EXPECT_EQ(fileBytes(path), raw);
    EXPECT_EQ(core::writeTextLines(path, {}), QString());
    EXPECT_EQ(fileBytes(path), QByteArray());
    EXPECT_EQ(folderContents(dir.path()), QStringList{"t.txt"});
}

TEST(CoreTextFile, FailedWriteIsReportedAndKeepsTheOldFile)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("t.txt");
    testsupport::writeBytes(path, "old\r\n");
    // A write that fails midway: the process may not grow a file past 16 bytes.
    rlimit limit{};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &limit), 0);
    const rlimit old = limit;
    limit.rlim_cur = 16;
    const auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &limit), 0);
    const QString error = core::writeTextLines(path, {QString(100000, u'x')});
    ::setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, previousHandler);
    EXPECT_FALSE(error.isEmpty());

    // A folder where the file should be, and a path whose parent is a regular file.
    ASSERT_TRUE(QDir(dir.path()).mkdir("folder"));
    for (const QString &target : {dir.filePath("folder"), dir.filePath("t.txt/child.txt")})
        EXPECT_FALSE(core::writeFileAtomically(target, "new\r\n").isEmpty())
            << target.toStdString();
    EXPECT_EQ(fileBytes(path), QByteArray("old\r\n"));
    EXPECT_EQ(folderContents(dir.path()), (QStringList{"folder", "t.txt"}));
}

} // namespace
