#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringEncoder>
#include <QStringList>

#include <cstring>
#include <functional>

namespace core {

// Decodes the bytes of a text file line by line: a line that is valid UTF-8
// is read as UTF-8 and any other line as Windows-1252, so that files written
// by the Windows program and hand edits in either encoding read correctly and
// one stray byte never changes how the rest of the file reads. A byte-order
// mark at the very start is dropped; one of UTF-16 (either byte order) makes
// the whole text UTF-16, as editors save "Unicode" text.
QString decodeText(QByteArrayView bytes);

// How the decoded text stood in its bytes.
struct TextForm
{
    bool plainUtf8 = false; // UTF-8 throughout, without a byte-order mark
    // Every character read is one the bytes held: nothing was replaced (a
    // UTF-16 text cut inside a character, or a surrogate without its pair,
    // which UTF-8 cannot hold).
    bool exact = true;
};

// Decodes as decodeText does into out, which has room for one code unit per
// byte; returns the number of code units written. When form is given it
// tells how the text stood in the bytes.
qsizetype decodeTextInto(QChar *out, QByteArrayView bytes, TextForm *form = nullptr);

// Decodes as decodeText does bytes handed on in pieces, so that the bytes of
// a large file need never be in memory all at once: each piece is decoded up
// to its last line break, and only the line it ends inside is kept until the
// line is whole. The text goes to a buffer the caller keeps with room for one
// code unit per byte handed on so far.
class PieceDecoder
{
public:
    explicit PieceDecoder(QChar *out) : out_(out) {}
    void add(QByteArrayView piece);
    // Decodes what is left; returns the number of code units written in all.
    qsizetype finish(TextForm *form = nullptr);
    // The code units written so far.
    qsizetype written() const { return written_; }
    // The text written so far has been moved to out, which goes on from there.
    void moveTo(QChar *out) { out_ = out; }

private:
    enum class Form { Unknown, Lines, Utf16LE, Utf16BE };
    void decodeLines(QByteArrayView lines);
    void decodeUtf16(QByteArrayView units);
    QChar *out_;
    qsizetype written_ = 0;
    QByteArray carry_; // bytes handed on and not yet decoded
    Form form_ = Form::Unknown;
    bool atStart_ = true; // nothing decoded yet
    bool wholeUtf8_ = true;
    bool utf16Error_ = false;
    qsizetype utf16Bytes_ = 0;
};

// Decodes Windows-1252 bytes (every byte is a character).
QString decodeWindows1252(QByteArrayView bytes);

// True when the text is empty or holds nothing but space characters (a TAB
// is not a space here).
bool isBlank(QStringView text);

// Splits text into lines. A line ends at CR, LF or CR LF; the line break is
// not part of the line. A break after the last line adds no empty line, and an
// empty text has no lines at all.
QStringList splitLines(const QString &text);

// Position of the first code unit c at or after from, or -1.
qsizetype indexOfUnit(QStringView text, char16_t c, qsizetype from = 0);
// Position of the first code unit that is a or b at or after from, or -1.
qsizetype indexOfEither(QStringView text, char16_t a, char16_t b, qsizetype from = 0);
// Position of the first code unit that is a, b or c at or after from, or -1.
qsizetype indexOfAny(QStringView text, char16_t a, char16_t b, char16_t c, qsizetype from = 0);

// decodeText and splitLines in one step.
QStringList decodeLines(QByteArrayView bytes);

// Writes the UTF-8 form of c, a code unit of at least 0x80 just taken from a
// text that goes on at p, to o and returns the end of what it wrote. A high
// surrogate followed by a low one is one code point (p moves past the low
// one); a lone surrogate has no UTF-8 form and becomes U+FFFD.
inline unsigned char *appendUtf8(unsigned char *o, char32_t c, const char16_t *&p,
                                 const char16_t *end)
{
    if (c < 0x800) {
        *o++ = static_cast<unsigned char>(0xC0 | (c >> 6));
        *o++ = static_cast<unsigned char>(0x80 | (c & 0x3F));
    } else if (QChar::isHighSurrogate(c) && p < end && QChar::isLowSurrogate(*p)) {
        const char32_t u = QChar::surrogateToUcs4(static_cast<char16_t>(c), *p++);
        *o++ = static_cast<unsigned char>(0xF0 | (u >> 18));
        *o++ = static_cast<unsigned char>(0x80 | ((u >> 12) & 0x3F));
        *o++ = static_cast<unsigned char>(0x80 | ((u >> 6) & 0x3F));
        *o++ = static_cast<unsigned char>(0x80 | (u & 0x3F));
    } else {
        const char32_t u = QChar::isSurrogate(c) ? 0xFFFD : c;
        *o++ = static_cast<unsigned char>(0xE0 | (u >> 12));
        *o++ = static_cast<unsigned char>(0x80 | ((u >> 6) & 0x3F));
        *o++ = static_cast<unsigned char>(0x80 | (u & 0x3F));
    }
    return o;
}

// Where a Utf8Builder hands what it has built: the bytes and their count.
// Returns false when they could not all be taken (a write failed).
using ByteSink = std::function<bool(const char *, qsizetype)>;

// Builds UTF-8 text without intermediate strings. Given a sink, it hands on
// what it has built in chunks of modest size instead of holding it all. Text
// that begins with U+FEFF gets a byte-order mark in front, so that reading it
// back gives the same text.
class Utf8Builder
{
public:
    // atStartOfText false: what is built goes after other text, so no
    // byte-order mark is ever put in front.
    explicit Utf8Builder(ByteSink sink = {}, bool atStartOfText = true);
    void append(QStringView text);
    void appendBytes(QByteArrayView bytes)
    {
        // Short pieces (separators, line ends) go straight in when there is room.
        if (bytes.isEmpty())
            return;
        atStart_ = false;
        if (used_ + bytes.size() <= bytes_.size()) {
            std::memcpy(bytes_.data() + used_, bytes.data(),
                        static_cast<std::size_t>(bytes.size()));
            used_ += bytes.size();
            return;
        }
        appendBytesSlow(bytes);
    }
    void append(QLatin1StringView text) { appendBytes(QByteArrayView(text.data(), text.size())); }
    void endLine() { appendBytes("\r\n"); }
    // Makes room for this many more UTF-16 code units at once.
    void reserve(qsizetype characters) { reserveFor(characters); }
    // The text built (without a sink).
    QByteArray take();
    // Hands what is left to the sink; false when any hand-over failed.
    bool finish();

private:
    // What a sink is handed at a time, about.
    static constexpr qsizetype kChunkBytes = qsizetype(64) * 1024;
    void reserveFor(qsizetype characters)
    {
        // A UTF-16 code unit takes at most three bytes of UTF-8.
        if (const qsizetype needed = used_ + characters * 3; needed > bytes_.size())
            grow(needed);
    }
    void grow(qsizetype needed);
    void flushIfFull()
    {
        if (used_ >= kChunkBytes && sink_)
            finish();
    }
    void appendBytesSlow(QByteArrayView bytes);
    // Each piece of text on its own: a surrogate without its pair at the
    // end of one becomes U+FFFD, as it has no UTF-8 form.
    QStringEncoder utf8_{QStringEncoder::Utf8, QStringEncoder::Flag::Stateless};
    QByteArray bytes_;
    qsizetype used_ = 0;
    ByteSink sink_;
    bool failed_ = false;
    bool atStart_ = true;
};

// Encodes lines as UTF-8, each line followed by CR LF.
QByteArray joinLines(const QStringList &lines);

} // namespace core
