#pragma once

#include "core/datafolder.h"
#include "core/keywordfile.h"
#include "platform/colordialog.h"
#include "platform/messagebox.h"
#include "platform/system.h"

// What most tests use, included once here.
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <functional>
#include <gtest/gtest.h>
#include <optional>
#include <ostream>

namespace platform {
class ListView;
}

// Readable failure messages for Qt strings.
inline void PrintTo(const QString &s, std::ostream *os)
{
    *os << '"' << s.toStdString() << '"';
}
inline void PrintTo(const QByteArray &b, std::ostream *os)
{
    *os << '"' << b.toStdString() << '"';
}

namespace testsupport {

inline QString u8(const char *s)
{
    return QString::fromUtf8(s);
}

// The file's bytes; a marker no test writes when it cannot be read, so that
// a missing file never passes for an empty one.
QByteArray fileBytes(const QString &path);
// Creates or replaces the file with exactly these bytes; a failure fails the test.
void writeBytes(const QString &path, const QByteArray &bytes);
// Replaces the file as another program (an editor, a sync tool) does: a new
// file renamed over it.
void replaceFile(const QString &path, const QByteArray &bytes);
// Puts at path what kind names: "folder", "FIFO", "dangling link" or "link to
// <target>". False when it cannot be made.
bool makeAt(const QString &path, const QString &kind);
// Everything below the folder, sorted, with a subfolder's contents as "sub/name".
QStringList folderContents(const QString &path);
// The permission bits of what stands at path (a link is not followed), -1 if nothing.
int modeOf(const QString &path);
// The text of each item of a list, in order.
QStringList itemTexts(const platform::ListView *list);

// The Default keyword colour file, each line ended by CR LF, with the given
// keyword lines in place of its one keyword line.
QByteArray keywordFileBytes(const QStringList &keywordLines = {"phone:\t0,0,0"});

// A temporary application folder with the current user's data folder path.
class AppFolder
{
public:
    AppFolder() = default;
    // ...whose data folder holds a directory file of these bytes.
    explicit AppFolder(const QByteArray &directory) { writeDirectory(directory); }
    QString path() const { return dir_.path(); }
    QString dataFolder() const { return core::dataFolderPath(path(), platform::GetName()); }
    QString directoryFile() const { return core::directoryFilePath(path(), platform::GetName()); }
    QString keywordFile() const { return core::keywordFilePath(path()); }
    // Creates the data folder and writes the directory file's bytes.
    void writeDirectory(const QByteArray &bytes) const;
    void writeKeywords(const QByteArray &bytes) const { writeBytes(keywordFile(), bytes); }
    QByteArray directoryBytes() const { return fileBytes(directoryFile()); }

private:
    QTemporaryDir dir_;
};

// Answers message boxes while it lives: records every request, runs
// `whileShown` as if the user acted while the box is up, and gives the queued
// answers in order (OK once the queue is empty).
class MessageRecorder
{
public:
    explicit MessageRecorder(QList<int> answers = {}, std::function<void()> whileShown = {});
    ~MessageRecorder() { platform::setMessageHandler(std::move(previous_)); }
    Q_DISABLE_COPY_MOVE(MessageRecorder)

    const QList<platform::MessageRequest> &requests() const { return requests_; }
    QStringList prompts() const;

private:
    QList<int> answers_;
    std::function<void()> whileShown_;
    QList<platform::MessageRequest> requests_;
    platform::MessageHandler previous_;
};

// Answers the colour dialog while it lives: records the colour it held at
// each opening and gives the queued answers in order, a colour or nothing for
// Cancel (Cancel once the queue is empty).
class ColorDialogRecorder
{
public:
    explicit ColorDialogRecorder(QList<std::optional<core::ColorValue>> answers = {});
    ~ColorDialogRecorder() { platform::setColorHandler(std::move(previous_)); }
    Q_DISABLE_COPY_MOVE(ColorDialogRecorder)

    QList<core::ColorValue> offered;

private:
    QList<std::optional<core::ColorValue>> answers_;
    platform::ColorHandler previous_;
};

} // namespace testsupport
