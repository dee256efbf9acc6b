#pragma once

#include <QObject>

class QKeyEvent;

namespace platform {

// Key codes as the windows' handlers know them: Backspace 8, Enter 13,
// Delete 46, letters 65..90, digits 48..57, F1 112. Other keys give their Qt
// key value, which no handler looks at.
int keyCodeOf(const QKeyEvent *event);

// Shift state: 1 Shift, 2 Ctrl, 4 Alt, combined.
int shiftOf(const QKeyEvent *event);
int shiftOf(Qt::KeyboardModifiers modifiers);

// Reports the key presses and releases of one widget before the widget
// itself sees them. A handler may swallow a press with swallowCurrent().
class KeyNotifier : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(KeyNotifier)

public:
    explicit KeyNotifier(QObject *watched);

    // Called from a keyDown handler: the widget does not get this key.
    void swallowCurrent() { swallow_ = true; }

signals:
    void keyDown(int keyCode, int shift);
    void keyUp(int keyCode, int shift);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    bool swallow_ = false;
};

} // namespace platform
