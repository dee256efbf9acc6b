// The real program killed with SIGKILL at random moments while it saves a
// directory of 100,000 entries. Whatever the moment, the directory file is
// afterwards exactly the old bytes or exactly the new ones, and the next
// start clears whatever the cut-short save left beside it.

#include "support/fixtures.h"
#include "support/installed.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QThread>
#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <iostream>
#include <unistd.h>

using testsupport::fileBytes;
using testsupport::writeBytes;

namespace {

constexpr int kEntries = 100000;

// Written as an older or hand-edited file may be: LF line ends and
// upper-case bold markers (newFile false). The program reads the same entries
// and writes them with CR LF and "<b>" (newFile true), so every line differs.
QByteArray directoryBytes(bool newFile)
{
    QByteArray bytes;
    for (int i = 0; i < kEntries; ++i) {
        if (i % 7 == 0)
            bytes += newFile ? "<b>" : "<B>";
        bytes += "Name " + QByteArray::number(i) + "|phone: " + QByteArray::number(i) +
                 "\tfax: " + QByteArray::number(kEntries - i) + (newFile ? "\r\n" : "\n");
    }
    return bytes;
}

int envInt(const char *name, int fallback)
{
    bool ok = false;
    const int value = qEnvironmentVariableIntValue(name, &ok);
    return ok && value > 0 ? value : fallback;
}

class Installed : public testsupport::InstalledQuorvel
{
public:
    Installed() : InstalledQuorvel(QStringLiteral(QUORVEL_EXECUTABLE)) {}

    // Puts the old directory in place and starts the program; returns once
    // it has loaded the directory, which it shows by creating the missing
    // keyword colour file for the first entry's number lines.
    bool startOver(const QByteArray &directory)
    {
        QDir().mkpath(dataFolder());
        writeBytes(directoryFile(), directory);
        QFile::setPermissions(directoryFile(), QFile::ReadOwner | QFile::WriteOwner);
        QFile::remove(keywordFile());
        if (!start())
            return false;
        QDeadlineTimer deadline(120000);
        while (!QFile::exists(keywordFile())) {
            if (deadline.hasExpired() || ended())
                return false;
            QThread::msleep(2);
        }
        return true;
    }

    // True when the program has its temporary save file open in the data
    // folder: the new directory file being written.
    bool isWritingUnnamedFile() const
    {
        const QDir fds(QStringLiteral("/proc/%1/fd").arg(pid()));
        const QByteArray unnamed =
            QFile::encodeName(dataFolder()) + "/.quorvel.dat.~quorvel-unsaved-";
        for (const QString &fd :
             fds.entryList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot)) {
            char target[4096];
            const ssize_t size =
                ::readlink(QFile::encodeName(fds.filePath(fd)).constData(), target, sizeof target);
            if (size > 0 && QByteArray(target, size).startsWith(unnamed))
                return true;
        }
        return false;
    }

    // What stands beside the directory file, the day's backups aside.
    QStringList dataFolderFiles() const
    {
        QStringList names =
            QDir(dataFolder())
                .entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot, QDir::Name);
        names.removeAll("backups");
        return names;
    }
};

