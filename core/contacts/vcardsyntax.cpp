#include "core/contacts/vcardsyntax.h"

#include "core/contacts/contactread.h"
#include "core/contacts/vcardmap.h"
#include "core/files/textcodec.h"

#include <QStringDecoder>

#include <array>
#include <cstdint>
#include <cstring>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

namespace core {

namespace {

// ---- parameters ----

// Holds the word without regard to case; word is in upper case.
bool containsAscii(QByteArrayView text, QByteArrayView word)
{
    for (qsizetype i = 0; i + word.size() <= text.size(); ++i) {
        if ((text[i] & ~0x20) == word[0] && equalsAscii(text.sliced(i, word.size()), word))
            return true;
    }
    return false;
}

// A TYPE value, a bare 2.1 parameter or an ENCODING.
void addType(Params &params, QByteArrayView word)
{
    if (const unsigned bits = typeBitsOfWord(word)) {
        params.types |= bits;
        return;
    }
    if (equalsAscii(word, "QUOTED-PRINTABLE"))
        params.quotedPrintable = true;
}

QByteArrayView unquoted(QByteArrayView value)
{
    if (value.size() >= 2 && value.front() == '"' && value.back() == '"')
        return value.sliced(1, value.size() - 2);
    return value;
}

// Where the parameter starting at `from` ends: the next ";" outside quotes.
qsizetype paramEnd(QByteArrayView text, qsizetype from)
{
    bool quoted = false;
    while (from < text.size() && (quoted || text[from] != ';')) {
        if (text[from] == '"')
            quoted = !quoted;
        ++from;
    }
    return from;
}

// TYPE words of a comma list: "work,voice", and 2.1's bare "FAX,WORK".
void addTypes(Params &params, QByteArrayView value)
{
    for (qsizetype from = 0, comma = 0; from <= value.size(); from = comma + 1) {
        comma = value.indexOf(',', from);
        if (comma < 0)
            comma = value.size();
        addType(params, value.sliced(from, comma - from).trimmed());
    }
}

void addParam(Params &params, QByteArrayView name, QByteArrayView value)
{
    if (equalsAscii(name, "TYPE")) {
        addTypes(params, value);
    } else if (equalsAscii(name, "ENCODING"))
        addType(params, value);
    else if (equalsAscii(name, "CHARSET"))
        params.charset = value;
    else if (equalsAscii(name, "VALUE"))
        params.uri = equalsAscii(value, "URI"), params.text = equalsAscii(value, "TEXT");
    else if (equalsAscii(name, "CHECKSUM"))
        params.checksum = value;
    else if (equalsAscii(name, "BOLD"))
        params.bold = value == "1";
}

bool declaresQuotedPrintable(QByteArrayView line)
{
    qsizetype i = 0;
    while (i < line.size() && line[i] != ';' && line[i] != ':')
        ++i;
    if (i == line.size() || line[i] == ':')
        return false; // no parameters
    const qsizetype colon = line.indexOf(':', i);
    return containsAscii(line.sliced(i, (colon < 0 ? line.size() : colon) - i), "QUOTED-PRINTABLE");
}

// ---- values ----

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

bool isHexDigit(char c)
{
    return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f');
}

// True when the "=" at i is followed by two hexadecimal digits.
bool escapesByte(QByteArrayView text, qsizetype i)
{
    return i + 2 < text.size() && isHexDigit(text[i + 1]) && isHexDigit(text[i + 2]);
}

// ---- writing ----

// The ASCII characters a text value escapes.
constexpr auto kEscaped = [] {
    std::array<bool, 128> escaped{};
    for (const char c : {'\\', ',', ';', '\n', '\r'})
        escaped[std::size_t(c)] = true;
    return escaped;
}();

#ifdef __SSE2__
// True when one of the eight code units is not ASCII or is escaped.
bool anySpecial(__m128i units)
{
    const __m128i beyondAscii = _mm_cmpgt_epi16(_mm_add_epi16(units, _mm_set1_epi16(-0x8000)),
                                                _mm_set1_epi16(-0x8000 + 0x7F));
    const __m128i escaped =
        _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi16(units, _mm_set1_epi16(u'\\')),
                                  _mm_cmpeq_epi16(units, _mm_set1_epi16(u','))),
                     _mm_or_si128(_mm_cmpeq_epi16(units, _mm_set1_epi16(u';')),
                                  _mm_or_si128(_mm_cmpeq_epi16(units, _mm_set1_epi16(u'\n')),
                                               _mm_cmpeq_epi16(units, _mm_set1_epi16(u'\r')))));
    return _mm_movemask_epi8(_mm_or_si128(beyondAscii, escaped)) != 0;
}
#endif

