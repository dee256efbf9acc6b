#pragma once

#include "core/files/fileio.h"

#include <QByteArrayView>
#include <QChar>
#include <QString>
#include <QStringList>
#include <QStringView>

namespace core {

// The syntax of CSV files (RFC 4180), without regard to what a column means.

// The text of a CSV file: UTF-8 with or without a byte-order mark, UTF-16
// with one, otherwise Windows-1252.
QString decodeCsv(QByteArrayView bytes);

// The separator of the text and the text after any "sep=" line: as a first
// line "sep=;" says, else the one the first record uses most outside
// quotes: comma, semicolon or TAB.
QChar takeSeparator(QStringView &text);

// Records: quoted fields may hold separators, doubled quotes and line
// breaks; a record ends at CR LF, LF or CR outside quotes.
class RecordReader
{
public:
    RecordReader(QStringView text, QChar separator) : text_(text), separator_(separator) {}
    bool next(QStringList &fields);

private:
    QString field();
    bool endsField(QChar c) const { return c == separator_ || c == u'\n' || c == u'\r'; }

    QStringView text_;
    QChar separator_;
    qsizetype pos_ = 0;
};

bool needsQuotes(QStringView text);
// The text with its quotes doubled.
void appendQuoted(Utf8Builder &out, QStringView text);

// Writes one field holding the values joined by `joiner`, in quotes when one
// needs them (a comma, semicolon, quote or line break), quotes doubled.
template <typename Values>
void writeField(Utf8Builder &out, const Values &values, QStringView joiner = {})
{
    bool quote = false;
    for (const QStringView value : values)
        quote = quote || needsQuotes(value);
    if (quote)
        out.append(QLatin1StringView("\""));
    bool first = true;
    for (const QStringView value : values) {
        if (!first)
            out.append(joiner);
        first = false;
        appendQuoted(out, value);
    }
    if (quote)
        out.append(QLatin1StringView("\""));
}

} // namespace core
