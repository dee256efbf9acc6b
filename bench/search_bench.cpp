// Prints what one keystroke in the search window costs over 100,000 and
// 1,000,000 entries of 1 to 4 lines (the benchmarks' generated directory): the median and the
// fastest of every prefix of a few queries typed several times, for the search alone and for the
// window's whole update (search, result list and its repaint).
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

void report(int entries, const char *what, Figures figures, double target)
{
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
    for (const auto &[count, target, rounds] :
         {std::tuple{100000, 16.0, 20}, std::tuple{1000000, 100.0, 4}}) {
        const QList<core::DirectoryEntry> list = makeEntries(count);
        core::DirectoryModel entries;
        entries.append(core::Entries(list.begin(), list.end()));

        QElapsedTimer timer;
        timer.start();
        const core::SearchIndex index(list);
        std::fprintf(stderr, "%d entries: index built in %.0f ms\n", count,
                     double(timer.nsecsElapsed()) / 1e6);
        std::size_t found = 0;
        report(count, "search only",
               time(rounds, texts,
                    [&](const QString &text) {
                        found += index.find(core::parseSearchQuery(text)).size();
                    }),
               target);

        frmSearch window(entries, colors);
        window.show();
        report(count, "window update and repaint",
               time(rounds, texts,
                    [&](const QString &text) {
                        window.txtSearch->setText(text);
                        window.lstResults->viewport()->repaint();
                    }),
               target);
        if (found == 0)
            std::fprintf(stderr, "warning: nothing found\n");
    }
    return 0;
}
