#include "support/fixtures.h"
#include "support/installed.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QThread>
#include <gtest/gtest.h>

#include <csignal>

using testsupport::fileBytes;
using testsupport::writeBytes;

namespace {

// Starts the program and stops it with a signal; the exit code, or -1 when
// it did not exit by itself.
class Installed : public testsupport::InstalledQuorvel
{
public:
    Installed() : InstalledQuorvel(QStringLiteral(QUORVEL_EXECUTABLE)) {}
    void start() { ASSERT_TRUE(InstalledQuorvel::start()) << "the program did not come up"; }
    int stop(int signalNumber)
    {
        const testsupport::ProgramExit exit = InstalledQuorvel::stop(signalNumber);
        EXPECT_TRUE(exit.finished);
        return exit.signal == 0 ? exit.exitCode : -1;
    }
};

} // namespace

TEST(EndToEnd, FirstStartStoppedBySigtermLeavesExactlyTheDefaultFiles)
{
    Installed app;
    app.start();
    EXPECT_EQ(app.stop(SIGTERM), 0);
    // Closing saves, and the day's first save keeps a backup of the file.
    EXPECT_EQ(app.files(), (QStringList{"colorkeys.dat", "quorvel", "quorvel.portable", app.user(),
                                        app.user() + "/backups", app.user() + "/quorvel.dat"}));
    EXPECT_EQ(fileBytes(app.directoryFile()), QByteArray("Default|phone: 555-1234\r\n"));
    EXPECT_EQ(fileBytes(app.path() + "/colorkeys.dat"), testsupport::defaultKeywordFileBytes());
}

TEST(EndToEnd, EverySignalThatEndsASessionSaves)
{
    for (const int signalNumber : {SIGTERM, SIGINT, SIGHUP}) {
        SCOPED_TRACE(signalNumber);
        Installed app;
        QDir().mkpath(app.dataFolder());
        writeBytes(app.directoryFile(), "Ann|1\nBob|2");
        app.start();
        EXPECT_EQ(app.stop(signalNumber), 0);
        EXPECT_EQ(fileBytes(app.directoryFile()), QByteArray("Ann|1\r\nBob|2\r\n"));
    }
}

TEST(EndToEnd, DirectoryFileEdgeCasesRoundTripThroughARealRun)
{
    struct Case
    {
        QByteArray in;
        QByteArray out;
    };
    const Case cases[] = {
        {"", ""},
        {"\r\n\r\n", ""},
        {"<b>Ann|phone: 1\r\n", "<b>Ann|phone: 1\r\n"},
        {"<B>Ann|phone: 1\r\n", "<b>Ann|phone: 1\r\n"},
        {"Ann<b>|phone: 1\r\n", "Ann<b>|phone: 1\r\n"},
        {"<b>A<b>nn|phone: 1\r\n", "<b>Ann|phone: 1\r\n"},
        {"Ann|\r\n|phone: 1\r\n", "Ann|\r\n|phone: 1\r\n"},
        {"Ann|phone: 1\tfax: 2\r\n", "Ann|phone: 1\tfax: 2\r\n"},
        {"Ann|phone: 1|x\r\n", "Ann|phone: 1\r\n"},
        {"Ann|<b>phone: 1\t\t<B>x\r\n", "Ann|<b>phone: 1\t\t<B>x\r\n"},
        {"Ann|1\r\nBob|2", "Ann|1\r\nBob|2\r\n"},
        {"Ann|1\nBob|2\n", "Ann|1\r\nBob|2\r\n"},
        {"Ann|1\r\n\r\nBob\r\n<b>Cy\r\n", "Ann|1\r\nBob|\r\n<b>Cy|\r\n"},
        {"Ren\xe9|\x93quoted\x94\r\n", "Ren\xc3\xa9|\xe2\x80\x9cquoted\xe2\x80\x9d\r\n"},
        {"Zo\xc3\xab|\xe2\x82\xac 5\r\n", "Zo\xc3\xab|\xe2\x82\xac 5\r\n"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.in.toStdString());
        Installed app;
        QDir().mkpath(app.dataFolder());
        writeBytes(app.directoryFile(), c.in);
        app.start();
        EXPECT_EQ(app.stop(SIGTERM), 0);
        EXPECT_EQ(fileBytes(app.directoryFile()), c.out);
        EXPECT_FALSE(QFile::exists(app.lockFile()));
    }
}

TEST(EndToEnd, LockLeftByAKilledCopyIsTakenOver)
{
    Installed app;
    QDir().mkpath(app.dataFolder());
    writeBytes(app.directoryFile(), "Ann|1\r\n");
    app.start();
    app.stop(SIGKILL);
    ASSERT_TRUE(QFile::exists(app.lockFile())) << "a killed copy leaves its lock behind";
    app.start();
    EXPECT_EQ(app.stop(SIGTERM), 0);
    EXPECT_EQ(fileBytes(app.directoryFile()), QByteArray("Ann|1\r\n"));
    EXPECT_FALSE(QFile::exists(app.lockFile()));
}

