// Decoding line by line: a line that is valid UTF-8 decodes without loss (it
// encodes back to the same bytes, less a byte-order mark at the very start of
// the file); any other line decodes as Windows-1252, one character per byte.
// Lines keep their count and their breaks whatever their encodings.

#include "check.h"
#include "core/files/textcodec.h"

#include <QByteArrayView>
#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), static_cast<qsizetype>(size));
    const QString text = core::decodeText(bytes);
    const QList<QByteArray> byteLines = bytes.split('\n');
    const QStringList textLines = text.split(u'\n');
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
