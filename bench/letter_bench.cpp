// A letter-tab click over 1,000,000 entries of the benchmarks' generated
// directory: the entry list's own type-to-select against Qt's, which asks the
// model for a QVariant per row. Prints the median of 21 searches, from the
// top, for the letter whose first entry is farthest down, and what the find
// box's first keystroke costs before its names are sorted.
#include "benchdata.h"

#include "core/directory/directoryfile.h"
#include "core/directory/directorymodel.h"
#include "core/files/textcodec.h"
#include "platform/controls/listview.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QElapsedTimer>
#include <QTableView>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

double medianMs(const std::function<void()> &run)
{
    std::vector<double> times;
    for (int i = 0; i < 21; ++i) {
        QElapsedTimer timer;
        timer.start();
        run();
        times.push_back(timer.nsecsElapsed() / 1e6);
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

} // namespace

int main(int argc, char *argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    constexpr int kEntries = 1'000'000;
    const QList<core::DirectoryEntry> list =
        core::parseDirectoryLines(core::decodeLines(bench::makeDirectoryFile(kEntries)));
    core::Entries entries(list.begin(), list.end());
    // The letter met last when reading from the top.
    QString seen;
    QString letter;
    for (const core::DirectoryEntry &entry : entries) {
        const QChar first = entry.name.left(1).toUpper().at(0);
        if (first.isLetter() && !seen.contains(first)) {
            seen += first;
            letter = first;
        }
    }
    core::DirectoryModel model;
    model.append(std::move(entries));

    platform::ListView ours(QStringLiteral("Name"));
    ours.showModel(&model);
    QTableView theirs;
    theirs.setModel(&model);
    const double own = medianMs([&] {
        ours.setSelectedItem(1);
        ours.resetTypeToSelect();
        ours.keyboardSearch(letter);
    });
    const double qt = medianMs([&] {
        theirs.setCurrentIndex(model.index(0));
        theirs.keyboardSearch(QString()); // ends an earlier search
        QApplication::processEvents();
        theirs.QAbstractItemView::keyboardSearch(letter);
    });
    std::printf("letter-tab search, 1,000,000 entries, letter %s (met last): list view %.1f ms, "
                "QAbstractItemView %.1f ms (medians of 21)\n",
                qPrintable(letter), own, qt);

    // The find box before its names are sorted: the first keystroke scans the
    // list and starts the sort on a worker; those after it, until the sort is
    // done, scan too.
    QElapsedTimer timer;
    timer.start();
    const int first = model.firstWithPrefix(u"zzq");
    const double firstMs = timer.nsecsElapsed() / 1e6;
    timer.restart();
    const int again = model.firstWithPrefix(u"zzq");
    std::printf("find box, 1,000,000 entries, no match, before the sort: first keystroke "
                "%.1f ms, the next %.1f ms (rows %d, %d)\n",
                firstMs, timer.nsecsElapsed() / 1e6, first, again);
    return 0;
}
