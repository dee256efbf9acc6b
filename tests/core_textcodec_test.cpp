#include "core/textcodec.h"
#include "support/fixtures.h"

#include <gtest/gtest.h>
#include <ostream>

namespace {

using testsupport::u8;

struct DecodeRow
{
    const char *bytes;
    QStringList lines;
};

// File bytes and the lines they must read as. Each line is UTF-8 when it is
// valid UTF-8 and Windows-1252 otherwise, whatever the other lines are.
const DecodeRow kDecodeRows[] = {
    {"", {}},
    {"abc", {"abc"}},
    {"abc\n", {"abc"}},
    {"a\r\nb\r\n", {"a", "b"}},
    {"a\nb", {"a", "b"}},
    {"a\r\n\r\nb\n", {"a", "", "b"}},
    {"\n", {""}},
    {"\r\n\r\n", {"", ""}},
    {"a\rb\n", {"a\rb"}}, // a lone CR is not a line break
    {"a\t b \r\n", {"a\t b "}},
    {"Zo\xC3\xAB\r\n", {u8("Zo\xC3\xAB")}},
    {"\xEF\xBB\xBFhi\r\n", {"hi"}},                               // byte-order mark is dropped
    {"\xEF\xBB\xBF\xEF\xBB\xBFhi", {QStringLiteral("\uFEFFhi")}}, // only the first one
    {"\r\n\xEF\xBB\xBFhi", {"", QStringLiteral("\uFEFFhi")}},     // and only at the start
    {"\xE9\n\xEF\xBB\xBFhi", {u8("\xC3\xA9"), QStringLiteral("\uFEFFhi")}},
    {"\xEF\xBB\xBF\xE9\n", {u8("\xC3\xAF\xC2\xBB\xC2\xBF\xC3\xA9")}}, // no mark in 1252
    {"Ren\xE9", {u8("Ren\xC3\xA9")}},
    {"\x80 5\r\n\x93q\x94", {u8("\xE2\x82\xAC 5"), u8("\xE2\x80\x9Cq\xE2\x80\x9D")}},
    // One stray byte changes its own line only.
    {"Jos\xC3\xA9|1\r\nM\xFCller|2\r\n\xC3\xA9\n",
     {u8("Jos\xC3\xA9|1"), u8("M\xC3\xBCller|2"), u8("\xC3\xA9")}},
    {"\xC3", {u8("\xC3\x83")}}, // a sequence cut off at the end
    {"\xE2\x82", {u8("\xC3\xA2\xE2\x80\x9A")}},
    {"\xC0\xAF", {u8("\xC3\x80\xC2\xAF")}},                         // overlong encoding
    {"\xED\xA0\x80", {u8("\xC3\xAD\xC2\xA0\xE2\x82\xAC")}},         // encoded surrogate
    {"\xF4\x9F\xBF\xBF", {u8("\xC3\xB4\xC5\xB8\xC2\xBF\xC2\xBF")}}, // > U+10FFFF
    {"\xF0\x9F\x98\x80\n", {u8("\xF0\x9F\x98\x80")}}};

TEST(CoreTextCodec, DecodesLineByLine)
{
    for (const auto &row : kDecodeRows) {
        SCOPED_TRACE(QByteArray(row.bytes).toHex(' ').toStdString());
        EXPECT_EQ(core::splitLines(core::decodeText(QByteArray(row.bytes))), row.lines);
    }
}

TEST(CoreTextCodec, JoinsLinesAsUtf8WithCrLf)
{
    EXPECT_EQ(core::joinLines({}), QByteArray());
    EXPECT_EQ(core::joinLines({""}), QByteArray("\r\n"));
    EXPECT_EQ(core::joinLines({"a", u8("\xE2\x82\xAC"), ""}),
              QByteArray("a\r\n\xE2\x82\xAC\r\n\r\n"));
    // Text that begins with U+FEFF gets a byte-order mark of its own in front,
    // so the reader, which drops one mark, gives that character back.
    EXPECT_EQ(core::joinLines({QStringLiteral("\uFEFFx")}),
              QByteArray("\xEF\xBB\xBF\xEF\xBB\xBFx\r\n"));
    EXPECT_EQ(core::splitLines(core::decodeText(core::joinLines({QStringLiteral("\uFEFFx"), "y"}))),
              QStringList({QStringLiteral("\uFEFFx"), "y"}));
}

} // namespace
