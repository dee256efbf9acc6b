#include "core/sync/cardmerge.h"

#include "core/contacts/contacts.h"
#include "core/contacts/vcard.h"
#include "core/directory/identityfile.h"

#include <QList>
#include <QSet>

namespace core {

namespace {

// The property name of an unfolded content line, upper case, without its group.
QByteArray propertyName(const QByteArray &logicalLine)
{
    qsizetype end = 0;
    while (end < logicalLine.size() && logicalLine[end] != ':' && logicalLine[end] != ';')
        ++end;
    QByteArray name = logicalLine.left(end).toUpper();
    if (const qsizetype dot = name.lastIndexOf('.'); dot >= 0)
        name = name.mid(dot + 1);
    return name;
}

// The card's content lines, each with its folded continuation lines.
QList<QByteArray> contentLines(const QByteArray &card)
{
    QList<QByteArray> lines;
    for (QByteArray line : card.split('\n')) {
        if (line.endsWith('\r'))
            line.chop(1);
        if ((line.startsWith(' ') || line.startsWith('\t')) && !lines.isEmpty())
            lines.last() += "\r\n" + line;
        else if (!line.isEmpty())
            lines.append(line);
    }
    return lines;
}

} // namespace

QString cardUidOf(const DirectoryEntry &entry)
{
    if (entry.card && !entry.card->uid.isEmpty())
        return entry.card->uid;
    return QLatin1String("urn:uuid:") + bareIdentifier(entry.id);
}

QByteArray mergeCard(const QByteArray &lastSynced, const DirectoryEntry &entry)
{
    const QByteArray written = formatVCards({entry}, VCardVersion::V3);
    if (lastSynced.isEmpty())
        return written;
    static const QSet<QByteArray> ours = {
        "BEGIN", "END",   "VERSION",  "FN",   "N",    "TEL", "EMAIL",  "ADR", "URL",
        "ORG",   "TITLE", "NICKNAME", "BDAY", "NOTE", "UID", "PRODID", "REV", "X-QUORVEL-ENTRY"};
    QList<QByteArray> lines = contentLines(written);
    QSet<QByteArray> writtenNames;
    for (const QByteArray &line : lines)
        writtenNames.insert(propertyName(line));
    QList<QByteArray> kept;
    for (const QByteArray &line : contentLines(lastSynced)) {
        const QByteArray name = propertyName(line);
        if (!ours.contains(name) && !writtenNames.contains(name))
            kept.append(line);
    }
    QByteArray card;
    for (const QByteArray &line : lines) {
        if (propertyName(line) == "END") {
            for (const QByteArray &old : kept)
                card += old + "\r\n";
        }
        card += line + "\r\n";
    }
    return card;
}

std::optional<DirectoryEntry> entryOfCard(const QByteArray &card, QString &uid)
{
    ContactsRead read = readVCards(card);
    if (!read.ok || read.contacts.size() != 1)
        return std::nullopt;
    uid = read.contacts.constFirst().uid;
    ImportResult imported = importContacts(std::move(read), {});
    if (imported.entries.size() != 1)
        return std::nullopt;
    return imported.entries.constFirst();
}

} // namespace core
