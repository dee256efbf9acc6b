#include "core/contacts/vcard.h"

#include <QHash>
#include <QThread>

#include <array>
#include <cstdint>
#include <cstring>
#include <memory>
#include <optional>
#include <vector>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

namespace core {

namespace {

// ---- writing ----

// The ASCII characters a text value escapes.
constexpr auto kEscaped = [] {
    std::array<bool, 128> escaped{};
    for (const char c : {'\\', ',', ';', '\n', '\r'})
        escaped[std::size_t(c)] = true;
    return escaped;
}();

// Builds the property lines of a card as UTF-8, folded: at most 75 octets a
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
    PropertyLine &text(QStringView text)
    {
        reserve(text.size() * 3);
        auto *o = reinterpret_cast<unsigned char *>(bytes_.get() + used_);
        const char16_t *p = text.utf16();
        const char16_t *const end = p + text.size();
#ifdef __SSE2__
        const __m128i bias = _mm_set1_epi16(-0x8000);
        const __m128i limit = _mm_set1_epi16(-0x8000 + 0x7F);
        const __m128i backslash = _mm_set1_epi16(u'\\');
        const __m128i comma = _mm_set1_epi16(u',');
        const __m128i semicolon = _mm_set1_epi16(u';');
        const __m128i lf = _mm_set1_epi16(u'\n');
        const __m128i cr = _mm_set1_epi16(u'\r');
#endif
        while (p < end) {
#ifdef __SSE2__
            // Runs of ASCII that need no escape, eight code units at a time.
            while (end - p >= 8) {
                const __m128i units = _mm_loadu_si128(reinterpret_cast<const __m128i *>(p));
                const __m128i special =
                    _mm_or_si128(_mm_or_si128(_mm_cmpgt_epi16(_mm_add_epi16(units, bias), limit),
                                              _mm_or_si128(_mm_cmpeq_epi16(units, backslash),
                                                           _mm_cmpeq_epi16(units, comma))),
                                 _mm_or_si128(_mm_cmpeq_epi16(units, semicolon),
                                              _mm_or_si128(_mm_cmpeq_epi16(units, lf),
                                                           _mm_cmpeq_epi16(units, cr))));
                if (_mm_movemask_epi8(special))
                    break;
                _mm_storel_epi64(reinterpret_cast<__m128i *>(o), _mm_packus_epi16(units, units));
                o += 8;
                p += 8;
            }
#endif
#ifdef __SSE2__
            // A short tail of a longer text: its last eight code units at
            // once when none needs anything, the first of them written over
            // what was written for them already.
            if (end - p < 8 && end - text.utf16() >= 8) {
                const __m128i units = _mm_loadu_si128(reinterpret_cast<const __m128i *>(end - 8));
                const __m128i special =
                    _mm_or_si128(_mm_or_si128(_mm_cmpgt_epi16(_mm_add_epi16(units, bias), limit),
                                              _mm_or_si128(_mm_cmpeq_epi16(units, backslash),
                                                           _mm_cmpeq_epi16(units, comma))),
                                 _mm_or_si128(_mm_cmpeq_epi16(units, semicolon),
                                              _mm_or_si128(_mm_cmpeq_epi16(units, lf),
                                                           _mm_cmpeq_epi16(units, cr))));
                // Those before p are plain ASCII too: each was written as one byte.
                const int before = int(8 - (end - p));
                if (!_mm_movemask_epi8(special)) {
                    _mm_storel_epi64(reinterpret_cast<__m128i *>(o - before),
                                     _mm_packus_epi16(units, units));
                    o += end - p;
                    p = end;
                    break;
                }
            }
#endif
            // ASCII that needs no escape, one at a time.
            while (p < end && *p < 0x80 && !kEscaped[*p])
                *o++ = static_cast<unsigned char>(*p++);
            if (p == end)
                break;
            const char32_t c = *p++;
            if (c < 0x80) {
                if (c == u'\\' || c == u',' || c == u';') {
                    *o++ = '\\';
                    *o++ = static_cast<unsigned char>(c);
                } else if (c == u'\n' || c == u'\r') {
                    if (c == u'\r' && p < end && *p == u'\n')
                        continue;
                    *o++ = '\\';
                    *o++ = 'n';
                } else {
                    *o++ = static_cast<unsigned char>(c);
                }
            } else {
                o = appendUtf8(o, c, p, end);
            }
        }
        used_ = reinterpret_cast<char *>(o) - bytes_.get();
        return *this;
    }

    // Whole short lines, line ends and all, that need no folding.
    PropertyLine &lines(QLatin1StringView text)
    {
        raw(text);
        start_ = used_;
        return *this;
    }

