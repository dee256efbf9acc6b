#pragma once

#include "core/contacts/linekind.h"
#include "core/contacts/vcardmap.h"
#include "core/contacts/vcardsyntax.h"
#include "core/directory/entrycard.h"

#include <QByteArrayView>
#include <QString>
#include <QStringView>
#include <optional>

namespace core {

// What a card says beyond the lines an import makes of it (the name's parts,
// an address's components, an organisation's units, each value's TYPE
// words), kept with the entry (see entrycard.h) so that export gives it back.

// Text escaped as a vCard 3.0 text value: "\\", "\,", "\;" and "\n".
QString escapedText(QStringView text);

// The TYPE words of a property's parameters, in lower case, each once,
// joined by ",": "TYPE=work,voice", repeated TYPE=, 2.1's bare words, and
// "pref" for 4.0's PREF ("pref" always last). Only words of letters, digits
// and "-" are kept.
QString typeWordsOf(QByteArrayView params);

// The fields of a structured value (split at ";", then at ","), each piece
// decoded and escaped again, joined as they were.
QString escapedFields(QByteArrayView raw, const Params &params, int version);

// The property a card's typed value is kept as: when exporting the line it
// gave (whose value is lineValue) would not write the same name, TYPE words
// and value. Nothing when it would. belongsTo is left for the caller.
std::optional<CardProperty> keptProperty(QByteArrayView name, QByteArrayView params,
                                         const PropertyMapping &mapping, LineKind kind,
                                         QByteArrayView raw, const Params &decoded, int version,
                                         QStringView lineValue);

// N kept: when its fields are not what export builds from the name.
std::optional<CardProperty> keptName(QByteArrayView raw, const Params &params, int version,
                                     const QString &name);

// A kept property safe to write: a name of capitals, digits and "-", TYPE
// words of letters, digits and "-" (the identity file may have been edited).
bool isWritable(const CardProperty &property);

// Writes a kept property as one content line (in 4.0 "pref" as PREF=1, and
// dates with VALUE=text).
void writeKeptProperty(PropertyLine &line, const CardProperty &property, VCardVersion version);

} // namespace core
