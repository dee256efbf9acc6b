#include "core/contacts/contacts.h"

#include "core/contacts/csv.h"
#include "core/contacts/vcard.h"

#include <QFile>
#include <QFileInfo>
#include <QSet>
#include <QStringDecoder>

#include <algorithm>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

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

NameParts splitName(QStringView name)
{
    name = name.trimmed();
    // One pass: the first comma and the last blank.
    qsizetype comma = -1;
    qsizetype space = -1;
    for (qsizetype i = 0; i < name.size(); ++i) {
        const char16_t c = name[i].unicode();
        if (c == u',' && comma < 0)
            comma = i;
        else if (c == u' ')
            space = i;
    }
    if (comma > 0)
        return {name.left(comma).trimmed(), name.sliced(comma + 1).trimmed()};
    if (space < 0)
        return {name, {}};
    return {name.sliced(space + 1), name.left(space).trimmed()};
}

QString decodeCharset(QByteArrayView bytes, QByteArrayView charset)
{
    const auto is = [&](const char *name) {
        return charset.compare(QByteArrayView(name), Qt::CaseInsensitive) == 0;
    };
    if (charset.isEmpty() || is("utf-8") || is("utf8")) {
        if (!bytes.isValidUtf8())
            return decodeWindows1252(bytes);
        // A value may begin with U+FEFF (even twice); it is part of the value,
        // not a byte-order mark to drop.
        QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::ConvertInitialBom);
        return utf8.decode(bytes);
    }
    if (is("iso-8859-1") || is("latin1") || is("windows-1252") || is("cp1252") || is("us-ascii") ||
        is("ascii"))
        return decodeWindows1252(bytes);
    QStringDecoder decoder(charset.toByteArray().constData());
    if (!decoder.isValid())
        return decodeText(bytes);
    return decoder.decode(bytes);
}

std::optional<ContactFormat> formatForFileName(const QString &fileName)
{
    const QString suffix = QFileInfo(fileName).suffix().toLower();
    if (suffix == u"vcf" || suffix == u"vcard")
        return ContactFormat::VCard3;
    if (suffix == u"csv")
        return ContactFormat::Csv;
    return std::nullopt;
}

std::optional<ContactFormat> formatForName(QStringView name)
{
    if (name.compare(u"vcard3", Qt::CaseInsensitive) == 0)
        return ContactFormat::VCard3;
    if (name.compare(u"vcard4", Qt::CaseInsensitive) == 0)
        return ContactFormat::VCard4;
    if (name.compare(u"csv", Qt::CaseInsensitive) == 0)
        return ContactFormat::Csv;
    return std::nullopt;
}

void writeContacts(Utf8Builder &out, ContactFormat format,
                   const std::function<void(const EntryVisitor &)> &forEach)
{
    switch (format) {
    case ContactFormat::VCard3:
        writeVCards(out, VCardVersion::V3, forEach);
        break;
    case ContactFormat::VCard4:
        writeVCards(out, VCardVersion::V4, forEach);
        break;
    case ContactFormat::Csv:
        writeCsv(out, forEach);
        break;
    }
}

ExportResult exportContacts(const QString &path, ContactFormat format,
                            const std::function<void(const EntryVisitor &)> &forEach)
{
    ExportResult result;
    result.error = writeFileAtomically(
                       path, [&](Utf8Builder &out) { writeContacts(out, format, forEach); },
                       WriteOptions{0600, false, false})
                       .error;
    result.ok = result.error.isEmpty();
    return result;
}

namespace {

bool breaksFormat(QChar c)
{
    const char16_t u = c.unicode();
    return u == u'|' || (u <= u'\r' && (u == u'\t' || u == u'\r' || u == u'\n'));
}

// The text from `from` on with "|", TAB and line breaks (CR LF as one) made
// spaces, in place; false when there was nothing to change.
bool replaceBreaks(QString &text, qsizetype from)
{
    qsizetype i = from;
    while (i < text.size() && !breaksFormat(text[i]))
        ++i;
    if (i == text.size())
        return false;
    qsizetype out = i;
    for (; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n')
            continue;
        text[out++] = breaksFormat(c) ? QChar(u' ') : c;
    }
    text.truncate(out);
    return true;
}

QString quoted(QStringView text)
{
    return u'"' + text.toString() + u'"';
}

// Makes a name storable in place; gives the name as it was when it changed.
std::optional<QString> makeNameStorable(QString &name, bool bold)
{
    const QLatin1StringView marker(kBoldMarker);
    // A bold entry's name loses every marker when read, any other name a leading one.
    const bool markers =
        bold ? name.contains(marker, Qt::CaseInsensitive) : beginsWithBoldMarker(name);
    bool changed = false;
    for (const QChar c : name)
        changed = changed || breaksFormat(c);
    if (!changed && !markers)
        return std::nullopt;
    QString before = name;
    replaceBreaks(name, 0);
    if (bold)
        name.replace(marker, QLatin1StringView("(b)"), Qt::CaseInsensitive);
    else if (beginsWithBoldMarker(name))
        name.replace(0, marker.size(), QLatin1StringView("(b)"));
    return before;
}

QString entryKey(const DirectoryEntry &entry)
{
    return entry.name + QChar(0) + entry.numbers + (entry.bold ? u'1' : u'0');
}

} // namespace

