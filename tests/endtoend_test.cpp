#include "support/fixtures.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QThread>

#include <csignal>

using testsupport::fileBytes;

namespace {

// The real executable, copied into a fresh application folder and run
// offscreen, as a user would start it from a folder of their own.
class Installed : public testsupport::AppFolder
{
public:
    using AppFolder::AppFolder;
    QString lockFile() const { return dataFolder() + "/quorvel.lock"; }

    // Starts the program, copied in on the first start, and waits until it is up.
    void start()
    {
        QFile::copy(QStringLiteral(QUORVEL_EXECUTABLE), path() + "/quorvel");
        process_ = std::make_unique<QProcess>();
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("QT_QPA_PLATFORM", "offscreen");
        process_->setProcessEnvironment(env);
        process_->setProcessChannelMode(QProcess::ForwardedErrorChannel);
        process_->start(path() + "/quorvel", {});
        ASSERT_TRUE(process_->waitForStarted());
        // The lock file names this process once the program holds its data
        // folder; by then its signal handling is in place.
        const QByteArray pid = QByteArray::number(process_->processId()) + '\n';
        QDeadlineTimer deadline(30000);
        while (!fileBytes(lockFile()).startsWith(pid) && !deadline.hasExpired() &&
               process_->state() == QProcess::Running)
            QThread::msleep(10);
        ASSERT_TRUE(fileBytes(lockFile()).startsWith(pid)) << "the program did not come up";
    }

    // Sends a signal and waits for the program to end; returns its exit code.
    int stop(int signalNumber)
    {
        ::kill(static_cast<pid_t>(process_->processId()), signalNumber);
        EXPECT_TRUE(process_->waitForFinished(30000));
        return process_->exitStatus() == QProcess::NormalExit ? process_->exitCode() : -1;
    }

private:
    std::unique_ptr<QProcess> process_;
};

} // namespace

TEST(EndToEnd, FirstStartStoppedBySigtermLeavesExactlyTheDefaultFiles)
{
    Installed app;
    app.start();
    EXPECT_EQ(app.stop(SIGTERM), 0);
    const QString user = QDir(app.path()).relativeFilePath(app.dataFolder());
    EXPECT_EQ(testsupport::folderContents(app.path()),
              (QStringList{"colorkeys.dat", "quorvel", user, user + "/quorvel.dat"}));
    EXPECT_EQ(app.directoryBytes(), QByteArray("Default|phone: 555-1234\r\n"));
    EXPECT_EQ(fileBytes(app.keywordFile()), testsupport::defaultKeywordFileBytes());
}

// Each signal that ends a session closes the window the normal way, so the
// directory is saved; what a real run writes back from the edge cases.
TEST(EndToEnd, EverySignalSavesAndEdgeCasesRoundTrip)
{
    const std::tuple<int, QByteArray, QByteArray> cases[] = {
        // Bold markers in any case and place, a missing and an extra "|", an
        // empty line, LF-only lines, no final line end, Windows-1252 bytes.
        {SIGTERM,
         "<B>Ann|phone: 1\tfax: 2\r\nAnn<b>|x\r\n<b>A<b>nn|1|old\r\n\r\nBob\n|<b>2\t\t<B>x\n"
         "Ren\xe9|\x93q\x94",
         "<b>Ann|phone: 1\tfax: 2\r\nAnn<b>|x\r\n<b>Ann|1\r\nBob|\r\n|<b>2\t\t<B>x\r\n"
         "Ren\xc3\xa9|\xe2\x80\x9cq\xe2\x80\x9d\r\n"},
        {SIGINT, "Zo\xc3\xab|\xe2\x82\xac 5\r\n<b>Cy\r\n",
         "Zo\xc3\xab|\xe2\x82\xac 5\r\n<b>Cy|\r\n"},
        {SIGHUP, "\r\n\r\n", ""}, // no entries are written as zero bytes
        {SIGTERM, "", ""}};
    for (const auto &[signalNumber, in, out] : cases) {
        SCOPED_TRACE(in.toStdString());
        Installed app(in);
        app.start();
        EXPECT_EQ(app.stop(signalNumber), 0);
        EXPECT_EQ(app.directoryBytes(), out);
        EXPECT_FALSE(QFile::exists(app.lockFile()));
    }
}

TEST(EndToEnd, LockLeftByAKilledCopyIsTakenOver)
{
    Installed app("Ann|1\r\n");
    app.start();
    app.stop(SIGKILL);
    ASSERT_TRUE(QFile::exists(app.lockFile())) << "a killed copy leaves its lock behind";
    app.start();
    EXPECT_EQ(app.stop(SIGTERM), 0);
    EXPECT_EQ(app.directoryBytes(), QByteArray("Ann|1\r\n"));
    EXPECT_FALSE(QFile::exists(app.lockFile()));
}
