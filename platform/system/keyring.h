#pragma once

#include <QString>

#include <optional>

namespace platform {

// The sync password of a user at a server in the desktop's keyring (through
// QtKeychain, never its plain-file fallback). Asked only where a desktop
// session bus could answer.
//
// The password kept for them; nothing when there is no keyring or it holds none.
std::optional<QString> keyringPassword(const QString &server, const QString &user);
// Keeps the password; false when there is no keyring or it refused.
bool keepInKeyring(const QString &server, const QString &user, const QString &password);

} // namespace platform
