#include "platform/system/singleinstance.h"

#include <QApplication>
#include <QCryptographicHash>
#include <QDeadlineTimer>
#include <QDir>
#include <QLocalServer>
#include <QLocalSocket>
#include <QLoggingCategory>
#include <QPointer>
#include <QStandardPaths>
#include <QThread>
#include <QTimer>
#include <QUrl>
#include <QWidget>

#include <optional>

#ifdef Q_OS_UNIX
#include <sys/un.h>
#endif

// Off unless asked for: QT_LOGGING_RULES="quorvel.handover.debug=true".
Q_LOGGING_CATEGORY(lcHandOver, "quorvel.handover", QtInfoMsg)

namespace platform {

namespace {

// A request is one line: "show", then for each file to import a tab and its
// path, percent-encoded UTF-8. A connection that sends a longer line, or
// nothing for this long, is dropped.
constexpr char kRequest[] = "show";
constexpr char kConfirmation[] = "shown\n";
// A sync: "sync"; answered when it has ended with "synced", a tab, the exit
// status, a tab, and the standard output and error texts, percent-encoded
// UTF-8 separated by a tab.
constexpr char kSyncRequest[] = "sync\n";
constexpr char kSyncAnswer[] = "synced";
constexpr qint64 kMaxRequestBytes = 1 << 20;
constexpr int kConnectionTimeoutMs = 5000;
constexpr unsigned long kRetryMs = 25;
// How long the desktop has to give the window the focus before the window
// asks for attention instead.
constexpr int kActivationWaitMs = 500;

QByteArray request(const QStringList &files)
{
    QByteArray line = kRequest;
    for (const QString &file : files)
        line += '\t' + QUrl::toPercentEncoding(file);
    return line + '\n';
}

// The files of a request line, or nothing when it is not one.
std::optional<QStringList> filesOfRequest(const QByteArray &line)
{
    if (!line.endsWith('\n'))
        return std::nullopt;
    const QList<QByteArray> fields = line.chopped(1).split('\t');
    if (fields.constFirst() != kRequest)
        return std::nullopt;
    QStringList files;
    for (qsizetype i = 1; i < fields.size(); ++i)
        files.append(QString::fromUtf8(QByteArray::fromPercentEncoding(fields[i])));
    return files;
}

} // namespace

QString handOverSocketPath(const QString &dataFolder)
{
    const QString runtime = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (runtime.isEmpty())
        return {};
    const QByteArray key =
        QCryptographicHash::hash(QDir::cleanPath(QDir(dataFolder).absolutePath()).toUtf8(),
                                 QCryptographicHash::Sha256)
            .toHex()
            .left(16);
    const QString path =
        QStringLiteral("%1/quorvel-%2.socket").arg(runtime, QString::fromLatin1(key));
#ifdef Q_OS_UNIX
    // The path and its terminating NUL must fit in the socket address.
    if (QFile::encodeName(path).size() >= qsizetype(sizeof(sockaddr_un::sun_path)))
        return {};
#endif
    return path;
}

namespace {

// Connects to the running copy's socket. A copy that has just taken the lock
// may still be loading: until it listens, its socket is missing or refuses.
bool connectToRunningCopy(QLocalSocket &socket, const QString &path, const QDeadlineTimer &deadline)
{
    for (;;) {
        socket.connectToServer(path);
        if (socket.waitForConnected(int(deadline.remainingTime())))
            return true;
        if (deadline.hasExpired())
            return false;
        QThread::msleep(kRetryMs);
    }
}

} // namespace

bool askRunningCopyToShow(const QString &dataFolder, const QStringList &files, int timeoutMs)
{
    const QString path = handOverSocketPath(dataFolder);
    if (path.isEmpty())
        return false;
    const QDeadlineTimer deadline(timeoutMs);
    QLocalSocket socket;
    if (!connectToRunningCopy(socket, path, deadline))
        return false;
    socket.write(request(files));
    QByteArray reply;
    while (!reply.contains('\n') && reply.size() <= qsizetype(sizeof(kConfirmation))) {
        if (!socket.waitForReadyRead(int(deadline.remainingTime())))
            return false;
        reply += socket.readAll();
    }
    return reply == kConfirmation;
}

std::optional<SyncAnswer> askRunningCopyToSync(const QString &dataFolder)
{
    const QString path = handOverSocketPath(dataFolder);
    if (path.isEmpty())
        return std::nullopt;
    QLocalSocket socket;
    if (!connectToRunningCopy(socket, path, QDeadlineTimer(kConnectionTimeoutMs)))
        return std::nullopt;
    socket.write(kSyncRequest);
    // As long as the sync takes: the answer comes, or the copy goes.
    QByteArray reply;
    while (!reply.endsWith('\n') && reply.size() <= kMaxRequestBytes) {
        if (!socket.waitForReadyRead(-1))
            return std::nullopt;
        reply += socket.readAll();
    }
    // Only the line end goes: an empty last field (no errors) is a field.
    const QList<QByteArray> fields = reply.chopped(1).split('\t');
    if (!reply.endsWith('\n') || fields.size() != 4 || fields[0] != kSyncAnswer)
        return std::nullopt;
    const auto text = [](const QByteArray &field) {
        return QString::fromUtf8(QByteArray::fromPercentEncoding(field));
    };
    return SyncAnswer{fields[1].toInt(), text(fields[2]), text(fields[3])};
}

void bringToFront(QWidget *window)
{
    window->setWindowState((window->windowState() & ~Qt::WindowMinimized) | Qt::WindowActive);
    window->show();
    window->raise();
    window->activateWindow();
    if (QWidget *dialog = QApplication::activeModalWidget(); dialog && dialog != window) {
        dialog->raise();
        dialog->activateWindow();
    }
    QTimer::singleShot(kActivationWaitMs, window, [window] {
        const bool active = QApplication::activeWindow() != nullptr;
        if (!active)
            QApplication::alert(window);
        qCDebug(lcHandOver) << (active ? "window brought forward and active"
                                       : "window brought forward; the desktop kept the focus, "
                                         "asked for attention");
    });
}

HandOverServer::HandOverServer(std::function<bool(const QStringList &)> showWindow, QObject *parent)
    : QObject(parent), showWindow_(std::move(showWindow)), server_(new QLocalServer(this))
{
    server_->setSocketOptions(QLocalServer::UserAccessOption);
    connect(server_, &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket *connection = server_->nextPendingConnection())
            serve(connection);
    });
}

