#pragma once

#include <QString>
#include <QStringList>

namespace app {

// Exit statuses of the program.
enum ExitStatus : int {
    kExitOk = 0,
    kExitCannotStart = 1, // the user has been told why
    kExitUsage = 2,       // the command line was not understood
};

// What the command line asks for. Every option is declared and read in
// commandline.cpp; one that needs no window is carried out by
// runWithoutWindow, without a display.
struct CommandLine
{
    enum class Action {
        OpenWindow,
        ShowHelp,
        ShowVersion,
        UsageError,
        Import,
        Export,
        SyncSetUp,
        Sync
    };
    Action action = Action::OpenWindow;
    QString error;    // for UsageError: what was not understood
    QString helpText; // usage and options, for ShowHelp and UsageError
    // For OpenWindow: contact files to import into the window, as absolute
    // paths (a copy already running may be the one that imports them); for
    // Import: the files, in order; for Export: the one file.
    QStringList files;
    QString format; // for Export: vcard4, vcard3 or csv; empty: from the file's name
    // For SyncSetUp: the server, the user and the address book's display name
    // (empty: the only one); the certificate fingerprint accepted and plain
    // HTTP allowed to other machines (SyncSetUp and Sync).
    QString server;
    QString user;
    QString addressBook;
    QString certificate;
    bool allowHttp = false;

    bool needsWindow() const { return action == Action::OpenWindow; }
};

// Reads the arguments (the program's name first). Needs a QCoreApplication.
CommandLine parseCommandLine(const QStringList &arguments);

// Carries out help, version or a usage error: prints to standard output, or
// the error and usage to standard error. `dataNote` says where the data lives
// and is part of the help. Returns the exit status.
int runWithoutWindow(const CommandLine &commandLine, const QString &dataNote);

// Imports the files into the directory of the data folder (holding its lock
// for the whole run; refused while a copy of Quorvel holds it), or exports
// the saved directory. One line per file on standard output, the reasons on
// standard error. Returns the exit status.
int runContacts(const CommandLine &commandLine, const QString &appFolder, const QString &userName);

// Sets up the sync (checks the server, chooses the address book, stores the
// account) or syncs, on the data folder, holding its lock; refused while a
// copy of Quorvel holds it. A sync prints "synced: N sent, M received, K
// conflicts". Returns the exit status: 2 also when set-up finds several
// address books and none was named (they are listed).
int runSync(const CommandLine &commandLine, const QString &appFolder, const QString &userName);

} // namespace app
