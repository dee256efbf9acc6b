#include "core/keywordfile.h"
#include "platform/system.h"
#include "support/fixtures.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <gtest/gtest.h>

#include <csignal>

using testsupport::fileBytes;
using testsupport::writeBytes;

namespace {

// The real executable, copied into a fresh application folder and run
// offscreen, as a user would start it from a folder of their own.
class Installed
{
public:
    Installed()
    {
        exe_ = dir_.filePath("quorvel");
        QFile::copy(QStringLiteral(QUORVEL_EXECUTABLE), exe_);
        user_ = platform::GetName();
    }
    QString path() const { return dir_.path(); }
    QString dataFolder() const { return dir_.filePath(user_); }
    QString directoryFile() const { return dataFolder() + "/quorvel.dat"; }
    QString lockFile() const { return dataFolder() + "/quorvel.lock"; }

    void start()
    {
        process_ = std::make_unique<QProcess>();
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("QT_QPA_PLATFORM", "offscreen");
        process_->setProcessEnvironment(env);
        process_->setProcessChannelMode(QProcess::ForwardedErrorChannel);
        process_->start(exe_, {});
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

    QStringList files() const
    {
        QStringList names;
        QDir dir(path());
        for (const QString &name :
             dir.entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot, QDir::Name)) {
            names.append(name);
            if (QFileInfo(dir.filePath(name)).isDir())
                for (const QString &inner :
                     QDir(dir.filePath(name))
                         .entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot,
                                    QDir::Name))
                    names.append(name + '/' + inner);
        }
        return names;
    }

    QString user() const { return user_; }

private:
    QTemporaryDir dir_;
    QString exe_;
    QString user_;
    std::unique_ptr<QProcess> process_;
};

} // namespace

TEST(EndToEnd, FirstStartStoppedBySigtermLeavesExactlyTheDefaultFiles)
{
    Installed app;
    app.start();
    EXPECT_EQ(app.stop(SIGTERM), 0);
    EXPECT_EQ(app.files(),
              (QStringList{"colorkeys.dat", "quorvel", app.user(), app.user() + "/quorvel.dat"}));
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
