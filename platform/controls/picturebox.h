#pragma once

#include "core/colors/colortext.h"

#include <QFrame>

namespace platform {

// A sunken box filled with one colour that reports a click of the left button.
// It takes the focus, shows a focus frame, and Space, Enter and F4 act as a
// click. Assistive tools see a button named by its colour ("Color: 201, 83, 7")
// with a press action.
class PictureBox final : public QFrame
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(PictureBox)

public:
    explicit PictureBox(QWidget *parent = nullptr);

    core::ColorValue backColor() const { return backColor_; }
    void setBackColor(core::ColorValue color);

    // Reports a click, as the mouse and the keys do.
    void press();

signals:
    void click();

protected:
    void mouseReleaseEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void paintEvent(QPaintEvent *event) override;

private:
    core::ColorValue backColor_ = 0;
};

} // namespace platform
