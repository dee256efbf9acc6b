#include "core/contacts/exactlines.h"

namespace core {

namespace {

// FNV-1a over the code units, from a seed that tells the kind apart, then
// mixed so that sums of several values stay well spread.
std::uint64_t valueHash(std::uint64_t seed, QStringView value)
{
    std::uint64_t h = 0xcbf29ce484222325ull ^ (seed * 0x9E3779B97F4A7C15ull);
    for (const QChar c : value) {
        h ^= c.unicode();
        h *= 0x100000001b3ull;
    }
    h ^= h >> 33;
    h *= 0xff51afd7ed558ccdull;
    h ^= h >> 33;
    return h;
}

constexpr std::uint64_t kNameSeed = 1000;

} // namespace

ContactChecksum::ContactChecksum(QStringView name) : sum_(valueHash(kNameSeed, name)) {}

void ContactChecksum::add(LineKind kind, QStringView value)
{
    sum_ = sum_ * 0x100000001b3ull + valueHash(static_cast<std::uint64_t>(kind), value);
}

std::array<char, 16> ContactChecksum::digits() const
{
    std::array<char, 16> digits;
    for (int i = 0; i < 16; ++i)
        digits[std::size_t(i)] = "0123456789abcdef"[(sum_ >> (60 - 4 * i)) & 0xF];
    return digits;
}

QString ContactChecksum::text() const
{
    const std::array<char, 16> d = digits();
    return QString::fromLatin1(d.data(), qsizetype(d.size()));
}

bool lineValues(const DirectoryEntry &entry, std::vector<LineValue> &values)
{
    values.clear();
    bool rebuilds = !entry.bold && !QStringView(entry.name).trimmed().isEmpty();
    const QStringView numbers(entry.numbers);
    for (qsizetype start = 0; !numbers.isEmpty() && start <= numbers.size();) {
        qsizetype end = indexOfUnit(numbers, u'\t', start);
        if (end < 0)
            end = numbers.size();
        const QStringView line = numbers.sliced(start, end - start);
        start = end + 1;
        const LineParts parts = splitLine(line);
        const QStringView text = parts.bold ? line.sliced(3) : line;
        if (parts.kind != LineKind::Text && !parts.value.isEmpty()) {
            // Only "keyword: value" as imported lines are written reads back the same.
            const QStringView keyword = keywordOf(parts.kind);
            const bool rebuilt = text.size() == keyword.size() + 2 + parts.value.size() &&
                                 text.startsWith(keyword) &&
                                 text.sliced(keyword.size(), 2) == u": ";
            values.push_back({parts.kind, parts.value, parts.bold, rebuilt});
        } else if (parts.value.isEmpty() && parts.keyword.isEmpty() &&
                   indexOfUnit(text, u':') < 0) {
            values.push_back({LineKind::Text, {}, parts.bold, false}); // blank
        } else {
            values.push_back({LineKind::Text, text, parts.bold, true});
        }
        rebuilds = rebuilds && values.back().rebuilt && !parts.bold;
    }
    return rebuilds;
}

ContactChecksum typedChecksum(QStringView name, const std::vector<LineValue> &values)
{
    ContactChecksum checksum(name);
    for (const LineValue &value : values) {
        if (!value.value.isEmpty())
            checksum.add(value.kind, value.value);
    }
    return checksum;
}

ExactMark exactFieldMark(QByteArrayView field, QByteArrayView &text)
{
    if (field == "+")
        return ExactMark::Typed;
    if (field == "*")
        return ExactMark::BoldTyped;
    text = field.startsWith('=') ? field.sliced(1) : field;
    return ExactMark::Line;
}

std::optional<ExactEntry> exactEntryOfCell(QStringView cell)
{
    const qsizetype eol = cell.indexOf(u'\n');
    const QStringView head = (eol < 0 ? cell : cell.left(eol)).trimmed();
    const qsizetype space = head.indexOf(u' ');
    if (space < 0)
        return std::nullopt;
    const QStringView flag = head.left(space);
    if (flag != u"bold" && flag != u"plain")
        return std::nullopt;
    ExactEntry exact{flag == u"bold", head.sliced(space + 1).toString(), {}};
    if (eol >= 0) {
        for (QStringView line : cell.sliced(eol + 1).split(u'\n')) {
            if (line.endsWith(u'\r'))
                line.chop(1);
            exact.lines.push_back({ExactMark::Line, line.toString()});
        }
    }
    return exact;
}

std::optional<QString> restoreExactLines(const ExactEntry &exact,
                                         const std::vector<QStringView> &typedLines,
                                         bool linesAreTyped, NumberLines &scratch,
                                         QList<ReadNote> &notes, int position)
{
    QList<ReadNote> changed;
    std::size_t next = 0;
    bool matches = true;
    for (const ExactLine &line : exact.lines) {
        scratch.begin();
        if (line.mark == ExactMark::Line) {
            scratch.text().append(line.text);
            // A line that is not blank had a typed value of its own.
            QStringView text = line.text;
            if (text.startsWith(QLatin1StringView(kBoldMarker)))
                text = text.sliced(3);
            next += linesAreTyped && !text.trimmed().isEmpty();
        } else {
            if (next == typedLines.size()) {
                matches = false;
                break;
            }
            if (line.mark == ExactMark::BoldTyped)
                scratch.text().append(QLatin1StringView(kBoldMarker));
            scratch.text().append(typedLines[next++]);
        }
        scratch.end(changed, position, false);
    }
    QString lines = scratch.take();
    if (!matches || (linesAreTyped && next != typedLines.size()))
        return std::nullopt;
    notes.append(changed);
    return lines;
}

} // namespace core
