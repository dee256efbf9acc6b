// Prints Quorvel's performance figures at 100,000 entries, each beside its
// reference and target. Whole-process figures alternate the two programs
// compared (A B A B ...) after a warm-up and report medians; in-process
// figures report the median of many repetitions.
#include "benchdata.h"
#include "core/datafolder.h"
#include "core/datalocation.h"
#include "core/directoryfile.h"
#include "core/fileio.h"
#include "core/keywordfile.h"
#include "mainwindow/frmMain.h"
#include "platform/system.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLineEdit>
#include <QSaveFile>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <cmath>
#include <cstdio>
#include <fcntl.h>
#include <functional>
#include <optional>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>

extern char **environ;

namespace {

constexpr int kEntries = 100000;
constexpr int kWarmups = 2;
constexpr int kRuns = 15;

struct Run
{
    double milliseconds = 0;
    double peakMegabytes = 0;
    bool ok = false;
};

// Starts a program and waits for it; wall time and peak resident memory.
Run runProgram(const QStringList &args)
{
    std::vector<QByteArray> storage;
    std::vector<char *> argv;
    for (const QString &arg : args)
        storage.push_back(QFile::encodeName(arg));
    for (QByteArray &arg : storage)
        argv.push_back(arg.data());
    argv.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    QElapsedTimer timer;
    timer.start();
    pid_t pid = 0;
    Run run;
    if (posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ) == 0) {
        int status = 0;
        rusage usage{};
        if (wait4(pid, &status, 0, &usage) == pid) {
            run.milliseconds = double(timer.nsecsElapsed()) / 1e6;
            run.peakMegabytes = double(usage.ru_maxrss) / 1024.0;
            run.ok = WIFEXITED(status) && WEXITSTATUS(status) == 0;
        }
    }
    posix_spawn_file_actions_destroy(&actions);
    return run;
}

struct Series
{
    std::vector<double> milliseconds;
    std::vector<double> megabytes;
    bool ok = true;
};

// Runs A and B alternately; the first kWarmups pairs are not counted.
std::pair<Series, Series> alternate(const QStringList &a, const QStringList &b)
{
    Series sa;
    Series sb;
    for (int i = 0; i < kWarmups + kRuns; ++i) {
        const Run ra = runProgram(a);
        const Run rb = runProgram(b);
        sa.ok = sa.ok && ra.ok;
        sb.ok = sb.ok && rb.ok;
        if (i < kWarmups)
            continue;
        sa.milliseconds.push_back(ra.milliseconds);
        sa.megabytes.push_back(ra.peakMegabytes);
        sb.milliseconds.push_back(rb.milliseconds);
        sb.megabytes.push_back(rb.peakMegabytes);
    }
    return {sa, sb};
}

template <typename Work> double medianMilliseconds(int repetitions, Work work)
{
    std::vector<double> samples;
    for (int i = 0; i < repetitions; ++i) {
        QElapsedTimer timer;
        timer.start();
        work(i);
        samples.push_back(double(timer.nsecsElapsed()) / 1e6);
    }
    return bench::median(samples);
}

struct Figure
{
    QString name;
    double measured;
    std::optional<double> reference;
    QString unit;
    double targetRatio;    // for ratio targets
    double targetAbsolute; // for absolute targets (when no reference)
    QString note;
};

QString number(double value, const QString &unit)
{
    return QString::number(value, 'f', value < 10 ? 2 : 1) + ' ' + unit;
}

void printTable(const std::vector<Figure> &figures)
{
    std::printf("%-40s %14s %14s %8s %10s  %s\n", "figure", "measured", "reference", "ratio",
                "target", "met");
    for (const Figure &f : figures) {
        QString reference = QStringLiteral("-");
        QString ratio = QStringLiteral("-");
        QString target;
        bool met = false;
        if (f.reference) {
            const double r = f.measured / *f.reference;
            reference = number(*f.reference, f.unit);
            ratio = QString::number(r, 'f', 2);
            target = QStringLiteral("<= %1x").arg(f.targetRatio);
            met = r <= f.targetRatio;
        } else {
            target = QStringLiteral("<= %1 %2").arg(f.targetAbsolute).arg(f.unit);
            met = f.measured <= f.targetAbsolute;
        }
        if (!f.note.isEmpty()) {
            std::printf("%-40s %s\n", qPrintable(f.name), qPrintable(f.note));
            continue;
        }
        std::printf("%-40s %14s %14s %8s %10s  %s\n", qPrintable(f.name),
                    qPrintable(number(f.measured, f.unit)), qPrintable(reference),
                    qPrintable(ratio), qPrintable(target), met ? "yes" : "NO");
    }
}

