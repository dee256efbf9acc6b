#include "core/contacts/vcardmap.h"

#include "core/contacts/contactread.h"
#include "core/contacts/exactlines.h"
#include "core/contacts/vcardsyntax.h"

#include <QList>

#include <array>

namespace core {

namespace {

using enum PropertyRole;

constexpr std::array kProperties = {
    PropertyMapping{"BEGIN", Begin, LineKind::Text, ValueShape::Single},
    PropertyMapping{"END", End, LineKind::Text, ValueShape::Single},
    PropertyMapping{"VERSION", Version, LineKind::Text, ValueShape::Single},
    PropertyMapping{"FN", Fn, LineKind::Text, ValueShape::Single},
    PropertyMapping{"N", N, LineKind::Text, ValueShape::Single},
    PropertyMapping{"UID", Uid, LineKind::Text, ValueShape::Single},
    PropertyMapping{"TEL", Value, LineKind::Phone, ValueShape::Single},
    PropertyMapping{"EMAIL", Value, LineKind::Email, ValueShape::Single},
    PropertyMapping{"ADR", Value, LineKind::Address, ValueShape::Address},
    PropertyMapping{"ORG", Value, LineKind::Organization, ValueShape::Pieces},
    PropertyMapping{"NICKNAME", Value, LineKind::Nickname, ValueShape::Pieces},
    PropertyMapping{"URL", Value, LineKind::Web, ValueShape::Single},
    PropertyMapping{"TITLE", Value, LineKind::Title, ValueShape::Single},
    PropertyMapping{"BDAY", Value, LineKind::Birthday, ValueShape::Single},
    PropertyMapping{"NOTE", Value, LineKind::Text, ValueShape::Single},
    PropertyMapping{"ANNIVERSARY", Value, LineKind::Text, ValueShape::Single,
                    QLatin1StringView("anniversary")},
    PropertyMapping{"X-ANNIVERSARY", Value, LineKind::Text, ValueShape::Single,
                    QLatin1StringView("anniversary")},
    PropertyMapping{"CATEGORIES", Value, LineKind::Text, ValueShape::Pieces,
                    QLatin1StringView("categories")},
    PropertyMapping{"PHOTO", NotKept, LineKind::Text, ValueShape::Single, {}, kPhotos},
    PropertyMapping{"LOGO", NotKept, LineKind::Text, ValueShape::Single, {}, kLogos},
    PropertyMapping{"SOUND", NotKept, LineKind::Text, ValueShape::Single, {}, kSounds},
    PropertyMapping{"KEY", NotKept, LineKind::Text, ValueShape::Single, {}, kKeys},
    PropertyMapping{"X-ABLABEL", Label, LineKind::Text, ValueShape::Single},
    PropertyMapping{QByteArrayView(kExactProperty.data(), kExactProperty.size()), Exact,
                    LineKind::Text, ValueShape::Single},
};

struct TypeWord
{
    QByteArrayView word; // in upper case
    unsigned bits;
};

// The TYPE words of the standard and those real exporters write.
constexpr std::array kTypeWords = {
    TypeWord{"HOME", kHome},           TypeWord{"WORK", kWork},
    TypeWord{"CELL", kCell},           TypeWord{"FAX", kFax},
    TypeWord{"PAGER", kPager},         TypeWord{"MOBILE", kCell},
    TypeWord{"IPHONE", kCell},         TypeWord{"X-MOBILE", kCell},
    TypeWord{"WORKFAX", kWork | kFax}, TypeWord{"HOMEFAX", kHome | kFax},
    TypeWord{"OTHERFAX", kFax},        TypeWord{"X-FAX", kFax},
    TypeWord{"HOME2", kHome},          TypeWord{"WORK2", kWork},
    TypeWord{"BUSINESS", kWork},       TypeWord{"BEEPER", kPager},
};

constexpr PropertyMapping kOther{"", Other, LineKind::Text, ValueShape::Single};

struct WrittenProperty
{
    LineKind kind;
    QLatin1StringView v3;
    QLatin1StringView v4;
};

constexpr WrittenProperty written(LineKind kind, const char *both)
{
    return {kind, QLatin1StringView(both), QLatin1StringView(both)};
}

// Voice and internet are the default types of TEL and EMAIL.
constexpr std::array kWritten = {
    written(LineKind::Phone, "TEL:"),
    written(LineKind::HomePhone, "TEL;TYPE=home,voice:"),
    written(LineKind::WorkPhone, "TEL;TYPE=work,voice:"),
    written(LineKind::Mobile, "TEL;TYPE=cell:"),
    written(LineKind::Fax, "TEL;TYPE=fax:"),
    written(LineKind::Pager, "TEL;TYPE=pager:"),
    written(LineKind::Email, "EMAIL:"),
    written(LineKind::Address, "ADR:;;"),
    written(LineKind::Web, "URL:"),
    written(LineKind::Organization, "ORG:"),
    written(LineKind::Title, "TITLE:"),
    written(LineKind::Nickname, "NICKNAME:"),
    WrittenProperty{LineKind::Birthday, QLatin1StringView("BDAY:"),
                    QLatin1StringView("BDAY;VALUE=text:")},
};

// The table is in the order of the kinds, from Phone on.
constexpr bool inKindOrder()
{
    for (std::size_t i = 0; i < kWritten.size(); ++i) {
        if (std::size_t(kWritten[i].kind) != std::size_t(LineKind::Phone) + i)
            return false;
    }
    return true;
}
static_assert(inKindOrder());

} // namespace

const PropertyMapping &propertyMapping(QByteArrayView name)
{
    for (const PropertyMapping &mapping : kProperties) {
        if (mapping.name.size() == name.size() && equalsAscii(name, mapping.name))
            return mapping;
    }
    return kOther;
}

unsigned typeBitsOfWord(QByteArrayView word)
{
    for (const TypeWord &type : kTypeWords) {
        if (equalsAscii(word, type.word))
            return type.bits;
    }
    return 0;
}

bool needsTextValue(LineKind kind, QStringView value, VCardVersion version)
{
    if (isPhoneKind(kind))
        return version == VCardVersion::V4 && value.startsWith(u"tel:", Qt::CaseInsensitive);
    if (kind != LineKind::Birthday || version == VCardVersion::V4 || value.size() != 8)
        return false; // 4.0 writes every birthday with VALUE=text
    for (const QChar c : value) {
        if (c < u'0' || c > u'9')
            return false;
    }
    return true;
}

QList<int> fieldOrder(ValueShape shape)
{
    if (shape == ValueShape::Address)
        return {2, 1, 0, 3, 4, 5, 6};
    return {};
}

LineKind phoneKind(unsigned types, QStringView builtinLabel)
{
    const auto labelSays = [&](QStringView word) {
        return !builtinLabel.isEmpty() && builtinLabel.contains(word, Qt::CaseInsensitive);
    };
    if (types & kFax || labelSays(u"fax"))
        return LineKind::Fax;
    if (types & kPager || labelSays(u"pager"))
        return LineKind::Pager;
    if (types & kCell || labelSays(u"mobile") || labelSays(u"iphone"))
        return LineKind::Mobile;
    if (types & kWork)
        return LineKind::WorkPhone;
    if (types & kHome)
        return LineKind::HomePhone;
    return LineKind::Phone;
}

QLatin1StringView propertyFor(LineKind kind, VCardVersion version)
{
    const auto index = std::size_t(kind) - std::size_t(LineKind::Phone);
    if (index >= kWritten.size())
        return QLatin1StringView("NOTE:");
    return version == VCardVersion::V4 ? kWritten[index].v4 : kWritten[index].v3;
}

QLatin1StringView propertyTail(LineKind kind)
{
    return kind == LineKind::Address ? QLatin1StringView(";;;;") : QLatin1StringView();
}

NameParts splitName(QStringView name)
{
    name = name.trimmed();
    // One pass: the first comma and the last blank.
    qsizetype comma = -1;
    qsizetype space = -1;
    for (qsizetype i = 0; i < name.size(); ++i) {
        const char16_t c = name[i].unicode();
        if (c == u',' && comma < 0)
            comma = i;
        else if (c == u' ')
            space = i;
    }
    if (comma > 0)
        return {name.left(comma).trimmed(), name.sliced(comma + 1).trimmed()};
    if (space < 0)
        return {name, {}};
    return {name.sliced(space + 1), name.left(space).trimmed()};
}

} // namespace core
