#include "directoryfile.h"

#include "textfile.h"

#include <QFile>

namespace core {

namespace {

// Removes every bold marker, in any case, including one that only forms when
// an inner one goes ("<<b>b>"), so the name never holds a marker and writing
// the entry back cannot give it a second one. One pass: each character is
// kept until it completes a marker with the two kept before it.
QString withoutBoldMarkers(const QString &name)
{
    const QLatin1String marker(kBoldMarker);
    QString kept;
    kept.reserve(name.size());
    for (const QChar c : name) {
        kept.append(c);
        if (c == QLatin1Char('>') && kept.endsWith(marker, Qt::CaseInsensitive))
            kept.chop(marker.size());
    }
    return kept;
}

} // namespace

std::optional<DirectoryEntry> parseDirectoryLine(const QString &line)
{
    if (line.isEmpty())
        return std::nullopt;
    DirectoryEntry entry;
    const qsizetype bar = line.indexOf(QLatin1Char('|'));
    if (bar < 0) {
        entry.name = line;
    } else {
        entry.name = line.left(bar);
        qsizetype end = line.indexOf(QLatin1Char('|'), bar + 1);
        if (end < 0)
            end = line.size();
        entry.numbers = line.mid(bar + 1, end - bar - 1);
    }
    const QLatin1String marker(kBoldMarker);
    entry.bold = entry.name.startsWith(marker, Qt::CaseInsensitive);
    if (entry.bold)
        entry.name = withoutBoldMarkers(entry.name);
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
    if (entry.bold)
        line.append(QLatin1String(kBoldMarker));
    line.append(entry.name);
    line.append(QLatin1Char('|'));
    line.append(entry.numbers);
    return line;
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
    ReadResult file = readTextLines(path);
    switch (file.status) {
    case ReadStatus::Missing:
        result.ok = true;
        break;
    case ReadStatus::Ok:
        result.ok = true;
        result.entries = parseDirectoryLines(file.lines);
        break;
    case ReadStatus::Failed:
        result.error = file.error;
        break;
    }
    return result;
}

QString WriteDirectoryFile(const QString &path, const QList<DirectoryEntry> &entries)
{
    QString error = writeTextLines(path, formatDirectoryLines(entries));
    if (error.isEmpty() && !QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner))
        error = QStringLiteral("its permissions could not be set");
    return error;
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
