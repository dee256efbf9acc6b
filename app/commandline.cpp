#include "commandline.h"

#include "core/contacts/contacts.h"
#include "core/directory/directorymodel.h"
#include "core/service/directoryservice.h"

#include <algorithm>

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFileInfo>

#include <cstdio>

namespace app {

namespace {

// The texts of the command line, in the user's language.
struct CommandLineText
{
    Q_DECLARE_TR_FUNCTIONS(CommandLineText)
};

void print(std::FILE *stream, const QString &text)
{
    std::fputs(text.toLocal8Bit().constData(), stream);
    std::fflush(stream);
}

} // namespace

CommandLine parseCommandLine(const QStringList &arguments)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(
        CommandLineText::tr("Quorvel keeps a small personal directory of contacts."));
    const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")},
                                  CommandLineText::tr("Prints this help and exits."));
    const QCommandLineOption version({QStringLiteral("v"), QStringLiteral("version")},
                                     CommandLineText::tr("Prints the version and exits."));
    const QCommandLineOption import(
        QStringLiteral("import"),
        CommandLineText::tr("Imports contacts from vCard (.vcf) or CSV (.csv) files into your "
                            "directory; more files may follow."),
        CommandLineText::tr("file"));
    const QCommandLineOption exportTo(
        QStringLiteral("export"),
        CommandLineText::tr("Exports your directory to a vCard or CSV file (by its extension)."),
        CommandLineText::tr("file"));
    const QCommandLineOption format(
        QStringLiteral("format"), CommandLineText::tr("The export format: vcard4, vcard3 or csv."),
        CommandLineText::tr("format"));
    parser.addOptions({help, version, import, exportTo, format});
    parser.addPositionalArgument(
        CommandLineText::tr("[file...]"),
        CommandLineText::tr("Contact files to import: into the window, or after --import "
                            "without one."));

    CommandLine result;
    result.helpText = parser.helpText();
    if (!parser.parse(arguments)) {
        result.action = CommandLine::Action::UsageError;
        result.error = parser.errorText();
    } else if (parser.optionNames().isEmpty()) {
        // Files alone, as the desktop opens them: imported into the window.
        for (const QString &file : parser.positionalArguments()) {
            if (!file.isEmpty())
                result.files.append(QFileInfo(file).absoluteFilePath());
        }
    } else if (!parser.positionalArguments().isEmpty() && !parser.isSet(import)) {
        result.action = CommandLine::Action::UsageError;
        result.error = CommandLineText::tr("Unexpected argument '%1'.")
                           .arg(parser.positionalArguments().constFirst());
    } else if (parser.isSet(help)) {
        result.action = CommandLine::Action::ShowHelp;
    } else if (parser.isSet(version)) {
        result.action = CommandLine::Action::ShowVersion;
    } else if (parser.isSet(import) && parser.isSet(exportTo)) {
        result.action = CommandLine::Action::UsageError;
        result.error = CommandLineText::tr("--import and --export can't be used together.");
    } else if (parser.isSet(format) && !parser.isSet(exportTo)) {
        result.action = CommandLine::Action::UsageError;
        result.error = CommandLineText::tr("--format goes with --export.");
    } else if (parser.isSet(format) && !core::formatForName(parser.value(format))) {
        result.action = CommandLine::Action::UsageError;
        result.error = CommandLineText::tr("Unknown format '%1'.").arg(parser.value(format));
    } else if (parser.isSet(import)) {
        result.action = CommandLine::Action::Import;
        result.files = parser.values(import) + parser.positionalArguments();
    } else if (parser.isSet(exportTo)) {
        result.action = CommandLine::Action::Export;
        result.files = parser.values(exportTo).mid(0, 1);
        result.format = parser.value(format);
        if (result.format.isEmpty() && !core::formatForFileName(result.files.constFirst())) {
            result.action = CommandLine::Action::UsageError;
            result.error =
                CommandLineText::tr("Can't tell the format of '%1': name it .vcf or .csv, "
                                    "or give --format.")
                    .arg(result.files.constFirst());
        }
    }
    return result;
}

