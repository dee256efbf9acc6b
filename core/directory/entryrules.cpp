#include "core/directory/entryrules.h"

#include "core/directory/directoryfile.h"

namespace core {

namespace {

QString without(const QString &text, QStringView refused)
{
    QString kept;
    kept.reserve(text.size());
    for (const QChar c : text) {
        if (!refused.contains(c))
            kept.append(c);
    }
    return kept;
}

} // namespace

QString keepNameInFormat(const QString &name)
{
    return without(name, u"|\r\n");
}

QString keepNumberLineInFormat(const QString &line)
{
    return without(line, u"|\t\r\n");
}

bool nameReadsBack(const QString &name, bool bold)
{
    const std::optional<DirectoryEntry> back =
        parseDirectoryLine(formatDirectoryLine(DirectoryEntry{name, {}, bold}));
    return back && back->name == name && back->bold == bold;
}

} // namespace core
