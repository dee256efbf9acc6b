// Prints what the search window costs over 100,000 and 1,000,000 entries of
// 1 to 4 lines (the benchmarks' generated directory): the first opening (the window up, then its
// index built on a worker), one keystroke (the median and the fastest of every prefix of a few
// queries typed several times, for the search alone and for the window's whole update: search,
// result list and its repaint), and changes of the directory made with the window open on a query
// (an import of 10,000 entries and its undo, a delete and its undo), each until repainted.
#include "benchdata.h"
#include "core/colors/keywordfile.h"
#include "core/directory/directoryfile.h"
#include "core/directory/directorymodel.h"
#include "core/files/fileio.h"
#include "core/files/textcodec.h"
#include "core/search/searchmatch.h"
#include "search/frmSearch.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QTableView>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <random>

namespace {

QList<core::DirectoryEntry> makeEntries(int count)
{
    return core::parseDirectoryLines(core::decodeLines(bench::makeDirectoryFile(count)));
}

// Each keystroke of typing these, one after the other.
QStringList keystrokes()
{
    QStringList texts;
    for (const char *query : {"kowalski", "+49 30", "anna mü", "example.fr", "x7q"}) {
        const QString text = QString::fromUtf8(query);
        for (qsizetype n = 1; n <= text.size(); ++n)
            texts.append(text.left(n));
    }
    return texts;
}

struct Figures
{
    double median = 0;
    double fastest = 0;
};

template <typename Work> Figures time(int rounds, const QStringList &texts, Work work)
{
    bench::Samples samples;
    for (int round = 0; round < rounds; ++round) {
        for (const QString &text : texts) {
            QElapsedTimer timer;
            timer.start();
            work(text);
            samples.add(double(timer.nsecsElapsed()) / 1e6);
        }
    }
    return {samples.median(), samples.minimum()};
}

double elapsedMs(const std::function<void()> &work)
{
    QElapsedTimer timer;
    timer.start();
    work();
    return double(timer.nsecsElapsed()) / 1e6;
}

void report(int entries, const char *what, Figures figures, double target)
{
    // A target of 0: a figure without one (work off the window's thread).
    if (target == 0)
        std::printf("%-9d %-28s %9.2f ms %9.2f ms %11s\n", entries, what, figures.median,
                    figures.fastest, "-");
    else
        std::printf("%-9d %-28s %9.2f ms %9.2f ms %8.0f ms  %s\n", entries, what, figures.median,
                    figures.fastest, target, figures.median <= target ? "yes" : "NO");
}

} // namespace

int main(int argc, char *argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QTemporaryDir folder;
    (void)core::writeKeywordFile(core::keywordFilePath(folder.path()), core::defaultKeywordRows());
    // As the main window does: one reading of the colour file per update.
    const auto colors = [&] {
        const QStringList lines = core::readKeywordFile(folder.path())->lines;
        return ColorLookup(
            [lines](const QString &line) { return core::lookupLineColor(lines, line); });
    };
    const QStringList texts = keystrokes();
    std::printf("%-9s %-28s %12s %12s %11s  %s\n", "entries", "keystroke", "median", "fastest",
                "target", "met");
    constexpr double kKeystroke = 16;
    constexpr double kAction = 100;
    // One size only when one is given.
    const int only = argc > 1 ? QString::fromLocal8Bit(argv[1]).toInt() : 0;
    for (const auto &[count, rounds] : {std::pair{100000, 20}, std::pair{1000000, 4}}) {
        if (only != 0 && count != only)
            continue;
        const QList<core::DirectoryEntry> list = makeEntries(count);
        core::DirectoryModel entries;
        entries.append(core::Entries(list.begin(), list.end()));

        double ms = elapsedMs([&] { const core::SearchIndex index(list); });
        report(count, "index built (on the worker)", {ms, ms}, 0);
        const core::SearchIndex index(list);
        std::size_t found = 0;
        report(count, "search only",
               time(rounds, texts,
                    [&](const QString &text) {
                        found += index.find(core::parseSearchQuery(text)).size();
                    }),
               kKeystroke);

        // The first Ctrl+F: the window is up at once, its index follows.
        QElapsedTimer opening;
        opening.start();
        frmSearch window(entries, colors);
        window.show();
        window.lstResults->viewport()->repaint();
        ms = double(opening.nsecsElapsed()) / 1e6;
        report(count, "first open, window up", {ms, ms}, kAction);
        while (!window.isIndexed())
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        ms = double(opening.nsecsElapsed()) / 1e6;
        report(count, "first open, index ready", {ms, ms}, 0);

        report(count, "window update and repaint",
               time(rounds, texts,
                    [&](const QString &text) {
                        window.txtSearch->setText(text);
                        window.lstResults->viewport()->repaint();
                    }),
               kKeystroke);

        // Changes with a query shown, each until the results are repainted.
        window.txtSearch->setText(QStringLiteral("tanaka"));
        const QList<core::DirectoryEntry> imported = makeEntries(10000);
        bench::Samples import, undoImport, remove, undoRemove;
        const auto change = [&](bench::Samples &samples, const std::function<void()> &work) {
            samples.add(elapsedMs([&] {
                work();
                window.lstResults->viewport()->repaint();
            }));
        };
        for (int round = 0; round < rounds; ++round) {
            core::Entries added(imported.begin(), imported.end());
            change(import, [&] { entries.splice(count / 2, 0, std::move(added)); });
            change(undoImport, [&] { entries.splice(count / 2, 10000, {}); });
            const core::DirectoryEntry removed = entries.entry(count / 3);
            change(remove, [&] { entries.remove(count / 3); });
            change(undoRemove, [&] { entries.insert(count / 3, removed); });
        }
        report(count, "import 10,000, index live", {import.median(), import.minimum()}, kAction);
        report(count, "undo the import", {undoImport.median(), undoImport.minimum()}, kAction);
        report(count, "delete one, index live", {remove.median(), remove.minimum()}, kAction);
        report(count, "undo the delete", {undoRemove.median(), undoRemove.minimum()}, kAction);
        if (found == 0)
            std::fprintf(stderr, "warning: nothing found\n");
    }
    return 0;
}
