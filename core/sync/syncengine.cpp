#include "core/sync/syncengine.h"

#include "core/directory/identityfile.h"
#include "core/sync/cardmerge.h"
#include "core/sync/discovery.h"

#include <QCoreApplication>
#include <QHash>
#include <QSet>

#include <memory>

namespace core {

namespace {

struct SyncText
{
    Q_DECLARE_TR_FUNCTIONS(SyncText)
};

constexpr qsizetype kMultigetBatch = 200;

struct RemoteCard
{
    QString href;
    QString etag;
    QByteArray data;
    DirectoryEntry entry;
};

class Sync
{
public:
    Sync(DavClient &client, QUrl book, QList<DirectoryEntry> &entries, SyncState &state,
         const SyncProgress &progress)
        : client_(client), book_(std::move(book)), entries_(entries), state_(state),
          progress_(progress)
    {
    }
    Result<SyncCounts> run();

private:
    Result<> listChanges(QStringList &changed, QSet<QString> &deletedHrefs);
    Result<> fetch(const QStringList &hrefs);
    Result<> upload(DirectoryEntry &entry, const QString &uid, const SyncRecord *last);
    DirectoryEntry received(const RemoteCard &card, const QUuid &keepId) const;
    QString pathOf(const QString &href) const { return book_.resolved(QUrl(href)).path(); }
    // Counts work done (or more work to do); a failure when told to stop.
    Result<> advance(qsizetype done, qsizetype more = 0);

