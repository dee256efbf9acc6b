#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

namespace core {

// Decodes the bytes of a text file: UTF-8 when the whole content is valid
// UTF-8 (one leading byte-order mark is dropped), otherwise Windows-1252, so
// files written by the Windows program read correctly.
QString decodeText(const QByteArray &bytes);

// True when the bytes are valid UTF-8 from start to end.
bool isValidUtf8(const QByteArray &bytes);

// Splits text into lines. A line ends at LF or CR LF; the line break is not
// part of the line. A break after the last line adds no empty line, and an
// empty text has no lines at all.
QStringList splitLines(const QString &text);

// Encodes lines as UTF-8, each line followed by CR LF. When the first line
// begins with U+FEFF a byte-order mark goes in front, so decodeText gives the
// same text back.
QByteArray joinLines(const QStringList &lines);

enum class ReadStatus { Ok, Missing, Failed };

struct ReadResult
{
    ReadStatus status = ReadStatus::Failed;
    QStringList lines;
    QString error; // the reason, when status is Failed
};

// Reads a whole text file into lines. A path where nothing exists is
// Missing; anything else that cannot be read (a folder, no permission, an
// I/O error) is Failed with the reason.
ReadResult readTextLines(const QString &path);

// Replaces the file at path with the lines, atomically: the new content is
// written beside the file and renamed over it only when complete, so a
// failure leaves the old file whole. Returns an empty text on success,
// otherwise the reason.
QString writeTextLines(const QString &path, const QStringList &lines);

// The same for bytes already encoded.
QString writeFileAtomically(const QString &path, const QByteArray &bytes);

} // namespace core
