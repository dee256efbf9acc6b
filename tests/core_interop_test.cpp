// Quorvel's vCard files checked against independent readers and writers:
// Debian's python3-vobject and abook (installed by ./build.sh test).
#include "core/contacts/contacts.h"
#include "core/contacts/vcard.h"
#include "core/directory/identityfile.h"
#include "support/fixtures.h"

#include <QProcess>
#include <QStandardPaths>

namespace {

using namespace testsupport;

using core::DirectoryEntry;

// The tool's standard output; a tool missing or failing fails the test.
QByteArray run(const QString &name, const QStringList &args, const QTemporaryDir &home,
               const QStringList &paths = {})
{
    const QString program = QStandardPaths::findExecutable(name, paths);
    EXPECT_FALSE(program.isEmpty()) << name.toStdString() << " is missing";
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("HOME", home.path());
    process.setProcessEnvironment(environment);
    process.start(program, args);
    EXPECT_TRUE(process.waitForFinished(60000)) << name.toStdString();
    EXPECT_EQ(process.exitCode(), 0) << process.readAllStandardError().toStdString();
    return process.readAllStandardOutput();
}

TEST(CoreInterop, VobjectReadsNamesNumbersAndAddressesOfEveryExport)
{
    const QList<DirectoryEntry> entries = {
        {"Ann Example", "phone: 555-0100\te-mail: ann@example.org\tmobile: 0170 1234", false},
        {u8("Zo\u00eb \u00dcnal"),
         u8("<b>work phone: +49 30 1234\te-mail: zoe@example.de\tnote, with; specials\t"
            "address: ") +
             u8("\u00dcnterstra\u00dfe 123 ").repeated(6), // folded
         true},
    };
    QTemporaryDir dir;
    for (const core::VCardVersion version : {core::VCardVersion::V3, core::VCardVersion::V4}) {
        writeBytes(dir.filePath("out.vcf"), core::formatVCards(entries, version));
        // Debian's own interpreter, which has the python3-vobject package.
        EXPECT_EQ(run("python3", {QUORVEL_FIXTURES "/vobject-read.py", dir.filePath("out.vcf")},
                      dir, {"/usr/bin"}),
                  "Ann Example|555-0100,0170 1234|ann@example.org\n"
                  "Zo\u00eb \u00dcnal|+49 30 1234|zoe@example.de\n");
    }
}

// What a card says beyond its lines comes back on export (python3-vobject
// reads the same values from both), through the identity file too.
TEST(CoreInterop, ImportedCardExportsItsStructure)
{
    QTemporaryDir dir;
    const QString card = dir.filePath("card.vcf"), out = dir.filePath("out.vcf");
    writeBytes(card,
               "BEGIN:VCARD\r\nVERSION:3.0\r\nUID:abc-123@example.org\r\nFN:Taro Yamada\r\n"
               "N:Yamada;Taro;;Dr.;III\r\nNICKNAME:Tar,Taro-kun\r\n"
               "ORG:Acme\\, Inc.;Sales;East\r\nBDAY:1979-03-21\r\nCATEGORIES:friends,work\r\n"
               "TEL;TYPE=HOME,VOICE,PREF:555-0100\r\nTEL;TYPE=WORK,FAX:555-0101\r\n"
               "EMAIL;TYPE=INTERNET,WORK:taro@example.org\r\n"
               "ADR;TYPE=HOME:PO 1;Apt 2;Main St 1\\nBack;Town;;12345;Japan\r\nEND:VCARD\r\n");
    QList<DirectoryEntry> entries = core::importContactsFile(card, {}).entries;
    ASSERT_EQ(entries.size(), 1);
    EXPECT_EQ(entries[0].numbers, "nickname: Tar, Taro-kun\tcompany: Acme, Inc., Sales, East\t"
                                  "birthday: 1979-03-21\tcategories: friends, work\t"
                                  "home phone: 555-0100\tfax: 555-0101\te-mail: taro@example.org\t"
                                  "address: Main St 1, Back, Apt 2, PO 1, Town, 12345, Japan");
    // Kept in the identity file and read back.
    core::giveIdentifiers({entries.data(), std::size_t(entries.size())});
    core::Utf8Builder ids;
    core::writeIdentities(ids, {}, [&](const core::EntryVisitor &visit) { visit(entries[0]); });
    std::optional<core::IdentityFile> file = core::parseIdentityFile(ids.take());
    ASSERT_TRUE(file && file->records.size() == 1 && file->records[0].card);
    EXPECT_EQ(*file->records[0].card, *entries[0].card);
    entries[0].card = file->records[0].card;
    writeBytes(out, core::formatVCards(entries, core::VCardVersion::V3));
    const QString read = QUORVEL_FIXTURES "/vobject-structure.py";
    EXPECT_EQ(run("python3", {read, out}, dir, {"/usr/bin"}),
              run("python3", {read, card}, dir, {"/usr/bin"}));
    // And from 4.0 the same entry and card.
    const core::ImportResult back = core::importContacts(
        core::readVCards(core::formatVCards(entries, core::VCardVersion::V4)), {});
    ASSERT_EQ(back.entries, entries);
    EXPECT_EQ(*back.entries[0].card, *entries[0].card);
}

TEST(CoreInterop, AbookReadsOurExportAndWeReadAbooks)
{
    QTemporaryDir dir;
    const QString ours = dir.filePath("ours.vcf");
    writeBytes(ours,
               core::formatVCards({{"Ann Example",
                                    "home phone: 555-0100\te-mail: ann@example.org\t"
                                    "e-mail: ann@work.example\tmobile: 0170 1\twork phone: 030 1\t"
                                    "fax: 030 2\tweb: http://ann.example\tnickname: Annie\tA note",
                                    false},
                                   {u8("Zo\u00eb"), "<b>e-mail: zoe@example.de", true}},
                                  core::VCardVersion::V3));
    const QByteArray read =
        run("abook", {"--convert", "--informat", "vcard", "--infile", ours, "--outformat", "abook"},
            dir);
    EXPECT_EQ(read.mid(read.indexOf("[0]")),
              "[0]\nname=Ann Example\nemail=ann@example.org,ann@work.example\nphone=555-0100\n"
              "workphone=030 1\nfax=030 2\nmobile=0170 1\nnick=Annie\nurl=http://ann.example\n"
              "notes=A note\n\n[1]\nname=Zo\u00eb\nemail=zoe@example.de\n\n");

    const QString theirs = QUORVEL_FIXTURES "/abook.addressbook";
    const QByteArray converted =
        run("abook",
            {"--convert", "--informat", "abook", "--infile", theirs, "--outformat", "vcard"}, dir);
    EXPECT_EQ(core::importContacts(core::readVCards(converted), {}).entries,
              QList<DirectoryEntry>(
                  {{u8("J\u00f6rg \u00d6berg"),
                    "nickname: Jo\taddress: Street 1, Apt 2, Town, 12345, DE\thome phone: 030 1\t"
                    "work phone: 030 2\tfax: 030 4\tmobile: 0170 3\te-mail: joerg@example.de\t"
                    "e-mail: j@example.org\tLikes tea\tweb: http://example.de",
                    false},
                   {"Bob", "", false}}));
}

} // namespace
