// Directory file: whatever bytes the reader is given, what it reads, written
// and read again, is the same directory, and writing that again gives the
// same bytes. The file reader's one-pass parse reads the same entries as the
// line-by-line one, says the file is as written only when it is, and says
// writing keeps all of its text exactly when every line comes back (its bold
// marker in lower case, a "|" after a name that had none). The same bytes
// read as an identity file give every entry read an identifier of its own,
// and what they give is written and read back the same.

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

// The line as the writer gives it back.
QString tidied(QString line)
{
    if (line.startsWith(QLatin1String("<b>"), Qt::CaseInsensitive))
        line[1] = u'b';
    if (!line.contains(u'|'))
        line.append(u'|');
    return line;
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
    core::TextForm form;
    text.truncate(core::decodeTextInto(text.data(), bytes, &form));
    QList<core::DirectoryEntry> fast;
    const core::DirectoryTextFit fit = core::parseDirectoryText(
        text, form, [&](core::DirectoryEntry &&e) { fast.append(std::move(e)); });
    if (fast != first)
        fuzzcheck::expectEqual(fuzzcheck::describe(fast), fuzzcheck::describe(first),
                               "the file reader reads what the line reader reads");
    fuzzcheck::expect(!fit.asWritten || written == bytes, "a file said to be as written is so");
    const QStringList before = core::splitLines(text);
    const QStringList after = core::splitLines(core::decodeText(written));
    bool linesBack = before.size() == after.size();
    for (qsizetype i = 0; linesBack && i < before.size(); ++i)
        linesBack = tidied(before[i]) == after[i];
    fuzzcheck::expect(fit.keepsAll == (form.exact && linesBack),
                      "a file is said to be kept whole exactly when its lines come back");
    for (const core::DirectoryEntry &e : first) {
        fuzzcheck::expect(!e.name.contains(QLatin1Char('|')), "no name read holds a \"|\"");
        for (const QChar end : {u'\n', u'\r'})
            fuzzcheck::expect(!e.name.contains(end) && !e.numbers.contains(end),
                              "no value read holds a line end");
    }
    checkIdentities(bytes, first);
    return 0;
}
