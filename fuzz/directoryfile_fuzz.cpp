// Directory file: whatever bytes the reader is given, what it reads, written
// and read again, is the same directory, and writing that again gives the
// same bytes. The file reader's one-pass parse reads the same entries as the
// line-by-line one, and says the file is as written only when it is. The
// same bytes read as an identity file give every entry read an identifier of
// its own, and what they give is written and read back the same.

#include "check.h"
#include "core/directory/directoryfile.h"
#include "core/directory/entrycard.h"
#include "core/directory/identityfile.h"
#include "core/files/fileio.h"

#include <cstddef>
#include <cstdint>
#include <set>

namespace {

QList<core::DirectoryEntry> readDirectory(const QByteArray &bytes)
{
    return core::parseDirectoryLines(core::splitLines(core::decodeText(bytes)));
}

QByteArray writeDirectory(const QList<core::DirectoryEntry> &entries)
{
    return core::joinLines(core::formatDirectoryLines(entries));
}

void checkIdentities(const QByteArray &bytes, QList<core::DirectoryEntry> entries)
{
    const std::optional<core::IdentityFile> file = core::parseIdentityFile(bytes);
    if (!file)
        return;
    const std::span<core::DirectoryEntry> all(entries.data(), std::size_t(entries.size()));
    core::matchIdentities(all, *file, false);
    std::set<QString> ids;
    for (const core::DirectoryEntry &e : entries)
        fuzzcheck::expect(!e.id.isNull() && ids.insert(e.id.toString()).second,
                          "every entry has an identifier of its own");
    core::Utf8Builder out;
    core::writeIdentities(out, file->directory, [&](const core::EntryVisitor &visit) {
        for (const core::DirectoryEntry &e : entries)
            visit(e);
    });
    const std::optional<core::IdentityFile> again = core::parseIdentityFile(out.take());
    fuzzcheck::expect(again && again->records.size() == std::size_t(entries.size()),
                      "the identity file written reads back whole");
    for (qsizetype i = 0; again && i < entries.size(); ++i) {
        const core::IdentityRecord &record = again->records[std::size_t(i)];
        const core::DirectoryEntry &e = entries[i];
        fuzzcheck::expect(record.id == e.id && record.checksum == core::contentChecksum(e) &&
                              (record.card && e.card ? *record.card == *e.card
                                                     : !e.card || *e.card == core::EntryCard()),
                          "each entry's line reads back the same");
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), static_cast<qsizetype>(size));
    const QList<core::DirectoryEntry> first = readDirectory(bytes);
    const QByteArray written = writeDirectory(first);
    const QList<core::DirectoryEntry> second = readDirectory(written);
    if (second != first)
        fuzzcheck::expectEqual(fuzzcheck::describe(second), fuzzcheck::describe(first),
                               "read, write, read gives the same directory");
    fuzzcheck::expectEqual(writeDirectory(second), written, "writing what was read is stable");
    QString text(bytes.size(), Qt::Uninitialized);
    bool plainUtf8 = false;
    text.truncate(core::decodeTextInto(text.data(), bytes, &plainUtf8));
    QList<core::DirectoryEntry> fast;
    const bool asWritten = core::parseDirectoryText(
        text, plainUtf8, [&](core::DirectoryEntry &&e) { fast.append(std::move(e)); });
    if (fast != first)
        fuzzcheck::expectEqual(fuzzcheck::describe(fast), fuzzcheck::describe(first),
                               "the file reader reads what the line reader reads");
    fuzzcheck::expect(!asWritten || written == bytes, "a file said to be as written is so");
    for (const core::DirectoryEntry &e : first) {
        fuzzcheck::expect(!e.name.contains(QLatin1Char('|')) &&
                              !e.numbers.contains(QLatin1Char('|')),
                          "no value read holds the field separator");
        fuzzcheck::expect(!e.name.contains(QLatin1Char('\n')) &&
                              !e.numbers.contains(QLatin1Char('\n')),
                          "no value read holds a line feed");
    }
    checkIdentities(bytes, first);
    return 0;
}
