#pragma once

#include <QString>
#include <functional>

class QWidget;

namespace platform {

inline constexpr char kApplicationTitle[] = "Quorvel";

// Message box styles: one button set plus one icon.
enum MsgStyle : int {
    vbOKOnly = 0,
    vbYesNo = 4,
    vbRetryCancel = 5,
    vbRetryDiscardCancel = 6,
    vbCritical = 16,
    vbQuestion = 32,
    vbExclamation = 48,
    vbInformation = 64,
};

// The button the user chose.
enum MsgAnswer : int {
    vbOK = 1,
    vbCancel = 2,
    vbRetry = 4,
    vbYes = 6,
    vbNo = 7,
    vbDiscard = 8,
};

struct MessageRequest
{
    QString prompt;
    int style = vbOKOnly;
    QString title; // as shown: the application title when none was given
};

using MessageHandler = std::function<int(const MessageRequest &)>;

// Replaces what shows message boxes (tests answer them here) and returns the
// handler that was in place. An empty handler restores the real boxes.
MessageHandler setMessageHandler(MessageHandler handler);

// Shows a modal message box and returns the answer. Without a title the box
// carries the application title.
int MsgBox(const QString &prompt, int style = vbOKOnly, const QString &title = {},
           QWidget *parent = nullptr);

} // namespace platform
