#include "core/directory/identityfile.h"

#include <QCoreApplication>
#include <QRandomGenerator64>
#include <QSet>
#include <QtEndian>

#include <algorithm>
#include <array>
#include <bit>
#include <cstring>
#include <type_traits>

namespace core {

namespace {

// The texts of this file, in the user's language.
struct IdentityText
{
    Q_DECLARE_TR_FUNCTIONS(IdentityText)
};

constexpr QByteArrayView kHeader = "Quorvel identities 1";
constexpr QByteArrayView kDirectory = "directory ";

// Feeds the text's code units to the checksum eight bytes at a time.
void feed(quint64 &h, QStringView text)
{
    constexpr quint64 kMultiplier = 0x9E3779B97F4A7C15ull;
    const auto *p = reinterpret_cast<const uchar *>(text.utf16());
    qsizetype n = text.size() * 2;
    h = (h ^ quint64(text.size())) * kMultiplier;
    for (; n >= 8; p += 8, n -= 8)
        h = std::rotl((h ^ qFromLittleEndian<quint64>(p)) * kMultiplier, 27);
    uchar tail[8] = {};
    if (n > 0)
        std::memcpy(tail, p, std::size_t(n));
    h = std::rotl((h ^ qFromLittleEndian<quint64>(tail)) * kMultiplier, 27);
}

quint64 finish(quint64 h)
{
    h ^= h >> 33;
    h *= 0xff51afd7ed558ccdull;
    h ^= h >> 33;
    h *= 0xc4ceb9fe1a85ec53ull;
    return h ^ (h >> 33);
}

// The value of each hexadecimal digit, -1 for any other character.
constexpr auto kHexDigits = [] {
    std::array<signed char, 256> digits{};
    for (int c = 0; c < 256; ++c)
        digits[std::size_t(c)] = c >= '0' && c <= '9'   ? c - '0'
                                 : c >= 'a' && c <= 'f' ? c - 'a' + 10
                                 : c >= 'A' && c <= 'F' ? c - 'A' + 10
                                                        : -1;
    return digits;
}();

template <typename Char> int hexDigit(Char c)
{
    const auto unit = static_cast<std::make_unsigned_t<Char>>(c);
    return unit < 256 ? kHexDigits[unit] : -1;
}

// Where the 32 digits of "xxxxxxxx-xxxx-xxxx-xxxx-xxxxxxxxxxxx" are.
constexpr std::array<uchar, 32> kDigitAt = {0,  1,  2,  3,  4,  5,  6,  7,  9,  10, 11,
                                            12, 14, 15, 16, 17, 19, 20, 21, 22, 24, 25,
                                            26, 27, 28, 29, 30, 31, 32, 33, 34, 35};

// The identifier of exactly 36 characters "xxxxxxxx-xxxx-xxxx-xxxx-xxxxxxxxxxxx".
// Both halves at once, without a branch per digit: a million at start-up.
template <typename Char> QUuid parseBare(const Char *p, qsizetype size)
{
    if (size != 36 || p[8] != '-' || p[13] != '-' || p[18] != '-' || p[23] != '-')
        return {};
    quint64 high = 0;
    quint64 low = 0;
    int bad = 0;
    for (std::size_t i = 0; i < 16; ++i) {
        const int a = hexDigit(p[kDigitAt[i]]);
        const int b = hexDigit(p[kDigitAt[i + 16]]);
        bad |= a | b;
        high = high << 4 | quint64(a & 15);
        low = low << 4 | quint64(b & 15);
    }
    if (bad < 0)
        return {};
    return QUuid(uint(high >> 32), ushort(high >> 16), ushort(high), uchar(low >> 56),
                 uchar(low >> 48), uchar(low >> 40), uchar(low >> 32), uchar(low >> 24),
                 uchar(low >> 16), uchar(low >> 8), uchar(low));
}

void appendBare(Utf8Builder &out, const QUuid &id)
{
    const QByteArray bytes = id.toRfc4122();
    char text[36];
    int at = 0;
    for (int i = 0; i < 16; ++i) {
        if (i == 4 || i == 6 || i == 8 || i == 10)
            text[at++] = '-';
        text[at++] = "0123456789abcdef"[uchar(bytes[i]) >> 4];
        text[at++] = "0123456789abcdef"[uchar(bytes[i]) & 15];
    }
    out.appendBytes(QByteArrayView(text, 36));
}

void appendEscaped(Utf8Builder &out, QStringView text)
{
    qsizetype start = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t c = text[i].unicode();
        const char *escape = c == u'\\'   ? "\\\\"
                             : c == u'\t' ? "\\t"
                             : c == u'\n' ? "\\n"
                             : c == u'\r' ? "\\r"
                                          : nullptr;
        if (!escape)
            continue;
        out.append(text.sliced(start, i - start));
        out.appendBytes(escape);
        start = i + 1;
    }
    out.append(text.sliced(start));
}

QString unescaped(QByteArrayView field)
{
    const QString text = QString::fromUtf8(field);
    if (!field.contains('\\'))
        return text;
    QString out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        QChar c = text[i];
        if (c == u'\\' && i + 1 < text.size()) {
            const QChar n = text[++i];
            c = n == u't' ? QChar(u'\t') : n == u'n' ? QChar(u'\n') : n == u'r' ? QChar(u'\r') : n;
        }
        out.append(c);
    }
    return out;
}

