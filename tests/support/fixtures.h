#pragma once

#include "platform/colordialog.h"
#include "platform/messagebox.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QTemporaryDir>
#include <optional>

namespace testsupport {

QByteArray readBytes(const QString &path);
void writeBytes(const QString &path, const QByteArray &bytes);

// The 17 lines of the Default keyword colour file, each ended by CR LF.
QByteArray defaultKeywordFileBytes();

// A temporary application folder with the current user's data folder path.
class AppFolder
{
public:
    AppFolder();
    QString path() const { return dir_.path(); }
    QString dataFolder() const;
    QString directoryFile() const;
    QString keywordFile() const;
    // Creates the data folder and writes the directory file's bytes.
    void writeDirectory(const QByteArray &bytes) const;
    void writeKeywords(const QByteArray &bytes) const;
    QByteArray directoryBytes() const { return readBytes(directoryFile()); }

private:
    QTemporaryDir dir_;
};

// Answers message boxes while it lives: records every request and gives the
// queued answers in order (OK once the queue is empty).
class MessageRecorder
{
public:
    explicit MessageRecorder(QList<int> answers = {});
    ~MessageRecorder();
    MessageRecorder(const MessageRecorder &) = delete;
    MessageRecorder &operator=(const MessageRecorder &) = delete;

    const QList<platform::MessageRequest> &requests() const { return requests_; }
    QStringList prompts() const;

private:
    QList<int> answers_;
    QList<platform::MessageRequest> requests_;
    platform::MessageHandler previous_;
};

// Answers the colour dialog while it lives: records the colour the dialog held
// at each opening and gives the queued answers in order, a colour or nothing
// for Cancel (Cancel once the queue is empty).
class ColorDialogRecorder
{
public:
    explicit ColorDialogRecorder(QList<std::optional<core::ColorValue>> answers = {});
    ~ColorDialogRecorder();
    ColorDialogRecorder(const ColorDialogRecorder &) = delete;
    ColorDialogRecorder &operator=(const ColorDialogRecorder &) = delete;

    // The colour the dialog held each time it was opened.
    const QList<core::ColorValue> &offered() const { return offered_; }

private:
    QList<std::optional<core::ColorValue>> answers_;
    QList<core::ColorValue> offered_;
    platform::ColorHandler previous_;
};

} // namespace testsupport
