// The real program, started from a fresh application folder as a user starts
// it: the files it leaves, the signals that end a session, and hostile files
// at start-up, where it never crashes, its memory stays bounded by the size
// of what it read, and it writes nothing it was not asked to.

#include "support/fixtures.h"
#include "support/installed.h"

#include <QRandomGenerator>
#include <QStringDecoder>

#include <csignal>
#include <iostream>
#include <sys/stat.h>

using testsupport::fileBytes;
using testsupport::folderContents;
using testsupport::writeBytes;

namespace {

// Memory use is what AddressSanitizer changes most; a sanitized build checks
// everything else.
#if defined(__SANITIZE_ADDRESS__)
constexpr bool kMemoryIsMeasured = false;
#else
constexpr bool kMemoryIsMeasured = true;
#endif

struct Installed : testsupport::InstalledQuorvel
{
    // Starts the program over a directory file of these bytes (none: null)
    // and ends it with a signal; the exit code, or -1 when it did not exit by itself.
    int run(const char *directory, int signalNumber)
    {
        if (directory) {
            QDir().mkpath(dataFolder());
            writeBytes(directoryFile(), directory);
        }
        EXPECT_TRUE(start()) << "the program did not come up";
        const testsupport::ProgramExit exit = stop(signalNumber);
        EXPECT_TRUE(exit.finished);
        return exit.signal == 0 ? exit.exitCode : -1;
    }
};

} // namespace

TEST(EndToEnd, FirstStartLeavesExactlyTheDefaultFiles)
{
    Installed app;
    EXPECT_EQ(app.run(nullptr, SIGTERM), 0);
    const QString user = platform::GetName();
    EXPECT_EQ(folderContents(app.path()),
              (QStringList{"colorkeys.dat", "quorvel", user, user + "/quorvel.dat"}));
    EXPECT_EQ(fileBytes(app.directoryFile()), "Default|phone: 555-1234\r\n");
    EXPECT_EQ(fileBytes(app.keywordFile()), testsupport::keywordFileBytes());
}

// A killed copy saves nothing and leaves its lock, which the next start takes
// over; every signal that ends a session saves (and tidies the file).
TEST(EndToEnd, EverySignalThatEndsASessionSaves)
{
    Installed app;
    for (const int signalNumber : {SIGKILL, SIGTERM, SIGINT, SIGHUP}) {
        SCOPED_TRACE(signalNumber);
        const bool killed = signalNumber == SIGKILL;
        EXPECT_EQ(app.run("Ann|1\nBob|2", signalNumber), killed ? -1 : 0);
        EXPECT_EQ(fileBytes(app.directoryFile()), killed ? "Ann|1\nBob|2" : "Ann|1\r\nBob|2\r\n");
        EXPECT_EQ(QFile::exists(app.lockFile()), killed);
    }
}

namespace {

QByteArray randomBytes(qsizetype size, quint32 seed)
{
    QByteArray bytes(size, Qt::Uninitialized);
    QRandomGenerator(seed).fillRange(reinterpret_cast<quint32 *>(bytes.data()), size / 4);
    return bytes;
}

// How many entries a directory file holds: its lines, ended by LF or CR LF,
// but for empty ones.
qsizetype entryCount(const QByteArray &bytes)
{
    qsizetype count = 0;
    for (QByteArray line : bytes.split('\n')) {
        if (line.endsWith('\r'))
            line.chop(1);
        count += line.isEmpty() ? 0 : 1;
    }
    return count;
}

} // namespace

