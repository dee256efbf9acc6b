// The real program's sync commands against a real Radicale server.
#include "tests/support/fixtures.h"
#include "tests/support/installed.h"
#include "tests/support/radicale.h"

#include <QProcess>
#include <QTemporaryDir>
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
    // While a window holds a directory, the window syncs it and answers.
    testsupport::InstalledQuorvel window;
    ASSERT_TRUE(window.start());
    const testsupport::ProgramOutput asked = window.run({"--sync"}, 60000);
    EXPECT_EQ(asked.exitCode, 1);
    EXPECT_TRUE(asked.err.contains("No sync is set up: Tools")) << asked.err.toStdString();
    window.stop(SIGTERM);
}

// Runs a tool to its end; its standard output, or "failed: ..." with its errors.
QByteArray runTool(const QString &program, const QStringList &arguments)
{
    QProcess tool;
    tool.start(program, arguments);
    tool.closeWriteChannel();
    if (!tool.waitForFinished(120000) || tool.exitCode() != 0)
        return "failed: " + tool.readAllStandardError();
    return tool.readAllStandardOutput();
}

TEST(SyncProgram, SharesABookWithVdirsyncer)
{
    if (const QString why = Radicale::missing(); !why.isEmpty())
        GTEST_SKIP() << why.toStdString();
    if (!QFile::exists("/usr/bin/vdirsyncer"))
        GTEST_SKIP() << "vdirsyncer is not installed (Debian's package vdirsyncer)";
    Radicale server;
    ASSERT_TRUE(server.start()) << server.error().toStdString();
    const QUrl book = server.addBook("book", "Book");
    QTemporaryDir folder;
    QDir().mkpath(folder.filePath("cards"));
    testsupport::writeBytes(
        folder.filePath("config"),
        QStringLiteral("[general]\nstatus_path = \"%1/status/\"\n"
                       "[pair contacts]\na = \"local\"\nb = \"remote\"\ncollections = null\n"
                       "[storage local]\ntype = \"filesystem\"\npath = \"%1/cards/\"\n"
                       "fileext = \".vcf\"\n[storage remote]\ntype = \"carddav\"\n"
                       "url = \"%2\"\nusername = \"%3\"\npassword = \"%4\"\n")
            .arg(folder.path(), book.toString(), Radicale::user(), Radicale::password())
            .toUtf8());
    const auto vdirsyncer = [&](const char *command) {
        return runTool("/usr/bin/vdirsyncer", {"-c", folder.filePath("config"), command});
    };
    ASSERT_FALSE(vdirsyncer("discover").startsWith("failed"));
    testsupport::InstalledQuorvel quorvel;
    quorvel.setEnvironment("DBUS_SESSION_BUS_ADDRESS", "");
    const QByteArray password = Radicale::password().toUtf8() + "\n";
    ASSERT_EQ(
        quorvel.run({"--sync-setup", book.toString(), "--user", Radicale::user()}, 60000, password)
            .exitCode,
        0);
    // A card added in vdirsyncer's folder reaches Quorvel.
    testsupport::writeBytes(folder.filePath("cards/carol.vcf"),
                            "BEGIN:VCARD\r\nVERSION:3.0\r\nUID:carol-1\r\nFN:Carol\r\n"
                            "TEL;TYPE=cell:777\r\nX-PET:cat\r\nEND:VCARD\r\n");
    ASSERT_FALSE(vdirsyncer("sync").startsWith("failed"));
    EXPECT_EQ(quorvel.run({"--sync"}, 60000, password).out,
              "synced: 1 sent, 1 received, 0 conflicts\n");
    const QByteArray directory = testsupport::fileBytes(quorvel.directoryFile());
    ASSERT_TRUE(directory.contains("Carol|")) << directory.toStdString();
    // An entry changed in Quorvel reaches vdirsyncer's folder, as vobject reads it.
    QByteArray changed = directory;
    changed.replace("777", "888");
    testsupport::replaceFile(quorvel.directoryFile(), changed);
    EXPECT_EQ(quorvel.run({"--sync"}, 60000, password).out,
              "synced: 1 sent, 0 received, 0 conflicts\n");
    ASSERT_FALSE(vdirsyncer("sync").startsWith("failed"));
    EXPECT_EQ(runTool("/usr/bin/python3",
                      {"-c",
                       "import sys, vobject\n"
                       "c = vobject.readOne(open(sys.argv[1], encoding='utf-8').read())\n"
                       "print(c.fn.value, c.tel.value, c.contents['x-pet'][0].value)",
                       folder.filePath("cards/carol.vcf")}),
              "Carol 888 cat\n");
}

} // namespace
