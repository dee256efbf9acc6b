#include "core/files/textcodec.h"

#include <QStringDecoder>

#include <algorithm>
#include <array>
#include <bit>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <mutex>
#include <vector>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

namespace core {

namespace {

// Windows-1252 differs from Latin-1 only in 0x80..0x9F. The five bytes the
// code page leaves undefined map to the same code point, as Windows does.
constexpr std::array<char16_t, 32> kCp1252High = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

// Decodes Windows-1252 bytes into out, which has room for them; returns the
// number of characters written.
qsizetype decodeCp1252Into(QChar *out, QByteArrayView bytes)
{
    QChar *p = out;
    for (const char c : bytes) {
        const auto b = static_cast<unsigned char>(c);
        *p++ = (b >= 0x80 && b <= 0x9F) ? QChar(kCp1252High[b - 0x80]) : QChar(b);
    }
    return p - out;
}

// Calls f(begin, end) for each line of a text held as a sequence of code
// units: a line ends at CR, LF or CR LF, which is not part of the line, and
// a break after the last line adds no line.
template <typename F> void forEachLineSpan(QStringView text, F f)
{
    const qsizetype size = text.size();
    qsizetype start = 0;
    while (start < size) {
        const qsizetype end = indexOfEither(text, u'\n', u'\r', start);
        if (end < 0) {
            f(start, size);
            return;
        }
        f(start, end);
        start = end + (text[end] == u'\r' && end + 1 < size && text[end + 1] == u'\n' ? 2 : 1);
    }
}

// Decodes bytes that are valid UTF-8 into out and returns the number of code
// units written, or -1 when they are not valid UTF-8. A leading byte-order
// mark is dropped only when dropBom is set.
qsizetype decodeUtf8Into(QChar *out, QByteArrayView bytes, bool dropBom)
{
    QStringDecoder::Flags flags = QStringDecoder::Flag::Stateless;
    if (!dropBom)
        flags |= QStringDecoder::Flag::ConvertInitialBom;
    QStringDecoder utf8(QStringDecoder::Utf8, flags);
    const QChar *end = utf8.appendToBuffer(out, bytes);
    return utf8.hasError() ? -1 : end - out;
}

// Decodes UTF-16 bytes after their byte-order mark into out; returns the
// number of code units written and clears exact when a character had to be
// replaced.
qsizetype decodeUtf16Into(QChar *out, QByteArrayView bytes, QStringDecoder::Encoding order,
                          bool &exact)
{
    // A second mark is a character of the text, not a mark.
    QStringDecoder utf16(order,
                         QStringDecoder::Flag::Stateless | QStringDecoder::Flag::ConvertInitialBom);
    QChar *const end = utf16.appendToBuffer(out, bytes);
    exact = !utf16.hasError() && bytes.size() % 2 == 0;
    // A surrogate without its pair has no UTF-8 form: it is replaced here,
    // so that the text reads the same once written.
    for (QChar *c = out; c < end; ++c) {
        if (c->isHighSurrogate() && c + 1 < end && (c + 1)->isLowSurrogate()) {
            ++c;
        } else if (c->isSurrogate()) {
            *c = QChar::ReplacementCharacter;
            exact = false;
        }
    }
    return end - out;
}

// The index just past the first CR or LF at or after start, or size.
qsizetype pastLineBreak(const char *data, qsizetype start, qsizetype size)
{
    while (start < size && data[start] != '\n' && data[start] != '\r')
        ++start;
    return std::min(start + 1, size);
}

} // namespace

qsizetype indexOfAny(QStringView text, char16_t a, char16_t b, char16_t c, qsizetype from)
{
    const char16_t *const data = text.utf16();
    const qsizetype size = text.size();
    qsizetype i = from;
#ifdef __SSE2__
    // Eight code units at a time.
    const __m128i first = _mm_set1_epi16(static_cast<short>(a));
    const __m128i second = _mm_set1_epi16(static_cast<short>(b));
    const __m128i third = _mm_set1_epi16(static_cast<short>(c));
    for (; i + 8 <= size; i += 8) {
        const __m128i chunk = _mm_loadu_si128(reinterpret_cast<const __m128i *>(data + i));
        const int mask = _mm_movemask_epi8(_mm_or_si128(
            _mm_or_si128(_mm_cmpeq_epi16(chunk, first), _mm_cmpeq_epi16(chunk, second)),
            _mm_cmpeq_epi16(chunk, third)));
        if (mask)
            return i + std::countr_zero(static_cast<unsigned>(mask)) / 2;
    }
#endif
    for (; i < size; ++i) {
        if (data[i] == a || data[i] == b || data[i] == c)
            return i;
    }
    return -1;
}

qsizetype indexOfEither(QStringView text, char16_t a, char16_t b, qsizetype from)
{
    return indexOfAny(text, a, b, b, from);
}

qsizetype countUnit(QStringView text, char16_t c)
{
    const char16_t *const data = text.utf16();
    const qsizetype size = text.size();
    qsizetype count = 0;
    qsizetype i = 0;
#ifdef __SSE2__
    // Eight code units at a time, counted in 16-bit lanes (each match
    // subtracts -1) and summed before a lane could pass 0x7FFF, as the sum
    // takes them as signed.
    const __m128i wanted = _mm_set1_epi16(static_cast<short>(c));
    while (i + 8 <= size) {
        __m128i lanes = _mm_setzero_si128();
        const qsizetype stop = std::min(size & ~qsizetype(7), i + 8 * 0x7FFF);
        for (; i < stop; i += 8) {
            const __m128i chunk = _mm_loadu_si128(reinterpret_cast<const __m128i *>(data + i));
            lanes = _mm_sub_epi16(lanes, _mm_cmpeq_epi16(chunk, wanted));
        }
        // Pairs of lanes to 32 bits, then the four sums.
        const __m128i pairs = _mm_madd_epi16(lanes, _mm_set1_epi16(1));
        alignas(16) std::uint32_t sums[4];
        _mm_store_si128(reinterpret_cast<__m128i *>(sums), pairs);
        count += qsizetype(sums[0]) + sums[1] + sums[2] + sums[3];
    }
#endif
    for (; i < size; ++i)
        count += data[i] == c;
    return count;
}

qsizetype indexOfUnit(QStringView text, char16_t c, qsizetype from)
{
    return indexOfEither(text, c, c, from);
}

bool isBlank(QStringView text)
{
    for (const QChar c : text) {
        if (c != QLatin1Char(' '))
            return false;
    }
    return true;
}

qsizetype decodeTextInto(QChar *out, QByteArrayView bytes, TextForm *form)
{
    TextForm read;
    if (bytes.startsWith("\xFF\xFE") || bytes.startsWith("\xFE\xFF")) {
        const auto order = bytes[0] == '\xFF' ? QStringDecoder::Utf16LE : QStringDecoder::Utf16BE;
        const qsizetype decoded = decodeUtf16Into(out, bytes.sliced(2), order, read.exact);
        if (form)
            *form = read;
        return decoded;
    }
    // Most files are valid UTF-8 throughout: one pass decodes them.
    const qsizetype whole = decodeUtf8Into(out, bytes, true);
    read.plainUtf8 = whole >= 0 && !bytes.startsWith("\xEF\xBB\xBF");
    if (form)
        *form = read;
    if (whole >= 0)
        return whole;
    // Otherwise each line (with its line break) on its own. A line break is
    // ASCII and never part of a longer UTF-8 sequence, so lines split cleanly.
    QChar *p = out;
    const char *const data = bytes.data();
    const qsizetype size = bytes.size();
    for (qsizetype start = 0; start < size;) {
        const qsizetype end = pastLineBreak(data, start, size);
        const QByteArrayView line = bytes.sliced(start, end - start);
        const qsizetype decoded = decodeUtf8Into(p, line, start == 0);
        p += decoded >= 0 ? decoded : decodeCp1252Into(p, line);
        start = end;
    }
    return p - out;
}

QString decodeWindows1252(QByteArrayView bytes)
{
    QString text(bytes.size(), Qt::Uninitialized);
    decodeCp1252Into(text.data(), bytes);
    return text;
}

QString decodeText(QByteArrayView bytes)
{
    QString text(bytes.size(), Qt::Uninitialized);
    text.truncate(decodeTextInto(text.data(), bytes));
    return text;
}

QStringList splitLines(const QString &text)
{
    QStringList lines;
    forEachLineSpan(QStringView(text), [&](qsizetype begin, qsizetype end) {
        lines.append(text.mid(begin, end - begin));
    });
    return lines;
}

QStringList decodeLines(QByteArrayView bytes)
{
    return splitLines(decodeText(bytes));
}

Utf8Builder::Utf8Builder(ByteSink sink, bool atStartOfText)
    : sink_(std::move(sink)), atStart_(atStartOfText)
{
}

void Utf8Builder::grow(qsizetype needed)
{
    bytes_.resize(std::max({needed, bytes_.size() * 2, sink_ ? 2 * kChunkBytes : qsizetype(0)}));
}

bool Utf8Builder::finish()
{
    if (sink_ && !failed_ && used_ > 0 && !sink_(bytes_.constData(), used_))
        failed_ = true;
    used_ = 0;
    return !failed_;
}

namespace {

// Writes the UTF-8 form of the code units from p to end to o, which has room
// for three bytes a unit, and returns the end of what it wrote.
unsigned char *encodeUtf8(unsigned char *o, const char16_t *p, const char16_t *const end)
{
#ifdef __SSE2__
    const __m128i bias = _mm_set1_epi16(-0x8000);
    const __m128i limit = _mm_set1_epi16(-0x8000 + 0x7F);
#endif
    while (p < end) {
#ifdef __SSE2__
        // Eight code units at a time while they are ASCII; of eight that are
        // not all ASCII, the ones before the first other unit go at once.
        while (end - p >= 8) {
            const __m128i units = _mm_loadu_si128(reinterpret_cast<const __m128i *>(p));
            const int other = _mm_movemask_epi8(_mm_cmpgt_epi16(_mm_add_epi16(units, bias), limit));
            _mm_storel_epi64(reinterpret_cast<__m128i *>(o), _mm_packus_epi16(units, units));
            if (other == 0) {
                o += 8;
                p += 8;
                continue;
            }
            const int ascii = std::countr_zero(static_cast<unsigned>(other)) / 2;
            o += ascii;
            p += ascii;
            break;
        }
        if (p == end)
            break;
#endif
        const char32_t c = *p++;
        if (c < 0x80)
            *o++ = static_cast<unsigned char>(c);
        else
            o = appendUtf8(o, c, p, end);
    }
    return o;
}

} // namespace

void Utf8Builder::append(QStringView text)
{
    // Text that begins with U+FEFF would lose it to the reader, which takes
    // a leading one for a byte-order mark: a mark in front keeps it.
    if (atStart_) {
        if (text.startsWith(QChar(0xFEFF)))
            appendBytes("\xEF\xBB\xBF");
        atStart_ = text.isEmpty();
    }
    reserveFor(text.size());
    auto *const start = reinterpret_cast<unsigned char *>(bytes_.data() + used_);
    used_ += encodeUtf8(start, text.utf16(), text.utf16() + text.size()) - start;
    flushIfFull();
}

void Utf8Builder::appendBytesSlow(QByteArrayView bytes)
{
    // A large piece goes to the sink as it is, after what was built before.
    if (sink_ && bytes.size() >= kChunkBytes) {
        if (finish() && !sink_(bytes.data(), bytes.size()))
            failed_ = true;
        return;
    }
    reserveFor(bytes.size());
    std::memcpy(bytes_.data() + used_, bytes.data(), static_cast<std::size_t>(bytes.size()));
    used_ += bytes.size();
    flushIfFull();
}

QByteArray Utf8Builder::take()
{
    bytes_.truncate(used_);
    used_ = 0;
    return std::move(bytes_);
}

QByteArray joinLines(const QStringList &lines)
{
    Utf8Builder out;
    for (const QString &line : lines) {
        out.append(line);
        out.endLine();
    }
    return out.take();
}

} // namespace core
