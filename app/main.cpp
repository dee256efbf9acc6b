#include "app/commandline.h"
#include "core/colors/keywordfile.h"
#include "core/directory/datafolder.h"
#include "core/directory/datalocation.h"
#include "mainwindow/frmMain.h"
#include "platform/runtime/messagebox.h"
#include "platform/system/singleinstance.h"
#include "platform/system/system.h"
#include "platform/system/termination.h"
#include "quorvel_version.h"

#include <QApplication>
#include <QDir>
#include <QEvent>
#include <QIcon>
#include <QLibraryInfo>
#include <QLocale>
#include <QPointer>
#include <QTimer>
#include <QTranslator>

#include <algorithm>
#include <cstdio>
#include <functional>

namespace {

// The texts of the help, in the user's language.
struct MainText
{
    Q_DECLARE_TR_FUNCTIONS(MainText)
};

// Closes what is open the normal way: a dialog first, then the main window,
// so the directory is saved as on Exit.
void closeForSignal(const QPointer<frmMain> &window, int attempts = 0)
{
    if (QWidget *modal = QApplication::activeModalWidget(); modal && attempts < 20) {
        modal->close();
        QTimer::singleShot(0, QCoreApplication::instance(),
                           [window, attempts] { closeForSignal(window, attempts + 1); });
        return;
    }
    if (window)
        window->closeForSignal();
}

// Runs a function once, just after the first paint of any window (the
// main window, or a message shown before it), and goes.
class AfterFirstPaint final : public QObject
{
public:
    AfterFirstPaint(QApplication *app, std::function<void()> then)
        : QObject(app), then_(std::move(then))
    {
        app->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Paint && watched->isWidgetType() &&
            static_cast<QWidget *>(watched)->isWindow()) {
            QCoreApplication::instance()->removeEventFilter(this);
            // Queued twice: after all that this paint queues in turn.
            QTimer::singleShot(0, this, [this] {
                QTimer::singleShot(0, this, [this] {
                    then_();
                    deleteLater();
                });
            });
        }
        return false;
    }

private:
    std::function<void()> then_;
};

// Speaks the user's language (QLocale::system(): LANGUAGE, LC_ALL, LC_MESSAGES,
// LANG): Quorvel's texts, built into the program, and Qt's own, such as the
// buttons of message boxes. Without a translation the design's English stays.
void loadTranslations(QCoreApplication &app)
{
    const QLocale locale = QLocale::system();
    auto *own = new QTranslator(&app);
    if (own->load(locale, QStringLiteral("quorvel"), QStringLiteral("_"), QStringLiteral(":/i18n")))
        QCoreApplication::installTranslator(own);
    auto *qt = new QTranslator(&app);
    if (qt->load(locale, QStringLiteral("qtbase"), QStringLiteral("_"),
                 QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QCoreApplication::installTranslator(qt);
}

core::Result<core::DataLocation> chooseLocation(const QString &userName)
{
    return core::chooseDataLocation({QCoreApplication::applicationDirPath(), userName,
                                     qEnvironmentVariable("XDG_DATA_HOME"),
                                     qEnvironmentVariable("HOME")});
}

// Where the data lives, for the help.
QString dataNote(const core::Result<core::DataLocation> &location, const QString &userName)
{
    if (!location)
        return MainText::tr("Data: none can be used.") + QLatin1Char('\n') + location.error();
    const QString directory =
        core::isUsableUserName(userName)
            ? QDir::toNativeSeparators(core::directoryFilePath(location->folder, userName))
            : MainText::tr("none: no usable user name");
    return MainText::tr("Data:\n  your directory   %1\n  keyword colours  %2")
        .arg(directory, QDir::toNativeSeparators(core::keywordFilePath(location->folder)));
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication::setApplicationName(QStringLiteral("Quorvel"));
    QCoreApplication::setApplicationVersion(QLatin1String(quorvel::kVersion));
    const QString userName = platform::GetName();
    // Contact files given without an option, as the desktop opens them: they
    // are imported into the window, or into the copy already running.
    QStringList filesToImport;
    if (argc > 1) {
        // The command line is read before any window exists, so the options
        // that open none work without a display and touch no file. (With no
        // arguments there is nothing to read: the window opens.)
        QCoreApplication console(argc, argv);
        loadTranslations(console);
        const app::CommandLine commandLine = app::parseCommandLine(QCoreApplication::arguments());
        core::Result<core::DataLocation> location = chooseLocation(userName);
        if (commandLine.action == app::CommandLine::Action::Import ||
            commandLine.action == app::CommandLine::Action::Export ||
            commandLine.action == app::CommandLine::Action::SyncSetUp ||
            commandLine.action == app::CommandLine::Action::Sync) {
            // Contacts in and out need no display, on the window's data folder.
            location = core::createDataLocation(location);
            if (!location) {
                std::fprintf(stderr, "quorvel: %s\n", qPrintable(location.error()));
                return app::kExitCannotStart;
            }
            if (commandLine.action == app::CommandLine::Action::SyncSetUp ||
                commandLine.action == app::CommandLine::Action::Sync)
                return app::runSync(commandLine, location->folder, userName);
            return app::runContacts(commandLine, location->folder, userName);
        }
        if (!commandLine.needsWindow())
            return app::runWithoutWindow(commandLine, dataNote(location, userName));
        filesToImport = commandLine.files;
    }

    QApplication app(argc, argv);
    loadTranslations(app);
    QGuiApplication::setDesktopFileName(QStringLiteral(QUORVEL_APP_ID));
    // The icon comes once a window has been painted: reading it loads the
    // image readers, which the window need not wait for. A window that closed
    // at once needs none.
    new AfterFirstPaint(&app, [] {
        const QWidgetList windows = QApplication::topLevelWidgets();
        if (std::any_of(windows.begin(), windows.end(), [](QWidget *w) { return w->isVisible(); }))
            QApplication::setWindowIcon(QIcon(QStringLiteral(":/icons/quorvel.png")));
    });
    platform::TerminationWatcher watcher;
    QPointer<frmMain> mainWindow;
    // Connected before anything is shown, so a signal that arrives while a
    // start-up message is up closes that message and the program ends.
    QObject::connect(&watcher, &platform::TerminationWatcher::terminationRequested, &watcher,
                     [&mainWindow](int) { closeForSignal(mainWindow); });

    const core::Result<core::DataLocation> location =
        core::createDataLocation(chooseLocation(userName));
    if (!location) {
        platform::MsgBox(location.error(), platform::vbCritical);
        return app::kExitCannotStart;
    }

    frmMain window(location->folder);
    mainWindow = &window;
    // A copy already running for this data folder brings its window forward,
    // and imports the files, instead of this one starting.
    bool handedOver = false;
    window.askRunningCopy = [&] {
        handedOver = platform::askRunningCopyToShow(
            core::dataFolderPath(location->folder, userName), filesToImport);
        return handedOver;
    };
    if (!window.Form_Load())
        return handedOver ? app::kExitOk : app::kExitCannotStart;

    // The import waits for the event loop: the window shows first, and a
    // request is confirmed before its report is up.
    const auto importLater = [&window](const QStringList &files) {
        if (!files.isEmpty())
            QTimer::singleShot(0, &window, [&window, files] { window.importFiles(files); });
    };
    platform::HandOverServer handOver([&window, importLater](const QStringList &files) {
        // Once closed, the window is not brought back: this copy is ending.
        if (!window.isVisible())
            return false;
        platform::bringToFront(&window);
        importLater(files);
        return true;
    });
    window.listenForLaterStarts(handOver);
    window.show();
    importLater(filesToImport);
    return QApplication::exec();
}