TEST(FaultKill, KilledWhileSavingLeavesTheOldOrTheNewFileWhole)
{
    const QByteArray oldBytes = directoryBytes(false);
    const QByteArray newBytes = directoryBytes(true);
    ASSERT_NE(oldBytes, newBytes);
    Installed app;

    // Clean saves first: each writes the new bytes. They give the span from
    // SIGTERM to exit, and how long the new file is open while it is written,
    // synced and put in place (watched through the program's open files).
    qint64 spanMicroseconds = 0;
    qint64 writeMicroseconds = 0;
    for (int i = 0; i < 3; ++i) {
        ASSERT_TRUE(app.startOver(oldBytes));
        QElapsedTimer timer;
        timer.start();
        app.signal(SIGTERM);
        qint64 writeSeen = -1;
        while (!app.ended()) {
            const qint64 now = timer.nsecsElapsed() / 1000;
            if (app.isWritingUnnamedFile()) {
                writeSeen = writeSeen < 0 ? now : writeSeen;
                writeMicroseconds = std::max(writeMicroseconds, now - writeSeen);
            }
            QThread::usleep(100);
        }
        spanMicroseconds = std::max(spanMicroseconds, timer.nsecsElapsed() / 1000);
        const testsupport::ProgramExit exit = app.wait();
        ASSERT_EQ(exit.exitCode, 0);
        ASSERT_EQ(fileBytes(app.directoryFile()), newBytes);
    }

    const int rounds = envInt("QUORVEL_KILL_ROUNDS", 40);
    const quint32 seed = static_cast<quint32>(envInt(
        "QUORVEL_KILL_SEED", static_cast<int>(QRandomGenerator::system()->bounded(1 << 30))));
    QRandomGenerator random(seed);
    int keptOld = 0;
    int tookNew = 0;
    int leftCopies = 0;
    int killedMidWrite = 0;
    static const QRegularExpression saveCopy(
        QStringLiteral("^\\.quorvel\\.dat\\.~quorvel-unsaved-[0-9a-f]{16}$"));
    for (int round = 0; round < rounds; ++round) {
        SCOPED_TRACE(testing::Message() << "seed " << seed << ", round " << round);
        ASSERT_TRUE(app.startOver(oldBytes));
        // The copies an earlier round may have left are gone once it runs.
        ASSERT_EQ(app.dataFolderFiles(), (QStringList{"quorvel.dat", "quorvel.lock"}));

        // Every other kill aims at the save itself: once the new file is
        // seen open, within the time it stays open. The others fall anywhere
        // from SIGTERM to exit.
        app.signal(SIGTERM);
        unsigned long delay = 0;
        if (round % 2) {
            QDeadlineTimer deadline(60000);
            while (!app.isWritingUnnamedFile() && !app.ended() && !deadline.hasExpired())
                QThread::usleep(50);
            delay = static_cast<unsigned long>(random.bounded(writeMicroseconds + 1));
        } else {
            delay = static_cast<unsigned long>(random.bounded(spanMicroseconds + 1));
        }
        QThread::usleep(delay);
        const bool midWrite = app.isWritingUnnamedFile();
        const testsupport::ProgramExit exit = app.stop(SIGKILL);
        killedMidWrite += midWrite ? 1 : 0;
        ASSERT_TRUE(exit.finished);

        const QByteArray after = fileBytes(app.directoryFile());
        ASSERT_TRUE(after == oldBytes || after == newBytes)
            << "killed " << delay << " us after " << (round % 2 ? "the save began" : "SIGTERM")
            << ": the file has " << after.size() << " bytes, neither the old " << oldBytes.size()
            << " nor the new " << newBytes.size();
        ++(after == oldBytes ? keptOld : tookNew);
        for (const QString &name : app.dataFolderFiles()) {
            if (saveCopy.match(name).hasMatch())
                ++leftCopies;
            else
                EXPECT_TRUE(name == "quorvel.dat" || name == "quorvel.lock") << name.toStdString();
        }
    }
    // A last clean run saves the new bytes and leaves nothing else behind.
    ASSERT_TRUE(app.startOver(oldBytes));
    EXPECT_EQ(app.stop(SIGTERM).exitCode, 0);
    EXPECT_EQ(fileBytes(app.directoryFile()), newBytes);
    EXPECT_EQ(app.dataFolderFiles(), QStringList{"quorvel.dat"});

    std::cout << "kill rounds: " << rounds << " (seed " << seed << "), kills spread over "
              << spanMicroseconds << " us after SIGTERM, half of them over the "
              << writeMicroseconds << " us the new file is open; old file kept " << keptOld
              << ", new file complete " << tookNew << "; killed while the new file was being "
              << "written " << killedMidWrite << ", copies of a cut-short save left " << leftCopies
              << std::endl;
    RecordProperty("rounds", rounds);
    RecordProperty("kept_old", keptOld);
    RecordProperty("took_new", tookNew);
    RecordProperty("killed_mid_write", killedMidWrite);
}

} // namespace
