#include "core/files/textcodec.h"
#include "support/fixtures.h"

namespace {

using testsupport::u8;

// Bytes and the lines read: each line UTF-8 if valid, else Windows-1252.
const std::pair<const char *, QStringList> kDecodeRows[] = {
    {"", {}},
    {"abc", {"abc"}},
    {"a\r\nb\n", {"a", "b"}},
    {"a\r\n\r\nb\n", {"a", "", "b"}},
    {"\n", {""}},
    {"a\rb\r\r\nc\n", {"a", "b", "", "c"}}, // a lone CR is a line break too
    {"a\t b \r\n", {"a\t b "}},
    {"\xEF\xBB\xBFhi\r\n", {"hi"}},                               // byte-order mark is dropped
    {"\xEF\xBB\xBF\xEF\xBB\xBFhi", {QStringLiteral("\uFEFFhi")}}, // only the first one
    {"\r\n\xEF\xBB\xBFhi", {"", QStringLiteral("\uFEFFhi")}},     // and only at the start
    {"M\xFCller\r\n\xEF\xBB\xBFhi\n", {u8("M\xC3\xBCller"), QStringLiteral("\uFEFFhi")}}, // mixed
    {"\xEF\xBB\xBF\xE9\n", {u8("\xC3\xAF\xC2\xBB\xC2\xBF\xC3\xA9")}}, // no mark in 1252
    // Every byte that Windows-1252 and Latin-1 read differently, and one that they do not.
    {"\x80\x82\x83\x84\x85\x86\x87\x88\x89\x8A\x8B\x8C\x8E\x91\x92\x93\x94\x95\x96\x97\x98\x99"
     "\x9A\x9B\x9C\x9E\x9F\xE9",
     {QStringLiteral("\u20AC\u201A\u0192\u201E\u2026\u2020\u2021\u02C6\u2030\u0160\u2039\u0152"
                     "\u017D\u2018\u2019\u201C\u201D\u2022\u2013\u2014\u02DC\u2122\u0161\u203A"
                     "\u0153\u017E\u0178\u00E9")}},
    // One stray byte changes its own line only.
    {"Jos\xC3\xA9|1\r\nM\xFCller|2\r\n\xC3\xA9\n",
     {u8("Jos\xC3\xA9|1"), u8("M\xC3\xBCller|2"), u8("\xC3\xA9")}},
    {"\xC3", {u8("\xC3\x83")}}, // a sequence cut off at the end
    {"\xE2\x82", {u8("\xC3\xA2\xE2\x80\x9A")}},
    {"\xC0\xAF", {u8("\xC3\x80\xC2\xAF")}},                         // overlong encoding
    {"\xED\xA0\x80", {u8("\xC3\xAD\xC2\xA0\xE2\x82\xAC")}},         // encoded surrogate
    {"\xF4\x9F\xBF\xBF", {u8("\xC3\xB4\xC5\xB8\xC2\xBF\xC2\xBF")}}, // > U+10FFFF
    {"\xF0\x9F\x98\x80\n", {u8("\xF0\x9F\x98\x80")}}};

// Whole, and handed on a byte at a time.
TEST(CoreTextCodec, DecodesLineByLine)
{
    for (const auto &[bytes, lines] : kDecodeRows) {
        const QByteArrayView all(bytes);
        EXPECT_EQ(core::splitLines(core::decodeText(all)), lines)
            << all.toByteArray().toHex(' ').toStdString();
        QString text(all.size(), Qt::Uninitialized);
        core::PieceDecoder pieces(text.data());
        for (qsizetype i = 0; i < all.size(); ++i)
            pieces.add(all.sliced(i, 1));
        text.truncate(pieces.finish());
        EXPECT_EQ(core::splitLines(text), lines) << all.toByteArray().toHex(' ').toStdString();
    }
}

TEST(CoreTextCodec, JoinsLinesAsUtf8WithCrLf)
{
    EXPECT_EQ(core::joinLines({}), QByteArray());
    EXPECT_EQ(core::joinLines({"a", u8("\xE2\x82\xAC"), ""}),
              QByteArray("a\r\n\xE2\x82\xAC\r\n\r\n"));
    // A leading U+FEFF gets a mark of its own, which the reader drops.
    EXPECT_EQ(core::joinLines({QStringLiteral("\uFEFFx")}),
              QByteArray("\xEF\xBB\xBF\xEF\xBB\xBFx\r\n"));
    // One on a later line is text, as the reader takes it there.
    EXPECT_EQ(core::joinLines({"a", QStringLiteral("\uFEFFx")}),
              QByteArray("a\r\n\xEF\xBB\xBFx\r\n"));
}

} // namespace
