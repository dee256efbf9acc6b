#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QFile>
#include <QString>
#include <QStringList>

#include <cstring>
#include <functional>
#include <optional>

namespace core {

// Decodes the bytes of a text file: UTF-8 when the whole content is valid
// UTF-8 (a leading byte-order mark is dropped), otherwise Windows-1252, so
// files written by the Windows program read correctly.
QString decodeText(QByteArrayView bytes);

// Decodes Windows-1252 bytes (every byte is a character).
QString decodeWindows1252(QByteArrayView bytes);

// True when the text is empty or holds nothing but space characters (a TAB
// is not a space here).
bool isBlank(QStringView text);

// True when the bytes are valid UTF-8 from start to end.
bool isValidUtf8(QByteArrayView bytes);

// Splits text into lines. A line ends at LF or CR LF; the line break is not
// part of the line. A break after the last line adds no empty line, and an
// empty text has no lines at all.
QStringList splitLines(const QString &text);

// Position of the first code unit c at or after from, or -1.
qsizetype indexOfUnit(QStringView text, char16_t c, qsizetype from = 0);

// Hands each line of the text to `line`, split as splitLines does, as a view
// into the text.
void forEachLine(QStringView text, const std::function<void(QStringView)> &line);

// decodeText and splitLines in one step.
QStringList decodeLines(QByteArrayView bytes);

// Builds UTF-8 text without intermediate strings.
// Builds UTF-8 text without intermediate strings. Given a device, it writes
// what it has built in chunks of modest size instead of holding it all. Text
// that begins with U+FEFF gets a byte-order mark in front, so that reading it
// back gives the same text.
class Utf8Builder
{
public:
    explicit Utf8Builder(QIODevice *sink = nullptr);
    void append(QStringView text);
    void appendBytes(QByteArrayView bytes)
    {
        // Short pieces (separators, line ends) go straight in when there is room.
        if (bytes.isEmpty())
            return;
        atStart_ = false;
        if (used_ + bytes.size() <= bytes_.size()) {
            std::memcpy(bytes_.data() + used_, bytes.data(),
                        static_cast<std::size_t>(bytes.size()));
            used_ += bytes.size();
            return;
        }
        appendBytesSlow(bytes);
    }
    void append(QLatin1StringView text) { appendBytes(QByteArrayView(text.data(), text.size())); }
    void endLine() { appendBytes("\r\n"); }
    // The text built (without a device).
    QByteArray take();
    // Writes what is left to the device; false when any write failed.
    bool finish();

private:
    void reserveFor(qsizetype characters);
    void flushIfFull();
    void appendBytesSlow(QByteArrayView bytes);
    QByteArray bytes_;
    qsizetype used_ = 0;
    QIODevice *sink_ = nullptr;
    bool failed_ = false;
    bool atStart_ = true;
};

// Encodes lines as UTF-8, each line followed by CR LF.
QByteArray joinLines(const QStringList &lines);

enum class ReadStatus { Ok, Missing, Failed };

struct ReadBytesResult
{
    ReadStatus status = ReadStatus::Failed;
    QByteArray bytes;
    QString error; // the reason, when status is Failed
};

// Reads a whole file. A path where nothing exists is Missing; anything else
// that cannot be read (a folder, no permission, an I/O error) is Failed with
// the reason.
ReadBytesResult readFileBytes(const QString &path);

struct ReadResult
{
    ReadStatus status = ReadStatus::Failed;
    QStringList lines;
    QString error; // the reason, when status is Failed
};

// Reads a whole text file into lines (see readFileBytes and decodeLines).
ReadResult readTextLines(const QString &path);

// Reads and decodes a whole text file (as decodeText) into memory that stays
// until the program ends, so that strings made from it with
// QString::fromRawData stay valid. Large files go to memory that fills
// quickly (huge pages where the system offers them).
struct KeptText
{
    ReadStatus status = ReadStatus::Failed;
    QStringView text;
    QString error; // the reason, when status is Failed
};
KeptText readTextKeptUntilExit(const QString &path);

// Replaces the file at path with what fill writes, atomically: the new
// content is written beside the file and renamed over it only when complete,
// so a failure leaves the old file whole. Permissions, when given, are set on
// the new content before it takes the old file's place. Returns an empty text
// on success, otherwise the reason.
QString writeFileAtomically(const QString &path, const std::function<void(Utf8Builder &)> &fill,
                            std::optional<QFile::Permissions> permissions = std::nullopt);

// Replaces the file at path with the bytes, atomically: the new content is
// written beside the file and renamed over it only when complete, so a
// failure leaves the old file whole. Permissions, when given, are set on the
// new content before it takes the old file's place. Returns an empty text on
// success, otherwise the reason.
QString writeFileAtomically(const QString &path, const QByteArray &bytes,
                            std::optional<QFile::Permissions> permissions = std::nullopt);

// The same for lines, written as joinLines encodes them.
QString writeTextLines(const QString &path, const QStringList &lines);

} // namespace core
