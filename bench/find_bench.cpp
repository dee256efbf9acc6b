// Time of one change of the find box's text that matches no entry, so the
// whole entry list is walked, against a plain loop over the same names.
#include "benchdata.h"
#include "core/datafolder.h"
#include "mainwindow/frmMain.h"
#include "platform/system.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLineEdit>
#include <QTemporaryDir>

#include <cstdio>

int main(int argc, char *argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int count = argc > 1 ? QByteArray(argv[1]).toInt() : 100000;
    const int repetitions = 201;

    QTemporaryDir appFolder;
    const QByteArray file = bench::makeDirectoryFile(count);
    QDir().mkpath(core::dataFolderPath(appFolder.path(), platform::GetName()));
    QFile out(core::directoryFilePath(appFolder.path(), platform::GetName()));
    if (!out.open(QIODevice::WriteOnly) || out.write(file) != file.size())
        return 1;
    out.close();

    frmMain window(appFolder.path());
    if (!window.Form_Load())
        return 1;

    // Two texts that begin no name (names hold letters only), alternated so
    // that every assignment is a real change.
    const QString misses[2] = {QStringLiteral("#1"), QStringLiteral("#2")};
    std::vector<double> changeMicros;
    for (int i = 0; i < repetitions; ++i) {
        QElapsedTimer timer;
        timer.start();
        window.txtFind->setText(misses[i % 2]);
        changeMicros.push_back(double(timer.nsecsElapsed()) / 1000.0);
    }

    const std::vector<QString> names = bench::namesOf(file);
    std::vector<double> loopMicros;
    qsizetype found = 0;
    for (int i = 0; i < repetitions; ++i) {
        const QString &prefix = misses[i % 2];
        QElapsedTimer timer;
        timer.start();
        qsizetype hit = -1;
        for (std::size_t n = 0; n < names.size(); ++n) {
            if (names[n].startsWith(prefix, Qt::CaseInsensitive)) {
                hit = qsizetype(n);
                break;
            }
        }
        loopMicros.push_back(double(timer.nsecsElapsed()) / 1000.0);
        found += hit;
    }

    const double change = bench::median(changeMicros);
    const double loop = bench::median(loopMicros);
    std::printf("entries: %d, repetitions: %d (medians)\n", count, repetitions);
    std::printf("find box change, no match: %10.1f us\n", change);
    std::printf("plain prefix loop:         %10.1f us  (ratio %.2f)\n", loop, change / loop);
    window.close();
    return found == -repetitions ? 0 : 1;
}