HandOverServer::~HandOverServer() = default;

bool HandOverServer::listen(const QString &dataFolder)
{
    const QString path = handOverSocketPath(dataFolder);
    if (path.isEmpty())
        return false;
    QLocalServer::removeServer(path);
    const bool listening = server_->listen(path);
    if (listening)
        qCDebug(lcHandOver) << "listening at" << path;
    else
        qCDebug(lcHandOver) << "cannot listen at" << path << server_->errorString();
    return listening;
}

void HandOverServer::serve(QLocalSocket *connection)
{
    connect(connection, &QLocalSocket::disconnected, connection, &QObject::deleteLater);
    auto *timeout = new QTimer(connection);
    timeout->setSingleShot(true);
    connect(timeout, &QTimer::timeout, connection, &QLocalSocket::abort);
    timeout->start(kConnectionTimeoutMs);
    connect(connection, &QLocalSocket::readyRead, this, [this, connection, timeout] {
        if (!connection->canReadLine()) {
            if (connection->bytesAvailable() > kMaxRequestBytes)
                connection->abort();
            return;
        }
        const QByteArray line = connection->readLine(kMaxRequestBytes + 1);
        if (line == kSyncRequest) {
            // The sync takes as long as it takes; the connection waits.
            timeout->stop();
            const QPointer<QLocalSocket> asking = connection;
            const bool taken = syncWindow && syncWindow([asking](const SyncAnswer &answer) {
                                   if (!asking)
                                       return;
                                   asking->write(QByteArray(kSyncAnswer) + '\t' +
                                                 QByteArray::number(answer.status) + '\t' +
                                                 QUrl::toPercentEncoding(answer.out) + '\t' +
                                                 QUrl::toPercentEncoding(answer.err) + '\n');
                                   asking->disconnectFromServer();
                               });
            if (!taken)
                connection->disconnectFromServer();
            return;
        }
        const std::optional<QStringList> files = filesOfRequest(line);
        if (files && showWindow_(*files))
            connection->write(kConfirmation);
        connection->disconnectFromServer();
    });
}

} // namespace platform