    DavClient &client_;
    QUrl book_;
    QList<DirectoryEntry> &entries_;
    SyncState &state_;
    QHash<QString, RemoteCard> remote_; // changed on the server, by UID
    SyncCounts counts_;
    const SyncProgress &progress_;
    qsizetype done_ = 0;
    qsizetype total_ = 0;
};

Result<> Sync::advance(qsizetype done, qsizetype more)
{
    done_ += done;
    total_ += more;
    if (progress_ && !progress_(done_, total_))
        return Result<>::failure(SyncText::tr("the sync was stopped"));
    return {};
}

Result<> Sync::listChanges(QStringList &changed, QSet<QString> &deletedHrefs)
{
    QHash<QString, QString> knownEtags; // by path
    for (const SyncRecord &record : std::as_const(state_.records))
        knownEtags.insert(record.href, record.etag);
    const auto report = [&](const QString &token) {
        return client_.send("REPORT", book_,
                            "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n"
                            "<d:sync-collection xmlns:d=\"DAV:\"><d:sync-token>" +
                                token.toHtmlEscaped().toUtf8() +
                                "</d:sync-token><d:sync-level>1</d:sync-level>"
                                "<d:prop><d:getetag/></d:prop></d:sync-collection>",
                            {{"Depth", "1"}});
    };
    bool incremental = !state_.token.isEmpty();
    DavResponse response = incremental ? report(state_.token) : DavResponse();
    if (response.status != 207) {
        incremental = false;
        response = report(QString());
    }
    if (response.status != 207) // no sync tokens here: every card's ETag
        response = client_.propfind(book_, 1, "<d:getetag/>");
    if (response.status != 207)
        return Result<>::failure(failureOf(response, book_));
    const MultiStatus listed = parseMultiStatus(response.body);
    if (!listed.ok)
        return Result<>::failure(
            SyncText::tr("the server's answer at %1 is not WebDAV").arg(book_.toString()));
    QSet<QString> present;
    for (const DavResource &resource : listed.resources) {
        const QString path = pathOf(resource.href);
        if (path == book_.path())
            continue;
        if (resource.status == 404) {
            deletedHrefs.insert(path);
            continue;
        }
        if (resource.etag.isEmpty())
            continue;
        present.insert(path);
        if (knownEtags.value(path) != resource.etag)
            changed.append(path);
    }
    if (!incremental) {
        for (auto it = knownEtags.cbegin(); it != knownEtags.cend(); ++it) {
            if (!present.contains(it.key()))
                deletedHrefs.insert(it.key());
        }
    }
    state_.token = listed.syncToken;
    return {};
}

Result<> Sync::fetch(const QStringList &hrefs)
{
    for (qsizetype from = 0; from < hrefs.size(); from += kMultigetBatch) {
        QByteArray body = "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n"
                          "<card:addressbook-multiget xmlns:d=\"DAV:\" "
                          "xmlns:card=\"urn:ietf:params:xml:ns:carddav\">"
                          "<d:prop><d:getetag/><card:address-data/></d:prop>";
        for (const QString &href : hrefs.mid(from, kMultigetBatch))
            body += "<d:href>" + href.toHtmlEscaped().toUtf8() + "</d:href>";
        body += "</card:addressbook-multiget>";
        const DavResponse response = client_.send("REPORT", book_, body, {{"Depth", "1"}});
        if (response.status != 207)
            return Result<>::failure(failureOf(response, book_));
        const MultiStatus cards = parseMultiStatus(response.body);
        if (!cards.ok)
            return Result<>::failure(
                SyncText::tr("the server's answer at %1 is not WebDAV").arg(book_.toString()));
        for (const DavResource &resource : cards.resources) {
            if (resource.addressData.isEmpty())
                continue;
            QString uid;
            const std::optional<DirectoryEntry> entry = entryOfCard(resource.addressData, uid);
            if (!entry || uid.isEmpty()) {
                counts_.notes.append(SyncText::tr("%1: the card has no name or no UID; left out")
                                         .arg(resource.href));
                continue;
            }
            remote_.insert(uid,
                           {pathOf(resource.href), resource.etag, resource.addressData, *entry});
        }
        if (Result<> going = advance(std::min(kMultigetBatch, hrefs.size() - from)); !going)
            return going;
    }
    return {};
}

DirectoryEntry Sync::received(const RemoteCard &card, const QUuid &keepId) const
{
    DirectoryEntry entry = card.entry;
    if (entry.id.isNull())
        entry.id = keepId.isNull() ? newIdentifier() : keepId;
    return entry;
}

Result<> Sync::upload(DirectoryEntry &entry, const QString &uid, const SyncRecord *last)
{
    const QByteArray card = mergeCard(last ? last->card : QByteArray(), entry);
    const QString href = last ? last->href
                              : book_.path() +
                                    bareIdentifier(entry.id.isNull() ? newIdentifier() : entry.id) +
                                    ".vcf";
    QUrl url = book_;
    url.setPath(href, QUrl::TolerantMode);
    const bool replaces = last && !last->etag.isEmpty();
    const DavResponse response =
        client_.send("PUT", url, card,
                     {replaces ? std::pair<QByteArray, QByteArray>("If-Match", last->etag.toUtf8())
                               : std::pair<QByteArray, QByteArray>("If-None-Match", "*")});
    if (response.status == 412) {
        // Changed on the server meanwhile: the next sync sees both versions.
        counts_.notes.append(
            SyncText::tr("%1 changed on the server during the sync; it is synced next time")
                .arg(entry.name));
        return {};
    }
    if (!response.succeeded())
        return Result<>::failure(failureOf(response, url));
    state_.records.insert(uid, {href, QString::fromUtf8(response.etag), card});
    ++counts_.sent;
    return {};
}

Result<SyncCounts> Sync::run()
{
    QStringList changed;
    QSet<QString> deletedHrefs;
    if (Result<> listed = listChanges(changed, deletedHrefs); !listed)
        return Result<SyncCounts>::failure(listed.error());
    if (Result<> counted = advance(0, changed.size() + entries_.size()); !counted)
        return Result<SyncCounts>::failure(counted.error());
    if (Result<> fetched = fetch(changed); !fetched)
        return Result<SyncCounts>::failure(fetched.error());
    QSet<QString> deletedUids;
    for (auto it = state_.records.cbegin(); it != state_.records.cend(); ++it) {
        if (deletedHrefs.contains(it->href) && !remote_.contains(it.key()))
            deletedUids.insert(it.key());
    }

    QList<DirectoryEntry> result;
    QList<qsizetype> toUpload;              // rows of result, new cards
    QHash<qsizetype, SyncRecord> replacing; // of those, the cards deleted on the server
    QSet<QString> seen;
    // Each entry looked at counts as done, but one to upload as a new card
    // counts when it is sent, below; a conflict copy is one more to send.
    qsizetype queued = 0;
    const auto looked = [&] {
        const qsizetype added = toUpload.size() - queued;
        queued = toUpload.size();
        return advance(added == 0 ? 1 : 0, std::max<qsizetype>(0, added - 1));
    };
    for (DirectoryEntry &entry : entries_) {
        if (&entry != &entries_.front()) {
            if (Result<> going = looked(); !going)
                return Result<SyncCounts>::failure(going.error());
        }
        const QString uid = cardUidOf(entry);
        seen.insert(uid);
        const auto last = state_.records.constFind(uid);
        QString ignored;
        const bool known = last != state_.records.cend();
        const std::optional<DirectoryEntry> before =
            known ? entryOfCard(last->card, ignored) : std::nullopt;
        const bool localChanged = !before || !(*before == entry);
        if (const auto theirs = remote_.constFind(uid); theirs != remote_.cend()) {
            const DirectoryEntry remoteEntry = received(*theirs, entry.id);
            state_.records.insert(uid, {theirs->href, theirs->etag, theirs->data});
            if (localChanged && !(remoteEntry == entry)) {
                DirectoryEntry copy = entry;
                copy.id = newIdentifier();
                copy.name += SyncText::tr(" (conflict)");
                if (copy.card) {
                    auto card = std::make_shared<EntryCard>(*copy.card);
                    card->uid.clear();
                    copy.card = std::move(card);
                }
                counts_.notes.append(SyncText::tr("%1 was changed here and on the server: the "
                                                  "server's version is kept, and this one as %2")
                                         .arg(entry.name, copy.name));
                ++counts_.conflicts;
                ++counts_.received;
                result.append(remoteEntry);
                toUpload.append(result.size());
                result.append(std::move(copy));
            } else {
                if (!(remoteEntry == entry))
                    ++counts_.received;
                result.append(remoteEntry);
            }
            remote_.erase(theirs);
        } else if (deletedUids.contains(uid) && !localChanged) {
            ++counts_.received; // removed on the server
            state_.records.remove(uid);
        } else if (!known || deletedUids.contains(uid)) {
            // Deleted there but changed here: uploaded anew, at its old
            // address, still merged over the card last synced.
            if (known)
                replacing.insert(result.size(), {last->href, QString(), last->card});
            state_.records.remove(uid);
            toUpload.append(result.size());
            result.append(entry);
        } else {
            if (localChanged) {
                if (Result<> sent = upload(entry, uid, &*last); !sent)
                    return Result<SyncCounts>::failure(sent.error());
            }
            result.append(entry);
        }
    }
    if (!entries_.isEmpty()) {
        if (Result<> going = looked(); !going)
            return Result<SyncCounts>::failure(going.error());
    }
    // Removed here: deleted on the server too, unless changed there.
    for (auto it = state_.records.begin(); it != state_.records.end();) {
        if (seen.contains(it.key()) || remote_.contains(it.key())) {
            ++it;
            continue;
        }
        if (!deletedUids.contains(it.key())) {
            QUrl url = book_;
            url.setPath(it->href, QUrl::TolerantMode);
            const DavResponse response =
                client_.send("DELETE", url, {}, {{"If-Match", it->etag.toUtf8()}});
            if (!response.succeeded() && response.status != 404 && response.status != 412)
                return Result<SyncCounts>::failure(failureOf(response, url));
            if (response.status == 412) { // changed there meanwhile: comes back next time
                ++it;
                continue;
            }
            ++counts_.sent;
        }
        it = state_.records.erase(it);
    }
    // New on both sides: a card equal in content to a new entry gives it its
    // identity; the other new cards become entries, the other new entries cards.
    QHash<QString, QString> remoteByContent;
    for (auto it = remote_.cbegin(); it != remote_.cend(); ++it)
        remoteByContent.insert(
            it->entry.name + '\n' + it->entry.numbers + (it->entry.bold ? "\nb" : ""), it.key());
    for (const qsizetype row : std::as_const(toUpload)) {
        if (Result<> going = advance(1); !going)
            return Result<SyncCounts>::failure(going.error());
        DirectoryEntry &entry = result[row];
        const QString content =
            entry.name + '\n' + entry.numbers + (entry.bold ? QStringLiteral("\nb") : QString());
        if (const QString uid = remoteByContent.take(content); !uid.isEmpty()) {
            const RemoteCard card = remote_.take(uid);
            entry = received(card, entry.id);
            state_.records.insert(uid, {card.href, card.etag, card.data});
            counts_.localChanged = true;
            continue;
        }
        const auto old = replacing.constFind(row);
        if (Result<> sent =
                upload(entry, cardUidOf(entry), old == replacing.cend() ? nullptr : &*old);
            !sent)
            return Result<SyncCounts>::failure(sent.error());
    }
    for (auto it = remote_.cbegin(); it != remote_.cend(); ++it) {
        result.append(received(*it, {}));
        state_.records.insert(it.key(), {it->href, it->etag, it->data});
        ++counts_.received;
    }
    counts_.localChanged =
        counts_.localChanged || result.size() != entries_.size() || counts_.received > 0;
    entries_ = std::move(result);
    return counts_;
}

} // namespace

Result<SyncCounts> syncEntries(DavClient &client, const QUrl &book, QList<DirectoryEntry> &entries,
                               SyncState &state, const SyncProgress &progress)
{
    return Sync(client, book, entries, state, progress).run();
}

} // namespace core