void NumberLines::begin()
{
    if (count_++ > 0)
        text_.append(u'\t');
    start_ = text_.size();
}

void NumberLines::end(QList<ReadNote> &notes, int position, bool dropEmpty)
{
    if (dropEmpty && text_.size() == start_) {
        text_.truncate(count_-- > 1 ? start_ - 1 : start_);
        return;
    }
    const char16_t *p = QStringView(text_).utf16() + start_;
    const char16_t *const end = QStringView(text_).utf16() + text_.size();
#ifdef __SSE2__
    // Eight code units at a time: none is "|", TAB, CR or LF.
    for (; end - p >= 8; p += 8) {
        const __m128i units = _mm_loadu_si128(reinterpret_cast<const __m128i *>(p));
        __m128i found = _mm_cmpeq_epi16(units, _mm_set1_epi16(u'|'));
        for (const char16_t c : {u'\t', u'\r', u'\n'})
            found = _mm_or_si128(found, _mm_cmpeq_epi16(units, _mm_set1_epi16(short(c))));
        if (_mm_movemask_epi8(found))
            break;
    }
#endif
    while (p < end && !breaksFormat(QChar(*p)))
        ++p;
    if (p == end)
        return;
    const QString before = text_.sliced(start_);
    replaceBreaks(text_, start_);
    notes.append({position,
                  QStringLiteral("line ") + quoted(before) + QStringLiteral(" stored as ") +
                      quoted(QStringView(text_).sliced(start_)),
                  false});
}

QString NumberLines::take()
{
    QString lines(text_.constData(), text_.size());
    clear();
    return lines;
}

void NumberLines::clear()
{
    text_.truncate(0);
    count_ = 0;
    start_ = 0;
}

ImportResult importContacts(ContactsRead read, const QList<DirectoryEntry> &existing)
{
    ImportResult result;
    if (!read.ok) {
        result.error = read.error;
        return result;
    }
    result.ok = true;
    QSet<QString> before;
    before.reserve(existing.size());
    for (const DirectoryEntry &entry : existing)
        before.insert(entryKey(entry));

    QList<ReadNote> notes = std::move(read.notes);
    for (const ReadNote &note : notes)
        result.skipped += note.skipped;
    result.entries.reserve(read.contacts.size());
    for (Contact &contact : read.contacts) {
        DirectoryEntry entry{std::move(contact.name), std::move(contact.numbers), contact.bold};
        if (!contact.exact && QStringView(entry.name).trimmed().isEmpty()) {
            entry.name = contact.nameFromDetails;
            if (entry.name.isEmpty() && !entry.numbers.isEmpty())
                entry.name =
                    splitLine(QStringView(entry.numbers).left(indexOfUnit(entry.numbers, u'\t')))
                        .value.toString();
            if (entry.name.isEmpty()) {
                ++result.skipped;
                notes.append({contact.position, QStringLiteral("it holds nothing"), true});
                continue;
            }
            notes.append(
                {contact.position, QStringLiteral("no name, named ") + quoted(entry.name), false});
        }
        if (const std::optional<QString> before = makeNameStorable(entry.name, entry.bold))
            notes.append({contact.position,
                          QStringLiteral("name ") + quoted(*before) +
                              QStringLiteral(" stored as ") + quoted(entry.name),
                          false});
        if (!before.isEmpty() && before.contains(entryKey(entry))) {
            ++result.alreadyThere;
            continue;
        }
        result.entries.append(std::move(entry));
    }
    result.added = int(result.entries.size());
    std::stable_sort(notes.begin(), notes.end(),
                     [](const ReadNote &a, const ReadNote &b) { return a.position < b.position; });
    for (const ReadNote &note : notes)
        result.reasons.append(read.unit + u' ' + QString::number(note.position) +
                              QLatin1StringView(": ") + note.text);
    return result;
}

ImportResult importContactsFile(const QString &path, const QList<DirectoryEntry> &existing)
{
    const ReadBytesResult file = readRegularFile(path);
    if (file.status != ReadStatus::Ok) {
        ImportResult refused;
        refused.error =
            file.status == ReadStatus::Missing ? QStringLiteral("it does not exist") : file.error;
        return refused;
    }
    std::optional<ContactFormat> format = formatForFileName(path);
    if (!format) {
        // Neither ".vcf" nor ".csv": a file holding a card is vCard, any other CSV.
        format = file.bytes.toUpper().contains("BEGIN:VCARD") ? ContactFormat::VCard3
                                                              : ContactFormat::Csv;
    }
    return importContacts(
        *format == ContactFormat::Csv ? readCsv(file.bytes) : readVCards(file.bytes), existing);
}

QString importSummary(const QString &fileName, const ImportResult &result)
{
    if (!result.ok)
        return QStringLiteral("%1: not imported, %2").arg(fileName, result.error);
    return QStringLiteral("%1: %2 added, %3 already there, %4 skipped")
        .arg(fileName)
        .arg(result.added)
        .arg(result.alreadyThere)
        .arg(result.skipped);
}

} // namespace core
