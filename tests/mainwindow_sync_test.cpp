// The main window's sync, driven as a person does, against a real Radicale.
#include "core/directory/directorymodel.h"
#include "core/service/directoryservice.h"
#include "core/sync/davclient.h"
#include "mainwindow/frmMain.h"
#include "platform/controls/listview.h"
#include "platform/runtime/messagebox.h"
#include "platform/system/system.h"
#include "support/faultproxy.h"
#include "support/fixtures.h"
#include "support/installed.h"
#include "support/radicale.h"
#include "syncsettings/frmSyncSettings.h"

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProcess>
#include <QSemaphore>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

namespace {

using namespace testsupport;

// The cards of the book as another client reads them: href, then the card.
QMap<QString, QByteArray> serverCards(const QUrl &book)
{
    core::DavClient client(Radicale::user(), Radicale::password());
    const core::DavResponse response = client.send(
        "REPORT", book,
        "<?xml version=\"1.0\"?><card:addressbook-query xmlns:d=\"DAV:\" "
        "xmlns:card=\"urn:ietf:params:xml:ns:carddav\"><d:prop><d:getetag/><card:address-data/>"
        "</d:prop></card:addressbook-query>",
        {{"Depth", "1"}});
    QMap<QString, QByteArray> cards;
    for (const core::DavResource &card : core::parseMultiStatus(response.body).resources)
        if (!card.addressData.isEmpty())
            cards.insert(card.href, card.addressData);
    return cards;
}

QString cardWith(const QUrl &book, const QByteArray &text)
{
    const auto cards = serverCards(book);
    for (auto it = cards.cbegin(); it != cards.cend(); ++it)
        if (it->contains(text))
            return it.key();
    return {};
}

bool putCard(const QUrl &book, const QString &href, const QByteArray &card)
{
    core::DavClient client(Radicale::user(), Radicale::password());
    return client.send("PUT", book.resolved(QUrl(href)), card).succeeded();
}

// Sync now by its key, and waits for its end; the status line after it.
QString syncNowByKey(frmMain &w)
{
    QTest::keyClick(&w, Qt::Key_R, Qt::ControlModifier);
    EXPECT_TRUE(QTest::qWaitFor([&] { return !w.syncRunning(); }, 60000));
    return w.lblSyncStatus->text();
}

// A Radicale, and no keyring: the password is kept in memory for the run.
class MainWindowSync : public ::testing::Test
{
protected:
    void SetUp() override
    {
        if (const QString why = Radicale::missing(); !why.isEmpty())
            GTEST_SKIP() << why.toStdString();
        qputenv("DBUS_SESSION_BUS_ADDRESS", "");
        ASSERT_TRUE(server.start()) << server.error().toStdString();
    }
    Radicale server;
};

TEST_F(MainWindowSync, SetUpSyncNowConflictAndAServerThatGoes)
{
    const QUrl book = server.addBook("book", "Book");
    AppFolder folder("Ann|phone: 555\r\n");
    MessageRecorder messages;
    frmMain w(folder.path());
    ASSERT_TRUE(w.Form_Load());
    w.show();

    // Set up in the dialog with the keyboard alone: fields, Find, Enter.
    bool listed = false;
    QTimer::singleShot(0, &w, [&] {
        auto *dialog = qobject_cast<frmSyncSettings *>(QApplication::activeModalWidget());
        if (!dialog || !QTest::qWaitForWindowActive(dialog))
            return;
        for (const QString &text :
             {server.url().toString(), Radicale::user(), Radicale::password()}) {
            QTest::keyClicks(dialog->focusWidget(), text);
            QTest::keyClick(dialog->focusWidget(), Qt::Key_Tab);
        }
        QTest::keyClick(dialog->focusWidget(), Qt::Key_Space); // Find
        listed = QTest::qWaitFor([&] { return dialog->lstBooks->count() == 1; }, 30000);
        QTest::keyClick(dialog->focusWidget(), Qt::Key_Return);
        if (dialog->isVisible())
            dialog->reject();
    });
    w.mnuSyncSettings->trigger();
    ASSERT_TRUE(listed);
    w.activateWindow(); // offscreen, no window manager gives it back
    ASSERT_TRUE(QTest::qWaitForWindowActive(&w));
    ASSERT_TRUE(QTest::qWaitFor([&] { return !w.syncRunning(); }, 60000));
    EXPECT_EQ(w.lblSyncStatus->text(), "Synced just now");
    EXPECT_TRUE(messages.prompts().join('\n').contains("No keyring answered"));
    const QString annHref = cardWith(book, "FN:Ann");
    ASSERT_FALSE(annHref.isEmpty());

    // A card added by another client arrives, a change made here is sent.
    ASSERT_TRUE(putCard(book, "carol.vcf",
                        "BEGIN:VCARD\r\nVERSION:3.0\r\nUID:carol-1\r\nFN:Carol\r\nEND:VCARD\r\n"));
    core::DirectoryEntry ann = w.directory().entry(0);
    ann.numbers = "phone: 556";
    w.directory().replace(0, ann);
    EXPECT_EQ(syncNowByKey(w), "Synced just now");
    EXPECT_EQ(w.directory().count(), 2);
    EXPECT_TRUE(folder.directoryBytes().contains("Carol|"));
    EXPECT_TRUE(serverCards(book).value(annHref).contains("556"));

    // Changed on both sides: told once, naming the entry.
    ann.numbers = "phone: 557";
    w.directory().replace(0, ann);
    QByteArray theirs = serverCards(book).value(annHref);
    ASSERT_TRUE(putCard(book, annHref, theirs.replace("556", "558")));
    messages.requests.clear();
    syncNowByKey(w);
    ASSERT_EQ(messages.requests.size(), 1);
    EXPECT_TRUE(messages.requests[0].prompt.contains("Ann was changed here and on the server"));
    EXPECT_EQ(itemTexts(w.lvwQuorvel), QStringList({"Ann", "Ann (conflict)", "Carol"}));

    // The server goes while the sync sends: the error shown, nothing lost,
    // and the next sync completes.
    QByteArray many;
    for (int i = 0; i < 400; ++i)
        many += QStringLiteral("BEGIN:VCARD\r\nVERSION:3.0\r\nFN:Person %1\r\nEND:VCARD\r\n")
                    .arg(i)
                    .toUtf8();
    writeBytes(folder.path() + "/many.vcf", many);
    w.importFiles({folder.path() + "/many.vcf"});
    w.waitForSaved();
    const QByteArray saved = folder.directoryBytes();
    QTest::keyClick(&w, Qt::Key_R, Qt::ControlModifier);
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return w.lblSyncStatus->text().contains(QRegularExpression(" [1-9][0-9]* of ")); },
        60000))
        << w.lblSyncStatus->text().toStdString();
    server.stop();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !w.syncRunning(); }, 60000));
    EXPECT_TRUE(w.lblSyncStatus->text().startsWith("Can't sync with"))
        << w.lblSyncStatus->text().toStdString();
    EXPECT_EQ(w.directory().count(), 403);
    EXPECT_EQ(folder.directoryBytes(), saved);
    ASSERT_TRUE(server.start()) << server.error().toStdString();
    EXPECT_EQ(syncNowByKey(w), "Synced just now");
    EXPECT_EQ(serverCards(book).size(), 403);
    EXPECT_EQ(w.directory().count(), 403);
    w.close();
}

