#include "app/password.h"
#include "platform/system/keyring.h"

#include <QCoreApplication>

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
    if (const std::optional<QString> kept = platform::keyringPassword(server, user)) {
        fromKeyring = true;
        return *kept;
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
    return platform::keepInKeyring(server, user, password);
}

} // namespace app
