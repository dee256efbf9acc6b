// Prints the speed of contact export and import at 100,000 entries beside
// their references: export to vCard against the directory save of the same
// entries (both through the one atomic writer), and import of a vCard 3.0
// file, whole process against whole process: `quorvel --import` into an
// empty directory (read, merged, saved) against abook converting the same
// file. Medians of alternating runs.
#include "benchdata.h"
#include "core/contacts/contacts.h"
#include "core/contacts/vcard.h"
#include "core/directory/datafolder.h"
#include "core/directory/datalocation.h"
#include "core/directory/directoryfile.h"
#include "core/files/fileio.h"
#include "platform/system/system.h"

#include <QDir>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <cstdio>
#include <functional>
#include <tuple>
#include <vector>

namespace {

constexpr int kEntries = 100000;
constexpr int kRuns = 21;

double milliseconds(const std::function<void()> &work)
{
    QElapsedTimer timer;
    timer.start();
    work();
    return double(timer.nsecsElapsed()) / 1e6;
}

// A target of 0: the figure is shown without one.
void print(const char *name, double measured, double reference, double target)
{
    const double ratio = measured / reference;
    std::printf("%-52s %9.1f ms %9.1f ms %6.2f", name, measured, reference, ratio);
    if (target > 0)
        std::printf("   <= %.1fx  %s", target, ratio <= target ? "yes" : "NO");
    std::printf("\n");
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    const QList<core::DirectoryEntry> entries =
        core::parseDirectoryLines(core::decodeLines(bench::makeDirectoryFile(kEntries)));
    const auto each = [&](const core::EntryVisitor &visit) {
        for (const core::DirectoryEntry &entry : entries)
            visit(entry);
    };
    std::printf("%-52s %12s %12s %6s   %s\n", "figure (100,000 entries)", "measured", "reference",
                "ratio", "target");

    // The save goes where the program saves: into a held folder.
    const core::Folder folder =
        std::move(*core::Folder::open(dir.path(), core::Folder::Link::Refuse));
    for (const auto &[name, format, target] :
         {std::tuple{"export, vCard 3.0 / directory save", core::ContactFormat::VCard3, 3.0},
          std::tuple{"export, vCard 4.0 / directory save", core::ContactFormat::VCard4, 3.0},
          std::tuple{"export, CSV / directory save", core::ContactFormat::Csv, 0.0}}) {
        const QString exported = dir.filePath("export");
        bench::Samples ours;
        bench::Samples save;
        for (int i = 0; i < kRuns; ++i) {
            ours.add(milliseconds([&] {
                if (!core::exportContacts(exported, format, each).ok)
                    std::fprintf(stderr, "export failed\n");
            }));
            save.add(milliseconds([&] {
                if (!core::WriteDirectoryFile(folder, each))
                    std::fprintf(stderr, "save failed\n");
            }));
        }
        print(name, ours.median(), save.median(), target);
    }

    const QString cards = dir.filePath("cards.vcf");
    core::exportContacts(cards, core::ContactFormat::VCard3, each);
    const QString abook = QStandardPaths::findExecutable(QStringLiteral("abook"));
    if (abook.isEmpty()) {
        std::printf("%-52s skipped: abook is not installed\n",
                    "import, quorvel --import / abook --convert");
        return 0;
    }
    // A portable copy of the program, so the import goes to a folder of its own.
    const QString appFolder = dir.filePath("app");
    QDir().mkpath(appFolder);
    const QString quorvel = appFolder + "/quorvel";
    QFile portable(appFolder + '/' + QLatin1String(core::kPortableMarkerName));
    if (!QFile::copy(QStringLiteral(QUORVEL_EXE), quorvel) || !portable.open(QIODevice::WriteOnly))
        qFatal("cannot set up the program in %s", qPrintable(appFolder));
    const QString dataFolder = core::dataFolderPath(appFolder, platform::GetName());
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("HOME"), dir.path());
    environment.insert(QStringLiteral("XDG_DATA_HOME"), dir.filePath("data-home"));
    const auto run = [&](const QString &program, const QStringList &arguments) {
        QProcess process;
        // abook's converted book goes to standard output, which is discarded.
        process.setStandardOutputFile(QProcess::nullDevice());
        process.setProcessEnvironment(environment);
        process.start(program, arguments);
        if (!process.waitForFinished(-1) || process.exitCode() != 0)
            std::fprintf(stderr, "%s failed\n", qPrintable(program));
    };
    bench::Samples ours;
    bench::Samples function;
    bench::Samples theirs;
    for (int i = 0; i < kRuns; ++i) {
        QDir(dataFolder).removeRecursively();
        ours.add(milliseconds([&] { run(quorvel, {"--import", cards}); }));
        function.add(milliseconds([&] {
            if (core::importContactsFile(cards, {}).added != kEntries)
                std::fprintf(stderr, "import failed\n");
        }));
        theirs.add(milliseconds([&] {
            run(abook,
                {"--convert", "--informat", "vcard", "--infile", cards, "--outformat", "abook"});
        }));
    }
    print("(info) import, the reading alone / abook --convert", function.median(), theirs.median(),
          0);
    print("import, quorvel --import / abook --convert", ours.median(), theirs.median(), 0.5);
    return 0;
}
