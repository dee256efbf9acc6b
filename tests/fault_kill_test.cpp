// The real program killed with SIGKILL at random moments while it saves a
// directory of 100,000 entries. Whatever the moment, the directory file is
// afterwards exactly the old bytes or exactly the new ones, and the next
// start clears whatever the cut-short save left beside it.

#include "support/fixtures.h"
#include "support/installed.h"

#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QRandomGenerator>
#include <QThread>

#include <algorithm>
#include <csignal>
#include <iostream>

using testsupport::fileBytes;

namespace {

// As an older or hand-edited file may be (LF line ends, upper-case bold
// markers), and as the program writes the same entries (CR LF, "<b>").
QByteArray directoryBytes(bool asWritten)
{
    QByteArray bytes;
    for (int i = 0; i < 100000; ++i) {
        if (i % 7 == 0)
            bytes += asWritten ? "<b>" : "<B>";
        bytes += "Name " + QByteArray::number(i) + "|phone: " + QByteArray::number(i) +
                 (asWritten ? "\r\n" : "\n");
    }
    return bytes;
}

int envInt(const char *name, int fallback)
{
    bool ok = false;
    const int value = qEnvironmentVariableIntValue(name, &ok);
    return ok && value > 0 ? value : fallback;
}

struct Installed : testsupport::InstalledQuorvel
{
    // Puts the old directory in place and starts the program; returns once
    // it has loaded the directory, which it shows by creating the missing
    // keyword colour file for the first entry's number lines.
    bool startOver(const QByteArray &directory)
    {
        QDir().mkpath(dataFolder());
        testsupport::writeBytes(directoryFile(), directory);
        QFile::remove(keywordFile());
        QDeadlineTimer deadline(120000);
        bool started = start();
        while (started && !QFile::exists(keywordFile()) && !deadline.hasExpired() && !ended())
            QThread::msleep(2);
        return started && QFile::exists(keywordFile());
    }
    // True while the program has its temporary save file open: the new
    // directory file being written.
    bool isWritingTheNewFile() const
    {
        const QDir fds(QStringLiteral("/proc/%1/fd").arg(pid()));
        for (const QString &fd :
             fds.entryList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot)) {
            if (QFile::symLinkTarget(fds.filePath(fd)).contains("/.quorvel.dat.~quorvel-unsaved-"))
                return true;
        }
        return false;
    }
};

TEST(FaultKill, KilledWhileSavingLeavesTheOldOrTheNewFileWhole)
{
    const QByteArray oldBytes = directoryBytes(false);
    const QByteArray newBytes = directoryBytes(true);
    Installed app;

    // A clean save first writes the new bytes. It gives the span from SIGTERM
    // to exit, and how long the new file is open while it is written, synced
    // and put in place.
    ASSERT_TRUE(app.startOver(oldBytes));
    QElapsedTimer timer;
    timer.start();
    app.signal(SIGTERM);
    qint64 writeSeen = -1;
    qint64 writeMicroseconds = 0;
    while (!app.ended()) {
        if (app.isWritingTheNewFile()) {
            writeSeen = writeSeen < 0 ? timer.nsecsElapsed() / 1000 : writeSeen;
            writeMicroseconds = timer.nsecsElapsed() / 1000 - writeSeen;
        }
        QThread::usleep(100);
    }
    const qint64 spanMicroseconds = timer.nsecsElapsed() / 1000;
    ASSERT_EQ(app.wait().exitCode, 0);
    ASSERT_TRUE(fileBytes(app.directoryFile()) == newBytes);

    const int rounds = envInt("QUORVEL_KILL_ROUNDS", 40);
    const auto seed =
        quint32(envInt("QUORVEL_KILL_SEED", QRandomGenerator::system()->bounded(1 << 30)));
    QRandomGenerator random(seed);
    int keptOld = 0;
    int killedMidWrite = 0;
    for (int round = 0; round < rounds; ++round) {
        SCOPED_TRACE(testing::Message() << "seed " << seed << ", round " << round);
        ASSERT_TRUE(app.startOver(oldBytes));
        // What an earlier round's kill left beside the file is gone once it runs.
        ASSERT_EQ(testsupport::folderContents(app.dataFolder()),
                  (QStringList{"quorvel.dat", "quorvel.lock"}));
        // Every other kill aims at the save itself: once the new file is seen
        // open, within the time it stays open. The others fall anywhere from
        // SIGTERM to exit.
        app.signal(SIGTERM);
        QDeadlineTimer deadline(60000);
        while (round % 2 && !app.isWritingTheNewFile() && !app.ended() && !deadline.hasExpired())
            QThread::usleep(50);
        QThread::usleep(random.bounded((round % 2 ? writeMicroseconds : spanMicroseconds) + 1));
        killedMidWrite += app.isWritingTheNewFile() ? 1 : 0;
        ASSERT_TRUE(app.stop(SIGKILL).finished);

        const QByteArray after = fileBytes(app.directoryFile());
        ASSERT_TRUE(after == oldBytes || after == newBytes)
            << "the file has " << after.size() << " bytes, neither the old " << oldBytes.size()
            << " nor the new " << newBytes.size();
        keptOld += after == oldBytes ? 1 : 0;
    }
    // A last clean run saves the new bytes and leaves nothing else behind.
    ASSERT_TRUE(app.startOver(oldBytes));
    EXPECT_EQ(app.stop(SIGTERM).exitCode, 0);
    EXPECT_TRUE(fileBytes(app.directoryFile()) == newBytes);
    EXPECT_EQ(testsupport::folderContents(app.dataFolder()), QStringList{"quorvel.dat"});
    std::cout << "kill rounds: " << rounds << " (seed " << seed << "), old file kept " << keptOld
              << ", new file complete " << rounds - keptOld << ", killed while the new file was "
              << "being written " << killedMidWrite << std::endl;
}

} // namespace
