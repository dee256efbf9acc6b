// Syncs of the real program cut off by a misbehaving server or a kill: both
// sides stay whole, and the next sync completes them without duplicating.
#include "core/sync/davclient.h"
#include "tests/support/faultproxy.h"
#include "tests/support/fixtures.h"
#include "tests/support/installed.h"
#include "tests/support/radicale.h"

#include <QRandomGenerator>
#include <gtest/gtest.h>

#include <csignal>

namespace {

using testsupport::FaultProxy;
using testsupport::Radicale;

const QByteArray kPassword = Radicale::password().toUtf8() + '\n';

bool hasDuplicates(const QStringList &lines)
{
    return QSet<QString>(lines.begin(), lines.end()).size() != lines.size();
}

// A Radicale book, a proxy before it and a Quorvel set up to sync with it
// through the proxy; false with the reason (skipped) when no server starts.
struct SyncedBook
{
    Radicale server;
    std::optional<FaultProxy> proxy;
    testsupport::InstalledQuorvel quorvel;

    QString start(const QByteArray &directory)
    {
        if (const QString why = Radicale::missing(); !why.isEmpty())
            return why;
        if (!server.start())
            return server.error();
        const QUrl book = server.addBook("book", "Book");
        proxy.emplace(server.url());
        quorvel.setEnvironment("DBUS_SESSION_BUS_ADDRESS", "");
        QDir().mkpath(quorvel.dataFolder());
        testsupport::writeBytes(quorvel.directoryFile(), directory);
        const auto setUp =
            quorvel.run({"--sync-setup", proxy->url(book).toString(), "--user", Radicale::user()},
                        60000, kPassword);
        return setUp.exitCode == 0 ? QString() : QString::fromUtf8(setUp.err);
    }
    testsupport::ProgramOutput sync() const { return quorvel.run({"--sync"}, 120000, kPassword); }
};

QByteArray entries(int from, int count)
{
    QByteArray bytes;
    for (int i = from; i < from + count; ++i)
        bytes += "Name " + QByteArray::number(i) + "|phone: " + QByteArray::number(i) + "\r\n";
    return bytes;
}

TEST(SyncFaults, ACutOffSyncFailsLeavesBothSidesWholeAndTheNextCompletesIt)
{
    struct Row
    {
        const char *name;
        FaultProxy::Fault fault;
        int request; // requests: 1 sync-collection, 2 multiget, 3... uploads
        const char *reason;
    };
    const Row rows[] = {
        {"server full", FaultProxy::Fault::InsufficientStorage, 5, "answered 507"},
        {"cut in the multiget's answer", FaultProxy::Fault::DropAnswer, 2, "is not WebDAV"},
        {"cut in an upload's answer", FaultProxy::Fault::DropAnswer, 4, "no answer"},
        {"server gone", FaultProxy::Fault::Stop, 6, "no answer"},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.name);
        SyncedBook setup;
        if (const QString why = setup.start(entries(0, 3)); !why.isEmpty()) {
            ASSERT_TRUE(Radicale::missing().isEmpty()) << why.toStdString();
            GTEST_SKIP() << why.toStdString();
        }
        // Two entries synced before, then changed on each side, and cards new on the server.
        ASSERT_EQ(setup.sync().exitCode, 0);
        testsupport::writeBytes(setup.quorvel.directoryFile(),
                                entries(0, 1) + "Name 1|phone: changed\r\n" + entries(3, 6));
        core::DavClient other(Radicale::user(), Radicale::password()); // another device
        for (const char *name : {"Server 0", "Server 1"})
            ASSERT_EQ(other
                          .send("PUT",
                                setup.server.url(QStringLiteral("/alice/book/%1.vcf").arg(name[7])),
                                QByteArray("BEGIN:VCARD\r\nVERSION:3.0\r\nUID:s") + name[7] +
                                    "\r\nFN:" + name + "\r\nTEL:5\r\nEND:VCARD\r\n")
                          .status,
                      201);
        const QByteArray before = testsupport::fileBytes(setup.quorvel.directoryFile());

        setup.proxy->setFault(row.fault, row.request);
        const testsupport::ProgramOutput cut = setup.sync();
        EXPECT_EQ(cut.exitCode, 1) << cut.out.toStdString();
        EXPECT_TRUE(cut.err.contains(row.reason)) << cut.err.toStdString();
        EXPECT_EQ(testsupport::fileBytes(setup.quorvel.directoryFile()), before);
        for (const QString &line : testsupport::cardLines(setup.server.cards("book")))
            EXPECT_TRUE(line.contains('|')) << line.toStdString();

        setup.proxy->setFault(FaultProxy::Fault::None);
        const testsupport::ProgramOutput next = setup.sync();
        EXPECT_EQ(next.exitCode, 0) << next.err.toStdString();
        const QStringList local = testsupport::directoryLines(setup.quorvel.directoryFile());
        EXPECT_EQ(local, testsupport::cardLines(setup.server.cards("book")));
        EXPECT_EQ(local.size(), 10);
        EXPECT_FALSE(hasDuplicates(local));
    }
}

} // namespace

