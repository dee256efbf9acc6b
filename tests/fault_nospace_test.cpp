// Saves on a full disk. This test program puts its own write() in front of
// the C library's (the executable's symbol wins the dynamic lookup, also for
// Qt's calls): while a folder is marked full, writes to files in it take what
// free space is left and then fail with ENOSPC, as a full file system does.
// Then the old file stays whole, the user is told which file and why, and
// Retry succeeds once space is back.

#include "coloreditor/frmColorEditor.h"
#include "core/fileio.h"
#include "core/keywordfile.h"
#include "mainwindow/frmMain.h"
#include "platform/listview.h"
#include "support/fixtures.h"

#include <QDir>
#include <QFile>
#include <gtest/gtest.h>

#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <dlfcn.h>
#include <mutex>
#include <sys/uio.h>
#include <unistd.h>

using testsupport::AppFolder;
using testsupport::fileBytes;
using testsupport::MessageRecorder;

namespace {

// The folder that is full ("/path/" with its separator) and the bytes that
// still fit. write() may be called on any thread, and from a signal handler:
// while no folder is full it only reads one flag.
std::atomic<bool> anyFolderFull{false};
std::mutex fullFolderMutex;
QByteArray fullFolder;
std::atomic<long long> freeBytes{0};

void setFullFolder(const QByteArray &folder)
{
    const std::lock_guard<std::mutex> lock(fullFolderMutex);
    fullFolder = folder;
    anyFolderFull = !folder.isEmpty();
}

bool isInFullFolder(int fd)
{
    if (!anyFolderFull)
        return false;
    const std::lock_guard<std::mutex> lock(fullFolderMutex);
    char link[64];
    std::snprintf(link, sizeof link, "/proc/self/fd/%d", fd);
    char target[PATH_MAX];
    const ssize_t size = ::readlink(link, target, sizeof target - 1);
    // An unnamed temporary file reads as "<folder>/#123 (deleted)".
    return size > 0 && QByteArray(target, size).startsWith(fullFolder);
}

// How many of count bytes fit; 0 with errno ENOSPC when none do.
size_t bytesThatFit(int fd, size_t count)
{
    if (count == 0 || !isInFullFolder(fd))
        return count;
    const auto fit = static_cast<size_t>(std::min<long long>(freeBytes.load(), count));
    freeBytes -= static_cast<long long>(fit);
    if (fit == 0)
        errno = ENOSPC;
    return fit;
}

// Marks a folder full while it lives.
class DiskFull
{
public:
    explicit DiskFull(const QString &folder, long long free = 0)
    {
        freeBytes = free;
        setFullFolder(QFile::encodeName(QDir(folder).canonicalPath()) + '/');
    }
    ~DiskFull() { spaceIsBack(); }
    DiskFull(const DiskFull &) = delete;
    DiskFull &operator=(const DiskFull &) = delete;
    static void spaceIsBack() { setFullFolder({}); }
};

} // namespace

extern "C" ssize_t write(int fd, const void *buffer, size_t count)
{
    using Write = ssize_t (*)(int, const void *, size_t);
    static const auto next = reinterpret_cast<Write>(::dlsym(RTLD_NEXT, "write"));
    const size_t fit = bytesThatFit(fd, count);
    return fit == 0 && count > 0 ? -1 : next(fd, buffer, fit);
}

extern "C" ssize_t writev(int fd, const iovec *vectors, int count)
{
    using WriteV = ssize_t (*)(int, const iovec *, int);
    static const auto next = reinterpret_cast<WriteV>(::dlsym(RTLD_NEXT, "writev"));
    if (isInFullFolder(fd)) {
        // Rare for files; keep it simple: nothing fits.
        errno = ENOSPC;
        return -1;
    }
    return next(fd, vectors, count);
}

namespace {

struct Loaded
{
    explicit Loaded(const AppFolder &folder) : window(folder.path()) { ok = window.Form_Load(); }
    frmMain window;
    bool ok = false;
};

// What stands beside the directory file (the day's backups are not the
// concern here).
QStringList dataFolderFiles(const AppFolder &folder)
{
    QStringList names =
        QDir(folder.dataFolder())
            .entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot, QDir::Name);
    names.removeAll("backups");
    return names;
}

const QByteArray kOld = "Ann|phone: 1\r\nBob|phone: 2\r\n";
const QByteArray kNew = "Ann|phone: 1\r\nBob|phone: 2\r\nCy|\r\n";

TEST(FaultNoSpace, TheFullFolderReallyRefusesWrites)
{
    AppFolder folder;
    folder.writeDirectory(kOld);
    DiskFull full(folder.dataFolder(), 5);
    QFile file(folder.dataFolder() + "/probe");
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Unbuffered));
    EXPECT_EQ(file.write("0123456789"), 5) << "what fits is written";
    EXPECT_EQ(file.write("0123456789"), -1);
    EXPECT_TRUE(file.errorString().contains("No space left on device"))
        << file.errorString().toStdString();
}

