#pragma once

#include "core/datafolder.h"
#include "core/directoryfile.h"
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

namespace core {
inline void PrintTo(const DirectoryEntry &e, std::ostream *os)
{
    *os << "{\"" << e.name.toStdString() << "\", \"" << e.numbers.toStdString() << "\""
        << (e.bold ? ", bold}" : "}");
}
} // namespace core

namespace testsupport {

inline QString u8(const char *s)
{
    return QString::fromUtf8(s);
}
// The file's bytes, or a marker no test writes when it cannot be read.
QByteArray fileBytes(const QString &path);
// Creates or replaces the file with these bytes; a failure fails the test.
void writeBytes(const QString &path, const QByteArray &bytes);
// Replaces the file as an editor or a sync tool does: a new file renamed over it.
void replaceFile(const QString &path, const QByteArray &bytes);
// Puts at path a "folder", a "FIFO", a "dangling link" or a "link to <target>".
bool makeAt(const QString &path, const QString &kind);
// Everything below the folder, sorted, a subfolder's contents as "sub/name".
QStringList folderContents(const QString &path);
// The permission bits of what stands at path (a link not followed), -1 if nothing.
int modeOf(const QString &path);
// The text of each item of a list, in order.
QStringList itemTexts(const platform::ListView *list);
// The Default keyword colour file with these keyword lines in place of its one.
QByteArray keywordFileBytes(const QStringList &keywordLines = {"phone:\t0,0,0"});

// A temporary application folder; given bytes, its data folder holds a
// directory file of them.
struct AppFolder
{
    AppFolder() = default;
    explicit AppFolder(const QByteArray &directory) { writeDirectory(directory); }
    QString path() const { return dir.path(); }
    QString dataFolder() const { return core::dataFolderPath(path(), platform::GetName()); }
    QString directoryFile() const { return core::directoryFilePath(path(), platform::GetName()); }
    QString keywordFile() const { return core::keywordFilePath(path()); }
    void writeDirectory(const QByteArray &bytes) const;
    void writeKeywords(const QByteArray &bytes) const { writeBytes(keywordFile(), bytes); }
    QByteArray directoryBytes() const { return fileBytes(directoryFile()); }
    QTemporaryDir dir;
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
    QStringList prompts() const;
    QList<platform::MessageRequest> requests;

private:
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
    platform::ColorHandler previous_;
};

} // namespace testsupport
