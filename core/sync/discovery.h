#pragma once

#include "core/files/result.h"
#include "core/sync/davclient.h"

#include <QString>
#include <QUrl>

#include <vector>

namespace core {

struct AddressBook
{
    QUrl url;
    QString displayName; // the last part of its path when the server gives none
};

// Why an answer is a failure, for the user: the request's URL and what
// went wrong ("the server refused the user name or password").
QString failureOf(const DavResponse &response, const QUrl &url);

// Plain HTTP goes only to this machine (localhost, 127.0.0.1, ::1) unless
// allowed; any other scheme than HTTP and HTTPS is refused.
Result<> checkScheme(const QUrl &url, bool allowHttp);

// The address books of the user at a server: the URL itself when it is one;
// otherwise its principal (current-user-principal, asked of the URL, or of
// /.well-known/carddav when the URL names no path), the principal's
// addressbook-home-set and the address books there, by display name.
Result<std::vector<AddressBook>> findAddressBooks(DavClient &client, const QUrl &server);

} // namespace core
