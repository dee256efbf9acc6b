// Keyword colour file: the lookup never fails and agrees with a plain reading
// of the file (the first keyword line whose keyword begins the number line
// decides), and the table read from a file, written in the standard frame and
// read again, is the same table.
//
// Input: the number line (up to the first NUL byte), then the file's bytes.

#include "check.h"
#include "core/colors/keywordfile.h"
#include "core/files/fileio.h"

#include <cstddef>
#include <cstdint>

namespace {

QByteArray describe(const QList<core::KeywordLine> &rows)
{
    QByteArray text;
    for (const core::KeywordLine &row : rows)
        text +=
            fuzzcheck::show(row.keyword) + " -> " + fuzzcheck::show(row.colorText) + "\n        ";
    return text;
}

// Straightforward reading of the file for one number line, character by
// character.
core::ColorValue referenceLookup(const QStringList &lines, const QString &numberLine)
{
    for (const QString &line : lines) {
        if (line.isEmpty() || line.at(0) == QLatin1Char(';'))
            continue;
        bool spacesOnly = true;
        qsizetype tab = -1;
        for (qsizetype i = 0; i < line.size(); ++i) {
            if (line.at(i) != QLatin1Char(' '))
                spacesOnly = false;
            if (tab < 0 && line.at(i) == QLatin1Char('\t'))
                tab = i;
        }
        if (spacesOnly || tab < 0)
            continue;
        if (numberLine.size() < tab)
            continue;
        bool matches = true;
        for (qsizetype i = 0; i < tab && matches; ++i)
            matches = numberLine.at(i) == line.at(i);
        if (!matches)
            continue;
        QString colorText;
        for (qsizetype i = tab + 1; i < line.size() && line.at(i) != QLatin1Char('\t'); ++i)
            colorText.append(line.at(i));
        return core::parseColorText(colorText);
    }
    return 0;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QByteArray input(reinterpret_cast<const char *>(data), static_cast<qsizetype>(size));
    const qsizetype split = input.indexOf('\0');
    const QString numberLine = core::decodeText(split < 0 ? QByteArray() : input.left(split));
    const QStringList lines = core::splitLines(core::decodeText(input.mid(split + 1)));

    const core::ColorValue color = core::lookupLineColor(lines, numberLine);
    fuzzcheck::expect(color < (1u << 24), "the colour is below 2^24");
    fuzzcheck::expectEqual(QString::number(color),
                           QString::number(referenceLookup(lines, numberLine)),
                           "the first matching keyword line decides");

    const QList<core::KeywordLine> rows = core::parseKeywordLines(lines);
    const QByteArray written = core::joinLines(core::keywordFileLines(rows));
    const QList<core::KeywordLine> again =
        core::parseKeywordLines(core::splitLines(core::decodeText(written)));
    if (again != rows)
        fuzzcheck::expectEqual(describe(again), describe(rows),
                               "read, write, read gives the same table");
    // The written file gives every number line the colour the original did.
    fuzzcheck::expectEqual(QString::number(core::lookupLineColor(
                               core::splitLines(core::decodeText(written)), numberLine)),
                           QString::number(color), "the written file colours the line the same");
    return 0;
}
