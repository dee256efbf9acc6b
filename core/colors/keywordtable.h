#pragma once

#include "core/colors/colortext.h"

#include <QHash>
#include <QStringList>
#include <QStringView>
#include <vector>

namespace core {

// The keyword colour file's keyword lines, parsed once and indexed for
// looking up many number lines. A lookup costs about one hash probe per
// distinct keyword length and allocates nothing.
class KeywordTable
{
public:
    KeywordTable() = default;

    // Parses the file's lines with the keyword file's rules (comments, blank
    // lines and lines without a TAB give nothing).
    static KeywordTable fromLines(const QStringList &fileLines);

    // The colour of a number line: the first keyword line in file order whose
    // keyword begins the line (case-sensitive; an empty keyword begins every
    // line) decides, whether or not its colour text is usable; black when
    // none does. The same answer as lookupLineColor on the file's lines.
    ColorValue colorOf(QStringView numberLine) const;

private:
    struct Match
    {
        qsizetype row = 0; // order among the keyword lines
        ColorValue color = 0;
    };

    QStringList keywords_;                // owns the text the views below point into
    QHash<QStringView, Match> firstRows_; // each keyword's first line
    std::vector<qsizetype> lengths_;      // the distinct keyword lengths, ascending
    Match emptyKeyword_{-1, 0};           // the first line with an empty keyword, if any
};

} // namespace core
