#pragma once

#include <QObject>
#include <QPointer>
#include <QRect>
#include <QSize>
#include <QSizeF>
#include <vector>

class QWidget;

namespace platform {

// How a control shares in the room its parent has beyond the design's size:
// the fractions of the extra width and height by which it moves and grows.
struct Follow
{
    double moveX = 0;
    double growW = 0;
    double moveY = 0;
    double growH = 0;
};

// The design's sizes are in twips at 96 dpi for Arial 8.25 pt: a larger or
// wider font (or a higher resolution) makes every twip as much larger.
// Returns the scales of width and height.
QSizeF fontScale(const QWidget *widget);

// Lays a window's controls out as the design places them (twip rectangles),
// scaled with the window's font, and moves and stretches them as the window
// grows: the design's size is the window's default and its smallest one. A
// bar (the menu bar) may sit above the design's client area, and one (the
// status line) below it, adding their heights to the window's.
class DesignLayout final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(DesignLayout)

public:
    DesignLayout(QWidget *window, int widthTwips, int heightTwips);

    // Places a child of the window, or of a control placed before it, at a
    // twip rectangle (left, top, width, height) of its parent. A label or
    // check box is never narrower than its text.
    void place(QWidget *control, QRect twips, Follow follow = {});
    void setTopBar(QWidget *bar);
    // A bar (the status line) below the design's client area, adding its
    // height to the window's.
    void setBottomBar(QWidget *bar);
    // A twip rectangle in pixels at the window's font.
    QRect scaled(QRect twips) const;
    QSize defaultSize() const;
    // The default size becomes the window's size and its smallest one.
    void start();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void apply();
    QSize baseOf(const QWidget *parent) const;

    struct Item
    {
        QPointer<QWidget> control;
        QRect twips;
        Follow follow;
    };
    QWidget *window_;
    QSizeF scale_;
    QSize design_;
    QPointer<QWidget> bar_;
    QPointer<QWidget> bottomBar_;
    std::vector<Item> items_;
};

// Puts a top-level window where it was and at the size it had when it was
// last hidden (kept in the user's configuration under name), and remembers
// them each time it is hidden.
void rememberGeometry(QWidget *window, const QString &name);

} // namespace platform
