#include "commandline.h"

#include "app/password.h"
#include "core/contacts/contacts.h"
#include "core/directory/datafolder.h"
#include "core/directory/directorymodel.h"
#include "core/service/directoryservice.h"
#include "core/sync/davclient.h"
#include "platform/system/singleinstance.h"

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
    const QCommandLineOption syncSetUp(
        QStringLiteral("sync-setup"),
        CommandLineText::tr("Sets up syncing with a CardDAV server (with --user); does not sync."),
        CommandLineText::tr("url"));
    const QCommandLineOption user(QStringLiteral("user"),
                                  CommandLineText::tr("The user name at the CardDAV server."),
                                  CommandLineText::tr("name"));
    const QCommandLineOption addressBook(
        QStringLiteral("address-book"),
        CommandLineText::tr("The address book to sync with, by its name on the server."),
        CommandLineText::tr("name"));
    const QCommandLineOption sync(
        QStringLiteral("sync"),
        CommandLineText::tr("Syncs your directory with the address book set up."));
    const QCommandLineOption certificate(
        QStringLiteral("accept-certificate"),
        CommandLineText::tr("Accepts the server's certificate of this SHA-256 fingerprint though "
                            "it does not verify."),
        QStringLiteral("sha256"));
    const QCommandLineOption allowHttp(
        QStringLiteral("allow-http"),
        CommandLineText::tr("Allows plain HTTP to a server other than this machine."));
    parser.addOptions({help, version, import, exportTo, format, syncSetUp, user, addressBook, sync,
                       certificate, allowHttp});
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
    } else if (int(parser.isSet(import)) + int(parser.isSet(exportTo)) +
                   int(parser.isSet(syncSetUp)) + int(parser.isSet(sync)) >
               1) {
        result.action = CommandLine::Action::UsageError;
        result.error = CommandLineText::tr("--import, --export, --sync-setup and --sync can't be "
                                           "used together.");
    } else if ((parser.isSet(user) || parser.isSet(addressBook)) && !parser.isSet(syncSetUp)) {
        result.action = CommandLine::Action::UsageError;
        result.error = CommandLineText::tr("--user and --address-book go with --sync-setup.");
    } else if ((parser.isSet(certificate) || parser.isSet(allowHttp)) && !parser.isSet(syncSetUp) &&
               !parser.isSet(sync)) {
        result.action = CommandLine::Action::UsageError;
        result.error =
            CommandLineText::tr("--accept-certificate and --allow-http go with --sync-setup or "
                                "--sync.");
    } else if (parser.isSet(syncSetUp) && parser.value(user).isEmpty()) {
        result.action = CommandLine::Action::UsageError;
        result.error = CommandLineText::tr("--sync-setup needs --user.");
    } else if (parser.isSet(certificate) &&
               core::normalizedFingerprint(parser.value(certificate)).isEmpty()) {
        result.action = CommandLine::Action::UsageError;
        result.error = CommandLineText::tr("'%1' is no SHA-256 fingerprint (64 hex digits).")
                           .arg(parser.value(certificate));
    } else if (parser.isSet(syncSetUp) || parser.isSet(sync)) {
        result.action =
            parser.isSet(sync) ? CommandLine::Action::Sync : CommandLine::Action::SyncSetUp;
        result.server = parser.value(syncSetUp);
        result.user = parser.value(user);
        result.addressBook = parser.value(addressBook);
        result.certificate =
            QString::fromLatin1(core::normalizedFingerprint(parser.value(certificate)));
        result.allowHttp = parser.isSet(allowHttp);
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
    case CommandLine::Action::SyncSetUp:
    case CommandLine::Action::Sync:
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

namespace {

// Opens the data folder for a sync, holding its lock; false when refused
// (the reason printed).
bool openForSync(core::DirectoryService &service)
{
    if (const Result<> opened = service.open(); !opened) {
        printError(service.heldByAnother()
                       ? CommandLineText::tr("Quorvel is open on this directory; close it to sync.")
                       : opened.error());
        return false;
    }
    return true;
}

int setUpSync(const CommandLine &commandLine, core::DirectoryService &service)
{
    core::SyncAccount account;
    account.server = QUrl::fromUserInput(commandLine.server);
    account.user = commandLine.user;
    account.bookName = commandLine.addressBook;
    account.certificate = commandLine.certificate.toLatin1();
    account.allowHttp = commandLine.allowHttp;
    const QString server = account.server.adjusted(QUrl::RemovePath).toString();
    bool fromKeyring = false;
    const QString password = syncPassword(server, account.user, fromKeyring);
    const Result<core::DirectoryService::SyncSetUp> done = service.setUpSync(account, password);
    if (!done || !done->stored) {
        if (!done)
            printError(done.error());
        if (!done->books.empty()) {
            print(stderr, CommandLineText::tr("The address books at %1; name one with "
                                              "--address-book:\n")
                              .arg(commandLine.server));
            for (const core::AddressBook &book : done->books)
                print(stderr, QStringLiteral("  %1\n").arg(book.displayName));
        }
        return done || done->books.empty() ? (done ? kExitUsage : kExitCannotStart) : kExitUsage;
    }
    if (!fromKeyring && !keepSyncPassword(server, account.user, password))
        print(stderr, CommandLineText::tr("No keyring answered: the password is not kept, and "
                                          "each sync asks for it (or reads it from standard "
                                          "input).\n"));
    print(stdout, CommandLineText::tr("Set up to sync with \"%1\" at %2.\n")
                      .arg(done->account.bookName, done->account.book.toString()));
    return kExitOk;
}

int syncNow(const CommandLine &commandLine, core::DirectoryService &service)
{
    core::DirectoryModel directory;
    const Result<std::optional<core::SyncAccount>> account = service.syncAccount();
    if (!account) {
        printError(account.error());
        return kExitCannotStart;
    }
    if (!*account) {
        printError(CommandLineText::tr("No sync is set up for this directory; set one up with "
                                       "--sync-setup URL --user NAME."));
        return kExitCannotStart;
    }
    core::SyncAccount use = **account;
    if (!commandLine.certificate.isEmpty())
        use.certificate = commandLine.certificate.toLatin1();
    use.allowHttp = use.allowHttp || commandLine.allowHttp;
    if (const Result<> read = service.read(directory); !read) {
        printError(read.error());
        return kExitCannotStart;
    }
    bool fromKeyring = false;
    const QString password =
        syncPassword(use.server.adjusted(QUrl::RemovePath).toString(), use.user, fromKeyring);
    const Result<core::SyncCounts> counts = service.sync(directory, use, password);
    for (const QString &note : counts->notes)
        printError(note);
    if (!counts) {
        printError(counts.error());
        return kExitCannotStart;
    }
    print(stdout, CommandLineText::tr("synced: %1 sent, %2 received, %3 conflicts\n")
                      .arg(counts->sent)
                      .arg(counts->received)
                      .arg(counts->conflicts));
    return kExitOk;
}

} // namespace

int runSync(const CommandLine &commandLine, const QString &appFolder, const QString &userName)
{
    core::DirectoryService service(appFolder, userName);
    // With the window open on this directory, the window syncs (with its
    // account and password) and this prints what it answers.
    if (commandLine.action == CommandLine::Action::Sync) {
        if (const Result<> opened = service.open(); !opened && service.heldByAnother()) {
            if (const std::optional<platform::SyncAnswer> answer =
                    platform::askRunningCopyToSync(core::dataFolderPath(appFolder, userName))) {
                print(stdout, answer->out);
                for (const QString &line : answer->err.split(QLatin1Char('\n'), Qt::SkipEmptyParts))
                    printError(line);
                return answer->status;
            }
            printError(CommandLineText::tr("Quorvel is open on this directory and did not "
                                           "answer; close it to sync."));
            return kExitCannotStart;
        } else if (!opened) {
            printError(opened.error());
            return kExitCannotStart;
        }
        return syncNow(commandLine, service);
    }
    if (!openForSync(service))
        return kExitCannotStart;
    return commandLine.action == CommandLine::Action::SyncSetUp ? setUpSync(commandLine, service)
                                                                : syncNow(commandLine, service);
}

} // namespace app
