#pragma once

#include "core/directory/datafolder.h"
#include "core/directory/directoryfile.h"
#include "core/files/descriptor.h"
#include "core/files/fileio.h"

#include <QDateTime>
#include <QString>
#include <functional>
#include <memory>

namespace core {

inline constexpr char kLockFileName[] = "quorvel.lock";
inline constexpr char kNoticeFileName[] = "quorvel.notice";

// Where the user's directory file lives and what it was when last seen: the
// data folder, checked and then held open so that every save goes to that
// folder; the lock that keeps a second copy of the program out; and the
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
    // Takes the data folder's lock (its file private to the user).
    LockState lock();
    QString lockPath() const;
    void unlock();

    // Removes what saves cut short left behind; call it while locked.
    QStringList removeInterruptedSaves();

    // Writes the Default directory file into a folder just made.
    Result<> writeDefaultFile();

    // Reads the directory file into add; a failure says why. Remembers what
    // the file was.
    Result<> read(const std::function<void(qsizetype)> &expect,
                  const std::function<void(DirectoryEntry &&)> &add);

    enum class Outcome { Saved, LeftOutsideVersion };
    // What a save did; a failed save still says what it did before failing.
    struct SaveReport
    {
        Outcome outcome = Outcome::Saved;
        QString sideCopy;       // the file the outside version was kept as, if any
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
    // checked, held and locked before the save. With `changed` false and the
    // file as it was last read or written, holding exactly what would be
    // written, nothing is written.
    Result<SaveReport> save(const std::function<void(const EntryVisitor &)> &forEach, bool changed,
                            const QDateTime &now = QDateTime::currentDateTime());

    // A message left for the next start (written atomically), and taking it.
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

    QString appFolder_;
    QString userName_;
    Folder folder_;
    std::unique_ptr<Descriptor> lock_; // the lock file, held locked
    FileStamp known_;
    bool asWritten_ = false; // the file at known_ holds what writing would give
};

// The side name for the outside version of the directory file found at a
// given local time: quorvel.dat.outside-YYYYMMDD-HHMMSS.
QString outsideCopyName(const QDateTime &when);

} // namespace core
