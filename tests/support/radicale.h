#pragma once

#include <QProcess>
#include <QString>
#include <QTemporaryDir>
#include <QUrl>

namespace testsupport {

// A real Radicale server of Debian's package on a free port of 127.0.0.1,
// with a folder of its own and one htpasswd user, stopped when it goes.
class Radicale
{
public:
    Radicale() = default;
    ~Radicale();
    Q_DISABLE_COPY_MOVE(Radicale)

    // Why no server can be started here (empty when Radicale is installed).
    static QString missing();
    // Starts it and waits until it answers; false with error() otherwise.
    // With https, it serves HTTPS with a self-signed certificate made now.
    // Started again after stop(), it serves the same port and books.
    bool start(bool https = false);
    // Kills it at once, as a server that goes away mid-request.
    void stop();
    const QString &error() const { return error_; }

    QUrl url(const QString &path = QStringLiteral("/")) const;
    static QString user() { return QStringLiteral("alice"); }
    static QString password() { return QStringLiteral("s3cret pass"); }
    // Makes an address book of the user, as another client would, and gives its URL.
    QUrl addBook(const QString &name, const QString &displayName) const;
    // The cards the server keeps in a book, as its folder holds them.
    QList<QByteArray> cards(const QString &name) const;
    // The SHA-256 fingerprint of its certificate as openssl prints it
    // ("AB:12:..."), empty over plain HTTP.
    const QString &fingerprint() const { return fingerprint_; }

private:
    QTemporaryDir dir_;
    QProcess process_;
    int port_ = 0;
    QString error_;
    QString fingerprint_;
};

// The entries of a directory file, or of cards, one line each as the
// directory file holds them, sorted; a card without a name or a UID, or a UID
// twice, shows as a line without '|'.
QStringList directoryLines(const QString &path);
QStringList cardLines(const QList<QByteArray> &cards);

} // namespace testsupport
