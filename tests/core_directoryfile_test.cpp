#include "core/directoryfile.h"
#include "support/fixtures.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <optional>
#include <ostream>

namespace {

using core::DirectoryEntry;

constexpr QFileDevice::Permissions kAllBits =
    QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner |
    QFileDevice::ReadGroup | QFileDevice::WriteGroup | QFileDevice::ExeGroup |
    QFileDevice::ReadOther | QFileDevice::WriteOther | QFileDevice::ExeOther;

TEST(CoreDirectoryFile, ParsesLines)
{
    const struct
    {
        const char *line;
        std::optional<DirectoryEntry> want;
    } rows[] = {{"<b>Ann|phone: 1", DirectoryEntry{"Ann", "phone: 1", true}},
                {"<B>Ann|phone: 1", DirectoryEntry{"Ann", "phone: 1", true}},
                {"Ann<b>|phone: 1", DirectoryEntry{"Ann<b>", "phone: 1", false}},
                {"<b>A<b>nn|phone: 1", DirectoryEntry{"Ann", "phone: 1", true}},
                // Removing the inner markers must not leave a new one behind.
                {"<b><B<b>>Ann|phone: 1", DirectoryEntry{"Ann", "phone: 1", true}},
                {"<b><<b>b>", DirectoryEntry{"", "", true}},
                {"<b", DirectoryEntry{"<b", "", false}},
                {"Ann|", DirectoryEntry{"Ann", "", false}},
                {"|phone: 1", DirectoryEntry{"", "phone: 1", false}},
                {"Ann|phone: 1\tfax: 2", DirectoryEntry{"Ann", "phone: 1\tfax: 2", false}},
                {"Ann|phone: 1|x", DirectoryEntry{"Ann", "phone: 1", false}},
                {"Bob", DirectoryEntry{"Bob", "", false}},
                {"<b>Bob", DirectoryEntry{"Bob", "", true}},
                {"", std::nullopt}};
    for (const auto &row : rows) {
        SCOPED_TRACE(row.line);
        EXPECT_EQ(core::parseDirectoryLine(QString::fromLatin1(row.line)), row.want);
    }
}

TEST(CoreDirectoryFile, ReadsFilesAndRewritesThemInNormalForm)
{
    const QList<DirectoryEntry> annBob = {{"Ann", "phone: 1", false}, {"Bob", "fax: 2", true}};
    const QByteArray annBobBytes = "Ann|phone: 1\r\n<b>Bob|fax: 2\r\n";
    const struct
    {
        const char *bytes;
        QList<DirectoryEntry> want;
        QByteArray rewritten; // what writing the read entries back must produce
    } rows[] = {
        {"Ann|phone: 1\r\n<b>Bob|fax: 2\r\n", annBob, annBobBytes},
        {"Ann|phone: 1\n<b>Bob|fax: 2\n", annBob, annBobBytes},
        {"Ann|phone: 1\n\n\r\n<B>Bob|fax: 2", annBob, annBobBytes},
        {"<b>A<b>nn|phone: 1|old\r\n", {{"Ann", "phone: 1", true}}, "<b>Ann|phone: 1\r\n"},
        {"Ren\xE9|x\r\n", {{testsupport::u8("Ren\xC3\xA9"), "x", false}}, "Ren\xC3\xA9|x\r\n"},
        {"Zo\xC3\xAB|x\r\n", {{testsupport::u8("Zo\xC3\xAB"), "x", false}}, "Zo\xC3\xAB|x\r\n"},
        {"\r\n", {}, ""},
        {"", {}, ""},
        // A name that begins with U+FEFF, behind the file's own byte-order mark.
        {"\xEF\xBB\xBF\xEF\xBB\xBFZ|1\r\n",
         {{QStringLiteral("\uFEFFZ"), "1", false}},
         "\xEF\xBB\xBF\xEF\xBB\xBFZ|1\r\n"},
        {"\r\n\xEF\xBB\xBFZ|1\r\n",
         {{QStringLiteral("\uFEFFZ"), "1", false}},
         "\xEF\xBB\xBF\xEF\xBB\xBFZ|1\r\n"}};
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString path = dir.filePath("quorvel.dat");
    for (const auto &row : rows) {
        SCOPED_TRACE(row.bytes);
        testsupport::writeBytes(path, row.bytes);
        const core::DirectoryReadResult r = core::ReadDirectoryFile(path);
        EXPECT_TRUE(r.ok);
        EXPECT_EQ(r.entries, row.want);
        EXPECT_EQ(core::WriteDirectoryFile(path, r.entries), QString());
        EXPECT_EQ(testsupport::fileBytes(path), row.rewritten);
    }
}

TEST(CoreDirectoryFile, WritesReadsBackAndRewritesIdentically)
{
    const struct
    {
        QList<DirectoryEntry> entries;
        QByteArray bytes;
    } rows[] = {{{{"Ann", "phone: 1", true}}, "<b>Ann|phone: 1\r\n"},
                {{}, ""},
                {{{testsupport::u8("Zo\xC3\xAB"), "x", false},
                  {testsupport::u8("Ren\xC3\xA9"), "phone: 1\tfax: 2", false}},
                 "Zo\xC3\xAB|x\r\nRen\xC3\xA9|phone: 1\tfax: 2\r\n"},
                // An entry with neither name nor numbers must still leave a non-empty line.
                {{{"", "phone: 1", false}, {"Bob", "", true}, {"", "", false}},
                 "|phone: 1\r\n<b>Bob|\r\n|\r\n"}};
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString path = dir.filePath("quorvel.dat");
    for (const auto &row : rows) {
        SCOPED_TRACE(row.bytes.toStdString());
        EXPECT_EQ(core::WriteDirectoryFile(path, row.entries), QString());
        EXPECT_EQ(testsupport::fileBytes(path), row.bytes);
        const core::DirectoryReadResult back = core::ReadDirectoryFile(path);
        ASSERT_TRUE(back.ok);
        EXPECT_EQ(back.entries, row.entries);
        // Writing what was read must not add a second bold marker or change anything.
        EXPECT_EQ(core::WriteDirectoryFile(path, back.entries), QString());
        EXPECT_EQ(testsupport::fileBytes(path), row.bytes);
    }
}

TEST(CoreDirectoryFile, WrittenFileIsPrivate)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString fresh = dir.filePath("fresh.dat");
    EXPECT_EQ(core::WriteDirectoryFile(fresh, {{"Ann", "phone: 1", false}}), QString());
    EXPECT_EQ(QFileInfo(fresh).permissions() & kAllBits,
              QFileDevice::ReadOwner | QFileDevice::WriteOwner);

