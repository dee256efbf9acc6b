#include "platform/runtime/keyevents.h"

#include <QCoreApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QWidget>
#include <QWindow>

#include <utility>

namespace platform {

int keyCodeOf(const QKeyEvent *event)
{
    const int key = event->key();
    switch (key) {
    case Qt::Key_Backspace:
        return 8;
    case Qt::Key_Tab:
        return 9;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        return 13;
    case Qt::Key_Escape:
        return 27;
    case Qt::Key_Delete:
        return 46;
    default:
        break;
    }
    if (key >= Qt::Key_A && key <= Qt::Key_Z)
        return 65 + (key - Qt::Key_A);
    if (key >= Qt::Key_0 && key <= Qt::Key_9)
        return 48 + (key - Qt::Key_0);
    if (key >= Qt::Key_F1 && key <= Qt::Key_F12)
        return 112 + (key - Qt::Key_F1);
    return key;
}

int shiftOf(const QKeyEvent *event)
{
    return shiftOf(event->modifiers());
}

int shiftOf(Qt::KeyboardModifiers mods)
{
    return (mods & Qt::ShiftModifier ? 1 : 0) | (mods & Qt::ControlModifier ? 2 : 0) |
           (mods & Qt::AltModifier ? 4 : 0);
}

namespace {

class RedoKeys final : public QObject
{
public:
    explicit RedoKeys(QLineEdit *box) : QObject(box) { box->installEventFilter(this); }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() != QEvent::ShortcutOverride && event->type() != QEvent::KeyPress)
            return false;
        const QKeyCombination key = static_cast<QKeyEvent *>(event)->keyCombination();
        if (key != QKeyCombination(Qt::ControlModifier, Qt::Key_Y) &&
            key != QKeyCombination(Qt::ControlModifier | Qt::ShiftModifier, Qt::Key_Z))
            return false;
        // The box claims the key before any shortcut, then redoes its typing.
        if (event->type() == QEvent::ShortcutOverride)
            event->accept();
        else
            static_cast<QLineEdit *>(watched)->redo();
        return true;
    }
};

} // namespace

void keepRedoKeys(QLineEdit *box)
{
    new RedoKeys(box);
}

KeyNotifier::KeyNotifier(QWidget *watched, Scope scope) : QObject(watched)
{
    if (scope == Scope::Widget) {
        watched->installEventFilter(this);
        return;
    }
    // Every key typed in a window reaches its platform window first, once,
    // before the window hands it to the control with the focus.
    window_ = watched;
    QCoreApplication::instance()->installEventFilter(this);
}

bool KeyNotifier::eventFilter(QObject *watched, QEvent *event)
{
    if (window_ && (!window_->windowHandle() || watched != window_->windowHandle()))
        return false;
    if (event->type() == QEvent::KeyPress) {
        const auto *key = static_cast<QKeyEvent *>(event);
        swallow_ = false;
        emit keyDown(keyCodeOf(key), shiftOf(key));
        int keyAscii = 0;
        if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter)
            keyAscii = 13;
        else if (!key->text().isEmpty())
            keyAscii = key->text().at(0).unicode();
        if (!swallow_ && keyAscii != 0) {
            emit keyPress(keyAscii);
            swallow_ = keyAscii == 0;
        }
        const bool swallowed = swallow_;
        swallow_ = false;
        return swallowed;
    }
    if (event->type() == QEvent::KeyRelease) {
        const auto *key = static_cast<QKeyEvent *>(event);
        swallow_ = false;
        if (!key->isAutoRepeat())
            emit keyUp(keyCodeOf(key), shiftOf(key));
        return std::exchange(swallow_, false);
    }
    return false;
}

} // namespace platform
