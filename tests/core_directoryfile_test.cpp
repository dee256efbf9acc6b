#include "core/directory/directoryfile.h"
#include "support/fixtures.h"

#include <QStringEncoder>

using namespace testsupport;

using core::DirectoryEntry;

namespace {

QList<DirectoryEntry> readAll(const core::Folder &folder)
{
    QList<DirectoryEntry> entries;
    const auto read = core::ReadDirectoryFile(
        folder, [](qsizetype) {}, [&](DirectoryEntry &&entry) { entries.append(entry); });
    EXPECT_TRUE(read) << read.error().toStdString();
    return entries;
}

std::function<void(const core::EntryVisitor &)> eachOf(const QList<DirectoryEntry> &entries)
{
    return [&entries](const core::EntryVisitor &visit) {
        for (const DirectoryEntry &entry : entries)
            visit(entry);
    };
}

// UTF-16 bytes of a text behind the byte-order mark of an order.
QByteArray utf16(QStringConverter::Encoding order, QStringView text)
{
    const bool le = order == QStringConverter::Utf16LE;
    return QByteArray(le ? "\xFF\xFE" : "\xFE\xFF") + QStringEncoder(order).encode(text);
}

} // namespace

TEST(CoreDirectoryFile, ParsesLines)
{
    const std::pair<const char *, std::optional<DirectoryEntry>> rows[] = {
        {"<b>Ann|phone: 1", DirectoryEntry{"Ann", "phone: 1", true}},
        {"<B>Ann|phone: 1", DirectoryEntry{"Ann", "phone: 1", true}},
        {"Ann<b>|phone: 1", DirectoryEntry{"Ann<b>", "phone: 1", false}},
        {"<b>A<b>nn|phone: 1", DirectoryEntry{"Ann", "phone: 1", true}},
        // Removing the inner markers must not leave a new one behind.
        {"<b><B<b>>Ann|x", DirectoryEntry{"Ann", "x", true}},
        {"<b><<b>b>", DirectoryEntry{"", "", true}},
        {"<b", DirectoryEntry{"<b", "", false}},
        {"|phone: 1", DirectoryEntry{"", "phone: 1", false}},
        {"Ann|phone: 1|x", DirectoryEntry{"Ann", "phone: 1|x", false}},
        {"<b>Bob", DirectoryEntry{"Bob", "", true}},
        {"", std::nullopt}};
    for (const auto &[line, want] : rows)
        EXPECT_EQ(core::parseDirectoryLine(QString::fromLatin1(line)), want) << line;
}

// What a file reads as, and writing it back: the normal form, private.
TEST(CoreDirectoryFile, ReadsAndWritesBackInNormalForm)
{
    const QList<DirectoryEntry> annBob = {{"Ann", "phone: 1", false}, {"Bob", "fax: 2", true}};
    const std::tuple<QByteArray, QList<DirectoryEntry>, QByteArray> rows[] = {
        {"Ann|phone: 1\r\n<b>Bob|fax: 2\r\n", annBob, "Ann|phone: 1\r\n<b>Bob|fax: 2\r\n"},
        {"Ann|phone: 1\n\n\r\n<B>Bob|fax: 2", annBob, "Ann|phone: 1\r\n<b>Bob|fax: 2\r\n"},
        {"<b>A<b>nn|1|old\r\n", {{"Ann", "1|old", true}}, "<b>Ann|1|old\r\n"},
        {"Ren\xE9|\x80 1\tx\r\n",
         {{u8("Ren\xC3\xA9"), u8("\xE2\x82\xAC 1\tx"), false}},
         "Ren\xC3\xA9|\xE2\x82\xAC 1\tx\r\n"},
        {"Zo\xC3\xAB|x\r\n", {{u8("Zo\xC3\xAB"), "x", false}}, "Zo\xC3\xAB|x\r\n"},
        // An entry with neither name nor numbers still leaves a line.
        {"|1\r\nBob\r\n|\n",
         {{"", "1", false}, {"Bob", "", false}, {"", "", false}},
         "|1\r\nBob|\r\n|\r\n"},
        {"\r\n", {}, ""},
        // A name that begins with U+FEFF, behind the file's own byte-order mark.
        {"\r\n\xEF\xBB\xBFZ|1\r\n",
         {{QStringLiteral("\uFEFFZ"), "1", false}},
         "\xEF\xBB\xBF\xEF\xBB\xBFZ|1\r\n"}};
    QTemporaryDir dir;
    const QString path = dir.filePath("quorvel.dat");
    const auto folder = core::Folder::open(dir.path(), core::Folder::Link::Refuse);
    EXPECT_EQ(readAll(*folder), QList<DirectoryEntry>());
    for (const auto &[bytes, entries, rewritten] : rows) {
        SCOPED_TRACE(bytes.toStdString());
        writeBytes(path, bytes);
        EXPECT_EQ(readAll(*folder), entries);
        EXPECT_TRUE(core::WriteDirectoryFile(*folder, eachOf(entries)));
        EXPECT_EQ(fileBytes(path), rewritten);
        EXPECT_EQ(modeOf(path), 0600);
        EXPECT_EQ(readAll(*folder), entries);
    }
}

