// A letter-tab click over 1,000,000 entries: the entry list's own
// type-to-select against Qt's, which asks the model for a QVariant per row.
// Prints the median of 21 searches for a letter whose first entry is last,
// and what the find box's first keystroke costs before its names are sorted.

#include "core/directory/directorymodel.h"
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
    core::Entries entries;
    entries.reserve(kEntries);
    for (int i = 0; i < kEntries; ++i)
        entries.push_back({(i == kEntries - 1 ? QStringLiteral("Zed ") : QStringLiteral("Ann ")) +
                               QString::number(i),
                           QStringLiteral("phone: 1"), false});
    core::DirectoryModel model;
    model.append(std::move(entries));

    platform::ListView ours(QStringLiteral("Name"));
    ours.showModel(&model);
    QTableView theirs;
    theirs.setModel(&model);
    const double own = medianMs([&] {
        ours.setSelectedItem(1);
        ours.resetTypeToSelect();
        ours.keyboardSearch(QStringLiteral("z"));
    });
    const double qt = medianMs([&] {
        theirs.setCurrentIndex(model.index(0));
        theirs.keyboardSearch(QString()); // ends an earlier search
        QApplication::processEvents();
        theirs.QAbstractItemView::keyboardSearch(QStringLiteral("z"));
    });
    std::printf("letter-tab search, 1,000,000 entries, match last: list view %.1f ms, "
                "QAbstractItemView %.1f ms (medians of 21)\n",
                own, qt);

    // The find box before its names are sorted: the first keystroke scans the
    // list and starts the sort on a worker; those after it, until the sort is
    // done, scan too.
    QElapsedTimer timer;
    timer.start();
    const int first = model.firstWithPrefix(u"zed");
    const double firstMs = timer.nsecsElapsed() / 1e6;
    timer.restart();
    const int again = model.firstWithPrefix(u"zed");
    std::printf("find box, 1,000,000 entries, match last, before the sort: first keystroke "
                "%.1f ms, the next %.1f ms (rows %d, %d)\n",
                firstMs, timer.nsecsElapsed() / 1e6, first, again);
    return 0;
}
