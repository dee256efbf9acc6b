#include "platform/controls/staticedge.h"

#include <QEvent>
#include <QPainter>
#include <QWidget>

namespace officeBorders {

namespace {

constexpr char kEdgeName[] = "staticEdge";

// A transparent child laid over the whole control that paints the frame on
// top of whatever the control draws, and follows the control's size.
class StaticEdge final : public QWidget
{
public:
    explicit StaticEdge(QWidget *control) : QWidget(control)
    {
        setObjectName(QLatin1String(kEdgeName));
        setAttribute(Qt::WA_TransparentForMouseEvents);
        setAttribute(Qt::WA_NoSystemBackground);
        setFocusPolicy(Qt::NoFocus);
        control->installEventFilter(this);
        setGeometry(control->rect());
        raise();
        show();
    }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (watched == parent() && event->type() == QEvent::Resize) {
            setGeometry(parentWidget()->rect());
            raise();
        }
        return false;
    }

    void paintEvent(QPaintEvent *) override
    {
        QPainter p(this);
        const QRect r = rect().adjusted(0, 0, -1, -1);
        p.setPen(palette().color(QPalette::Dark));
        p.drawLine(r.topLeft(), r.topRight());
        p.drawLine(r.topLeft(), r.bottomLeft());
        p.setPen(palette().color(QPalette::Light));
        p.drawLine(r.bottomLeft(), r.bottomRight());
        p.drawLine(r.topRight(), r.bottomRight());
    }
};

} // namespace

void ApplyStaticEdge(QWidget *control)
{
    if (!control || HasStaticEdge(control))
        return;
    auto *edge = new StaticEdge(control); // owned by the control
    edge->update();
}

bool HasStaticEdge(const QWidget *control)
{
    return control &&
           control->findChild<QWidget *>(QLatin1String(kEdgeName), Qt::FindDirectChildrenOnly);
}

} // namespace officeBorders
