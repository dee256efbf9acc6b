#pragma once

#include "core/files/fileio.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QLatin1StringView>
#include <QString>
#include <QStringView>
#include <cstring>
#include <memory>
#include <optional>

namespace core {

// The syntax of vCard 2.1, 3.0 and 4.0 content lines, without regard to what
// a property means: folding, groups, parameters, escapes, character sets and
// quoted-printable.

// Equal without regard to case; `upper` is in upper case.
inline bool equalsAscii(QByteArrayView a, QByteArrayView upper)
{
    if (a.size() != upper.size())
        return false;
    for (qsizetype i = 0; i < a.size(); ++i) {
        if ((a[i] & ~0x20) != upper[i] && a[i] != upper[i])
            return false;
    }
    return true;
}

// The TYPE words the readers tell apart, as bits.
enum TypeBit : unsigned {
    kHome = 1,
    kWork = 2,
    kCell = 4,
    kFax = 8,
    kPager = 16,
};

// The parameters of a property, in every spelling: "TYPE=cell,voice",
// "TYPE=CELL;TYPE=VOICE", 2.1's bare "CELL", quoted 4.0 values.
struct Params
{
    unsigned types = 0; // TypeBit
    bool quotedPrintable = false;
    bool bold = false; // BOLD=1
    bool uri = false;  // VALUE=uri
    bool text = false; // VALUE=text
    QByteArrayView charset;
    QByteArrayView checksum;
};
Params parseParams(QByteArrayView text);

// One unfolded content line: [group "."] name [";" parameters] ":" value.
struct ContentLine
{
    QByteArrayView group;
    QByteArrayView name;
    QByteArrayView params;
    QByteArrayView value;
};
// Nothing for a line without a value (a base64 line of 2.1, or noise).
std::optional<ContentLine> splitContentLine(QByteArrayView line);

// The content lines of a file, unfolded: a line carries on in the next one
// that is indented (by one space or TAB, dropped from 3.0 on), after a
// quoted-printable soft break ("=" at the end), and in 2.1 in a next line
// without ":" (after a line break, in place of a "\" ending the line). Lines
// end in LF, CR LF or CR CR LF.
class ContentLines
{
public:
    explicit ContentLines(QByteArrayView bytes) : data_(bytes) {}
    // The next line that is not empty; `joined` when it was unfolded into a
    // buffer that the next call reuses. `version` is the card's: 2, 3 or 4.
    bool next(QByteArrayView &line, bool &joined, int version);
    // Where the next line begins.
    qsizetype position() const { return pos_; }
    // The line given last was longer than twice kLongestValue: its end is left out.
    bool cut() const { return cut_; }

private:
    bool nextRaw(QByteArrayView &line);
    bool continues(QByteArrayView line, bool qp, int version) const;
    bool nextLineHasColon() const;
    void append(QByteArrayView piece);

    QByteArrayView data_;
    qsizetype pos_ = 0;
    QByteArray joined_;
    bool cut_ = false;
};

// A vCard file in UTF-16 (with or without a byte-order mark: a zero byte
// beside the first character) as UTF-8 in `storage`; other bytes as they are.
QByteArrayView utf8OfVCards(QByteArrayView bytes, QByteArray &storage);

// Parts of a value split at each unescaped separator.
template <typename F> void forEachPart(QByteArrayView value, char separator, F f)
{
    qsizetype start = 0;
    for (qsizetype i = 0; i < value.size(); ++i) {
        if (value[i] == '\\') {
            ++i;
        } else if (value[i] == separator) {
            f(value.sliced(start, i - start));
            start = i + 1;
        }
    }
    f(value.sliced(start));
}

// Decodes bytes in the named character set: no name as the directory file is
// read (UTF-8 when valid, otherwise Windows-1252), UTF-8 as UTF-8 (a byte
// that is not is U+FFFD),
// ISO-8859-1, ASCII and Windows-1252 as Windows-1252, any other set Qt
// knows by its name.
QString decodeCharset(QByteArrayView bytes, QByteArrayView charset);

// Quoted-printable decoded: "=XX" is the byte XX; an "=" without two
// hexadecimal digits after it stays as it is.
QByteArray decodeQuotedPrintable(QByteArrayView text);

// Appends the text of a value (or of one part of it) to out:
// quoted-printable and character set decoded, then unescaped ("\n" a line
// break; 2.1 escapes only "\", ";", "," and ":").
void appendValueText(QString &out, QByteArrayView raw, const Params &params, int version);
QString valueText(QByteArrayView raw, const Params &params, int version);

// A value with quoted-printable and any character set but UTF-8 decoded, as
// UTF-8 in `storage` (params then say so), so that it is split and unescaped
// as text: a Shift_JIS or Big5 trail byte 0x5C is no backslash. Any other
// value as it is.
QByteArrayView plainValue(QByteArrayView raw, Params &params, QByteArray &storage);

// White space at both ends of out from `from` on removed.
void trimFrom(QString &out, qsizetype from);

// Builds the content lines of a card as UTF-8, folded: at most 75 octets a
// line, a continuation begins with a space, and no UTF-8 sequence is cut. A
// whole card goes to the output at once.
class PropertyLine
{
public:
    explicit PropertyLine(Utf8Builder &out) : out_(out) {}

    PropertyLine &raw(QLatin1StringView text)
    {
        if (text.isEmpty())
            return *this;
        reserve(text.size());
        std::memcpy(bytes_.get() + used_, text.data(), static_cast<std::size_t>(text.size()));
        used_ += text.size();
        return *this;
    }
    // Text with "\", ",", ";" and line breaks escaped.
    PropertyLine &text(QStringView text);
    // Whole short lines, line ends and all, that need no folding.
    PropertyLine &lines(QLatin1StringView text);
    // Ends the property begun after the last end(), folding it when it is long.
    void end();
    // Hands the card's lines to the output.
    void flush();

private:
    void reserve(qsizetype more)
    {
        if (used_ + more > capacity_)
            grow(more);
    }
    void grow(qsizetype more);

    Utf8Builder &out_;
    std::unique_ptr<char[]> bytes_;
    qsizetype capacity_ = 0;
    qsizetype used_ = 0;
    qsizetype start_ = 0; // where the property being built begins
};

} // namespace core
