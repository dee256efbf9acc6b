#include "textfile.h"

#include "blockmemory.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
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
// units: a line ends at LF, a CR before the LF (or before the end) is not
// part of the line, and a break after the last line adds no line.
template <typename F> void forEachLineSpan(QStringView text, F f)
{
    const qsizetype size = text.size();
    qsizetype start = 0;
    while (start < size) {
        qsizetype end = indexOfUnit(text, u'\n', start);
        if (end < 0)
            end = size;
        qsizetype lineEnd = end;
        if (lineEnd > start && text.at(lineEnd - 1) == '\r')
            --lineEnd;
        f(start, lineEnd);
        start = end + 1;
    }
}

// Decodes bytes as decodeText does into out, which has room for one code
// unit per byte; returns the number of code units written.
qsizetype decodeInto(QChar *out, QByteArrayView bytes)
{
    // Stateless: a sequence cut off at the end is an error too.
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QChar *end = utf8.appendToBuffer(out, bytes);
    if (!utf8.hasError())
        return end - out;
    return decodeCp1252Into(out, bytes);
}

} // namespace

qsizetype indexOfUnit(QStringView text, char16_t c, qsizetype from)
{
    const char16_t *const data = text.utf16();
    const qsizetype size = text.size();
    qsizetype i = from;
#ifdef __SSE2__
    // Eight code units at a time.
    const __m128i wanted = _mm_set1_epi16(static_cast<short>(c));
    for (; i + 8 <= size; i += 8) {
        const __m128i chunk = _mm_loadu_si128(reinterpret_cast<const __m128i *>(data + i));
        const int mask = _mm_movemask_epi8(_mm_cmpeq_epi16(chunk, wanted));
        if (mask)
            return i + std::countr_zero(static_cast<unsigned>(mask)) / 2;
    }
#endif
    for (; i < size; ++i) {
        if (data[i] == c)
            return i;
    }
    return -1;
}

bool isBlank(QStringView text)
{
    for (const QChar c : text) {
        if (c != QLatin1Char(' '))
            return false;
    }
    return true;
}

