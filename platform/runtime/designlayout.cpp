#include "platform/runtime/designlayout.h"

#include <QCheckBox>
#include <QEvent>
#include <QFontInfo>
#include <QFontMetricsF>
#include <QLabel>
#include <QSettings>
#include <QWidget>
#include <algorithm>
#include <cmath>

namespace platform {

namespace {

constexpr double kDesignPointSize = 8.25;
constexpr double kDesignDpi = 96.0;
constexpr double kTwipsPerPixel = 15.0;

int share(int extra, double fraction)
{
    return static_cast<int>(std::lround(extra * fraction));
}

QSettings windowSettings()
{
    // $XDG_CONFIG_HOME/quorvel/quorvel.conf on Linux.
    return QSettings(QStringLiteral("quorvel"), QStringLiteral("quorvel"));
}

// Saves the window's geometry whenever it is hidden.
class GeometryKeeper final : public QObject
{
public:
    GeometryKeeper(QWidget *window, const QString &key) : QObject(window), key_(key) {}

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Hide && watched == parent())
            windowSettings().setValue(key_, static_cast<QWidget *>(watched)->saveGeometry());
        return false;
    }

private:
    QString key_;
};

} // namespace

double fontScale(const QWidget *widget)
{
    const QFont font = widget->font();
    // The font's size in pixels against the design's, 8.25 pt at 96 dpi.
    const double size =
        QFontInfo(font).pointSizeF() * widget->logicalDpiY() / (kDesignPointSize * kDesignDpi);
    // A font wider than the design's (Arial, or the metric-compatible
    // Liberation Sans) makes the layout as much wider still.
    QFont design(font);
    design.setFamilies({QStringLiteral("Arial"), QStringLiteral("Liberation Sans")});
    const QString sample =
        QStringLiteral("The quick brown fox jumps over the lazy dog: 0123456789");
    const double wider = QFontMetricsF(font).horizontalAdvance(sample) /
                         QFontMetricsF(design).horizontalAdvance(sample);
    return size * std::max(1.0, wider);
}

DesignLayout::DesignLayout(QWidget *window, int widthTwips, int heightTwips)
    : QObject(window), window_(window), scale_(fontScale(window)), design_(widthTwips, heightTwips)
{
    window->installEventFilter(this);
}

int DesignLayout::scaled(int twips) const
{
    return static_cast<int>(std::lround(twips * scale_ / kTwipsPerPixel));
}

void DesignLayout::place(QWidget *control, QRect twips, Follow follow)
{
    items_.push_back({control, twips, follow});
    apply();
}

void DesignLayout::setTopBar(QWidget *bar)
{
    bar_ = bar;
    apply();
}

QSize DesignLayout::defaultSize() const
{
    return {scaled(design_.width()),
            scaled(design_.height()) + (bar_ ? bar_->sizeHint().height() : 0)};
}

void DesignLayout::start()
{
    window_->setMinimumSize(defaultSize());
    window_->resize(defaultSize());
    apply();
}

QSize DesignLayout::baseOf(const QWidget *parent) const
{
    if (parent == window_)
        return defaultSize();
    for (const Item &item : items_)
        if (item.control == parent)
            return {scaled(item.twips.width()), scaled(item.twips.height())};
    return parent->size();
}

void DesignLayout::apply()
{
    const int barHeight = bar_ ? bar_->sizeHint().height() : 0;
    if (bar_)
        bar_->setGeometry(0, 0, window_->width(), barHeight);
    // Parents come before their children, so each child sees its parent's new size.
    for (const Item &item : items_) {
        QWidget *control = item.control;
        if (!control)
            continue;
        QWidget *parent = control->parentWidget();
        const QSize extra = (parent->size() - baseOf(parent)).expandedTo({0, 0});
        const int top = parent == window_ ? barHeight : 0;
        const Follow &f = item.follow;
        QRect place(scaled(item.twips.left()) + share(extra.width(), f.moveX),
                    top + scaled(item.twips.top()) + share(extra.height(), f.moveY),
                    scaled(item.twips.width()) + share(extra.width(), f.growW),
                    scaled(item.twips.height()) + share(extra.height(), f.growH));
        if (qobject_cast<QLabel *>(control) || qobject_cast<QCheckBox *>(control))
            place.setWidth(std::max(place.width(), control->sizeHint().width()));
        control->setGeometry(place);
    }
}

bool DesignLayout::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == window_ && event->type() == QEvent::Resize)
        apply();
    return false;
}

void rememberGeometry(QWidget *window, const QString &name)
{
    const QString key = QStringLiteral("windows/") + name;
    window->restoreGeometry(windowSettings().value(key).toByteArray());
    window->installEventFilter(new GeometryKeeper(window, key));
}

} // namespace platform
