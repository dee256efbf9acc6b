// A Delete and an Undo at 1,000,000 entries in the main window: the time from
// the command until the window is idle again with the change shown, and until
// the change has reached the directory file (the window waited that long when
// it saved on its own thread, measured apart as "before"). Then a change made
// while a save holds a snapshot, and what taking one costs. Medians of 5 runs.

#include "bench/benchdata.h"
#include "core/directory/datafolder.h"
#include "core/directory/directorymodel.h"
#include "core/service/directoryservice.h"
#include "mainwindow/frmMain.h"
#include "platform/controls/listview.h"
#include "platform/runtime/messagebox.h"
#include "platform/system/system.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QPushButton>
#include <QTemporaryDir>

#include <cstdio>

namespace {

constexpr int kEntries = 1'000'000;
constexpr int kRuns = 5;

double msSince(const QElapsedTimer &timer)
{
    return double(timer.nsecsElapsed()) / 1e6;
}

void idle()
{
    QCoreApplication::sendPostedEvents();
    QCoreApplication::processEvents();
}

} // namespace

int main(int argc, char *argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QTemporaryDir dir;
    const QString file = core::directoryFilePath(dir.path(), platform::GetName());
    QDir().mkpath(QFileInfo(file).path());
    QFile(QFileInfo(file).path())
        .setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    QFile out(file);
    if (!out.open(QIODevice::WriteOnly) || out.write(bench::makeDirectoryFile(kEntries)) < 0)
        return 1;
    out.close();
    platform::setMessageHandler([](const platform::MessageRequest &) { return platform::vbYes; });
    frmMain w(dir.path());
    if (!w.Form_Load())
        return 1;
    w.show();
    idle();

    std::printf("%-58s %10s %10s\n", "1,000,000 entries, main window (ms)", "idle", "saved");
    bench::Samples deleteIdle, deleteSaved, undoIdle, undoSaved;
    for (int run = 0; run < kRuns; ++run) {
        const auto measure = [&w](const std::function<void()> &command, bench::Samples &untilIdle,
                                  bench::Samples &untilSaved) {
            QElapsedTimer timer;
            timer.start();
            command();
            idle();
            untilIdle.add(msSince(timer));
            w.waitForSaved();
            untilSaved.add(msSince(timer));
        };
        w.lvwQuorvel->setSelectedItem(kEntries / 2);
        idle();
        measure([&] { w.cmdDelete->click(); }, deleteIdle, deleteSaved);
        measure([&] { w.mnuUndo->trigger(); }, undoIdle, undoSaved);
    }
    std::printf("%-58s %10.1f %10.1f\n", "Delete confirmed", deleteIdle.median(),
                deleteSaved.median());
    std::printf("%-58s %10.1f %10.1f\n", "Undo", undoIdle.median(), undoSaved.median());

    // A second Delete while the first one's save runs: the model copies the
    // entries the save holds.
    bench::Samples second;
    for (int run = 0; run < kRuns; ++run) {
        w.lvwQuorvel->setSelectedItem(kEntries / 2);
        w.cmdDelete->click();
        w.lvwQuorvel->setSelectedItem(kEntries / 2);
        QElapsedTimer timer;
        timer.start();
        w.cmdDelete->click();
        idle();
        second.add(msSince(timer));
        w.waitForSaved();
        w.mnuUndo->trigger();
        w.mnuUndo->trigger();
        w.waitForSaved();
    }
    std::printf("%-58s %10.1f\n", "Delete while the last one's save runs", second.median());

    // What the window did before on its own thread for a Delete: the change,
    // then the whole save (directory and identity file) before it went on.
    bench::Samples before;
    core::DirectoryService service(dir.path(), platform::GetName());
    w.close();
    core::DirectoryModel model;
    if (!service.open() || !service.read(model))
        return 1;
    for (int run = 0; run < kRuns; ++run) {
        QElapsedTimer timer;
        timer.start();
        model.remove(kEntries / 2);
        (void)service.save(model, true);
        before.add(msSince(timer));
    }
    std::printf("%-58s %10.1f\n", "before: Delete and its save on the window's thread",
                before.median());

    bench::Samples snapshot;
    for (int run = 0; run < kRuns; ++run) {
        QElapsedTimer timer;
        timer.start();
        const core::EntriesSnapshot taken = model.snapshot();
        snapshot.add(msSince(timer));
    }
    std::printf("%-58s %10.3f\n", "snapshot of the entries", snapshot.median());
    return 0;
}