bool isValidUtf8(QByteArrayView bytes)
{
    // Strict UTF-8: no overlong forms, no surrogates, nothing above U+10FFFF,
    // no sequence cut off at the end.
    const auto *p = reinterpret_cast<const unsigned char *>(bytes.constData());
    const unsigned char *const end = p + bytes.size();
    while (p < end) {
        // Runs of ASCII, eight bytes at a time.
        while (end - p >= 8) {
            std::uint64_t word;
            std::memcpy(&word, p, 8);
            if (word & 0x8080808080808080ull)
                break;
            p += 8;
        }
        if (p == end)
            break;
        const unsigned char b = *p;
        if (b < 0x80) {
            ++p;
            continue;
        }
        int length = 0;
        unsigned char low = 0x80;
        unsigned char high = 0xBF;
        if (b >= 0xC2 && b <= 0xDF) {
            length = 2;
        } else if (b >= 0xE0 && b <= 0xEF) {
            length = 3;
            if (b == 0xE0)
                low = 0xA0;
            else if (b == 0xED)
                high = 0x9F;
        } else if (b >= 0xF0 && b <= 0xF4) {
            length = 4;
            if (b == 0xF0)
                low = 0x90;
            else if (b == 0xF4)
                high = 0x8F;
        } else {
            return false;
        }
        if (end - p < length || p[1] < low || p[1] > high)
            return false;
        for (int i = 2; i < length; ++i) {
            if (p[i] < 0x80 || p[i] > 0xBF)
                return false;
        }
        p += length;
    }
    return true;
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
    text.truncate(decodeInto(text.data(), bytes));
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

void forEachLine(QStringView text, const std::function<void(QStringView)> &line)
{
    forEachLineSpan(text,
                    [&](qsizetype begin, qsizetype end) { line(text.sliced(begin, end - begin)); });
}

QStringList decodeLines(QByteArrayView bytes)
{
    return splitLines(decodeText(bytes));
}

namespace {
constexpr qsizetype kChunk = qsizetype(64) * 1024;
} // namespace

Utf8Builder::Utf8Builder(QIODevice *sink) : sink_(sink) {}

void Utf8Builder::reserveFor(qsizetype characters)
{
    // A UTF-16 code unit takes at most three bytes of UTF-8.
    const qsizetype needed = used_ + characters * 3;
    if (needed > bytes_.size())
        bytes_.resize(std::max({needed, bytes_.size() * 2, sink_ ? 2 * kChunk : qsizetype(0)}));
}

void Utf8Builder::flushIfFull()
{
    if (sink_ && used_ >= kChunk)
        finish();
}

bool Utf8Builder::finish()
{
    // A short write (the disk filled up part-way) reports no error; writing
    // the rest again fails with the reason.
    for (qsizetype written = 0; sink_ && !failed_ && written < used_;) {
        const qint64 count = sink_->write(bytes_.constData() + written, used_ - written);
        if (count <= 0)
            failed_ = true;
        else
            written += count;
    }
    used_ = 0;
    return !failed_;
}

void Utf8Builder::append(QStringView text)
{
    // Text that begins with U+FEFF would lose it to the reader, which takes
    // a leading one for a byte-order mark: a mark in front keeps it.
    if (atStart_ && text.startsWith(QChar(0xFEFF)))
        appendBytes("\xEF\xBB\xBF");
    atStart_ = atStart_ && text.isEmpty();
    reserveFor(text.size());
    auto *o = reinterpret_cast<unsigned char *>(bytes_.data() + used_);
    const char16_t *p = text.utf16();
    const char16_t *const end = p + text.size();
    while (p < end) {
        // Runs of ASCII, sixteen and then eight code units at a time.
#ifdef __SSE2__
        const __m128i bias = _mm_set1_epi16(-0x8000);
        const __m128i limit = _mm_set1_epi16(-0x8000 + 0x7F);
        const auto ascii = [&](__m128i units) {
            return _mm_movemask_epi8(_mm_cmpgt_epi16(_mm_add_epi16(units, bias), limit)) == 0;
        };
        while (end - p >= 16) {
            const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i *>(p));
            const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i *>(p + 8));
            if (!ascii(_mm_or_si128(a, b)))
                break;
            _mm_storeu_si128(reinterpret_cast<__m128i *>(o), _mm_packus_epi16(a, b));
            o += 16;
            p += 16;
        }
        while (end - p >= 8) {
            const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i *>(p));
            if (!ascii(a))
                break;
            _mm_storel_epi64(reinterpret_cast<__m128i *>(o), _mm_packus_epi16(a, a));
            o += 8;
            p += 8;
        }
        // A short ASCII tail: four code units tested at once.
        while (end - p >= 4) {
            std::uint64_t units;
            std::memcpy(&units, p, 8);
            if (units & 0xFF80FF80FF80FF80ull)
                break;
            o[0] = static_cast<unsigned char>(p[0]);
            o[1] = static_cast<unsigned char>(p[1]);
            o[2] = static_cast<unsigned char>(p[2]);
            o[3] = static_cast<unsigned char>(p[3]);
            o += 4;
            p += 4;
        }
#endif
        if (p == end)
            break;
        const char32_t c = *p++;
        if (c < 0x80) {
            *o++ = static_cast<unsigned char>(c);
        } else if (c < 0x800) {
            *o++ = static_cast<unsigned char>(0xC0 | (c >> 6));
            *o++ = static_cast<unsigned char>(0x80 | (c & 0x3F));
        } else if (QChar::isHighSurrogate(c) && p < end && QChar::isLowSurrogate(*p)) {
            const char32_t u = QChar::surrogateToUcs4(static_cast<char16_t>(c), *p++);
            *o++ = static_cast<unsigned char>(0xF0 | (u >> 18));
            *o++ = static_cast<unsigned char>(0x80 | ((u >> 12) & 0x3F));
            *o++ = static_cast<unsigned char>(0x80 | ((u >> 6) & 0x3F));
            *o++ = static_cast<unsigned char>(0x80 | (u & 0x3F));
        } else {
            // A lone surrogate has no UTF-8 form: it becomes U+FFFD.
            const char32_t u = QChar::isSurrogate(c) ? 0xFFFD : c;
            *o++ = static_cast<unsigned char>(0xE0 | (u >> 12));
            *o++ = static_cast<unsigned char>(0x80 | ((u >> 6) & 0x3F));
            *o++ = static_cast<unsigned char>(0x80 | (u & 0x3F));
        }
    }
    used_ = reinterpret_cast<char *>(o) - bytes_.constData();
    flushIfFull();
}

