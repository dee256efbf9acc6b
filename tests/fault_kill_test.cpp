// The real program killed at random moments while it saves 100,000 entries: the
// file is the old or the new bytes, and the next start keeps what was left beside it
// that the file does not hold, and clears the rest.

#include "support/fixtures.h"
#include "support/installed.h"

#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QThread>

#include <csignal>
#include <iostream>

namespace {

using namespace testsupport;

// As hand-edited (LF, "<B>") or as the program writes it (CR LF, "<b>").
QByteArray directoryBytes(bool asWritten)
{
    QByteArray bytes;
    const char *bold = asWritten ? "<b>" : "<B>", *end = asWritten ? "\r\n" : "\n";
    for (int i = 0; i < 100000; ++i)
        bytes += (i % 7 ? "" : bold) + ("Name " + QByteArray::number(i)) +
                 "|phone: " + QByteArray::number(i) + end;
    return bytes;
}

struct Installed : InstalledQuorvel
{
    // Starts over the old directory; true once loaded (the first entry's colour file is made).
    bool startOver(const QByteArray &directory)
    {
        QDir().mkpath(dataFolder());
        writeBytes(directoryFile(), directory);
        QFile::remove(keywordFile());
        QDeadlineTimer deadline(120000);
        for (bool started = start(); started && !deadline.hasExpired() && !ended();
             QThread::msleep(2)) {
            if (QFile::exists(keywordFile()))
                return true;
        }
        return false;
    }
    // True while the program has its temporary save file open.
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
    // Clean saves write the new bytes, and time SIGTERM to exit and the new file open.
    qint64 span = 0, writeSpan = -1;
    for (int clean = 0; clean < 3; ++clean) {
        ASSERT_TRUE(app.startOver(oldBytes));
        QElapsedTimer timer;
        timer.start();
        app.signal(SIGTERM);
        for (qint64 writeStart = -1; !app.ended(); QThread::usleep(100)) {
            if (app.isWritingTheNewFile()) {
                writeStart = writeStart < 0 ? timer.nsecsElapsed() / 1000 : writeStart;
                writeSpan = std::max(writeSpan, timer.nsecsElapsed() / 1000 - writeStart);
            }
        }
        span = std::max(span, timer.nsecsElapsed() / 1000);
        ASSERT_EQ(app.wait().exitCode, 0);
        ASSERT_TRUE(fileBytes(app.directoryFile()) == newBytes);
    }
    ASSERT_GE(writeSpan, 0) << "the new file was never seen being written";

    bool ok = false;
    const int rounds = qEnvironmentVariableIntValue("QUORVEL_KILL_ROUNDS", &ok);
    const int seedSet = qEnvironmentVariableIntValue("QUORVEL_KILL_SEED", &ok);
    const auto seed = ok ? quint32(seedSet) : QRandomGenerator::system()->generate();
    QRandomGenerator random(seed);
    int keptOld = 0, midWrite = 0, rescued = 0;
    for (int round = 0; round < (rounds > 0 ? rounds : 40); ++round) {
        SCOPED_TRACE(testing::Message() << "seed " << seed << ", round " << round);
        ASSERT_TRUE(app.startOver(oldBytes));
        // What an earlier kill left beside the file is gone.
        ASSERT_EQ(folderContents(app.dataFolder())
                      .filter(QRegularExpression("^[^b]"))
                      .filter(QRegularExpression("^(?!quorvel.ids$)")),
                  QStringList{"quorvel.dat"});
        // Odd rounds kill while the new file is open, even ones from SIGTERM to exit.
        app.signal(SIGTERM);
        QDeadlineTimer deadline(60000);
        while (round % 2 && !app.isWritingTheNewFile() && !app.ended() && !deadline.hasExpired())
            QThread::usleep(50);
        QThread::usleep(random.bounded((round % 2 ? writeSpan : span) + 1));
        midWrite += app.isWritingTheNewFile() ? 1 : 0;
        ASSERT_TRUE(app.stop(SIGKILL).finished);
        const QByteArray after = fileBytes(app.directoryFile());
        ASSERT_TRUE(after == oldBytes || after == newBytes)
            << "the file has " << after.size() << " bytes, neither the old " << oldBytes.size()
            << " nor the new " << newBytes.size();
        keptOld += after == oldBytes ? 1 : 0;

        // The next start keeps a version left beside the file that it does not hold: the
        // change being written (perhaps incomplete), or the old file just swapped out.
        const QDir folder(app.dataFolder());
        const QStringList left =
            folder.entryList({".quorvel.dat.~quorvel-unsaved-*"}, QDir::Files | QDir::Hidden);
        ASSERT_LE(left.size(), 1);
        const QByteArray leftBytes = left.isEmpty() ? "" : fileBytes(folder.filePath(left[0]));
        if (leftBytes.isEmpty() || leftBytes == after)
            continue;
        const ProgramOutput next = app.run({"--import", app.path() + "/none.vcf"});
        const QStringList kept = folder.entryList({"quorvel.dat.interrupted-*"});
        ASSERT_EQ(kept.size(), 1) << next.err.toStdString();
        EXPECT_TRUE(fileBytes(folder.filePath(kept[0])) == leftBytes);
        EXPECT_TRUE(newBytes.startsWith(leftBytes) || leftBytes == oldBytes);
        EXPECT_TRUE(next.err.contains(QFile::encodeName(folder.filePath(kept[0]))));
        rescued += leftBytes == newBytes ? 1 : 0;
        QFile::remove(folder.filePath(kept[0]));
    }
    std::cout << "seed " << seed << ": old file kept " << keptOld << " times, killed while the new "
              << "file was written " << midWrite << " times; the whole new file kept beside it at "
              << "the next start " << rescued << " times" << std::endl;
}

} // namespace
