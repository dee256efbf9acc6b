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
    enum class Action { OpenWindow, ShowHelp, ShowVersion, UsageError };
    Action action = Action::OpenWindow;
    QString error;    // for UsageError: what was not understood
    QString helpText; // usage and options, for ShowHelp and UsageError

    bool needsWindow() const { return action == Action::OpenWindow; }
};

// Reads the arguments (the program's name first). Needs a QCoreApplication.
CommandLine parseCommandLine(const QStringList &arguments);

// Carries out an action that needs no window: prints to standard output, or
// the error and usage to standard error. `dataNote` says where the data lives
// and is part of the help. Returns the exit status.
int runWithoutWindow(const CommandLine &commandLine, const QString &dataNote);

} // namespace app
