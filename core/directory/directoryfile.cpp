#include "core/directory/directoryfile.h"

#include "core/files/fileio.h"

#include <QFile>

namespace core {

namespace {

// "<b>" at position i, without regard to case.
bool markerAt(QStringView text, qsizetype i)
{
    return i + 3 <= text.size() && text[i] == u'<' &&
           (text[i + 1] == u'b' || text[i + 1] == u'B') && text[i + 2] == u'>';
}

// Removes every bold marker, in any case, including one that only forms when
// an inner one goes ("<<b>b>"), so the name never holds a marker and writing
// the entry back cannot give it a second one. Each character is kept until
// it completes a marker with the two kept before it. A name whose only
// marker is the leading one stays a piece of the line.
template <typename Piece> QString withoutMarkers(QStringView name, Piece piece)
{
    qsizetype next = 3;
    while (next < name.size() && !markerAt(name, next))
        ++next;
    if (next >= name.size())
        return piece(name.sliced(3));
    QString kept;
    kept.reserve(name.size());
    for (const QChar c : name) {
        kept.append(c);
        if (c == u'>' && kept.size() >= 3 && markerAt(kept, kept.size() - 3))
            kept.chop(3);
    }
    return kept;
}

// Reads one line whose first "|" is at bar (-1: none); piece(view) makes
// the entry's strings from parts of it. fit, when given, is cleared of what
// writing the entry back would not give.
template <typename Piece>
std::optional<DirectoryEntry> parseLineWith(QStringView line, qsizetype bar, Piece piece,
                                            DirectoryTextFit *fit = nullptr)
{
    if (line.isEmpty()) {
        // Skipped: nothing is written back for it.
        if (fit)
            *fit = {};
        return std::nullopt;
    }
    DirectoryEntry entry;
    const QStringView name = bar < 0 ? line : line.left(bar);
    if (bar >= 0)
        entry.numbers = piece(line.sliced(bar + 1));
    // A bold entry's name loses every marker; any other name is kept as it is.
    entry.bold = markerAt(name, 0);
    entry.name = entry.bold ? withoutMarkers(name, piece) : piece(name);
    if (!fit)
        return entry;
    // The writer puts one "|" and, for a bold entry, one lower-case marker.
    if (entry.bold && entry.name.size() != name.size() - 3)
        *fit = {};
    else if (bar < 0 || (entry.bold && name[1] != u'b'))
        fit->asWritten = false;
    return entry;
}

} // namespace

bool beginsWithBoldMarker(QStringView name)
{
    return markerAt(name, 0);
}

std::optional<DirectoryEntry> parseDirectoryLine(QStringView line)
{
    return parseLineWith(line, indexOfUnit(line, u'|'),
                         [](QStringView piece) { return piece.toString(); });
}

QList<DirectoryEntry> parseDirectoryLines(const QStringList &lines)
{
    QList<DirectoryEntry> entries;
    entries.reserve(lines.size());
    for (const QString &line : lines) {
        if (auto entry = parseDirectoryLine(line))
            entries.append(std::move(*entry));
    }
    return entries;
}

QString formatDirectoryLine(const DirectoryEntry &entry)
{
    QString line;
    line.reserve(entry.name.size() + entry.numbers.size() + 4);
    appendDirectoryLine(line, entry);
    return line;
}

namespace {

void writeDirectoryLines(Utf8Builder &out, const std::function<void(const EntryVisitor &)> &forEach)
{
    forEach([&out](const DirectoryEntry &entry) {
        appendDirectoryLine(out, entry);
        out.endLine();
    });
}

std::function<void(const EntryVisitor &)> eachOf(const QList<DirectoryEntry> &entries)
{
    return [&entries](const EntryVisitor &visit) {
        for (const DirectoryEntry &entry : entries)
            visit(entry);
    };
}

} // namespace

QByteArray formatDirectoryFile(const QList<DirectoryEntry> &entries)
{
    Utf8Builder out;
    writeDirectoryLines(out, eachOf(entries));
    return out.take();
}

QStringList formatDirectoryLines(const QList<DirectoryEntry> &entries)
{
    QStringList lines;
    lines.reserve(entries.size());
    for (const DirectoryEntry &entry : entries)
        lines.append(formatDirectoryLine(entry));
    return lines;
}

DirectoryTextFit parseDirectoryText(QStringView text, const TextForm &form,
                                    const std::function<void(DirectoryEntry &&)> &add)
{
    const auto piece = [](QStringView view) {
        return QString::fromRawData(view.data(), view.size());
    };
    const char16_t *const units = text.utf16();
    DirectoryTextFit fit{form.plainUtf8, form.exact};
    // One pass over each line finds its first bar and its end together.
    const qsizetype size = text.size();
    for (qsizetype start = 0; start < size;) {
        qsizetype bar = -1;
        qsizetype end = indexOfAny(text, u'|', u'\r', u'\n', start);
        if (end >= 0 && units[end] == u'|') {
            bar = end - start;
            end = indexOfEither(text, u'\r', u'\n', end + 1);
        }
        if (end < 0)
            end = size;
        // CR, LF and CR LF end a line; the writer ends every line, the last
        // one too, with CR LF.
        const bool crLf = end + 1 < size && units[end] == u'\r' && units[end + 1] == u'\n';
        if (!crLf)
            fit.asWritten = false;
        if (auto entry = parseLineWith(text.sliced(start, end - start), bar, piece, &fit))
            add(std::move(*entry));
        start = end + (crLf ? 2 : 1);
    }
    return fit;
}

Result<DirectoryRead> ReadDirectoryFile(const Folder &folder,
                                        const std::function<void(qsizetype)> &expect,
                                        const std::function<void(DirectoryEntry &&)> &add)
{
    const Result<KeptText> file = readTextKeptUntilExit(folder, QLatin1String(kDirectoryFileName));
    if (!file)
        return Result<DirectoryRead>::failure(file.error());
    DirectoryRead read{file->stamp, false};
    if (file->missing)
        return read;
    // Room for an entry per 24 characters, which most files' lines exceed
    // ("Name|phone: 555-1234" and its line break take 22): the room no entry
    // takes is never touched, and a file of shorter lines makes the list grow.
    expect(file->text.size() / 24 + 1);
    const DirectoryTextFit fit = parseDirectoryText(file->text, file->form, add);
    read.asWritten = fit.asWritten;
    read.keepsAll = fit.keepsAll;
    return read;
}

Result<FileStamp> WriteDirectoryFile(const Folder &folder,
                                     const std::function<void(const EntryVisitor &)> &forEach,
                                     WriteOptions options)
{
    // Private to its owner from the moment it exists.
    options.mode = 0600;
    options.keepMode = false;
    return writeFileAtomically(
        folder, QLatin1String(kDirectoryFileName),
        [&](Utf8Builder &out) { writeDirectoryLines(out, forEach); }, options);
}

QByteArray directoryFileBytes(const std::function<void(const EntryVisitor &)> &forEach)
{
    Utf8Builder out;
    writeDirectoryLines(out, forEach);
    return out.take();
}

QStringList splitNumberLines(const QString &numbers)
{
    if (numbers.isEmpty())
        return {};
    return numbers.split(QLatin1Char('\t'));
}

QString joinNumberLines(const QStringList &lines)
{
    return lines.join(QLatin1Char('\t'));
}

} // namespace core

namespace core {

DisplayLine displayLine(const QString &numberLine)
{
    const QLatin1String marker(kBoldMarker);
    if (numberLine.startsWith(marker, Qt::CaseSensitive))
        return {numberLine.mid(marker.size()), true};
    return {numberLine, false};
}

} // namespace core
