#include "core/colors/keywordtable.h"

#include "core/colors/keywordfile.h"

#include <algorithm>

namespace core {

KeywordTable KeywordTable::fromLines(const QStringList &fileLines)
{
    KeywordTable table;
    qsizetype row = 0;
    for (const QString &line : fileLines) {
        std::optional<KeywordLine> parsed = parseKeywordLine(line);
        if (!parsed)
            continue;
        const Match match{row++, parseColorText(parsed->colorText)};
        if (parsed->keyword.isEmpty()) {
            if (table.emptyKeyword_.row < 0)
                table.emptyKeyword_ = match;
            continue;
        }
        // A keyword that appeared before keeps its first line; later
        // copies can never decide.
        if (table.firstRows_.contains(QStringView(parsed->keyword)))
            continue;
        table.lengths_.push_back(parsed->keyword.size());
        // The view points into the string's own buffer, which moving the
        // string into the list does not move.
        table.keywords_.append(std::move(parsed->keyword));
        table.firstRows_.insert(QStringView(table.keywords_.constLast()), match);
    }
    std::sort(table.lengths_.begin(), table.lengths_.end());
    table.lengths_.erase(std::unique(table.lengths_.begin(), table.lengths_.end()),
                         table.lengths_.end());
    return table;
}

ColorValue KeywordTable::colorOf(QStringView numberLine) const
{
    const Match *best = emptyKeyword_.row >= 0 ? &emptyKeyword_ : nullptr;
    for (const qsizetype length : lengths_) {
        if (length > numberLine.size())
            break;
        const auto found = firstRows_.constFind(numberLine.first(length));
        if (found != firstRows_.constEnd() && (!best || found->row < best->row))
            best = &*found;
    }
    return best ? best->color : 0;
}

} // namespace core
