#include "core/directoryfile.h"
#include "support/fixtures.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

namespace core {
void PrintTo(const DirectoryEntry &e, std::ostream *os)
{
    *os << "{\"" << e.name.toStdString() << "\", \"" << e.numbers.toStdString() << "\""
        << (e.bold ? ", bold}" : "}");
}
} // namespace core

namespace {

using core::DirectoryEntry;
using testsupport::fileBytes;
using testsupport::u8;

// File bytes, the entries they read as, and what writing those entries gives;
// reading that again gives the same entries.
TEST(CoreDirectoryFile, ReadsAndWritesFiles)
{
    const QList<DirectoryEntry> annBob = {{"Ann", "phone: 1\tfax: 2", false}, {"Bob", "x", true}};
    const QByteArray annBobBytes = "Ann|phone: 1\tfax: 2\r\n<b>Bob|x\r\n";
    const std::tuple<QByteArray, QList<DirectoryEntry>, QByteArray> rows[] = {
        {annBobBytes, annBob, annBobBytes},
        {"Ann|phone: 1\tfax: 2\n<b>Bob|x", annBob, annBobBytes},
        {"Ann|phone: 1\tfax: 2\n\n\r\n<B>Bob|x\n", annBob, annBobBytes},
        {"<b>A<b>nn|phone: 1|old\r\n", {{"Ann", "phone: 1", true}}, "<b>Ann|phone: 1\r\n"},
        {"Ren\xE9|x\r\n", {{u8("Ren\xC3\xA9"), "x", false}}, "Ren\xC3\xA9|x\r\n"},
        {"Zo\xC3\xAB|x\r\n", {{u8("Zo\xC3\xAB"), "x", false}}, "Zo\xC3\xAB|x\r\n"},
        // Only a leading marker, in either case, makes an entry bold; a line
        // without "|" is a name; an entry with neither name nor numbers still
        // leaves a line.
        {"Ann<b>|1\r\n<b\r\n<b>Bob\r\n<b>|x\r\n|\r\n",
         {{"Ann<b>", "1"}, {"<b", ""}, {"Bob", "", true}, {"", "x", true}, {"", ""}},
         "Ann<b>|1\r\n<b|\r\n<b>Bob|\r\n<b>|x\r\n|\r\n"},
        {"\r\n", {}, ""},
        {"", {}, ""}};
    QTemporaryDir dir;
    const QString path = dir.filePath("quorvel.dat");
    for (const auto &[bytes, entries, written] : rows) {
        SCOPED_TRACE(bytes.toStdString());
        testsupport::writeBytes(path, bytes);
        const core::DirectoryReadResult r = core::ReadDirectoryFile(path);
        EXPECT_TRUE(r.ok);
        EXPECT_EQ(r.entries, entries);
        EXPECT_EQ(core::WriteDirectoryFile(path, entries), QString());
        EXPECT_EQ(fileBytes(path), written);
        EXPECT_EQ(core::ReadDirectoryFile(path).entries, entries);
    }
}

TEST(CoreDirectoryFile, WrittenFileIsPrivateMissingReadsEmptyFolderFails)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("quorvel.dat");
    const core::DirectoryReadResult missing = core::ReadDirectoryFile(path);
    EXPECT_TRUE(missing.ok && missing.entries.isEmpty());

    // Replacing a file that was readable by everyone must not carry that mode over.
    testsupport::writeBytes(path, "Old|x\r\n");
    ASSERT_TRUE(QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                                QFileDevice::ReadOther));
    EXPECT_EQ(core::WriteDirectoryFile(path, {{"Ann", "phone: 1", false}}), QString());
    EXPECT_EQ(fileBytes(path), QByteArray("Ann|phone: 1\r\n"));
    EXPECT_EQ(QFileInfo(path).permissions() & QFileDevice::Permissions(0x0077), 0);

    ASSERT_TRUE(QFile::remove(path) && QDir(dir.path()).mkdir("quorvel.dat"));
    const core::DirectoryReadResult folder = core::ReadDirectoryFile(path);
    EXPECT_FALSE(folder.ok || folder.error.isEmpty());
    EXPECT_FALSE(core::WriteDirectoryFile(path, {{"Ann", "1", false}}).isEmpty());
    EXPECT_TRUE(QFileInfo(path).isDir());
}

// A number line's bold marker is exactly one lower-case "<b>" at its start.
TEST(CoreDirectoryFile, DisplayLineDropsOneLowerCaseMarker)
{
    const std::tuple<const char *, const char *, bool> rows[] = {
        {"<b>phone: 1", "phone: 1", true},     {"<b><b>x", "<b>x", true}, {"<b>", "", true},
        {"<B>phone: 1", "<B>phone: 1", false}, {"x<b>", "x<b>", false},   {"<b", "<b", false}};
    for (const auto &[line, text, bold] : rows) {
        const core::DisplayLine d = core::displayLine(line);
        EXPECT_EQ(d.text, text) << line;
        EXPECT_EQ(d.bold, bold) << line;
    }
}

} // namespace
