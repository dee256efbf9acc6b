#include "core/contacts/cardstructure.h"

namespace core {

namespace {

// The parameters of a property, split at each ";" outside double quotes.
template <typename F> void forEachParam(QByteArrayView params, F f)
{
    bool quoted = false;
    qsizetype start = 0;
    for (qsizetype i = 0; i <= params.size(); ++i) {
        if (i < params.size() && params[i] == '"')
            quoted = !quoted;
        if (i == params.size() || (params[i] == ';' && !quoted)) {
            f(params.sliced(start, i - start).trimmed());
            start = i + 1;
        }
    }
}

bool isWord(QByteArrayView word)
{
    if (word.isEmpty())
        return false;
    for (const char c : word) {
        if (!((c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-'))
            return false;
    }
    return true;
}

// What a writer puts before the value of the line of a kind (3.0): its name
// and TYPE words, and around the line's value.
struct Derived
{
    QLatin1StringView name;
    QLatin1StringView types;
    QLatin1StringView before; // fields before the value: ";;" for ADR
    QLatin1StringView after;
};

Derived derivedFor(LineKind kind)
{
    const QLatin1StringView start = propertyFor(kind, VCardVersion::V3);
    Derived derived;
    const qsizetype colon = start.indexOf(u':');
    const qsizetype semicolon = start.indexOf(u';');
    derived.name = start.first(semicolon >= 0 && semicolon < colon ? semicolon : colon);
    if (const qsizetype type = start.indexOf(QLatin1StringView(";TYPE="));
        type >= 0 && type < colon)
        derived.types = start.sliced(type + 6, colon - type - 6);
    derived.before = start.sliced(colon + 1);
    derived.after = propertyTail(kind);
    return derived;
}

} // namespace

QString escapedText(QStringView text)
{
    QString out;
    out.reserve(text.size() + 8);
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c == u'\r') {
            if (i + 1 < text.size() && text[i + 1] == u'\n')
                continue;
            out.append(QLatin1StringView("\\n"));
        } else if (c == u'\n') {
            out.append(QLatin1StringView("\\n"));
        } else {
            if (c == u'\\' || c == u',' || c == u';')
                out.append(u'\\');
            out.append(c);
        }
    }
    return out;
}

QString typeWordsOf(QByteArrayView params)
{
    QByteArrayList words;
    const auto add = [&words](QByteArrayView word) {
        const QByteArray lower = word.trimmed().toByteArray().toLower();
        if (isWord(lower) && !words.contains(lower))
            words.append(lower);
    };
    forEachParam(params, [&](QByteArrayView param) {
        const qsizetype eq = param.indexOf('=');
        if (eq < 0) {
            // 2.1's bare words, but those that say how the value is encoded.
            for (const char *encoding : {"QUOTED-PRINTABLE", "BASE64", "8BIT", "7BIT", "B"}) {
                if (equalsAscii(param, encoding))
                    return;
            }
            forEachPart(param, ',', add);
            return;
        }
        const QByteArrayView key = param.first(eq).trimmed();
        QByteArrayView value = param.sliced(eq + 1).trimmed();
        if (value.size() >= 2 && value.front() == '"' && value.back() == '"')
            value = value.sliced(1, value.size() - 2);
        if (equalsAscii(key, "TYPE"))
            forEachPart(value, ',', add);
        else if (equalsAscii(key, "PREF"))
            add("pref");
    });
    // 4.0 gives "pref" a parameter of its own, written first: last here, as in
    // the other versions, so that a card reads the same in each.
    if (words.removeAll("pref") > 0)
        words.append("pref");
    return QString::fromLatin1(words.join(','));
}

QString escapedFields(QByteArrayView raw, const Params &params, int version)
{
    QString out;
    bool firstField = true;
    forEachPart(raw, ';', [&](QByteArrayView field) {
        if (!std::exchange(firstField, false))
            out.append(u';');
        bool firstPiece = true;
        forEachPart(field, ',', [&](QByteArrayView piece) {
            if (!std::exchange(firstPiece, false))
                out.append(u',');
            // A CR becomes a blank in the line a piece gives, as here, so
            // that the piece written again gives that line.
            out.append(escapedText(valueText(piece, params, version).replace(u'\r', u' ')));
        });
    });
    return out;
}

std::optional<CardProperty> keptProperty(QByteArrayView name, QByteArrayView params,
                                         const PropertyMapping &mapping, LineKind kind,
                                         QByteArrayView raw, const Params &decoded, int version,
                                         QStringView lineValue)
{
    CardProperty kept;
    kept.name = QString::fromLatin1(name).toUpper();
    kept.types = typeWordsOf(params);
    kept.value = mapping.shape == ValueShape::Single ? escapedText(lineValue)
                                                     : escapedFields(raw, decoded, version);
    // A number's kind comes from its TYPE words: kept only where they tell
    // the kind its line has (a label may have told another).
    if (isPhoneKind(kind)) {
        unsigned bits = 0;
        for (const QStringView word : QStringView(kept.types).split(u','))
            bits |= typeBitsOfWord(word.toLatin1());
        if (phoneKind(bits, {}) != kind)
            return std::nullopt;
    }
    const Derived derived = derivedFor(kind);
    if (kept.name == derived.name && kept.types == derived.types &&
        kept.value == derived.before + escapedText(lineValue) + derived.after)
        return std::nullopt;
    return kept;
}

std::optional<CardProperty> keptName(QByteArrayView raw, const Params &params, int version,
                                     const QString &name)
{
    const NameParts parts = splitName(name);
    const QString value = escapedFields(raw, params, version);
    if (value ==
        escapedText(parts.family) + u';' + escapedText(parts.given) + QLatin1StringView(";;;"))
        return std::nullopt;
    return CardProperty{name, QStringLiteral("N"), {}, value};
}

bool isWritable(const CardProperty &property)
{
    if (property.name.isEmpty())
        return false;
    for (const QChar c : property.name) {
        if (!((c >= u'A' && c <= u'Z') || (c >= u'0' && c <= u'9') || c == u'-'))
            return false;
    }
    for (const QString &word : property.types.split(u',', Qt::SkipEmptyParts)) {
        if (!isWord(word.toLatin1()))
            return false;
    }
    return true;
}

void writeKeptProperty(PropertyLine &line, const CardProperty &property, VCardVersion version)
{
    line.raw(QLatin1StringView(property.name.toLatin1()));
    QStringList types = property.types.split(u',', Qt::SkipEmptyParts);
    if (version == VCardVersion::V4 && types.removeAll(QStringLiteral("pref")) > 0)
        line.raw(QLatin1StringView(";PREF=1"));
    if (!types.isEmpty())
        line.raw(QLatin1StringView(";TYPE=")).raw(QLatin1StringView(types.join(u',').toLatin1()));
    // 4.0 reads a date in its own form only: the text stays text.
    if (version == VCardVersion::V4 &&
        (property.name == u"BDAY" || property.name == u"ANNIVERSARY"))
        line.raw(QLatin1StringView(";VALUE=text"));
    line.raw(QLatin1StringView(":"));
    // The escaped value written again piece by piece, its separators as they are.
    const QStringView value(property.value);
    QString piece;
    for (qsizetype i = 0; i <= value.size(); ++i) {
        if (i < value.size() && value[i] == u'\\' && i + 1 < value.size()) {
            const QChar c = value[++i];
            piece.append(c == u'n' || c == u'N' ? QChar(u'\n') : c);
        } else if (i == value.size() || value[i] == u';' || value[i] == u',') {
            line.text(piece);
            piece.clear();
            if (i < value.size())
                line.raw(value[i] == u';' ? QLatin1StringView(";") : QLatin1StringView(","));
        } else {
            piece.append(value[i]);
        }
    }
    line.end();
}

} // namespace core
