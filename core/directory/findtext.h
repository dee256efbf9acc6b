#pragma once

#include <QString>
#include <QStringView>

namespace core {

// True when name begins with prefix, without regard to case. A name shorter
// than the prefix never matches; an empty prefix matches every name.
inline bool beginsWithIgnoringCase(QStringView name, QStringView prefix)
{
    return name.startsWith(prefix, Qt::CaseInsensitive);
}

// Index of the first element, from the front, whose name (given by nameOf)
// begins with prefix without regard to case; -1 when none does.
template <typename Range, typename NameOf>
qsizetype firstWithPrefix(const Range &range, QStringView prefix, NameOf nameOf)
{
    qsizetype index = 0;
    for (const auto &element : range) {
        if (beginsWithIgnoringCase(nameOf(element), prefix))
            return index;
        ++index;
    }
    return -1;
}

} // namespace core
