#include "platform/system/keyring.h"

#include <QEventLoop>

#include <qt6keychain/keychain.h>

namespace platform {

namespace {

const QString kKeyringService = QStringLiteral("Quorvel sync");

QString keyOf(const QString &server, const QString &user)
{
    return user + QLatin1Char('@') + server;
}

bool sessionBus()
{
    return !qEnvironmentVariableIsEmpty("DBUS_SESSION_BUS_ADDRESS");
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

} // namespace

std::optional<QString> keyringPassword(const QString &server, const QString &user)
{
    if (!sessionBus())
        return std::nullopt;
    QKeychain::ReadPasswordJob job(kKeyringService);
    job.setKey(keyOf(server, user));
    if (!finished(job))
        return std::nullopt;
    return job.textData();
}

bool keepInKeyring(const QString &server, const QString &user, const QString &password)
{
    if (!sessionBus())
        return false;
    QKeychain::WritePasswordJob job(kKeyringService);
    job.setKey(keyOf(server, user));
    job.setTextData(password);
    return finished(job);
}

} // namespace platform