TEST(SyncFaults, KilledAtRandomPointsTheNextSyncEndsWithBothSidesEqual)
{
    SyncedBook setup;
    if (const QString why = setup.start(entries(0, 500)); !why.isEmpty()) {
        ASSERT_TRUE(Radicale::missing().isEmpty()) << why.toStdString();
        GTEST_SKIP() << why.toStdString();
    }
    quint32 seed = qEnvironmentVariableIntValue("QUORVEL_KILL_SEED");
    seed = seed ? seed : QRandomGenerator::global()->generate();
    SCOPED_TRACE(testing::Message() << "QUORVEL_KILL_SEED=" << seed);
    QRandomGenerator random(seed);
    std::atomic<qint64> pid = 0;
    std::atomic<int> killAt = 0;
    setup.proxy->setOnAnswered([&](int request) {
        if (request == killAt && pid > 0)
            ::kill(pid_t(pid), SIGKILL); // the server has done it, the program never learns
    });
    core::DavClient other(Radicale::user(), Radicale::password());
    for (int round = 0; round < 10; ++round) {
        SCOPED_TRACE(round);
        if (round > 0) { // changes on both sides since the last sync
            QStringList lines = testsupport::directoryLines(setup.quorvel.directoryFile());
            for (int i = 0; i < 20; ++i)
                lines[random.bounded(lines.size())] += QStringLiteral(" r%1").arg(round);
            for (int i = 0; i < 10; ++i)
                lines.removeAt(random.bounded(lines.size()));
            for (int i = 0; i < 20; ++i)
                lines.append(QStringLiteral("New %1-%2|phone: %2").arg(round).arg(i));
            testsupport::writeBytes(setup.quorvel.directoryFile(),
                                    (lines.join(QStringLiteral("\r\n")) + "\r\n").toUtf8());
            for (int i = 0; i < 5; ++i)
                other.send(
                    "PUT",
                    setup.server.url(QStringLiteral("/alice/book/o%1-%2.vcf").arg(round).arg(i)),
                    QStringLiteral("BEGIN:VCARD\r\nVERSION:3.0\r\nUID:o%1-%2\r\nFN:Other "
                                   "%1-%2\r\nTEL:%2\r\nEND:VCARD\r\n")
                        .arg(round)
                        .arg(i)
                        .toUtf8());
        }
        killAt = 1 + int(random.bounded(round == 0 ? 500 : 60));
        setup.proxy->setFault(FaultProxy::Fault::None); // counts from 0
        QProcess killed;
        setup.quorvel.start(killed, {"--sync"}, kPassword);
        ASSERT_TRUE(killed.waitForStarted());
        pid = killed.processId();
        killed.waitForFinished(120000);
        pid = 0;
        EXPECT_TRUE(killed.exitStatus() == QProcess::CrashExit || killAt > setup.proxy->requests());
        const testsupport::ProgramOutput next = setup.sync();
        ASSERT_EQ(next.exitCode, 0)
            << "killed after request " << killAt << ": " << next.err.toStdString();
        const QStringList local = testsupport::directoryLines(setup.quorvel.directoryFile());
        ASSERT_EQ(local, testsupport::cardLines(setup.server.cards("book")))
            << "killed after request " << killAt;
        ASSERT_FALSE(hasDuplicates(local)) << "killed after request " << killAt;
        ASSERT_EQ(local.size(), 500 + round * 15);
    }
}
