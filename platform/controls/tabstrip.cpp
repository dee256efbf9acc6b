#include "platform/controls/tabstrip.h"

#include "platform/controls/accessibility.h"
#include "platform/runtime/designlayout.h"

#include <QAccessible>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>

namespace platform {

namespace {
constexpr int kTabsPerRowMax = 13;
constexpr int kRowHeight = 20;
} // namespace

TabStrip::TabStrip(QWidget *parent) : QWidget(parent)
{
    installAccessibility();
    setFocusPolicy(Qt::TabFocus);
}

int TabStrip::addTab(const QString &caption)
{
    tabs_.append(Tab{caption, false});
    if (selected_ == 0)
        selected_ = 1;
    update();
    return count();
}

QString TabStrip::caption(int index) const
{
    return valid(index) ? tabs_.at(index - 1).caption : QString();
}

void TabStrip::setSelectedTab(int index)
{
    if (valid(index) && index != selected_) {
        selected_ = index;
        update();
        // A screen reader follows the keyboard from tab to tab.
        if (hasFocus()) {
            QAccessibleEvent moved(this, QAccessible::Focus);
            moved.setChild(index - 1);
            QAccessible::updateAccessibility(&moved);
        }
    }
}

bool TabStrip::highlighted(int index) const
{
    return valid(index) && tabs_.at(index - 1).highlighted;
}

void TabStrip::setHighlighted(int index, bool on)
{
    if (valid(index) && tabs_[index - 1].highlighted != on) {
        tabs_[index - 1].highlighted = on;
        update();
        QAccessible::State changed;
        changed.selected = true;
        QAccessibleStateChangeEvent event(this, changed);
        event.setChild(index - 1);
        QAccessible::updateAccessibility(&event);
    }
}

int TabStrip::rows() const
{
    return std::max(1, (count() + kTabsPerRowMax - 1) / kTabsPerRowMax);
}

int TabStrip::tabsPerRow() const
{
    return std::max(1, (count() + rows() - 1) / rows());
}

int TabStrip::rowHeight() const
{
    // The design's row, as tall as the font makes the rest of the layout.
    return static_cast<int>(std::lround(kRowHeight * fontScale(this).height()));
}

int TabStrip::bandHeight() const
{
    return rows() * rowHeight();
}

QRect TabStrip::tabRect(int index) const
{
    if (!valid(index))
        return {};
    const int perRow = tabsPerRow();
    const int row = (index - 1) / perRow;
    const int column = (index - 1) % perRow;
    const int left = width() * column / perRow;
    const int right = width() * (column + 1) / perRow;
    const int height = rowHeight();
    return {left, row * height, right - left, height};
}

void TabStrip::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    const QPalette &pal = palette();
    const QRect page(0, bandHeight(), width(), height() - bandHeight());
    p.fillRect(page, pal.window());
    p.setPen(pal.color(QPalette::Light));
    p.drawLine(page.topLeft(), page.bottomLeft());
    p.setPen(pal.color(QPalette::Dark));
    p.drawLine(page.bottomLeft(), page.bottomRight());
    p.drawLine(page.topRight(), page.bottomRight());
    p.setPen(pal.color(QPalette::Light));
    p.drawLine(page.topLeft(), page.topRight());

    for (int i = 1; i <= count(); ++i) {
        const bool isSelected = i == selected_;
        const bool isHighlighted = tabs_.at(i - 1).highlighted;
        QRect r = tabRect(i).adjusted(0, isSelected ? 0 : 2, -1, 0);
        const QColor fill = isHighlighted ? pal.color(QPalette::Highlight)
                            : isSelected  ? pal.color(QPalette::Window)
                                          : pal.color(QPalette::Button);
        p.fillRect(r, fill);
        p.setPen(pal.color(QPalette::Light));
        p.drawLine(r.bottomLeft(), r.topLeft());
        p.drawLine(r.topLeft(), r.topRight());
        p.setPen(pal.color(QPalette::Dark));
        p.drawLine(r.topRight(), r.bottomRight());
        if (!isSelected) {
            p.setPen(pal.color(QPalette::Mid));
            p.drawLine(r.bottomLeft(), r.bottomRight());
        }
        QFont f = font();
        f.setBold(isHighlighted);
        p.setFont(f);
        p.setPen(isHighlighted ? pal.color(QPalette::HighlightedText)
                               : pal.color(QPalette::WindowText));
        p.drawText(r, Qt::AlignCenter, tabs_.at(i - 1).caption);
        if (isSelected && hasFocus()) {
            p.setPen(QPen(pal.color(QPalette::WindowText), 1, Qt::DotLine));
            p.drawRect(r.adjusted(2, 2, -3, -3));
        }
    }
}

void TabStrip::clickTab(int index)
{
    if (!valid(index))
        return;
    setSelectedTab(index);
    emit click();
}

void TabStrip::mousePressEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton)
        return;
    const QPoint pos = event->position().toPoint();
    for (int i = 1; i <= count(); ++i) {
        if (tabRect(i).contains(pos)) {
            clickTab(i);
            return;
        }
    }
}

void TabStrip::keyPressEvent(QKeyEvent *event)
{
    if (event->modifiers() & ~Qt::KeypadModifier) {
        QWidget::keyPressEvent(event);
        return;
    }
    switch (event->key()) {
    case Qt::Key_Left:
        setSelectedTab(selected_ - 1);
        break;
    case Qt::Key_Right:
        setSelectedTab(selected_ + 1);
        break;
    case Qt::Key_Home:
        setSelectedTab(1);
        break;
    case Qt::Key_End:
        setSelectedTab(count());
        break;
    case Qt::Key_Space:
    case Qt::Key_Return:
    case Qt::Key_Enter:
        clickTab(selected_);
        break;
    default:
        QWidget::keyPressEvent(event);
    }
}

} // namespace platform
