#include "platform/controls/picturebox.h"

#include "platform/controls/accessibility.h"
#include "platform/controls/palette.h"

#include <QAccessible>
#include <QColor>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPalette>

namespace platform {

PictureBox::PictureBox(QWidget *parent) : QFrame(parent)
{
    installAccessibility();
    setFrameStyle(QFrame::Panel | QFrame::Sunken);
    setLineWidth(1);
    setAutoFillBackground(true);
    setFocusPolicy(Qt::StrongFocus);
    setBackColor(0);
}

void PictureBox::setBackColor(core::ColorValue color)
{
    backColor_ = color & 0xFFFFFFu;
    QPalette pal = palette();
    pal.setColor(QPalette::Window, toQColor(backColor_));
    setPalette(pal);
    // Its accessible name is its colour.
    QAccessibleEvent renamed(this, QAccessible::NameChanged);
    QAccessible::updateAccessibility(&renamed);
}

void PictureBox::press()
{
    emit click();
}

void PictureBox::mouseReleaseEvent(QMouseEvent *event)
{
    QFrame::mouseReleaseEvent(event);
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()))
        press();
}

void PictureBox::keyPressEvent(QKeyEvent *event)
{
    const bool plain = (event->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier;
    switch (event->key()) {
    case Qt::Key_Space:
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_F4:
        if (plain) {
            press();
            return;
        }
        break;
    default:
        break;
    }
    QFrame::keyPressEvent(event);
}

void PictureBox::paintEvent(QPaintEvent *event)
{
    QFrame::paintEvent(event);
    if (!hasFocus())
        return;
    // A dotted frame inside the border, light on dark colours and dark on
    // light ones, so that it shows whatever the colour.
    QPainter p(this);
    const QColor fill = toQColor(backColor_);
    p.setPen(QPen(fill.lightness() < 128 ? Qt::white : Qt::black, 1, Qt::DotLine));
    p.drawRect(contentsRect().adjusted(1, 1, -2, -2));
}

} // namespace platform
