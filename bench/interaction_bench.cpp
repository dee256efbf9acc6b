// Prints what a person feels of Quorvel's commands: the real program, started
// on a directory of 100,000 or 1,000,000 entries, played a script of input
// events from inside (interaction_hook.cpp), each timed from its input event
// until the window was idle with the change visible. Each program run gives
// one figure of the first find keystroke and the first Ctrl+F (they build
// indexes once) and several of the others; the table gives the minimum,
// median and maximum over all runs, beside the target for the median.
//
//   interaction_bench [ENTRIES...]   default: 100000 1000000
// INTERACTION_RUNS sets the number of program runs for each size (5).
#include "benchdata.h"
#include "core/contacts/contacts.h"
#include "core/directory/datafolder.h"
#include "core/directory/datalocation.h"
#include "core/directory/directoryfile.h"
#include "core/files/textcodec.h"
#include "platform/system/system.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>

#include <cstdio>
#include <map>

namespace {

constexpr double kActionTarget = 100; // ms, input to idle with the change visible
constexpr double kKeyTarget = 16;     // ms, a keystroke once the indexes are ready

const char *const kScript =
    "find:12 ctrlf:1 search:24 delete:5 letter:10 listkey:10 open:5 import:2";

struct Figure
{
    bench::Samples idle;
    bench::Samples saved;
    int timedOut = 0;
    double target = 0;
};

void writeFile(const QString &path, const QByteArray &bytes)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        qFatal("cannot write %s", qPrintable(path));
}

double targetOf(const QString &figure)
{
    if (figure.contains(QLatin1String("keystroke (index ready)")) ||
        figure.startsWith(QLatin1String("letter tab")) ||
        figure.startsWith(QLatin1String("list key")))
        return kKeyTarget;
    return kActionTarget;
}

QString range(const bench::Samples &s)
{
    return QString::asprintf("%8.2f / %8.2f / %8.2f", s.minimum(), s.median(), s.maximum());
}

// 10,000 contacts not in the directory, as a vCard 3.0 file.
void writeCards(const QString &path)
{
    const QList<core::DirectoryEntry> entries =
        core::parseDirectoryLines(core::decodeLines(bench::makeDirectoryFile(10000, 2)));
    const core::ExportResult result = core::exportContacts(
        path, core::ContactFormat::VCard3, [&](const core::EntryVisitor &visit) {
            for (const core::DirectoryEntry &entry : entries)
                visit(entry);
        });
    if (!result.ok)
        qFatal("cannot write %s", qPrintable(path));
}

