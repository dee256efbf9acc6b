#pragma once

#include "core/colortext.h"

#include <QFrame>

namespace platform {

// A sunken box filled with one colour that reports a click of the left button.
class PictureBox final : public QFrame
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(PictureBox)

public:
    explicit PictureBox(QWidget *parent = nullptr);

    core::ColorValue backColor() const { return backColor_; }
    void setBackColor(core::ColorValue color);

signals:
    void click();

protected:
    void mouseReleaseEvent(QMouseEvent *event) override;

private:
    core::ColorValue backColor_ = 0;
};

} // namespace platform
