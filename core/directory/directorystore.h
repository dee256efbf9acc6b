#pragma once

#include "core/directory/datafolder.h"
#include "core/directory/directoryfile.h"
#include "core/files/fileio.h"

#include <QDateTime>
#include <QString>
#include <functional>

namespace core {

inline constexpr char kNoticeFileName[] = "quorvel.notice";

// Where the user's directory file lives and what it was when last seen: the
// data folder, checked and then held open so that every save goes to that
// folder, and locked to keep a second copy of the program out; and the
// file's stamp at the last read or write, so that a change another program
// made to the file is never overwritten unseen.
class DirectoryStore
{
public:
    DirectoryStore(QString appFolder, QString userName);
    ~DirectoryStore();
    DirectoryStore(const DirectoryStore &) = delete;
    DirectoryStore &operator=(const DirectoryStore &) = delete;

    // Checks the data folder (making it, private, when missing) and holds it
    // open. A failure says which folder and why.
    Result<FolderState> open();

    enum class LockState { Locked, HeldByAnother, Failed };
    // Takes the lock on the held data folder itself (the system's lock on
    // the folder, not a file in it), which ends with the process however it
    // ends. After Failed, lockError() says why.
    LockState lock();
    QString lockError() const { return lockError_; }
    void unlock();

    // Clears what saves cut short left behind, call it while locked: a
    // version that is not empty and differs from the directory file is kept
    // beside it as quorvel.dat.interrupted-YYYYMMDD-HHMMSS (the kept paths
    // are given), the rest is removed.
    InterruptedWrites removeInterruptedSaves(const QDateTime &now = QDateTime::currentDateTime());

    // Writes the Default directory file into a folder just made.
    Result<> writeDefaultFile();

    // Reads the directory file into add; a failure says why (a file of
    // another user is refused). Remembers what the file was.
    Result<> read(const std::function<void(qsizetype)> &expect,
                  const std::function<void(DirectoryEntry &&)> &add);

    enum class Outcome { Saved, LeftOutsideVersion };
    // What a save did; a failed save still says what it did before failing.
    struct SaveReport
    {
        Outcome outcome = Outcome::Saved;
        QString sideCopy;       // the file the outside version was kept as, if any
        QString swappedOutCopy; // the same, for a version written while the save ran
        QString shownCopy;      // what was shown, kept beside a version left as it is
        QString asReadCopy;     // the file as read, kept before it was first written over
        QString movedTo;        // where the data folder is now, when it was moved away
        bool recreated = false; // the data folder had been removed and was made again
        QString backupError;    // the day's backup could not be kept (the save went on)
        bool written = false;   // the directory file was written
    };
    // Saves the entries. When the file changed on disk since it was last
    // read or written: with `changed` false (nothing changed here since
    // then) the outside version is left as it is; otherwise that version is
    // first kept under a side name beside it, then the save goes on. A data
    // folder moved away is still written to; one removed is made again,
    // checked, held and locked before the save. A version another program
    // writes while the save runs is kept beside it too (an atomic exchange,
    // where the file system has one). A version left as it is that differs
    // from what would be written keeps what would be written beside it
    // (quorvel.dat.shown-YYYYMMDD-HHMMSS). With `changed` false and the
    // file as it was last read or written, holding exactly what would be
    // written, nothing is written. A file read with text that writing cannot
    // give back is kept as it was read beside it
    // (quorvel.dat.as-read-YYYYMMDD-HHMMSS), once, before it is first
    // written over.
    Result<SaveReport> save(const std::function<void(const EntryVisitor &)> &forEach, bool changed,
                            const QDateTime &now = QDateTime::currentDateTime());

    // A message left for the next start (written atomically), and taking it
    // (one that another user left is neither shown nor removed).
    Result<> leaveNotice(const QString &text);
    QString takeNotice();

    // The folder and the file as they were opened (for messages).
    QString folderPath() const;
    QString filePath() const;
    // The directory file's path wherever the held folder now is.
    QString currentFilePath() const;
    // Something stands at the directory file's name in the held folder.
    bool currentFileExists() const;
    // The held data folder, and the directory file as last read or written there.
    const Folder &folder() const { return folder_; }
    const FileStamp &knownStamp() const { return known_; }

private:
    Result<> reopenRemovedFolder();
    Result<> keepOutsideVersion(const QDateTime &now, SaveReport &report);
    Result<> keepShownVersion(const std::function<void(const EntryVisitor &)> &forEach,
                              const QDateTime &now, SaveReport &report);
    Result<> keepAsRead(const QDateTime &now, SaveReport &report);

    QString appFolder_;
    QString userName_;
    Folder folder_;
    bool locked_ = false; // folder_ holds the lock
    QString lockError_;
    FileStamp known_;
    bool asWritten_ = false; // the file at known_ holds what writing would give
    bool keepsAll_ = true;   // writing keeps all that the file at known_ holds
};

// The side name for the outside version of the directory file found at a
// given local time: quorvel.dat.outside-YYYYMMDD-HHMMSS.
QString outsideCopyName(const QDateTime &when);
// The same for another kind of side copy: quorvel.dat.KIND-YYYYMMDD-HHMMSS.
QString sideCopyName(QLatin1StringView kind, const QDateTime &when);

} // namespace core
