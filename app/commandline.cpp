#include "commandline.h"

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
    parser.addOptions({help, version});

    CommandLine result;
    result.helpText = parser.helpText();
    if (!parser.parse(arguments)) {
        result.action = CommandLine::Action::UsageError;
        result.error = parser.errorText();
    } else if (!parser.positionalArguments().isEmpty()) {
        result.action = CommandLine::Action::UsageError;
        result.error = QStringLiteral("Unexpected argument '%1'.")
                           .arg(parser.positionalArguments().constFirst());
    } else if (parser.isSet(help)) {
        result.action = CommandLine::Action::ShowHelp;
    } else if (parser.isSet(version)) {
        result.action = CommandLine::Action::ShowVersion;
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
        break;
    }
    return kExitOk;
}

} // namespace app
