// The real program's sync commands against a real Radicale server.
#include "tests/support/fixtures.h"
#include "tests/support/installed.h"
#include "tests/support/radicale.h"

#include <QProcess>
#include <QRegularExpression>
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

TEST(SyncProgram, HttpsTakesACertificateThatDoesNotVerifyOnlyWhenNamed)
{
    if (const QString why = Radicale::missing(); !why.isEmpty())
        GTEST_SKIP() << why.toStdString();
    Radicale server;
    ASSERT_TRUE(server.start(true)) << server.error().toStdString();
    server.addBook("work", "Work");
    testsupport::InstalledQuorvel quorvel;
    quorvel.setEnvironment("DBUS_SESSION_BUS_ADDRESS", "");
    const QString sha = server.fingerprint(); // openssl's "AB:12:..."
    const QStringList setUp = {"--sync-setup", server.url().toString(), "--user", Radicale::user()};
    const QString wrong = QString(sha).replace(0, 2, sha.startsWith("00") ? "11" : "00");
    const struct
    {
        QStringList arguments;
        int exitCode;
        QString err; // contained in what it printed on standard error
    } rows[] = {
        {setUp, 1,
         "(SHA-256 " + sha + "); if it is your server's, give --accept-certificate " + sha},
        {setUp + QStringList{"--accept-certificate", wrong}, 1,
         "not the one accepted (SHA-256 " + sha},
        {setUp + QStringList{"--accept-certificate", sha.toLower().remove(':')}, 0, ""},
        {{"--sync"}, 0, ""}, // the accepted certificate kept with the account
        {setUp + QStringList{"--accept-certificate", sha}, 0, ""},
        {{"--sync-setup", "http://192.0.2.1/", "--user", "bob"}, 1, "--allow-http"},
        {{"--sync"}, 0, ""}, // the refused set-up left the account alone
    };
    for (const auto &row : rows) {
        const testsupport::ProgramOutput output =
            quorvel.run(row.arguments, 60000, Radicale::password().toUtf8() + '\n');
        EXPECT_EQ(output.exitCode, row.exitCode) << row.arguments.join(' ').toStdString() << '\n'
                                                 << output.err.toStdString();
        EXPECT_TRUE(output.err.contains(row.err.toLatin1())) << output.err.toStdString();
    }
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

// vdirsyncer syncing a book into a folder of .vcf files, as a second client.
struct Vdirsyncer
{
    QTemporaryDir folder;
    QString cards() const { return folder.filePath("cards"); }
    QByteArray operator()(const char *command) const
    {
        return runTool("/usr/bin/vdirsyncer", {"-c", folder.filePath("config"), command});
    }
    bool start(const QUrl &book)
    {
        QDir().mkpath(cards());
        testsupport::writeBytes(
            folder.filePath("config"),
            QStringLiteral("[general]\nstatus_path = \"%1/status/\"\n"
                           "[pair contacts]\na = \"local\"\nb = \"remote\"\ncollections = null\n"
                           "[storage local]\ntype = \"filesystem\"\npath = \"%1/cards/\"\n"
                           "fileext = \".vcf\"\n[storage remote]\ntype = \"carddav\"\n"
                           "url = \"%2\"\nusername = \"%3\"\npassword = \"%4\"\n")
                .arg(folder.path(), book.toString(), Radicale::user(), Radicale::password())
                .toUtf8());
        return !(*this)("discover").startsWith("failed");
    }
};

QString missingServers()
{
    if (const QString why = Radicale::missing(); !why.isEmpty())
        return why;
    if (!QFile::exists("/usr/bin/vdirsyncer"))
        return "vdirsyncer is not installed (Debian's package vdirsyncer)";
    return {};
}

} // namespace

