// Encoding detection: valid UTF-8 decodes without loss (it encodes back to
// the same bytes, less a leading byte-order mark), anything else decodes as
// Windows-1252, one character per byte; and the strict UTF-8 test agrees with
// Qt's own decoder.

#include "check.h"
#include "core/textfile.h"

#include <QStringDecoder>
#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), static_cast<qsizetype>(size));
    const bool valid = core::isValidUtf8(bytes);
    const QString text = core::decodeText(bytes);

    QStringDecoder qtDecoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString qtText = qtDecoder.decode(bytes);
    fuzzcheck::expect(valid == !qtDecoder.hasError(), "the UTF-8 test agrees with Qt's decoder");

    if (valid) {
        const QByteArray body = bytes.startsWith("\xEF\xBB\xBF") ? bytes.mid(3) : bytes;
        fuzzcheck::expectEqual(text.toUtf8(), body, "valid UTF-8 decodes without loss");
        return 0;
    }
    fuzzcheck::expect(text.size() == bytes.size(), "Windows-1252 gives one character per byte");
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        const auto b = static_cast<unsigned char>(bytes.at(i));
        const char16_t c = text.at(i).unicode();
        // Outside 0x80..0x9F the code page is Latin-1; inside it every byte
        // but the five the code page leaves out is a character above 0xFF.
        const bool undefinedInCodePage =
            b == 0x81 || b == 0x8D || b == 0x8F || b == 0x90 || b == 0x9D;
        if (b < 0x80 || b > 0x9F || undefinedInCodePage)
            fuzzcheck::expect(c == b, "bytes outside the 0x80..0x9F block keep their value");
        else
            fuzzcheck::expect(c > 0xFF, "bytes 0x80..0x9F map to their Windows-1252 characters");
    }
    return 0;
}