void writeLine(Utf8Builder &out, const DirectoryEntry &entry)
{
    appendBare(out, entry.id);
    char digits[17];
    const quint64 sum = contentChecksum(entry);
    digits[0] = '\t';
    for (int i = 0; i < 16; ++i)
        digits[i + 1] = "0123456789abcdef"[(sum >> (60 - 4 * i)) & 15];
    out.appendBytes(QByteArrayView(digits, 17));
    if (entry.card) {
        if (!entry.card->uid.isEmpty()) {
            out.appendBytes("\tU");
            appendEscaped(out, entry.card->uid);
        }
        for (const CardProperty &property : entry.card->properties) {
            out.appendBytes("\tP");
            for (const QString *text :
                 {&property.name, &property.types, &property.belongsTo, &property.value}) {
                if (text != &property.name)
                    out.appendBytes("\t");
                appendEscaped(out, *text);
            }
        }
    }
    out.endLine();
}

// One line of entry; `checksum`: its checksum is read too (not needed when
// lines are taken by place).
std::optional<IdentityRecord> parseLine(QByteArrayView line, bool checksum = true)
{
    if (line.endsWith('\r'))
        line.chop(1);
    if (line.size() < 36 + 1 + 16 || line[36] != '\t')
        return std::nullopt;
    IdentityRecord record;
    record.id = parseBare(line.data(), 36);
    for (qsizetype i = 37; checksum && i < 53; ++i) {
        const int digit = hexDigit(line[i]);
        if (digit < 0)
            return std::nullopt;
        record.checksum = record.checksum << 4 | quint64(digit);
    }
    if (record.id.isNull())
        return std::nullopt;
    line = line.sliced(53);
    if (line.isEmpty())
        return record;
    if (line.front() != '\t')
        return std::nullopt;
    QList<QByteArrayView> fields;
    for (qsizetype start = 1;;) {
        const qsizetype tab = line.indexOf('\t', start);
        fields.append(line.sliced(start, (tab < 0 ? line.size() : tab) - start));
        if (tab < 0)
            break;
        start = tab + 1;
    }
    auto card = std::make_shared<EntryCard>();
    for (qsizetype i = 0; i < fields.size(); ++i) {
        if (fields[i].startsWith('U')) {
            card->uid = unescaped(fields[i].sliced(1));
        } else if (fields[i].startsWith('P') && i + 3 < fields.size()) {
            card->properties.push_back({unescaped(fields[i + 2]), unescaped(fields[i].sliced(1)),
                                        unescaped(fields[i + 1]), unescaped(fields[i + 3])});
            i += 3;
        } else {
            return std::nullopt;
        }
    }
    record.card = std::move(card);
    return record;
}

} // namespace

