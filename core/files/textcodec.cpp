#include "core/files/textcodec.h"

#include <QStringDecoder>

#include <algorithm>
#include <array>
#include <bit>
#include <cstring>
#include <utility>

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
    PieceDecoder decoder(out);
    decoder.add(bytes);
    return decoder.finish(form);
}

void PieceDecoder::add(QByteArrayView piece)
{
    if (form_ == Form::Unknown) {
        // The first two bytes tell a UTF-16 byte-order mark.
        carry_.append(piece);
        if (carry_.size() < 2)
            return;
        form_ = carry_.startsWith("\xFF\xFE")   ? Form::Utf16LE
                : carry_.startsWith("\xFE\xFF") ? Form::Utf16BE
                                                : Form::Lines;
        if (form_ != Form::Lines)
            carry_.remove(0, 2);
        const QByteArray start = std::exchange(carry_, {});
        add(start);
        return;
    }
    if (form_ != Form::Lines) {
        // The last whole code unit waits with an odd byte after it, so that
        // the end is decoded as a whole text's end is.
        utf16Bytes_ += piece.size();
        carry_.append(piece);
        const qsizetype keep = std::min<qsizetype>(carry_.size(), 2 + carry_.size() % 2);
        decodeUtf16(QByteArrayView(carry_).chopped(keep));
        carry_.remove(0, carry_.size() - keep);
        return;
    }
    qsizetype end = piece.size();
    while (end > 0 && piece[end - 1] != '\n' && piece[end - 1] != '\r')
        --end;
    if (end == 0) {
        carry_.append(piece);
        return;
    }
    if (carry_.isEmpty()) {
        decodeLines(piece.first(end));
    } else {
        carry_.append(piece.first(end));
        decodeLines(carry_);
        carry_.clear();
    }
    carry_.append(piece.sliced(end));
}

qsizetype PieceDecoder::finish(TextForm *form)
{
    TextForm read;
    if (form_ == Form::Lines || form_ == Form::Unknown) {
        if (!carry_.isEmpty())
            decodeLines(carry_);
        read.plainUtf8 = wholeUtf8_;
    } else {
        QStringDecoder utf16(
            form_ == Form::Utf16LE ? QStringDecoder::Utf16LE : QStringDecoder::Utf16BE,
            QStringDecoder::Flag::Stateless | QStringDecoder::Flag::ConvertInitialBom);
        QChar *const end = utf16.appendToBuffer(out_ + written_, carry_);
        written_ = end - out_;
        read.exact = !utf16Error_ && !utf16.hasError() && utf16Bytes_ % 2 == 0;
        // A surrogate without its pair has no UTF-8 form: it is replaced
        // here, so that the text reads the same once written.
        for (QChar *c = out_; c < end; ++c) {
            if (c->isHighSurrogate() && c + 1 < end && (c + 1)->isLowSurrogate()) {
                ++c;
            } else if (c->isSurrogate()) {
                *c = QChar::ReplacementCharacter;
                read.exact = false;
            }
        }
    }
    carry_.clear();
    if (form)
        *form = read;
    return written_;
}

void PieceDecoder::decodeLines(QByteArrayView lines)
{
    // A leading byte-order mark is dropped, and the text is not plain UTF-8.
    if (atStart_ && lines.startsWith("\xEF\xBB\xBF"))
        wholeUtf8_ = false;
    QChar *p = out_ + written_;
    // Most files are valid UTF-8 throughout: one pass decodes them.
    if (const qsizetype whole = decodeUtf8Into(p, lines, atStart_); whole >= 0) {
        p += whole;
    } else {
        wholeUtf8_ = false;
        // Otherwise each line (with its line break) on its own. A line break
        // is ASCII and never part of a longer UTF-8 sequence, so lines split
        // cleanly.
        for (qsizetype start = 0; start < lines.size();) {
            const qsizetype end = pastLineBreak(lines.data(), start, lines.size());
            const QByteArrayView line = lines.sliced(start, end - start);
            const qsizetype decoded = decodeUtf8Into(p, line, atStart_ && start == 0);
            p += decoded >= 0 ? decoded : decodeCp1252Into(p, line);
            start = end;
        }
    }
    atStart_ = false;
    written_ = p - out_;
}

void PieceDecoder::decodeUtf16(QByteArrayView units)
{
    // A second mark is a character of the text, not a mark.
    QStringDecoder utf16(form_ == Form::Utf16LE ? QStringDecoder::Utf16LE : QStringDecoder::Utf16BE,
                         QStringDecoder::Flag::Stateless | QStringDecoder::Flag::ConvertInitialBom);
    written_ = utf16.appendToBuffer(out_ + written_, units) - out_;
    utf16Error_ = utf16Error_ || utf16.hasError();
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
    char *const start = bytes_.data() + used_;
    used_ += utf8_.appendToBuffer(start, text) - start;
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
