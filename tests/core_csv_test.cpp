#include "core/contacts/contacts.h"
#include "core/contacts/csv.h"
#include "support/fixtures.h"

using core::DirectoryEntry;

TEST(CoreImport, NamesEntriesMakesNamesStorableAndSkipsWhatIsAlreadyThere)
{
    core::ContactsRead read;
    read.ok = true;
    read.reasonFormat = "card %1: %2";
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
    const core::ImportResult result = core::importContacts(
        read, QList<DirectoryEntry>{{"Ann", "phone: 1", false}, {"Bob", "phone: 2", true}});
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
                     testsupport::u8("card 1: name \"A|B\tC\u21b5D\" stored as \"A B C D\""),
                     "card 2: name \"<B>old\" stored as \"(b)old\"", "card 3: no name, named \"1\"",
                     "card 4: no name, named \"Acme\"", "card 5: it holds nothing",
                     "card 9: name \"Cy<b>x\" stored as \"Cy(b)x\"",
                     "card 11: it has no END:VCARD"}));
    EXPECT_EQ(core::importSummary("f.vcf", result),
              "f.vcf: 8 added, 0 updated, 1 already there, 2 skipped");
}

// By the file's name, else by its content; CSV needs a header of contact columns.
TEST(CoreImport, ChoosesTheReaderByNameOrContent)
{
    const QByteArray card = "BEGIN:VCARD\r\nFN:Ann\r\nEND:VCARD\r\n";
    const char *added = "1 added, 0 updated, 0 already there, 0 skipped";
    const char *noCard = "not imported, it holds no vCard (BEGIN:VCARD ... END:VCARD)";
    const char *noHeader = "not imported, its first record is not a header of contact columns "
                           "(\"Name\", \"First Name\", \"E-mail\" ...)";
    const std::tuple<const char *, QByteArray, const char *> rows[] = {
        {"a.txt", card, added},
        {"a16.txt",
         QByteArray("\xFF\xFE") +
             QByteArray(
                 "B\0E\0G\0I\0N\0:\0V\0C\0A\0R\0D\0\n\0F\0N\0:\0A\0\n\0E\0N\0D\0:\0V\0C\0A\0R\0D\0",
                 52),
         added},
        {"b.dat", "Name\r\nAnn\r\n", added},
        {"c.VCF", "Name\r\nAnn\r\n", noCard},
        {"d.csv", card, noHeader},
        {"e.csv", "", noHeader},
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

// The exact lines' column comes last, only when an entry needs it, and is
// filled only for the entries the typed columns do not give back.
TEST(CoreCsv, ExactLinesOnlyWhereTheColumnsCannotGiveTheEntryBack)
{
    const DirectoryEntry plain{"Ann", "phone: 1\thome phone: 2\tA note", false};
    EXPECT_EQ(core::formatCsv({plain}),
              "\xEF\xBB\xBFName,Phone,Home Phone,Work Phone,Mobile,Fax,Pager,E-mail,Address,Web,"
              "Company,Job Title,Nickname,Birthday,Notes\r\nAnn,1,2,,,,,,,,,,,,A note\r\n");
    const QList<DirectoryEntry> entries = {
        {"Ann", "phone: 1\te-mail: a@x", false},
        {"Bob", "e-mail: b@x\tphone: 2", false}, // not in the columns' order
        {"Cy", "e-mail: a@x, b@x", false},       // read as two addresses
        {"Di", "birthday: none", false}};        // read as no date
    const QByteArray written = core::formatCsv(entries);
    EXPECT_TRUE(written.contains(",Notes,Quorvel\r\nAnn,1,,,,,,a@x,,,,,,,,\r\nBob,"));
    EXPECT_EQ(written.count("\"plain "), 3);
    EXPECT_EQ(core::importContacts(core::readCsv(written), {}).entries, entries);
}