    // Ends the property begun after the last end(), folding it when it is long.
    void end()
    {
        if (used_ - start_ > 75) {
            const QByteArray line(bytes_.get() + start_, used_ - start_);
            used_ = start_;
            qsizetype pos = 0;
            qsizetype limit = 75;
            while (line.size() - pos > limit) {
                qsizetype cut = pos + limit;
                while ((static_cast<unsigned char>(line[cut]) & 0xC0) == 0x80)
                    --cut;
                raw(QLatin1StringView(line.constData() + pos, cut - pos));
                raw(QLatin1StringView("\r\n "));
                pos = cut;
                limit = 74;
            }
            raw(QLatin1StringView(line.constData() + pos, line.size() - pos));
        }
        raw(QLatin1StringView("\r\n"));
        start_ = used_;
    }

    // Hands the card's lines to the output.
    void flush()
    {
        out_.appendBytes(QByteArrayView(bytes_.get(), used_));
        used_ = 0;
        start_ = 0;
    }

private:
    void reserve(qsizetype more)
    {
        if (used_ + more <= capacity_)
            return;
        capacity_ = std::max(used_ + more, capacity_ * 2 + 256);
        auto grown = std::make_unique<char[]>(std::size_t(capacity_));
        if (used_ > 0)
            std::memcpy(grown.get(), bytes_.get(), std::size_t(used_));
        bytes_ = std::move(grown);
    }