// The options that open no window work without a display (the platform named
// here does not exist: a window would abort the program) and touch no file.
TEST(EndToEnd, OptionsWithoutAWindowPrintAndTouchNothing)
{
    const struct
    {
        QStringList arguments;
        int exitCode;
        QByteArray out; // what standard output begins with
        QByteArray err; // what standard error begins with; usage follows
    } cases[] = {
        {{"--version"}, 0, "Quorvel 0.2.1\n", ""},
        {{"-h"}, 0, "Usage: ", ""},
        {{"--bogus"}, 2, "", "quorvel: Unknown option 'bogus'.\n\nUsage: "},
        {{"-v", "a.txt"}, 2, "", "quorvel: Unexpected argument 'a.txt'.\n\nUsage: "},
    };
    Installed app;
    app.setEnvironment("QT_QPA_PLATFORM", "none");
    const QStringList before = app.files();
    for (const auto &c : cases) {
        SCOPED_TRACE(c.arguments.join(' ').toStdString());
        const testsupport::ProgramOutput run = app.run(c.arguments);
        EXPECT_EQ(run.exitCode, c.exitCode);
        EXPECT_TRUE(run.out.startsWith(c.out)) << run.out.toStdString();
        EXPECT_TRUE(run.err.startsWith(c.err)) << run.err.toStdString();
        EXPECT_EQ(c.exitCode ? run.out : run.err, QByteArray()) << "printed to the wrong stream";
        EXPECT_EQ(app.files(), before);
        EXPECT_EQ(testsupport::folderContents(app.home()), QStringList());
    }
    // The help names the files the program would use.
    const QByteArray help = app.run({"--help"}).out;
    EXPECT_TRUE(help.contains(QFile::encodeName(app.directoryFile()))) << help.toStdString();
    EXPECT_TRUE(help.contains(QFile::encodeName(app.keywordFile())));
}

// Waits until the file holds the text, or the program has ended.
bool waitForLine(const Installed &app, const QString &file, const QByteArray &text)
{
    QDeadlineTimer deadline(60000);
    while (!fileBytes(file).contains(text)) {
        if (deadline.hasExpired() || app.ended())
            return false;
        QThread::msleep(10);
    }
    return true;
}

// Two real copies: the second asks the first to bring its window forward and
// ends once that is confirmed. The first was started over what a killed copy
// left: its lock and its socket.
// Contacts in and out without a display: an import appends and saves, a
// second one finds the entries already there; while a window holds the data
// folder an import is refused and an export still works.
TEST(EndToEnd, ContactsInAndOutFromTheCommandLine)
{
    Installed app;
    app.setEnvironment("QT_QPA_PLATFORM", "none");
    QDir().mkpath(app.dataFolder());
    writeBytes(app.directoryFile(), "Ann|phone: 1\r\n");
    const QString cards = app.path() + "/cards.vcf";
    writeBytes(cards, "BEGIN:VCARD\r\nVERSION:3.0\r\nFN:Zo\xc3\xab\r\nTEL;TYPE=CELL:555 0101\r\n"
                      "EMAIL:zoe@example.org\r\nEND:VCARD\r\n");
    const QByteArray added =
        "Ann|phone: 1\r\nZo\xc3\xab|mobile: 555 0101\te-mail: zoe@example.org\r\n";
    for (const char *summary :
         {": 1 added, 0 already there, 0 skipped\n", ": 0 added, 1 already there, 0 skipped\n"}) {
        const testsupport::ProgramOutput run = app.run({"--import", cards});
        EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
        EXPECT_EQ(run.out, QFile::encodeName(cards) + summary);
        EXPECT_EQ(fileBytes(app.directoryFile()), added);
    }

    Installed window;
    QDir().mkpath(window.dataFolder());
    writeBytes(window.directoryFile(), added);
    window.start();
    window.setEnvironment("QT_QPA_PLATFORM", "none");
    const testsupport::ProgramOutput refused = window.run({"--import", cards});
    EXPECT_EQ(refused.exitCode, 1);
    EXPECT_TRUE(refused.err.contains("running")) << refused.err.toStdString();
    const QString out = window.path() + "/out.vcf";
    const testsupport::ProgramOutput exported = window.run({"--export", out});
    EXPECT_EQ(exported.exitCode, 0) << exported.err.toStdString();
    EXPECT_TRUE(fileBytes(out).startsWith("BEGIN:VCARD\r\nVERSION:3.0\r\nFN:Ann\r\n"));
    EXPECT_EQ(window.stop(SIGTERM), 0);
    EXPECT_EQ(fileBytes(window.directoryFile()), added);
}

TEST(EndToEnd, SecondStartBringsTheFirstWindowForward)
{
    Installed app;
    const QString log = app.home() + "/first.log";
    app.setErrorFile(log);
    app.setEnvironment("QT_LOGGING_RULES", "quorvel.handover.debug=true");
    app.start();
    ASSERT_TRUE(waitForLine(app, log, "listening at"));
    app.stop(SIGKILL);
    app.start();
    ASSERT_TRUE(waitForLine(app, log, "listening at"));

    EXPECT_EQ(app.run({}, 20000).exitCode, 0);
    EXPECT_TRUE(waitForLine(app, log, "window brought forward and active"))
        << fileBytes(log).toStdString();
    EXPECT_EQ(app.stop(SIGTERM), 0);
}