QUuid newIdentifier()
{
    // Seeded once per thread from the system: a million new identifiers at
    // start-up stay quick.
    thread_local QRandomGenerator64 random = [] {
        std::array<quint32, 8> seed;
        QRandomGenerator::system()->fillRange(seed.data(), seed.size());
        return QRandomGenerator64(seed.data(), seed.data() + seed.size());
    }();
    std::array<uchar, 16> bytes;
    const quint64 high = random.generate64();
    const quint64 low = random.generate64();
    qToBigEndian(high, bytes.data());
    qToBigEndian(low, bytes.data() + 8);
    bytes[6] = uchar((bytes[6] & 0x0F) | 0x40); // version 4: random
    bytes[8] = uchar((bytes[8] & 0x3F) | 0x80); // the standard's variant
    return QUuid::fromRfc4122(QByteArrayView(reinterpret_cast<const char *>(bytes.data()), 16));
}

QString bareIdentifier(const QUuid &id)
{
    return id.toString(QUuid::WithoutBraces);
}

QUuid identifierOfText(QStringView text)
{
    text = text.trimmed();
    if (text.startsWith(u"urn:uuid:", Qt::CaseInsensitive))
        text = text.sliced(9);
    if (text.size() == 38 && text.front() == u'{' && text.back() == u'}')
        text = text.sliced(1, 36);
    return parseBare(text.utf16(), text.size());
}

quint64 contentChecksum(const DirectoryEntry &entry)
{
    quint64 h = entry.bold ? 0x5bd1e995u : 0x1b873593u;
    feed(h, entry.name);
    feed(h, entry.numbers);
    return finish(h);
}

namespace {

// The directory line of the header: the file's stamp and the count.
bool parseDirectoryLine(QByteArrayView line, IdentityFile &file)
{
    if (!line.startsWith(kDirectory))
        return false;
    const QList<QByteArray> numbers = line.sliced(kDirectory.size()).toByteArray().split(' ');
    // Device, inode, size, modification and change time, and the count.
    if (numbers.size() == 6) {
        file.directory.exists = file.directory.regular = true;
        file.directory.device = numbers[0].toULongLong();
        file.directory.inode = numbers[1].toULongLong();
        file.directory.size = numbers[2].toLongLong();
        file.directory.modifiedNs = numbers[3].toLongLong();
        file.directory.changedNs = numbers[4].toLongLong();
        file.count = numbers[5].toLongLong();
    }
    return true;
}

// Hands on the lines of text that comes in pieces, without their line ends.
class LineSplitter
{
public:
    template <typename Line> void feed(QByteArrayView piece, Line line)
    {
        for (qsizetype end; (end = piece.indexOf('\n')) >= 0; piece = piece.sliced(end + 1)) {
            if (carry_.isEmpty()) {
                line(withoutCr(piece.first(end)));
            } else {
                carry_.append(piece.first(end));
                line(withoutCr(carry_));
                carry_.clear();
            }
        }
        carry_.append(piece);
    }
    template <typename Line> void finish(Line line)
    {
        if (!carry_.isEmpty())
            line(withoutCr(carry_));
        carry_.clear();
    }

private:
    static QByteArrayView withoutCr(QByteArrayView line)
    {
        return line.endsWith('\r') ? line.chopped(1) : line;
    }
    QByteArray carry_;
};

} // namespace

std::optional<IdentityFile> parseIdentityFile(QByteArrayView bytes)
{
    IdentityFile file;
    int lineNumber = 0;
    bool ours = true;
    const auto line = [&](QByteArrayView text) {
        if (lineNumber == 0)
            ours = text == kHeader;
        else if (lineNumber == 1)
            ours = ours && parseDirectoryLine(text, file);
        else if (std::optional<IdentityRecord> record = ours ? parseLine(text) : std::nullopt)
            file.records.push_back(std::move(*record));
        lineNumber = std::min(lineNumber + 1, 2);
    };
    LineSplitter lines;
    lines.feed(bytes, line);
    lines.finish(line);
    if (!ours || lineNumber < 2)
        return std::nullopt;
    return file;
}

