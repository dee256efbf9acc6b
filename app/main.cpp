#include "mainwindow/frmMain.h"
#include "platform/system.h"
#include "platform/termination.h"

#include <QApplication>
#include <QTimer>

namespace {

// Closes the main window the normal way, so the directory is saved as on
// Exit. A dialog open at that moment is closed first.
void closeForSignal(frmMain &window, int attempts = 0)
{
    if (QWidget *modal = QApplication::activeModalWidget(); modal && attempts < 20) {
        modal->close();
        QTimer::singleShot(0, &window,
                           [&window, attempts] { closeForSignal(window, attempts + 1); });
        return;
    }
    window.closeForSignal();
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Quorvel"));
    platform::TerminationWatcher watcher;

    frmMain window(platform::applicationFolder());
    // Connected before loading, so a signal that arrives while a start-up
    // message is shown closes that message and the program ends.
    QObject::connect(&watcher, &platform::TerminationWatcher::terminationRequested, &window,
                     [&window](int) { closeForSignal(window); });
    if (!window.Form_Load())
        return 1;
    window.show();
    return QApplication::exec();
}
