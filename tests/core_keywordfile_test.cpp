#include "core/colors/keywordfile.h"
#include "support/fixtures.h"

namespace core {
void PrintTo(const KeywordLine &k, std::ostream *os)
{
    *os << "{\"" << k.keyword.toStdString() << "\", \"" << k.colorText.toStdString() << "\"}";
}
} // namespace core

using namespace testsupport;

using core::KeywordLine;

TEST(CoreKeywordFile, ParsesLines)
{
    const std::pair<const char *, std::optional<KeywordLine>> rows[] = {
        {";x\t1,2,3", std::nullopt},
        {"", std::nullopt},
        {"   ", std::nullopt},
        {"no tab", std::nullopt},
        {"\t\t", KeywordLine{"", ""}},
        {" ;x\t1,2,3", KeywordLine{" ;x", "1,2,3"}},
        {"phone:\t", KeywordLine{"phone:", ""}},
        {"fax:\t0,0,255\tnote", KeywordLine{"fax:", "0,0,255"}},
        // Keyword and colour text are kept exactly as written, blanks included.
        {"ph one \t 1,2,3 ", KeywordLine{"ph one ", " 1,2,3 "}}};
    for (const auto &[line, want] : rows)
        EXPECT_EQ(core::parseKeywordLine(QString::fromLatin1(line)), want) << line;
}

// Colour values are 0xBBGGRR.
TEST(CoreKeywordFile, LooksUpLineColor)
{
    const QStringList defaultFile = QString::fromUtf8(keywordFileBytes()).split("\r\n");
    const std::tuple<const char *, QStringList, const char *, core::ColorValue> rows[] = {
        {"first match wins", {"ph\t255,0,0", "phone:\t0,0,255"}, "phone: 1", 0x0000FF},
        {"not the longest", {"phone:\t0,0,255", "ph\t255,0,0"}, "phone: 1", 0xFF0000},
        {"bad colour ends search", {"fax:\t10,20", "fax:\t0,128,0"}, "fax: 9", 0},
        {"case-sensitive", {"phone:\t0,0,255"}, "Phone: 1", 0},
        {"prefix only", {"phone:\t0,0,255"}, "home phone: 5", 0},
        {"number line shorter", {"phone:\t0,0,255"}, "phone", 0},
        {"keyword not trimmed", {"phone: \t0,0,255"}, "phone:1", 0},
        {"empty keyword matches rest", {"phone:\t0,0,255", "\t255,0,0"}, "fax: 2", 0x0000FF},
        {"empty keyword after match", {"phone:\t0,0,255", "\t255,0,0"}, "phone: 1", 0xFF0000},
        {"all-tab line blacks out rest", {"\t\t", "phone:\t0,0,255"}, "phone: 1", 0},
        {"comment skipped", {";x\t255,0,0", "", "   ", "x\t0,0,255"}, "x", 0xFF0000},
        {"empty file", {}, "phone: 1", 0},
        {"default file", defaultFile, "phone: 555-1234", 0},
        {"example comment inactive", defaultFile, "e-mail: a@b", 0},
        // A null text (nullptr here) is an empty number line like any other.
        {"empty keyword matches a null line", {"\t1,2,3"}, nullptr, 0x030201}};
    for (const auto &[what, file, line, want] : rows)
        EXPECT_EQ(core::lookupLineColor(file, QString::fromLatin1(line)), want) << what;
}

// The table goes into the Default frame and reads back; a missing file is made at the first lookup.
TEST(CoreKeywordFile, WritesTheFramedTableAndMakesTheDefault)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("colorkeys.dat");
    EXPECT_EQ(core::readKeywordLinesForLookup(dir.path()),
              QString::fromUtf8(keywordFileBytes()).split("\r\n").mid(0, 17));
    EXPECT_EQ(fileBytes(path), keywordFileBytes());
    EXPECT_EQ(modeOf(path), 0644);

    const std::pair<QList<KeywordLine>, QStringList> tables[] = {
        {{}, {}},
        {{{"a:", "1,2,3"}, {"", "4,5,6"}, {u8("t\xC3\xA9l:"), "0,0,255"}},
         {"a:\t1,2,3", "\t4,5,6", u8("t\xC3\xA9l:\t0,0,255")}}};
    for (const auto &[rows, lines] : tables) {
        writeBytes(path, QByteArray(4000, 'x'));
        EXPECT_TRUE(core::writeKeywordFile(path, rows));
        EXPECT_EQ(fileBytes(path), keywordFileBytes(lines));
        EXPECT_EQ(core::parseKeywordLines(core::readKeywordFile(dir.path())->lines), rows);
    }
    // A lookup only reads a file that is there.
    const QDateTime old(QDate(2001, 2, 3), QTime(4, 5, 6));
    {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::ReadWrite) &&
                    file.setFileTime(old, QFile::FileModificationTime));
    }
    EXPECT_FALSE(core::readKeywordLinesForLookup(dir.path()).isEmpty());
    EXPECT_EQ(QFileInfo(path).lastModified(), old);
}

// Anything else at the name gives no keyword lines; nothing is followed or changed.
TEST(CoreKeywordFile, ForeignColourFileGivesBlackAndStaysAsItIs)
{
    for (const QString kind : {"dangling link", "link to VICTIM", "over 1 MiB"}) {
        QTemporaryDir dir;
        const QString path = dir.filePath("colorkeys.dat");
        writeBytes(dir.filePath("victim"), "phone:\t1,2,3\r\n");
        if (kind == "over 1 MiB")
            writeBytes(path, "phone:\t1,2,3\r\n" + QByteArray(1 << 20, ';'));
        else
            ASSERT_TRUE(makeAt(path, QString(kind).replace("VICTIM", dir.filePath("victim"))));
        const QStringList before = folderContents(dir.path());
        EXPECT_EQ(core::readKeywordLinesForLookup(dir.path()), QStringList()) << kind.toStdString();
        EXPECT_FALSE(core::readKeywordFile(dir.path()));
        EXPECT_EQ(folderContents(dir.path()), before);
        EXPECT_EQ(fileBytes(dir.filePath("victim")), "phone:\t1,2,3\r\n");
    }
}