    Utf8Builder &out_;
    std::unique_ptr<char[]> bytes_;
    qsizetype capacity_ = 0;
    qsizetype used_ = 0;
    qsizetype start_ = 0; // where the property being built begins
};

QLatin1StringView propertyFor(LineKind kind, VCardVersion version)
{
    const bool v4 = version == VCardVersion::V4;
    switch (kind) {
    case LineKind::Phone:
        return QLatin1StringView("TEL:"); // voice, the default type
    case LineKind::HomePhone:
        return QLatin1StringView("TEL;TYPE=home,voice:");
    case LineKind::WorkPhone:
        return QLatin1StringView("TEL;TYPE=work,voice:");
    case LineKind::Mobile:
        return QLatin1StringView("TEL;TYPE=cell:");
    case LineKind::Fax:
        return QLatin1StringView("TEL;TYPE=fax:");
    case LineKind::Pager:
        return QLatin1StringView("TEL;TYPE=pager:");
    case LineKind::Email:
        return QLatin1StringView("EMAIL:"); // internet, the default type
    case LineKind::Address:
        return QLatin1StringView("ADR:;;");
    case LineKind::Web:
        return QLatin1StringView("URL:");
    case LineKind::Organization:
        return QLatin1StringView("ORG:");
    case LineKind::Title:
        return QLatin1StringView("TITLE:");
    case LineKind::Nickname:
        return QLatin1StringView("NICKNAME:");
    case LineKind::Birthday:
        return v4 ? QLatin1StringView("BDAY;VALUE=text:") : QLatin1StringView("BDAY:");
    case LineKind::Text:
        break;
    }
    return QLatin1StringView("NOTE:");
}

void writeCard(PropertyLine &line, VCardVersion version, const DirectoryEntry &entry,
               std::vector<LineValue> &values)
{
    line.lines(version == VCardVersion::V4 ? QLatin1StringView("BEGIN:VCARD\r\nVERSION:4.0\r\n")
                                           : QLatin1StringView("BEGIN:VCARD\r\nVERSION:3.0\r\n"));
    line.raw(QLatin1StringView("FN:")).text(entry.name).end();
    if (version == VCardVersion::V3) {
        const NameParts parts = splitName(entry.name);
        line.raw(QLatin1StringView("N:"))
            .text(parts.family)
            .raw(QLatin1StringView(";"))
            .text(parts.given)
            .raw(QLatin1StringView(";;;"))
            .end();
    }
    // The exact entry is kept only when the typed properties alone would not
    // give it back.
    const bool exact = !lineValues(entry, values);
    for (const LineValue &value : values) {
        if (value.value.isEmpty())
            continue;
        line.raw(propertyFor(value.kind, version)).text(value.value);
        if (value.kind == LineKind::Address)
            line.raw(QLatin1StringView(";;;;"));
        line.end();
    }
    if (exact) {
        // One field per line: "+" for the line the next typed property gives
        // back, "*" for the same in bold, the line itself otherwise ("=" in
        // front of one that is empty or begins with "+", "*" or "=").
        ContactChecksum checksum(entry.name);
        for (const LineValue &value : values) {
            if (!value.value.isEmpty())
                checksum.add(value.kind, value.value);
        }
        const std::array<char, 16> digits = checksum.digits();
        line.raw(QLatin1StringView("X-QUORVEL-ENTRY;CHECKSUM="))
            .raw(QLatin1StringView(digits.data(), qsizetype(digits.size())));
        if (entry.bold)
            line.raw(QLatin1StringView(";BOLD=1"));
        line.raw(QLatin1StringView(":"));
        const QStringView numbers(entry.numbers);
        qsizetype start = 0;
        for (const LineValue &value : values) {
            qsizetype end = indexOfUnit(numbers, u'\t', start);
            if (end < 0)
                end = numbers.size();
            const QStringView text = numbers.sliced(start, end - start);
            if (start > 0)
                line.raw(QLatin1StringView(";"));
            start = end + 1;
            if (value.rebuilt && !value.value.isEmpty()) {
                line.raw(value.bold ? QLatin1StringView("*") : QLatin1StringView("+"));
                continue;
            }
            if (text.isEmpty() || text.front() == u'+' || text.front() == u'*' ||
                text.front() == u'=')
                line.raw(QLatin1StringView("="));
            line.text(text);
        }
        line.end();
    }
    line.lines(QLatin1StringView("END:VCARD\r\n"));
    line.flush();
}

// ---- reading ----

// True when the bytes are ASCII without a backslash: text as it stands.
bool isPlainAscii(QByteArrayView bytes)
{
    const char *p = bytes.data();
    const char *const end = p + bytes.size();
    constexpr std::uint64_t ones = 0x0101010101010101ull;
    for (; end - p >= 8; p += 8) {
        std::uint64_t word;
        std::memcpy(&word, p, 8);
        const std::uint64_t backslashes = word ^ (ones * '\\');
        if ((word | ((backslashes - ones) & ~backslashes)) & (ones * 0x80))
            return false;
    }
    for (; p < end; ++p) {
        if (static_cast<unsigned char>(*p) >= 0x80 || *p == '\\')
            return false;
    }
    return true;
}

// Position of the first c in bytes at or after from, or -1.
inline qsizetype find(QByteArrayView bytes, char c, qsizetype from = 0)
{
    if (from >= bytes.size())
        return -1;
    const void *found = std::memchr(bytes.data() + from, c, std::size_t(bytes.size() - from));
    return found ? static_cast<const char *>(found) - bytes.data() : -1;
}

// Equal without regard to case; b is in upper case.
inline bool equalsAscii(QByteArrayView a, QByteArrayView b)
{
    if (a.size() != b.size())
        return false;
    for (qsizetype i = 0; i < a.size(); ++i) {
        if ((a[i] & ~0x20) != b[i] && a[i] != b[i])
            return false;
    }
    return true;
}

// Holds the word without regard to case; word is in upper case.
bool containsAscii(QByteArrayView text, QByteArrayView word)
{
    for (qsizetype i = 0; i + word.size() <= text.size(); ++i) {
        if ((text[i] & ~0x20) == word[0] && equalsAscii(text.sliced(i, word.size()), word))
            return true;
    }
    return false;
}

enum TypeBit : unsigned {
    kHome = 1,
    kWork = 2,
    kCell = 4,
    kFax = 8,
    kPager = 16,
};

struct Params
{
    unsigned types = 0;
    bool quotedPrintable = false;
    bool bold = false;
    bool uri = false; // VALUE=uri
    QByteArrayView charset;
    QByteArrayView checksum;
};

void addType(Params &params, QByteArrayView word)
{
    if (equalsAscii(word, "HOME"))
        params.types |= kHome;
    else if (equalsAscii(word, "WORK"))
        params.types |= kWork;
    else if (equalsAscii(word, "CELL"))
        params.types |= kCell;
    else if (equalsAscii(word, "FAX"))
        params.types |= kFax;
    else if (equalsAscii(word, "PAGER"))
        params.types |= kPager;
    else if (equalsAscii(word, "QUOTED-PRINTABLE"))
        params.quotedPrintable = true;
}

QByteArrayView unquoted(QByteArrayView value)
{
    if (value.size() >= 2 && value.front() == '"' && value.back() == '"')
        return value.sliced(1, value.size() - 2);
    return value;
}

// Parameters in every spelling: "TYPE=cell,voice", "TYPE=CELL;TYPE=VOICE",
// 2.1's bare "CELL", quoted 4.0 values.
Params parseParams(QByteArrayView text)
{
    Params params;
    qsizetype start = 0;
    while (start < text.size()) {
        qsizetype end = start;
        bool quoted = false;
        while (end < text.size() && (quoted || text[end] != ';')) {
            if (text[end] == '"')
                quoted = !quoted;
            ++end;
        }
        const QByteArrayView param = text.sliced(start, end - start);
        start = end + 1;
        qsizetype eq = 0;
        while (eq < param.size() && param[eq] != '=')
            ++eq;
        if (eq == param.size())
            eq = -1;
        if (eq < 0) {
            addType(params, param.trimmed());
            continue;
        }
        const QByteArrayView name = param.first(eq).trimmed();
        const QByteArrayView value = unquoted(param.sliced(eq + 1).trimmed());
        if (equalsAscii(name, "TYPE")) {
            qsizetype from = 0;
            for (qsizetype comma; from <= value.size(); from = comma + 1) {
                comma = from;
                while (comma < value.size() && value[comma] != ',')
                    ++comma;
                addType(params, value.sliced(from, comma - from).trimmed());
            }
        } else if (equalsAscii(name, "ENCODING")) {
            addType(params, value);
        } else if (equalsAscii(name, "CHARSET")) {
            params.charset = value;
        } else if (equalsAscii(name, "VALUE")) {
            params.uri = equalsAscii(value, "URI");
        } else if (equalsAscii(name, "CHECKSUM")) {
            params.checksum = value;
        } else if (equalsAscii(name, "BOLD")) {
            params.bold = value == "1";
        }
    }
    return params;
}

int hexDigit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

QByteArray decodeQuotedPrintable(QByteArrayView text)
{
    QByteArray bytes;
    bytes.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] == '=' && i + 2 < text.size() && hexDigit(text[i + 1]) >= 0 &&
            hexDigit(text[i + 2]) >= 0) {
            bytes.append(char(hexDigit(text[i + 1]) * 16 + hexDigit(text[i + 2])));
            i += 2;
        } else {
            bytes.append(text[i]);
        }
    }
    return bytes;
}

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

