#include "core/files/fileio.h"

#include "core/files/blockmemory.h"
#include "core/files/descriptor.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <memory>
#include <new>
#include <optional>

#include <dirent.h>
#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

// The flags of renameat2, for a C library that does not name them.
#ifndef RENAME_NOREPLACE
#define RENAME_NOREPLACE (1 << 0)
#endif
#ifndef RENAME_EXCHANGE
#define RENAME_EXCHANGE (1 << 1)
#endif

namespace core {

namespace {

// The texts of this file, in the user's language.
struct FileIoText
{
    Q_DECLARE_TR_FUNCTIONS(FileIoText)
};

QString reasonOf(int error)
{
    return qt_error_string(error);
}

QByteArray nativeName(const QString &name)
{
    return QFile::encodeName(name);
}

FileStamp stampFrom(const struct stat &st)
{
    return {true,
            S_ISREG(st.st_mode),
            static_cast<quint64>(st.st_dev),
            static_cast<quint64>(st.st_ino),
            static_cast<qint64>(st.st_size),
            static_cast<qint64>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec,
            static_cast<qint64>(st.st_ctim.tv_sec) * 1000000000 + st.st_ctim.tv_nsec,
            (st.st_mode & 077) == 0};
}

enum class ReadStatus { Ok, Missing, Failed };

// A regular file of the folder opened for reading, or why it could not be.
struct OpenedFile
{
    ReadStatus status = ReadStatus::Failed;
    std::unique_ptr<Descriptor> fd;
    struct stat st
    {
    };
    QString error;
};

OpenedFile openRegular(const Folder &folder, const QString &name, qint64 maxBytes)
{
    OpenedFile file;
    if (!folder.isOpen()) {
        file.error = FileIoText::tr("its folder can't be opened");
        return file;
    }
    // No link followed, and no waiting for a writer at a FIFO.
    const int fd = ::openat(folder.descriptor(), nativeName(name).constData(),
                            O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) {
        const int error = errno;
        if (error == ENOENT)
            file.status = ReadStatus::Missing;
        else if (error == ELOOP)
            file.error = FileIoText::tr("it is a symbolic link");
        else
            file.error = reasonOf(error);
        return file;
    }
    file.fd = std::make_unique<Descriptor>(fd);
    if (::fstat(fd, &file.st) != 0) {
        file.error = reasonOf(errno);
    } else if (S_ISDIR(file.st.st_mode)) {
        file.error = FileIoText::tr("it is a folder, not a file");
    } else if (!S_ISREG(file.st.st_mode)) {
        file.error = FileIoText::tr("it is not a regular file");
    } else if (maxBytes >= 0 && file.st.st_size > maxBytes) {
        file.error = FileIoText::tr("it is larger than %1 bytes").arg(maxBytes);
    } else {
        file.status = ReadStatus::Ok;
    }
    return file;
}

// Reads up to capacity bytes into buffer; returns the count or -1 (errno set).
qint64 readUpTo(int fd, char *buffer, qint64 capacity)
{
    qint64 got = 0;
    while (got < capacity) {
        const ssize_t n = ::read(fd, buffer + got, static_cast<std::size_t>(capacity - got));
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return -1;
        if (n == 0)
            break;
        got += n;
    }
    return got;
}

// Appends whatever is left in the file to bytes; false on a read error.
bool readRest(int fd, QByteArray &bytes)
{
    constexpr qint64 kStep = 64 * 1024;
    for (;;) {
        const qsizetype before = bytes.size();
        bytes.resize(before + kStep);
        const qint64 got = readUpTo(fd, bytes.data() + before, kStep);
        if (got < 0) {
            bytes.truncate(before);
            return false;
        }
        bytes.truncate(before + got);
        if (got < kStep)
            return true;
    }
}

bool writeAll(int fd, const char *data, qsizetype size)
{
    while (size > 0) {
        const ssize_t n = ::write(fd, data, static_cast<std::size_t>(size));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            if (n == 0)
                errno = ENOSPC;
            return false;
        }
        data += n;
        size -= n;
    }
    return true;
}

const QString &temporaryInfix()
{
    static const QString infix = QStringLiteral(".~quorvel-unsaved-");
    return infix;
}

QString temporaryNameFor(const QString &target)
{
    const quint64 random = QRandomGenerator::system()->generate64();
    return QLatin1Char('.') + target + temporaryInfix() +
           QStringLiteral("%1").arg(random, 16, 16, QLatin1Char('0'));
}

QString parentOf(const QString &path)
{
    return QFileInfo(path).absolutePath();
}

} // namespace

