// Colour text: any text gives a valid colour (each component 0..255, so the
// value is below 2^24), the value a plain reading of "red,green,blue" gives,
// and one that survives being written and read again.

#include "check.h"
#include "core/colors/colortext.h"
#include "core/files/fileio.h"

#include <QStringList>
#include <cstddef>
#include <cstdint>

namespace {

// Straightforward reading: at least three comma-separated parts, the first
// three each decimal digits with white space around them; above 255 is 255.
std::int64_t referenceColor(const QString &text)
{
    const QStringList parts = text.split(QLatin1Char(','));
    if (parts.size() < 3)
        return 0;
    std::int64_t rgb[3] = {};
    for (int i = 0; i < 3; ++i) {
        const QString digits = parts.at(i).trimmed();
        if (digits.isEmpty())
            return 0;
        std::int64_t value = 0;
        for (const QChar c : digits) {
            if (c.unicode() < '0' || c.unicode() > '9')
                return 0;
            value = std::min<std::int64_t>(value * 10 + (c.unicode() - '0'), 1000);
        }
        rgb[i] = std::min<std::int64_t>(value, 255);
    }
    return rgb[0] + rgb[1] * 256 + rgb[2] * 65536;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QString text =
        core::decodeText(QByteArray(reinterpret_cast<const char *>(data), qsizetype(size)));
    const core::ColorValue color = core::parseColorText(text);
    fuzzcheck::expect(color < (1u << 24), "the colour is below 2^24");
    fuzzcheck::expect(core::redOf(color) <= 255 && core::greenOf(color) <= 255 &&
                          core::blueOf(color) <= 255,
                      "each component is 0..255");
    fuzzcheck::expectEqual(QString::number(color), QString::number(referenceColor(text)),
                           "the colour is the plain reading of the text");
    const QString written = core::colorText(color);
    fuzzcheck::expectEqual(QString::number(core::parseColorText(written)), QString::number(color),
                           "the written colour text reads back as the same colour");
    return 0;
}