enum class Property {
    Other,
    Begin,
    End,
    Version,
    Fn,
    N,
    Tel,
    Email,
    Adr,
    Org,
    Nickname,
    Url,
    Title,
    Bday,
    Note,
    Label,
    Exact,
};

// The properties the reader uses, by name (without regard to case).
Property propertyOf(QByteArrayView name)
{
    const auto is = [&](QByteArrayView known) { return equalsAscii(name, known); };
    switch (name.size()) {
    case 1:
        return is("N") ? Property::N : Property::Other;
    case 2:
        return is("FN") ? Property::Fn : Property::Other;
    case 3:
        return is("TEL")   ? Property::Tel
               : is("END") ? Property::End
               : is("ADR") ? Property::Adr
               : is("ORG") ? Property::Org
               : is("URL") ? Property::Url
                           : Property::Other;
    case 4:
        return is("NOTE") ? Property::Note : is("BDAY") ? Property::Bday : Property::Other;
    case 5:
        return is("EMAIL")   ? Property::Email
               : is("BEGIN") ? Property::Begin
               : is("TITLE") ? Property::Title
                             : Property::Other;
    case 7:
        return is("VERSION") ? Property::Version : Property::Other;
    case 8:
        return is("NICKNAME") ? Property::Nickname : Property::Other;
    case 9:
        return is("X-ABLABEL") ? Property::Label : Property::Other;
    case 15:
        return is("X-QUORVEL-ENTRY") ? Property::Exact : Property::Other;
    default:
        return Property::Other;
    }
}

// A typed line of the card being read: its value is a piece of the lines built.
struct Item
{
    QByteArray group;
    LineKind kind;
    unsigned types;      // for TEL: the kind is settled with the group's label
    qsizetype lineStart; // in the lines built
    qsizetype valueStart;
    qsizetype valueEnd;
};

// A TEL's kind from its types and the built-in label of its group.
LineKind phoneKind(unsigned types, QStringView builtinLabel)
{
    const auto labelSays = [&](QStringView word) {
        return !builtinLabel.isEmpty() && builtinLabel.contains(word, Qt::CaseInsensitive);
    };
    if (types & kFax || labelSays(u"fax"))
        return LineKind::Fax;
    if (types & kPager || labelSays(u"pager"))
        return LineKind::Pager;
    if (types & kCell || labelSays(u"mobile") || labelSays(u"iphone"))
        return LineKind::Mobile;
    if (types & kWork)
        return LineKind::WorkPhone;
    if (types & kHome)
        return LineKind::HomePhone;
    return LineKind::Phone;
}

class Reader
{
public:
    // `room`: the size of the whole file this is a part of, to make room for its cards.
    explicit Reader(QByteArrayView bytes, qsizetype room = -1)
        : data_(bytes), room_(room < 0 ? bytes.size() : room)
    {
    }

