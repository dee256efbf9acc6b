#include "fixtures.h"

#include "core/datafolder.h"
#include "core/keywordfile.h"
#include "platform/listview.h"
#include "platform/system.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

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

QStringList folderContents(const QString &path)
{
    QStringList names;
    const QDir dir(path);
    for (const QString &name : dir.entryList(
             QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name)) {
        names.append(name);
        const QFileInfo info(dir.filePath(name));
        if (info.isDir() && !info.isSymLink())
            for (const QString &inner : folderContents(dir.filePath(name)))
                names.append(name + '/' + inner);
    }
    return names;
}

QStringList itemTexts(const platform::ListView *list)
{
    QStringList texts;
    for (const platform::ListRow &row : list->rows())
        texts.append(row.text);
    return texts;
}

QByteArray keywordFileBytes(const QStringList &keywordLines)
{
    const QStringList head = {";keyword color list",
                              ";",
                              ";format:",
                              ";word:<tab>color",
                              ";",
                              ";example:",
                              ";e-mail:  0,0,255",
                              ";",
                              ";would turn any field with e-mail: as the first part blue",
                              ";color format: 255,255,255",
                              ";color format: red,green,blue",
                              "",
                              ""};
    const QStringList tail = {"", ";note: if you screw this file up, it's not my fault.",
                              ";use the editor if you can't figure the format out."};
    QByteArray bytes;
    for (const QString &line : head + keywordLines + tail)
        bytes += line.toUtf8() + "\r\n";
    return bytes;
}

QByteArray defaultKeywordFileBytes()
{
    return keywordFileBytes({"phone:\t0,0,0"});
}

QString AppFolder::dataFolder() const
{
    return core::dataFolderPath(path(), platform::GetName());
}

QString AppFolder::directoryFile() const
{
    return core::directoryFilePath(path(), platform::GetName());
}

QString AppFolder::keywordFile() const
{
    return core::keywordFilePath(path());
}

void AppFolder::writeDirectory(const QByteArray &bytes) const
{
    QDir().mkpath(dataFolder());
    writeBytes(directoryFile(), bytes);
}

MessageRecorder::MessageRecorder(QList<int> answers, std::function<void()> whileShown)
    : answers_(std::move(answers)), whileShown_(std::move(whileShown))
{
    previous_ = platform::setMessageHandler([this](const platform::MessageRequest &request) {
        requests_.append(request);
        if (whileShown_)
            whileShown_();
        return answers_.isEmpty() ? int(platform::vbOK) : answers_.takeFirst();
    });
}

MessageRecorder::~MessageRecorder()
{
    platform::setMessageHandler(std::move(previous_));
}

QStringList MessageRecorder::prompts() const
{
    QStringList result;
    for (const auto &request : requests_)
        result.append(request.prompt);
    return result;
}

ColorDialogRecorder::ColorDialogRecorder(QList<std::optional<core::ColorValue>> answers)
    : answers_(std::move(answers))
{
    previous_ = platform::setColorHandler([this](core::ColorValue current) {
        offered_.append(current);
        return answers_.isEmpty() ? std::nullopt : answers_.takeFirst();
    });
}

ColorDialogRecorder::~ColorDialogRecorder()
{
    platform::setColorHandler(std::move(previous_));
}

} // namespace testsupport
