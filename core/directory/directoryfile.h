#pragma once

#include "core/files/fileio.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <QUuid>
#include <functional>
#include <memory>
#include <optional>

namespace core {

struct EntryCard;

// One contact: the display name, the bold flag and the number lines joined
// by single TAB characters; besides them, what the directory file does not
// hold: the entry's identifier and, for an entry from a contact card, what
// its lines do not show (both kept in the identity file).
struct DirectoryEntry
{
    QString name;
    QString numbers;
    bool bold = false;
    QUuid id{};
    std::shared_ptr<const EntryCard> card{};
    // Equal in content: what the directory file holds.
    friend bool operator==(const DirectoryEntry &a, const DirectoryEntry &b)
    {
        return a.bold == b.bold && a.name == b.name && a.numbers == b.numbers;
    }
};

inline constexpr char kDirectoryFileName[] = "quorvel.dat";
inline constexpr char kBoldMarker[] = "<b>";
inline constexpr char kDefaultDirectoryLine[] = "Default|phone: 555-1234";

// True when a name in the file begins with the bold marker, in any case: the
// entry is bold and the marker does not belong to its name.
bool beginsWithBoldMarker(QStringView name);

// Reads one line of the directory file. An empty line gives nothing; a line
// without "|" is an entry with that name and no number lines. All the text
// after the first "|" is the number lines, a later "|" included.
std::optional<DirectoryEntry> parseDirectoryLine(QStringView line);

// What writing the entries read from a text back would give.
struct DirectoryTextFit
{
    // Exactly the bytes the text was decoded from.
    bool asWritten = false;
    // All of the text, in another form at most: other line ends, another
    // encoding, a byte-order mark, a bold marker in capitals, a "|" after a
    // name that had none. Not so when the text held empty lines (which are
    // skipped), a bold name holding more markers (which are removed), or
    // characters its decoding replaced.
    bool keepsAll = false;
};

// Reads the entries of decoded directory-file text, handing each to add in
// file order; their strings point into the text. form tells how the text
// stood in the bytes it was decoded from.
DirectoryTextFit parseDirectoryText(QStringView text, const TextForm &form,
                                    const std::function<void(DirectoryEntry &&)> &add);

// All entries of the file's lines, in order.
QList<DirectoryEntry> parseDirectoryLines(const QStringList &lines);

// Appends the line that stores an entry ("<b>" in front of a bold entry's
// name) to out, which takes QStringView and QLatin1StringView pieces.
template <typename Out> void appendDirectoryLine(Out &out, const DirectoryEntry &entry)
{
    if (entry.bold)
        out.append(QLatin1StringView(kBoldMarker));
    out.append(QStringView(entry.name));
    out.append(QLatin1StringView("|"));
    out.append(QStringView(entry.numbers));
}

// The line that stores an entry.
QString formatDirectoryLine(const DirectoryEntry &entry);

// The whole directory file's bytes: UTF-8, every line ended by CR LF.
QByteArray formatDirectoryFile(const QList<DirectoryEntry> &entries);

QStringList formatDirectoryLines(const QList<DirectoryEntry> &entries);

// What the directory file was when read.
struct DirectoryRead
{
    FileStamp stamp; // exists false when there was no file
    // The file holds exactly the bytes that writing its entries back would
    // give (UTF-8, CR LF after every line, each line as the writer makes it).
    bool asWritten = false;
    // Writing its entries back keeps all of its text (see DirectoryTextFit).
    bool keepsAll = true;
};

// Reads the directory file of a held folder, handing each entry to `add` in
// file order; `expect` is told first how many entries to make room for. A
// missing file is an empty directory; a file that exists but cannot be read
// (a link, a FIFO, no permission) fails with the reason.
Result<DirectoryRead> ReadDirectoryFile(const Folder &folder,
                                        const std::function<void(qsizetype)> &expect,
                                        const std::function<void(DirectoryEntry &&)> &add);

// Replaces the directory file of a held folder atomically, private to its
// owner, with the entries that forEach hands, in order, to the visitor it
// is given; they must stay where they are until the write returns. The file
// is written without a copy of them all.
using EntryVisitor = std::function<void(const DirectoryEntry &)>;
// With options.expected, the file is replaced only as it was last seen (see
// WriteOptions).
Result<FileStamp> WriteDirectoryFile(const Folder &folder,
                                     const std::function<void(const EntryVisitor &)> &forEach,
                                     WriteOptions options = {});

// The bytes WriteDirectoryFile writes for the entries forEach hands.
QByteArray directoryFileBytes(const std::function<void(const EntryVisitor &)> &forEach);

// Splits number-line text into its lines; an empty text has none.
QStringList splitNumberLines(const QString &numbers);

// Joins number lines with single TABs.
QString joinNumberLines(const QStringList &lines);

} // namespace core

namespace core {

// A number line as the detail list shows it: a leading "<b>" (exactly, in
// lower case) is dropped and makes the line bold. Only one marker is removed.
struct DisplayLine
{
    QString text;
    bool bold = false;
};
DisplayLine displayLine(const QString &numberLine);

} // namespace core
