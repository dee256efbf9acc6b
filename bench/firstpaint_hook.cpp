// Linked into the start-up benchmark builds: once the first top-level window
// has been painted, close it the normal way (so the program saves as on Exit)
// and let the program end by itself.
#include <QCoreApplication>
#include <QEvent>
#include <QTimer>
#include <QWidget>

namespace {

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
                // Queued: the close runs after this paint has finished.
                QTimer::singleShot(0, widget, [widget] { widget->close(); });
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
