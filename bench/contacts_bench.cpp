// Prints the speed of contact export and import at 100,000 entries beside
// their references: export to vCard against the directory save of the same
// entries (both through the one atomic writer), and import of a vCard 3.0
// file against abook converting the same file. Medians of alternating runs.
#include "benchdata.h"
#include "core/contacts/contacts.h"
#include "core/contacts/vcard.h"
#include "core/directory/directoryfile.h"
#include "core/files/fileio.h"

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
    std::printf("%-44s %9.1f ms %9.1f ms %6.2f", name, measured, reference, ratio);
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
    std::printf("%-44s %12s %12s %6s   %s\n", "figure (100,000 entries)", "measured", "reference",
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
        std::printf("%-44s skipped: abook is not installed\n",
                    "import, vCard 3.0 / abook --convert");
        return 0;
    }
    bench::Samples ours;
    bench::Samples theirs;
    for (int i = 0; i < kRuns; ++i) {
        ours.add(milliseconds([&] {
            if (core::importContactsFile(cards, {}).added != kEntries)
                std::fprintf(stderr, "import failed\n");
        }));
        theirs.add(milliseconds([&] {
            // The converted book goes to standard output, which is discarded.
            QProcess process;
            process.setStandardOutputFile(QProcess::nullDevice());
            QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
            environment.insert(QStringLiteral("HOME"), dir.path());
            process.setProcessEnvironment(environment);
            process.start(abook, {"--convert", "--informat", "vcard", "--infile", cards,
                                  "--outformat", "abook"});
            if (!process.waitForFinished(-1) || process.exitCode() != 0)
                std::fprintf(stderr, "abook failed\n");
        }));
    }
    print("import, vCard 3.0 / abook --convert", ours.median(), theirs.median(), 0.5);
    return 0;
}
