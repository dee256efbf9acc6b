#include "core/contacts/contacts.h"
#include "core/contacts/csv.h"
#include "core/contacts/vcard.h"
#include "support/fixtures.h"

#include <QRegularExpression>
#include <QStringDecoder>
#include <QStringEncoder>

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
        // Of a mail address only the address and a subject (one line) go out.
        {"e-mail: MailTo:b@x?attach=~/.ssh/id_rsa&Subject=a%26b&cc=c@y", LineKind::Email,
         "MailTo:b@x?attach=~/.ssh/id_rsa&Subject=a%26b&cc=c@y", "mailto:b@x?subject=a%26b"},
        {"e-mail: b@x?subject=1%0D%0ABcc:%20e@v#f", LineKind::Email,
         "b@x?subject=1%0D%0ABcc:%20e@v#f", "mailto:b@x?subject=1%20%20Bcc%3A%20e%40v"},
        {"e-mail: none", LineKind::Email, "none", "-"},
        {"e-mail: a b@x", LineKind::Email, "a b@x", "-"},
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

QByteArray utf16(const QByteArray &utf8, QStringConverter::Encoding encoding, bool bom)
{
    QStringEncoder encoder(encoding, bom ? QStringConverter::Flag::WriteBom
                                         : QStringConverter::Flag::Default);
    return encoder.encode(QString::fromUtf8(utf8));
}

// A file of about 1.2 MiB of small cards "~" around a 2.1 card whose AGENT
// cards (one after the other) hold its middle, where a file is read in two parts.
QByteArray cardsAroundAgents()
{
    QByteArray filler;
    for (int i = 0; i < 3000; ++i)
        filler += "BEGIN:VCARD\r\nFN:~\r\nNOTE:" + QByteArray(160, 'x') + "\r\nEND:VCARD\r\n";
    return filler +
           "BEGIN:VCARD\r\nVERSION:2.1\r\nFN:Boss\r\nAGENT:\r\nBEGIN:VCARD\r\nVERSION:2.1\r\n"
           "FN:Helper\r\nNOTE:" +
           QByteArray(600000, 'y') +
           "\r\nEND:VCARD\r\nBEGIN:VCARD\r\nFN:Helper 2\r\nEND:VCARD\r\nTEL:1\r\nEND:VCARD\r\n" +
           filler;
}

QByteArray longCells(int cells, qsizetype size)
{
    QByteArray record = "Name,Notes\r\nAnn";
    for (int i = 0; i < cells; ++i)
        record += ',' + QByteArray(size, 'x');
    return record + "\r\n";
}

QByteArray longNotes(int notes, qsizetype size)
{
    QByteArray card = "BEGIN:VCARD\r\nFN:Ann\r\n";
    for (int i = 0; i < notes; ++i)
        card += "NOTE:" + QByteArray(size, 'x') + "\r\n";
    return card + "END:VCARD\r\nBEGIN:VCARD\r\nFN:Bob\r\nEND:VCARD\r\n";
}