    // Reads every card. The result is not refused here: the caller, which may
    // read a file in parts, decides that.
    ContactsRead run()
    {
        read_.unit = QStringLiteral("card");
        // Room for as many cards as a file of small ones holds.
        read_.contacts.reserve(room_ / 128);
        QByteArrayView line;
        while (nextLine(line)) {
            if (line.isEmpty())
                continue;
            const bool qp = declaresQuotedPrintable(line);
            if (!continues(line, qp)) {
                property(line, false);
                continue;
            }
            joined_.resize(0);
            joined_.append(line);
            while (continues(joined_, qp)) {
                const bool softBreak = qp && joined_.endsWith('=');
                nextLine(line);
                if (softBreak)
                    joined_.chop(1);
                else if (version_ != 2)
                    line = line.sliced(1);
                joined_.append(line);
            }
            property(joined_, true);
        }
        if (inCard_)
            read_.notes.append({cards_, QStringLiteral("it has no END:VCARD"), true});
        read_.ok = cards_ - (inCard_ ? 1 : 0) > 0; // a whole card was read
        return std::move(read_);
    }

    int cards() const { return cards_; }

private:
    bool nextLine(QByteArrayView &line)
    {
        if (pos_ >= data_.size())
            return false;
        const void *found = std::memchr(data_.data() + pos_, '\n', size_t(data_.size() - pos_));
        const qsizetype end =
            found ? static_cast<const char *>(found) - data_.data() : data_.size();
        line = data_.sliced(pos_, end - pos_);
        if (line.endsWith('\r'))
            line.chop(1);
        pos_ = end + 1;
        return true;
    }

    // The next line carries on this one: it is indented, or this one ends in
    // a quoted-printable soft break.
    bool continues(QByteArrayView line, bool qp) const
    {
        if (pos_ >= data_.size())
            return false;
        if (qp && line.endsWith('='))
            return true;
        return data_[pos_] == ' ' || data_[pos_] == '\t';
    }

    static bool declaresQuotedPrintable(QByteArrayView line)
    {
        qsizetype i = 0;
        while (i < line.size() && line[i] != ';' && line[i] != ':')
            ++i;
        if (i == line.size() || line[i] == ':')
            return false; // no parameters
        const qsizetype colon = find(line, ':', i);
        return containsAscii(line.sliced(i, (colon < 0 ? line.size() : colon) - i),
                             "QUOTED-PRINTABLE");
    }

    // Appends the text of one value or part to out: quoted-printable and
    // character set decoded, then unescaped.
    void appendText(QString &out, QByteArrayView raw, const Params &params) const
    {
        if (!params.quotedPrintable && isPlainAscii(raw)) {
            out.append(QLatin1StringView(raw));
            return;
        }
        const QString decoded = params.quotedPrintable
                                    ? decodeCharset(decodeQuotedPrintable(raw), params.charset)
                                    : decodeCharset(raw, params.charset);
        if (!decoded.contains(u'\\')) {
            out.append(decoded);
            return;
        }
        out.reserve(out.size() + decoded.size());
        for (qsizetype i = 0; i < decoded.size(); ++i) {
            const QChar c = decoded[i];
            if (c != u'\\' || i + 1 == decoded.size()) {
                out.append(c);
                continue;
            }
            const QChar next = decoded[++i];
            if (next == u'n' || next == u'N')
                out.append(u'\n');
            else if (version_ != 2 || QStringView(u"\\;,:").contains(next))
                out.append(next);
            else
                out.append(c).append(next); // 2.1 escapes nothing else
        }
    }

    QString text(QByteArrayView raw, const Params &params) const
    {
        if (!params.quotedPrintable && isPlainAscii(raw))
            return QString::fromLatin1(raw);
        if (!params.quotedPrintable && raw.indexOf('\\') < 0)
            return decodeCharset(raw, params.charset);
        QString out;
        appendText(out, raw, params);
        return out;
    }

    // White space at both ends of out from `from` on removed.
    static void trimFrom(QString &out, qsizetype from)
    {
        qsizetype end = out.size();
        while (end > from && out[end - 1].isSpace())
            --end;
        out.truncate(end);
        qsizetype begin = from;
        while (begin < end && out[begin].isSpace())
            ++begin;
        out.remove(from, begin - from);
    }

