#include "platform/system/urlopener.h"

#include "core/contacts/linekind.h"

#include <QDesktopServices>

namespace platform {

namespace {

UrlOpener &opener()
{
    static UrlOpener current;
    return current;
}

} // namespace

bool openUrl(const QUrl &given)
{
    QUrl url = given;
    // A mail address goes out with its subject at most: never a header that
    // attaches a file or adds a recipient.
    if (url.scheme().compare(QLatin1String("mailto"), Qt::CaseInsensitive) == 0) {
        const std::optional<QString> safe = core::mailtoUrl(url.toString(QUrl::FullyEncoded));
        if (!safe)
            return false;
        url = QUrl(*safe);
    }
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
