#include "core/keywordfile.h"
#include "support/fixtures.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <functional>
#include <optional>
#include <ostream>
#include <sys/stat.h>

namespace core {
void PrintTo(const KeywordLine &k, std::ostream *os)
{
    *os << "{\"" << k.keyword.toStdString() << "\", \"" << k.colorText.toStdString() << "\"}";
}
} // namespace core

namespace {

using core::ColorValue;
using core::KeywordLine;
using core::RGBValue;

const QStringList kDefaultLines = {
    ";keyword color list",
    ";",
    ";format:",
    ";word:<tab>color",
    ";",
    ";example:",
    ";e-mail:  0,0,255",
    ";",
    ";would turn any field with e-mail: as the first part blue",
    ";color format: 255,255,255",
    ";color format: red,green,blue",
    "",
    "",
    "phone:\t0,0,0",
    "",
    ";note: if you screw this file up, it's not my fault.",
    ";use the editor if you can't figure the format out.",
};

QByteArray crlfBytes(const QStringList &lines)
{
    QByteArray out;
    for (const QString &l : lines)
        out += l.toUtf8() + "\r\n";
    return out;
}

TEST(CoreKeywordFile, ParsesLines)
{
    const struct
    {
        const char *line;
        std::optional<KeywordLine> want;
    } rows[] = {{";x\t1,2,3", std::nullopt},
                {";", std::nullopt},
                {"", std::nullopt},
                {"   ", std::nullopt},
                {"no tab", std::nullopt},
                {"\t", KeywordLine{"", ""}},
                {"\t\t", KeywordLine{"", ""}},
                {" ;x\t1,2,3", KeywordLine{" ;x", "1,2,3"}},
                {"  \t1,2,3", KeywordLine{"  ", "1,2,3"}},
                {"fax:\t0,0,255\tnote", KeywordLine{"fax:", "0,0,255"}},
                {"phone:\t", KeywordLine{"phone:", ""}},
                // Keyword and colour text are kept exactly as written, blanks included.
                {"ph one \t 1,2,3 ", KeywordLine{"ph one ", " 1,2,3 "}}};
    for (const auto &row : rows) {
        SCOPED_TRACE(row.line);
        EXPECT_EQ(core::parseKeywordLine(QString::fromLatin1(row.line)), row.want);
    }
}

TEST(CoreKeywordFile, FramesRows)
{
    EXPECT_EQ(core::defaultKeywordRows(), QList<KeywordLine>({{"phone:", "0,0,0"}}));
    EXPECT_EQ(core::keywordFileLines(core::defaultKeywordRows()), kDefaultLines);
    // Header and two empty lines, then one line per row, then the fixed tail; the
    // rows parse back out of the frame and nothing else does.
    const QList<QList<KeywordLine>> tables = {
        {}, {{"a:", "1,2,3"}, {"", "4,5,6"}, {testsupport::u8("t\xC3\xA9l:"), "0,0,255"}}};
    for (const auto &rows : tables) {
        SCOPED_TRACE(rows.size());
        const QStringList lines = core::keywordFileLines(rows);
        ASSERT_EQ(lines.size(), 16 + rows.size());
        EXPECT_EQ(lines.mid(0, 13), kDefaultLines.mid(0, 13));
        EXPECT_EQ(lines.mid(13 + rows.size()), kDefaultLines.mid(14));
        EXPECT_EQ(core::parseKeywordLines(lines), rows);
    }
}

TEST(CoreKeywordFile, LooksUpLineColor)
{
    const struct
    {
        const char *what;
        QStringList file;
        const char *line;
        ColorValue want;
    } rows[] = {
        {"first match wins", {"ph\t255,0,0", "phone:\t0,0,255"}, "phone: 1", RGBValue(255, 0, 0)},
        {"first match wins, not longest",
         {"phone:\t0,0,255", "ph\t255,0,0"},
         "phone: 1",
         RGBValue(0, 0, 255)},
        {"bad colour ends search", {"fax:\t10,20", "fax:\t0,128,0"}, "fax: 9", 0},
        {"text after second tab", {"fax:\t0,0,255\tnote"}, "fax: 9", RGBValue(0, 0, 255)},
        {"case-sensitive", {"phone:\t0,0,255"}, "Phone: 1", 0},
        {"prefix only", {"phone:\t0,0,255"}, "home phone: 5", 0},
        {"number line shorter", {"phone:\t0,0,255"}, "phone", 0},
        {"keyword not trimmed", {"phone: \t0,0,255"}, "phone:1", 0},
        {"empty keyword matches rest",
         {"phone:\t0,0,255", "\t255,0,0"},
         "fax: 2",
         RGBValue(255, 0, 0)},
        {"empty keyword after match",
         {"phone:\t0,0,255", "\t255,0,0"},
         "phone: 1",
         RGBValue(0, 0, 255)},
        {"all-tab line blacks out rest", {"\t\t", "phone:\t0,0,255"}, "phone: 1", 0},
        {"comment skipped", {";x\t255,0,0"}, ";x: 1", 0},
        {"comment then match",
         {";phone:\t255,0,0", "", "   ", "phone:\t0,0,255"},
         "phone: 1",
         RGBValue(0, 0, 255)},
        {"empty file", {}, "phone: 1", 0},
        {"default file", kDefaultLines, "phone: 555-1234", 0},
        {"example comment inactive", kDefaultLines, "e-mail: a@b", 0},
        {"framed table", core::keywordFileLines({{"e-mail:", "0,0,255"}}), "e-mail: a@b",
         RGBValue(0, 0, 255)},
        // A null text (nullptr here) is an empty number line like any other.
        {"empty keyword matches a null line", {"\t1,2,3"}, nullptr, RGBValue(1, 2, 3)}};
    for (const auto &row : rows) {
        SCOPED_TRACE(row.what);
        EXPECT_EQ(core::lookupLineColor(row.file, QString::fromLatin1(row.line)), row.want);
    }
}

TEST(CoreKeywordFile, MissingFileIsCreatedWithDefault)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString path = QDir(dir.path()).filePath("colorkeys.dat");
    EXPECT_EQ(QFileInfo(core::keywordFilePath(dir.path())).absoluteFilePath(), path);
    EXPECT_EQ(core::readKeywordLinesForLookup(dir.path()), kDefaultLines);
    EXPECT_EQ(testsupport::fileBytes(path), crlfBytes(kDefaultLines));
}

