#include "core/colors/keywordfile.h"

#include "core/files/fileio.h"

#include <QDir>
#include <QFileInfo>

namespace core {

namespace {

const QStringList &headerLines()
{
    static const QStringList lines = {
        QStringLiteral(";keyword color list"),
        QStringLiteral(";"),
        QStringLiteral(";format:"),
        QStringLiteral(";word:<tab>color"),
        QStringLiteral(";"),
        QStringLiteral(";example:"),
        QStringLiteral(";e-mail:  0,0,255"),
        QStringLiteral(";"),
        QStringLiteral(";would turn any field with e-mail: as the first part blue"),
        QStringLiteral(";color format: 255,255,255"),
        QStringLiteral(";color format: red,green,blue"),
    };
    return lines;
}

const QStringList &footerLines()
{
    static const QStringList lines = {
        QStringLiteral(";note: if you screw this file up, it's not my fault."),
        QStringLiteral(";use the editor if you can't figure the format out."),
    };
    return lines;
}

} // namespace

std::optional<KeywordLine> parseKeywordLine(const QString &line)
{
    if (line.startsWith(QLatin1Char(';')) || isBlank(line))
        return std::nullopt;
    const qsizetype tab = line.indexOf(QLatin1Char('\t'));
    if (tab < 0)
        return std::nullopt;
    qsizetype end = line.indexOf(QLatin1Char('\t'), tab + 1);
    if (end < 0)
        end = line.size();
    return KeywordLine{line.left(tab), line.mid(tab + 1, end - tab - 1)};
}

QList<KeywordLine> parseKeywordLines(const QStringList &lines)
{
    QList<KeywordLine> rows;
    for (const QString &line : lines) {
        if (auto row = parseKeywordLine(line))
            rows.append(std::move(*row));
    }
    return rows;
}

QStringList keywordFileLines(const QList<KeywordLine> &rows)
{
    QStringList lines = headerLines();
    lines.append(QString());
    lines.append(QString());
    for (const KeywordLine &row : rows)
        lines.append(row.keyword + QLatin1Char('\t') + row.colorText);
    lines.append(QString());
    lines.append(footerLines());
    return lines;
}

QList<KeywordLine> defaultKeywordRows()
{
    return {KeywordLine{QStringLiteral("phone:"), QStringLiteral("0,0,0")}};
}

ColorValue lookupLineColor(const QStringList &fileLines, const QString &numberLine)
{
    for (const QString &line : fileLines) {
        const std::optional<KeywordLine> row = parseKeywordLine(line);
        // An empty keyword matches every line; QString::startsWith alone
        // would not match a null one.
        if (row && (row->keyword.isEmpty() || numberLine.startsWith(row->keyword)))
            return parseColorText(row->colorText);
    }
    return 0;
}

QString keywordFilePath(const QString &appFolder)
{
    return QDir(appFolder).filePath(QLatin1String(kKeywordFileName));
}

namespace {

// Replaces the file at path with lines (as joinLines encodes them), in the
// folder that holds it.
Result<> writeLines(const QString &path, const QStringList &lines, WriteOptions options)
{
    const Result<Folder> folder = Folder::openHolding(path);
    if (!folder)
        return folder.status();
    const QByteArray bytes = joinLines(lines);
    return writeFileAtomically(
               *folder, QFileInfo(path).fileName(),
               [&](Utf8Builder &out) { out.appendBytes(bytes); }, options)
        .status();
}

} // namespace

Result<> writeKeywordFile(const QString &path, const QList<KeywordLine> &rows)
{
    // Readable by every user of the folder, as the table is shared; a file
    // being replaced keeps the permissions it has.
    WriteOptions options;
    options.mode = 0644;
    options.keepMode = true;
    return writeLines(path, keywordFileLines(rows), options);
}

Result<KeywordFile> readKeywordFile(const QString &appFolder)
{
    KeywordFile file;
    const Result<Folder> folder = Folder::openHolding(keywordFilePath(appFolder));
    if (!folder) {
        // No application folder (or a file in its place): no file either.
        file.missing = !QFileInfo(appFolder).isDir();
        return file.missing ? Result<KeywordFile>(file)
                            : Result<KeywordFile>::failure(folder.error(), file);
    }
    const Result<FileBytes> read =
        readRegularFile(*folder, QLatin1String(kKeywordFileName), kKeywordFileLimit);
    if (!read)
        return Result<KeywordFile>::failure(read.error(), file);
    file.missing = read->missing;
    file.lines = decodeLines(read->bytes);
    return file;
}

QStringList readKeywordLinesForLookup(const QString &appFolder)
{
    Result<KeywordFile> file = readKeywordFile(appFolder);
    if (file && file->missing) {
        // Made only where nothing at all stands: never through a link, and
        // never over a file another program made meanwhile.
        WriteOptions options;
        options.mode = 0644;
        options.onlyIfMissing = true;
        (void)writeLines(keywordFilePath(appFolder), keywordFileLines(defaultKeywordRows()),
                         options);
        file = readKeywordFile(appFolder);
    }
    return file ? file->lines : QStringList();
}

} // namespace core
