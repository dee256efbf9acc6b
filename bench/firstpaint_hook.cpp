// Linked into the start-up benchmark builds: once the first top-level window
// has been painted, close it the normal way (so the program saves as on Exit)
// and let the program end by itself. When BENCH_PAINT_STAMP names a file, the
// moment the paint ended is written there first (CLOCK_MONOTONIC, in
// nanoseconds), so the launcher's start time gives the start-up alone.
//
// Built with BENCH_CLOSE_AFTER_ICON, the window closes only once the
// application's window icon has been set, as it has been by the time a person
// closes the program: the close then includes what loading the icon costs.
#include <QApplication>
#include <QCoreApplication>
#include <QEvent>
#include <QFile>
#include <QIcon>
#include <QPointer>
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
        if (!painted_ && event->type() == QEvent::Paint && watched->isWidgetType()) {
            auto *widget = static_cast<QWidget *>(watched);
            if (widget->isWindow()) {
                painted_ = widget;
                // Queued: runs after this paint has finished.
                QTimer::singleShot(0, widget, [this, widget] {
                    writePaintStamp();
#ifdef BENCH_CLOSE_AFTER_ICON
                    if (QApplication::windowIcon().isNull()) {
                        // Should the icon never come, the window closes anyway
                        // and the figure shows the wait.
                        QTimer::singleShot(2000, widget, [this] { closeOnce(); });
                        return;
                    }
#endif
                    closeOnce();
                });
            }
        }
#ifdef BENCH_CLOSE_AFTER_ICON
        if (painted_ && event->type() == QEvent::ApplicationWindowIconChange)
            QTimer::singleShot(0, painted_, [this] { closeOnce(); });
#endif
        return false;
    }

private:
    void closeOnce()
    {
        if (!closed_ && painted_) {
            closed_ = true;
            painted_->close();
        }
    }

    QPointer<QWidget> painted_;
    bool closed_ = false;
};

void installCloser()
{
    QCoreApplication::instance()->installEventFilter(
        new FirstPaintCloser(QCoreApplication::instance()));
}

} // namespace

Q_COREAPP_STARTUP_FUNCTION(installCloser)
