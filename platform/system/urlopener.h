#pragma once

#include <QUrl>
#include <functional>

namespace platform {

// Hands an address to the desktop (a mail program for mailto:, a phone
// program for tel:, the browser for a web address). Of a mailto: address only
// the address and its subject go out (see core::mailtoUrl). Returns false
// when the desktop could not open it.
bool openUrl(const QUrl &url);

// Replaces what openUrl does (tests record the address here) and returns the
// opener that was in place; an empty one restores the desktop's.
using UrlOpener = std::function<bool(const QUrl &)>;
UrlOpener setUrlOpener(UrlOpener opener);

} // namespace platform
