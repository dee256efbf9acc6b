// The real program's sync commands against a real Radicale server.
#include "tests/support/fixtures.h"
#include "tests/support/installed.h"
#include "tests/support/radicale.h"

#include <gtest/gtest.h>

namespace {

using testsupport::Radicale;

TEST(SyncProgram, SetsUpWithTheBookItIsToldOrTheOnlyOneAndSyncs)
{
    if (const QString why = Radicale::missing(); !why.isEmpty())
        GTEST_SKIP() << why.toStdString();
    Radicale server;
    ASSERT_TRUE(server.start()) << server.error().toStdString();
    testsupport::InstalledQuorvel quorvel;
    quorvel.setEnvironment("DBUS_SESSION_BUS_ADDRESS", ""); // no keyring: standard input
    const QByteArray password = Radicale::password().toUtf8() + "\r\n";
    const QStringList setUp = {"--sync-setup", server.url().toString(), "--user", Radicale::user()};
    struct Row
    {
        const char *name;
        QString book; // made before the command, when set
        QStringList arguments;
        QByteArray input;
        int exitCode;
        QByteArray out, err; // contained in what it printed
    };
    const std::vector<Row> rows = {
        {"no account yet", "", {"--sync"}, password, 1, "", "No sync is set up"},
        {"the only book", "Work", setUp, password, 0, "Set up to sync with \"Work\"", ""},
        {"a wrong password", "", setUp, "wrong\n", 1, "", "refused the user name or password"},
        {"several books, none named", "Home", setUp, password, 2, "", "  Home\n  Work\n"},
        {"a book named", "", setUp + QStringList{"--address-book", "Work"}, password, 0, "\"Work\"",
         ""},
        {"sync", "", {"--sync"}, password, 0, "synced: 1 sent, 0 received, 0 conflicts\n", ""},
        {"sync again",
         "",
         {"--sync"},
         password,
         0,
         "synced: 0 sent, 0 received, 0 conflicts\n",
         ""},
    };
    for (const Row &row : rows) {
        if (!row.book.isEmpty())
            server.addBook(row.book.toLower(), row.book);
        const testsupport::ProgramOutput output = quorvel.run(row.arguments, 60000, row.input);
        EXPECT_EQ(output.exitCode, row.exitCode) << row.name << ": " << output.err.toStdString();
        EXPECT_TRUE(output.out.contains(row.out)) << row.name << ": " << output.out.toStdString();
        EXPECT_TRUE(output.err.contains(row.err)) << row.name << ": " << output.err.toStdString();
    }
    // The password is in no file of the data folder.
    for (const QString &name : QDir(quorvel.dataFolder()).entryList(QDir::Files))
        EXPECT_FALSE(testsupport::fileBytes(quorvel.dataFolder() + '/' + name)
                         .contains(Radicale::password().toUtf8()))
            << name.toStdString();
    // While the window holds the directory, it is not synced behind its back.
    ASSERT_TRUE(quorvel.start());
    const testsupport::ProgramOutput refused = quorvel.run({"--sync"}, 60000, password);
    EXPECT_EQ(refused.exitCode, 1);
    EXPECT_TRUE(refused.err.contains("Quorvel is open")) << refused.err.toStdString();
    quorvel.stop(SIGTERM);
}

} // namespace
