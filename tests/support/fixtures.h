#pragma once

#include "core/colors/keywordfile.h"
#include "core/directory/datafolder.h"
#include "core/directory/directoryfile.h"
#include "platform/controls/colordialog.h"
#include "platform/controls/reportlist.h"
#include "platform/runtime/messagebox.h"
#include "platform/system/system.h"

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
// The file's bytes, or a marker no test writes when unreadable.
QByteArray fileBytes(const QString &path);
void writeBytes(const QString &path, const QByteArray &bytes);
// Replaces the file as an editor does: a new file renamed over it.
void replaceFile(const QString &path, const QByteArray &bytes);
// Puts at path a "folder", a "FIFO", a "dangling link" or a "link to <target>".
bool makeAt(const QString &path, const QString &kind);
// Everything below the folder, sorted, as "sub/name".
QStringList folderContents(const QString &path);
// The permission bits at path (a link not followed), -1 if nothing.
int modeOf(const QString &path);
QStringList itemTexts(const platform::ListView *list);
// The Default keyword colour file (a fixture) with these keyword lines in place of its one.
QByteArray keywordFileBytes(const QStringList &keywordLines = {"phone:\t0,0,0"});

// A temporary application folder, with a directory file of the bytes given.
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

// While it lives: records message boxes, runs `whileShown`, answers from the queue (then OK).
// A report is recorded as a box of its lines, one a line.
class MessageRecorder
{
public:
    explicit MessageRecorder(QList<int> answers = {}, std::function<void()> whileShown = {});
    ~MessageRecorder()
    {
        platform::setMessageHandler(std::move(previous_));
        platform::setReportHandler(std::move(previousReport_));
    }
    Q_DISABLE_COPY_MOVE(MessageRecorder)
    QStringList prompts() const;
    QList<platform::MessageRequest> requests;

private:
    platform::MessageHandler previous_;
    platform::ReportHandler previousReport_;
};

// While it lives: records the colour offered, answers from the queue (nullopt: Cancel; then that).
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
