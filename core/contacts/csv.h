#pragma once

#include "core/contacts/contactread.h"
#include "core/directory/directoryfile.h"
#include "core/files/fileio.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <functional>

namespace core {

// Writes UTF-8 CSV (RFC 4180, with a byte-order mark): a header, then one
// record per entry with its name, one column per kind of line (several
// values joined by " ::: ", other lines under "Notes") and, last and only
// when some entry needs it, a "Quorvel" column holding the exact lines (see
// exactlines.h) of each entry the typed columns do not give back. A cell a spreadsheet would take
// for a formula begins with an apostrophe (see needsApostrophe).
void writeCsv(Utf8Builder &out, const std::function<void(const EntryVisitor &)> &forEach);

// The same into bytes.
QByteArray formatCsv(const QList<DirectoryEntry> &entries);

// Reads a CSV file of contacts: UTF-8 with or without a byte-order mark,
// UTF-16 with one, otherwise Windows-1252; comma, semicolon or TAB
// separated (or as a first line "sep=;" says). The first record must be a
// header naming a column of contacts (a name, e-mail address, number ...),
// as common address-book exports write in English or another language of the
// header table; otherwise the file is refused. A cell's apostrophe before a
// formula is taken off (see needsApostrophe); a value longer than
// kLongestValue characters is noted and left out, a record longer than
// kLongestContact skipped.
ContactsRead readCsv(QByteArrayView bytes);

} // namespace core
