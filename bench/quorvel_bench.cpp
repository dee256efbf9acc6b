// Prints Quorvel's performance table: each figure's minimum and median
// beside the same for its reference, measured in the same run, and the
// target for their ratio.
//
// Whole programs are started through a small launcher that holds no data, so
// their peak memory is their own; each is run alternately with its
// references (A B A B ...) after warm-up runs. The programs run with HOME and
// XDG_DATA_HOME in a temporary folder and a portable marker beside each copy
// of Quorvel, so nothing of the user's is read or written. In-process figures
// alternate the measured function with its reference the same way.
// BENCH_SHORT set: only the directory read's memory, the line search and the
// --import rows.
#include "benchdata.h"
#include "core/colors/keywordfile.h"
#include "core/colors/keywordtable.h"
#include "core/contacts/contacts.h"
#include "core/directory/datafolder.h"
#include "core/directory/datalocation.h"
#include "core/directory/directoryfile.h"
#include "core/directory/directorystore.h"
#include "core/directory/findtext.h"
#include "core/directory/identityfile.h"
#include "core/directory/nameindex.h"
#include "core/files/fileio.h"
#include "core/files/textcodec.h"
#include "platform/system/system.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <fcntl.h>
#include <functional>
#include <optional>
#include <random>
#include <unistd.h>

namespace {

constexpr int kRuns = 21;
constexpr int kWarmups = 2;

struct Row
{
    QString figure;
    bench::Samples measured;
    std::optional<bench::Samples> reference; // none for a target in the figure's own unit
    QString unit;
    double target = 0; // a ratio with a reference, otherwise in the unit; 0: no target
    QString note;      // why the row was not measured
};

QString number(double value)
{
    return QString::number(value, 'f', value < 1 ? 3 : value < 100 ? 2 : 1);
}

QString minMedian(const bench::Samples &s, const QString &unit)
{
    return number(s.minimum()) + " / " + number(s.median()) + ' ' + unit;
}

QString ratioText(double ratio)
{
    return ratio < 0.01 ? QString::number(ratio, 'e', 0) : QString::number(ratio, 'f', 2);
}

void printTable(const std::vector<Row> &rows)
{
    std::printf("%-66s %4s  %-24s %-24s %5s %5s  %-9s %s\n", "figure", "runs",
                "measured min / median", "reference min / median", "ratio", "(min)", "target",
                "met");
    for (const Row &r : rows) {
        if (!r.note.isEmpty()) {
            std::printf("%-66s %s\n", qPrintable(r.figure), qPrintable(r.note));
            continue;
        }
        QString reference = QStringLiteral("-");
        QString ratio = QStringLiteral("-");
        QString minRatio = QStringLiteral("-");
        QString target = QStringLiteral("-");
        QString met = QStringLiteral("-");
        if (r.reference) {
            const double median = r.measured.median() / r.reference->median();
            reference = minMedian(*r.reference, r.unit);
            ratio = ratioText(median);
            const double minimum = r.measured.minimum() / r.reference->minimum();
            minRatio = ratioText(minimum);
            if (r.target > 0) {
                target = QStringLiteral("<= %1x").arg(r.target);
                met = median <= r.target ? QStringLiteral("yes") : QStringLiteral("NO");
            }
        } else if (r.target > 0) {
            target = QStringLiteral("<= %1 %2").arg(r.target).arg(r.unit);
            met = r.measured.median() <= r.target ? QStringLiteral("yes") : QStringLiteral("NO");
        }
        std::printf("%-66s %4d  %-24s %-24s %5s %5s  %-9s %s\n", qPrintable(r.figure),
                    r.measured.count(), qPrintable(minMedian(r.measured, r.unit)),
                    qPrintable(reference), qPrintable(ratio), qPrintable(minRatio),
                    qPrintable(target), qPrintable(met));
    }
}

void writeFile(const QString &path, const QByteArray &bytes)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        qFatal("cannot write %s", qPrintable(path));
}

// ---- whole programs ----

