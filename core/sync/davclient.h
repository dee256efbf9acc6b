#pragma once

#include <QByteArray>
#include <QList>
#include <QNetworkAccessManager>
#include <QString>
#include <QUrl>

#include <utility>
#include <vector>

namespace core {

// What a server answered to one request. status 0: no answer at all (the
// network, a certificate that does not verify); error says why.
struct DavResponse
{
    int status = 0;
    QByteArray body;
    QByteArray etag;
    QUrl url; // where the answer came from, after redirections
    QString error;
    bool certificateRefused = false; // the error is the refusal of the server's certificate
    bool succeeded() const { return status >= 200 && status < 300; }
};

// One resource of a WebDAV multi-status answer: what its successful
// property statuses held.
struct DavResource
{
    QString href;   // as the server wrote it, percent-encoded
    int status = 0; // the response's own status, 0 when it has only property statuses
    QString etag;   // getetag
    QString displayName;
    QString linkedHref; // the href inside current-user-principal or addressbook-home-set
    QByteArray addressData;
    bool addressBook = false; // resourcetype holds CARDDAV:addressbook
};

struct MultiStatus
{
    bool ok = false; // well-formed, with a multistatus root
    std::vector<DavResource> resources;
    QString syncToken;
};

// Reads a WebDAV multi-status body (RFC 4918, RFC 6352, RFC 6578).
MultiStatus parseMultiStatus(const QByteArray &body);

using DavHeaders = QList<std::pair<QByteArray, QByteArray>>;

// A CardDAV server spoken to with Basic authentication, one request at a
// time; each request waits for its answer (the caller needs a
// QCoreApplication). Redirections are followed with the same method, at
// most five. A certificate that does not verify is refused, with its
// SHA-256 fingerprint in the error, unless it is the accepted one.
class DavClient
{
public:
    DavClient(QString user, QString password, QByteArray acceptedCertificate = {});
    DavClient(const DavClient &) = delete;
    DavClient &operator=(const DavClient &) = delete;

    DavResponse send(const QByteArray &method, const QUrl &url, const QByteArray &body = {},
                     const DavHeaders &headers = {});
    // PROPFIND of the properties (XML elements inside <prop>) at a depth.
    DavResponse propfind(const QUrl &url, int depth, const QByteArray &props);
    // The hex SHA-256 of the last certificate refused because it does not
    // verify; empty when none was.
    QByteArray refusedCertificate() const { return refusedCertificate_; }

private:
    DavResponse sendOnce(const QByteArray &method, const QUrl &url, const QByteArray &body,
                         const DavHeaders &headers);

    QNetworkAccessManager network_;
    QByteArray authorization_;
    QByteArray acceptedCertificate_; // hex SHA-256, lower case
    QByteArray refusedCertificate_;
};

// "12:AB:..." style text of a certificate fingerprint given as hex, and the
// hex of one given either way; empty when it is not 64 hex digits.
QByteArray normalizedFingerprint(const QString &text);

} // namespace core
