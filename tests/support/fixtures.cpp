#include "fixtures.h"

#include "platform/controls/listview.h"

#include <QDirIterator>

#include <cstdio>
#include <sys/stat.h>

namespace testsupport {

QByteArray fileBytes(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}

void writeBytes(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate)) << path.toStdString();
    ASSERT_EQ(file.write(bytes), bytes.size());
}

void replaceFile(const QString &path, const QByteArray &bytes)
{
    writeBytes(path + ".new", bytes);
    ASSERT_EQ(std::rename(QFile::encodeName(path + ".new"), QFile::encodeName(path)), 0);
}

bool makeAt(const QString &path, const QString &kind)
{
    if (kind == "folder")
        return QDir().mkdir(path);
    if (kind == "FIFO")
        return ::mkfifo(QFile::encodeName(path), 0600) == 0;
    if (kind == "dangling link")
        return QFile::link(path + ".absent", path);
    return kind.startsWith("link to ") && QFile::link(kind.mid(8), path);
}

QStringList folderContents(const QString &path)
{
    QStringList names;
    const auto all = QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot;
    for (QDirIterator it(path, all, QDirIterator::Subdirectories); it.hasNext();)
        names.append(QDir(path).relativeFilePath(it.next()));
    names.sort();
    return names;
}

int modeOf(const QString &path)
{
    struct stat st = {};
    return ::lstat(QFile::encodeName(path).constData(), &st) == 0 ? int(st.st_mode & 07777) : -1;
}

QStringList itemTexts(const platform::ListView *list)
{
    QStringList texts;
    for (int item = 1; item <= list->count(); ++item)
        texts.append(list->text(item));
    return texts;
}

QByteArray keywordFileBytes(const QStringList &keywordLines)
{
    QByteArray lines;
    for (const QString &line : keywordLines)
        lines += line.toUtf8() + "\r\n";
    return fileBytes(QUORVEL_FIXTURES "/colorkeys.dat").replace("phone:\t0,0,0\r\n", lines);
}

void AppFolder::writeDirectory(const QByteArray &bytes) const
{
    QDir().mkpath(dataFolder());
    writeBytes(directoryFile(), bytes);
}

MessageRecorder::MessageRecorder(QList<int> answers, std::function<void()> whileShown)
{
    previous_ = platform::setMessageHandler([=, this](const platform::MessageRequest &r) mutable {
        requests.append(r);
        if (whileShown)
            whileShown();
        return answers.isEmpty() ? int(platform::vbOK) : answers.takeFirst();
    });
    previousReport_ = platform::setReportHandler([this](const platform::ReportRequest &r) {
        requests.append({r.lines.join('\n'), platform::vbInformation, r.title});
    });
}

QStringList MessageRecorder::prompts() const
{
    QStringList result;
    for (const auto &request : requests)
        result.append(request.prompt);
    return result;
}

ColorDialogRecorder::ColorDialogRecorder(QList<std::optional<core::ColorValue>> answers)
{
    previous_ = platform::setColorHandler([=, this](core::ColorValue current) mutable {
        offered.append(current);
        return answers.isEmpty() ? std::nullopt : answers.takeFirst();
    });
}

} // namespace testsupport
