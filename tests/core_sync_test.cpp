// The CardDAV client against a real Radicale server.
#include "core/directory/directorymodel.h"
#include "core/directory/identityfile.h"
#include "core/service/directoryservice.h"
#include "core/sync/discovery.h"
#include "core/sync/syncengine.h"
#include "platform/system/system.h"
#include "tests/support/fixtures.h"
#include "tests/support/radicale.h"

#include <gtest/gtest.h>

#include <array>
#include <functional>

namespace {

using testsupport::Radicale;

class SyncServer : public ::testing::Test
{
protected:
    void SetUp() override
    {
        if (const QString why = Radicale::missing(); !why.isEmpty())
            GTEST_SKIP() << why.toStdString();
        ASSERT_TRUE(server.start()) << server.error().toStdString();
    }
    Radicale server;
};

TEST_F(SyncServer, FindsTheBooksOfTheUserFromTheServerOrABook)
{
    const QUrl work = server.addBook("work", "Work");
    server.addBook("home", "Home");
    core::DavClient client(Radicale::user(), Radicale::password());
    for (const QUrl &start : {server.url(), server.url("/alice/"), work}) {
        const auto books = core::findAddressBooks(client, start);
        ASSERT_TRUE(books) << books.error().toStdString();
        QStringList names;
        for (const auto &book : *books)
            names << book.displayName + ' ' + book.url.path();
        names.sort();
        EXPECT_EQ(names, start == work ? QStringList{"Work /alice/work/"}
                                       : QStringList({"Home /alice/home/", "Work /alice/work/"}))
            << start.toString().toStdString();
    }
    core::DavClient wrong(Radicale::user(), "wrong");
    const auto refused = core::findAddressBooks(wrong, server.url());
    EXPECT_TRUE(!refused && refused.error().contains("refused the user name or password"))
        << refused.error().toStdString();
}

// Another client of the same book: puts and reads cards as they are.
struct OtherClient
{
    QByteArray get(const QString &name) { return client.send("GET", book.resolved(name)).body; }
    void put(const QString &name, const QByteArray &card)
    {
        client.send("PUT", book.resolved(name), card);
    }
    void remove(const QString &name) { client.send("DELETE", book.resolved(name)); }
    core::DavClient client{Radicale::user(), Radicale::password()};
    QUrl book;
};

QByteArray card(const char *uid, const char *lines)
{
    return QByteArray("BEGIN:VCARD\r\nVERSION:3.0\r\nUID:") + uid + "\r\n" + lines +
           "END:VCARD\r\n";
}

TEST_F(SyncServer, SyncsBothWaysByIdentifierAndLosesNothing)
{
    const QUrl book = server.addBook("book", "Book");
    OtherClient other{.book = book};
    core::DavClient client(Radicale::user(), Radicale::password());
    QList<core::DirectoryEntry> entries{{"Ann", "phone: 1", false, core::newIdentifier(), {}}};
    core::SyncState state;
    // Each step: what the other side does, then the counts and entries after the sync.
    struct Step
    {
        const char *name;
        std::function<void()> before;
        std::array<int, 3> counts; // sent, received, conflicts
        QStringList entries;       // "name|numbers"
    };
    const QString ann = core::bareIdentifier(entries[0].id) + ".vcf";
    const std::vector<Step> steps = {
        {"first sync uploads", [] {}, {1, 0, 0}, {"Ann|phone: 1"}},
        {"a card of another client arrives",
         [&] {
             other.put("bob.vcf", card("bob-1", "FN:Bob\r\nTEL:2\r\nX-MOOD:calm\r\n"
                                                "PHOTO;VALUE=uri:http://example.org/b.png\r\n"));
         },
         {0, 1, 0},
         {"Ann|phone: 1", "Bob|phone: 2"}},
        {"nothing changed changes nothing", [] {}, {0, 0, 0}, {"Ann|phone: 1", "Bob|phone: 2"}},
        {"a change here reaches the server",
         [&] { entries[1].numbers = "phone: 3"; },
         {1, 0, 0},
         {"Ann|phone: 1", "Bob|phone: 3"}},
        {"changed on both sides: a conflict copy",
         [&] {
             entries[0].numbers = "phone: 10";
             other.put(ann, card(qPrintable("urn:uuid:" + core::bareIdentifier(entries[0].id)),
                                 "FN:Ann\r\nTEL:11\r\n"));
         },
         {1, 1, 1},
         {"Ann|phone: 11", "Ann (conflict)|phone: 10", "Bob|phone: 3"}},
        {"deleted there, changed here: kept",
         [&] {
             other.remove("bob.vcf");
             entries[2].numbers = "phone: 4";
         },
         {1, 0, 0},
         {"Ann|phone: 11", "Ann (conflict)|phone: 10", "Bob|phone: 4"}},
        {"deleted here: deleted there",
         [&] { entries.removeAt(1); },
         {1, 0, 0},
         {"Ann|phone: 11", "Bob|phone: 4"}},
    };
    for (const Step &step : steps) {
        step.before();
        const auto counts = core::syncEntries(client, book, entries, state);
        ASSERT_TRUE(counts) << step.name << ": " << counts.error().toStdString();
        EXPECT_EQ((std::array{counts->sent, counts->received, counts->conflicts}), step.counts)
            << step.name;
        QStringList got;
        for (const auto &entry : entries)
            got << entry.name + '|' + entry.numbers;
        EXPECT_EQ(got, step.entries) << step.name;
        // The server holds the same: one card per entry, by identifier.
        core::SyncState fresh;
        QList<core::DirectoryEntry> fromServer;
        ASSERT_TRUE(core::syncEntries(client, book, fromServer, fresh));
        QStringList there;
        for (const auto &entry : fromServer)
            there << entry.name + '|' + entry.numbers;
        there.sort();
        got.sort();
        EXPECT_EQ(there, got) << step.name;
    }
    // What Quorvel does not keep of a card stays on the server.
    const QByteArray bob = other.get("bob.vcf");
    EXPECT_TRUE(bob.contains("X-MOOD:calm") && bob.contains("PHOTO;VALUE=uri:") &&
                bob.contains("TEL:4") && !bob.contains("TEL:2"))
        << bob.toStdString();
}

// Changes made while a sync runs stay, and the next sync sends them: no
// conflict for an entry just uploaded, one for an entry the server changed.
TEST_F(SyncServer, ChangesMadeWhileASyncRunsStayAndTheNextSyncSendsThem)
{
    testsupport::AppFolder folder("Ann|1\r\nBob|2\r\nDan|4\r\n");
    core::DirectoryService service(folder.path(), platform::GetName());
    ASSERT_TRUE(service.open());
    core::DirectoryModel model;
    ASSERT_TRUE(service.read(model));
    const core::SyncAccount account{
        server.url(), Radicale::user(), server.addBook("book", "Book"), "Book", {}, false};
    ASSERT_TRUE(service.storeSyncAccount(account));
    ASSERT_TRUE(service.sync(model, account, Radicale::password()));
    model.replace(0, {"Ann", "1a", false, model.entry(0).id, {}}); // uploaded by the sync
    const QString dan = core::bareIdentifier(model.entry(2).id);
    OtherClient{.book = account.book}.put(
        dan + ".vcf", card(qPrintable("urn:uuid:" + dan), "FN:Dan\r\nTEL:4s\r\n"));
    auto run = service.prepareSync(model, account, Radicale::password());
    ASSERT_TRUE(run);
    const auto counts = core::DirectoryService::runSync(*run);
    ASSERT_TRUE(counts);
    model.replace(0, {"Ann", "1b", false, model.entry(0).id, {}}); // meanwhile
    model.replace(2, {"Dan", "4h", false, model.entry(2).id, {}});
    model.remove(1);
    model.append(core::DirectoryEntry{"Eve", "5", false, core::newIdentifier(), {}});
    ASSERT_TRUE(service.finishSync(model, *run, *counts, false));
    EXPECT_EQ(service.sync(model, account, Radicale::password())->conflicts, 1);
    const QStringList expected{"Ann|1b", "Dan (conflict)|4h", "Dan|phone: 4s", "Eve|5"};
    EXPECT_EQ(testsupport::directoryLines(folder.directoryFile()), expected);
    EXPECT_EQ(testsupport::cardLines(server.cards("book")), expected);
}

} // namespace
