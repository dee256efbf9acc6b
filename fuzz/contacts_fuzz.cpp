// Contact files: whatever bytes the vCard and CSV readers are given, every
// entry imported is storable in the directory file, and exporting those
// entries in each format and importing them again gives the same entries.

#include "check.h"
#include "core/contacts/contacts.h"
#include "core/contacts/csv.h"
#include "core/contacts/vcard.h"
#include "core/directory/entryrules.h"

#include <cstddef>
#include <cstdint>

namespace {

void checkImported(const QList<core::DirectoryEntry> &entries)
{
    for (const core::DirectoryEntry &e : entries) {
        for (const QChar c : {u'|', u'\r', u'\n'})
            fuzzcheck::expect(!e.name.contains(c) && !e.numbers.contains(c),
                              "no value imported holds \"|\" or a line break");
        fuzzcheck::expect(!e.name.contains(u'\t'), "no name imported holds a TAB");
        fuzzcheck::expect(core::nameReadsBack(e.name, e.bold),
                          "every name imported reads back from the directory file");
    }
    const QList<core::DirectoryEntry> vcard =
        core::importContacts(core::readVCards(core::formatVCards(entries, core::VCardVersion::V3)),
                             {})
            .entries;
    if (vcard != entries)
        fuzzcheck::expectEqual(fuzzcheck::describe(vcard), fuzzcheck::describe(entries),
                               "vCard gives the entries back");
    const QList<core::DirectoryEntry> csv =
        core::importContacts(core::readCsv(core::formatCsv(entries)), {}).entries;
    if (csv != entries)
        fuzzcheck::expectEqual(fuzzcheck::describe(csv), fuzzcheck::describe(entries),
                               "CSV gives the entries back");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QByteArrayView bytes(reinterpret_cast<const char *>(data), static_cast<qsizetype>(size));
    checkImported(core::importContacts(core::readVCards(bytes), {}).entries);
    checkImported(core::importContacts(core::readCsv(bytes), {}).entries);
    return 0;
}
