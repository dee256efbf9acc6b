#include "platform/system/urlopener.h"

#include <QDesktopServices>

namespace platform {

namespace {

UrlOpener &opener()
{
    static UrlOpener current;
    return current;
}

} // namespace

bool openUrl(const QUrl &url)
{
    if (opener())
        return opener()(url);
    return QDesktopServices::openUrl(url);
}

UrlOpener setUrlOpener(UrlOpener newOpener)
{
    UrlOpener previous = std::move(opener());
    opener() = std::move(newOpener);
    return previous;
}

} // namespace platform
