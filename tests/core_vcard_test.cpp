#include "core/contacts.h"
#include "core/csv.h"
#include "core/vcard.h"
#include "support/fixtures.h"

#include <QRegularExpression>
#include <gtest/gtest.h>

namespace {

using core::DirectoryEntry;
using core::LineKind;
using testsupport::u8;

QByteArray fixture(const char *name)
{
    return testsupport::fileBytes(QStringLiteral(QUORVEL_FIXTURES "/") + QLatin1String(name));
}

TEST(CoreLineKind, SplitsLinesAndGivesTheAddressToOpen)
{
    const struct
    {
        const char *line;
        LineKind kind;
        const char *value;
        const char *url; // nullptr: nothing to open
    } rows[] = {
        {"phone: 555-1234", LineKind::Phone, "555-1234", "tel:555-1234"},
        {"<b>E-Mail :  ann@example.org ", LineKind::Email, "ann@example.org",
         "mailto:ann@example.org"},
        {"Cell Phone: +1 (555) 01 99", LineKind::Mobile, "+1 (555) 01 99", "tel:+1(555)0199"},
        {"fax:030 1", LineKind::Fax, "030 1", "tel:0301"},
        {"e-mail (Uni): h@x.jp", LineKind::Email, "h@x.jp", "mailto:h@x.jp"},
        {"web: www.example.org", LineKind::Web, "www.example.org", "https://www.example.org"},
        {"URL: https://example.org/a", LineKind::Web, "https://example.org/a",
         "https://example.org/a"},
        {"Docs: http://x.org/a", LineKind::Text, "http://x.org/a", "http://x.org/a"},
        {"address: 1 Main St", LineKind::Address, "1 Main St", nullptr},
        {"<B>just a note ", LineKind::Text, "<B>just a note", nullptr},
        {"work phone:", LineKind::WorkPhone, "", nullptr},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.line);
        const QString line = QString::fromUtf8(row.line);
        const core::LineParts parts = core::splitLine(line);
        EXPECT_EQ(parts.kind, row.kind);
        EXPECT_EQ(parts.value.toString(), QString::fromUtf8(row.value));
        EXPECT_EQ(core::urlToOpen(line),
                  row.url ? std::optional(QString::fromUtf8(row.url)) : std::optional<QString>());
    }
}

QByteArray withoutChecksums(QByteArray bytes)
{
    return QString::fromUtf8(bytes)
        .replace(QRegularExpression("CHECKSUM=[0-9a-f]{16}"), "CHECKSUM=#")
        .toUtf8();
}

TEST(CoreVCard, WritesTypedPropertiesAndTheExactEntry)
{
    const DirectoryEntry zoe{u8("Zo\xC3\xAB \xC3\x9Cnal"), "<b>fax: 1\tx, y\\z", true};
    const DirectoryEntry ann{"Ann", "E-mail: a@b.c\taddress: S 1; B\t\tphone:", false};
    // Lines the typed properties give back as they are need no exact copy.
    const DirectoryEntry bo{"Bo", "phone: 2\tnote: x", false};
    EXPECT_EQ(withoutChecksums(core::formatVCards({zoe, ann, bo}, core::VCardVersion::V3)),
              "BEGIN:VCARD\r\nVERSION:3.0\r\nFN:Zo\xC3\xAB \xC3\x9Cnal\r\n"
              "N:\xC3\x9Cnal;Zo\xC3\xAB;;;\r\nTEL;TYPE=fax:1\r\nNOTE:x\\, y\\\\z\r\n"
              "X-QUORVEL-ENTRY;CHECKSUM=#;BOLD=1:*;+\r\nEND:VCARD\r\n"
              "BEGIN:VCARD\r\nVERSION:3.0\r\nFN:Ann\r\nN:Ann;;;;\r\n"
              "EMAIL:a@b.c\r\nADR:;;S 1\\; B;;;;\r\nNOTE:phone:\r\n"
              "X-QUORVEL-ENTRY;CHECKSUM=#:E-mail: "
              "a@b.c;+;=;+\r\nEND:VCARD\r\nBEGIN:VCARD\r\nVERSION:3.0\r\nFN:Bo\r\nN:Bo;;;;\r\n"
              "TEL:2\r\nNOTE:note: x\r\nEND:VCARD\r\n");
    EXPECT_EQ(withoutChecksums(core::formatVCards({ann}, core::VCardVersion::V4)),
              "BEGIN:VCARD\r\nVERSION:4.0\r\nFN:Ann\r\nEMAIL:a@b.c\r\nADR:;;S 1\\; B;;;;\r\n"
              "NOTE:phone:\r\nX-QUORVEL-ENTRY;CHECKSUM=#:E-mail: a@b.c;+;=;+\r\nEND:VCARD\r\n");
}