// Copies the ASCII that needs no escape from p on to o, one byte a unit;
// gives where it stopped. `begin` is where the text begins.
const char16_t *copyPlain(const char16_t *p, const char16_t *const end, const char16_t *const begin,
                          unsigned char *&o)
{
#ifdef __SSE2__
    // Eight code units at a time.
    while (end - p >= 8) {
        const __m128i units = _mm_loadu_si128(reinterpret_cast<const __m128i *>(p));
        if (anySpecial(units))
            break;
        _mm_storel_epi64(reinterpret_cast<__m128i *>(o), _mm_packus_epi16(units, units));
        o += 8;
        p += 8;
    }
    // A short tail of a longer text: its last eight code units at once when
    // none needs anything, the first of them written over what was written
    // for them already (those before p are plain ASCII too: one byte each).
    if (end - p < 8 && end - begin >= 8) {
        const __m128i units = _mm_loadu_si128(reinterpret_cast<const __m128i *>(end - 8));
        if (!anySpecial(units)) {
            const int before = int(8 - (end - p));
            _mm_storel_epi64(reinterpret_cast<__m128i *>(o - before),
                             _mm_packus_epi16(units, units));
            o += end - p;
            return end;
        }
    }
#else
    (void)begin;
#endif
    while (p < end && *p < 0x80 && !kEscaped[*p])
        *o++ = static_cast<unsigned char>(*p++);
    return p;
}

} // namespace

Params parseParams(QByteArrayView text)
{
    Params params;
    for (qsizetype start = 0; start < text.size();) {
        const qsizetype end = paramEnd(text, start);
        const QByteArrayView param = text.sliced(start, end - start);
        start = end + 1;
        const qsizetype eq = param.indexOf('=');
        if (eq < 0)
            addTypes(params, param.trimmed());
        else
            addParam(params, param.first(eq).trimmed(), unquoted(param.sliced(eq + 1).trimmed()));
    }
    return params;
}

std::optional<ContentLine> splitContentLine(QByteArrayView line)
{
    // Names are short: the group ends at the last "." before them.
    qsizetype nameEnd = 0;
    qsizetype dot = -1;
    for (; nameEnd < line.size() && line[nameEnd] != ':' && line[nameEnd] != ';'; ++nameEnd) {
        if (line[nameEnd] == '.')
            dot = nameEnd;
    }
    if (nameEnd == line.size())
        return std::nullopt;
    ContentLine content;
    content.name = line.first(nameEnd);
    qsizetype colon = nameEnd;
    if (line[nameEnd] == ';') {
        // Parameters are short too; a quoted value may hold ":".
        bool quoted = false;
        for (colon = nameEnd + 1; colon < line.size() && (quoted || line[colon] != ':'); ++colon) {
            if (line[colon] == '"')
                quoted = !quoted;
        }
        if (colon == line.size())
            return std::nullopt;
        content.params = line.sliced(nameEnd + 1, colon - nameEnd - 1);
    }
    content.value = line.sliced(colon + 1);
    if (dot >= 0) {
        content.group = content.name.first(dot);
        content.name = content.name.sliced(dot + 1);
    }
    return content;
}

bool ContentLines::next(QByteArrayView &line, bool &joined, int version)
{
    do {
        if (!nextRaw(line))
            return false;
    } while (line.isEmpty());
    cut_ = false;
    const bool qp = declaresQuotedPrintable(line);
    joined = continues(line, qp, version);
    if (!joined)
        return true;
    joined_.resize(0);
    append(line);
    while (continues(joined_, qp, version)) {
        const bool softBreak = qp && joined_.endsWith('=');
        const bool indented = data_[pos_] == ' ' || data_[pos_] == '\t';
        nextRaw(line);
        if (softBreak) {
            joined_.chop(1);
        } else if (!indented) { // 2.1: a line without ":" carries on the value
            if (joined_.endsWith('\\'))
                joined_.chop(1);
            joined_.append('\n');
        } else if (version != 2) {
            line = line.sliced(1);
        }
        append(line);
    }
    line = joined_;
    return true;
}

void ContentLines::append(QByteArrayView piece)
{
    const qsizetype room = 2 * kLongestValue - joined_.size();
    if (piece.size() > room) {
        cut_ = true;
        piece = piece.first(std::max<qsizetype>(room, 0));
    }
    joined_.append(piece);
}

bool ContentLines::nextRaw(QByteArrayView &line)
{
    if (pos_ >= data_.size())
        return false;
    const void *found = std::memchr(data_.data() + pos_, '\n', size_t(data_.size() - pos_));
    const qsizetype end = found ? static_cast<const char *>(found) - data_.data() : data_.size();
    line = data_.sliced(pos_, end - pos_);
    while (line.endsWith('\r'))
        line.chop(1);
    pos_ = end + 1;
    return true;
}

bool ContentLines::continues(QByteArrayView line, bool qp, int version) const
{
    if (pos_ >= data_.size())
        return false;
    if (qp && line.endsWith('='))
        return true;
    const char c = data_[pos_];
    if (c == ' ' || c == '\t')
        return true;
    return version == 2 && c != '\r' && c != '\n' && !nextLineHasColon();
}

bool ContentLines::nextLineHasColon() const
{
    const char *const begin = data_.data() + pos_;
    const void *eol = std::memchr(begin, '\n', size_t(data_.size() - pos_));
    const size_t length =
        eol ? size_t(static_cast<const char *>(eol) - begin) : size_t(data_.size() - pos_);
    return std::memchr(begin, ':', length) != nullptr;
}

