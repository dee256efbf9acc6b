#include "core/sync/discovery.h"

#include <QCoreApplication>

#include <algorithm>

namespace core {

namespace {

struct DiscoveryText
{
    Q_DECLARE_TR_FUNCTIONS(DiscoveryText)
};

using Books = Result<std::vector<AddressBook>>;

// PROPFIND of props at url; the multi-status or the failure.
Result<MultiStatus> ask(DavClient &client, const QUrl &url, int depth, const QByteArray &props)
{
    const DavResponse response = client.propfind(url, depth, props);
    if (response.status != 207)
        return Result<MultiStatus>::failure(failureOf(response, url));
    MultiStatus status = parseMultiStatus(response.body);
    if (!status.ok)
        return Result<MultiStatus>::failure(
            DiscoveryText::tr("the server's answer at %1 is not WebDAV").arg(url.toString()));
    return status;
}

QString lastPart(const QUrl &url)
{
    const QStringList parts = url.path().split(u'/', Qt::SkipEmptyParts);
    return parts.isEmpty() ? url.toString() : parts.constLast();
}

} // namespace

QString failureOf(const DavResponse &response, const QUrl &url)
{
    if (response.certificateRefused)
        return response.error;
    if (response.status == 0)
        return DiscoveryText::tr("no answer from %1: %2").arg(url.toString(), response.error);
    if (response.status == 401)
        return DiscoveryText::tr("the server %1 refused the user name or password")
            .arg(url.adjusted(QUrl::RemovePath).toString());
    return DiscoveryText::tr("the server answered %1 at %2")
        .arg(response.status)
        .arg(url.toString());
}

Result<> checkScheme(const QUrl &url, bool allowHttp)
{
    const QString scheme = url.scheme().toLower();
    if (scheme == QLatin1String("https"))
        return {};
    if (scheme != QLatin1String("http") || url.host().isEmpty())
        return Result<>::failure(
            DiscoveryText::tr("%1 is no http:// or https:// address").arg(url.toString()));
    const QString host = url.host().toLower();
    if (allowHttp || host == QLatin1String("localhost") || host == QLatin1String("127.0.0.1") ||
        host == QLatin1String("::1"))
        return {};
    return Result<>::failure(
        DiscoveryText::tr("%1 is plain HTTP, which sends the password unencrypted; use https:// "
                          "or give --allow-http")
            .arg(url.toString()));
}

Result<std::vector<AddressBook>> findAddressBooks(DavClient &client, const QUrl &server)
{
    const QByteArray props = "<d:resourcetype/><d:displayname/><d:current-user-principal/>";
    QUrl start = server;
    if (server.path().isEmpty() || server.path() == QLatin1String("/"))
        start.setPath(QStringLiteral("/.well-known/carddav"));
    Result<MultiStatus> first = ask(client, start, 0, props);
    if (!first && start != server)
        first = ask(client, server, 0, props);
    if (!first)
        return Books::failure(first.error());
    const QUrl at =
        first->resources.empty() ? start : start.resolved(QUrl(first->resources[0].href));
    if (!first->resources.empty() && first->resources[0].addressBook)
        return Books(std::vector<AddressBook>{{at, first->resources[0].displayName.isEmpty()
                                                       ? lastPart(at)
                                                       : first->resources[0].displayName}});
    const QString principalHref =
        first->resources.empty() ? QString() : first->resources[0].linkedHref;
    if (principalHref.isEmpty())
        return Books::failure(
            DiscoveryText::tr("%1 is no CardDAV server (it names no user principal)")
                .arg(server.toString()));
    const QUrl principal = at.resolved(QUrl(principalHref));
    const Result<MultiStatus> home = ask(client, principal, 0, "<card:addressbook-home-set/>");
    if (!home)
        return Books::failure(home.error());
    if (home->resources.empty() || home->resources[0].linkedHref.isEmpty())
        return Books::failure(
            DiscoveryText::tr("the server names no address books for the user at %1")
                .arg(principal.toString()));
    const QUrl homeUrl = principal.resolved(QUrl(home->resources[0].linkedHref));
    const Result<MultiStatus> listed = ask(client, homeUrl, 1, "<d:resourcetype/><d:displayname/>");
    if (!listed)
        return Books::failure(listed.error());
    std::vector<AddressBook> books;
    for (const DavResource &resource : listed->resources) {
        if (!resource.addressBook)
            continue;
        const QUrl url = homeUrl.resolved(QUrl(resource.href));
        books.push_back(
            {url, resource.displayName.isEmpty() ? lastPart(url) : resource.displayName});
    }
    std::sort(books.begin(), books.end(), [](const AddressBook &a, const AddressBook &b) {
        return QString::localeAwareCompare(a.displayName, b.displayName) < 0;
    });
    return books;
}

} // namespace core
