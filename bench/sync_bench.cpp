// Prints the speed of the first sync of SYNC_BENCH_ENTRIES entries (10,000 by
// default) into an empty book of a local Radicale against vdirsyncer's upload
// of the same cards from a folder, program to program, in alternating runs
// (SYNC_BENCH_RUNS, 3 by default), and the requests of a sync with nothing
// changed, counted through a proxy. SYNC_BENCH_ONLY runs one side alone.
#include "core/contacts/vcard.h"
#include "core/directory/directoryfile.h"
#include "core/directory/identityfile.h"
#include "tests/support/faultproxy.h"
#include "tests/support/radicale.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

const QByteArray kPassword = testsupport::Radicale::password().toUtf8() + '\n';

void write(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    if (file.open(QIODevice::WriteOnly))
        file.write(bytes);
}

// A portable copy of the program with a directory of its own.
struct Quorvel
{
    QTemporaryDir dir;
    QString data() const { return dir.filePath(qEnvironmentVariable("USER", "root")); }
    int run(const QStringList &arguments) const
    {
        QProcess process;
        QStringList env = QProcess::systemEnvironment();
        env << "DBUS_SESSION_BUS_ADDRESS="
            << "HOME=" + dir.path() << "QT_QPA_PLATFORM=offscreen";
        process.setEnvironment(env);
        process.start(dir.filePath("quorvel"), arguments);
        process.write(kPassword);
        process.closeWriteChannel();
        process.waitForFinished(-1);
        if (process.exitCode() != 0)
            std::fprintf(stderr, "quorvel: %s", process.readAllStandardError().constData());
        return process.exitCode();
    }
    explicit Quorvel(const QList<core::DirectoryEntry> &entries)
    {
        QFile::copy(QStringLiteral(QUORVEL_EXE), dir.filePath("quorvel"));
        write(dir.filePath("quorvel.portable"), {});
        QDir().mkpath(data());
        write(data() + "/quorvel.dat", core::formatDirectoryFile(entries));
    }
};

QList<core::DirectoryEntry> entries(int count)
{
    QList<core::DirectoryEntry> list;
    for (int i = 0; i < count; ++i) {
        core::DirectoryEntry entry;
        entry.name = QStringLiteral("Name %1").arg(i);
        entry.numbers = QStringLiteral("phone: %1\temail: n%1@example.org").arg(i);
        entry.id = core::newIdentifier();
        list.append(entry);
    }
    return list;
}

double quorvelFirstSync(testsupport::Radicale &server, int run, int count)
{
    const QUrl book = server.addBook(QStringLiteral("q%1").arg(run), QStringLiteral("Q"));
    Quorvel quorvel(entries(count));
    quorvel.run({"--sync-setup", book.toString(), "--user", testsupport::Radicale::user()});
    QElapsedTimer timer;
    timer.start();
    quorvel.run({"--sync"});
    return timer.elapsed() / 1000.0;
}

double vdirsyncerUpload(testsupport::Radicale &server, int run, int count)
{
    const QUrl book = server.addBook(QStringLiteral("v%1").arg(run), QStringLiteral("V"));
    QTemporaryDir folder;
    QDir().mkpath(folder.filePath("cards"));
    for (const core::DirectoryEntry &entry : entries(count))
        write(folder.filePath("cards/") + core::bareIdentifier(entry.id) + ".vcf",
              core::formatVCards({entry}, core::VCardVersion::V3));
    write(folder.filePath("config"),
          QStringLiteral("[general]\nstatus_path = \"%1/status/\"\n"
                         "[pair contacts]\na = \"local\"\nb = \"remote\"\ncollections = null\n"
                         "[storage local]\ntype = \"filesystem\"\npath = \"%1/cards/\"\n"
                         "fileext = \".vcf\"\n[storage remote]\ntype = \"carddav\"\n"
                         "url = \"%2\"\nusername = \"%3\"\npassword = \"%4\"\n")
              .arg(folder.path(), book.toString(), testsupport::Radicale::user(),
                   testsupport::Radicale::password())
              .toUtf8());
    const auto vdirsyncer = [&](const char *command) {
        QProcess process;
        process.start("vdirsyncer", {"-c", folder.filePath("config"), command});
        process.waitForFinished(-1);
        if (process.exitCode() != 0)
            std::fprintf(stderr, "vdirsyncer: %s", process.readAllStandardError().constData());
    };
    vdirsyncer("discover");
    QElapsedTimer timer;
    timer.start();
    vdirsyncer("sync");
    return timer.elapsed() / 1000.0;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    if (const QString why = testsupport::Radicale::missing(); !why.isEmpty()) {
        std::printf("%s\n", qPrintable(why));
        return 0;
    }
    const int count = qEnvironmentVariableIntValue("SYNC_BENCH_ENTRIES")
                          ? qEnvironmentVariableIntValue("SYNC_BENCH_ENTRIES")
                          : 10000;
    const int runs = std::max(1, qEnvironmentVariableIntValue("SYNC_BENCH_RUNS")
                                     ? qEnvironmentVariableIntValue("SYNC_BENCH_RUNS")
                                     : 3);
    testsupport::Radicale server;
    if (!server.start()) {
        std::printf("%s\n", qPrintable(server.error()));
        return 1;
    }
    // SYNC_BENCH_ONLY=quorvel or vdirsyncer runs one side alone, so that the
    // two can run at once, each with a server of its own, under the same load.
    const QString only = qEnvironmentVariable("SYNC_BENCH_ONLY");
    std::vector<double> ours, theirs;
    for (int run = 0; run < runs; ++run) {
        if (only != QLatin1String("vdirsyncer"))
            ours.push_back(quorvelFirstSync(server, run, count));
        if (only != QLatin1String("quorvel"))
            theirs.push_back(vdirsyncerUpload(server, run, count));
    }
    if (!only.isEmpty()) {
        const std::vector<double> &side = ours.empty() ? theirs : ours;
        std::printf("first sync of %d entries into an empty Radicale book, %s alone, seconds:",
                    count, qPrintable(only));
        for (const double seconds : side)
            std::printf(" %.2f", seconds);
        std::printf("\n");
        return 0;
    }
    std::sort(ours.begin(), ours.end());
    std::sort(theirs.begin(), theirs.end());
    std::printf("first sync of %d entries into an empty Radicale book, seconds (min / median of "
                "%d)\n  quorvel --sync     %8.2f %8.2f\n  vdirsyncer sync    %8.2f %8.2f\n"
                "  ratio (medians)    %8.2f\n",
                count, runs, ours.front(), ours[ours.size() / 2], theirs.front(),
                theirs[theirs.size() / 2], ours[ours.size() / 2] / theirs[theirs.size() / 2]);

    // Nothing changed on either side, the server with sync tokens.
    testsupport::FaultProxy proxy(server.url());
    Quorvel quorvel(entries(100));
    quorvel.run({"--sync-setup", proxy.url(server.addBook("n", "N")).toString(), "--user",
                 testsupport::Radicale::user()});
    quorvel.run({"--sync"});
    proxy.setFault(testsupport::FaultProxy::Fault::None);
    quorvel.run({"--sync"});
    std::printf("requests of a sync with nothing changed (100 entries): %d\n", proxy.requests());
    return 0;
}