QByteArrayView utf8OfVCards(QByteArrayView bytes, QByteArray &storage)
{
    std::optional<QStringDecoder::Encoding> encoding;
    if (bytes.startsWith("\xFF\xFE"))
        encoding = QStringDecoder::Utf16LE;
    else if (bytes.startsWith("\xFE\xFF"))
        encoding = QStringDecoder::Utf16BE;
    else if (bytes.size() >= 2 && bytes[0] != 0 && bytes[1] == 0)
        encoding = QStringDecoder::Utf16LE;
    else if (bytes.size() >= 2 && bytes[0] == 0 && bytes[1] != 0)
        encoding = QStringDecoder::Utf16BE;
    if (!encoding)
        return bytes;
    // The decoder drops the byte-order mark.
    storage = QString(QStringDecoder(*encoding).decode(bytes)).toUtf8();
    return storage;
}

QString decodeCharset(QByteArrayView bytes, QByteArrayView charset)
{
    const auto is = [&](const char *name) {
        return charset.compare(QByteArrayView(name), Qt::CaseInsensitive) == 0;
    };
    if (charset.isEmpty() || is("utf-8") || is("utf8")) {
        if (charset.isEmpty() && !bytes.isValidUtf8())
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

QByteArray decodeQuotedPrintable(QByteArrayView text)
{
    // Qt decodes "=XX"; an "=" that escapes nothing is first spelled "=3D".
    QByteArray escaped;
    qsizetype copied = 0;
    for (qsizetype i = 0; (i = text.indexOf('=', i)) >= 0; ++i) {
        if (escapesByte(text, i)) {
            i += 2;
            continue;
        }
        escaped.append(text.sliced(copied, i + 1 - copied)).append("3D");
        copied = i + 1;
    }
    if (copied == 0)
        return QByteArray::fromPercentEncoding(text.toByteArray(), '=');
    escaped.append(text.sliced(copied));
    return QByteArray::fromPercentEncoding(escaped, '=');
}

void appendValueText(QString &out, QByteArrayView raw, const Params &params, int version)
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
        else if (version != 2 || QStringView(u"\\;,:").contains(next))
            out.append(next);
        else
            out.append(c).append(next); // 2.1 escapes nothing else
    }
}

QString valueText(QByteArrayView raw, const Params &params, int version)
{
    if (!params.quotedPrintable && isPlainAscii(raw))
        return QString::fromLatin1(raw);
    if (!params.quotedPrintable && raw.indexOf('\\') < 0)
        return decodeCharset(raw, params.charset);
    QString out;
    appendValueText(out, raw, params, version);
    return out;
}

QByteArrayView plainValue(QByteArrayView raw, Params &params, QByteArray &storage)
{
    const bool utf8 = params.charset.isEmpty() ||
                      params.charset.compare("utf-8", Qt::CaseInsensitive) == 0 ||
                      params.charset.compare("utf8", Qt::CaseInsensitive) == 0;
    if (!params.quotedPrintable && utf8)
        return raw;
    storage = (params.quotedPrintable ? decodeCharset(decodeQuotedPrintable(raw), params.charset)
                                      : decodeCharset(raw, params.charset))
                  .toUtf8();
    params.quotedPrintable = false;
    params.charset = "UTF-8";
    return storage;
}

void trimFrom(QString &out, qsizetype from)
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

PropertyLine &PropertyLine::text(QStringView text)
{
    reserve(text.size() * 3);
    auto *o = reinterpret_cast<unsigned char *>(bytes_.get() + used_);
    const char16_t *p = text.utf16();
    const char16_t *const end = p + text.size();
    while (p < end) {
        p = copyPlain(p, end, text.utf16(), o);
        if (p == end)
            break;
        const char32_t c = *p++;
        if (c >= 0x80) {
            o = appendUtf8(o, c, p, end);
        } else if (c == u'\n' || c == u'\r') {
            if (c == u'\r' && p < end && *p == u'\n')
                continue; // CR LF is one line break
            *o++ = '\\';
            *o++ = 'n';
        } else {
            *o++ = '\\'; // "\", "," or ";"
            *o++ = static_cast<unsigned char>(c);
        }
    }
    used_ = reinterpret_cast<char *>(o) - bytes_.get();
    return *this;
}

PropertyLine &PropertyLine::lines(QLatin1StringView text)
{
    raw(text);
    start_ = used_;
    return *this;
}

void PropertyLine::end()
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

void PropertyLine::flush()
{
    out_.appendBytes(QByteArrayView(bytes_.get(), used_));
    used_ = 0;
    start_ = 0;
}

void PropertyLine::grow(qsizetype more)
{
    capacity_ = std::max(used_ + more, capacity_ * 2 + 256);
    auto grown = std::make_unique<char[]>(std::size_t(capacity_));
    if (used_ > 0)
        std::memcpy(grown.get(), bytes_.get(), std::size_t(used_));
    bytes_ = std::move(grown);
}

} // namespace core
