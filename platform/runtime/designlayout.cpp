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

QSizeF fontScale(const QWidget *widget)
{
    const QFont font = widget->font();
    // The font's size in pixels against the design's, 8.25 pt at 96 dpi.
    const double size =
        QFontInfo(font).pointSizeF() * widget->logicalDpiY() / (kDesignPointSize * kDesignDpi);
    // A font wider or taller than the design's at the same size (Arial, or
    // the metric-compatible Liberation Sans) stretches the layout as much.
    QFont design(font);
    design.setFamilies({QStringLiteral("Arial"), QStringLiteral("Liberation Sans")});
    const QFontMetricsF ours(font);
    const QFontMetricsF theirs(design);
    const QString sample =
        QStringLiteral("The quick brown fox jumps over the lazy dog: 0123456789");
    return {size * std::max(1.0, ours.horizontalAdvance(sample) / theirs.horizontalAdvance(sample)),
            size * std::max(1.0, ours.height() / theirs.height())};
}

DesignLayout::DesignLayout(QWidget *window, int widthTwips, int heightTwips)
    : QObject(window), window_(window), scale_(fontScale(window)), design_(widthTwips, heightTwips)
{
    window->installEventFilter(this);
}

QRect DesignLayout::scaled(QRect twips) const
{
    const auto pixels = [](int value, double scale) {
        return static_cast<int>(std::lround(value * scale / kTwipsPerPixel));
    };
    return {pixels(twips.left(), scale_.width()), pixels(twips.top(), scale_.height()),
            pixels(twips.width(), scale_.width()), pixels(twips.height(), scale_.height())};
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

void DesignLayout::setBottomBar(QWidget *bar)
{
    bottomBar_ = bar;
    apply();
}

QSize DesignLayout::defaultSize() const
{
    return scaled(QRect({}, design_)).size() +
           QSize(0, (bar_ ? bar_->sizeHint().height() : 0) +
                        (bottomBar_ ? bottomBar_->sizeHint().height() : 0));
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
            return scaled(item.twips).size();
    return parent->size();
}

void DesignLayout::apply()
{
    const int barHeight = bar_ ? bar_->sizeHint().height() : 0;
    if (bar_)
        bar_->setGeometry(0, 0, window_->width(), barHeight);
    if (bottomBar_) {
        const int height = bottomBar_->sizeHint().height();
        bottomBar_->setGeometry(0, window_->height() - height, window_->width(), height);
    }
    // Parents come before their children, so each child sees its parent's new size.
    for (const Item &item : items_) {
        QWidget *control = item.control;
        if (!control)
            continue;
        QWidget *parent = control->parentWidget();
        const QSize extra = (parent->size() - baseOf(parent)).expandedTo({0, 0});
        const int top = parent == window_ ? barHeight : 0;
        const Follow &f = item.follow;
        const QRect design = scaled(item.twips);
        QRect place(design.left() + share(extra.width(), f.moveX),
                    top + design.top() + share(extra.height(), f.moveY),
                    design.width() + share(extra.width(), f.growW),
                    design.height() + share(extra.height(), f.growH));
        if (qobject_cast<QLabel *>(control) || qobject_cast<QCheckBox *>(control))
            place.setWidth(std::max(place.width(), control->sizeHint().width()));
        control->setGeometry(place);
    }
}

bool DesignLayout::eventFilter(QObject *watched, QEvent *event)
{
    if (watched != window_)
        return false;
    if (event->type() == QEvent::FontChange) {
        // The desktop's font changed while the window is open.
        scale_ = fontScale(window_);
        window_->setMinimumSize(defaultSize());
        apply();
    } else if (event->type() == QEvent::Resize) {
        apply();
    }
    return false;
}

void rememberGeometry(QWidget *window, const QString &name)
{
    const QString key = QStringLiteral("windows/") + name;
    window->restoreGeometry(windowSettings().value(key).toByteArray());
    window->installEventFilter(new GeometryKeeper(window, key));
}

} // namespace platform
