#include "core/contacts.h"
#include "core/csv.h"
#include "support/fixtures.h"

namespace {

using core::DirectoryEntry;
using testsupport::u8;

// Exports of common address books, and what each file pins.
TEST(CoreCsv, ImportsExportsOfCommonAddressBooks)
{
    const std::pair<const char *, QList<DirectoryEntry>> rows[] = {
        // Numbered label and value columns, " ::: " in a cell, a multi-line cell.
        {"webmail.csv",
         {{"Hiro Tanaka",
           "company: Tanaka Sato\ttitle: Engineer\te-mail: hiro@example.jp\t"
           "e-mail: h@example.org\tmobile: +81 90 1234\tphone (Gym): +81 3 5555\t"
           "web: www.example.jp\tLikes \"tea\", green\taddress: 1-2-3 Shibuya, Tokyo",
           false}}},
        // Every field quoted, Windows-1252, address parts.
        {"desktopmail.csv",
         {{u8("Dr. Ren\u00e9 M\u00fcller"),
           u8("company: ACME\twork phone: 0221 1\thome phone: 0221 2\tmobile: 0171 3\t"
              "fax: 0221 4\te-mail: rene@acme.de\taddress: Hauptstra\u00dfe 1, K\u00f6ln, 50667, "
              "Germany"),
           false}}},
        // UTF-16 with a byte-order mark, semicolons, a display name.
        {"mailclient.csv",
         {{u8("Zo\u00eb M."),
           "nickname: Zozo\te-mail: zoe@example.com\tmobile: +33 6 12\t"
           "address: 1 Rue X, Apt 4, Paris, 75001, France",
           false}}},
        // A separator line, a nameless record, a blank one, a short one.
        {"separator.csv",
         {{"ann@example.org", "e-mail: ann@example.org", false}, {"Bob", "", false}}},
    };
    for (const auto &[fixture, entries] : rows) {
        const core::ImportResult result = core::importContacts(
            core::readCsv(testsupport::fileBytes(QUORVEL_FIXTURES "/" + u8(fixture))), {});
        EXPECT_TRUE(result.ok) << fixture;
        EXPECT_EQ(result.entries, entries) << fixture;
    }
}

TEST(CoreImport, NamesEntriesMakesNamesStorableAndSkipsWhatIsAlreadyThere)
{
    core::ContactsRead read;
    read.ok = true;
    read.unit = "card";
    read.notes = {{11, "it has no END:VCARD", true}, {1, "line \"x|y\" stored as \"x y\"", false}};
    read.contacts = {
        {1, "A|B\tC\r\nD", "x y", false, false, {}},
        {2, "<B>old", "", false, false, {}},
        {3, "", "phone: 1\tfax: 2", false, false, {}},
        {4, "", "phone: 2", false, false, "Acme"},
        {5, " ", "", false, false, {}},
        {6, "Ann", "phone: 1", false, false, {}},
        {7, "Bob", "phone: 2", false, false, {}},
        {8, "Bob", "phone: 2", false, false, {}},
        {9, "Cy<b>x", "", true, true, {}},
        {10, "", "phone: 3", false, true, {}},
    };
    const core::ImportResult result =
        core::importContacts(read, {{"Ann", "phone: 1", false}, {"Bob", "phone: 2", true}});
    EXPECT_EQ(result.entries, QList<DirectoryEntry>({{"A B C D", "x y", false},
                                                     {"(b)old", "", false},
                                                     {"1", "phone: 1\tfax: 2", false},
                                                     {"Acme", "phone: 2", false},
                                                     {"Bob", "phone: 2", false},
                                                     {"Bob", "phone: 2", false},
                                                     {"Cy(b)x", "", true},
                                                     {"", "phone: 3", false}}));
    EXPECT_EQ(
        result.reasons,
        QStringList({"card 1: line \"x|y\" stored as \"x y\"",
                     "card 1: name \"A|B\tC\r\nD\" stored as \"A B C D\"",
                     "card 2: name \"<B>old\" stored as \"(b)old\"", "card 3: no name, named \"1\"",
                     "card 4: no name, named \"Acme\"", "card 5: it holds nothing",
                     "card 9: name \"Cy<b>x\" stored as \"Cy(b)x\"",
                     "card 11: it has no END:VCARD"}));
    EXPECT_EQ(core::importSummary("f.vcf", result), "f.vcf: 8 added, 1 already there, 2 skipped");
}

// By the file's name, else by its content; CSV needs a header of name columns.
TEST(CoreImport, ChoosesTheReaderByNameOrContent)
{
    const QByteArray card = "BEGIN:VCARD\r\nFN:Ann\r\nEND:VCARD\r\n";
    const char *added = "1 added, 0 already there, 0 skipped";
    const char *noCard = "not imported, it holds no vCard (BEGIN:VCARD ... END:VCARD)";
    const char *noHeader = "not imported, its first record is not a header with name columns "
                           "(\"Name\", or \"First Name\" and \"Last Name\")";
    const std::tuple<const char *, QByteArray, const char *> rows[] = {
        {"a.txt", card, added},
        {"b.dat", "Name\r\nAnn\r\n", added},
        {"c.VCF", "Name\r\nAnn\r\n", noCard},
        {"d.csv", card, noHeader},
        {"e.csv", "", noHeader},
        {"f.csv", "Vorname,Nachname\r\nAnn,Smith\r\n", noHeader},
        {"g.csv", "Ann,555-1234\r\n", noHeader},
    };
    QTemporaryDir dir;
    for (const auto &[file, bytes, summary] : rows) {
        testsupport::writeBytes(dir.filePath(file), bytes);
        EXPECT_EQ(core::importSummary(file, core::importContactsFile(dir.filePath(file), {})),
                  file + QString(": ") + summary);
    }
    EXPECT_EQ(core::importContactsFile(dir.filePath("missing.vcf"), {}).error, "it does not exist");
}

} // namespace