int runWithoutWindow(const CommandLine &commandLine, const QString &dataNote)
{
    switch (commandLine.action) {
    case CommandLine::Action::ShowHelp:
        print(stdout, commandLine.helpText + QLatin1Char('\n') + dataNote + QLatin1Char('\n'));
        return kExitOk;
    case CommandLine::Action::ShowVersion:
        print(stdout, QCoreApplication::applicationName() + QLatin1Char(' ') +
                          QCoreApplication::applicationVersion() + QLatin1Char('\n'));
        return kExitOk;
    case CommandLine::Action::UsageError:
        print(stderr,
              QStringLiteral("quorvel: %1\n\n%2").arg(commandLine.error, commandLine.helpText));
        return kExitUsage;
    case CommandLine::Action::OpenWindow:
    case CommandLine::Action::Import:
    case CommandLine::Action::Export:
        break;
    }
    return kExitOk;
}

namespace {

using core::Result;

void printError(const QString &text)
{
    print(stderr, QStringLiteral("quorvel: %1\n").arg(text));
}

// Prints what came of each file: a summary line on standard output, the
// reasons on standard error. Returns whether every file could be read.
bool printImport(const QList<core::ImportFileReport> &reports)
{
    bool allRead = true;
    for (const core::ImportFileReport &report : reports) {
        if (!report.read) {
            print(stderr,
                  CommandLineText::tr("%1: not imported: %2.").arg(report.file, report.error) +
                      QLatin1Char('\n'));
            allRead = false;
            continue;
        }
        print(stdout, core::importSummary(report.file, report.counts) + QLatin1Char('\n'));
        for (const QString &reason : report.counts.reasons)
            print(stderr, QStringLiteral("%1: %2\n").arg(report.file, reason));
    }
    return allRead;
}

int importFiles(const CommandLine &commandLine, const QString &appFolder, const QString &userName)
{
    core::DirectoryService service(appFolder, userName);
    core::DirectoryModel directory;
    Result<> ready = service.open();
    if (ready)
        ready = service.read(directory);
    for (const QString &note : service.takeStartNotes())
        printError(note);
    if (!ready) {
        printError(ready.error());
        return kExitCannotStart;
    }
    const QList<core::ImportFileReport> reports = service.import(directory, commandLine.files);
    const bool allRead = printImport(reports);
    if (std::any_of(reports.begin(), reports.end(), [](const auto &r) { return r.changed; })) {
        const core::Result<QStringList> saved = service.save(directory, true);
        for (const QString &note : *saved)
            printError(note);
        if (!saved) {
            printError(saved.error());
            return kExitCannotStart;
        }
    }
    return allRead ? kExitOk : kExitCannotStart;
}

int exportFile(const CommandLine &commandLine, const QString &appFolder, const QString &userName)
{
    const QString file = commandLine.files.constFirst();
    // The saved file is read without the lock: export works while the window is open.
    const core::DirectoryService service(appFolder, userName);
    core::DirectoryModel directory;
    const auto format = commandLine.format.isEmpty() ? core::formatForFileName(file)
                                                     : core::formatForName(commandLine.format);
    Result<> done = service.readSaved(directory);
    if (done)
        done = service.exportTo(directory, file, *format);
    if (!done) {
        printError(done.error());
        return kExitCannotStart;
    }
    print(stdout, CommandLineText::tr("%1: %2 exported").arg(file).arg(directory.count()) +
                      QLatin1Char('\n'));
    return kExitOk;
}

} // namespace

int runContacts(const CommandLine &commandLine, const QString &appFolder, const QString &userName)
{
    return commandLine.action == CommandLine::Action::Import
               ? importFiles(commandLine, appFolder, userName)
               : exportFile(commandLine, appFolder, userName);
}

} // namespace app
