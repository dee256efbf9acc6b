#include "core/colors/colortext.h"

#include <QStringList>

namespace core {

namespace {

// One component: a whole number of decimal digits with blanks around it.
// Values above 255 count as 255; anything else is unusable.
bool parseComponent(QStringView part, int &value)
{
    const QStringView digits = part.trimmed();
    if (digits.isEmpty())
        return false;
    int number = 0;
    for (const QChar c : digits) {
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return false;
        number = std::min(256, number * 10 + (c.unicode() - '0'));
    }
    value = std::min(255, number);
    return true;
}

} // namespace

ColorValue parseColorText(const QString &text)
{
    const QList<QStringView> parts = QStringView(text).split(QLatin1Char(','));
    if (parts.size() < 3)
        return 0;
    int rgb[3] = {0, 0, 0};
    for (int i = 0; i < 3; ++i) {
        if (!parseComponent(parts.at(i), rgb[i]))
            return 0;
    }
    return RGBValue(rgb[0], rgb[1], rgb[2]);
}

QString colorText(RGBTriple rgb)
{
    return QStringLiteral("%1,%2,%3").arg(int(rgb.Red)).arg(int(rgb.Green)).arg(int(rgb.Blue));
}

QString colorText(ColorValue color)
{
    return colorText(ColorToRGB(color));
}

} // namespace core