TEST(CoreVCard, FoldsAt75OctetsWithoutSplittingACharacter)
{
    const QString euros(24, QChar(0x20AC)); // three octets each
    const QByteArray bytes = core::formatVCards(
        {{"F", euros + "\tnote: " + QString(40, QChar(0xFC)) + "\t" + QString(80, u'a'), false}},
        core::VCardVersion::V4);
    EXPECT_TRUE(
        bytes.contains("NOTE:" + QString(23, QChar(0x20AC)).toUtf8() + "\r\n \xE2\x82\xAC\r\n"));
    EXPECT_TRUE(
        bytes.contains("NOTE:" + QByteArray(70, 'a') + "\r\n " + QByteArray(10, 'a') + "\r\n"));
    for (const QByteArray &line : bytes.split('\n')) {
        EXPECT_LE(line.size(), 76) << line.constData(); // and the CR
        EXPECT_TRUE(QByteArrayView(line).isValidUtf8()) << line.constData();
    }
}

struct Expected
{
    QList<DirectoryEntry> entries;
    QStringList reasons;
};

TEST(CoreVCard, ImportsExportsOfCommonAddressBooks)
{
    const struct
    {
        const char *fixture;
        Expected want;
    } rows[] = {
        {"phone21.vcf",
         {{{u8("J\xC3\xB6rg \xC3\x96"
               "berg"),
            "mobile: +49 170 1234567\twork phone: 030 123456\tfax: 030 654321\t"
            "e-mail: joerg@example.de\tFirst line Second line",
            false},
           {"Pizza Roma", "company: Pizza Roma\tphone: 555-0101", false},
           {u8("Ren\xC3\xA9 Dupont"), "Met at the fair", false}},
          {"card 1: line \"First line\r\nSecond line\" stored as \"First line Second line\"",
           "card 2: no name, named \"Pizza Roma\""}}},
        {"webmail30.vcf",
         {{{"Dr. Hiro Tanaka",
            "company: Tanaka, Sato & Co., Research\ttitle: Chief Engineer\t"
            "e-mail (Uni): hiro@example.jp\tmobile: +81 90 1234 5678\t"
            "work phone: +81 3 1234 5678\t"
            "address: 1-2-3 Shibuya, Building 4, Tokyo, 150-0002, Japan\t"
            "web: http://example.jp/~hiro\tA long note that the exporter folded in the middle "
            "of a word and again with a TAB:, ;\\ end",
            false},
           {u8("Zo\xC3\xAB Martin"),
            "e-mail: zoe@example.com\te-mail: zoe.m@example.org\tmobile: +33 6 12 34 56 78\t"
            "birthday: 1990-04-01\tnickname: Zozo",
            false}},
          {"card 1: line \"A long note that the exporter folded in the middle of a word and "
           "again\twith a TAB:, ;\\ end\" stored as \"A long note that the exporter folded in "
           "the middle of a word and again with a TAB:, ;\\ end\""}}},
        {"desktop40.vcf",
         {{{"Ann Smith",
            u8("home phone: +1-555-0100\tmobile: +1 555 0199\te-mail: ann@work.example\t"
               "address: 100 Main St, Suite 5, Springfield, IL, 62701, USA\t"
               "Emoji \xF0\x9F\x98\x80 and CJK \xE4\xB8\xAD\xE6\x96\x87"),
            false}},
          {}}},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.fixture);
        const core::ImportResult result =
            core::importContacts(core::readVCards(fixture(row.fixture)), {});
        ASSERT_TRUE(result.ok) << result.error.toStdString();
        EXPECT_EQ(result.entries, row.want.entries);
        EXPECT_EQ(result.reasons, row.want.reasons);
    }
}