void Utf8Builder::appendBytesSlow(QByteArrayView bytes)
{
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

namespace {

// Opens a file for reading. Nothing at the path is Missing; a folder or a
// file that will not open is Failed with the reason; otherwise the file is
// open (and the status Ok).
ReadStatus openForReading(QFile &file, QString &error)
{
    const QFileInfo info(file.fileName());
    if (!info.exists() && !info.isSymLink())
        return ReadStatus::Missing;
    if (info.isDir()) {
        error = QStringLiteral("it is a folder, not a file");
        return ReadStatus::Failed;
    }
    if (!file.open(QIODevice::ReadOnly)) {
        error = file.errorString();
        return ReadStatus::Failed;
    }
    return ReadStatus::Ok;
}

} // namespace

ReadBytesResult readFileBytes(const QString &path)
{
    ReadBytesResult result;
    QFile file(path);
    if (const ReadStatus opened = openForReading(file, result.error); opened != ReadStatus::Ok) {
        result.status = opened;
        return result;
    }
    result.bytes = file.readAll();
    if (file.error() != QFileDevice::NoError) {
        result.error = file.errorString();
        result.bytes.clear();
    } else {
        result.status = ReadStatus::Ok;
    }
    return result;
}

KeptText readTextKeptUntilExit(const QString &path)
{
    KeptText result;
    QFile file(path);
    if (const ReadStatus opened = openForReading(file, result.error); opened != ReadStatus::Ok) {
        result.status = opened;
        return result;
    }
    // Read to the end whatever the size said: the file may change meanwhile.
    const std::size_t expected = static_cast<std::size_t>(std::max<qint64>(file.size(), 0));
    QByteArray grown;
    std::unique_ptr<char, decltype(&std::free)> bytes(
        static_cast<char *>(allocateBlock(expected + 1)), &std::free);
    if (!bytes) {
        result.error = QStringLiteral("there is not enough memory");
        return result;
    }
    const qint64 got = file.read(bytes.get(), static_cast<qint64>(expected));
    if (got < 0) {
        result.error = file.errorString();
        return result;
    }
    QByteArrayView content(bytes.get(), got);
    if (!file.atEnd() || file.bytesAvailable() > 0) {
        grown = QByteArray(bytes.get(), got) + file.readAll();
        content = grown;
    }
    if (file.error() != QFileDevice::NoError) {
        result.error = file.errorString();
        return result;
    }
    auto *text = static_cast<QChar *>(allocateBlock(
        static_cast<std::size_t>(std::max<qsizetype>(content.size(), 1)) * sizeof(QChar)));
    if (!text) {
        result.error = QStringLiteral("there is not enough memory");
        return result;
    }
    keepUntilExit(text);
    result.text = QStringView(text, decodeInto(text, content));
    result.status = ReadStatus::Ok;
    return result;
}

ReadResult readTextLines(const QString &path)
{
    ReadBytesResult file = readFileBytes(path);
    ReadResult result{file.status, {}, file.error};
    if (file.status == ReadStatus::Ok)
        result.lines = decodeLines(file.bytes);
    return result;
}

QString writeFileAtomically(const QString &path, const std::function<void(Utf8Builder &)> &fill,
                            std::optional<QFile::Permissions> permissions)
{
    QSaveFile file(path);
    // Unbuffered: a write error must reach us here. Data left in a buffer is
    // flushed inside commit(), which ignores a failure there (a full disk)
    // and would rename the short file over the old one.
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        return file.errorString();
    if (permissions && !file.setPermissions(*permissions)) {
        file.cancelWriting();
        return QStringLiteral("its permissions could not be set");
    }
    Utf8Builder out(&file);
    fill(out);
    if (!out.finish()) {
        QString reason = file.errorString();
        file.cancelWriting();
        return reason;
    }
    if (!file.commit())
        return file.errorString();
    return {};
}

QString writeFileAtomically(const QString &path, const QByteArray &bytes,
                            std::optional<QFile::Permissions> permissions)
{
    return writeFileAtomically(
        path, [&](Utf8Builder &out) { out.appendBytes(bytes); }, permissions);
}

QString writeTextLines(const QString &path, const QStringList &lines)
{
    return writeFileAtomically(path, joinLines(lines));
}

} // namespace core
