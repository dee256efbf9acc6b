#pragma once

#include "core/files/fileio.h"

#include <QByteArrayView>
#include <QChar>
#include <QList>
#include <QPair>
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
    // A field longer than kLongestValue characters (see contactread.h) is given
    // empty, and its index and length are in leftOut().
    RecordReader(QStringView text, QChar separator) : text_(text), separator_(separator) {}
    bool next(QStringList &fields);
    // The fields of the last record left out, as (index, length).
    const QList<QPair<qsizetype, qsizetype>> &leftOut() const { return leftOut_; }
    // The length of the last record in characters.
    qsizetype length() const { return length_; }

private:
    QString field();
    bool endsField(QChar c) const { return c == separator_ || c == u'\n' || c == u'\r'; }

    QStringView text_;
    QChar separator_;
    qsizetype pos_ = 0;
    qsizetype length_ = 0;
    qsizetype fieldLength_ = 0; // of the last field, when it was left out
    QList<QPair<qsizetype, qsizetype>> leftOut_;
};

// A cell that a spreadsheet would take for a formula: it begins with "=",
// "@", TAB or CR, or with "+" or "-" followed by anything but a phone
// number's characters (digits, blanks, "(", ")", ".", "-", "/"), after any
// apostrophes. A writer puts an apostrophe before it.
bool needsApostrophe(QStringView cell);

// Takes off the apostrophe a writer put before a cell (see needsApostrophe),
// and no other.
void removeApostrophe(QString &cell);

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
    if (!values.empty() && needsApostrophe(*values.begin()))
        out.append(QLatin1StringView("'"));
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
