#include "keyevents.h"

#include <QKeyEvent>

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

KeyNotifier::KeyNotifier(QObject *watched) : QObject(watched)
{
    watched->installEventFilter(this);
}

bool KeyNotifier::eventFilter(QObject *, QEvent *event)
{
    if (event->type() == QEvent::KeyPress) {
        const auto *key = static_cast<QKeyEvent *>(event);
        swallow_ = false;
        emit keyDown(keyCodeOf(key), shiftOf(key));
        const bool swallowed = swallow_;
        swallow_ = false;
        return swallowed;
    }
    if (event->type() == QEvent::KeyRelease) {
        const auto *key = static_cast<QKeyEvent *>(event);
        emit keyUp(keyCodeOf(key), shiftOf(key));
    }
    return false;
}

} // namespace platform