struct ProcessSeries
{
    bench::Samples milliseconds; // from start to end
    bench::Samples firstPaint;   // from start to the end of the first paint
    bench::Samples megabytes;
    bool ok = true;
};

QString paintStampPath()
{
    return qEnvironmentVariable("BENCH_PAINT_STAMP");
}

// Runs each command in turn, round after round; the first rounds are warm-up
// and not counted.
std::vector<ProcessSeries> alternate(const std::vector<QStringList> &commands, int warmups,
                                     int runs)
{
    std::vector<ProcessSeries> series(commands.size());
    for (int round = 0; round < warmups + runs; ++round) {
        for (std::size_t c = 0; c < commands.size(); ++c) {
            QFile::remove(paintStampPath());
            QProcess launcher;
            launcher.start(QStringLiteral(LAUNCHER_EXE), commands[c]);
            launcher.waitForFinished(-1);
            const QList<QByteArray> fields =
                launcher.readAllStandardOutput().simplified().split(' ');
            const bool ok = launcher.exitCode() == 0 && fields.size() == 4 && fields[2] == "0";
            series[c].ok = series[c].ok && ok;
            if (round < warmups || fields.size() != 4)
                continue;
            series[c].milliseconds.add(fields[0].toDouble());
            series[c].megabytes.add(fields[1].toDouble() / 1024.0);
            QFile stamp(paintStampPath());
            if (stamp.open(QIODevice::ReadOnly))
                series[c].firstPaint.add(
                    double(stamp.readAll().toLongLong() - fields[3].toLongLong()) / 1e6);
        }
    }
    return series;
}