// What address books and phones write, and hostile files: each row a file
// (".vcf" or ".csv"), the entries ("name|lines", lines joined by TAB; the
// filler entries "~" left out) and the reasons.
TEST(CoreImport, ReadsWhatAddressBooksWriteWhole)
{
    const auto sjis = QByteArray::fromHex("955c");     // a kanji: its trail byte is "\"
    const auto big5 = QByteArray::fromHex("a55c");     // the same in Big5
    const auto city = QByteArray::fromHex("a578a55f"); // two more
    const auto taro = QByteArray::fromHex("91be9859"); // a given name
    const QByteArray card = "BEGIN:VCARD\r\nFN:Ann\r\nTEL:1\r\nEND:VCARD\r\n";
    struct Row
    {
        const char *file;
        QByteArray bytes;
        QStringList entries, reasons = {};
    };
    const Row rows[] = {
        {"utf16_with_bom.vcf", utf16(card, QStringConverter::Utf16LE, true), {"Ann|phone: 1"}},
        {"utf16_without_bom.vcf", utf16(card, QStringConverter::Utf16BE, false), {"Ann|phone: 1"}},
        {"no_end_in_the_middle.vcf",
         "BEGIN:VCARD\nFN:A\nEND:VCARD\nBEGIN:VCARD\nFN:B\nBEGIN:VCARD\nFN:C\nEND:VCARD\n",
         {"A|", "C|"},
         {"card 2: it has no END:VCARD"}},
        {"large_file_cut_between_cards_only.vcf", cardsAroundAgents(), {"Boss|phone: 1"}},
        {"v21_line_without_colon_continues.vcf",
         "BEGIN:VCARD\r\nVERSION:2.1\r\nN:Lee;Al\r\nADR;HOME:;;Main Street 1\\\r\nSpringfield;"
         "IL;;\r\nEND:VCARD\r\n",
         {"Al Lee|address: Main Street 1, Springfield, IL"}},
        {"csv_only_email_columns.csv",
         "E-mail Address\r\nann@example.org\r\n",
         {"ann@example.org|e-mail: ann@example.org"},
         {"record 2: no name, named \"ann@example.org\""}},
        {"csv_german_desktop_mail_headers.csv",
         u8("Vorname,Nachname,Weitere Vornamen,Firma,Position,E-Mail-Adresse,E-Mail 2: Adresse,"
            "Telefon gesch\u00e4ftlich,Telefon privat,Mobiltelefon,Fax gesch\u00e4ftlich,"
            "Stra\u00dfe gesch\u00e4ftlich,Ort gesch\u00e4ftlich,Postleitzahl gesch\u00e4ftlich,"
            "Land/Region gesch\u00e4ftlich,Geburtstag,Notizen\r\n"
            "Jan,Ruf,Udo,Acme,Chef,j@a.de,j@b.de,1,2,3,4,Weg 1,Bonn,53111,DE,1.2.1980,Hi\r\n")
             .toUtf8(),
         {"Jan Udo Ruf|company: Acme\ttitle: Chef\te-mail: j@a.de\te-mail: j@b.de\twork phone: 1\t"
          "home phone: 2\tmobile: 3\tfax: 4\tbirthday: 1.2.1980\tHi\taddress: Weg 1, Bonn, 53111, "
          "DE"}},
        {"cr_cr_lf_line_ends.vcf",
         "BEGIN:VCARD\r\r\nFN:Ann Lee\r\r\nNOTE:fold\r\r\n ed\r\r\nEND:VCARD\r\r\n",
         {"Ann Lee|folded"}},
        {"utf8_with_one_invalid_byte.vcf",
         "BEGIN:VCARD\r\nFN;CHARSET=UTF-8:Caf\xC3\xA9 Se\xC3\xB1or\x80\r\nEND:VCARD\r\n",
         {u8("Caf\u00e9 Se\u00f1or\ufffd|")}},
        {"shift_jis_trail_byte_before_semicolon.vcf",
         "BEGIN:VCARD\r\nVERSION:2.1\r\nN;CHARSET=SHIFT_JIS:" + sjis + ";" + taro +
             "\r\nEND:VCARD\r\n",
         {u8("\u592a\u90ce \u8868|")}},
        {"big5_trail_byte_before_semicolon.vcf",
         "BEGIN:VCARD\r\nVERSION:2.1\r\nFN:Wu\r\nADR;CHARSET=BIG5:;;" + big5 + ";" + city +
             ";;;\r\nEND:VCARD\r\n",
         {u8("Wu|address: \u529f, \u53f0\u5317")}},
        {"v40_tel_uri_without_value_uri.vcf",
         "BEGIN:VCARD\r\nVERSION:4.0\r\nFN:Ann\r\nTEL;TYPE=cell:tel:+1-555-0100\r\nEND:VCARD\r\n",
         {"Ann|mobile: +1-555-0100"}},
        {"type_words_of_exporters.vcf",
         "BEGIN:VCARD\r\nVERSION:2.1\r\nFN:Ann\r\nTEL;TYPE=workfax:1\r\nTEL;TYPE=homefax:2\r\n"
         "TEL;TYPE=home2:3\r\nTEL;TYPE=work2:4\r\nTEL;TYPE=IPHONE:5\r\nTEL;FAX,WORK:6\r\n"
         "END:VCARD\r\n",
         {"Ann|fax: 1\tfax: 2\thome phone: 3\twork phone: 4\tmobile: 5\tfax: 6"}},
        {"csv_address_without_prefix.csv",
         "Name,Street,City,Zip,Country\r\nAnn,Storgatan 1,Stockholm,111 22,SE\r\n",
         {"Ann|address: Storgatan 1, Stockholm, 111 22, SE"}},
        {"csv_several_emails_in_one_cell.csv",
         "Name,E-mail\r\nAnn,\"a@x.org, b@y.org;c@z\"\r\n",
         {"Ann|e-mail: a@x.org\te-mail: b@y.org\te-mail: c@z"}},
        {"csv_line_break_in_a_cell.csv",
         "Name,Address,Notes\r\nAnn,\"Storgatan 1 \r\n Stockholm\",\"a\nb\"\r\n",
         {"Ann|address: Storgatan 1, Stockholm\ta, b"}},
        {"csv_callback_isdn_telex_and_no_date.csv",
         "\"First Name\",\"Callback\",\"ISDN\",\"Telex\",\"Birthday\"\r\n"
         "\"Ann\",\"1\",\"2\",\"3\",\"0/0/00\"\r\n",
         {"Ann|phone: 1\tphone: 2\tphone: 3"}},
        {"basic_date_birthday.vcf",
         "BEGIN:VCARD\r\nFN:Ann\r\nBDAY:19790321\r\nEND:VCARD\r\n",
         {"Ann|birthday: 1979-03-21"}},
        {"anniversary_categories_and_what_no_entry_keeps.vcf",
         "BEGIN:VCARD\r\nVERSION:4.0\r\nFN:Ann\r\nANNIVERSARY:2001-05-05\r\nCATEGORIES:A,B\r\n"
         "PHOTO:data:image/png;base64,iVBO\r\nLOGO:http://x/l.png\r\nEND:VCARD\r\n"
         "BEGIN:VCARD\r\nFN:Bo\r\nPHOTO;ENCODING=b;TYPE=JPEG:/9j/"
         "\r\nKEY:x\r\nSOUND:y\r\nEND:VCARD\r\n",
         {"Ann|anniversary: 2001-05-05\tcategories: A, B", "Bo|"},
         {"2 photos not kept", "1 logo not kept", "1 sound not kept", "1 key not kept"}},
        {"escape_capital_n.vcf",
         "BEGIN:VCARD\r\nFN:Ann\r\nADR:;;Storgatan 1\\NStockholm;;;;\r\nEND:VCARD\r\n",
         {"Ann|address: Storgatan 1, Stockholm"}},
        {"csv_apostrophe_before_formula_cells_only.csv",
         "Name,Phone,Notes,Web\r\n'=HYPERLINK(\"x\"),'+1 (555) 0,'-x,'hello\r\n''@b,+1 "
         "555,'@t,'-\r\n",
         {"=HYPERLINK(x)|phone: '+1 (555) 0\t-x\tweb: 'hello", "'@b|phone: +1 555\t@t\tweb: '-"}},
        {"csv_value_over_limit.csv",
         longCells(1, core::kLongestValue + 1),
         {"Ann|"},
         {"record 2: a value of 1 MiB left out (\"Notes\")"}},
        {"csv_record_over_limit.csv",
         longCells(17, core::kLongestValue),
         {},
         {"record 2: it is longer than 16 MiB"}},
        {"vcard_value_over_limit.vcf",
         longNotes(1, core::kLongestValue + 1),
         {"Ann|", "Bob|"},
         {"card 1: a value of 1 MiB left out (NOTE)"}},
        {"vcard_card_over_limit.vcf",
         longNotes(17, core::kLongestValue),
         {"Bob|"},
         {"card 1: it is longer than 16 MiB"}},
    };
    for (const auto &[file, bytes, entries, reasons] : rows) {
        SCOPED_TRACE(file);
        const core::ImportResult result = core::importContacts(
            QByteArrayView(file).endsWith(".csv") ? core::readCsv(bytes) : core::readVCards(bytes),
            {});
        ASSERT_TRUE(result.ok) << result.error.toStdString();
        QStringList got;
        for (const DirectoryEntry &entry : result.entries) {
            if (entry.name != u"~")
                got.append(entry.name + u'|' + entry.numbers);
        }
        EXPECT_EQ(got, entries);
        EXPECT_EQ(result.reasons, reasons);
    }
    // Quorvel's CSV puts the apostrophe before such cells, and reads them back.
    const DirectoryEntry formulas{"=1+2", "phone: -1 x\tmobile: +1 (555) 0\t@x\t'-y", false};
    const QByteArray written = core::formatCsv({formulas});
    EXPECT_TRUE(written.contains("\r\n'=1+2,'-1 x,,,+1 (555) 0,,,,,,,,,,'@x ::: '-y\r\n"))
        << written.constData();
    EXPECT_EQ(core::importContacts(core::readCsv(written), {}).entries, QList{formulas});
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
