#pragma once

#include <QObject>

class QKeyEvent;
class QLineEdit;
class QWidget;

namespace platform {

// Key codes as the windows' handlers know them: Backspace 8, Enter 13,
// Delete 46, letters 65..90, digits 48..57, F1 112. Other keys give their Qt
// key value, which no handler looks at.
int keyCodeOf(const QKeyEvent *event);

// Shift state: 1 Shift, 2 Ctrl, 4 Alt, combined.
int shiftOf(const QKeyEvent *event);
int shiftOf(Qt::KeyboardModifiers modifiers);

// Ctrl+Y and Ctrl+Shift+Z redo the box's typing on every platform (some
// bind only one of them), so that while the box has the focus the window's
// own commands on those keys never act in its place.
void keepRedoKeys(QLineEdit *box);

// Reports the key presses and releases of one widget before the widget
// itself sees them (and of its children, when they leave a key to it), or,
// for a window's key preview, every key typed in the window before any of
// its controls sees it. A handler may swallow a key with swallowCurrent().
// The windows handle their own keys (KeyDown, KeyPress, KeyUp) through it;
// commands with keys of their own are actions with shortcuts.
class KeyNotifier : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(KeyNotifier)

public:
    enum class Scope { Widget, Window };
    explicit KeyNotifier(QWidget *watched, Scope scope = Scope::Widget);

    // Called from a handler: the widget (the window's controls) does not get
    // this key.
    void swallowCurrent() { swallow_ = true; }

signals:
    void keyDown(int keyCode, int shift);
    // A press that types a character (Enter gives 13, Backspace 8): its
    // character code. A handler that sets it to 0 swallows the key.
    void keyPress(int &keyAscii);
    // A release; a key held down is reported once, when it is let go.
    void keyUp(int keyCode, int shift);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QWidget *window_ = nullptr;
    bool swallow_ = false;
};

} // namespace platform
