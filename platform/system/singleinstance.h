#pragma once

#include <QObject>
#include <QString>
#include <QStringList>
#include <functional>
#include <optional>

class QLocalServer;
class QLocalSocket;
class QWidget;

namespace platform {

// Where the copy that holds a data folder listens for later starts: a socket
// in the user's private runtime folder ($XDG_RUNTIME_DIR), named after the
// data folder. Empty when there is no such folder or the path would not fit
// in a socket address.
QString handOverSocketPath(const QString &dataFolder);

// Asks the copy of Quorvel that holds the data folder to bring its window
// forward and import the contact files (absolute paths), trying until it
// listens. True once that copy has confirmed; false when no confirmation came
// within the time given.
bool askRunningCopyToShow(const QString &dataFolder, const QStringList &files = {},
                          int timeoutMs = 2000);

// What the copy that holds the data folder answered to a sync: the exit
// status and the texts `quorvel --sync` prints.
struct SyncAnswer
{
    int status = 1;
    QString out;
    QString err;
};

// Asks the copy of Quorvel that holds the data folder to sync and waits for
// its answer; nothing when no copy answers there.
std::optional<SyncAnswer> askRunningCopyToSync(const QString &dataFolder);

// Shows, raises and activates the window, and any dialog it has open above
// it. Where the desktop keeps the focus elsewhere (as Wayland may for a
// request from another process), the window asks for attention instead.
void bringToFront(QWidget *window);

// Listens for later starts while this copy holds its data folder, and brings
// its window forward for each, with the files it was started for.
class HandOverServer : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(HandOverServer)

public:
    // showWindow brings the window forward and takes the files to import; it
    // returns false when there is no window to show any more (the program is
    // closing), and the request is then left unconfirmed.
    explicit HandOverServer(std::function<bool(const QStringList &files)> showWindow,
                            QObject *parent = nullptr);
    ~HandOverServer() override;

    // Removes a socket left by a copy that ended without closing it, then
    // listens. Call only while holding the data folder's lock: no other copy
    // can be listening for it then.
    bool listen(const QString &dataFolder);

    // Takes a sync asked for by a later start: sync calls answer once with
    // the outcome (from the event loop); it returns false when there is no
    // window to sync any more.
    using Answer = std::function<void(const SyncAnswer &)>;
    std::function<bool(Answer answer)> syncWindow;

private:
    void serve(QLocalSocket *connection);

    std::function<bool(const QStringList &)> showWindow_;
    QLocalServer *server_ = nullptr;
};

} // namespace platform
