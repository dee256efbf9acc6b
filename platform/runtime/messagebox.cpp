#include "platform/runtime/messagebox.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>

namespace platform {

namespace {

MessageHandler &handler()
{
    static MessageHandler current;
    return current;
}

QMessageBox::Icon iconFor(int style)
{
    switch (style & 0x70) {
    case vbCritical:
        return QMessageBox::Critical;
    case vbQuestion:
        return QMessageBox::Question;
    case vbExclamation:
        return QMessageBox::Warning;
    case vbInformation:
        return QMessageBox::Information;
    default:
        return QMessageBox::NoIcon;
    }
}

int showReal(const MessageRequest &request, QWidget *parent)
{
    QMessageBox box(iconFor(request.style), request.title, request.prompt, QMessageBox::NoButton,
                    parent ? parent : QApplication::activeWindow());
    // Prompts are plain text: a name such as "<b>x" is shown as it is typed.
    box.setTextFormat(Qt::PlainText);
    switch (request.style & 0x0F) {
    case vbYesNo: {
        box.addButton(QMessageBox::Yes);
        box.addButton(QMessageBox::No);
        const int answer = box.exec();
        return answer == QMessageBox::Yes ? vbYes : vbNo;
    }
    case vbRetryCancel: {
        QPushButton *retry = box.addButton(QMessageBox::Retry);
        box.addButton(QMessageBox::Cancel);
        box.setDefaultButton(retry);
        box.exec();
        return box.clickedButton() == retry ? vbRetry : vbCancel;
    }
    case vbRetryDiscardCancel: {
        QPushButton *retry = box.addButton(QMessageBox::Retry);
        QPushButton *discard = box.addButton(QMessageBox::Discard);
        box.addButton(QMessageBox::Cancel);
        box.setDefaultButton(retry);
        box.exec();
        if (box.clickedButton() == retry)
            return vbRetry;
        if (box.clickedButton() == discard)
            return vbDiscard;
        return vbCancel;
    }
    default:
        box.addButton(QMessageBox::Ok);
        box.exec();
        return vbOK;
    }
}

} // namespace

MessageHandler setMessageHandler(MessageHandler newHandler)
{
    MessageHandler previous = std::move(handler());
    handler() = std::move(newHandler);
    return previous;
}

int MsgBox(const QString &prompt, int style, const QString &title, QWidget *parent)
{
    MessageRequest request{prompt, style,
                           title.isEmpty() ? QString::fromLatin1(kApplicationTitle) : title};
    if (handler())
        return handler()(request);
    return showReal(request, parent);
}

} // namespace platform