bool writeFile(const QString &path, const QByteArray &bytes)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

// An application folder holding a copy of the start-up build of Quorvel,
// marked portable so that it keeps its data there, and, when given, a
// directory file.
QString prepareAppFolder(const QString &folder, const std::optional<QByteArray> &directory)
{
    QDir().mkpath(folder);
    const QString exe = folder + "/quorvel";
    QFile::copy(QStringLiteral(FIRSTPAINT_EXE), exe);
    writeFile(QDir(folder).filePath(QLatin1String(core::kPortableMarkerName)), {});
    if (directory)
        writeFile(core::directoryFilePath(folder, platform::GetName()), *directory);
    return exe;
}

// The same contacts in the peer's own address-book format.
QByteArray peerAddressBook(const QByteArray &directoryFile)
{
    QByteArray out = "[format]\nprogram=abook\nversion=0.6.1\n\n";
    const QList<core::DirectoryEntry> entries =
        core::parseDirectoryLines(core::decodeLines(directoryFile));
    int index = 0;
    for (const core::DirectoryEntry &entry : entries) {
        out += '[' + QByteArray::number(index++) + "]\nname=" + entry.name.toUtf8() + '\n';
        QStringList phones;
        QStringList emails;
        QStringList notes;
        for (const QString &line : core::splitNumberLines(entry.numbers)) {
            const QString text = core::displayLine(line).text;
            const QString value = text.section(QLatin1Char(' '), 1);
            if (text.startsWith(QLatin1String("e-mail:")))
                emails.append(value);
            else if (text.startsWith(QLatin1String("note:")))
                notes.append(value);
            else
                phones.append(value);
        }
        if (!emails.isEmpty())
            out += "email=" + emails.join(',').toUtf8() + '\n';
        if (!phones.isEmpty())
            out += "phone=" + phones.first().toUtf8() + '\n';
        if (phones.size() > 1)
            out += "mobile=" + phones.at(1).toUtf8() + '\n';
        if (!notes.isEmpty())
            out += "notes=" + notes.join(' ').toUtf8() + '\n';
        out += '\n';
    }
    return out;
}

} // namespace

