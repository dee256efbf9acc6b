// Linked into the start-up benchmark builds: once the first top-level window
// has been painted, close it the normal way (so the program saves as on Exit)
// and let the program end by itself. When BENCH_PAINT_STAMP names a file, the
// moment the paint ended is written there first (CLOCK_MONOTONIC, in
// nanoseconds), so the launcher's start time gives the start-up alone.
#include <QCoreApplication>
#include <QEvent>
#include <QFile>
#include <QTimer>
#include <QWidget>

#include <ctime>

namespace {

void writePaintStamp()
{
    const QString path = qEnvironmentVariable("BENCH_PAINT_STAMP");
    if (path.isEmpty())
        return;
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    QFile file(path);
    if (file.open(QIODevice::WriteOnly))
        file.write(QByteArray::number(qint64(now.tv_sec) * 1000000000 + now.tv_nsec));
}

class FirstPaintCloser final : public QObject
{
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (!done_ && event->type() == QEvent::Paint && watched->isWidgetType()) {
            auto *widget = static_cast<QWidget *>(watched);
            if (widget->isWindow()) {
                done_ = true;
                // Queued: runs after this paint has finished.
                QTimer::singleShot(0, widget, [widget] {
                    writePaintStamp();
                    widget->close();
                });
            }
        }
        return false;
    }

private:
    bool done_ = false;
};

void installCloser()
{
    QCoreApplication::instance()->installEventFilter(
        new FirstPaintCloser(QCoreApplication::instance()));
}

} // namespace

Q_COREAPP_STARTUP_FUNCTION(installCloser)
