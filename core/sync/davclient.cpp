#include "core/sync/davclient.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QEventLoop>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QSslCertificate>
#include <QSslError>
#include <QXmlStreamReader>

namespace core {

namespace {

struct DavText
{
    Q_DECLARE_TR_FUNCTIONS(DavText)
};

constexpr int kMaxRedirections = 5;
constexpr int kTransferTimeoutMs = 120000;

int statusOfLine(QStringView line) // "HTTP/1.1 404 Not Found"
{
    const auto parts = line.trimmed().split(u' ');
    return parts.size() >= 2 ? parts[1].toInt() : 0;
}

} // namespace

MultiStatus parseMultiStatus(const QByteArray &body)
{
    static const QString dav = QStringLiteral("DAV:");
    static const QString card = QStringLiteral("urn:ietf:params:xml:ns:carddav");
    MultiStatus result;
    QXmlStreamReader xml(body);
    QStringList path; // local names of the open DAV:/CardDAV elements
    DavResource current;
    DavResource props; // what the open propstat holds
    int propstatStatus = 0;
    while (!xml.atEnd()) {
        const auto token = xml.readNext();
        if (token == QXmlStreamReader::StartElement) {
            const QString ns = xml.namespaceUri().toString();
            const QString name =
                (ns == dav || ns == card) ? xml.name().toString() : QStringLiteral("other");
            if (path.isEmpty() && (name != QLatin1String("multistatus") || ns != dav))
                return result;
            path.append(name);
            const QString parent = path.size() > 1 ? path[path.size() - 2] : QString();
            if (name == QLatin1String("response") && ns == dav) {
                current = {};
            } else if (name == QLatin1String("propstat")) {
                props = {};
                propstatStatus = 0;
            } else if (name == QLatin1String("addressbook") && ns == card &&
                       parent == QLatin1String("resourcetype")) {
                props.addressBook = true;
            } else if (name == QLatin1String("href") &&
                       (parent == QLatin1String("current-user-principal") ||
                        parent == QLatin1String("addressbook-home-set"))) {
                props.linkedHref = xml.readElementText().trimmed();
                path.removeLast();
            } else if (name == QLatin1String("href") && parent == QLatin1String("response")) {
                current.href = xml.readElementText().trimmed();
                path.removeLast();
            } else if (name == QLatin1String("status") && parent == QLatin1String("response")) {
                current.status = statusOfLine(xml.readElementText());
                path.removeLast();
            } else if (name == QLatin1String("status") && parent == QLatin1String("propstat")) {
                propstatStatus = statusOfLine(xml.readElementText());
                path.removeLast();
            } else if (name == QLatin1String("getetag") && parent == QLatin1String("prop")) {
                props.etag = xml.readElementText().trimmed();
                path.removeLast();
            } else if (name == QLatin1String("displayname") && parent == QLatin1String("prop")) {
                props.displayName = xml.readElementText().trimmed();
                path.removeLast();
            } else if (name == QLatin1String("address-data") && parent == QLatin1String("prop")) {
                props.addressData = xml.readElementText().toUtf8();
                path.removeLast();
            } else if (name == QLatin1String("sync-token") &&
                       parent == QLatin1String("multistatus")) {
                result.syncToken = xml.readElementText().trimmed();
                path.removeLast();
            }
        } else if (token == QXmlStreamReader::EndElement) {
            const QString name = path.isEmpty() ? QString() : path.takeLast();
            if (name == QLatin1String("propstat") && propstatStatus >= 200 &&
                propstatStatus < 300) {
                if (!props.etag.isEmpty())
                    current.etag = props.etag;
                if (!props.displayName.isEmpty())
                    current.displayName = props.displayName;
                if (!props.linkedHref.isEmpty())
                    current.linkedHref = props.linkedHref;
                if (!props.addressData.isEmpty())
                    current.addressData = props.addressData;
                current.addressBook = current.addressBook || props.addressBook;
            } else if (name == QLatin1String("response") && path.size() == 1) {
                result.resources.push_back(std::move(current));
                current = {};
            }
        }
    }
    result.ok = !xml.hasError();
    return result;
}

QByteArray normalizedFingerprint(const QString &text)
{
    QByteArray hex = text.toLatin1().toLower();
    hex.replace(':', QByteArray());
    if (hex.size() != 64 || QByteArray::fromHex(hex).toHex() != hex)
        return {};
    return hex;
}

DavClient::DavClient(QString user, QString password, QByteArray acceptedCertificate)
    : authorization_("Basic " + (user + QLatin1Char(':') + password).toUtf8().toBase64()),
      acceptedCertificate_(std::move(acceptedCertificate))
{
    network_.setRedirectPolicy(QNetworkRequest::ManualRedirectPolicy);
}

DavResponse DavClient::send(const QByteArray &method, const QUrl &url, const QByteArray &body,
                            const DavHeaders &headers)
{
    QUrl target = url;
    for (int hop = 0;; ++hop) {
        DavResponse response = sendOnce(method, target, body, headers);
        const bool redirected = response.status == 301 || response.status == 302 ||
                                response.status == 307 || response.status == 308;
        if (!redirected || hop == kMaxRedirections || !response.url.isValid())
            return response;
        // Never from HTTPS down to plain HTTP.
        if (target.scheme() == QLatin1String("https") &&
            response.url.scheme() != QLatin1String("https"))
            return response;
        target = response.url;
    }
}

DavResponse DavClient::sendOnce(const QByteArray &method, const QUrl &url, const QByteArray &body,
                                const DavHeaders &headers)
{
    QNetworkRequest request(url);
    request.setRawHeader("Authorization", authorization_);
    request.setRawHeader("User-Agent", "Quorvel");
    request.setTransferTimeout(kTransferTimeoutMs);
    if (!body.isEmpty())
        request.setHeader(QNetworkRequest::ContentTypeHeader,
                          body.startsWith("BEGIN:") ? QByteArray("text/vcard; charset=utf-8")
                                                    : QByteArray("application/xml; charset=utf-8"));
    for (const auto &[name, value] : headers)
        request.setRawHeader(name, value);
    QNetworkReply *reply = network_.sendCustomRequest(request, method, body);
    QString certificateError;
    QObject::connect(reply, &QNetworkReply::sslErrors, reply, [&](const QList<QSslError> &) {
        const QByteArray fingerprint =
            reply->sslConfiguration().peerCertificate().digest(QCryptographicHash::Sha256).toHex();
        if (!acceptedCertificate_.isEmpty() && fingerprint == acceptedCertificate_) {
            reply->ignoreSslErrors();
            return;
        }
        refusedCertificate_ = fingerprint;
        QByteArray shown;
        for (qsizetype i = 0; i < fingerprint.size(); i += 2)
            shown += (i ? ":" : "") + fingerprint.mid(i, 2).toUpper();
        certificateError =
            (acceptedCertificate_.isEmpty()
                 ? DavText::tr("the certificate of %1 does not verify (SHA-256 %2); if it is "
                               "your server's, give --accept-certificate %2")
                 : DavText::tr("the certificate of %1 does not verify and is not the one "
                               "accepted (SHA-256 %2); if it is your server's, give "
                               "--accept-certificate %2"))
                .arg(url.adjusted(QUrl::RemovePath).toString(), QString::fromLatin1(shown));
    });
    QEventLoop loop;
    QObject::connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
    if (!reply->isFinished())
        loop.exec();
    DavResponse response;
    response.status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    // A connection lost or timed out part-way through the answer leaves its
    // status but not its whole body: no answer, never a shortened one.
    // (Errors from 200 on are Qt's names for the HTTP statuses themselves.)
    if (reply->error() != QNetworkReply::NoError && reply->error() < 200)
        response.status = 0;
    response.body = reply->readAll();
    response.etag = reply->rawHeader("ETag");
    const QByteArray location = reply->rawHeader("Location");
    response.url = location.isEmpty() ? url : url.resolved(QUrl::fromEncoded(location));
    if (response.status == 0) {
        response.certificateRefused = !certificateError.isEmpty();
        response.error = response.certificateRefused ? certificateError : reply->errorString();
    }
    reply->deleteLater();
    return response;
}

DavResponse DavClient::propfind(const QUrl &url, int depth, const QByteArray &props)
{
    const QByteArray body = "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n"
                            "<d:propfind xmlns:d=\"DAV:\" "
                            "xmlns:card=\"urn:ietf:params:xml:ns:carddav\"><d:prop>" +
                            props + "</d:prop></d:propfind>";
    return send("PROPFIND", url, body, {{"Depth", QByteArray::number(depth)}});
}

} // namespace core
