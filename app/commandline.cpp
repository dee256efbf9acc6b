#include "commandline.h"

#include "core/contacts/contacts.h"
#include "core/directory/datafolder.h"
#include "core/directory/directorystore.h"

#include <QCommandLineParser>
#include <QCoreApplication>

#include <cstdio>

namespace app {

namespace {

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
        QStringLiteral("Quorvel keeps a small personal directory of contacts."));
    const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")},
                                  QStringLiteral("Prints this help and exits."));
    const QCommandLineOption version({QStringLiteral("v"), QStringLiteral("version")},
                                     QStringLiteral("Prints the version and exits."));
    const QCommandLineOption import(
        QStringLiteral("import"),
        QStringLiteral("Imports contacts from vCard (.vcf) or CSV (.csv) files into your "
                       "directory; more files may follow."),
        QStringLiteral("file"));
    const QCommandLineOption exportTo(
        QStringLiteral("export"),
        QStringLiteral("Exports your directory to a vCard or CSV file (by its extension)."),
        QStringLiteral("file"));
    const QCommandLineOption format(QStringLiteral("format"),
                                    QStringLiteral("The export format: vcard4, vcard3 or csv."),
                                    QStringLiteral("format"));
    parser.addOptions({help, version, import, exportTo, format});
    parser.addPositionalArgument(QStringLiteral("[file...]"),
                                 QStringLiteral("More files to import, after --import."));

    CommandLine result;
    result.helpText = parser.helpText();
    if (!parser.parse(arguments)) {
        result.action = CommandLine::Action::UsageError;
        result.error = parser.errorText();
    } else if (!parser.positionalArguments().isEmpty() && !parser.isSet(import)) {
        result.action = CommandLine::Action::UsageError;
        result.error = QStringLiteral("Unexpected argument '%1'.")
                           .arg(parser.positionalArguments().constFirst());
    } else if (parser.isSet(help)) {
        result.action = CommandLine::Action::ShowHelp;
    } else if (parser.isSet(version)) {
        result.action = CommandLine::Action::ShowVersion;
    } else if (parser.isSet(import) && parser.isSet(exportTo)) {
        result.action = CommandLine::Action::UsageError;
        result.error = QStringLiteral("--import and --export can't be used together.");
    } else if (parser.isSet(format) && !parser.isSet(exportTo)) {
        result.action = CommandLine::Action::UsageError;
        result.error = QStringLiteral("--format goes with --export.");
    } else if (parser.isSet(format) && !core::formatForName(parser.value(format))) {
        result.action = CommandLine::Action::UsageError;
        result.error = QStringLiteral("Unknown format '%1'.").arg(parser.value(format));
    } else if (parser.isSet(import)) {
        result.action = CommandLine::Action::Import;
        result.files = parser.values(import) + parser.positionalArguments();
    } else if (parser.isSet(exportTo)) {
        result.action = CommandLine::Action::Export;
        result.files = parser.values(exportTo).mid(0, 1);
        result.format = parser.value(format);
        if (result.format.isEmpty() && !core::formatForFileName(result.files.constFirst())) {
            result.action = CommandLine::Action::UsageError;
            result.error = QStringLiteral("Can't tell the format of '%1': name it .vcf or .csv, "
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

int importFiles(const CommandLine &commandLine, const QString &appFolder, const QString &userName)
{
    core::DirectoryStore store(appFolder, userName);
    const core::PrepareResult folder = store.open();
    if (!folder.ok) {
        print(stderr, QStringLiteral("quorvel: %1\n").arg(folder.error));
        return kExitCannotStart;
    }
    if (const auto state = store.lock(); state != core::DirectoryStore::LockState::Locked) {
        print(stderr, (state == core::DirectoryStore::LockState::HeldByAnother
                           ? QStringLiteral("quorvel: Quorvel is running for %1 (lock file %2); "
                                            "close it and import again.\n")
                           : QStringLiteral("quorvel: can't create the lock file %2 for %1, can't "
                                            "import.\n"))
                          .arg(userName, store.lockPath()));
        return kExitCannotStart;
    }
    store.removeInterruptedSaves();
    QList<core::DirectoryEntry> entries;
    QString error = folder.created ? store.writeDefaultFile() : QString();
    if (error.isEmpty())
        error = store.read([&](qsizetype count) { entries.reserve(count); },
                           [&](core::DirectoryEntry &&entry) { entries.append(std::move(entry)); });
    if (!error.isEmpty()) {
        print(stderr, QStringLiteral("quorvel: can't read the directory file %1: %2.\n")
                          .arg(store.filePath(), error));
        return kExitCannotStart;
    }
    const qsizetype before = entries.size();
    bool allRead = true;
    for (const QString &file : commandLine.files) {
        const core::ImportResult result = core::importContactsFile(file, entries);
        if (!result.ok) {
            print(stderr, QStringLiteral("%1: not imported: %2.\n").arg(file, result.error));
            allRead = false;
            continue;
        }
        print(stdout, core::importSummary(file, result) + QLatin1Char('\n'));
        for (const QString &reason : result.reasons)
            print(stderr, QStringLiteral("%1: %2\n").arg(file, reason));
        entries.append(result.entries);
    }
    if (entries.size() > before) {
        const core::DirectoryStore::SaveResult saved = store.save(
            [&](const core::EntryVisitor &visit) {
                for (const core::DirectoryEntry &entry : entries)
                    visit(entry);
            },
            true);
        if (!saved.sideCopy.isEmpty())
            print(stderr, QStringLiteral("quorvel: the directory file had been changed by another "
                                         "program; that version was kept as %1.\n")
                              .arg(saved.sideCopy));
        if (saved.outcome != core::DirectoryStore::Outcome::Saved) {
            print(stderr, QStringLiteral("quorvel: can't save the directory to %1: %2.\n")
                              .arg(store.filePath(), saved.error));
            return kExitCannotStart;
        }
    }
    return allRead ? kExitOk : kExitCannotStart;
}

int exportFile(const CommandLine &commandLine, const QString &appFolder, const QString &userName)
{
    const QString file = commandLine.files.constFirst();
    // The saved file is read without the lock: export works while the window is open.
    const core::DirectoryReadResult read =
        core::ReadDirectoryFile(core::directoryFilePath(appFolder, userName));
    if (!read.ok) {
        print(stderr, QStringLiteral("quorvel: can't read the directory file %1: %2.\n")
                          .arg(core::directoryFilePath(appFolder, userName), read.error));
        return kExitCannotStart;
    }
    const auto format = commandLine.format.isEmpty() ? core::formatForFileName(file)
                                                     : core::formatForName(commandLine.format);
    const core::ExportResult result =
        core::exportContacts(file, *format, [&](const core::EntryVisitor &visit) {
            for (const core::DirectoryEntry &entry : read.entries)
                visit(entry);
        });
    if (!result.ok) {
        print(stderr, QStringLiteral("quorvel: can't export to %1: %2.\n").arg(file, result.error));
        return kExitCannotStart;
    }
    print(stdout, QStringLiteral("%1: %2 exported\n").arg(file).arg(read.entries.size()));
    return kExitOk;
}

} // namespace

int runContacts(const CommandLine &commandLine, const QString &appFolder, const QString &userName)
{
    if (!core::isUsableUserName(userName)) {
        print(stderr, QStringLiteral("quorvel: no usable user name, can't open a directory.\n"));
        return kExitCannotStart;
    }
    return commandLine.action == CommandLine::Action::Import
               ? importFiles(commandLine, appFolder, userName)
               : exportFile(commandLine, appFolder, userName);
}

} // namespace app
