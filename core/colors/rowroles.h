#pragma once

#include <QString>
#include <Qt>

namespace core {

// What the program's list models give beside Qt::DisplayRole (the text as a
// row shows it, cut to what a row can show). The views map BoldRole to a bold
// font and ForeColorRole to the text colour.
enum ListRole : int {
    TextRole = Qt::UserRole + 1, // the whole text of the row
    SubItemRole,                 // its second text (an entry's number lines, a colour text)
    BoldRole,                    // bool
    ForeColorRole,               // ColorValue
};

// A row's text as a list shows it: at most a few hundred pixels are visible,
// and laying out millions of characters (a hostile file) would cost hundreds
// of megabytes for nothing.
inline QString shownText(const QString &text)
{
    constexpr qsizetype kMostShownCharacters = 1000;
    return text.size() > kMostShownCharacters ? text.left(kMostShownCharacters) : text;
}

} // namespace core