void measure(const QString &root, int entries, int runs, const QString &cards)
{
    const QByteArray directory = bench::makeDirectoryFile(entries);
    const QString folder = root + QStringLiteral("/app-%1").arg(entries);
    QDir().mkpath(folder);
    const QString exe = folder + "/quorvel";
    if (!QFile::exists(exe) && !QFile::copy(QStringLiteral(INTERACTION_EXE), exe))
        qFatal("cannot copy the program to %s", qPrintable(exe));
    writeFile(QDir(folder).filePath(QLatin1String(core::kPortableMarkerName)), {});
    const QString dataFolder = core::dataFolderPath(folder, platform::GetName());
    const QString results = root + "/results.tsv";

    std::map<QString, Figure> figures;
    std::vector<QString> order;
    bench::Samples closes;
    QStringList messages;
    for (int run = 0; run < runs; ++run) {
        // Every run starts from the same file, in a data folder of its own.
        QDir(dataFolder).removeRecursively();
        QDir().mkdir(dataFolder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        writeFile(core::directoryFilePath(folder, platform::GetName()), directory);
        QFile::remove(results);
        QProcess launcher;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("BENCH_SCRIPT"), QLatin1String(kScript));
        environment.insert(QStringLiteral("BENCH_RESULTS"), results);
        environment.insert(QStringLiteral("BENCH_IMPORT_FILE"), cards);
        launcher.setProcessEnvironment(environment);
        launcher.start(QStringLiteral(LAUNCHER_EXE), {exe});
        launcher.waitForFinished(-1);
        const QList<QByteArray> ended = launcher.readAllStandardOutput().simplified().split(' ');
        if (ended.size() != 4 || ended[2] != "0")
            std::fprintf(stderr, "warning: run %d at %d entries did not end cleanly\n", run + 1,
                         entries);
        QFile file(results);
        if (!file.open(QIODevice::ReadOnly))
            qFatal("the program wrote no results");
        const QStringList lines = QString::fromUtf8(file.readAll()).split('\n', Qt::SkipEmptyParts);
        for (const QString &line : lines) {
            const QStringList field = line.split('\t');
            if (field.at(0) == QLatin1String("message")) {
                if (!messages.contains(field.value(1)))
                    messages.append(field.value(1));
                continue;
            }
            if (field.at(0) == QLatin1String("close")) {
                if (ended.size() == 4) {
                    const double end = ended[3].toDouble() + ended[0].toDouble() * 1e6;
                    closes.add((end - field.at(1).toDouble()) / 1e6);
                }
                continue;
            }
            if (field.size() != 4)
                continue;
            if (!figures.count(field.at(0)))
                order.push_back(field.at(0));
            Figure &figure = figures[field.at(0)];
            figure.target = targetOf(field.at(0));
            if (field.at(3) != QLatin1String("1")) {
                ++figure.timedOut;
                continue;
            }
            figure.idle.add(field.at(1).toDouble());
            if (field.at(2).toDouble() >= 0)
                figure.saved.add(field.at(2).toDouble());
        }
    }

    std::printf("\n%d entries (%d program runs, %lld bytes), from input event until the window "
                "is idle with the change visible:\n",
                entries, runs, static_cast<long long>(directory.size()));
    std::printf("%-70s %5s  %-32s %-10s %s\n", "action", "runs", "min / median / max (ms)",
                "target", "met");
    for (const QString &name : order) {
        const Figure &f = figures[name];
        if (name == QLatin1String("(setup)")) {
            std::printf("%-70s %d steps between the counted ones timed out\n", "(setup)",
                        f.timedOut);
            continue;
        }
        std::printf("%-70s %5d  %-32s <= %3.0f ms  %s%s\n", qPrintable(name), f.idle.count(),
                    qPrintable(range(f.idle)), f.target,
                    f.idle.count() && f.idle.median() <= f.target ? "yes" : "NO",
                    f.timedOut ? qPrintable(QStringLiteral(" (%1 timed out)").arg(f.timedOut))
                               : "");
    }
    for (const QString &name : order) {
        const Figure &f = figures[name];
        if (f.saved.count())
            std::printf(
                "%-70s %5d  %-32s\n",
                qPrintable(QStringLiteral("(info) ") + name + QStringLiteral(": save ends")),
                f.saved.count(), qPrintable(range(f.saved)));
    }
    if (closes.count())
        std::printf("%-70s %5d  %-32s\n", "(info) close: Ctrl+Q until the process has ended",
                    closes.count(), qPrintable(range(closes)));
    for (const QString &message : messages)
        std::printf("note: the program said: %s\n", qPrintable(message));
    std::fflush(stdout);
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QTemporaryDir rootDir;
    const QString root = rootDir.path();
    bench::keepAwayFromUserFiles(root);
    const int runs = qEnvironmentVariableIsSet("INTERACTION_RUNS")
                         ? qEnvironmentVariableIntValue("INTERACTION_RUNS")
                         : 5;
    const QString cards = root + "/cards.vcf";
    writeCards(cards);
    QStringList sizes = QCoreApplication::arguments().mid(1);
    if (sizes.isEmpty())
        sizes = {QStringLiteral("100000"), QStringLiteral("1000000")};
    std::printf("script: %s; targets: each action <= %.0f ms, a keystroke <= %.0f ms "
                "(medians)\n",
                kScript, kActionTarget, kKeyTarget);
    for (const QString &size : sizes)
        measure(root, size.toInt(), runs, cards);
    return 0;
}