// Whatever else stands at the name gives no keyword lines (every line
// black) at once: nothing is followed, waited for, created or changed.
TEST(CoreKeywordFile, ForeignColourFileGivesBlackAndStaysAsItIs)
{
    struct Row
    {
        const char *what;
        std::function<bool(const QString &path, const QString &dir)> arrange;
    };
    const Row rows[] = {
        {"folder", [](const QString &p, const QString &) { return QDir().mkdir(p); }},
        {"dangling link",
         [](const QString &p, const QString &d) { return QFile::link(d + "/victim", p); }},
        {"link to a file",
         [](const QString &p, const QString &d) {
             testsupport::writeBytes(d + "/victim", "phone:\t1,2,3\r\n");
             return QFile::link(d + "/victim", p);
         }},
        {"FIFO",
         [](const QString &p, const QString &) {
             return ::mkfifo(QFile::encodeName(p).constData(), 0600) == 0;
         }},
        {"over 1 MiB",
         [](const QString &p, const QString &) {
             testsupport::writeBytes(p, "phone:\t1,2,3\r\n" + QByteArray(1 << 20, ';'));
             return true;
         }},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.what);
        QTemporaryDir dir;
        const QString path = dir.filePath("colorkeys.dat");
        ASSERT_TRUE(row.arrange(path, dir.path()));
        const QStringList before = testsupport::folderContents(dir.path());
        const QByteArray victim = testsupport::fileBytes(dir.filePath("victim"));
        EXPECT_EQ(core::readKeywordLinesForLookup(dir.path()), QStringList());
        EXPECT_EQ(core::readKeywordFile(dir.path()).status, core::ReadStatus::Failed);
        EXPECT_EQ(testsupport::folderContents(dir.path()), before);
        EXPECT_EQ(testsupport::fileBytes(dir.filePath("victim")), victim);
    }
}

TEST(CoreKeywordFile, ExistingFileIsReadAfreshAndNeverRewritten)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString path = QDir(dir.path()).filePath("colorkeys.dat");
    // LF-only, Windows-1252 and not in the standard frame: any rewrite would show.
    const QByteArray bytes("phone:\t0,0,255\nt\xE9l:\t0,128,0\n");
    testsupport::writeBytes(path, bytes);
    const QDateTime old(QDate(2001, 2, 3), QTime(4, 5, 6));
    {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::ReadWrite));
        ASSERT_TRUE(f.setFileTime(old, QFileDevice::FileModificationTime));
    }

    const QStringList lines = core::readKeywordLinesForLookup(dir.path());
    EXPECT_EQ(core::lookupLineColor(lines, "phone: 1"), RGBValue(0, 0, 255));
    EXPECT_EQ(core::lookupLineColor(lines, testsupport::u8("t\xC3\xA9l: 1")), RGBValue(0, 128, 0));
    EXPECT_EQ(core::lookupLineColor(lines, "fax: 1"), 0u);
    EXPECT_EQ(testsupport::fileBytes(path), bytes);
    EXPECT_EQ(QFileInfo(path).lastModified(), old);

    // A change on disk is seen by the next lookup.
    testsupport::writeBytes(path, "phone:\t255,0,0\r\n");
    EXPECT_EQ(core::lookupLineColor(core::readKeywordLinesForLookup(dir.path()), "phone: 1"),
              RGBValue(255, 0, 0));
}

TEST(CoreKeywordFile, WritesFramedFile)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString path = dir.filePath("keys.dat");
    testsupport::writeBytes(path, QByteArray(4000, 'x'));
    EXPECT_EQ(core::writeKeywordFile(path, core::defaultKeywordRows()), QString());
    EXPECT_EQ(testsupport::fileBytes(path), crlfBytes(kDefaultLines));

    const QList<KeywordLine> rows = {{testsupport::u8("t\xC3\xA9l:"), "1,2,3"}, {"fax:", "4,5,6"}};
    EXPECT_EQ(core::writeKeywordFile(path, rows), QString());
    EXPECT_EQ(testsupport::fileBytes(path), crlfBytes(core::keywordFileLines(rows)));

    ASSERT_TRUE(QDir(dir.path()).mkdir("folder"));
    EXPECT_FALSE(core::writeKeywordFile(dir.filePath("folder"), rows).isEmpty());
    EXPECT_TRUE(QFileInfo(dir.filePath("folder")).isDir());
}

} // namespace
