// Saves on a full disk: this program's own write() (it wins the dynamic lookup,
// also for Qt) fills what space is left in regular files, then fails with ENOSPC.

#include "core/directory/directorymodel.h"
#include "core/files/backups.h"
#include "mainwindow/frmMain.h"
#include "platform/controls/listview.h"
#include "support/fixtures.h"

#include <QAction>
#include <QPushButton>
#include <QRegularExpression>

#include <atomic>
#include <cerrno>
#include <dlfcn.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

using namespace testsupport;

std::atomic<long long> freeBytes{-1}; // the bytes that still fit; -1: not full

struct DiskFull // the disk is full while it lives
{
    explicit DiskFull(long long free = 0) { freeBytes = free; }
    ~DiskFull() { spaceIsBack(); }
    static void spaceIsBack() { freeBytes = -1; }
};

} // namespace

extern "C" ssize_t write(int fd, const void *buffer, size_t count)
{
    static const auto next =
        reinterpret_cast<ssize_t (*)(int, const void *, size_t)>(::dlsym(RTLD_NEXT, "write"));
    struct stat st = {};
    if (freeBytes >= 0 && count > 0 && ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode)) {
        count = static_cast<size_t>(std::min<long long>(freeBytes, count));
        freeBytes -= static_cast<long long>(count);
        if (count == 0) {
            errno = ENOSPC;
            return -1;
        }
    }
    return next(fd, buffer, count);
}

namespace {

const QByteArray kOld = "Ann|phone: 1\r\nBob|phone: 2\r\n";

// Saving at exit keeps the old file and asks Retry, Discard or Cancel, naming file and reason.
TEST(FaultNoSpace, SavingTheDirectoryOnAFullDiskKeepsTheOldFileAndAsks)
{
    const QByteArray added = kOld + "Cy|\r\n";
    // Free bytes, answers, the prompt after which space is back (0: never); closes; file after.
    const std::tuple<long long, QList<int>, int, bool, QByteArray> cases[] = {
        {0, {platform::vbCancel}, 0, false, kOld},
        {10, {platform::vbDiscard}, 0, true, kOld},
        {10, {platform::vbRetry}, 1, true, added},
        {0, {platform::vbRetry, platform::vbRetry}, 2, true, added}};
    for (const auto &[free, answers, spaceBackAfter, closes, fileAfter] : cases) {
        SCOPED_TRACE(testing::Message() << answers.first() << " of " << answers.size());
        AppFolder folder(kOld);
        frmMain window(folder.path());
        ASSERT_TRUE(window.Form_Load());
        window.show();
        window.directory().append(core::DirectoryEntry{"Cy", {}, false});
        // Today's backup is there already: only the save writes.
        const QString backups = folder.dataFolder() + "/backups";
        QDir().mkdir(backups);
        writeBytes(backups + "/" + core::backupFileName(QDate::currentDate()), kOld);
        int shown = 0;
        MessageRecorder messages(answers, [&] {
            if (++shown == spaceBackAfter)
                DiskFull::spaceIsBack();
        });
        {
            DiskFull full(free);
            window.close();
        }
        ASSERT_EQ(messages.prompts().size(), answers.size());
        for (const QString &prompt : messages.prompts()) {
            EXPECT_TRUE(prompt.contains(QDir::toNativeSeparators(folder.directoryFile())));
            EXPECT_TRUE(prompt.contains("No space left on device")) << prompt.toStdString();
        }
        EXPECT_EQ(window.isVisible(), !closes);
        EXPECT_EQ(folder.directoryBytes(), fileAfter);
        EXPECT_EQ(
            folderContents(folder.dataFolder()).filter(QRegularExpression("^quorvel(?!.ids$)")),
            QStringList{"quorvel.dat"})
            << "nothing half-written is left beside the file";
        if (!closes) { // still open: with space back it saves
            window.close();
            EXPECT_EQ(folder.directoryBytes(), added);
        }
    }
}

// Changes that cannot be saved are told once, asking Retry or Cancel: Cancel keeps
// them in the window for the next save, Retry saves them once there is space.
TEST(FaultNoSpace, ChangeThatCannotBeSavedStaysInTheWindow)
{
    AppFolder folder(kOld + "Cy|\r\n");
    frmMain window(folder.path());
    ASSERT_TRUE(window.Form_Load());
    // The day's backup fails too; it is not told beside a failed save.
    int shown = 0;
    MessageRecorder messages(
        {platform::vbYes, platform::vbYes, platform::vbCancel, platform::vbRetry}, [&] {
            if (++shown == 4)
                DiskFull::spaceIsBack();
        });
    DiskFull full;
    for (int i = 0; i < 2; ++i) { // the second while the first one's save runs
        window.lvwQuorvel->setSelectedItem(1);
        window.cmdDelete->click();
    }
    window.waitForSaved();
    ASSERT_EQ(messages.prompts().size(), 3);
    EXPECT_TRUE(messages.prompts()[2].startsWith("Can't save the directory to " +
                                                 QDir::toNativeSeparators(folder.directoryFile())));
    EXPECT_EQ(folder.directoryBytes(), kOld + "Cy|\r\n");
    EXPECT_EQ(itemTexts(window.lvwQuorvel), QStringList{"Cy"});
    window.mnuUndo->trigger();
    window.waitForSaved();
    EXPECT_EQ(messages.prompts().size(), 4);
    EXPECT_EQ(folder.directoryBytes(), "Bob|phone: 2\r\nCy|\r\n");
}

TEST(FaultNoSpace, FirstStartOnAFullDiskIsRefusedWithoutHalfWrittenFiles)
{
    AppFolder folder;
    DiskFull full(7);
    MessageRecorder messages;
    EXPECT_FALSE(frmMain(folder.path()).Form_Load());
    ASSERT_EQ(messages.prompts().size(), 1);
    EXPECT_TRUE(messages.prompts()[0].contains(QDir::toNativeSeparators(folder.dataFolder())));
    EXPECT_EQ(folderContents(folder.path()), QStringList{platform::GetName()});
}

} // namespace
