#include "fixtures.h"

#include "core/datafolder.h"
#include "core/keywordfile.h"
#include "core/textfile.h"
#include "platform/system.h"

#include <QDir>
#include <QFile>

namespace testsupport {

QByteArray readBytes(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.readAll();
}

void writeBytes(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    if (file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        file.write(bytes);
}

QByteArray defaultKeywordFileBytes()
{
    return core::joinLines(core::keywordFileLines(core::defaultKeywordRows()));
}

AppFolder::AppFolder() = default;

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

void AppFolder::writeKeywords(const QByteArray &bytes) const
{
    writeBytes(keywordFile(), bytes);
}

MessageRecorder::MessageRecorder(QList<int> answers) : answers_(std::move(answers))
{
    previous_ = platform::setMessageHandler([this](const platform::MessageRequest &request) {
        requests_.append(request);
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
