// The real program started over hostile files and over data folders it must
// refuse. It never crashes, its memory stays bounded by the size of what it
// read, and it writes nothing it was not asked to: the directory file is
// written back as what was read of it (closing saves), the keyword colour
// file is left as it was, and a refused data folder is neither read nor
// written.

#include "core/directoryfile.h"
#include "core/fileio.h"
#include "core/keywordfile.h"
#include "support/fixtures.h"
#include "support/installed.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <gtest/gtest.h>

#include <csignal>
#include <functional>
#include <iostream>
#include <sys/stat.h>
#include <unistd.h>

using testsupport::fileBytes;
using testsupport::writeBytes;

namespace {

// Memory use is what AddressSanitizer changes most; a sanitized build checks
// everything else.
#if defined(__SANITIZE_ADDRESS__)
constexpr bool kMemoryIsMeasured = false;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
constexpr bool kMemoryIsMeasured = false;
#else
constexpr bool kMemoryIsMeasured = true;
#endif
#else
constexpr bool kMemoryIsMeasured = true;
#endif

class Installed : public testsupport::InstalledQuorvel
{
public:
    Installed() : InstalledQuorvel(QStringLiteral(QUORVEL_EXECUTABLE)) {}
};

QByteArray randomBytes(qsizetype size, quint32 seed)
{
    QRandomGenerator random(seed);
    QByteArray bytes(size, Qt::Uninitialized);
    random.fillRange(reinterpret_cast<quint32 *>(bytes.data()), size / 4);
    return bytes;
}

// One line of ten million characters, with a TAB every 10,000 of them.
QByteArray longNumberLine()
{
    QByteArray block(9999, 'x');
    block.prepend("phone: ");
    block.truncate(9999);
    block.append('\t');
    return "Ann|" + block.repeated(1000);
}

QByteArray millionLines()
{
    QByteArray bytes;
    bytes.reserve(30'000'000);
    for (int i = 0; i < 1'000'000; ++i)
        bytes += "Entry " + QByteArray::number(i) + "|phone: " + QByteArray::number(i) + "\r\n";
    return bytes;
}

QList<core::DirectoryEntry> readDirectory(const QByteArray &directory)
{
    return core::parseDirectoryLines(core::splitLines(core::decodeText(directory)));
}

constexpr QByteArrayView kPlainDirectory = "Ann|phone: 1\tfax: 2\temail: a@b\r\nBob|phone: 3\r\n";

TEST(FaultStartup, HostileFilesNeitherCrashNorGrowMemoryNorWriteWhatWasNotAsked)
{
    struct Case
    {
        const char *name;
        std::function<QByteArray()> directory;
        std::function<QByteArray()> colours; // null: no keyword colour file at start
    };
    const Case cases[] = {
        {"directory file of random bytes", [] { return randomBytes(1 << 20, 1); }, nullptr},
        {"directory file of one 10 MB name",
         [] { return QByteArray(10'000'000, 'N') + "|phone: 1\r\n"; }, nullptr},
        {"directory file of one 10 MB number-line text", longNumberLine, nullptr},
        {"directory file of 1,000,000 lines", millionLines, nullptr},
        {"colour file of random bytes", [] { return kPlainDirectory.toByteArray(); },
         [] { return randomBytes(1 << 20, 2); }},
        {"colour file with a keyword line of 1 MB", [] { return kPlainDirectory.toByteArray(); },
         [] {
             return QByteArray(1 << 20, 'k') + "\t1,2,3\r\nphone:\t0,0,255\r\n" + "\t" +
                    QByteArray(1 << 20, '9') + ",0,0\r\n";
         }},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        Installed app;
        const QByteArray directory = c.directory();
        const QByteArray colours = c.colours ? c.colours() : QByteArray();
        QDir().mkpath(app.dataFolder());
        writeBytes(app.directoryFile(), directory);
        if (c.colours)
            writeBytes(app.keywordFile(), colours);

        ASSERT_TRUE(app.start()) << "the program did not come up";
        const testsupport::ProgramExit exit = app.stop(SIGTERM, 300000);
        ASSERT_TRUE(exit.finished) << "it did not end within 5 minutes of SIGTERM";
        EXPECT_EQ(exit.signal, 0) << "it died of signal " << exit.signal;
        EXPECT_EQ(exit.exitCode, 0);

        const QList<core::DirectoryEntry> entries = readDirectory(directory);
        // Linear in what was read: ten times its bytes, and for each entry a
        // fixed cost (string headers, list slots) in the few copies a load
        // and a save hold at once, over a base for the program itself.
        const long inputKiB = (directory.size() + colours.size()) / 1024;
        const long boundKiB = 200 * 1024 + 10 * inputKiB + entries.size() / 4;
        std::cout << c.name << ": " << inputKiB / 1024 << " MiB read, peak memory at most "
                  << exit.peakMemoryKiB / 1024 << " MiB" << std::endl;
        if (kMemoryIsMeasured) {
            EXPECT_LT(exit.peakMemoryKiB, boundKiB)
                << "peak memory " << exit.peakMemoryKiB / 1024 << " MiB for " << inputKiB / 1024
                << " MiB read";
        }
        // Closing writes back what was read.
        EXPECT_TRUE(fileBytes(app.directoryFile()) ==
                    core::joinLines(core::formatDirectoryLines(entries)))
            << "the directory file is not what was read of it";
        // A colour file that was there is only read. A missing one is
        // created by the first lookup: when the first entry has number lines.
        const bool looksUpColours = !entries.isEmpty() && !entries.first().numbers.isEmpty();
        if (c.colours) {
            EXPECT_TRUE(fileBytes(app.keywordFile()) == colours) << "the colour file changed";
        } else if (looksUpColours) {
            EXPECT_EQ(fileBytes(app.keywordFile()), testsupport::defaultKeywordFileBytes());
        }
        QStringList expectedFiles = {"quorvel", "quorvel.portable", app.user(),
                                     app.user() + "/backups", app.user() + "/quorvel.dat"};
        if (c.colours || looksUpColours)
            expectedFiles.prepend("colorkeys.dat");
        EXPECT_EQ(app.files(), expectedFiles);
    }
}

// A FIFO stands in for the directory file behind the refused folder: opening
// it to read or write would block, so a program that ends promptly on SIGTERM
// has not touched it.
TEST(FaultStartup, RefusedDataFolderIsNeitherReadNorWritten)
{
    struct Case
    {
        const char *name;
        // Makes the user's data folder refusable; returns the folder that
        // holds the directory file, or an empty text when it cannot be made.
        std::function<QString(const Installed &, const QString &elsewhere)> arrange;
    };
    const Case cases[] = {
        {"data folder is a symbolic link",
         [](const Installed &app, const QString &elsewhere) {
             return QFile::link(elsewhere, app.dataFolder()) ? elsewhere : QString();
         }},
        {"data folder belongs to another user",
         [](const Installed &app, const QString &) {
             QDir().mkpath(app.dataFolder());
             // Only root can give a folder away.
             const bool given =
                 ::chown(QFile::encodeName(app.dataFolder()).constData(), 65534, 65534) == 0;
             return given ? app.dataFolder() : QString();
         }},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        Installed app;
        QTemporaryDir elsewhere;
        const QString folder = c.arrange(app, elsewhere.path());
        if (folder.isEmpty()) {
            std::cout << "skipped here: " << c.name << std::endl;
            continue;
        }
        const QString fifo = QDir(folder).filePath("quorvel.dat");
        ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
        const QStringList before = app.files();
        const QStringList beforeInFolder =
            QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);

        ASSERT_TRUE(app.launch());
        ASSERT_TRUE(app.waitUntilHandlingSignals());
        // The refusal message is up (or about to be): SIGTERM closes it and
        // the program ends as refused.
        const testsupport::ProgramExit exit = app.stop(SIGTERM, 60000);
        ASSERT_TRUE(exit.finished) << "it hangs: it opened the directory file behind the folder";
        EXPECT_EQ(exit.signal, 0);
        EXPECT_EQ(exit.exitCode, 1);
        EXPECT_EQ(app.files(), before);
        EXPECT_EQ(QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
                  beforeInFolder);
        struct stat st
        {
        };
        ASSERT_EQ(::lstat(QFile::encodeName(fifo).constData(), &st), 0);
        EXPECT_TRUE(S_ISFIFO(st.st_mode)) << "the directory file was replaced";
    }
}

