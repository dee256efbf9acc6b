#pragma once

#include <QString>
#include <vector>

namespace core {

// What an entry that came from a contact card keeps of the card beyond its
// lines, so that exporting it gives the card's structure back instead of
// one guessed from the lines.
struct CardProperty
{
    // The text it stands for: the number line it gave, or for N the entry's
    // name. It is used only while the entry still holds exactly that text.
    QString belongsTo;
    QString name;  // the property's name in upper case: "N", "ADR", "TEL"
    QString types; // its TYPE words in lower case, joined by ","
    QString value; // its value escaped as vCard 3.0 text ("\\;", "\\,", "\\\\", "\\n")
    friend bool operator==(const CardProperty &, const CardProperty &) = default;
};

struct EntryCard
{
    // The card's UID as the card wrote it, when it is not the entry's
    // identifier in its bare form.
    QString uid;
    std::vector<CardProperty> properties;
    friend bool operator==(const EntryCard &, const EntryCard &) = default;
};

} // namespace core
