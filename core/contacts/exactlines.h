#pragma once

#include "core/contacts/contactread.h"
#include "core/contacts/linekind.h"
#include "core/directory/directoryfile.h"
#include "core/files/textcodec.h"

#include <QByteArrayView>
#include <QLatin1StringView>
#include <QList>
#include <QString>
#include <QStringView>
#include <array>
#include <cstdint>
#include <optional>
#include <vector>

namespace core {

// The exact-lines round trip, the same for vCard and CSV. Typed values
// (TEL, EMAIL, "Phone", "E-mail" ...) give most entries back as they were;
// for any other entry a writer keeps its exact lines beside them (vCard: the
// property X-QUORVEL-ENTRY, CSV: the column "Quorvel"), with a checksum of
// its name and typed values. A reader restores those lines only while the
// typed values it reads give the same checksum, so that a file edited
// elsewhere is read from its typed values.

inline constexpr QLatin1StringView kExactProperty("X-QUORVEL-ENTRY");
inline constexpr QLatin1StringView kExactColumn("Quorvel");

// One number line of an entry as a writer sees it.
struct LineValue
{
    LineKind kind;     // Text for a line without a known keyword and a value
    QStringView value; // what its typed property (or NOTE, for Text) holds; empty when blank
    bool bold;         // the line begins with the bold marker
    bool rebuilt;      // reading the value back gives the line, after its marker, as it is
};

// The values of an entry's number lines, in order, into `values` (views into
// the entry): a line with a known keyword and a value gives that kind and
// value; any other line is Text with its whole text after the bold marker
// (empty when blank: such a line has no typed property). A value is rebuilt
// when its line is "keyword: value" with the keyword the import writes, or
// Text. Returns true when every line is rebuilt and none is bold or blank,
// the entry is not bold and has a name: the typed properties alone give the
// entry back.
bool lineValues(const DirectoryEntry &entry, std::vector<LineValue> &values);

// A checksum of a name and the typed values written for an entry (each with
// its kind), in order.
class ContactChecksum
{
public:
    explicit ContactChecksum(QStringView name);
    void add(LineKind kind, QStringView value);
    std::array<char, 16> digits() const; // hexadecimal
    QString text() const;
    bool matches(QStringView written) const { return written == text(); }

private:
    std::uint64_t sum_ = 0;
};

// How one line is kept among the exact lines.
enum class ExactMark {
    Typed,     // the line the next typed value gives back
    BoldTyped, // the same, in bold
    Line,      // the line itself
};

struct ExactLine
{
    ExactMark mark;
    QString text; // for Line
};

// The exact lines of an entry as a file holds them.
struct ExactEntry
{
    bool bold = false;
    QString checksum;
    std::vector<ExactLine> lines;
};

// ---- vCard: X-QUORVEL-ENTRY;CHECKSUM=...[;BOLD=1]:field;field;... ----
// One field per line: "+" for Typed, "*" for BoldTyped, the line itself
// otherwise ("=" in front of one that is empty or begins with "+", "*" or "=").

// Calls field(mark, text) for each line of the entry, in order (values from
// lineValues): the mark is written as it is, the text escaped.
template <typename Field>
void forEachExactField(const DirectoryEntry &entry, const std::vector<LineValue> &values,
                       Field field)
{
    const QStringView numbers(entry.numbers);
    qsizetype start = 0;
    for (const LineValue &value : values) {
        qsizetype end = indexOfUnit(numbers, u'\t', start);
        if (end < 0)
            end = numbers.size();
        const QStringView text = numbers.sliced(start, end - start);
        start = end + 1;
        if (value.rebuilt && !value.value.isEmpty())
            field(value.bold ? QLatin1StringView("*") : QLatin1StringView("+"), QStringView());
        else if (text.isEmpty() || text.front() == u'+' || text.front() == u'*' ||
                 text.front() == u'=')
            field(QLatin1StringView("="), text);
        else
            field(QLatin1StringView(), text);
    }
}

// The mark of a field as written (before its escapes are undone); for Line,
// `text` is the part that holds the line.
ExactMark exactFieldMark(QByteArrayView field, QByteArrayView &text);

// ---- CSV: "bold" or "plain", a space and the checksum, then one line of
// the cell per number line. ----

// Hands the cell's text on in pieces: fixed text to text(QLatin1StringView),
// each number line to line(QStringView).
template <typename Text, typename Line>
void writeExactCell(const DirectoryEntry &entry, const ContactChecksum &checksum, Text text,
                    Line line)
{
    text(entry.bold ? QLatin1StringView("bold ") : QLatin1StringView("plain "));
    const std::array<char, 16> digits = checksum.digits();
    text(QLatin1StringView(digits.data(), qsizetype(digits.size())));
    const QStringView numbers(entry.numbers);
    qsizetype start = 0;
    for (qsizetype tab; (tab = indexOfUnit(numbers, u'\t', start)) >= 0; start = tab + 1) {
        text(QLatin1StringView("\n"));
        line(numbers.sliced(start, tab - start));
    }
    text(QLatin1StringView("\n"));
    line(numbers.sliced(start));
}
std::optional<ExactEntry> exactEntryOfCell(QStringView cell);

// ---- both ----

// The checksum of a name and the values that have a typed property.
ContactChecksum typedChecksum(QStringView name, const std::vector<LineValue> &values);

// The number lines the exact entry gives back, made storable, each change
// noted in `notes` for the contact at `position`. `typedLines` are the
// lines the typed values read gave, in order. When `linesAreTyped` (vCard),
// every line that is not blank was written as a typed value too, and the
// lines are given back only while the typed values are exactly those the
// entry names. `scratch` is reused from contact to contact.
std::optional<QString> restoreExactLines(const ExactEntry &exact,
                                         const std::vector<QStringView> &typedLines,
                                         bool linesAreTyped, NumberLines &scratch,
                                         QList<ReadNote> &notes, int position);

} // namespace core