int main(int argc, char *argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QTemporaryDir root;
    // The programs started here get a home of their own: none can reach the
    // data of whoever runs the benchmarks.
    qputenv("HOME", QFile::encodeName(root.filePath("home")));
    qputenv("XDG_DATA_HOME", QFile::encodeName(root.filePath("home/data")));
    const QByteArray big = bench::makeDirectoryFile(kEntries);
    std::vector<Figure> figures;
    std::fprintf(stderr, "data: %d entries, %lld bytes; %d runs after %d warm-ups\n", kEntries,
                 static_cast<long long>(big.size()), kRuns, kWarmups);

    // Start-up: Quorvel against the minimal program.
    const QStringList minimal = {QStringLiteral(MINIMAL_EXE)};
    const QString defaultExe = prepareAppFolder(root.filePath("default"), std::nullopt);
    runProgram({defaultExe}); // the first start writes the Default directory
    const auto [defaultRuns, minimalRuns] = alternate({defaultExe}, minimal);
    figures.push_back({"start-up, Default directory",
                       bench::median(defaultRuns.milliseconds),
                       bench::median(minimalRuns.milliseconds),
                       "ms",
                       1.25,
                       0,
                       {}});

    const QString bigExe = prepareAppFolder(root.filePath("big"), big);
    const auto [bigRuns, minimalRuns2] = alternate({bigExe}, minimal);
    figures.push_back({"start-up, 100,000 entries",
                       bench::median(bigRuns.milliseconds),
                       bench::median(minimalRuns2.milliseconds),
                       "ms",
                       3.0,
                       0,
                       {}});

    const QString peer = QStandardPaths::findExecutable(QStringLiteral("abook"));
    if (peer.isEmpty()) {
        figures.push_back({"start-up against a peer (abook)", 0, 1.0, "ms", 0.5, 0,
                           "skipped: abook is not installed (apt-get install abook)"});
    } else {
        const QString book = root.filePath("contacts.abook");
        writeFile(book, peerAddressBook(big));
        // The vCard output goes to standard output, which the runner discards
        // (the peer refuses to replace an existing output file).
        const QStringList convert = {peer,       "--convert", "--informat",  "abook",
                                     "--infile", book,        "--outformat", "vcard"};
        const auto [ours, theirs] = alternate({bigExe}, convert);
        figures.push_back({"start-up against a peer (abook)", bench::median(ours.milliseconds),
                           bench::median(theirs.milliseconds), "ms", 0.5, 0,
                           theirs.ok ? QString() : QStringLiteral("skipped: abook failed")});
    }
    figures.push_back({"peak memory, 100,000 entries",
                       bench::median(bigRuns.megabytes),
                       bench::median(minimalRuns2.megabytes),
                       "MB",
                       2.2,
                       0,
                       {}});
    if (!defaultRuns.ok || !bigRuns.ok || !minimalRuns.ok)
        std::fprintf(stderr, "warning: a start-up run did not end cleanly\n");

    // Find: one change of the find box's text that matches nothing.
    {
        const QString folder = root.filePath("find");
        writeFile(core::directoryFilePath(folder, platform::GetName()), big);
        frmMain window(folder);
        window.Form_Load();
        const QString misses[2] = {QStringLiteral("#1"), QStringLiteral("#2")};
        const double change =
            medianMilliseconds(201, [&](int i) { window.txtFind->setText(misses[i % 2]); });
        const std::vector<QString> names = bench::namesOf(big);
        qsizetype sink = 0;
        const double loop = medianMilliseconds(201, [&](int i) {
            for (std::size_t n = 0; n < names.size(); ++n) {
                if (names[n].startsWith(misses[i % 2], Qt::CaseInsensitive)) {
                    sink += qsizetype(n);
                    break;
                }
            }
        });
        figures.push_back(
            {"find, no match, 100,000 entries", change * 1000, loop * 1000, "us", 2.0, 0, {}});
        window.close();
        if (sink != 0)
            std::fprintf(stderr, "unexpected match\n");
    }

    // Detail: an entry of 50 number lines against a 500-keyword colour file.
    {
        const QString folder = root.filePath("detail");
        QList<core::KeywordLine> keywords;
        for (int k = 0; k < 500; ++k)
            keywords.append({QStringLiteral("key%1:").arg(k, 3, 10, QLatin1Char('0')),
                             core::colorText(core::RGBValue(k % 256, (k * 7) % 256, 40))});
        core::writeKeywordFile(core::keywordFilePath(folder), keywords);
        QStringList lines;
        for (int n = 0; n < 50; ++n)
            lines.append(n % 5 == 4 ? QStringLiteral("unmatched line %1").arg(n)
                                    : QStringLiteral("key%1: 555-%2")
                                          .arg((n * 10) % 500, 3, 10, QLatin1Char('0'))
                                          .arg(n));
        writeFile(core::directoryFilePath(folder, platform::GetName()),
                  core::joinLines({"Detail|" + core::joinNumberLines(lines)}));
        frmMain window(folder);
        window.Form_Load();
        const double detail = medianMilliseconds(101, [&](int) { window.lvwQuorvel_ItemClick(1); });
        figures.push_back(
            {"detail, 50 lines and 500 keywords", detail, std::nullopt, "ms", 0, 16, {}});
        window.close();
    }

    // Save: the whole directory written, against the same bytes in one write.
    {
        const QList<core::DirectoryEntry> entries =
            core::parseDirectoryLines(core::decodeLines(big));
        const QString ours = root.filePath("save/quorvel.dat");
        const QString plain = root.filePath("save/plain.dat");
        QDir().mkpath(root.filePath("save"));
        const QByteArray bytes = core::formatDirectoryFile(entries);
        std::vector<double> saveSamples;
        std::vector<double> plainSamples;
        for (int i = 0; i < 31; ++i) {
            saveSamples.push_back(medianMilliseconds(1, [&](int) {
                if (!core::WriteDirectoryFile(ours, entries).isEmpty())
                    std::fprintf(stderr, "save failed\n");
            }));
            plainSamples.push_back(medianMilliseconds(1, [&](int) {
                QSaveFile file(plain);
                if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() ||
                    !file.commit())
                    std::fprintf(stderr, "plain save failed\n");
            }));
        }
        figures.push_back({"save, 100,000 entries",
                           bench::median(saveSamples),
                           bench::median(plainSamples),
                           "ms",
                           1.3,
                           0,
                           {}});
    }

    printTable(figures);
    return 0;
}
