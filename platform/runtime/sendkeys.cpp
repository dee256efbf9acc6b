#include "platform/runtime/sendkeys.h"

#include <QApplication>
#include <QKeyEvent>
#include <QWidget>

namespace platform {

namespace {

int keyFor(QChar c)
{
    const QChar upper = c.toUpper();
    if (upper >= QLatin1Char('A') && upper <= QLatin1Char('Z'))
        return Qt::Key_A + (upper.unicode() - 'A');
    if (c >= QLatin1Char('0') && c <= QLatin1Char('9'))
        return Qt::Key_0 + (c.unicode() - '0');
    return upper.unicode();
}

QWidget *focusTarget()
{
    if (QWidget *focus = QApplication::focusWidget())
        return focus;
    if (QWidget *window = QApplication::activeWindow())
        return window->focusWidget();
    return nullptr;
}

} // namespace

void SendKeys(const QString &text)
{
    QWidget *target = focusTarget();
    if (!target)
        return;
    for (const QChar c : text) {
        const int key = keyFor(c);
        QCoreApplication::postEvent(
            target, new QKeyEvent(QEvent::KeyPress, key, Qt::NoModifier, QString(c)));
        QCoreApplication::postEvent(
            target, new QKeyEvent(QEvent::KeyRelease, key, Qt::NoModifier, QString(c)));
    }
}

} // namespace platform