Folder::~Folder()
{
    if (fd_ >= 0)
        ::close(fd_);
}

Folder::Folder(Folder &&other) noexcept : fd_(other.fd_), path_(std::move(other.path_))
{
    other.fd_ = -1;
}

Folder &Folder::operator=(Folder &&other) noexcept
{
    if (this != &other) {
        if (fd_ >= 0)
            ::close(fd_);
        fd_ = std::exchange(other.fd_, -1);
        path_ = std::move(other.path_);
    }
    return *this;
}

namespace {

QString folderOpenReason(int code)
{
    return code == ELOOP     ? FileIoText::tr("it is a symbolic link")
           : code == ENOTDIR ? FileIoText::tr("it is not a folder")
                             : reasonOf(code);
}

} // namespace

Result<Folder> Folder::open(const QString &path, Link link)
{
    Folder folder;
    int flags = O_RDONLY | O_DIRECTORY | O_CLOEXEC;
    if (link == Link::Refuse)
        flags |= O_NOFOLLOW;
    folder.fd_ = ::open(nativeName(path).constData(), flags);
    folder.path_ = path;
    if (folder.fd_ < 0)
        return Result<Folder>::failure(folderOpenReason(errno));
    return folder;
}

Result<Folder> Folder::openHolding(const QString &path)
{
    return open(parentOf(path), Link::Follow);
}