bool matchIdentities(std::span<DirectoryEntry> entries, const IdentityFile &file,
                     bool directoryUnchanged)
{
    const std::vector<IdentityRecord> &records = file.records;
    if (directoryUnchanged && records.size() == entries.size() &&
        file.count == qsizetype(entries.size())) {
        for (std::size_t i = 0; i < entries.size(); ++i) {
            entries[i].id = records[i].id;
            entries[i].card = records[i].card;
        }
        return true;
    }
    // A hand-edited file may name an identifier twice: it is given once.
    QSet<QUuid> given;
    std::vector<char> used(records.size());
    const auto take = [&](DirectoryEntry &entry, std::size_t record) {
        used[record] = 1;
        if (given.contains(records[record].id))
            return false;
        given.insert(records[record].id);
        entry.id = records[record].id;
        entry.card = records[record].card;
        return true;
    };
    std::vector<quint64> sums(entries.size());
    std::vector<std::size_t> open;
    bool asWritten = records.size() == entries.size();
    for (std::size_t i = 0; i < entries.size(); ++i) {
        sums[i] = contentChecksum(entries[i]);
        if (i < records.size() && records[i].checksum == sums[i] && take(entries[i], i))
            continue;
        open.push_back(i);
        asWritten = false;
    }
    // The rest by content: the first line not taken with the same checksum.
    std::vector<std::pair<quint64, std::size_t>> free;
    for (std::size_t r = 0; r < records.size(); ++r) {
        if (!used[r])
            free.emplace_back(records[r].checksum, r);
    }
    std::sort(free.begin(), free.end());
    for (const std::size_t i : open) {
        auto it = std::lower_bound(free.begin(), free.end(), std::pair(sums[i], std::size_t(0)));
        for (; it != free.end() && it->first == sums[i]; ++it) {
            if (!used[it->second] && take(entries[i], it->second))
                break;
        }
    }
    // An entry changed in its place keeps the identifier of its place, when
    // no unchanged entry took it.
    for (const std::size_t i : open) {
        if (entries[i].id.isNull() && i < records.size() && !used[i])
            take(entries[i], i);
    }
    giveIdentifiers(entries);
    return asWritten && file.count == qsizetype(entries.size());
}

void giveIdentifiers(std::span<DirectoryEntry> entries)
{
    for (DirectoryEntry &entry : entries) {
        if (entry.id.isNull())
            entry.id = newIdentifier();
    }
}

void writeIdentities(Utf8Builder &out, const FileStamp &directory,
                     const std::function<void(const EntryVisitor &)> &forEach)
{
    qsizetype count = 0;
    forEach([&count](const DirectoryEntry &) { ++count; });
    out.appendBytes(kHeader);
    out.endLine();
    out.appendBytes(kDirectory);
    out.append(QLatin1StringView(
        QByteArray::number(directory.device) + ' ' + QByteArray::number(directory.inode) + ' ' +
        QByteArray::number(directory.size) + ' ' + QByteArray::number(directory.modifiedNs) + ' ' +
        QByteArray::number(directory.changedNs) + ' ' + QByteArray::number(count)));
    out.endLine();
    forEach([&out](const DirectoryEntry &entry) { writeLine(out, entry); });
}

PlacedIdentities readPlacedIdentities(const Folder &folder)
{
    PlacedIdentities placed;
    int lineNumber = 0;
    bool ours = true;
    const auto line = [&](QByteArrayView text) {
        if (lineNumber == 0) {
            ours = text == kHeader;
        } else if (lineNumber == 1) {
            ours = ours && parseDirectoryLine(text, placed.file);
            if (ours)
                placed.ids.reserve(std::size_t(std::max<qsizetype>(0, placed.file.count)));
        } else if (ours) {
            std::optional<IdentityRecord> record = parseLine(text, false);
            ours = record.has_value();
            if (ours && record->card)
                placed.cards.emplace_back(placed.ids.size(), std::move(record->card));
            if (ours)
                placed.ids.push_back(record->id);
        }
        lineNumber = std::min(lineNumber + 1, 2);
    };
    LineSplitter lines;
    bool missing = false;
    const Result<FileStamp> stamp = readRegularFileInPieces(
        folder, QLatin1String(kIdentityFileName),
        [&](QByteArrayView piece) { lines.feed(piece, line); }, missing);
    lines.finish(line);
    placed.whole = stamp && !missing && ours && lineNumber == 2;
    placed.stamp = *stamp;
    return placed;
}

