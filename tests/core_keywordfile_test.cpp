#include "core/keywordfile.h"
#include "core/textfile.h"
#include "support/fixtures.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

namespace core {
void PrintTo(const KeywordLine &k, std::ostream *os)
{
    *os << "{\"" << k.keyword.toStdString() << "\", \"" << k.colorText.toStdString() << "\"}";
}
} // namespace core

namespace {

using core::KeywordLine;
using core::RGBValue;
using testsupport::fileBytes;
using testsupport::u8;

TEST(CoreKeywordFile, ParsesLines)
{
    const std::pair<const char *, std::optional<KeywordLine>> rows[] = {
        {";x\t1,2,3", std::nullopt},
        {"", std::nullopt},
        {"no tab", std::nullopt},
        {"\t\t", KeywordLine{"", ""}},
        {" ;x\t1,2,3", KeywordLine{" ;x", "1,2,3"}},
        {"fax:\t0,0,255\tnote", KeywordLine{"fax:", "0,0,255"}},
        // Keyword and colour text are kept exactly as written, blanks included.
        {"ph one \t 1,2,3 ", KeywordLine{"ph one ", " 1,2,3 "}}};
    for (const auto &[line, want] : rows)
        EXPECT_EQ(core::parseKeywordLine(line), want) << line;
}

TEST(CoreKeywordFile, LooksUpLineColor)
{
    const core::ColorValue red = RGBValue(255, 0, 0), blue = RGBValue(0, 0, 255);
    // What the test is about, the file's lines, the number line, its colour.
    const std::tuple<const char *, QStringList, const char *, core::ColorValue> rows[] = {
        {"first match wins", {"ph\t255,0,0", "phone:\t0,0,255"}, "phone: 1", red},
        {"first, not longest", {"phone:\t0,0,255", "ph\t255,0,0"}, "phone: 1", blue},
        {"unusable colour ends it", {"fax:\t10,20", "fax:\t0,128,0"}, "fax: 9", 0},
        {"300 counts as 255", {"fax:\t300,0,0"}, "fax: 9", red},
        {"extra fields ignored", {"fax:\t0,0,255\tnote"}, "fax: 9", blue},
        {"case-sensitive", {"phone:\t0,0,255"}, "Phone: 1", 0},
        {"prefix only", {"phone:\t0,0,255"}, "home phone: 5", 0},
        {"line shorter", {"phone:\t0,0,255"}, "phone", 0},
        {"keyword not trimmed", {"phone: \t0,0,255"}, "phone:1", 0},
        // An empty keyword matches every line; comments and blank lines are skipped.
        {"comment, blank skipped", {";x\t255,0,0", "", "   ", "\t0,0,255"}, ";x: 1", blue},
        {"all-tab line blacks out", {"\t\t", "phone:\t0,0,255"}, "phone: 1", 0}};
    for (const auto &[what, file, line, want] : rows)
        EXPECT_EQ(core::lookupLineColor(file, line), want) << what;
}

TEST(CoreKeywordFile, MissingFileIsCreatedWithTheDefault)
{
    QTemporaryDir dir;
    const QString path = QDir(dir.path()).filePath("colorkeys.dat");
    EXPECT_EQ(core::lineColorFromFile(dir.path(), "phone: 555-1234"), 0u);
    EXPECT_EQ(fileBytes(path), testsupport::defaultKeywordFileBytes());

    // A folder in the way can be neither created nor read: black, no crash, nothing inside.
    ASSERT_TRUE(QFile::remove(path) && QDir(dir.path()).mkdir("colorkeys.dat"));
    EXPECT_EQ(core::lineColorFromFile(dir.path(), "phone: 1"), 0u);
    EXPECT_EQ(testsupport::folderContents(dir.path()), QStringList{"colorkeys.dat"});
}

TEST(CoreKeywordFile, ExistingFileIsReadAfreshAndNeverRewritten)
{
    QTemporaryDir dir;
    const QString path = QDir(dir.path()).filePath("colorkeys.dat");
    // LF-only, Windows-1252 and not in the standard frame: any rewrite would show.
    const QByteArray bytes("phone:\t0,0,255\nt\xE9l:\t0,128,0\n");
    testsupport::writeBytes(path, bytes);
    EXPECT_EQ(core::lineColorFromFile(dir.path(), "phone: 1"), RGBValue(0, 0, 255));
    EXPECT_EQ(core::lineColorFromFile(dir.path(), u8("t\xC3\xA9l: 1")), RGBValue(0, 128, 0));
    EXPECT_EQ(fileBytes(path), bytes);

    // A change on disk is seen by the next lookup.
    testsupport::writeBytes(path, "phone:\t255,0,0\r\n");
    EXPECT_EQ(core::lineColorFromFile(dir.path(), "phone: 1"), RGBValue(255, 0, 0));
}

// The rows are written in the Default file's frame and read back out of it.
TEST(CoreKeywordFile, WritesRowsInTheDefaultFrame)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("keys.dat");
    testsupport::writeBytes(path, QByteArray(4000, 'x'));
    EXPECT_EQ(core::writeKeywordFile(path, core::defaultKeywordRows()), QString());
    EXPECT_EQ(fileBytes(path), testsupport::defaultKeywordFileBytes());

    const QList<QList<KeywordLine>> tables = {
        {}, {{"a:", "1,2,3"}, {"", "4,5,6"}, {u8("t\xC3\xA9l:"), "0,0,255"}}};
    for (const QList<KeywordLine> &rows : tables) {
        QStringList lines;
        for (const KeywordLine &row : rows)
            lines.append(row.keyword + '\t' + row.colorText);
        EXPECT_EQ(core::writeKeywordFile(path, rows), QString());
        EXPECT_EQ(fileBytes(path), testsupport::keywordFileBytes(lines));
        EXPECT_EQ(core::parseKeywordLines(core::readTextLines(path).lines), rows);
    }

    ASSERT_TRUE(QDir(dir.path()).mkdir("folder"));
    EXPECT_FALSE(core::writeKeywordFile(dir.filePath("folder"), {{"a:", "1,2,3"}}).isEmpty());
}

} // namespace
