#include "picturebox.h"

#include "palette.h"

#include <QColor>
#include <QMouseEvent>
#include <QPalette>

namespace platform {

PictureBox::PictureBox(QWidget *parent) : QFrame(parent)
{
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
}

void PictureBox::mouseReleaseEvent(QMouseEvent *event)
{
    QFrame::mouseReleaseEvent(event);
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()))
        emit click();
}

} // namespace platform
