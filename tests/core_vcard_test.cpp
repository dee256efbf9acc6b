#include "core/contacts/contacts.h"
#include "core/contacts/csv.h"
#include "core/contacts/vcard.h"
#include "support/fixtures.h"

#include <QRegularExpression>

namespace {

using namespace testsupport;

using core::DirectoryEntry;
using core::LineKind;

// A line's kind and value, and the address it opens ("-": none).
TEST(CoreLineKind, SplitsLinesAndGivesTheAddressToOpen)
{
    const std::tuple<const char *, LineKind, const char *, const char *> rows[] = {
        {"phone: 555-1234", LineKind::Phone, "555-1234", "tel:555-1234"},
        {"<b>E-Mail :  ann@example.org ", LineKind::Email, "ann@example.org",
         "mailto:ann@example.org"},
        {"Cell Phone: +1 (555) 01 99", LineKind::Mobile, "+1 (555) 01 99", "tel:+1(555)0199"},
        {"fax:030 1", LineKind::Fax, "030 1", "tel:0301"},
        {"e-mail (Uni): h@x.jp", LineKind::Email, "h@x.jp", "mailto:h@x.jp"},
        {"web: www.example.org", LineKind::Web, "www.example.org", "https://www.example.org"},
        {"URL: https://x.org/a", LineKind::Web, "https://x.org/a", "https://x.org/a"},
        {"Docs: http://x.org/a", LineKind::Text, "http://x.org/a", "http://x.org/a"},
        {"address: 1 Main St", LineKind::Address, "1 Main St", "-"},
        {"<B>just a note ", LineKind::Text, "<B>just a note", "-"},
        {"work phone:", LineKind::WorkPhone, "", "-"},
    };
    for (const auto &[line, kind, value, url] : rows) {
        SCOPED_TRACE(line);
        const QString text = u8(line); // the parts are views into it
        const core::LineParts parts = core::splitLine(text);
        EXPECT_EQ(parts.kind, kind);
        EXPECT_EQ(parts.value.toString(), value);
        EXPECT_EQ(core::urlToOpen(u8(line)).value_or("-"), url);
    }
}

QByteArray withoutChecksums(const QByteArray &bytes)
{
    return QString(bytes).replace(QRegularExpression("CHECKSUM=[0-9a-f]{16}"), "#").toUtf8();
}

TEST(CoreVCard, WritesTypedPropertiesAndTheExactEntry)
{
    const DirectoryEntry zoe{u8("Zo\u00eb \u00dcnal"), "<b>fax: 1\tx, y\\z", true};
    const DirectoryEntry ann{"Ann", "E-mail: a@b.c\taddress: S 1; B\t\tphone:", false};
    // Lines the typed properties give back as they are need no exact copy.
    const DirectoryEntry bo{"Bo", "phone: 2\tnote: x", false};
    EXPECT_EQ(withoutChecksums(core::formatVCards({zoe, ann, bo}, core::VCardVersion::V3)),
              "BEGIN:VCARD\r\nVERSION:3.0\r\nFN:Zo\u00eb \u00dcnal\r\nN:\u00dcnal;Zo\u00eb;;;\r\n"
              "TEL;TYPE=fax:1\r\nNOTE:x\\, y\\\\z\r\nX-QUORVEL-ENTRY;#;BOLD=1:*;+\r\nEND:VCARD\r\n"
              "BEGIN:VCARD\r\nVERSION:3.0\r\nFN:Ann\r\nN:Ann;;;;\r\nEMAIL:a@b.c\r\n"
              "ADR:;;S 1\\; B;;;;\r\nNOTE:phone:\r\nX-QUORVEL-ENTRY;#:E-mail: a@b.c;+;=;+\r\n"
              "END:VCARD\r\nBEGIN:VCARD\r\nVERSION:3.0\r\nFN:Bo\r\nN:Bo;;;;\r\nTEL:2\r\n"
              "NOTE:note: x\r\nEND:VCARD\r\n");
    EXPECT_EQ(withoutChecksums(core::formatVCards({ann}, core::VCardVersion::V4)),
              "BEGIN:VCARD\r\nVERSION:4.0\r\nFN:Ann\r\nEMAIL:a@b.c\r\nADR:;;S 1\\; B;;;;\r\n"
              "NOTE:phone:\r\nX-QUORVEL-ENTRY;#:E-mail: a@b.c;+;=;+\r\nEND:VCARD\r\n");
}

TEST(CoreVCard, FoldsAt75OctetsWithoutSplittingACharacter)
{
    const QString euros(24, QChar(0x20AC)); // three octets each
    const QByteArray bytes = core::formatVCards(
        {{"F", euros + "\tnote: " + QString(40, QChar(0xFC)) + "\t" + QString(80, u'a'), false}},
        core::VCardVersion::V4);
    EXPECT_TRUE(bytes.contains("NOTE:" + euros.chopped(1).toUtf8() + "\r\n \xE2\x82\xAC\r\n"));
    EXPECT_TRUE(bytes.contains("NOTE:" + QByteArray(70, 'a') + "\r\n " + QByteArray(10, 'a')));
    for (const QByteArray &line : bytes.split('\n'))
        EXPECT_TRUE(line.size() <= 76 && QByteArrayView(line).isValidUtf8()) << line.constData();
}

// Address-book exports; the fixture's ".entries" file holds its entries as "name|numbers" lines.
TEST(CoreImport, ImportsExportsOfCommonAddressBooks)
{
    const std::pair<const char *, QStringList> rows[] = {
        {"phone21.vcf",
         {u8("card 1: line \"First line\u21b5Second line\" stored as \"First line Second line\""),
          "card 2: no name, named \"Pizza Roma\"", "1 photo not kept"}},
        {"webmail30.vcf",
         {"card 1: line \"A long note that the exporter folded in the middle of a word...\" "
          "stored as \"A long note that the exporter folded in the middle of a word...\""}},
        {"desktop40.vcf", {"1 photo not kept"}},
        {"webmail.csv", {}},     // numbered label and value columns, " ::: ", a multi-line cell
        {"desktopmail.csv", {}}, // every field quoted, Windows-1252, address parts
        {"mailclient.csv", {}},  // UTF-16 with a byte-order mark, semicolons, a display name
        // A separator line, a nameless, a blank and a short record.
        {"separator.csv", {"record 2: no name, named \"ann@example.org\""}},
    };
    for (const auto &[fixture, reasons] : rows) {
        SCOPED_TRACE(fixture);
        const QString path = QUORVEL_FIXTURES "/" + u8(fixture);
        QList<DirectoryEntry> entries;
        for (const QString &line : u8(fileBytes(path + ".entries")).split('\n', Qt::SkipEmptyParts))
            entries.append({line.section('|', 0, 0), line.section('|', 1), false});
        const QByteArray bytes = fileBytes(path);
        const core::ImportResult result = core::importContacts(
            path.endsWith(".csv") ? core::readCsv(bytes) : core::readVCards(bytes), {});
        ASSERT_TRUE(result.ok) << result.error.toStdString();
        EXPECT_EQ(result.entries, entries);
        EXPECT_EQ(result.reasons, reasons);
    }
}

TEST(CoreVCard, RefusesFilesWithoutAWholeCardAndSkipsAnUnfinishedOne)
{
    for (const char *bytes : {"", "FN:Ann\r\nEND:VCARD\r\n", "BEGIN:VCARD\r\nFN:Ann\r\n"})
        EXPECT_EQ(core::importContacts(core::readVCards(bytes), {}).error,
                  "it holds no vCard (BEGIN:VCARD ... END:VCARD)");
    const core::ImportResult result = core::importContacts(
        core::readVCards("begin:vcard\nfn:Ann\nend:vcard\nBEGIN:VCARD\nFN:Bob\n"), {});
    EXPECT_EQ(result.entries, QList<DirectoryEntry>({{"Ann", "", false}}));
    EXPECT_EQ(result.skipped, 1);
    EXPECT_EQ(result.reasons, QStringList("card 2: it has no END:VCARD"));
}

// Quoted-printable: "=XX" is a byte, a soft break joins lines, an "=" that
// escapes nothing stays. A quoted parameter value may hold ":" (N read without FN).
TEST(CoreVCard, ReadsValuesThroughTheirParameters)
{
    const core::ImportResult result = core::importContacts(
        core::readVCards("BEGIN:VCARD\r\nFN;CHARSET=UTF-8;ENCODING=QUOTED-PRINTABLE:=C3=A9=3D=\r\n"
                         "x=ZZ=4\r\nEND:VCARD\r\nBEGIN:VCARD\r\nN;X-A=\"a:b\":Fam;Giv;;;\r\n"
                         "END:VCARD\r\n"),
        {});
    EXPECT_EQ(result.entries,
              QList<DirectoryEntry>({{u8("\u00e9=x=ZZ=4"), "", false}, {"Giv Fam", "", false}}));
}

TEST(CoreVCard, ReadsALargeFileInTwoPartsInOrder)
{
    QList<DirectoryEntry> entries;
    for (int i = 0; i < 12000; ++i)
        entries.append({QStringLiteral("Name %1").arg(i),
                        QStringLiteral("phone: %1\tnote %1, long enough to fill a megabyte").arg(i),
                        i % 7 == 0});
    QByteArray bytes = core::formatVCards(entries, core::VCardVersion::V3);
    ASSERT_GT(bytes.size(), 1 << 20); // read in two parts from this size on
    bytes.chop(11);                   // the last card without its END:VCARD
    const core::ImportResult result = core::importContacts(core::readVCards(bytes), {});
    entries.removeLast();
    EXPECT_TRUE(result.entries == entries);
    EXPECT_EQ(result.reasons, QStringList("card 12000: it has no END:VCARD"));
}

using CoreContactRoundTrip = testing::TestWithParam<core::ContactFormat>;

// The entries written and read again, the first `typed` changed to `changed`.
core::ImportResult roundTrip(core::ContactFormat format, const QList<DirectoryEntry> &entries,
                             QByteArrayView typed = {}, QByteArrayView changed = {})
{
    core::Utf8Builder out;
    core::writeContacts(out, format, [&](const core::EntryVisitor &visit) {
        for (const DirectoryEntry &entry : entries)
            visit(entry);
    });
    QByteArray bytes = out.take();
    if (!typed.isEmpty())
        bytes.replace(bytes.indexOf(typed), typed.size(), changed);
    return core::importContacts(
        format == core::ContactFormat::Csv ? core::readCsv(bytes) : core::readVCards(bytes), {});
}

// The directory file's edge cases come back exactly.
TEST_P(CoreContactRoundTrip, GivesTheSameEntries)
{
    QStringList many;
    for (int i = 0; i < 2000; ++i)
        many.append(i % 3 ? QStringLiteral("phone: 555-%1").arg(i)
                          : QStringLiteral("note %1, with; specials \\ :::").arg(i));
    const QList<DirectoryEntry> entries = {
        {"Ann Example", "phone: 555-1234\te-mail: ann@example.org", false},
        {"Bold Bob", "<b>mobile: 0170 1\t\t<b>\tplain <b> inside\t", true},
        {u8("Zo\u00eb \u00dcnal; x\\y, \"q\""),
         u8("address: Stra\u00dfe 5, 10115 Berlin\t\U0001F600 \u4e2d ::: x\t"
            "web: http://ex.org/a,b;c"),
         false},
        {"", "", false},
        {"x<b>y", "mobile: tel:0170", false},
        {QStringLiteral("\uFEFFZ"), "\uFEFF\te-mail: \uFEFF\uFEFFx", false}, // no byte-order marks
        {" spaced ", " phone:  1 \tfax:\t  ", false},
        {"Many", many.join('\t'), false},
        {"Ann Example", "phone: 555-1234\te-mail: ann@example.org", false},
    };
    const core::ImportResult result = roundTrip(GetParam(), entries);
    EXPECT_EQ(result.entries, entries);
    EXPECT_EQ(result.reasons, QStringList());
}

TEST_P(CoreContactRoundTrip, KeepsANumberChangedElsewhere)
{
    EXPECT_EQ(roundTrip(GetParam(), {{"Ann", "<b>phone: 555-1234\tcell: 0170", true}}, "555-1234",
                        "555-9999")
                  .entries,
              QList<DirectoryEntry>({{"Ann", "phone: 555-9999\tmobile: 0170", false}}));
}

const char *const kFormatNames[] = {"VCard3", "VCard4", "Csv"};
INSTANTIATE_TEST_SUITE_P(Formats, CoreContactRoundTrip,
                         testing::Values(core::ContactFormat::VCard3, core::ContactFormat::VCard4,
                                         core::ContactFormat::Csv),
                         [](const auto &info) { return kFormatNames[int(info.param)]; });

} // namespace
