#include "directoryfile.h"

#include "textfile.h"

#include <QFile>

namespace core {

namespace {

qsizetype findBar(QStringView text, qsizetype from)
{
    const char16_t *const data = text.utf16();
    for (qsizetype i = from; i < text.size(); ++i) {
        if (data[i] == u'|')
            return i;
    }
    return -1;
}

// "<b>" at position i, without regard to case.
bool markerAt(QStringView text, qsizetype i)
{
    return i + 3 <= text.size() && text[i] == u'<' &&
           (text[i + 1] == u'b' || text[i + 1] == u'B') && text[i + 2] == u'>';
}

// Removes every "<b>", without regard to case, in one pass from the left.
QString withoutMarkers(QStringView name)
{
    QString out;
    out.reserve(name.size());
    for (qsizetype i = 0; i < name.size();) {
        if (markerAt(name, i)) {
            i += 3;
        } else {
            out.append(name[i]);
            ++i;
        }
    }
    return out;
}

} // namespace

bool beginsWithBoldMarker(QStringView name)
{
    return markerAt(name, 0);
}

std::optional<DirectoryEntry> parseDirectoryLine(QStringView line)
{
    if (line.isEmpty())
        return std::nullopt;
    DirectoryEntry entry;
    const qsizetype bar = findBar(line, 0);
    const QStringView name = bar < 0 ? line : line.left(bar);
    if (bar >= 0) {
        qsizetype end = findBar(line, bar + 1);
        if (end < 0)
            end = line.size();
        entry.numbers = line.mid(bar + 1, end - bar - 1).toString();
    }
    // A bold entry's name loses every marker; any other name is kept as it is.
    entry.bold = beginsWithBoldMarker(name);
    entry.name = entry.bold ? withoutMarkers(name) : name.toString();
    return entry;
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

QByteArray formatDirectoryFile(const QList<DirectoryEntry> &entries)
{
    qsizetype characters = 0;
    for (const DirectoryEntry &entry : entries)
        characters += entry.name.size() + entry.numbers.size() + 6;
    Utf8Builder out(characters);
    for (const DirectoryEntry &entry : entries) {
        appendDirectoryLine(out, entry);
        out.endLine();
    }
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

DirectoryReadResult ReadDirectoryFile(const QString &path)
{
    DirectoryReadResult result;
    const ReadBytesResult file = readFileBytes(path);
    switch (file.status) {
    case ReadStatus::Missing:
        result.ok = true;
        break;
    case ReadStatus::Ok:
        result.ok = true;
        forEachLine(file.bytes, [&](QStringView line) {
            if (auto entry = parseDirectoryLine(line))
                result.entries.append(std::move(*entry));
        });
        break;
    case ReadStatus::Failed:
        result.error = file.error;
        break;
    }
    return result;
}

QString WriteDirectoryFile(const QString &path, const QList<DirectoryEntry> &entries)
{
    // Private to its owner before it takes the old file's place.
    return writeFileAtomically(path, formatDirectoryFile(entries),
                               QFile::ReadOwner | QFile::WriteOwner);
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