    // Adds a line for a typed value; `pieces` joins the non-empty pieces of a
    // structured value (ADR, ORG, NICKNAME) in the given order of its fields.
    void addLine(QByteArrayView group, LineKind kind, QByteArrayView raw, const Params &params,
                 bool pieces = false, std::initializer_list<int> order = {})
    {
        lines_.begin();
        QString &out = lines_.text();
        const qsizetype lineStart = out.size();
        if (kind != LineKind::Text)
            out.append(keywordOf(kind)).append(QLatin1StringView(": "));
        const qsizetype valueStart = out.size();
        if (!pieces) {
            appendText(out, raw, params);
            if (kind != LineKind::Text)
                trimFrom(out, valueStart);
            // A number given as a URI: "tel:+1-555-0100".
            if (params.uri && isPhoneKind(kind) &&
                QStringView(out).sliced(valueStart).startsWith(u"tel:", Qt::CaseInsensitive)) {
                out.remove(valueStart, 4);
                trimFrom(out, valueStart);
            }
        } else {
            QList<QByteArrayView> fields;
            forEachPart(raw, ';', [&](QByteArrayView field) { fields.append(field); });
            QList<QByteArrayView> ordered;
            for (const int k : order) {
                if (k < fields.size())
                    ordered.append(fields[k]);
            }
            for (const QByteArrayView field : order.size() ? ordered : fields) {
                forEachPart(field, ',', [&](QByteArrayView piece) {
                    const qsizetype start = out.size();
                    if (start > valueStart)
                        out.append(QLatin1StringView(", "));
                    const qsizetype pieceStart = out.size();
                    appendText(out, piece, params);
                    trimFrom(out, pieceStart);
                    if (out.size() == pieceStart)
                        out.truncate(start);
                    // Lines of an address go on one line.
                    for (qsizetype at; (at = out.indexOf(u'\n', pieceStart)) >= 0;)
                        out.replace(at, 1, QStringLiteral(", "));
                });
            }
        }
        if (out.size() == valueStart) {
            out.truncate(lineStart);
            lines_.end(typedNotes_, cards_);
            return;
        }
        lines_.end(typedNotes_, cards_);
        items_.push_back(Item{group.isEmpty() ? QByteArray() : group.toByteArray().toUpper(), kind,
                              params.types, lineStart, valueStart, out.size()});
    }

    void property(QByteArrayView line, bool copied)
    {
        // [group "."] name [";" parameters] ":" value; names are short.
        qsizetype nameEnd = 0;
        qsizetype dot = -1;
        for (; nameEnd < line.size() && line[nameEnd] != ':' && line[nameEnd] != ';'; ++nameEnd) {
            if (line[nameEnd] == '.')
                dot = nameEnd;
        }
        if (nameEnd == line.size())
            return; // no value: a base64 line of 2.1, or noise
        QByteArrayView name = line.first(nameEnd);
        QByteArrayView paramText;
        qsizetype colon = nameEnd;
        if (line[nameEnd] == ';') {
            // Parameters are short too; a quoted value may hold ":".
            bool quoted = false;
            for (colon = nameEnd + 1; colon < line.size() && (quoted || line[colon] != ':');
                 ++colon) {
                if (line[colon] == '"')
                    quoted = !quoted;
            }
            if (colon == line.size())
                return;
            paramText = line.sliced(nameEnd + 1, colon - nameEnd - 1);
        }
        const QByteArrayView value = line.sliced(colon + 1);
        QByteArrayView group;
        if (dot >= 0) {
            group = name.first(dot);
            name = name.sliced(dot + 1);
        }

        const Property property = propertyOf(name);
        if (property == Property::Begin) {
            if (!equalsAscii(value.trimmed(), "VCARD"))
                return;
            if (inCard_) {
                ++nested_; // a card inside a card (2.1's AGENT) is not one of ours
                return;
            }
            inCard_ = true;
            ++cards_;
            version_ = 3;
            fn_.reset();
            nLine_ = {};
            items_.clear();
            labels_.clear();
            lines_.clear();
            typedNotes_.clear();
            exact_.reset();
            return;
        }
        if (!inCard_ || property == Property::Other)
            return;
        if (property == Property::End) {
            if (!equalsAscii(value.trimmed(), "VCARD"))
                return;
            if (nested_ > 0)
                --nested_;
            else
                finishCard();
            return;
        }
        if (nested_ > 0)
            return;
        const Params params = parseParams(paramText);
        switch (property) {
        case Property::Version:
            version_ = value.startsWith("2") ? 2 : value.startsWith("4") ? 4 : 3;
            break;
        case Property::Fn:
            if (!fn_)
                fn_ = text(value, params);
            break;
        case Property::N:
            // Read only when the card has no FN.
            if (copied) {
                nCopy_ = line.toByteArray();
                line = nCopy_;
            }
            nLine_ = line;
            break;
        case Property::Tel:
            addLine(group, phoneKind(params.types, {}), value, params);
            break;
        case Property::Email:
            addLine(group, LineKind::Email, value, params);
            break;
        case Property::Adr:
            // Street, extended address and post office box first, as addresses are written.
            addLine(group, LineKind::Address, value, params, true, {2, 1, 0, 3, 4, 5, 6});
            break;
        case Property::Org:
            addLine(group, LineKind::Organization, value, params, true);
            break;
        case Property::Nickname:
            addLine(group, LineKind::Nickname, value, params, true);
            break;
        case Property::Url:
            addLine(group, LineKind::Web, value, params);
            break;
        case Property::Title:
            addLine(group, LineKind::Title, value, params);
            break;
        case Property::Bday:
            addLine(group, LineKind::Birthday, value, params);
            break;
        case Property::Note:
            addLine(group, LineKind::Text, value, params);
            break;
        case Property::Label:
            labels_.insert(group.toByteArray().toUpper(), text(value, params).trimmed());
            break;
        case Property::Exact: {
            Exact exact{params.bold, QString::fromLatin1(params.checksum), {}};
            if (!value.isEmpty()) {
                forEachPart(value, ';', [&](QByteArrayView part) {
                    if (part == "+" || part == "*") {
                        exact.fields.push_back({part == "*" ? Field::BoldTyped : Field::Typed, {}});
                    } else {
                        QString line;
                        appendText(line, part.startsWith('=') ? part.sliced(1) : part, params);
                        exact.fields.push_back({Field::Line, std::move(line)});
                    }
                });
            }
            exact_ = std::move(exact);
            break;
        }
        default:
            break;
        }
    }

