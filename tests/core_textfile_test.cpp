#include "core/textfile.h"
#include "support/fixtures.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <ostream>

namespace {

using core::ReadStatus;

struct DecodeRow
{
    const char *bytes;
    bool utf8;
    QStringList lines;
};

// File bytes and the lines they must read as, through the pure helpers and
// through a real file on disk.
const DecodeRow kDecodeRows[] = {
    {"", true, {}},
    {"abc", true, {"abc"}},
    {"abc\n", true, {"abc"}},
    {"a\r\nb\r\n", true, {"a", "b"}},
    {"a\nb", true, {"a", "b"}},
    {"a\r\n\r\nb\n", true, {"a", "", "b"}},
    {"\n", true, {""}},
    {"\r\n\r\n", true, {"", ""}},
    {"a\rb\n", true, {"a\rb"}}, // a lone CR is not a line break
    {"a\t b \r\n", true, {"a\t b "}},
    {"Zo\xC3\xAB\r\n", true, {testsupport::u8("Zo\xC3\xAB")}},
    {"\xEF\xBB\xBFhi\r\n", true, {"hi"}}, // byte-order mark is dropped
    {"\xEF\xBB\xBF\xEF\xBB\xBFhi", true, {QStringLiteral("\uFEFFhi")}}, // only the first one
    {"\r\n\xEF\xBB\xBFhi", true, {"", QStringLiteral("\uFEFFhi")}},
    // Not valid UTF-8 as a whole: the whole file is Windows-1252. A file that
    // ends inside an unfinished UTF-8 sequence is not valid UTF-8 either.
    {"Ren\xE9", false, {testsupport::u8("Ren\xC3\xA9")}},
    {"\x80 5\r\n\x93q\x94",
     false,
     {testsupport::u8("\xE2\x82\xAC 5"), testsupport::u8("\xE2\x80\x9Cq\xE2\x80\x9D")}},
    {"\xC3\xA9\n\xE9", false, {testsupport::u8("\xC3\x83\xC2\xA9"), testsupport::u8("\xC3\xA9")}},
    {"\xC3", false, {testsupport::u8("\xC3\x83")}},
    {"\xE2\x82", false, {testsupport::u8("\xC3\xA2\xE2\x80\x9A")}},
    {"\xC0\xAF", false, {testsupport::u8("\xC3\x80\xC2\xAF")}},                 // overlong encoding
    {"\xED\xA0\x80", false, {testsupport::u8("\xC3\xAD\xC2\xA0\xE2\x82\xAC")}}, // encoded surrogate
    {"\xF4\x9F\xBF\xBF",
     false,
     {testsupport::u8("\xC3\xB4\xC5\xB8\xC2\xBF\xC2\xBF")}}, // > U+10FFFF
    {"\xF0\x9F\x98\x80\n", true, {testsupport::u8("\xF0\x9F\x98\x80")}}};

TEST(CoreTextFile, DecodesAndSplitsBytes)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString path = dir.filePath("t.txt");
    for (const auto &row : kDecodeRows) {
        SCOPED_TRACE(QByteArray(row.bytes).toHex(' ').toStdString());
        EXPECT_EQ(core::isValidUtf8(QByteArray(row.bytes)), row.utf8);
        EXPECT_EQ(core::splitLines(core::decodeText(QByteArray(row.bytes))), row.lines);
        testsupport::writeBytes(path, QByteArray(row.bytes));
        const core::ReadResult r = core::readTextLines(path);
        EXPECT_EQ(r.status, ReadStatus::Ok);
        EXPECT_EQ(r.lines, row.lines);
    }
}

TEST(CoreTextFile, JoinsLinesAsUtf8WithCrLf)
{
    EXPECT_EQ(core::joinLines({}), QByteArray());
    EXPECT_EQ(core::joinLines({""}), QByteArray("\r\n"));
    EXPECT_EQ(core::joinLines({"a", testsupport::u8("\xE2\x82\xAC"), ""}),
              QByteArray("a\r\n\xE2\x82\xAC\r\n\r\n"));
    // Text that begins with U+FEFF gets a byte-order mark of its own in front,
    // so the reader, which drops one mark, gives that character back.
    EXPECT_EQ(core::joinLines({QStringLiteral("\uFEFFx")}),
              QByteArray("\xEF\xBB\xBF\xEF\xBB\xBFx\r\n"));
    EXPECT_EQ(core::splitLines(core::decodeText(core::joinLines({QStringLiteral("\uFEFFx"), "y"}))),
              QStringList({QStringLiteral("\uFEFFx"), "y"}));
}

TEST(CoreTextFile, ReadMissingAndFolder)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const core::ReadResult missing = core::readTextLines(dir.filePath("none.txt"));
    EXPECT_EQ(missing.status, ReadStatus::Missing);
    EXPECT_TRUE(missing.lines.isEmpty());

    ASSERT_TRUE(QDir(dir.path()).mkdir("sub"));
    const core::ReadResult folder = core::readTextLines(dir.filePath("sub"));
    EXPECT_EQ(folder.status, ReadStatus::Failed);
    EXPECT_FALSE(folder.error.isEmpty());
}

TEST(CoreTextFile, WriteReplacesWholeFileAndLeavesNoStrays)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString path = dir.filePath("t.txt");
    // A longer old file must not leave a tail behind the shorter new content.
    testsupport::writeBytes(path, "old content that is much longer than the new one\n");
    EXPECT_EQ(core::writeTextLines(path, {"a", testsupport::u8("Ren\xC3\xA9")}), QString());
    EXPECT_EQ(testsupport::fileBytes(path), QByteArray("a\r\nRen\xC3\xA9\r\n"));
    EXPECT_EQ(core::readTextLines(path).lines, QStringList({"a", testsupport::u8("Ren\xC3\xA9")}));

    // Bytes go out untouched, including NUL and bytes that are not UTF-8.
    const QByteArray raw("x\0\xFF\r\ny", 6);
    EXPECT_EQ(core::writeFileAtomically(path, raw), QString());
    EXPECT_EQ(testsupport::fileBytes(path), raw);

    EXPECT_EQ(core::writeTextLines(path, {}), QString());
    EXPECT_EQ(testsupport::fileBytes(path), QByteArray());
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden),
              QStringList({"t.txt"}));
}

TEST(CoreTextFile, FailedWriteReportsAndKeepsOldData)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QDir d(dir.path());
    ASSERT_TRUE(d.mkdir("folder"));
    const QByteArray old("keep me\r\n");
    testsupport::writeBytes(d.filePath("plain"), old);

    // A folder where the file should be, and a path whose parent is a regular file.
    for (const QString &target : {d.filePath("folder"), d.filePath("plain/child.txt")}) {
        SCOPED_TRACE(target.toStdString());
        EXPECT_FALSE(core::writeTextLines(target, {"new"}).isEmpty());
        EXPECT_FALSE(core::writeFileAtomically(target, "new\r\n").isEmpty());
        EXPECT_TRUE(QFileInfo(d.filePath("folder")).isDir());
        EXPECT_TRUE(QDir(d.filePath("folder"))
                        .isEmpty(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden));
        EXPECT_EQ(testsupport::fileBytes(d.filePath("plain")), old);
        EXPECT_EQ(d.entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden),
                  QStringList({"folder", "plain"}));
    }
}

} // namespace