Result<IdentitiesRead> readIdentities(const Folder &folder, const FileStamp &directory,
                                      std::span<DirectoryEntry> entries,
                                      const PlacedIdentities *placed)
{
    if (placed && placed->whole && placed->file.directory == directory &&
        placed->file.count == qsizetype(entries.size()) && placed->ids.size() == entries.size()) {
        for (std::size_t i = 0; i < entries.size(); ++i)
            entries[i].id = placed->ids[i];
        for (const auto &[index, card] : placed->cards)
            entries[index].card = card;
        return IdentitiesRead{true, placed->stamp};
    }
    enum class Stage { Missing, Header, Directory, ByPlace, GaveUp, Collect, NotOurs };
    IdentityFile file;
    IdentitiesRead read;
    // One pass over the file. Taking the lines by place gives up at a line
    // it cannot take; a second pass then collects them all.
    const auto pass = [&](bool byPlace) -> Result<Stage> {
        Stage stage = Stage::Header;
        std::size_t next = 0;
        file = IdentityFile();
        const auto line = [&](QByteArrayView text) {
            if (stage == Stage::Header) {
                stage = text == kHeader ? Stage::Directory : Stage::NotOurs;
            } else if (stage == Stage::Directory) {
                stage = !parseDirectoryLine(text, file) ? Stage::NotOurs
                        : byPlace && file.directory == directory &&
                                file.count == qsizetype(entries.size())
                            ? Stage::ByPlace
                            : Stage::Collect;
            } else if (stage == Stage::ByPlace) {
                std::optional<IdentityRecord> record = parseLine(text, false);
                if (!record || next == entries.size()) {
                    stage = Stage::GaveUp;
                    return;
                }
                entries[next].id = record->id;
                entries[next++].card = std::move(record->card);
            } else if (stage == Stage::Collect) {
                if (std::optional<IdentityRecord> record = parseLine(text))
                    file.records.push_back(std::move(*record));
            }
        };
        LineSplitter lines;
        bool missing = false;
        const Result<FileStamp> stamp = readRegularFileInPieces(
            folder, QLatin1String(kIdentityFileName),
            [&](QByteArrayView piece) { lines.feed(piece, line); }, missing);
        lines.finish(line);
        if (!stamp)
            return Result<Stage>::failure(stamp.error());
        read.stamp = *stamp;
        if (missing)
            return Stage::Missing;
        if (stage == Stage::ByPlace && next != entries.size())
            return Stage::GaveUp;
        return stage == Stage::Directory ? Stage::NotOurs : stage;
    };
    Result<Stage> stage = pass(true);
    if (stage && *stage == Stage::GaveUp) {
        for (DirectoryEntry &entry : entries) {
            entry.id = QUuid();
            entry.card.reset();
        }
        stage = pass(false);
    }
    if (!stage)
        return Result<IdentitiesRead>::failure(stage.error());
    switch (*stage) {
    case Stage::ByPlace:
        read.asWritten = true;
        break;
    case Stage::Collect:
        read.asWritten = matchIdentities(entries, file, false) && file.directory == directory;
        break;
    case Stage::Missing:
        giveIdentifiers(entries);
        break;
    default:
        return Result<IdentitiesRead>::failure(
            IdentityText::tr("it is not an identity file this version of Quorvel reads"));
    }
    return read;
}

Result<FileStamp> writeIdentityFile(const Folder &folder, const FileStamp &directory,
                                    const std::function<void(const EntryVisitor &)> &forEach)
{
    WriteOptions options;
    options.mode = 0600;
    return writeFileAtomically(
        folder, QLatin1String(kIdentityFileName),
        [&](Utf8Builder &out) { writeIdentities(out, directory, forEach); }, options);
}

} // namespace core