// Two Quorvel data folders and vdirsyncer on one book: each side's add, edit,
// delete and conflict reach every side.
TEST(SyncProgram, TwoDataFoldersAndVdirsyncerShareABook)
{
    if (const QString why = missingServers(); !why.isEmpty())
        GTEST_SKIP() << why.toStdString();
    Radicale server;
    ASSERT_TRUE(server.start()) << server.error().toStdString();
    const QUrl book = server.addBook("book", "Book");
    Vdirsyncer v;
    ASSERT_TRUE(v.start(book));
    const QByteArray password = Radicale::password().toUtf8() + "\n";
    testsupport::InstalledQuorvel a, b;
    for (testsupport::InstalledQuorvel *quorvel : {&a, &b}) {
        quorvel->setEnvironment("DBUS_SESSION_BUS_ADDRESS", "");
        QDir().mkpath(quorvel->dataFolder());
        testsupport::writeBytes(quorvel->directoryFile(), "");
        ASSERT_EQ(quorvel
                      ->run({"--sync-setup", book.toString(), "--user", Radicale::user()}, 60000,
                            password)
                      .exitCode,
                  0);
    }
    // Each side's change: a line added, replaced (old|new) or removed (old|).
    const auto change = [&](const QString &side, const QString &from, const QString &to) {
        if (side == "v") { // the card of that name, its TEL line replaced
            const QString name = (from.isEmpty() ? to : from).section('|', 0, 0);
            QString file = v.cards() + '/' + name + ".vcf";
            QByteArray card = "BEGIN:VCARD\r\nVERSION:3.0\r\nUID:" + name.toUtf8() +
                              "\r\nFN:" + name.toUtf8() + "\r\nTEL:\r\nEND:VCARD\r\n";
            for (const QString &f : QDir(v.cards()).entryList(QDir::Files)) {
                const QByteArray bytes = testsupport::fileBytes(v.cards() + '/' + f);
                if (bytes.contains("\nFN:" + name.toUtf8() +
                                   (bytes.contains('\r') ? "\r\n" : "\n")))
                    std::tie(file, card) = std::pair(v.cards() + '/' + f, bytes);
            }
            if (to.isEmpty())
                QFile::remove(file);
            else
                testsupport::writeBytes(file, QString::fromUtf8(card)
                                                  .replace(QRegularExpression("\nTEL[;:][^\r\n]*"),
                                                           "\nTEL:" + to.section(": ", 1))
                                                  .toUtf8());
            return;
        }
        const QString path = (side == "a" ? a : b).directoryFile();
        QStringList lines = // in place, as an editor changes them: each keeps its identity
            QString::fromUtf8(testsupport::fileBytes(path)).split("\r\n", Qt::SkipEmptyParts);
        if (const qsizetype at = lines.indexOf(from); at >= 0 && !to.isEmpty())
            lines[at] = to;
        else if (at >= 0)
            lines.removeAt(at);
        else
            lines.append(to);
        testsupport::writeBytes(path, lines.join("\r\n").toUtf8() + "\r\n");
    };
    struct Step
    {
        QStringList changes; // side, from, to, ...
        QStringList expected;
    };
    const std::vector<Step> steps = {
        {{"v", "", "Vera|phone: 3", "a", "", "Anna|phone: 1", "b", "", "Bert|phone: 2"},
         {"Anna|phone: 1", "Bert|phone: 2", "Vera|phone: 3"}},
        {{"v", "Anna|phone: 1", "Anna|phone: 11", "a", "Bert|phone: 2", "Bert|phone: 22", "b",
          "Vera|phone: 3", "Vera|phone: 33"},
         {"Anna|phone: 11", "Bert|phone: 22", "Vera|phone: 33"}},
        {{"v", "Bert|phone: 22", "", "a", "Vera|phone: 33", "", "b", "Anna|phone: 11", "", "a", "",
          "Carl|phone: 4"},
         {"Carl|phone: 4"}},
        // Changed on two sides: the one that syncs first wins, the other keeps its copy.
        {{"a", "Carl|phone: 4", "Carl|phone: 41", "b", "Carl|phone: 4", "Carl|phone: 42"},
         {"Carl (conflict)|phone: 42", "Carl|phone: 41"}},
        {{"v", "Carl|phone: 41", "Carl|phone: 43", "a", "Carl|phone: 41", "Carl|phone: 45"},
         {"Carl (conflict)|phone: 42", "Carl (conflict)|phone: 45", "Carl|phone: 43"}},
    };
    for (size_t i = 0; i < steps.size(); ++i) {
        SCOPED_TRACE(i);
        for (qsizetype c = 0; c + 2 < steps[i].changes.size(); c += 3)
            change(steps[i].changes[c], steps[i].changes[c + 1], steps[i].changes[c + 2]);
        for (int round = 0; round < 2; ++round) { // vdirsyncer first: it refuses conflicts
            const QByteArray vs = v("sync");
            ASSERT_FALSE(vs.startsWith("failed")) << vs.toStdString();
            ASSERT_EQ(a.run({"--sync"}, 60000, password).exitCode, 0);
            ASSERT_EQ(b.run({"--sync"}, 60000, password).exitCode, 0);
        }
        // vdirsyncer's folder as an independent reader, python3-vobject, sees it.
        const QByteArray read =
            runTool("/usr/bin/python3",
                    {"-c",
                     "import sys, glob, vobject\n"
                     "cs = [vobject.readOne(open(f, encoding='utf-8').read()) for f in glob.glob("
                     "sys.argv[1] + '/*.vcf')]\n"
                     "print('\\n'.join(sorted(c.fn.value + '|phone: ' + c.tel.value for c in cs)))",
                     v.cards()});
        EXPECT_EQ(testsupport::directoryLines(a.directoryFile()), steps[i].expected);
        EXPECT_EQ(testsupport::directoryLines(b.directoryFile()), steps[i].expected);
        EXPECT_EQ(QString::fromUtf8(read).trimmed().split('\n'), steps[i].expected);
    }
}