// What text reads as, and what writing it back gives: 2 exactly its bytes,
// 1 all of its text (other line ends, encoding and byte-order mark aside),
// 0 less.
TEST(CoreDirectoryFile, ReadsTextAndTellsWhatWritingKeeps)
{
    const auto le = QStringConverter::Utf16LE, be = QStringConverter::Utf16BE;
    const DirectoryEntry ann{"Ann", "1", false}, bob{"Bob", "2", false}, a{"A", "\uFFFD", false};
    const std::tuple<const char *, QByteArray, QList<DirectoryEntry>, int> rows[] = {
        {"later bar", "Ann|5 | x\tgate|\r\n", {{"Ann", "5 | x\tgate|", false}}, 2},
        {"CR", "Ann|1\rBob|2\r", {ann, bob}, 1},
        {"mixed", "Ann|1\r\nBob|2\rCy\nAnn|1\r\n", {ann, bob, {"Cy", "", false}, ann}, 1},
        {"CR CR LF", "Ann|1\r\r\nBob|2\r\n", {ann, bob}, 0},
        {"empty line", "Ann|1\r\n\r\n", {ann}, 0},
        {"UTF-16 LE", utf16(le, u"Ann|1\rBob|2"), {ann, bob}, 1},
        {"UTF-16 BE",
         utf16(be, u"\uFEFF|\u20AC\r\n"),
         {{QString(QChar(0xFEFF)), "\u20AC", false}},
         1},
        {"UTF-16 cut", utf16(le, u"A|") + "1", {a}, 0},
        {"UTF-16 half pair", utf16(be, u"A|") + QByteArray("\xD8\x00", 2), {a}, 0},
        {"capital marker", "<B>Ann|1\r\n", {{"Ann", "1", true}}, 1},
        {"second marker", "<b>A<b>nn|1\r\n", {{"Ann", "1", true}}, 0},
        {"Windows-1252", "M\xFCller|1\r\n", {{u8("M\xC3\xBCller"), "1", false}}, 1},
        {"NUL", QByteArray("A\0|1\r\n", 6), {{QString(QChar(u'A')) + QChar(0), "1", false}}, 2}};
    // Decoded whole, and from pieces of one byte.
    for (const auto &[name, bytes, entries, fit] : rows) {
        for (const qsizetype piece : {bytes.size(), qsizetype(1)}) {
            SCOPED_TRACE(std::string(name) + (piece == 1 ? " in pieces" : ""));
            QString text(bytes.size(), Qt::Uninitialized);
            core::TextForm form;
            core::PieceDecoder decoder(text.data());
            for (qsizetype i = 0; i < bytes.size(); i += piece)
                decoder.add(QByteArrayView(bytes).sliced(i, std::min(piece, bytes.size() - i)));
            text.truncate(decoder.finish(&form));
            QList<DirectoryEntry> read;
            const core::DirectoryTextFit got =
                core::parseDirectoryText(text, form, [&](DirectoryEntry &&e) { read.append(e); });
            EXPECT_EQ(read, entries);
            EXPECT_EQ(got.asWritten, fit == 2);
            EXPECT_EQ(got.keepsAll, fit >= 1);
            EXPECT_EQ(core::formatDirectoryFile(entries) == bytes, fit == 2);
        }
    }
}

// A large directory is written in order, and only the file's first line gets
// a byte-order mark, across the chunks the writer hands to the file.
TEST(CoreDirectoryFile, WritesALargeDirectoryInOrder)
{
    QList<DirectoryEntry> entries;
    QByteArray expected = "\xEF\xBB\xBF";
    for (int i = 0; i < 50001; ++i) {
        entries.append({QStringLiteral("\uFEFF%1").arg(i), "x", i % 2 == 1});
        expected +=
            (i % 2 == 1 ? "<b>\xEF\xBB\xBF" : "\xEF\xBB\xBF") + QByteArray::number(i) + "|x\r\n";
    }
    QTemporaryDir dir;
    const QString path = dir.filePath("quorvel.dat");
    const auto folder = core::Folder::open(dir.path(), core::Folder::Link::Refuse);
    ASSERT_TRUE(core::WriteDirectoryFile(*folder, eachOf(entries)));
    EXPECT_TRUE(fileBytes(path) == expected);
}

TEST(CoreDirectoryFile, DisplayLineDropsOneLowerCaseMarker)
{
    const std::tuple<const char *, const char *, bool> rows[] = {
        {"<b>phone: 1", "phone: 1", true},     {"<b><b>x", "<b>x", true}, {"<b>", "", true},
        {"<B>phone: 1", "<B>phone: 1", false}, {"x<b>", "x<b>", false},   {"", "", false}};
    for (const auto &[line, text, bold] : rows) {
        const core::DisplayLine shown = core::displayLine(QString::fromLatin1(line));
        EXPECT_EQ(shown.text, text) << line;
        EXPECT_EQ(shown.bold, bold) << line;
    }
}