Result<Folder> Folder::openSub(const QString &name) const
{
    Folder folder;
    folder.path_ = filePath(name);
    folder.fd_ = fd_ < 0 ? -1
                         : ::openat(fd_, nativeName(name).constData(),
                                    O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (folder.fd_ >= 0)
        return folder;
    const int code = fd_ < 0 ? EBADF : errno;
    // A link to a folder is refused as not being one: say what it is.
    if (code == ENOTDIR) {
        struct stat st
        {
        };
        if (::fstatat(fd_, nativeName(name).constData(), &st, AT_SYMLINK_NOFOLLOW) == 0 &&
            S_ISLNK(st.st_mode))
            return Result<Folder>::failure(folderOpenReason(ELOOP));
    }
    return Result<Folder>::failure(folderOpenReason(code));
}

bool Folder::isRemoved() const
{
    struct stat st
    {
    };
    return fd_ >= 0 && ::fstat(fd_, &st) == 0 && st.st_nlink == 0;
}

bool Folder::isAtPath() const
{
    struct stat held
    {
    };
    struct stat named
    {
    };
    return fd_ >= 0 && ::fstat(fd_, &held) == 0 &&
           ::lstat(nativeName(path_).constData(), &named) == 0 && held.st_dev == named.st_dev &&
           held.st_ino == named.st_ino;
}

QString Folder::currentPath() const
{
    if (fd_ < 0)
        return {};
    const QString link = QStringLiteral("/proc/self/fd/%1").arg(fd_);
    const QString target = QFile::symLinkTarget(link);
    return target;
}

bool Folder::isOwnedByUser() const
{
    struct stat st
    {
    };
    return fd_ >= 0 && ::fstat(fd_, &st) == 0 && st.st_uid == ::geteuid();
}

QString Folder::filePath(const QString &name) const
{
    return path_ + QLatin1Char('/') + name;
}

FileStamp Folder::stampOf(const QString &name) const
{
    struct stat st
    {
    };
    if (fd_ < 0 || ::fstatat(fd_, nativeName(name).constData(), &st, AT_SYMLINK_NOFOLLOW) != 0)
        return {};
    return stampFrom(st);
}

Result<FileBytes> readRegularFile(const Folder &folder, const QString &name, qint64 maxBytes)
{
    FileBytes read;
    const OpenedFile file = openRegular(folder, name, maxBytes);
    read.missing = file.status == ReadStatus::Missing;
    if (file.status == ReadStatus::Failed)
        return Result<FileBytes>::failure(file.error, read);
    if (read.missing)
        return read;
    read.stamp = stampFrom(file.st);
    if (!readRest(file.fd->get(), read.bytes))
        return Result<FileBytes>::failure(reasonOf(errno));
    if (maxBytes >= 0 && read.bytes.size() > maxBytes)
        return Result<FileBytes>::failure(
            FileIoText::tr("it is larger than %1 bytes").arg(maxBytes));
    return read;
}

Result<FileStamp> readRegularFileInPieces(const Folder &folder, const QString &name,
                                          const std::function<void(QByteArrayView)> &piece,
                                          bool &missing)
{
    const OpenedFile file = openRegular(folder, name, -1);
    missing = file.status == ReadStatus::Missing;
    if (file.status == ReadStatus::Failed)
        return Result<FileStamp>::failure(file.error);
    if (missing)
        return FileStamp();
    constexpr qint64 kPiece = qint64(1) << 20;
    const std::unique_ptr<char[]> buffer(new char[kPiece]);
    for (;;) {
        const qint64 got = readUpTo(file.fd->get(), buffer.get(), kPiece);
        if (got < 0)
            return Result<FileStamp>::failure(reasonOf(errno));
        if (got > 0)
            piece(QByteArrayView(buffer.get(), got));
        if (got < kPiece)
            return stampFrom(file.st);
    }
}

Result<KeptText> readTextKeptUntilExit(const Folder &folder, const QString &name)
{
    KeptText kept;
    const OpenedFile file = openRegular(folder, name, -1);
    kept.missing = file.status == ReadStatus::Missing;
    if (file.status != ReadStatus::Ok)
        return file.status == ReadStatus::Failed ? Result<KeptText>::failure(file.error, kept)
                                                 : Result<KeptText>(kept);
    kept.stamp = stampFrom(file.st);
    const QString noMemory = FileIoText::tr("there is not enough memory");
    // Room for a code unit per byte: no decoding gives more. The bytes are
    // read and decoded a piece at a time, so only the text is ever held whole.
    using Block = std::unique_ptr<QChar, decltype(&releaseBlock)>;
    const auto allocate = [](qint64 units) {
        return Block(static_cast<QChar *>(allocateBlock(std::size_t(units) * sizeof(QChar))),
                     &releaseBlock);
    };
    qint64 room = std::max<qint64>(file.st.st_size, 1);
    Block text = allocate(room);
    // Small pieces: what the read holds beside the text stays small.
    constexpr qint64 kPiece = qint64(64) << 10;
    const std::unique_ptr<char[]> piece(new (std::nothrow) char[kPiece]);
    if (!text || !piece)
        return Result<KeptText>::failure(noMemory);
    PieceDecoder decoder(text.get());
    for (qint64 read = 0;;) {
        const qint64 got = readUpTo(file.fd->get(), piece.get(), kPiece);
        if (got < 0)
            return Result<KeptText>::failure(reasonOf(errno));
        read += got;
        if (read > room) {
            // The file grew while it was read: read to its end all the same.
            Block larger = allocate(std::max(read, 2 * room));
            if (!larger)
                return Result<KeptText>::failure(noMemory);
            std::copy_n(text.get(), decoder.written(), larger.get());
            text = std::move(larger);
            room = std::max(read, 2 * room);
            decoder.moveTo(text.get());
        }
        decoder.add(QByteArrayView(piece.get(), got));
        if (got < kPiece)
            break;
    }
    const qsizetype size = decoder.finish(&kept.form);
    keepUntilExit(text.get());
    kept.text = QStringView(text.release(), size);
    return kept;
}

namespace {

// The mode a new file written at target gets.
unsigned modeFor(int dir, const QByteArray &target, const WriteOptions &options)
{
    struct stat old
    {
    };
    if (options.keepMode && ::fstatat(dir, target.constData(), &old, AT_SYMLINK_NOFOLLOW) == 0 &&
        S_ISREG(old.st_mode))
        return old.st_mode & 07777;
    return options.mode;
}

// Fills the new file open as fd, with its mode set on the descriptor (so the
// umask has no say), and puts it on disk; 0 or the error.
int fillFile(int fd, unsigned mode, const std::function<void(Utf8Builder &)> &fill,
             struct stat &written)
{
    if (::fchmod(fd, static_cast<mode_t>(mode)) != 0)
        return errno;
    int writeError = 0;
    Utf8Builder out([&](const char *data, qsizetype size) {
        if (writeAll(fd, data, size))
            return true;
        writeError = errno;
        return false;
    });
    fill(out);
    if (!out.finish())
        return writeError;
    if (::fsync(fd) != 0 || ::fstat(fd, &written) != 0)
        return errno;
    return 0;
}

// Renames from to to within the folder with renameat2's flags; 0 or the error.
int renameWith(int dir, const QByteArray &from, const QByteArray &to, unsigned flags)
{
#if defined(__GLIBC__) && (__GLIBC__ > 2 || (__GLIBC__ == 2 && __GLIBC_MINOR__ >= 28))
    const int done = ::renameat2(dir, from.constData(), dir, to.constData(), flags);
#else
    const auto done = ::syscall(SYS_renameat2, dir, from.constData(), dir, to.constData(), flags);
#endif
    return done == 0 ? 0 : errno;
}

// The file system (or the kernel) has no such rename.
bool renameRefused(int error)
{
    return error == EINVAL || error == ENOSYS || error == EOPNOTSUPP;
}

// Renames from to the first free one of base, base-2, base-3 and so on,
// never replacing anything; the name taken, or empty.
QString renameAside(int dir, const QByteArray &from, const QString &base)
{
    for (int n = 1; n <= 1000; ++n) {
        const QString name = n == 1 ? base : base + QStringLiteral("-%1").arg(n);
        const QByteArray to = nativeName(name);
        int error = renameWith(dir, from, to, RENAME_NOREPLACE);
        if (renameRefused(error)) {
            // A hard link never replaces anything either.
            error = ::linkat(dir, from.constData(), dir, to.constData(), 0) == 0 ? 0 : errno;
            if (error == 0)
                ::unlinkat(dir, from.constData(), 0);
        }
        if (error == 0)
            return name;
        if (error != EEXIST)
            return {};
    }
    return {};
}

// Swaps the new file in for the expected one; what was swapped out is
// removed or kept (see WriteOptions). 0, the error, or -1 where it cannot
// be done this way and a plain rename is to be used.
int exchangeForExpected(int dir, const QByteArray &temporary, const QByteArray &target,
                        const WriteOptions &options)
{
    for (int attempt = 0; attempt < 8; ++attempt) {
        struct stat before
        {
        };
        if (::fstatat(dir, target.constData(), &before, AT_SYMLINK_NOFOLLOW) != 0) {
            if (errno != ENOENT)
                return -1;
            // Nothing there: the file goes in unless another came meanwhile.
            const int error = renameWith(dir, temporary, target, RENAME_NOREPLACE);
            if (error == EEXIST)
                continue;
            return renameRefused(error) ? -1 : error;
        }
        // A link, a folder and the like are replaced (or refused) as by a rename.
        if (!S_ISREG(before.st_mode))
            return -1;
        // Checked as closely before the exchange as can be: an edit in place
        // that restores the modification time shows only in the change time,
        // which the exchange itself sets.
        const bool changedBefore = !(stampFrom(before) == *options.expected);
        const int error = renameWith(dir, temporary, target, RENAME_EXCHANGE);
        if (error == ENOENT)
            continue;
        if (error != 0)
            return renameRefused(error) ? -1 : error;
        // The new file is in place; what it replaced now has the temporary name.
        struct stat out
        {
        };
        if (!changedBefore &&
            ::fstatat(dir, temporary.constData(), &out, AT_SYMLINK_NOFOLLOW) == 0 &&
            stampFrom(out).sameUnlessRenamed(*options.expected)) {
            ::unlinkat(dir, temporary.constData(), 0);
            return 0;
        }
        QString kept = options.keepOtherAs.isEmpty()
                           ? QString()
                           : renameAside(dir, temporary, options.keepOtherAs);
        // Not renamed, it stays at the temporary name rather than go.
        if (options.keptOtherAs)
            *options.keptOtherAs = kept.isEmpty() ? QFile::decodeName(temporary) : kept;
        return 0;
    }
    return -1;
}

// Gives the temporary file the target's name; 0 or the error.
int putInPlace(int dir, const QByteArray &temporary, const QByteArray &target,
               const WriteOptions &options)
{
    if (options.onlyIfMissing) {
        // A hard link never replaces what is there; the temporary name goes.
        if (::linkat(dir, temporary.constData(), dir, target.constData(), 0) != 0) {
            const int error = errno;
            // No hard links here (FAT and the like): a rename that never replaces.
            if (error != EPERM && error != EOPNOTSUPP && error != ENOSYS)
                return error;
            const int renamed = renameWith(dir, temporary, target, RENAME_NOREPLACE);
            return renameRefused(renamed) ? error : renamed;
        }
        ::unlinkat(dir, temporary.constData(), 0);
        return 0;
    }
    if (options.expected) {
        if (const int error = exchangeForExpected(dir, temporary, target, options); error >= 0)
            return error;
    }
    return ::renameat(dir, temporary.constData(), dir, target.constData()) == 0 ? 0 : errno;
}

} // namespace

Result<FileStamp> writeFileAtomically(const Folder &folder, const QString &name,
                                      const std::function<void(Utf8Builder &)> &fill,
                                      WriteOptions options)
{
    if (!folder.isOpen())
        return Result<FileStamp>::failure(FileIoText::tr("its folder can't be opened"));
    const int dir = folder.descriptor();
    const QByteArray target = nativeName(name);
    const unsigned mode = modeFor(dir, target, options);
    const QByteArray temporary = nativeName(temporaryNameFor(name));
    Descriptor file(::openat(dir, temporary.constData(),
                             O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600));
    if (!file.valid())
        return Result<FileStamp>::failure(reasonOf(errno));
    struct stat written
    {
    };
    int error = fillFile(file.get(), mode, fill, written);
    // Held past the close, to read the stamp the file has once it has its
    // name (a rename sets its change time).
    const Descriptor held(error == 0 ? ::fcntl(file.get(), F_DUPFD_CLOEXEC, 0) : -1);
    if (error == 0 && !file.close())
        error = errno;
    if (error == 0)
        error = putInPlace(dir, temporary, target, options);
    if (error != 0) {
        ::unlinkat(dir, temporary.constData(), 0);
        return Result<FileStamp>::failure(reasonOf(error));
    }
    // The rename itself is on disk only once the folder is.
    if (::fsync(dir) != 0)
        return Result<FileStamp>::failure(reasonOf(errno));
    if (held.valid())
        ::fstat(held.get(), &written);
    return stampFrom(written);
}

bool isTemporaryNameFor(const QString &fileName, const QString &target)
{
    // "." target infix, then sixteen lower-case hexadecimal digits.
    const QString infix = temporaryInfix();
    const qsizetype digits = 1 + target.size() + infix.size();
    if (fileName.size() != digits + 16 || !fileName.startsWith(QLatin1Char('.')) ||
        QStringView(fileName).sliced(1, target.size()) != target ||
        QStringView(fileName).sliced(1 + target.size(), infix.size()) != infix)
        return false;
    return std::all_of(fileName.begin() + digits, fileName.end(), [](QChar c) {
        return (c >= u'0' && c <= u'9') || (c >= u'a' && c <= u'f');
    });
}

InterruptedWrites removeInterruptedWrites(const Folder &folder, const QString &target,
                                          const QString &keepAs)
{
    InterruptedWrites found;
    if (!folder.isOpen())
        return found;
    // Listed through the held folder, wherever its path now leads.
    const int listFd = ::openat(folder.descriptor(), ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    DIR *list = listFd >= 0 ? ::fdopendir(listFd) : nullptr;
    if (!list) {
        if (listFd >= 0)
            ::close(listFd);
        return found;
    }
    QList<QByteArray> candidates;
    while (const dirent *entry = ::readdir(list)) {
        if (isTemporaryNameFor(QFile::decodeName(entry->d_name), target))
            candidates.append(QByteArray(entry->d_name));
    }
    ::closedir(list);
    const int dir = folder.descriptor();
    std::optional<Result<FileBytes>> current; // read once, when needed
    for (const QByteArray &native : candidates) {
        struct stat st
        {
        };
        if (::fstatat(dir, native.constData(), &st, AT_SYMLINK_NOFOLLOW) != 0 ||
            !S_ISREG(st.st_mode) || st.st_uid != ::geteuid())
            continue;
        const QString name = QFile::decodeName(native);
        if (!keepAs.isEmpty() && st.st_size > 0) {
            if (!current)
                current = readRegularFile(folder, target);
            const Result<FileBytes> left = readRegularFile(folder, name);
            const bool same =
                left && *current && !(*current)->missing && (*current)->bytes == left->bytes;
            if (!same) {
                const QString kept = renameAside(dir, native, keepAs);
                if (!kept.isEmpty())
                    found.kept.append({kept, *current && stampFrom(st).modifiedNs <
                                                             (*current)->stamp.modifiedNs});
                continue; // kept, or left where it is rather than lost
            }
        }
        if (::unlinkat(dir, native.constData(), 0) == 0)
            found.removed.append(name);
    }
    return found;
}

Result<> keepSideCopy(const Folder &folder, const QString &name, const QString &newName)
{
    const int dir = folder.descriptor();
    const QByteArray from = nativeName(name);
    const QByteArray to = nativeName(newName);
    if (::linkat(dir, from.constData(), dir, to.constData(), 0) == 0)
        return {};
    if (errno == EEXIST)
        return Result<>::failure(reasonOf(EEXIST));
    // No hard links here: copy what can be read.
    const Result<FileBytes> old = readRegularFile(folder, name);
    if (!old || old->missing)
        return Result<>::failure(old ? reasonOf(ENOENT) : old.error());
    WriteOptions options;
    options.onlyIfMissing = true;
    return writeFileAtomically(
               folder, newName, [&](Utf8Builder &out) { out.appendBytes(old->bytes); }, options)
        .status();
}

} // namespace core