TEST(CoreVCard, RefusesFilesWithoutAWholeCardAndSkipsAnUnfinishedOne)
{
    for (const char *bytes : {"", "FN:Ann\r\nEND:VCARD\r\n", "BEGIN:VCARD\r\nFN:Ann\r\n"}) {
        const core::ImportResult result = core::importContacts(core::readVCards(bytes), {});
        EXPECT_FALSE(result.ok) << bytes;
        EXPECT_EQ(result.error, "it holds no vCard (BEGIN:VCARD ... END:VCARD)");
    }
    const core::ImportResult result = core::importContacts(
        core::readVCards("begin:vcard\nfn:Ann\nend:vcard\nBEGIN:VCARD\nFN:Bob\n"), {});
    EXPECT_EQ(result.entries, QList<DirectoryEntry>({{"Ann", "", false}}));
    EXPECT_EQ(result.skipped, 1);
    EXPECT_EQ(result.reasons, QStringList("card 2: it has no END:VCARD"));
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

// The directory file's edge cases.
QList<DirectoryEntry> edgeEntries()
{
    QStringList many;
    for (int i = 0; i < 2000; ++i)
        many.append(i % 3 ? QStringLiteral("phone: 555-%1").arg(i)
                          : QStringLiteral("note %1, with; specials \\ :::").arg(i));
    return {
        {"Ann Example", "phone: 555-1234\te-mail: ann@example.org", false},
        {"Bold Bob", "<b>mobile: 0170 1\t\t<b>\tplain <b> inside\t", true},
        {u8("Zo\xC3\xAB \xC3\x9Cnal; x\\y, \"q\""),
         u8("address: Stra\xC3\x9F"
            "e 5, 10115 Berlin\t\xF0\x9F\x98\x80 \xE4\xB8\xAD ::: x\tweb: http://ex.org/a,b;c"),
         false},
        {"", "", false},
        {"x<b>y", "mobile: tel:0170", false},
        {QStringLiteral("\uFEFFZ"), "\uFEFF", false}, // not a byte-order mark here
        {" spaced ", " phone:  1 \tfax:\t  ", false},
        {"Many", many.join('\t'), false},
        {"Ann Example", "phone: 555-1234\te-mail: ann@example.org", false},
    };
}

class CoreContactRoundTrip : public testing::TestWithParam<core::ContactFormat>
{
};

QByteArray formatted(core::ContactFormat format, const QList<DirectoryEntry> &entries)
{
    core::Utf8Builder out;
    core::writeContacts(out, format, [&](const core::EntryVisitor &visit) {
        for (const DirectoryEntry &entry : entries)
            visit(entry);
    });
    return out.take();
}

core::ContactsRead read(core::ContactFormat format, const QByteArray &bytes)
{
    return format == core::ContactFormat::Csv ? core::readCsv(bytes) : core::readVCards(bytes);
}

TEST_P(CoreContactRoundTrip, GivesTheSameEntries)
{
    const QList<DirectoryEntry> entries = edgeEntries();
    const core::ImportResult result =
        core::importContacts(read(GetParam(), formatted(GetParam(), entries)), {});
    EXPECT_EQ(result.entries, entries);
    EXPECT_EQ(result.reasons, QStringList());
}

TEST_P(CoreContactRoundTrip, KeepsANumberChangedElsewhere)
{
    QByteArray bytes = formatted(GetParam(), {{"Ann", "<b>phone: 555-1234\tcell: 0170", true}});
    bytes.replace(bytes.indexOf("555-1234"), 8, "555-9999"); // the typed value only
    const core::ImportResult result = core::importContacts(read(GetParam(), bytes), {});
    EXPECT_EQ(result.entries,
              QList<DirectoryEntry>({{"Ann", "phone: 555-9999\tmobile: 0170", false}}));
}

INSTANTIATE_TEST_SUITE_P(Formats, CoreContactRoundTrip,
                         testing::Values(core::ContactFormat::VCard3, core::ContactFormat::VCard4,
                                         core::ContactFormat::Csv),
                         [](const auto &info) {
                             return std::string(info.param == core::ContactFormat::Csv ? "Csv"
                                                : info.param == core::ContactFormat::VCard4
                                                    ? "VCard4"
                                                    : "VCard3");
                         });

} // namespace