    // The name N gives: prefix, given, additional, family, suffix.
    QString nameFromN()
    {
        if (nLine_.isEmpty())
            return {};
        const qsizetype colon = nLine_.indexOf(':');
        const qsizetype semicolon = nLine_.indexOf(';');
        const Params params = parseParams(semicolon >= 0 && semicolon < colon
                                              ? nLine_.sliced(semicolon + 1, colon - semicolon - 1)
                                              : QByteArrayView());
        QStringList parts;
        forEachPart(nLine_.sliced(colon + 1), ';',
                    [&](QByteArrayView part) { parts.append(text(part, params).trimmed()); });
        QStringList name;
        for (const int k : {3, 1, 2, 0, 4}) {
            if (k < parts.size() && !parts[k].isEmpty())
                name.append(parts[k]);
        }
        return name.join(u' ');
    }

    // Rebuilds the lines with the labels of the items' groups (X-ABLabel).
    void applyLabels()
    {
        bool labelled = false;
        for (const Item &item : items_)
            labelled = labelled || labels_.contains(item.group);
        if (!labelled)
            return;
        const QString old = lines_.take();
        for (Item &item : items_) {
            QString label = labels_.value(item.group);
            // A desktop address book's own labels ("_$!<Mobile>!$_") say what the types say.
            if (label.startsWith(u"_$!<") && label.endsWith(u">!$_")) {
                if (isPhoneKind(item.kind))
                    item.kind = phoneKind(item.types, label);
                label.clear();
            }
            const QStringView value =
                QStringView(old).sliced(item.valueStart, item.valueEnd - item.valueStart);
            lines_.begin();
            item.lineStart = lines_.lineStart();
            lines_.text().append(makeLine(item.kind, value, label));
            item.valueEnd = lines_.text().size();
            item.valueStart = item.valueEnd - value.size();
            lines_.end(typedNotes_, cards_, false);
        }
    }

    void finishCard()
    {
        inCard_ = false;
        applyLabels();
        Contact contact;
        contact.position = cards_;
        const QString &built = lines_.text();
        const auto valueOf = [&](const Item &item) {
            return QStringView(built).sliced(item.valueStart, item.valueEnd - item.valueStart);
        };
        if (exact_) {
            ContactChecksum checksum(fn_.value_or(QString()));
            for (const Item &item : items_)
                checksum.add(item.kind, valueOf(item));
            contact.exact = checksum.matches(exact_->checksum) && restoreExact(contact.numbers);
        }
        if (contact.exact) {
            contact.name = fn_.value_or(QString());
            contact.bold = exact_->bold;
        } else {
            contact.name = fn_ && !QStringView(*fn_).trimmed().isEmpty() ? *fn_ : nameFromN();
            if (contact.name.trimmed().isEmpty()) {
                struct Value
                {
                    LineKind kind;
                    QStringView value;
                };
                std::vector<Value> values;
                for (const Item &item : items_)
                    values.push_back({item.kind, valueOf(item)});
                contact.nameFromDetails = nameFromDetails(values);
            }
            contact.numbers = lines_.take();
            read_.notes.append(typedNotes_);
        }
        read_.contacts.append(std::move(contact));
    }

