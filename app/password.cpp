#include "app/password.h"

#include <QCoreApplication>
#include <QEventLoop>

#include <qt6keychain/keychain.h>

#include <cstdio>
#include <string>
#include <termios.h>
#include <unistd.h>

namespace app {

namespace {

struct PasswordText
{
    Q_DECLARE_TR_FUNCTIONS(PasswordText)
};

const QString kKeyringService = QStringLiteral("Quorvel sync");

QString keyOf(const QString &server, const QString &user)
{
    return user + QLatin1Char('@') + server;
}

// Runs a keyring job to its end; false when it failed (no keyring, no entry).
bool finished(QKeychain::Job &job)
{
    job.setAutoDelete(false);
    job.setInsecureFallback(false); // never a plain file
    QEventLoop loop;
    QObject::connect(&job, &QKeychain::Job::finished, &loop, &QEventLoop::quit);
    job.start();
    loop.exec();
    return job.error() == QKeychain::NoError;
}

QString firstLine(std::FILE *in)
{
    std::string line;
    for (int c; (c = std::fgetc(in)) != EOF && c != '\n';)
        line.push_back(char(c));
    if (!line.empty() && line.back() == '\r')
        line.pop_back();
    return QString::fromLocal8Bit(line.data(), qsizetype(line.size()));
}

} // namespace

QString syncPassword(const QString &server, const QString &user, bool &fromKeyring)
{
    fromKeyring = false;
    // Asked of the keyring only where a desktop session could answer.
    if (!qEnvironmentVariableIsEmpty("DBUS_SESSION_BUS_ADDRESS")) {
        QKeychain::ReadPasswordJob job(kKeyringService);
        job.setKey(keyOf(server, user));
        if (finished(job)) {
            fromKeyring = true;
            return job.textData();
        }
    }
    if (!isatty(STDIN_FILENO))
        return firstLine(stdin);
    std::fputs(qPrintable(PasswordText::tr("Password for %1 at %2: ").arg(user, server)), stderr);
    std::fflush(stderr);
    termios saved{};
    const bool quiet = tcgetattr(STDIN_FILENO, &saved) == 0;
    if (quiet) {
        termios silent = saved;
        silent.c_lflag &= ~tcflag_t(ECHO);
        tcsetattr(STDIN_FILENO, TCSAFLUSH, &silent);
    }
    const QString password = firstLine(stdin);
    if (quiet)
        tcsetattr(STDIN_FILENO, TCSAFLUSH, &saved);
    std::fputs("\n", stderr);
    return password;
}

bool keepSyncPassword(const QString &server, const QString &user, const QString &password)
{
    if (qEnvironmentVariableIsEmpty("DBUS_SESSION_BUS_ADDRESS"))
        return false;
    QKeychain::WritePasswordJob job(kKeyringService);
    job.setKey(keyOf(server, user));
    job.setTextData(password);
    return finished(job);
}

} // namespace app
