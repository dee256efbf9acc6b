#pragma once

#include "core/files/result.h"
#include "core/files/textcodec.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QStringView>

#include <functional>

namespace core {

// What a file was when last seen: enough to tell that another program has
// replaced or changed it since.
struct FileStamp
{
    bool exists = false;
    bool regular = false; // a regular file, not a folder, link, FIFO or device
    quint64 device = 0;
    quint64 inode = 0;
    qint64 size = 0;
    qint64 modifiedNs = 0;
    // When the file last changed in any way. Unlike the modification time,
    // no program can set it back, so an edit in place that keeps the size
    // and restores the modification time still shows here.
    qint64 changedNs = 0;
    bool privateToOwner = false; // no permission for group or others
    // The same file with the same content; its permissions do not count.
    friend bool operator==(const FileStamp &a, const FileStamp &b)
    {
        return a.sameUnlessRenamed(b) && a.changedNs == b.changedNs;
    }
    // The same, but for the change time, which renaming the file sets.
    bool sameUnlessRenamed(const FileStamp &b) const
    {
        return exists == b.exists && regular == b.regular && device == b.device &&
               inode == b.inode && size == b.size && modifiedNs == b.modifiedNs;
    }
};

// A folder held open. Files are read and written relative to it, so they go
// to the folder that was checked even when its path is later moved, removed
// or made to name another folder.
class Folder
{
public:
    enum class Link { Follow, Refuse };

    Folder() = default;
    ~Folder();
    Folder(Folder &&other) noexcept;
    Folder &operator=(Folder &&other) noexcept;
    Folder(const Folder &) = delete;
    Folder &operator=(const Folder &) = delete;

    // Opens the folder at path; with Link::Refuse a symbolic link there is
    // refused. A failure says why.
    static Result<Folder> open(const QString &path, Link link);
    // Opens the folder that holds the file at path (a link to it followed).
    static Result<Folder> openHolding(const QString &path);
    // Opens the sub-folder name of this folder; a symbolic link there is
    // refused. A failure says why.
    Result<Folder> openSub(const QString &name) const;

    bool isOpen() const { return fd_ >= 0; }
    int descriptor() const { return fd_; }
    // The path the folder was opened by.
    const QString &path() const { return path_; }
    // The folder has been removed: it has no name any more.
    bool isRemoved() const;
    // The path it was opened by still names this very folder.
    bool isAtPath() const;
    // Where the folder is now as the system knows it; empty when unknown.
    QString currentPath() const;
    // The folder belongs to the user the program runs as.
    bool isOwnedByUser() const;
    // The path of a file in the folder, for messages.
    QString filePath(const QString &name) const;
    // What stands at name now; a symbolic link is not followed.
    FileStamp stampOf(const QString &name) const;

private:
    int fd_ = -1;
    QString path_;
};

// A whole regular file as read. Nothing at all at the name is missing, not
// a failure.
struct FileBytes
{
    bool missing = false;
    QByteArray bytes;
    FileStamp stamp;
};

// Reads a whole regular file of the folder. It never follows a symbolic link
// and never waits: a link (a dangling one too), a FIFO, a device or a folder
// at name fails with the reason, and so does a file larger than maxBytes
// (when not negative).
Result<FileBytes> readRegularFile(const Folder &folder, const QString &name, qint64 maxBytes = -1);

// Reads a whole regular file of the folder as readRegularFile does, handing
// it on in pieces of up to 1 MiB, so that a large file is never in memory
// whole. `missing`: nothing at all at the name (then no piece, no failure).
// Gives the stamp of the file read.
Result<FileStamp> readRegularFileInPieces(const Folder &folder, const QString &name,
                                          const std::function<void(QByteArrayView)> &piece,
                                          bool &missing);

// Reads and decodes a whole text file (as decodeText) into memory that stays
// until the program ends, so that strings made from it with
// QString::fromRawData stay valid. The bytes are decoded as they are read, a
// piece at a time, so they are never held whole beside the text. Large files
// go to memory that fills quickly (huge pages where the system offers them).
// Reads as readRegularFile does.
struct KeptText
{
    bool missing = false;
    QStringView text;
    TextForm form;
    FileStamp stamp;
};
Result<KeptText> readTextKeptUntilExit(const Folder &folder, const QString &name);

struct WriteOptions
{
    // Permission bits of the new file, whatever the umask.
    unsigned mode = 0600;
    // A regular file being replaced keeps its own permission bits.
    bool keepMode = false;
    // Writes only when nothing stands at the name (never replaces anything).
    bool onlyIfMissing = false;
    // Replaces the file only as it was last seen. A regular file at the name
    // is swapped for the new one in one step (an atomic exchange), so no
    // other program's version can be written over between a check and the
    // replacing: what was swapped out is removed when it is still the
    // expected file, and otherwise kept as keepOtherAs (or keepOtherAs-2,
    // -3 and so on, never replacing anything), that name given in
    // *keptOtherAs. Where the file system has no exchange the file is
    // renamed over the name as without this.
    const FileStamp *expected = nullptr;
    QString keepOtherAs = {};
    QString *keptOtherAs = nullptr;
};

// Replaces the file name in the folder with what fill writes, atomically:
// the content goes to a new temporary file whose name only this writer makes
// (created exclusively, never through a link), every write checked, flushed
// to disk, then renamed over name and the folder flushed. A failure at any
// point leaves what stood at name untouched and removes the temporary file.
// A symbolic link at name is replaced, never written through.
// Gives the stamp of the file written.
Result<FileStamp> writeFileAtomically(const Folder &folder, const QString &name,
                                      const std::function<void(Utf8Builder &)> &fill,
                                      WriteOptions options = {});

// True for the names of the temporary files writeFileAtomically makes for
// target, and for nothing a person would name a file.
bool isTemporaryNameFor(const QString &fileName, const QString &target);

// What writes of a file that were cut short left behind.
struct InterruptedWrites
{
    struct Kept
    {
        QString name; // the name it was kept as
        // Older than the file now at the target's name: the version a write
        // swapped out, not the one it was writing.
        bool replacedVersion = false;
    };
    QStringList removed; // the temporary names removed
    QList<Kept> kept;
};

// Clears what writes of target that were cut short (the program killed
// while saving) left in the folder: regular files of this user bearing a
// temporary name of writeFileAtomically. With keepAs given, one that is not
// empty and differs from the file at target is kept, renamed to keepAs (or
// keepAs-2, -3 and so on, never replacing anything); the others are
// removed. Nothing else is touched. Call it only while no write of target
// can be under way.
InterruptedWrites removeInterruptedWrites(const Folder &folder, const QString &target,
                                          const QString &keepAs = {});

// Keeps what stands at name under a second name newName in the same folder
// (a hard link, or a copy where the file system has none), never replacing
// anything at newName. A failure says why.
Result<> keepSideCopy(const Folder &folder, const QString &name, const QString &newName);

} // namespace core
