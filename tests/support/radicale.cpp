#include "tests/support/radicale.h"

#include "core/sync/cardmerge.h"

#include <QDir>
#include <QFile>
#include <QTcpServer>
#include <QTcpSocket>
#include <QThread>

namespace testsupport {

namespace {

const QString kPython = QStringLiteral("/usr/bin/python3");

void writeText(const QString &path, const QByteArray &text)
{
    QFile file(path);
    if (file.open(QIODevice::WriteOnly))
        file.write(text);
}

QByteArray bytesOf(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Runs openssl to its end; its standard output, empty when it failed.
QByteArray openssl(const QStringList &arguments)
{
    QProcess tool;
    tool.start(QStringLiteral("openssl"), arguments);
    tool.closeWriteChannel();
    if (!tool.waitForFinished(60000) || tool.exitStatus() != QProcess::NormalExit ||
        tool.exitCode() != 0)
        return {};
    return tool.readAllStandardOutput();
}

} // namespace

Radicale::~Radicale()
{
    if (process_.state() != QProcess::NotRunning) {
        process_.terminate();
        if (!process_.waitForFinished(10000))
            process_.kill();
        process_.waitForFinished(10000);
    }
}

QString Radicale::missing()
{
    QProcess probe;
    probe.start(kPython, {QStringLiteral("-c"), QStringLiteral("import radicale")});
    if (probe.waitForFinished(30000) && probe.exitStatus() == QProcess::NormalExit &&
        probe.exitCode() == 0)
        return {};
    return QStringLiteral("Radicale is not installed (Debian's package radicale); "
                          "the tests against a CardDAV server are skipped");
}

void Radicale::stop()
{
    process_.kill();
    process_.waitForFinished(10000);
}

bool Radicale::start(bool https)
{
    if (!dir_.isValid()) {
        error_ = QStringLiteral("no folder for the server: ") + dir_.errorString();
        return false;
    }
    if (port_ == 0) {
        QTcpServer free; // a port nobody listens on now
        if (!free.listen(QHostAddress::LocalHost, 0)) {
            error_ = QStringLiteral("no free port: ") + free.errorString();
            return false;
        }
        port_ = free.serverPort();
    }
    const QString root = dir_.path();
    QString ssl;
    if (https) {
        const QString certificate = root + "/cert.pem", key = root + "/key.pem";
        openssl({"req", "-x509", "-newkey", "rsa:2048", "-nodes", "-subj", "/CN=127.0.0.1",
                 "-addext", "subjectAltName=IP:127.0.0.1", "-days", "1", "-keyout", key, "-out",
                 certificate});
        // "sha256 Fingerprint=AB:12:...\n" (the label differs between versions).
        const QByteArray printed =
            openssl({"x509", "-noout", "-fingerprint", "-sha256", "-in", certificate});
        fingerprint_ = QString::fromLatin1(printed.mid(printed.indexOf('=') + 1).trimmed());
        if (fingerprint_.size() != 95) {
            error_ = QStringLiteral("openssl made no certificate: ") + QString::fromLatin1(printed);
            return false;
        }
        ssl = QStringLiteral("ssl = True\ncertificate = %1\nkey = %2\n").arg(certificate, key);
    }
    writeText(root + "/users", (user() + ':' + password() + '\n').toUtf8());
    writeText(root + "/config", QStringLiteral("[server]\nhosts = 127.0.0.1:%1\n%3"
                                               "[auth]\ntype = htpasswd\nhtpasswd_filename = "
                                               "%2/users\nhtpasswd_encryption = plain\n"
                                               "[storage]\nfilesystem_folder = %2/store\n"
                                               "[rights]\ntype = owner_only\n"
                                               "[web]\ntype = none\n[logging]\nlevel = error\n")
                                    .arg(port_)
                                    .arg(root, ssl)
                                    .toUtf8());
    process_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process_.start(kPython, {QStringLiteral("-m"), QStringLiteral("radicale"),
                             QStringLiteral("--config"), root + "/config"});
    for (int tries = 0; tries < 300; ++tries) {
        if (process_.state() == QProcess::NotRunning && tries > 0)
            break;
        QTcpSocket probe;
        probe.connectToHost(QHostAddress::LocalHost, quint16(port_));
        if (probe.waitForConnected(100))
            return true;
        QThread::msleep(100);
    }
    error_ = QStringLiteral("Radicale did not answer on port %1").arg(port_);
    return false;
}

QUrl Radicale::url(const QString &path) const
{
    return QUrl(QStringLiteral("%1://127.0.0.1:%2%3")
                    .arg(fingerprint_.isEmpty() ? "http" : "https")
                    .arg(port_)
                    .arg(path));
}

QUrl Radicale::addBook(const QString &name, const QString &displayName) const
{
    const QString folder = dir_.path() + "/store/collection-root/" + user() + '/' + name;
    QDir().mkpath(folder);
    writeText(folder + "/.Radicale.props",
              QStringLiteral("{\"tag\": \"VADDRESSBOOK\", \"D:displayname\": \"%1\"}")
                  .arg(displayName)
                  .toUtf8());
    return url('/' + user() + '/' + name + '/');
}

} // namespace testsupport

namespace testsupport {

QList<QByteArray> Radicale::cards(const QString &name) const
{
    const QDir folder(dir_.path() + "/store/collection-root/" + user() + '/' + name);
    QList<QByteArray> cards;
    for (const QString &file : folder.entryList(QDir::Files)) {
        QFile card(folder.filePath(file));
        if (card.open(QIODevice::ReadOnly))
            cards.append(card.readAll());
    }
    return cards;
}

QStringList directoryLines(const QString &path)
{
    QStringList lines =
        QString::fromUtf8(bytesOf(path)).split(QStringLiteral("\r\n"), Qt::SkipEmptyParts);
    lines.sort();
    return lines;
}

QStringList cardLines(const QList<QByteArray> &cards)
{
    QStringList lines;
    QSet<QString> uids;
    for (const QByteArray &card : cards) {
        QString uid;
        const std::optional<core::DirectoryEntry> entry = core::entryOfCard(card, uid);
        lines.append(!entry || uid.isEmpty() ? "invalid card " + QString::fromUtf8(card).remove('|')
                     : uids.contains(uid)    ? "UID twice " + uid
                                             : core::formatDirectoryLine(*entry));
        uids.insert(uid);
    }
    lines.sort();
    return lines;
}

} // namespace testsupport
