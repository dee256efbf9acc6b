#include "entryrules.h"

namespace core {

namespace {

QString without(const QString &text, QStringView refused)
{
    QString kept;
    kept.reserve(text.size());
    for (const QChar c : text) {
        if (!refused.contains(c))
            kept.append(c);
    }
    return kept;
}

} // namespace

QString keepNameInFormat(const QString &name)
{
    return without(name, u"|\r\n");
}

QString keepNumberLineInFormat(const QString &line)
{
    return without(line, u"|\t\r\n");
}

} // namespace core