// An application folder holding a copy of Quorvel's start-up build, the
// portable marker beside it and, when given, a directory file. Returns the
// copy's path.
QString prepareAppFolder(const QString &folder, const std::optional<QByteArray> &directory)
{
    QDir().mkpath(folder);
    const QString exe = folder + "/quorvel";
    if (!QFile::copy(QStringLiteral(FIRSTPAINT_EXE), exe))
        qFatal("cannot copy the program to %s", qPrintable(exe));
    writeFile(QDir(folder).filePath(QLatin1String(core::kPortableMarkerName)), {});
    if (directory) {
        const QString dataFolder = core::dataFolderPath(folder, platform::GetName());
        QDir().mkdir(dataFolder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        writeFile(core::directoryFilePath(folder, platform::GetName()), *directory);
    }
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

void warnIfFailed(const ProcessSeries &series, const char *what)
{
    if (!series.ok)
        std::fprintf(stderr, "warning: a run of %s did not end cleanly\n", what);
}

void programRows(const QString &root, const QByteArray &small, const QByteArray &large,
                 std::vector<Row> &rows)
{
    const QString floor = QStringLiteral(FLOOR_EXE);

    // Not a first start: the first run writes the Default directory and the
    // colour file, which every counted run then reads.
    const QString defaultExe = prepareAppFolder(root + "/default", std::nullopt);
    alternate({{defaultExe}}, 1, 0);
    if (!QFile::exists(core::keywordFilePath(root + "/default")))
        std::fprintf(stderr, "warning: the first start wrote no colour file\n");
    const auto startup = alternate({{defaultExe}, {floor}}, kWarmups, kRuns);
    warnIfFailed(startup[0], "Quorvel");
    rows.push_back({"start-up (to first paint), Default directory",
                    startup[0].firstPaint,
                    startup[1].firstPaint,
                    "ms",
                    1.10,
                    {}});
    rows.push_back({"(info) start-up and close (icon loaded), Default directory",
                    startup[0].milliseconds,
                    startup[1].milliseconds,
                    "ms",
                    0,
                    {}});

    // 100,000 entries: Quorvel, the eager floor and the text floor reading the
    // same file, and the peer converting the same contacts, in turn.
    const QString smallExe = prepareAppFolder(root + "/small", small);
    const QString smallCopy = root + "/floor-small.dat";
    writeFile(smallCopy, small);
    std::vector<QStringList> commands = {
        {smallExe}, {floor, "--eager", smallCopy}, {floor, smallCopy}};
    const QString peer = QStandardPaths::findExecutable(QStringLiteral("abook"));
    if (!peer.isEmpty()) {
        const QString book = root + "/contacts.abook";
        writeFile(book, peerAddressBook(small));
        // The vCard goes to standard output, which the launcher discards.
        commands.push_back(
            {peer, "--convert", "--informat", "abook", "--infile", book, "--outformat", "vcard"});
    }
    const auto hundred = alternate(commands, kWarmups, kRuns);
    warnIfFailed(hundred[0], "Quorvel");
    warnIfFailed(hundred[1], "the eager floor");

    const QString largeExe = prepareAppFolder(root + "/large", large);
    const QString largeCopy = root + "/floor-large.dat";
    writeFile(largeCopy, large);
    const auto million =
        alternate({{largeExe}, {floor, "--eager", largeCopy}, {floor, largeCopy}}, 1, kRuns);
    warnIfFailed(million[0], "Quorvel");
    warnIfFailed(million[1], "the eager floor");

    const struct
    {
        const char *size;
        const std::vector<ProcessSeries> &series;
        qsizetype bytes;
    } sizes[] = {{"100,000", hundred, small.size()}, {"1,000,000", million, large.size()}};
    for (const auto &size : sizes) {
        rows.push_back(
            {QStringLiteral("start-up and close, %1 entries / eager floor").arg(size.size),
             size.series[0].milliseconds,
             size.series[1].milliseconds,
             "ms",
             1.50,
             {}});
        rows.push_back(
            {QStringLiteral("(info) start-up and close, %1 entries / text floor").arg(size.size),
             size.series[0].milliseconds,
             size.series[2].milliseconds,
             "ms",
             0,
             {}});
    }
    for (const auto &size : sizes)
        rows.push_back({QStringLiteral("(info) start-up (to first paint), %1 entries / eager floor")
                            .arg(size.size),
                        size.series[0].firstPaint,
                        size.series[1].firstPaint,
                        "ms",
                        0,
                        {}});
    for (const auto &size : sizes) {
        bench::Samples fileSize;
        fileSize.add(double(size.bytes) / (1024.0 * 1024.0));
        rows.push_back({QStringLiteral("peak memory, %1 entries / the file's size").arg(size.size),
                        size.series[0].megabytes,
                        fileSize,
                        "MB",
                        2.0,
                        {}});
        rows.push_back(
            {QStringLiteral("(info) peak memory, %1 entries / eager floor").arg(size.size),
             size.series[0].megabytes,
             size.series[1].megabytes,
             "MB",
             0,
             {}});
    }
    // What the whole start-up holds at its peak beyond a start with the
    // Default directory (the text read, the entries made of it, the window),
    // against the files it reads: the directory file and the identity file
    // the first run left.
    const QString largeData = core::dataFolderPath(root + "/large", platform::GetName());
    const double filesRead =
        double(QFileInfo(largeData + '/' + QLatin1String(core::kDirectoryFileName)).size() +
               QFileInfo(largeData + '/' + QLatin1String(core::kIdentityFileName)).size()) /
        (1024.0 * 1024.0);
    bench::Samples aboveDefault;
    for (const double megabytes : million[0].megabytes.values)
        aboveDefault.add(megabytes - startup[0].megabytes.median());
    bench::Samples files;
    files.add(filesRead);
    rows.push_back({"(info) start-up peak above Default's / files read, 1,000,000",
                    aboveDefault,
                    files,
                    "MB",
                    0,
                    {}});

    if (peer.isEmpty()) {
        rows.push_back({"start-up and close, 100,000, against abook",
                        {},
                        {},
                        "ms",
                        0.5,
                        "skipped: abook is not installed (apt-get install abook)"});
    } else {
        Row row{"start-up and close, 100,000, against abook",
                hundred[0].milliseconds,
                hundred[3].milliseconds,
                "ms",
                0.5,
                {}};
        if (!hundred[3].ok)
            row.note = QStringLiteral("skipped: abook failed");
        rows.push_back(row);
    }
}

// Reads the directory file in the folder as start-up does, making its
// entries and dropping each at once, so that what the process holds at its
// peak is what reading the file takes. No file there: the floor.
int readDirectoryOnly(const QString &folder)
{
    const core::Result<core::Folder> held = core::Folder::open(folder, core::Folder::Link::Follow);
    qsizetype count = 0;
    return held && core::ReadDirectoryFile(
                       *held, [](qsizetype) {}, [&count](core::DirectoryEntry &&) { ++count; })
               ? 0
               : 1;
}

// The peak memory of reading the directory file of 1,000,000 entries, beyond
// that of a process reading none, against the file's size.
void readMemoryRow(const QString &root, const QByteArray &large, std::vector<Row> &rows)
{
    const QString withFile = root + "/read-large";
    const QString without = root + "/read-none";
    writeFile(withFile + '/' + QLatin1String(core::kDirectoryFileName), large);
    QDir().mkpath(without);
    const QString self = QCoreApplication::applicationFilePath();
    const auto runs =
        alternate({{self, "--read-directory", withFile}, {self, "--read-directory", without}},
                  kWarmups, kRuns);
    warnIfFailed(runs[0], "the directory read");
    bench::Samples above;
    for (const double megabytes : runs[0].megabytes.values)
        above.add(megabytes - runs[1].megabytes.median());
    bench::Samples file;
    file.add(double(large.size()) / (1024.0 * 1024.0));
    rows.push_back(
        {"directory file read: peak above none / file, 1,000,000", above, file, "MB", 2.0, {}});
}

// --import of 10,000 cards into 1,000,000 entries against the same import
// into an empty directory: time and peak memory of the whole program, which
// reads the directory, imports and saves. One card in ten is an entry the
// large directory holds already; the others carry UIDs, as cards from other
// programs do.
void importRows(const QString &root, const QByteArray &large, std::vector<Row> &rows)
{
    QList<core::DirectoryEntry> cards =
        core::parseDirectoryLines(core::decodeLines(bench::makeDirectoryFile(10000, 2)));
    core::giveIdentifiers(std::span(cards.data(), std::size_t(cards.size())));
    const QList<core::DirectoryEntry> known = core::parseDirectoryLines(core::decodeLines(large));
    for (qsizetype i = 0; i < cards.size(); i += 10)
        cards[i] = known[i * 97];
    const QString cardFile = root + "/import-cards.vcf";
    if (!core::exportContacts(cardFile, core::ContactFormat::VCard3,
                              [&](const core::EntryVisitor &visit) {
                                  for (const core::DirectoryEntry &card : cards)
                                      visit(card);
                              })
             .ok)
        qFatal("cannot write %s", qPrintable(cardFile));
    const struct
    {
        QString exe;
        QByteArray directory;
    } sides[] = {{prepareAppFolder(root + "/import-large", std::nullopt), large},
                 {prepareAppFolder(root + "/import-empty", std::nullopt), QByteArray()}};
    std::vector<ProcessSeries> series(2);
    constexpr int kImportRuns = 7;
    for (int round = 0; round < 1 + kImportRuns; ++round) {
        for (std::size_t s = 0; s < 2; ++s) {
            // Each run imports into the directory as it was, with nothing else beside it.
            const QString dataFolder =
                core::dataFolderPath(QFileInfo(sides[s].exe).absolutePath(), platform::GetName());
            QDir(dataFolder).removeRecursively();
            QDir().mkdir(dataFolder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
            writeFile(dataFolder + '/' + QLatin1String(core::kDirectoryFileName),
                      sides[s].directory);
            // The first round warms up and is not counted.
            const ProcessSeries run = alternate({{sides[s].exe, "--import", cardFile}}, 0, 1)[0];
            series[s].ok = series[s].ok && run.ok && run.milliseconds.count() == 1;
            if (round > 0 && run.milliseconds.count() == 1) {
                series[s].milliseconds.add(run.milliseconds.values.at(0));
                series[s].megabytes.add(run.megabytes.values.at(0));
            }
        }
    }
    warnIfFailed(series[0], "quorvel --import");
    rows.push_back({"--import 10,000 cards, into 1,000,000 / into none",
                    series[0].milliseconds,
                    series[1].milliseconds,
                    "ms",
                    0,
                    {}});
    rows.push_back({"--import 10,000 cards, peak, into 1,000,000 / into none",
                    series[0].megabytes,
                    series[1].megabytes,
                    "MB",
                    0,
                    {}});
}

// ---- functions inside this process ----

double elapsedMilliseconds(const std::function<void()> &work)
{
    QElapsedTimer timer;
    timer.start();
    work();
    return double(timer.nsecsElapsed()) / 1e6;
}

void findRows(const QByteArray &large, std::vector<Row> &rows)
{
    // Both sides read the same names, each its own string, in one list.
    std::vector<QString> names = bench::namesOf(large);
    const auto count = qsizetype(names.size());
    const auto nameAt = [&names](qsizetype p) -> const QString & { return names[std::size_t(p)]; };
    core::NameIndex index(nameAt, [&nameAt] { return nameAt; });
    const auto scan = [&names](QStringView prefix) {
        return core::firstWithPrefix(names, prefix,
                                     [](const QString &s) { return QStringView(s); });
    };

    bench::Samples build;
    for (int i = 0; i < 5; ++i)
        build.add(elapsedMilliseconds([&] {
            index.rebuild(count);
            // No name begins with it, so the query scans them all and starts
            // the sort on a worker; the figure is both, until the sort is done.
            index.firstWithPrefix(u"#1");
            index.waitForSort();
        }));

    // The whole name of an entry near the end that no earlier name begins with.
    QString nearEnd;
    for (qsizetype p = count - count / 100; p < count && nearEnd.isEmpty(); ++p) {
        if (scan(names[std::size_t(p)]) == p)
            nearEnd = names[std::size_t(p)];
    }
    const struct
    {
        const char *figure;
        QString typed;
    } queries[] = {{"find keystroke, 1,000,000, match near the end", nearEnd},
                   {"find keystroke, 1,000,000, no match", QStringLiteral("#1")}};
    constexpr int kQueriesPerSample = 1000;
    for (const auto &query : queries) {
        bench::Samples indexed;
        bench::Samples plain;
        qsizetype fromIndex = 0;
        qsizetype fromScan = 0;
        for (int i = 0; i < kWarmups + 2 * kRuns; ++i) {
            const double a = elapsedMilliseconds([&] {
                for (int q = 0; q < kQueriesPerSample; ++q)
                    fromIndex = index.firstWithPrefix(query.typed);
            });
            const double b = elapsedMilliseconds([&] { fromScan = scan(query.typed); });
            if (fromIndex != fromScan)
                qFatal("the index and the scan disagree on \"%s\"", qPrintable(query.typed));
            if (i >= kWarmups) {
                indexed.add(a * 1000 / kQueriesPerSample);
                plain.add(b * 1000);
            }
        }
        rows.push_back({query.figure, indexed, plain, "us", 0.05, {}});
    }

    // What an Add or a Delete costs the index: no sorting, one pass.
    bench::Samples edits;
    for (int i = 0; i < kWarmups + kRuns; ++i) {
        const std::size_t at = std::size_t(count / 2);
        names.insert(names.begin() + std::ptrdiff_t(at), QStringLiteral("Inserted name"));
        const double insert = elapsedMilliseconds([&] { index.inserted(qsizetype(at)); });
        names.erase(names.begin() + std::ptrdiff_t(at));
        const double remove = elapsedMilliseconds([&] { index.removed(qsizetype(at)); });
        if (i >= kWarmups)
            edits.add(insert + remove);
    }
    rows.push_back(
        {"(info) find index: first query (sorts), 1,000,000", build, std::nullopt, "ms", 0, {}});
    rows.push_back(
        {"(info) find index: an Add and a Delete, 1,000,000", edits, std::nullopt, "ms", 0, {}});
}

// The directory file's reader finds each line's first "|" and its end with a
// hand-written search of eight code units at a time; the library's way is a
// plain search for the first of the three. The hand-written one stays only
// while it is at least 1.3 times as quick (a ratio of at most 0.77).
void lineSearchRow(const QByteArray &large, std::vector<Row> &rows)
{
    const QString text = core::decodeText(large);
    const auto ours = [&text] {
        qsizetype found = 0;
        for (qsizetype at = 0; (at = core::indexOfAny(text, u'|', u'\r', u'\n', at)) >= 0; ++at)
            ++found;
        return found;
    };
    const auto library = [&text] {
        qsizetype found = 0;
        const auto isStop = [](QChar c) { return c == u'|' || c == u'\r' || c == u'\n'; };
        for (auto at = text.cbegin(); (at = std::find_if(at, text.cend(), isStop)) != text.cend();
             ++at)
            ++found;
        return found;
    };
    bench::Samples measured;
    bench::Samples reference;
    for (int i = 0; i < kWarmups + kRuns; ++i) {
        qsizetype a = 0;
        qsizetype b = 0;
        const double ms = elapsedMilliseconds([&] { a = ours(); });
        const double libraryMs = elapsedMilliseconds([&] { b = library(); });
        if (a != b)
            qFatal("the two searches disagree");
        if (i >= kWarmups) {
            measured.add(ms);
            reference.add(libraryMs);
        }
    }
    rows.push_back({"bars and line ends, 1,000,000: indexOfAny / std::find_if",
                    measured,
                    reference,
                    "ms",
                    0.77,
                    {}});
}

// An entry of `lineCount` number lines shown against a colour file of
// `keywordCount` keywords: the file read once, its table built, every line
// looked up.
Row detailRow(const QString &folder, int keywordCount, int lineCount, double target)
{
    std::mt19937 random(7);
    const auto pick = [&](int low, int high) {
        return std::uniform_int_distribution<int>(low, high)(random);
    };
    QList<core::KeywordLine> keywords;
    QStringList usedWords;
    for (int k = 0; k < keywordCount; ++k) {
        QString word;
        for (int c = pick(3, 14); c > 0; --c)
            word += QChar(u'a' + pick(0, 25));
        word += QString::number(k) + ':';
        keywords.append({word, core::colorText(core::RGBValue(pick(0, 255), pick(0, 255), 40))});
        usedWords.append(word);
    }
    QDir().mkpath(folder);
    const QString path = core::keywordFilePath(folder);
    if (!core::writeKeywordFile(path, keywords))
        qFatal("cannot write %s", qPrintable(path));
    QStringList lines;
    for (int n = 0; n < lineCount; ++n) {
        QString line = n % 5 == 4 ? QStringLiteral("unmatched line %1").arg(n)
                                  : usedWords.at(pick(0, keywordCount - 1)) + " 555-1234";
        if (n % 10 == 3)
            line.prepend(QStringLiteral("<b>"));
        lines.append(line);
    }
    bench::Samples samples;
    core::ColorValue sink = 0;
    for (int i = 0; i < kWarmups + 2 * kRuns; ++i) {
        const double ms = elapsedMilliseconds([&] {
            const core::Result<core::KeywordFile> file = core::readKeywordFile(folder);
            const core::KeywordTable table = core::KeywordTable::fromLines(file->lines);
            for (const QString &line : lines)
                sink ^= table.colorOf(core::displayLine(line).text);
        });
        if (i >= kWarmups)
            samples.add(ms);
    }
    if (sink == 0xFFFFFFFF)
        std::fprintf(stderr, "\n");
    return {QStringLiteral("detail, %1 lines x %2 keywords").arg(lineCount).arg(keywordCount),
            samples,
            std::nullopt,
            "ms",
            target,
            {}};
}

// The least an atomic replacement can do: the bytes, already encoded, into a
// new file beside the target, that file and then the folder flushed to disk,
// the new file renamed over the target.
void plainAtomicWrite(const QString &folder, const QByteArray &bytes)
{
    const QByteArray target = QFile::encodeName(folder + "/plain.dat");
    const QByteArray temporary = target + ".new";
    const int fd = ::open(temporary.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    qsizetype done = 0;
    while (fd >= 0 && done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.constData() + done, std::size_t(bytes.size() - done));
        if (n <= 0)
            break;
        done += n;
    }
    const bool written = fd >= 0 && done == bytes.size() && ::fsync(fd) == 0;
    if (fd >= 0)
        ::close(fd);
    const int dir = ::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY);
    if (!written || ::rename(temporary.constData(), target.constData()) != 0 || dir < 0 ||
        ::fsync(dir) != 0)
        qFatal("the plain atomic write failed");
    ::close(dir);
}

// The program's save after a change: the data folder's store, which checks
// the file against what it last wrote, then writes it atomically.
void saveRow(const QString &appFolder, const QByteArray &small, std::vector<Row> &rows)
{
    QDir().mkpath(appFolder);
    core::DirectoryStore store(appFolder, platform::GetName());
    if (!store.open() || store.lock() != core::DirectoryStore::LockState::Locked)
        qFatal("cannot open the data folder in %s", qPrintable(appFolder));
    writeFile(store.filePath(), small);
    QList<core::DirectoryEntry> entries;
    if (!store.read([](qsizetype) {}, [&](core::DirectoryEntry &&e) { entries.append(e); }))
        qFatal("cannot read %s", qPrintable(store.filePath()));
    const auto eachEntry = [&entries](const core::EntryVisitor &visit) {
        for (const core::DirectoryEntry &entry : entries)
            visit(entry);
    };
    const QString plainFolder = QFileInfo(store.filePath()).absolutePath();
    bench::Samples ours;
    bench::Samples plain;
    for (int i = 0; i < kWarmups + kRuns; ++i) {
        // The change: one entry renamed, as the entry editor's Done does.
        entries[entries.size() / 2].name = QStringLiteral("Changed %1").arg(i);
        const double a = elapsedMilliseconds([&] {
            if (!store.save(eachEntry, true))
                qFatal("the save failed");
        });
        const QByteArray bytes = core::formatDirectoryFile(entries);
        const double b = elapsedMilliseconds([&] { plainAtomicWrite(plainFolder, bytes); });
        if (i >= kWarmups) {
            ours.add(a);
            plain.add(b);
        }
    }
    store.unlock();
    rows.push_back({"save after a change, 100,000 entries", ours, plain, "ms", 2.0, {}});
}

} // namespace

int main(int argc, char *argv[])
{
    if (argc == 3 && QByteArrayView(argv[1]) == "--read-directory")
        return readDirectoryOnly(QFile::decodeName(argv[2]));
    QCoreApplication app(argc, argv);
    QElapsedTimer total;
    total.start();
    QTemporaryDir rootDir;
    const QString root = rootDir.path();
    bench::keepAwayFromUserFiles(root);
    qputenv("BENCH_PAINT_STAMP", QFile::encodeName(root + "/paint-stamp"));

    const QByteArray small = bench::makeDirectoryFile(100000);
    const QByteArray large = bench::makeDirectoryFile(1000000);
    std::fprintf(stderr, "data: 100,000 entries %lld bytes, 1,000,000 entries %lld bytes\n",
                 static_cast<long long>(small.size()), static_cast<long long>(large.size()));

    std::vector<Row> rows;
    if (qEnvironmentVariableIsSet("BENCH_SHORT")) {
        readMemoryRow(root, large, rows);
        lineSearchRow(large, rows);
        importRows(root, large, rows);
        printTable(rows);
        return 0;
    }
    programRows(root, small, large, rows);
    if (qEnvironmentVariableIsSet("BENCH_PROGRAMS")) {
        printTable(rows);
        return 0;
    }
    readMemoryRow(root, large, rows);
    importRows(root, large, rows);
    findRows(large, rows);
    lineSearchRow(large, rows);
    rows.push_back(detailRow(root + "/detail-large", 5000, 2000, 16));
    rows.push_back(detailRow(root + "/detail-small", 500, 50, 1));
    saveRow(root + "/save", small, rows);

    printTable(rows);
    std::printf("whole run: %.0f s\n", double(total.elapsed()) / 1000);
    return 0;
}