    // The exact lines from X-QUORVEL-ENTRY, each the line a typed property
    // gives back (in bold), or a line of its own. False when the typed
    // properties do not match the fields.
    bool restoreExact(QString &numbers)
    {
        const QString &built = lines_.text();
        QList<ReadNote> notes;
        std::size_t next = 0;
        bool matches = true;
        for (const ExactField &field : exact_->fields) {
            exactLines_.begin();
            if (field.kind == Field::Line) {
                exactLines_.text().append(field.line);
                // A line that is not blank had a typed property of its own.
                QStringView text = field.line;
                if (text.startsWith(QLatin1StringView(kBoldMarker)))
                    text = text.sliced(3);
                next += !text.trimmed().isEmpty();
            } else {
                if (next == items_.size()) {
                    matches = false;
                    break;
                }
                const Item &item = items_[next++];
                if (field.kind == Field::BoldTyped)
                    exactLines_.text().append(QLatin1StringView(kBoldMarker));
                exactLines_.text().append(
                    QStringView(built).sliced(item.lineStart, item.valueEnd - item.lineStart));
            }
            exactLines_.end(notes, cards_, false);
        }
        const QString lines = exactLines_.take();
        if (!matches || next != items_.size())
            return false;
        numbers = lines;
        read_.notes.append(notes);
        return true;
    }

    enum class Field { Typed, BoldTyped, Line };
    struct ExactField
    {
        Field kind;
        QString line;
    };
    struct Exact
    {
        bool bold = false;
        QString checksum;
        std::vector<ExactField> fields;
    };

    QByteArrayView data_;
    qsizetype room_ = 0;
    qsizetype pos_ = 0;
    QByteArray joined_;
    ContactsRead read_;
    int cards_ = 0;
    bool inCard_ = false;
    int nested_ = 0;
    int version_ = 3;
    std::optional<QString> fn_;
    QByteArrayView nLine_;
    QByteArray nCopy_;
    NumberLines lines_;
    NumberLines exactLines_;
    QList<ReadNote> typedNotes_;
    std::vector<Item> items_;
    QHash<QByteArray, QString> labels_;
    std::optional<Exact> exact_;
};

} // namespace

void writeVCards(Utf8Builder &out, VCardVersion version,
                 const std::function<void(const EntryVisitor &)> &forEach)
{
    writeEntries(out, forEach, [version](Utf8Builder &to, EntryRun entries) {
        PropertyLine line(to);
        std::vector<LineValue> values;
        for (const DirectoryEntry *entry : entries)
            writeCard(line, version, *entry, values);
    });
}

QByteArray formatVCards(const QList<DirectoryEntry> &entries, VCardVersion version)
{
    Utf8Builder out;
    writeVCards(out, version, [&](const EntryVisitor &visit) {
        for (const DirectoryEntry &entry : entries)
            visit(entry);
    });
    return out.take();
}

namespace {

// Where a card begins right after one ends, at or after `from`; -1 when
// there is no such place. Only there can a file be read in two parts.
qsizetype cardBoundary(QByteArrayView bytes, qsizetype from)
{
    for (qsizetype at = from; (at = bytes.indexOf("\nBEGIN:VCARD", at)) >= 0; ++at) {
        qsizetype start = at;
        while (start > 0 && bytes[start - 1] != '\n')
            --start;
        QByteArrayView previous = bytes.sliced(start, at - start);
        if (previous.endsWith('\r'))
            previous.chop(1);
        if (equalsAscii(previous, "END:VCARD"))
            return at + 1;
    }
    return -1;
}

// Files from this size on are read in two parts at once.
constexpr qsizetype kTwoPartsFrom = qsizetype(1) << 20;

} // namespace

ContactsRead readVCards(QByteArrayView bytes)
{
    if (bytes.startsWith("\xEF\xBB\xBF"))
        bytes = bytes.sliced(3);
    const qsizetype split =
        bytes.size() >= kTwoPartsFrom ? cardBoundary(bytes, bytes.size() / 2) : -1;
    ContactsRead read;
    if (split < 0) {
        read = Reader(bytes).run();
    } else {
        // The second half in a thread of its own; its cards are numbered on
        // from the first half's.
        Reader second(bytes.sliced(split));
        ContactsRead secondRead;
        const std::unique_ptr<QThread> thread(QThread::create([&] { secondRead = second.run(); }));
        thread->start();
        Reader first(bytes.first(split), bytes.size());
        read = first.run();
        thread->wait();
        read.ok = read.ok || secondRead.ok;
        read.contacts.reserve(read.contacts.size() + secondRead.contacts.size());
        for (Contact &contact : secondRead.contacts) {
            contact.position += first.cards();
            read.contacts.append(std::move(contact));
        }
        for (ReadNote &note : secondRead.notes) {
            note.position += first.cards();
            read.notes.append(std::move(note));
        }
    }
    if (!read.ok) {
        read.error = QStringLiteral("it holds no vCard (BEGIN:VCARD ... END:VCARD)");
        read.notes.clear();
    }
    return read;
}

} // namespace core