TEST(FaultStartup, HostileFilesNeitherCrashNorGrowMemoryNorWriteWhatWasNotAsked)
{
    const QByteArray plain = "Ann|phone: 1\tfax: 2\r\nBob|phone: 3\r\n";
    // What closing writes: the file as it was, in normal form (UTF-8, each
    // line ended by CR LF) already or but for the last line end; one line per
    // entry; or nothing at all, the start being refused.
    enum Saved { AsRead, OneLinePerEntry, Refused };
    // Each file is made only while its case runs: the memory the test holds
    // when it starts the program counts in the program's peak.
    struct Case
    {
        const char *name;
        std::function<QByteArray()> directory; // null: a FIFO in its place
        std::function<QByteArray()> colours;   // null: no keyword colour file at start
        Saved saved;
        bool makesColours; // a missing colour file is made by the first entry's lookup
    };
    const Case cases[] = {
        {"directory file of random bytes", [] { return randomBytes(1 << 20, 1); }, nullptr,
         OneLinePerEntry, false},
        {"directory file of one 10 MB name",
         [] { return QByteArray(10'000'000, 'N') + "|phone: 1\r\n"; }, nullptr, AsRead, true},
        {"directory file of one 10 MB number-line text",
         [] { return "Ann|" + ("phone: " + QByteArray(9992, 'x') + '\t').repeated(1000); }, nullptr,
         AsRead, true},
        {"directory file of 1,000,000 lines",
         [] {
             QByteArray bytes;
             for (int i = 0; i < 1'000'000; ++i)
                 bytes += "Entry " + QByteArray::number(i) + "|phone: 1\r\n";
             return bytes;
         },
         nullptr, AsRead, true},
        {"FIFO as the directory file", nullptr, nullptr, Refused, false},
        {"colour file of random bytes", [&] { return plain; },
         [] { return randomBytes(1 << 20, 2); }, AsRead, false},
        {"colour file with a keyword line of 1 MB", [&] { return plain; },
         [] {
             return QByteArray(1 << 20, 'k') + "\t1,2,3\r\nphone:\t0,0,255\r\n\t" +
                    QByteArray(1 << 20, '9') + ",0,0\r\n";
         },
         AsRead, false},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        Installed app;
        const QByteArray directory = c.directory ? c.directory() : QByteArray();
        const QByteArray colours = c.colours ? c.colours() : QByteArray();
        QDir().mkpath(app.dataFolder());
        if (c.directory)
            writeBytes(app.directoryFile(), directory);
        else
            ASSERT_EQ(::mkfifo(QFile::encodeName(app.directoryFile()), 0600), 0);
        if (c.colours)
            writeBytes(app.keywordFile(), colours);

        ASSERT_TRUE(app.start()) << "the program did not come up";
        const testsupport::ProgramExit exit = app.stop(SIGTERM, 300000);
        ASSERT_TRUE(exit.finished) << "it did not end within 5 minutes of SIGTERM";
        EXPECT_EQ(exit.signal, 0);
        EXPECT_EQ(exit.exitCode, c.saved == Refused ? 1 : 0);
        const long inputKiB = (directory.size() + colours.size()) / 1024;
        std::cout << c.name << ": peak memory at most " << exit.peakMemoryKiB / 1024 << " MiB"
                  << std::endl;
        if (kMemoryIsMeasured) {
            // Linear in what was read: ten times its bytes and a fixed cost per
            // line, over a base for the program itself.
            EXPECT_LT(exit.peakMemoryKiB, 200 * 1024 + 10 * inputKiB + directory.count('\n') / 4);
        }

        if (c.saved == AsRead) {
            const QByteArray saved = fileBytes(app.directoryFile());
            EXPECT_TRUE(saved == (directory.endsWith("\r\n") ? directory : directory + "\r\n"));
        } else if (c.saved == OneLinePerEntry) {
            const QByteArray saved = fileBytes(app.directoryFile());
            QStringDecoder utf8(QStringDecoder::Utf8);
            const QString text = utf8.decode(saved);
            EXPECT_FALSE(utf8.hasError());
            EXPECT_TRUE(saved.endsWith("\r\n"));
            EXPECT_EQ(saved.count('\n'), saved.count("\r\n"));
            EXPECT_EQ(saved.count("\r\n"), entryCount(directory));
        } else {
            struct stat st
            {
            };
            ASSERT_EQ(::lstat(QFile::encodeName(app.directoryFile()), &st), 0);
            EXPECT_TRUE(S_ISFIFO(st.st_mode)) << "the directory file was replaced";
        }
        // A colour file that was there is only read; a missing one is made
        // with the Default content, or not at all.
        if (c.colours)
            EXPECT_TRUE(fileBytes(app.keywordFile()) == colours) << "the colour file changed";
        else if (c.makesColours || QFile::exists(app.keywordFile()))
            EXPECT_EQ(fileBytes(app.keywordFile()), testsupport::keywordFileBytes());
        if (c.saved == Refused)
            EXPECT_FALSE(QFile::exists(app.keywordFile()));
        const QString user = platform::GetName();
        QStringList files = folderContents(app.path());
        files.removeOne("colorkeys.dat");
        EXPECT_EQ(files, (QStringList{"quorvel", user, user + "/quorvel.dat"}));
    }
}
