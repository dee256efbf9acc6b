#pragma once

#include "core/contacts/linekind.h"

#include <QLatin1StringView>
#include <QString>
#include <QStringView>
#include <array>

namespace core {

// What CSV columns mean for an entry: the columns written, and what the
// header of a column read names, for the headers of common address-book
// exports.

// Several values in one cell.
inline constexpr QStringView kValueSeparator = u" ::: ";

struct WrittenColumn
{
    QLatin1StringView header;
    LineKind kind;
};

// The typed columns, in the order written, after "Name" and before the
// exact lines' column.
inline constexpr std::array kWrittenColumns = {
    WrittenColumn{QLatin1StringView("Phone"), LineKind::Phone},
    WrittenColumn{QLatin1StringView("Home Phone"), LineKind::HomePhone},
    WrittenColumn{QLatin1StringView("Work Phone"), LineKind::WorkPhone},
    WrittenColumn{QLatin1StringView("Mobile"), LineKind::Mobile},
    WrittenColumn{QLatin1StringView("Fax"), LineKind::Fax},
    WrittenColumn{QLatin1StringView("Pager"), LineKind::Pager},
    WrittenColumn{QLatin1StringView("E-mail"), LineKind::Email},
    WrittenColumn{QLatin1StringView("Address"), LineKind::Address},
    WrittenColumn{QLatin1StringView("Web"), LineKind::Web},
    WrittenColumn{QLatin1StringView("Company"), LineKind::Organization},
    WrittenColumn{QLatin1StringView("Job Title"), LineKind::Title},
    WrittenColumn{QLatin1StringView("Nickname"), LineKind::Nickname},
    WrittenColumn{QLatin1StringView("Birthday"), LineKind::Birthday},
    WrittenColumn{QLatin1StringView("Notes"), LineKind::Text},
};

enum class Role {
    Ignore,
    Name,
    Given,
    Middle,
    Family,
    Prefix,
    Suffix,
    Value,   // a typed value of `kind`
    Label,   // the label of the values of its group ("Phone 1 - Type")
    Address, // a part of an address
    Exact,   // the exact lines
};

// Address parts, in the order a one-line address joins them.
enum AddressPart { kStreet, kExtended, kPoBox, kCity, kRegion, kPostcode, kCountry, kFormatted };

struct Column
{
    Role role = Role::Ignore;
    LineKind kind = LineKind::Text;
    QString group; // a value and its label column ("phone 1"), or an address's parts
    int part = 0;  // AddressPart
};

// What a header cell names.
Column columnFor(const QString &header);

// The kind of phone a text in lower case names ("work fax", "mobile").
LineKind phoneKindOfWords(const QString &text);

// A label that says no more than the column does ("Home", "* Work").
bool isPlainType(const QString &label);

} // namespace core