    // Replacing a file that was readable by everyone must not carry that mode over.
    const QString shared = dir.filePath("shared.dat");
    testsupport::writeBytes(shared, "Old|x\r\n");
    ASSERT_TRUE(QFile::setPermissions(shared, QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                                  QFileDevice::ReadGroup | QFileDevice::ReadOther));
    EXPECT_EQ(core::WriteDirectoryFile(shared, {{"Ann", "phone: 1", false}}), QString());
    EXPECT_EQ(testsupport::fileBytes(shared), QByteArray("Ann|phone: 1\r\n"));
    EXPECT_EQ(QFileInfo(shared).permissions() & kAllBits,
              QFileDevice::ReadOwner | QFileDevice::WriteOwner);
}

TEST(CoreDirectoryFile, MissingFileAndFolderInTheWay)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString path = dir.filePath("quorvel.dat");
    const core::DirectoryReadResult missing = core::ReadDirectoryFile(path);
    EXPECT_TRUE(missing.ok);
    EXPECT_TRUE(missing.entries.isEmpty());

    ASSERT_TRUE(QDir(dir.path()).mkdir("quorvel.dat"));
    const core::DirectoryReadResult folder = core::ReadDirectoryFile(path);
    EXPECT_FALSE(folder.ok);
    EXPECT_FALSE(folder.error.isEmpty());
    EXPECT_FALSE(core::WriteDirectoryFile(path, {{"Ann", "1", false}}).isEmpty());
    EXPECT_TRUE(QFileInfo(path).isDir());
}

TEST(CoreDirectoryFile, NumberLines)
{
    EXPECT_TRUE(core::splitNumberLines("").isEmpty());
    const struct
    {
        const char *text;
        QStringList lines;
    } rows[] = {{"a", {"a"}},
                {"a\t\tb", {"a", "", "b"}},
                {"phone: 1\tfax: 2", {"phone: 1", "fax: 2"}},
                {"\t", {"", ""}},
                {" a \t b ", {" a ", " b "}}};
    for (const auto &row : rows) {
        SCOPED_TRACE(row.text);
        EXPECT_EQ(core::splitNumberLines(row.text), row.lines);
        EXPECT_EQ(core::joinNumberLines(row.lines), QString::fromLatin1(row.text));
    }
    EXPECT_EQ(core::joinNumberLines({}), QString());
}

TEST(CoreDirectoryFile, DisplayLineDropsOneLowerCaseMarker)
{
    const struct
    {
        const char *line;
        const char *text;
        bool bold;
    } rows[] = {{"<b>phone: 1", "phone: 1", true},
                {"<b><b>x", "<b>x", true},
                {"<b>", "", true},
                {"<B>phone: 1", "<B>phone: 1", false},
                {"x<b>", "x<b>", false},
                {"<b", "<b", false},
                {"", "", false}};
    for (const auto &row : rows) {
        SCOPED_TRACE(row.line);
        const core::DisplayLine d = core::displayLine(QString::fromLatin1(row.line));
        EXPECT_EQ(d.text, QString::fromLatin1(row.text));
        EXPECT_EQ(d.bold, row.bold);
    }
}

} // namespace