// Keys reach the window while a first sync of 10,000 cards is held halfway
// (the proxy keeps an answer back); let go, the sync ends. Then quorvel
// --sync is answered by the window, with the program's line.
TEST_F(MainWindowSync, AnswersKeysWhileAFirstSyncOf10000CardsRunsAndQuorvelSync)
{
    const QUrl book = server.addBook("book", "Book");
    QByteArray cards; // the whole book in one PUT, as Radicale takes it
    for (int i = 0; i < 10000; ++i)
        cards += "BEGIN:VCARD\r\nVERSION:3.0\r\nFN:P" + QByteArray::number(i) + "\r\nEND:VCARD\r\n";
    core::DavClient client(Radicale::user(), Radicale::password());
    ASSERT_TRUE(client.send("PUT", book, cards, {{"Content-Type", "text/vcard"}}).succeeded());
    FaultProxy proxy(server.url());
    QSemaphore gate;
    std::atomic<bool> held = false;
    proxy.setOnAnswered([&](int request) { // held at the first cards fetched, for a while at most
        if (request == 2 && !held.exchange(true))
            gate.tryAcquire(1, 120000);
    });
    InstalledQuorvel quorvel;
    {
        core::DirectoryService service(quorvel.path(), platform::GetName());
        ASSERT_TRUE(service.open());
        ASSERT_TRUE(service.storeSyncAccount(
            {proxy.url(server.url()), Radicale::user(), proxy.url(book), "Book", {}, false}));
    }
    writeBytes(quorvel.directoryFile(), "Ann|1\r\nBob|2\r\n");
    frmMain w(quorvel.path());
    w.askSyncPassword = [](const QString &, const QString &) { return Radicale::password(); };
    ASSERT_TRUE(w.Form_Load());
    platform::HandOverServer handOver([](const QStringList &) { return true; });
    ASSERT_TRUE(w.listenForLaterStarts(handOver));
    w.show(); // and the sync at start begins
    ASSERT_TRUE(QTest::qWaitFor([&] { return bool(held); }, 60000));
    QTest::keyClicks(w.txtFind, "Bo");
    EXPECT_EQ(w.directory().entry(w.lvwQuorvel->selectedRow()).name, "Bob");
    EXPECT_TRUE(w.lblSyncStatus->text().startsWith("Syncing"));
    gate.release();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !w.syncRunning(); }, 240000));
    EXPECT_EQ(w.lblSyncStatus->text(), "Synced just now");
    EXPECT_EQ(w.directory().count(), 10002);

    w.directory().replace(0, {"Ann", "3", false, w.directory().entry(0).id, {}});
    QProcess sync;
    quorvel.start(sync, {"--sync"}, {});
    ASSERT_TRUE(QTest::qWaitFor([&] { return sync.state() == QProcess::NotRunning; }, 60000));
    EXPECT_EQ(sync.exitCode(), 0) << sync.readAllStandardError().toStdString();
    EXPECT_EQ(sync.readAllStandardOutput(), "synced: 1 sent, 0 received, 0 conflicts\n");
}

} // namespace
