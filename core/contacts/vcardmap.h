#pragma once

#include "core/contacts/linekind.h"

#include <QByteArrayView>
#include <QLatin1StringView>
#include <QList>
#include <QStringView>

namespace core {

// What vCard properties mean for an entry: which property a kind of number
// line is written as, and what each property read gives.

enum class VCardVersion { V3, V4 };

// What a property read does.
enum class PropertyRole {
    Other, // not read
    Begin,
    End,
    Version,
    Fn,
    N,       // read only when the card has no FN
    Uid,     // the card's identifier
    Label,   // X-ABLabel: the label of the typed values of its group
    Exact,   // the entry's exact lines
    Value,   // a typed value: a number line of its kind
    NotKept, // what an entry cannot keep (PHOTO, LOGO, SOUND, KEY): counted
};

// How a typed value's text is built.
enum class ValueShape {
    Single,  // the value as it is
    Pieces,  // the pieces of a structured value (ORG, NICKNAME), joined by ", "
    Address, // ADR: street, extended address and post office box first, as
             // addresses are written, then locality, region, code and country
};

struct PropertyMapping
{
    QByteArrayView name; // in upper case
    PropertyRole role;
    LineKind kind; // for Value; TEL's is settled by phoneKind
    ValueShape shape;
    // For a Value of kind Text: the keyword its line begins with ("categories").
    QLatin1StringView keyword{};
    int notKept = -1; // for NotKept: what is counted (a NotKept of contactread.h)
};

// The mapping of a property name (without regard to case); Other for one
// not read.
const PropertyMapping &propertyMapping(QByteArrayView name);

// The TYPE bits (TypeBit) a TYPE word gives, without regard to case: the
// standard words and those exporters write besides them ("workfax",
// "IPHONE", "home2"); 0 for a word that tells no kind of number.
unsigned typeBitsOfWord(QByteArrayView word);

// True when a writer gives the value of a kind of line with VALUE=text, as
// readers would change it otherwise: a number beginning with "tel:" in 4.0
// (read as a URI), a birthday of eight digits ("19790321", read as a date).
bool needsTextValue(LineKind kind, QStringView value, VCardVersion version);

// The order in which a shape joins the fields of a structured value, as
// field numbers; empty for all fields in their order.
QList<int> fieldOrder(ValueShape shape);

// A TEL's kind from its TYPE bits and the built-in label of its group
// ("_$!<Mobile>!$_").
LineKind phoneKind(unsigned types, QStringView builtinLabel);

// The start of the property a kind of line is written as, up to its value:
// "TEL;TYPE=cell:", "ADR:;;" (NOTE for Text).
QLatin1StringView propertyFor(LineKind kind, VCardVersion version);

// What follows the value of the property: ";;;;" for ADR's other fields.
QLatin1StringView propertyTail(LineKind kind);

// The name parts a formatted name gives: "Family, Given" or "Given ... Family".
struct NameParts
{
    QStringView family;
    QStringView given;
};
NameParts splitName(QStringView name);

} // namespace core
