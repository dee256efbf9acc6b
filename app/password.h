#pragma once

#include <QString>

namespace app {

// The sync password of a user at a server: from the desktop's keyring when
// one answers and holds it; otherwise the first line of standard input when
// that is not a terminal (a trailing CR or LF taken off); otherwise asked
// for on the terminal without echo. Never from or to a file. fromKeyring
// tells where it came from.
QString syncPassword(const QString &server, const QString &user, bool &fromKeyring);

// Keeps the password in the desktop's keyring; false when there is none.
bool keepSyncPassword(const QString &server, const QString &user, const QString &password);

} // namespace app
