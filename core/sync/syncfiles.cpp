#include "core/sync/syncfiles.h"

#include <QCoreApplication>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace core {

namespace {

struct SyncFilesText
{
    Q_DECLARE_TR_FUNCTIONS(SyncFilesText)
};

constexpr char kAccountHeader[] = "Quorvel sync account 1";
constexpr char kStateHeader[] = "Quorvel sync state 1";
constexpr qint64 kLongestAccountFile = 64 * 1024;

QByteArray encoded(const QString &text)
{
    return QUrl::toPercentEncoding(text, "/:@+=");
}

QString decoded(QByteArrayView text)
{
    return QUrl::fromPercentEncoding(text.toByteArray());
}

QList<QByteArray> linesOf(const QByteArray &bytes)
{
    QList<QByteArray> lines = bytes.split('\n');
    for (QByteArray &line : lines) {
        if (line.endsWith('\r'))
            line.chop(1);
    }
    return lines;
}

Result<> writeLines(const Folder &folder, const QString &name,
                    const std::function<void(Utf8Builder &)> &fill)
{
    const Result<FileStamp> written = writeFileAtomically(folder, name, fill);
    if (!written)
        return Result<>::failure(written.error());
    return {};
}

} // namespace

Result<std::optional<SyncAccount>> readSyncAccount(const Folder &folder)
{
    using R = Result<std::optional<SyncAccount>>;
    const QString name = QLatin1String(kSyncAccountFileName);
    const Result<FileBytes> read = readRegularFile(folder, name, kLongestAccountFile);
    if (!read)
        return R::failure(read.error());
    if (read->missing)
        return R(std::nullopt);
    const QList<QByteArray> lines = linesOf(read->bytes);
    if (lines.value(0) != kAccountHeader)
        return R::failure(SyncFilesText::tr("not a Quorvel sync account file"));
    SyncAccount account;
    for (const QByteArray &line : lines.mid(1)) {
        const qsizetype blank = line.indexOf(' ');
        const QByteArray key = line.left(blank);
        const QString value = blank < 0 ? QString() : decoded(line.mid(blank + 1));
        if (key == "server")
            account.server = QUrl(value);
        else if (key == "user")
            account.user = value;
        else if (key == "book")
            account.book = QUrl(value);
        else if (key == "name")
            account.bookName = value;
        else if (key == "certificate")
            account.certificate = value.toLatin1();
        else if (key == "http")
            account.allowHttp = value == QLatin1String("1");
    }
    if (!account.book.isValid() || account.user.isEmpty())
        return R::failure(SyncFilesText::tr("the account file names no address book or user"));
    return R(account);
}

Result<> writeSyncAccount(const Folder &folder, const SyncAccount &account)
{
    return writeLines(folder, QLatin1String(kSyncAccountFileName), [&](Utf8Builder &out) {
        const auto line = [&](const char *key, const QString &value) {
            out.append(QLatin1String(key));
            out.append(QLatin1String(" "));
            out.appendBytes(encoded(value));
            out.endLine();
        };
        out.append(QLatin1String(kAccountHeader));
        out.endLine();
        line("server", account.server.toString());
        line("user", account.user);
        line("book", account.book.toString(QUrl::FullyEncoded));
        line("name", account.bookName);
        line("certificate", QString::fromLatin1(account.certificate));
        line("http", account.allowHttp ? QStringLiteral("1") : QStringLiteral("0"));
    });
}

Result<SyncState> readSyncState(const Folder &folder)
{
    const Result<FileBytes> read = readRegularFile(folder, QLatin1String(kSyncStateFileName));
    if (!read)
        return Result<SyncState>::failure(read.error());
    SyncState state;
    if (read->missing)
        return state;
    const QList<QByteArray> lines = linesOf(read->bytes);
    if (lines.value(0) != kStateHeader)
        return Result<SyncState>::failure(SyncFilesText::tr("not a Quorvel sync state file"));
    for (const QByteArray &line : lines.mid(1)) {
        if (line.startsWith("token ")) {
            state.token = decoded(line.mid(6));
            continue;
        }
        const QList<QByteArray> fields = line.split('\t');
        if (fields.size() != 4)
            continue;
        state.records.insert(decoded(fields[0]), {decoded(fields[1]), decoded(fields[2]),
                                                  QByteArray::fromBase64(fields[3])});
    }
    return state;
}

Result<> writeSyncState(const Folder &folder, const SyncState &state)
{
    // In the order of the identifiers, so that equal states give equal files.
    QStringList uids = state.records.keys();
    std::sort(uids.begin(), uids.end());
    return writeLines(folder, QLatin1String(kSyncStateFileName), [&](Utf8Builder &out) {
        out.append(QLatin1String(kStateHeader));
        out.endLine();
        out.append(QLatin1String("token "));
        out.appendBytes(encoded(state.token));
        out.endLine();
        for (const QString &uid : uids) {
            const SyncRecord &record = state.records[uid];
            out.appendBytes(encoded(uid) + '\t' + encoded(record.href) + '\t' +
                            encoded(record.etag) + '\t' + record.card.toBase64());
            out.endLine();
        }
    });
}

Result<> removeSyncState(const Folder &folder)
{
    if (::unlinkat(folder.descriptor(), kSyncStateFileName, 0) != 0 && errno != ENOENT)
        return Result<>::failure(QString::fromLocal8Bit(std::strerror(errno)));
    return {};
}

} // namespace core
