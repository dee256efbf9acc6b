// The real program: the files it leaves, the signals that end it, hostile files at start-up.

#include "support/fixtures.h"
#include "support/installed.h"

#include <QDeadlineTimer>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QThread>

#include <csignal>
#include <iostream>
#include <sys/stat.h>
#include <unistd.h>

namespace {

using namespace testsupport;

struct Installed : InstalledQuorvel
{
    // Run over a directory of these bytes (null: none), ended by a signal: exit code, -1 if killed.
    int runOver(const char *directory, int signalNumber)
    {
        if (directory) {
            QDir().mkpath(dataFolder());
            writeBytes(directoryFile(), directory);
        }
        EXPECT_TRUE(start()) << "the program did not come up";
        const ProgramExit exit = stop(signalNumber);
        return exit.finished && exit.signal == 0 ? exit.exitCode : -1;
    }
};

// The names in folderContents' order: the login name sorts anywhere among them.
QStringList sorted(QStringList names)
{
    names.sort();
    return names;
}

TEST(EndToEnd, FirstStartLeavesExactlyTheDefaultFiles)
{
    Installed app;
    EXPECT_EQ(app.runOver(nullptr, SIGTERM), 0);
    const QString user = platform::GetName();
    EXPECT_EQ(folderContents(app.path()),
              sorted({"colorkeys.dat", "quorvel", "quorvel.portable", user, user + "/quorvel.dat",
                      user + "/quorvel.ids"}));
    EXPECT_EQ(fileBytes(app.directoryFile()), "Default|phone: 555-1234\r\n");
    EXPECT_EQ(fileBytes(app.keywordFile()), keywordFileBytes());
}

// Every signal that ends a session saves; a killed copy's lock is taken over.
TEST(EndToEnd, EverySignalThatEndsASessionSaves)
{
    Installed app;
    for (const int signalNumber : {SIGKILL, SIGTERM, SIGINT, SIGHUP}) {
        const bool killed = signalNumber == SIGKILL;
        EXPECT_EQ(app.runOver("Ann|1\nBob|2", signalNumber), killed ? -1 : 0) << signalNumber;
        EXPECT_EQ(fileBytes(app.directoryFile()), killed ? "Ann|1\nBob|2" : "Ann|1\r\nBob|2\r\n");
    }
}

QByteArray randomBytes(qsizetype size, quint32 seed)
{
    QByteArray bytes(size, Qt::Uninitialized);
    QRandomGenerator(seed).fillRange(reinterpret_cast<quint32 *>(bytes.data()), size / 4);
    return bytes;
}

TEST(FaultStartup, HostileFilesNeitherCrashNorGrowMemoryNorWriteWhatWasNotAsked)
{
    // Closing writes the file as read (it is in normal form), one line per
    // entry, or nothing (start refused). Files are made as their case runs: the
    // test's memory when it starts the program counts in the program's peak.
    enum Saved { AsRead, OneLinePerEntry, Refused };
    const std::tuple<const char *, std::function<QByteArray()>, Saved> cases[] = {
        {"directory file of random bytes", [] { return randomBytes(1 << 20, 1); }, OneLinePerEntry},
        {"10 MB name and 10 MB of number lines",
         [] {
             return QByteArray(10'000'000, 'N') + '|' +
                    ("phone: " + QByteArray(9992, 'x') + '\t').repeated(1000);
         },
         AsRead},
        {"1,000,000 entries",
         [] {
             QByteArray bytes;
             for (int i = 0; i < 1'000'000; ++i)
                 bytes += "Entry " + QByteArray::number(i) + "|phone: 1\r\n";
             return bytes;
         },
         AsRead},
        {"FIFO as the directory file", [] { return QByteArray(); }, Refused},
        // Random bytes, a keyword of 1 MB and a colour number of 1 MB.
        {"hostile colour file", [] { return QByteArray("Ann|phone: 1\tfax: 2\r\n"); }, AsRead}};
    for (const auto &[name, makeDirectory, saved] : cases) {
        SCOPED_TRACE(name);
        Installed app;
        const QByteArray directory = makeDirectory();
        const bool hostileColours = QByteArray(name) == "hostile colour file";
        const QByteArray colours = hostileColours ? randomBytes(1 << 20, 2) + "\r\n" +
                                                        QByteArray(1 << 20, 'k') + "\t1,2,3\r\n\t" +
                                                        QByteArray(1 << 20, '9') + ",0,0\r\n"
                                                  : QByteArray();
        QDir().mkpath(app.dataFolder());
        if (saved == Refused)
            ASSERT_TRUE(makeAt(app.directoryFile(), "FIFO"));
        else
            writeBytes(app.directoryFile(), directory);
        if (hostileColours)
            writeBytes(app.keywordFile(), colours);
        ASSERT_TRUE(app.start()) << "the program did not come up";
        const ProgramExit exit = app.stop(SIGTERM, 300000);
        ASSERT_TRUE(exit.finished) << "it did not end within 5 minutes of SIGTERM";
        EXPECT_EQ(exit.signal, 0);
        EXPECT_EQ(exit.exitCode, saved == Refused ? 1 : 0);
        std::cout << name << ": peak memory at most " << exit.peakMemoryKiB / 1024 << " MiB\n";
#if !defined(__SANITIZE_ADDRESS__) // which changes memory use most
        // A base, ten times the bytes read and a cost per line.
        EXPECT_LT(exit.peakMemoryKiB, 200 * 1024 + 10 * (directory.size() + colours.size()) / 1024 +
                                          directory.count('\n') / 4);
#endif
        struct stat st = {};
        EXPECT_TRUE(
            saved != Refused ||
            (::lstat(QFile::encodeName(app.directoryFile()), &st) == 0 && S_ISFIFO(st.st_mode)))
            << "the directory file was replaced";
        const QByteArray written = saved == Refused ? QByteArray() : fileBytes(app.directoryFile());
        if (saved == AsRead) {
            EXPECT_TRUE(written == (directory.endsWith("\r\n") ? directory : directory + "\r\n"));
        } else if (saved == OneLinePerEntry) { // one per line but empty ones
            QByteArray lines = directory;
            lines.replace("\r\n", "\n").replace('\r', '\n'); // CR LF, CR and LF end a line
            qsizetype entries = 0;
            for (const QByteArray &line : lines.split('\n'))
                entries += line.isEmpty() ? 0 : 1;
            EXPECT_TRUE(QByteArrayView(written).isValidUtf8() && written.endsWith("\r\n"));
            EXPECT_EQ(written.count('\n'), written.count("\r\n"));
            EXPECT_EQ(written.count("\r\n"), entries);
        }
        // A colour file is only read; a missing one is made with the Default content.
        const QByteArray keywords = fileBytes(app.keywordFile());
        if (hostileColours) {
            EXPECT_TRUE(keywords == colours) << "the colour file changed";
        } else if (saved == AsRead || QFile::exists(app.keywordFile())) {
            EXPECT_EQ(keywords, keywordFileBytes());
        }
        const QString user = platform::GetName();
        QStringList files =
            folderContents(app.path()).filter(QRegularExpression("^[^/]*(/[^/]*)?$"));
        files.removeOne("colorkeys.dat");
        files.removeOne(user + "/backups");
        if (saved == OneLinePerEntry) { // empty lines: the file as read is kept, and told
            const QStringList kept = files.filter(".as-read-");
            ASSERT_EQ(kept.size(), 1);
            EXPECT_TRUE(fileBytes(app.path() + '/' + kept[0]) == directory);
            EXPECT_TRUE(files.removeOne(kept[0]) && files.removeOne(user + "/quorvel.notice"));
        }
        EXPECT_EQ(files.removeOne(user + "/quorvel.ids"), saved != Refused);
        EXPECT_EQ(files, sorted({"quorvel", "quorvel.portable", user, user + "/quorvel.dat"}));
        EXPECT_TRUE(saved != Refused || !QFile::exists(app.keywordFile()));
    }
}

TEST(EndToEnd, OptionsWithoutAWindowPrintAndTouchNothing)
{
    // Arguments, exit code, what standard output and error begin with (usage follows).
    const std::tuple<QStringList, int, QByteArray, QByteArray> cases[] = {
        {{"--version"}, 0, "Quorvel 0.2.1\n", ""},
        {{"-h"}, 0, "Usage: ", ""},
        {{"--bogus"}, 2, "", "quorvel: Unknown option 'bogus'.\n\nUsage: "},
        {{"-v", "a.txt"}, 2, "", "quorvel: Unexpected argument 'a.txt'.\n\nUsage: "},
    };
    Installed app;
    app.setEnvironment("QT_QPA_PLATFORM", "none");
    const QStringList before = folderContents(app.path());
    for (const auto &[arguments, exitCode, out, err] : cases) {
        SCOPED_TRACE(arguments.join(' ').toStdString());
        const ProgramOutput run = app.run(arguments);
        EXPECT_EQ(run.exitCode, exitCode);
        EXPECT_TRUE(run.out.startsWith(out)) << run.out.toStdString();
        EXPECT_TRUE(run.err.startsWith(err)) << run.err.toStdString();
        EXPECT_EQ(exitCode ? run.out : run.err, QByteArray()) << "printed to the wrong stream";
        EXPECT_EQ(folderContents(app.path()), before);
        EXPECT_EQ(folderContents(app.home()), QStringList());
    }
    const QByteArray help = app.run({"--help"}).out;
    EXPECT_TRUE(help.contains(QFile::encodeName(app.directoryFile()))) << help.toStdString();
    EXPECT_TRUE(help.contains(QFile::encodeName(app.keywordFile())));
}

// Without a display an import saves (a second finds the entries there) and export works; an
// import is refused while a window holds the folder.
TEST(EndToEnd, ContactsInAndOutFromTheCommandLine)
{
    Installed app;
    app.setEnvironment("QT_QPA_PLATFORM", "none");
    QDir().mkpath(app.dataFolder());
    writeBytes(app.directoryFile(), "Ann|phone: 1\r\n");
    const QString cards = app.path() + "/cards.vcf";
    writeBytes(cards, "BEGIN:VCARD\r\nVERSION:3.0\r\nFN:Zo\xc3\xab\r\n"
                      "TEL;TYPE=CELL:555 0101\r\nEMAIL:zoe@example.org\r\n"
                      "END:VCARD\r\n");
    const QByteArray added =
        "Ann|phone: 1\r\nZo\xc3\xab|mobile: 555 0101\te-mail: zoe@example.org\r\n";
    for (const char *summary : {": 1 added, 0 updated, 0 already there, 0 skipped\n",
                                ": 0 added, 0 updated, 1 already there, 0 skipped\n"}) {
        const ProgramOutput run = app.run({"--import", cards});
        EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
        EXPECT_EQ(run.out, QFile::encodeName(cards) + summary);
        EXPECT_EQ(fileBytes(app.directoryFile()), added);
    }

    app.setEnvironment("QT_QPA_PLATFORM", "offscreen");
    ASSERT_TRUE(app.start());
    const ProgramOutput refused = app.run({"--import", cards});
    EXPECT_EQ(refused.exitCode, 1);
    EXPECT_TRUE(refused.err.contains("running")) << refused.err.toStdString();
    const QString out = app.path() + "/out.vcf";
    const ProgramOutput exported = app.run({"--export", out});
    EXPECT_EQ(exported.exitCode, 0) << exported.err.toStdString();
    EXPECT_TRUE(fileBytes(out).startsWith("BEGIN:VCARD\r\nVERSION:3.0\r\nFN:Ann\r\n"));
    EXPECT_EQ(app.stop(SIGTERM).exitCode, 0);
    EXPECT_EQ(fileBytes(app.directoryFile()), added);
}

// A data folder others may write to is refused, for every user, before
// anything is read or written: exit code 1, the folder and the fix said.
TEST(EndToEnd, DataFolderOthersMayWriteIsRefused)
{
    Installed app;
    app.setEnvironment("QT_QPA_PLATFORM", "none");
    QDir().mkpath(app.dataFolder());
    writeBytes(app.directoryFile(), "Ann|1\r\n");
    const QStringList before = folderContents(app.path());
    for (const auto &[mode, option] : {std::pair{0770, "--import"}, {0702, "--export"}}) {
        ASSERT_EQ(::chmod(QFile::encodeName(app.dataFolder()), mode_t(mode)), 0);
        const ProgramOutput run = app.run({option, app.path() + "/cards.vcf"});
        EXPECT_EQ(run.exitCode, 1);
        EXPECT_TRUE(run.err.contains(("chmod go-w " + app.dataFolder() + '\n').toLocal8Bit()))
            << run.err.toStdString();
        EXPECT_EQ(folderContents(app.path()), before);
    }
}

// A save cut short left its version, and another program writes the directory file just as
// an import puts its version in place: both are kept beside the file and named on standard
// error; the import is saved and succeeds.
TEST(EndToEnd, AnInterruptedSaveAndAVersionWrittenDuringTheSaveAreKept)
{
    Installed app;
    app.setEnvironment("QT_QPA_PLATFORM", "none");
    QDir().mkpath(app.dataFolder());
    writeBytes(app.directoryFile(), "Ann|phone: 1\r\n");
    writeBytes(app.dataFolder() + "/.quorvel.dat.~quorvel-unsaved-00000000000000aa", "Ann|x\r\nB");
    const QString cards = app.path() + "/cards.vcf";
    writeBytes(cards, "BEGIN:VCARD\r\nVERSION:3.0\r\nFN:Zoe\r\nTEL:2\r\nEND:VCARD\r\n");
    app.setEnvironment("LD_PRELOAD", RACE_SHIM);
    app.setEnvironment("ASAN_OPTIONS", qgetenv("ASAN_OPTIONS") + ":verify_asan_link_order=0");
    app.setEnvironment("QUORVEL_RACE_CONTENT", "Other|phone: 3\r\n");
    const ProgramOutput run = app.run({"--import", cards});
    EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_EQ(fileBytes(app.directoryFile()), "Ann|phone: 1\r\nZoe|phone: 2\r\n");
    const QStringList kept =
        QDir(app.dataFolder())
            .entryList({"quorvel.dat.*", ".quorvel*"}, QDir::Files | QDir::Hidden);
    ASSERT_EQ(kept.size(), 2) << kept.join(' ').toStdString();
    const std::pair<QString, QByteArray> expected[] = {{"interrupted-", "Ann|x\r\nB"},
                                                       {"outside-", "Other|phone: 3\r\n"}};
    for (int i = 0; i < 2; ++i) {
        const QString path = app.dataFolder() + '/' + kept[i];
        EXPECT_TRUE(kept[i].startsWith("quorvel.dat." + expected[i].first))
            << kept[i].toStdString();
        EXPECT_EQ(fileBytes(path), expected[i].second);
        EXPECT_TRUE(run.err.contains(QFile::encodeName(path))) << run.err.toStdString();
    }
}

// Refusals only an ordinary user meets (root may read and write anything): each
// names the file or folder and the reason, ends with exit code 1, changes nothing.
TEST(EndToEnd, RefusedPermissionsAreNamedAndChangeNothing)
{
    if (::geteuid() == 0)
        GTEST_SKIP() << "root is refused no permission; run the suite as an ordinary user";
    Installed app;
    app.setEnvironment("QT_QPA_PLATFORM", "none");
    QDir().mkpath(app.dataFolder());
    const QByteArray directory = "Ann|phone: 1\r\n";
    writeBytes(app.directoryFile(), directory);
    const QString cards = app.path() + "/cards.vcf", readOnly = app.path() + "/read-only";
    writeBytes(cards, "BEGIN:VCARD\r\nVERSION:3.0\r\nFN:Zo\r\nEND:VCARD\r\n");
    QDir().mkpath(readOnly);
    // What is made unreadable or unwritable, its mode, the arguments, what the error names.
    const QString file = app.directoryFile(), out = readOnly + "/out.vcf",
                  denied = "Permission denied";
    const std::tuple<QString, int, QStringList, QStringList> cases[] = {
        {file, 0200, {"--import", cards}, {file, denied}},
        {file, 0200, {"--export", cards + ".csv"}, {file, denied}},
        {app.dataFolder(), 0500, {"--import", cards}, {file, denied}},
        {cards, 0200, {"--import", cards}, {cards, denied}},
        {readOnly, 0500, {"--export", out}, {out, denied}},
        {app.path(), 0500, {"--import", cards}, {app.dataFolder(), "could not be created"}},
    };
    for (const auto &[path, mode, arguments, named] : cases) {
        SCOPED_TRACE((path + " refused; " + arguments.join(' ')).toStdString());
        const bool noDataFolder = path == app.path();
        if (noDataFolder)
            QDir(app.dataFolder()).removeRecursively();
        const QStringList before = folderContents(app.path());
        const int oldMode = modeOf(path);
        ASSERT_EQ(::chmod(QFile::encodeName(path), mode), 0);
        const ProgramOutput run = app.run(arguments);
        ASSERT_EQ(::chmod(QFile::encodeName(path), oldMode), 0);
        EXPECT_EQ(run.exitCode, 1);
        for (const QString &name : named)
            EXPECT_TRUE(run.err.contains(name.toLocal8Bit())) << run.err.toStdString();
        EXPECT_EQ(folderContents(app.path()), before);
        EXPECT_TRUE(noDataFolder || fileBytes(app.directoryFile()) == directory);
    }
}

// Waits until the file holds the text, or the program has ended.
bool waitForLine(const Installed &app, const QString &file, const QByteArray &text)
{
    for (QDeadlineTimer deadline(60000); !fileBytes(file).contains(text); QThread::msleep(10)) {
        if (deadline.hasExpired() || app.ended())
            return false;
    }
    return true;
}

// A second copy has the first (started over a killed one's lock) bring its window forward,
// and import the files it was opened with.
TEST(EndToEnd, SecondStartBringsTheFirstWindowForwardWithItsFiles)
{
    Installed app;
    const QString log = app.home() + "/first.log";
    app.setErrorFile(log);
    app.setEnvironment("QT_LOGGING_RULES", "quorvel.handover.debug=true");
    ASSERT_TRUE(app.start());
    ASSERT_TRUE(waitForLine(app, log, "listening at"));
    app.stop(SIGKILL);
    ASSERT_TRUE(app.start());
    ASSERT_TRUE(waitForLine(app, log, "listening at"));

    EXPECT_EQ(app.run({}, 20000).exitCode, 0);
    EXPECT_TRUE(waitForLine(app, log, "window brought forward and active"))
        << fileBytes(log).toStdString();

    // Given relative to the second copy's folder, with a tab in the name.
    writeBytes(app.home() + "/a\tcard.vcf", "BEGIN:VCARD\r\nVERSION:3.0\r\nFN:Zoe\r\n"
                                            "TEL:555 0101\r\nEND:VCARD\r\n");
    const QString before = QDir::currentPath();
    QDir::setCurrent(app.home());
    EXPECT_EQ(app.run({"a\tcard.vcf"}, 20000).exitCode, 0);
    QDir::setCurrent(before);
    EXPECT_TRUE(waitForLine(app, app.directoryFile(), "Zoe|phone: 555 0101\r\n"))
        << fileBytes(app.directoryFile()).toStdString();
    EXPECT_EQ(app.stop(SIGTERM).exitCode, 0);
}

} // namespace
