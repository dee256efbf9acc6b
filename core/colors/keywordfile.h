#pragma once

#include "core/colors/colortext.h"
#include "core/files/fileio.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <optional>

namespace core {

// One row of the keyword colour table.
struct KeywordLine
{
    QString keyword;   // text before the first TAB, exactly as written
    QString colorText; // text between the first and the second TAB
    friend bool operator==(const KeywordLine &, const KeywordLine &) = default;
};

inline constexpr char kKeywordFileName[] = "colorkeys.dat";

// Classifies one line of the keyword colour file. Comment lines (first
// character ';'), blank lines (empty or spaces only) and lines without a TAB
// give nothing; any other line gives its keyword and colour text.
std::optional<KeywordLine> parseKeywordLine(const QString &line);

// The keyword lines of a whole file, in file order.
QList<KeywordLine> parseKeywordLines(const QStringList &lines);

// The file's lines for a table: the fixed comment header, two empty lines,
// one line per row (keyword, TAB, colour text), one empty line and the
// closing comments. The Default file is this frame around ("phone:", "0,0,0").
QStringList keywordFileLines(const QList<KeywordLine> &rows);

// The rows of the Default keyword colour file.
QList<KeywordLine> defaultKeywordRows();

// The colour of a number line: the first keyword line whose keyword begins
// the number line (case-sensitive) decides, whether or not its colour text is
// usable; black when none does.
ColorValue lookupLineColor(const QStringList &fileLines, const QString &numberLine);

// Path of the keyword colour file in the application folder.
QString keywordFilePath(const QString &appFolder);

// The largest keyword colour file that is read; a larger one counts as
// unreadable, so a huge file can never stall the program.
inline constexpr qint64 kKeywordFileLimit = qint64(1024) * 1024;

// Replaces the keyword colour file at path with the table in the standard
// frame, atomically, never writing through a link. A new file is readable by
// all (0644); a file being replaced keeps its permissions. A failure gives
// the reason.
Result<> writeKeywordFile(const QString &path, const QList<KeywordLine> &rows);

// The keyword colour file as read: its lines, or nothing there at all.
struct KeywordFile
{
    bool missing = false; // no file (or no application folder)
    QStringList lines;
};

// Reads the keyword colour file of the application folder without following
// a link or waiting: a link, a FIFO, a device or a file over
// kKeywordFileLimit fails with the reason.
Result<KeywordFile> readKeywordFile(const QString &appFolder);

// The keyword colour file's lines for the lookup, read afresh. A missing
// file is first created with the Default content. A file that cannot be
// created or read, or that readKeywordFile refuses, gives no lines, so every
// number line is black; nothing is reported.
QStringList readKeywordLinesForLookup(const QString &appFolder);

} // namespace core