// What stands at the directory file's name is not a regular file: the start
// is refused (exit 1) at once, without following a link or waiting at a FIFO,
// and whatever stands there stays as it is.
TEST(FaultStartup, ForeignDirectoryFileIsRefusedAndLeftAsItIs)
{
    struct Case
    {
        const char *name;
        std::function<bool(const QString &file, const QString &victim)> arrange;
    };
    const Case cases[] = {
        {"FIFO",
         [](const QString &file, const QString &) {
             return ::mkfifo(QFile::encodeName(file).constData(), 0600) == 0;
         }},
        {"dangling link",
         [](const QString &file, const QString &victim) {
             return QFile::link(victim + ".absent", file);
         }},
        {"link to a device",
         [](const QString &file, const QString &) { return QFile::link("/dev/zero", file); }},
        {"link to another file",
         [](const QString &file, const QString &victim) { return QFile::link(victim, file); }},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        Installed app;
        QTemporaryDir elsewhere;
        const QString victim = elsewhere.filePath("victim");
        writeBytes(victim, "Victim|1\r\n");
        QDir().mkpath(app.dataFolder());
        ASSERT_TRUE(c.arrange(app.directoryFile(), victim));
        struct stat before
        {
        };
        ASSERT_EQ(::lstat(QFile::encodeName(app.directoryFile()).constData(), &before), 0);

        ASSERT_TRUE(app.launch());
        ASSERT_TRUE(app.waitUntilHandlingSignals());
        const testsupport::ProgramExit exit = app.stop(SIGTERM, 60000);
        ASSERT_TRUE(exit.finished) << "it hangs on the directory file";
        EXPECT_EQ(exit.exitCode, 1);
        struct stat after
        {
        };
        ASSERT_EQ(::lstat(QFile::encodeName(app.directoryFile()).constData(), &after), 0);
        EXPECT_EQ(after.st_ino, before.st_ino);
        EXPECT_EQ(after.st_mode, before.st_mode);
        EXPECT_EQ(fileBytes(victim), QByteArray("Victim|1\r\n"));
        EXPECT_FALSE(QFile::exists(victim + ".absent"));
    }
}

} // namespace