TEST(FaultNoSpace, SavingTheDirectoryOnAFullDiskKeepsTheOldFileAndAsks)
{
    struct Case
    {
        const char *name;
        long long free;     // bytes that still fit
        QList<int> answers; // to the save message, in order
        int spaceBackAfter; // the message after which space is freed (0: never)
        bool closes;
        QByteArray fileAfter;
    };
    const Case cases[] = {
        {"cancel keeps the window open", 0, {platform::vbCancel}, 0, false, kOld},
        {"discard closes and keeps the old file", 10, {platform::vbDiscard}, 0, true, kOld},
        {"retry once space is back saves", 10, {platform::vbRetry}, 1, true, kNew},
        {"retry while still full asks again",
         0,
         {platform::vbRetry, platform::vbRetry},
         2,
         true,
         kNew},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        AppFolder folder;
        folder.writeDirectory(kOld);
        auto main = std::make_unique<Loaded>(folder);
        ASSERT_TRUE(main->ok);
        main->window.show();
        main->window.directory().append(core::DirectoryEntry{"Cy", {}, false});

        QStringList prompts;
        {
            DiskFull full(folder.dataFolder(), c.free);
            QList<int> answers = c.answers;
            MessageRecorder messages;
            platform::setMessageHandler([&](const platform::MessageRequest &request) {
                // The day's backup fails on the full disk too; that notice
                // asks nothing.
                if ((request.style & 0x0F) == platform::vbOKOnly)
                    return int(platform::vbOK);
                prompts.append(request.prompt);
                // The user frees some space while the message is up.
                if (prompts.size() == c.spaceBackAfter)
                    DiskFull::spaceIsBack();
                return answers.isEmpty() ? int(platform::vbCancel) : answers.takeFirst();
            });
            main->window.close();
        }
        ASSERT_EQ(prompts.size(), c.answers.size());
        for (const QString &prompt : prompts) {
            EXPECT_TRUE(prompt.contains(QDir::toNativeSeparators(folder.directoryFile())))
                << prompt.toStdString();
            EXPECT_TRUE(prompt.contains("No space left on device")) << prompt.toStdString();
        }
        EXPECT_EQ(main->window.isVisible(), !c.closes);
        EXPECT_EQ(folder.directoryBytes(), c.fileAfter);
        EXPECT_EQ(dataFolderFiles(folder), c.closes ? QStringList{"quorvel.dat"}
                                                    : QStringList({"quorvel.dat", "quorvel.lock"}))
            << "nothing half-written is left beside the file";
        if (!c.closes) {
            // Still open and holding the directory: with space back it saves.
            main->window.close();
            EXPECT_FALSE(main->window.isVisible());
            EXPECT_EQ(folder.directoryBytes(), kNew);
        }
    }
}

TEST(FaultNoSpace, FirstStartOnAFullDiskIsRefusedWithoutHalfWrittenFiles)
{
    AppFolder folder;
    DiskFull full(folder.path(), 7);
    MessageRecorder messages;
    {
        Loaded main(folder);
        EXPECT_FALSE(main.ok);
    }
    ASSERT_EQ(messages.prompts().size(), 1);
    EXPECT_TRUE(messages.prompts().first().contains(QDir::toNativeSeparators(folder.dataFolder())))
        << messages.prompts().first().toStdString();
    EXPECT_EQ(dataFolderFiles(folder), QStringList());
    EXPECT_FALSE(QFile::exists(folder.keywordFile()));
}

TEST(FaultNoSpace, ColoursOnAFullDisk)
{
    AppFolder folder;
    folder.writeDirectory(kOld);
    {
        // A lookup that cannot create the keyword colour file: the line is
        // black, nothing is reported and no partial file is left.
        folder.writeKeywords(core::joinLines(core::keywordFileLines({{"phone:", "0,0,255"}})));
        Loaded main(folder);
        ASSERT_TRUE(main.ok);
        ASSERT_EQ(main.window.lstNumbers->foreColor(1), core::RGBValue(0, 0, 255));
        QFile::remove(folder.keywordFile());
        MessageRecorder messages;
        {
            DiskFull full(folder.path(), 20);
            main.window.lvwQuorvel_ItemClick(1);
        }
        EXPECT_EQ(main.window.lstNumbers->count(), 1);
        EXPECT_EQ(main.window.lstNumbers->foreColor(1), 0u);
        EXPECT_TRUE(messages.requests().isEmpty());
        EXPECT_FALSE(QFile::exists(folder.keywordFile()));
        main.window.close();
    }

    // Save Colors on a full disk: the old file stays, the user is told which
    // file and why, and the editor stays open with its list.
    const QByteArray colours = core::joinLines(core::keywordFileLines({{"phone:", "0,0,255"}}));
    folder.writeKeywords(colours);
    frmColorEditor editor(folder.path());
    editor.show();
    ASSERT_EQ(editor.lstColors->count(), 1);
    editor.lstColors->setText(1, "fax:");
    {
        DiskFull full(folder.path(), 100);
        MessageRecorder messages;
        editor.cmdSaveColors_Click();
        ASSERT_EQ(messages.prompts().size(), 1);
        EXPECT_TRUE(
            messages.prompts().first().contains(QDir::toNativeSeparators(folder.keywordFile())));
        EXPECT_TRUE(messages.prompts().first().contains("No space left on device"));
    }
    EXPECT_TRUE(editor.isVisible());
    EXPECT_EQ(fileBytes(folder.keywordFile()), colours);
    editor.cmdSaveColors_Click();
    EXPECT_FALSE(editor.isVisible());
    EXPECT_EQ(fileBytes(folder.keywordFile()),
              core::joinLines(core::keywordFileLines({{"fax:", "0,0,255"}})));
}

} // namespace
