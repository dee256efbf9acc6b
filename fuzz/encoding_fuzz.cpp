// Decoding line by line: a line that is valid UTF-8 decodes without loss (it
// encodes back to the same bytes, less a byte-order mark at the very start of
// the file); any other line decodes as Windows-1252, one character per byte.
// Lines (ended by CR or LF) keep their count and their breaks whatever their
// encodings. A text behind a UTF-16 byte-order mark said to be read exactly
// encodes back to its bytes. Bytes handed on in pieces read as the whole does.

#include "check.h"
#include "core/files/textcodec.h"

#include <QByteArrayView>
#include <QRegularExpression>
#include <QStringEncoder>
#include <cstddef>
#include <cstdint>

namespace {

// Handed on in pieces, cut anywhere, the bytes read as the whole does.
void checkPieces(const QByteArray &bytes)
{
    QString whole(bytes.size(), Qt::Uninitialized);
    core::TextForm wholeForm;
    whole.truncate(core::decodeTextInto(whole.data(), bytes, &wholeForm));
    const qsizetype cut =
        bytes.isEmpty() ? 0 : static_cast<unsigned char>(bytes.back()) % (bytes.size() + 1);
    QString pieces(bytes.size(), Qt::Uninitialized);
    core::PieceDecoder decoder(pieces.data());
    decoder.add(QByteArrayView(bytes).first(cut));
    decoder.add(QByteArrayView(bytes).sliced(cut));
    core::TextForm form;
    pieces.truncate(decoder.finish(&form));
    fuzzcheck::expect(pieces == whole && form.plainUtf8 == wholeForm.plainUtf8 &&
                          form.exact == wholeForm.exact,
                      "bytes read in pieces read as the whole does");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), static_cast<qsizetype>(size));
    checkPieces(bytes);
    if (bytes.startsWith("\xFF\xFE") || bytes.startsWith("\xFE\xFF")) {
        QString text(bytes.size(), Qt::Uninitialized);
        core::TextForm form;
        text.truncate(core::decodeTextInto(text.data(), bytes, &form));
        QStringEncoder utf16(bytes[0] == '\xFF' ? QStringEncoder::Utf16LE
                                                : QStringEncoder::Utf16BE);
        if (form.exact)
            fuzzcheck::expectEqual(QByteArray(utf16.encode(text)), bytes.mid(2),
                                   "an exact UTF-16 text encodes back to its bytes");
        return 0;
    }
    const QString text = core::decodeText(bytes);
    QList<QByteArray> byteLines = {QByteArray()};
    for (const char c : bytes) {
        if (c == '\r' || c == '\n')
            byteLines.append(QByteArray());
        else
            byteLines.last().append(c);
    }
    const QStringList textLines = text.split(QRegularExpression(QStringLiteral("[\r\n]")));
    fuzzcheck::expect(byteLines.size() == textLines.size(), "every line break is kept");
    if (byteLines.size() != textLines.size())
        return 0;

    for (qsizetype n = 0; n < byteLines.size(); ++n) {
        QByteArray line = byteLines[n];
        const QString &decoded = textLines[n];
        if (QByteArrayView(line).isValidUtf8()) {
            if (n == 0 && line.startsWith("\xEF\xBB\xBF"))
                line = line.mid(3);
            fuzzcheck::expectEqual(decoded.toUtf8(), line,
                                   "a valid UTF-8 line decodes without loss");
            continue;
        }
        fuzzcheck::expect(decoded.size() == line.size(),
                          "a Windows-1252 line gives one character per byte");
        for (qsizetype i = 0; i < line.size() && i < decoded.size(); ++i) {
            const auto b = static_cast<unsigned char>(line.at(i));
            const char16_t c = decoded.at(i).unicode();
            // Outside 0x80..0x9F the code page is Latin-1; inside it every byte
            // but the five the code page leaves out is a character above 0xFF.
            const bool undefinedInCodePage =
                b == 0x81 || b == 0x8D || b == 0x8F || b == 0x90 || b == 0x9D;
            if (b < 0x80 || b > 0x9F || undefinedInCodePage)
                fuzzcheck::expect(c == b, "bytes outside the 0x80..0x9F block keep their value");
            else
                fuzzcheck::expect(c > 0xFF,
                                  "bytes 0x80..0x9F map to their Windows-1252 characters");
        }
    }
    return 0;
}
