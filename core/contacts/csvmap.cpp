#include "core/contacts/csvmap.h"

#include "core/contacts/exactlines.h"

#include <QHash>
#include <QSet>

#include <initializer_list>
#include <optional>

namespace core {

namespace {

struct HeaderMapping
{
    std::initializer_list<const char16_t *> headers; // in lower case, blanks simplified
    Role role;
    LineKind kind;
};

// The headers that name a column by themselves.
const QHash<QString, Column> &wholeHeaders()
{
    static const QHash<QString, Column> table = [] {
        const HeaderMapping mappings[] = {
            {{u"name", u"display name", u"full name", u"formatted name"}, Role::Name, {}},
            {{u"first name", u"given name", u"firstname"}, Role::Given, {}},
            {{u"middle name", u"additional name"}, Role::Middle, {}},
            {{u"last name", u"family name", u"surname", u"lastname"}, Role::Family, {}},
            {{u"title", u"name prefix", u"prefix"}, Role::Prefix, {}},
            {{u"suffix", u"name suffix"}, Role::Suffix, {}},
            {{u"url", u"homepage", u"home page"}, Role::Value, LineKind::Web},
            {{u"address", u"formatted address"}, Role::Value, LineKind::Address},
            {{u"company", u"organization", u"organisation", u"organization name",
              u"organisation name", u"org"},
             Role::Value,
             LineKind::Organization},
            {{u"job title", u"organization title", u"role"}, Role::Value, LineKind::Title},
            {{u"nickname", u"nick name"}, Role::Value, LineKind::Nickname},
            {{u"birthday", u"bday", u"birth date"}, Role::Value, LineKind::Birthday},
            {{u"notes", u"note", u"comments"}, Role::Value, LineKind::Text},
        };
        QHash<QString, Column> byHeader;
        byHeader.insert(QString(kExactColumn).toLower(), Column{Role::Exact, {}, {}, 0});
        for (const HeaderMapping &mapping : mappings) {
            for (const char16_t *header : mapping.headers)
                byHeader.insert(QString::fromUtf16(header),
                                Column{mapping.role, mapping.kind, {}, 0});
        }
        return byHeader;
    }();
    return table;
}

struct LocalisedHeader
{
    const char16_t *header; // in lower case, blanks simplified
    Column column;
};

Column part(const char16_t *group, AddressPart addressPart)
{
    return Column{Role::Address, LineKind::Text, QString::fromUtf16(group), addressPart};
}

Column role(Role r, LineKind kind = LineKind::Text)
{
    return Column{r, kind, {}, 0};
}

// Headers of address-book exports in other languages, which name words in
// another order. Other languages join this table.
const QHash<QString, Column> &localisedHeaders()
{
    static const QHash<QString, Column> table = [] {
        const LocalisedHeader headers[] = {
            // A German desktop mail program's export.
            {u"vorname", role(Role::Given)},
            {u"nachname", role(Role::Family)},
            {u"weitere vornamen", role(Role::Middle)},
            {u"anrede", role(Role::Prefix)},
            {u"firma", role(Role::Value, LineKind::Organization)},
            {u"position", role(Role::Value, LineKind::Title)},
            {u"telefon geschäftlich", role(Role::Value, LineKind::WorkPhone)},
            {u"telefon geschäftlich 2", role(Role::Value, LineKind::WorkPhone)},
            {u"telefon privat", role(Role::Value, LineKind::HomePhone)},
            {u"telefon privat 2", role(Role::Value, LineKind::HomePhone)},
            {u"mobiltelefon", role(Role::Value, LineKind::Mobile)},
            {u"fax geschäftlich", role(Role::Value, LineKind::Fax)},
            {u"fax privat", role(Role::Value, LineKind::Fax)},
            {u"pager", role(Role::Value, LineKind::Pager)},
            {u"straße geschäftlich", part(u"business", kStreet)},
            {u"ort geschäftlich", part(u"business", kCity)},
            {u"region geschäftlich", part(u"business", kRegion)},
            {u"postleitzahl geschäftlich", part(u"business", kPostcode)},
            {u"land/region geschäftlich", part(u"business", kCountry)},
            {u"straße privat", part(u"home", kStreet)},
            {u"ort privat", part(u"home", kCity)},
            {u"region privat", part(u"home", kRegion)},
            {u"postleitzahl privat", part(u"home", kPostcode)},
            {u"land/region privat", part(u"home", kCountry)},
            {u"webseite", role(Role::Value, LineKind::Web)},
            {u"geburtstag", role(Role::Value, LineKind::Birthday)},
            {u"notizen", role(Role::Value, LineKind::Text)},
            // E-mail columns ("E-Mail-Adresse", "E-Mail 2: Adresse") are told by
            // "mail"; their type and display name columns are not values.
            {u"e-mail-typ", Column{}},
            {u"e-mail: angezeigter name", Column{}},
            {u"e-mail 2: typ", Column{}},
            {u"e-mail 2: angezeigter name", Column{}},
            {u"e-mail 3: typ", Column{}},
            {u"e-mail 3: angezeigter name", Column{}},
        };
        QHash<QString, Column> byHeader;
        for (const LocalisedHeader &header : headers)
            byHeader.insert(QString::fromUtf16(header.header), header.column);
        return byHeader;
    }();
    return table;
}

// The address part each word names.
const QHash<QString, int> &addressParts()
{
    static const QHash<QString, int> table = [] {
        struct PartWords
        {
            std::initializer_list<const char16_t *> words;
            AddressPart part;
        };
        const PartWords mappings[] = {
            {{u"street", u"address", u"street address"}, kStreet},
            {{u"street 2", u"street 3", u"address 2", u"extended address"}, kExtended},
            {{u"po box", u"p.o. box", u"pobox"}, kPoBox},
            {{u"city", u"town"}, kCity},
            {{u"state", u"region", u"county", u"province"}, kRegion},
            {{u"postal code", u"post code", u"postcode", u"zip", u"zipcode", u"zip code"},
             kPostcode},
            {{u"country", u"country/region"}, kCountry},
            {{u"formatted"}, kFormatted},
        };
        QHash<QString, int> byWord;
        for (const auto &[words, part] : mappings) {
            for (const char16_t *word : words)
                byWord.insert(QString::fromUtf16(word), part);
        }
        return byWord;
    }();
    return table;
}

// The address part a header word names, or -1.
int addressPart(const QString &word)
{
    return addressParts().value(word, -1);
}

Column typed(LineKind kind, QString group = {})
{
    return Column{Role::Value, kind, std::move(group), 0};
}

// A column of a numbered group: "Phone 1 - Type", "Phone 1 - Value",
// "Address 1 - City", "Organization 1 - Name".
Column groupColumn(const QString &h, qsizetype dash)
{
    Column column;
    column.group = h.left(dash);
    const QString field = h.sliced(dash + 3);
    QString base = column.group;
    while (!base.isEmpty() && (base.back().isDigit() || base.back() == u' '))
        base.chop(1);
    if (field == u"type" || field == u"label")
        return column.role = Role::Label, column;
    if (base == u"address") {
        if ((column.part = addressPart(field)) >= 0)
            column.role = Role::Address;
        return column;
    }
    if (base == u"organization" || base == u"organisation")
        return field == u"name"    ? typed(LineKind::Organization, column.group)
               : field == u"title" ? typed(LineKind::Title, column.group)
                                   : column;
    if (field != u"value")
        return column;
    if (base.contains(u"mail"))
        return typed(LineKind::Email, column.group);
    if (base == u"phone")
        return typed(LineKind::Phone, column.group);
    if (base == u"website")
        return typed(LineKind::Web, column.group);
    return column;
}

// A column named by a word within its header: "E-mail Address", "Business
// Fax", "Web Page"; nothing when none says.
std::optional<Column> wordColumn(const QString &h)
{
    if (h.contains(u"mail")) {
        if (h.contains(u"type") || h.contains(u"display") || h.contains(u"label"))
            return Column{};
        return typed(LineKind::Email);
    }
    if (h.contains(u"web"))
        return typed(LineKind::Web);
    for (const char16_t *word :
         {u"phone", u"fax", u"mobile", u"pager", u"cell", u"callback", u"isdn", u"telex"}) {
        if (h.contains(QStringView(word)))
            return typed(phoneKindOfWords(h));
    }
    return std::nullopt;
}

// A part of an address by its last words: "Business Street", "Home City",
// "Work ZipCode", "Home Address 2".
Column addressPartColumn(const QString &h)
{
    for (qsizetype space = h.indexOf(u' '); space > 0; space = h.indexOf(u' ', space + 1)) {
        const int part = addressPart(h.sliced(space + 1));
        if (part >= 0)
            return Column{Role::Address, LineKind::Text, h.left(space), part};
    }
    return {};
}

} // namespace

Column columnFor(const QString &header)
{
    const QString h = header.simplified().toLower();
    const auto whole = wholeHeaders().constFind(h);
    if (whole != wholeHeaders().constEnd())
        return *whole;
    const auto localised = localisedHeaders().constFind(h);
    if (localised != localisedHeaders().constEnd())
        return *localised;
    if (const int part = addressPart(h); part >= 0) // "Street", "City": one address
        return Column{Role::Address, LineKind::Text, {}, part};
    if (const qsizetype dash = h.indexOf(u" - "); dash > 0)
        return groupColumn(h, dash);
    if (const std::optional<Column> column = wordColumn(h))
        return *column;
    return addressPartColumn(h);
}

LineKind phoneKindOfWords(const QString &text)
{
    if (text.contains(u"fax"))
        return LineKind::Fax;
    if (text.contains(u"pager"))
        return LineKind::Pager;
    if (text.contains(u"mobile") || text.contains(u"cell"))
        return LineKind::Mobile;
    if (text.contains(u"work") || text.contains(u"business") || text.contains(u"office"))
        return LineKind::WorkPhone;
    if (text.contains(u"home"))
        return LineKind::HomePhone;
    return LineKind::Phone;
}

bool isPlainType(const QString &label)
{
    static const QSet<QString> plain = [] {
        QSet<QString> words;
        for (const char16_t *word :
             {u"",         u"home",     u"work",     u"other",     u"main",  u"mobile",   u"cell",
              u"fax",      u"work fax", u"home fax", u"other fax", u"pager", u"internet", u"pref",
              u"personal", u"business", u"voice",    u"homepage",  u"blog",  u"profile"})
            words.insert(QString::fromUtf16(word));
        return words;
    }();
    return plain.contains(label.toLower());
}

} // namespace core
