#include "core/contacts/csv.h"

#include <QStringDecoder>

#include <array>

namespace core {

namespace {

constexpr QStringView kValueSeparator = u" ::: ";

struct WrittenColumn
{
    QLatin1StringView header;
    LineKind kind;
};

// The typed columns, in the order written.
constexpr std::array kWrittenColumns = {
    WrittenColumn{QLatin1StringView("Phone"), LineKind::Phone},
    WrittenColumn{QLatin1StringView("Home Phone"), LineKind::HomePhone},
    WrittenColumn{QLatin1StringView("Work Phone"), LineKind::WorkPhone},
    WrittenColumn{QLatin1StringView("Mobile"), LineKind::Mobile},
    WrittenColumn{QLatin1StringView("Fax"), LineKind::Fax},
    WrittenColumn{QLatin1StringView("Pager"), LineKind::Pager},
    WrittenColumn{QLatin1StringView("E-mail"), LineKind::Email},
    WrittenColumn{QLatin1StringView("Address"), LineKind::Address},
    WrittenColumn{QLatin1StringView("Web"), LineKind::Web},
    WrittenColumn{QLatin1StringView("Company"), LineKind::Organization},
    WrittenColumn{QLatin1StringView("Job Title"), LineKind::Title},
    WrittenColumn{QLatin1StringView("Nickname"), LineKind::Nickname},
    WrittenColumn{QLatin1StringView("Birthday"), LineKind::Birthday},
    WrittenColumn{QLatin1StringView("Notes"), LineKind::Text},
};

bool needsQuotes(QStringView text)
{
    for (const QChar c : text) {
        if (c == u',' || c == u';' || c == u'"' || c == u'\r' || c == u'\n')
            return true;
    }
    return false;
}

void appendQuoted(Utf8Builder &out, QStringView text)
{
    qsizetype start = 0;
    for (qsizetype quote; (quote = text.indexOf(u'"', start)) >= 0; start = quote + 1) {
        out.append(text.sliced(start, quote - start));
        out.append(QLatin1StringView("\"\""));
    }
    out.append(text.sliced(start));
}

// One cell holding the values joined by the value separator.
template <typename Values> void writeCell(Utf8Builder &out, const Values &values)
{
    bool quote = false;
    for (const QStringView value : values)
        quote = quote || needsQuotes(value);
    if (quote)
        out.append(QLatin1StringView("\""));
    bool first = true;
    for (const QStringView value : values) {
        if (!first)
            out.append(kValueSeparator);
        first = false;
        appendQuoted(out, value);
    }
    if (quote)
        out.append(QLatin1StringView("\""));
}

QString joined(const QList<QStringView> &values)
{
    QString text = values.front().toString();
    for (qsizetype i = 1; i < values.size(); ++i)
        text.append(kValueSeparator).append(values[i]);
    return text;
}

void writeRecord(Utf8Builder &out, const DirectoryEntry &entry, std::vector<LineValue> &values,
                 std::array<QList<QStringView>, kWrittenColumns.size()> &columns)
{
    for (auto &column : columns)
        column.clear();
    lineValues(entry, values);
    for (const LineValue &value : values) {
        if (value.value.isEmpty())
            continue;
        for (std::size_t c = 0; c < kWrittenColumns.size(); ++c) {
            if (kWrittenColumns[c].kind == value.kind)
                columns[c].append(value.value);
        }
    }
    // The checksum covers each typed cell as written, so a value that holds
    // the value separator itself does not count as changed.
    ContactChecksum checksum(entry.name);
    writeCell(out, std::array{QStringView(entry.name)});
    for (std::size_t c = 0; c < columns.size(); ++c) {
        out.append(QLatin1StringView(","));
        writeCell(out, columns[c]);
        if (columns[c].size() == 1)
            checksum.add(kWrittenColumns[c].kind, columns[c].front());
        else if (!columns[c].isEmpty())
            checksum.add(kWrittenColumns[c].kind, joined(columns[c]));
    }
    // The exact entry: its bold flag and checksum, then one line of the cell
    // per number line.
    out.append(QLatin1StringView(entry.bold ? ",\"bold " : ",\"plain "));
    const std::array<char, 16> digits = checksum.digits();
    out.appendBytes(QByteArrayView(digits.data(), qsizetype(digits.size())));
    out.append(QLatin1StringView("\n"));
    const QStringView numbers(entry.numbers);
    qsizetype start = 0;
    for (qsizetype tab; (tab = numbers.indexOf(u'\t', start)) >= 0; start = tab + 1) {
        appendQuoted(out, numbers.sliced(start, tab - start));
        out.append(QLatin1StringView("\n"));
    }
    appendQuoted(out, numbers.sliced(start));
    out.append(QLatin1StringView("\""));
    out.endLine();
}

// ---- reading ----

QString decodeCsv(QByteArrayView bytes)
{
    if (bytes.startsWith("\xFF\xFE"))
        return QStringDecoder(QStringDecoder::Utf16LE).decode(bytes.sliced(2));
    if (bytes.startsWith("\xFE\xFF"))
        return QStringDecoder(QStringDecoder::Utf16BE).decode(bytes.sliced(2));
    return decodeText(bytes); // drops a UTF-8 byte-order mark
}

// RFC 4180 records: quoted fields may hold separators, doubled quotes and
// line breaks; a record ends at CR LF, LF or CR outside quotes.
class RecordReader
{
public:
    RecordReader(QStringView text, QChar separator) : text_(text), separator_(separator) {}

    bool next(QStringList &fields)
    {
        fields.clear();
        if (pos_ >= text_.size())
            return false;
        for (;;) {
            fields.append(field());
            if (pos_ >= text_.size())
                return true;
            const QChar c = text_[pos_++];
            if (c == separator_)
                continue;
            // The end of the record: CR LF, LF or CR.
            if (c == u'\r' && pos_ < text_.size() && text_[pos_] == u'\n')
                ++pos_;
            return true;
        }
    }

private:
    // One field, up to the separator or the end of the record.
    QString field()
    {
        const qsizetype start = pos_;
        while (pos_ < text_.size() && !endsField(text_[pos_]) && text_[pos_] != u'"')
            ++pos_;
        if (pos_ == text_.size() || text_[pos_] != u'"')
            return text_.sliced(start, pos_ - start).toString();
        // Quoted parts hold separators, line breaks and doubled quotes.
        QString field = text_.sliced(start, pos_ - start).toString();
        bool quoted = false;
        for (; pos_ < text_.size(); ++pos_) {
            const QChar c = text_[pos_];
            if (quoted) {
                if (c != u'"')
                    field.append(c);
                else if (pos_ + 1 < text_.size() && text_[pos_ + 1] == u'"')
                    field.append(text_[++pos_]);
                else
                    quoted = false;
            } else if (c == u'"') {
                quoted = true;
            } else if (endsField(c)) {
                break;
            } else {
                field.append(c);
            }
        }
        return field;
    }

    bool endsField(QChar c) const { return c == separator_ || c == u'\n' || c == u'\r'; }

    QStringView text_;
    QChar separator_;
    qsizetype pos_ = 0;
};

// The separator the first record uses most outside quotes: comma,
// semicolon or TAB.
QChar sniffSeparator(QStringView text)
{
    int counts[3] = {0, 0, 0};
    bool quoted = false;
    for (const QChar c : text) {
        if (c == u'"')
            quoted = !quoted;
        else if (!quoted && (c == u'\n' || c == u'\r'))
            break;
        else if (!quoted)
            counts[0] += c == u',', counts[1] += c == u';', counts[2] += c == u'\t';
    }
    if (counts[1] > counts[0] && counts[1] >= counts[2])
        return u';';
    if (counts[2] > counts[0])
        return u'\t';
    return u',';
}

enum class Role {
    Ignore,
    Name,
    Given,
    Middle,
    Family,
    Prefix,
    Suffix,
    Value,
    Label,
    Address,
    Quorvel
};

// Address parts, in the order a one-line address joins them.
enum AddressPart { kStreet, kExtended, kPoBox, kCity, kRegion, kPostcode, kCountry, kFormatted };

struct Column
{
    Role role = Role::Ignore;
    LineKind kind = LineKind::Text;
    QString group; // a value and its label column ("phone 1"), or an address's parts
    int part = 0;
};

bool isOneOf(const QString &text, std::initializer_list<const char16_t *> words)
{
    for (const char16_t *word : words) {
        if (text == QStringView(word))
            return true;
    }
    return false;
}

LineKind phoneKindOfWords(const QString &text)
{
    if (text.contains(u"fax"))
        return LineKind::Fax;
    if (text.contains(u"pager"))
        return LineKind::Pager;
    if (text.contains(u"mobile") || text.contains(u"cell"))
        return LineKind::Mobile;
    if (text.contains(u"work") || text.contains(u"business") || text.contains(u"office"))
        return LineKind::WorkPhone;
    if (text.contains(u"home"))
        return LineKind::HomePhone;
    return LineKind::Phone;
}

// The address part a header word names, or -1.
int addressPart(const QString &word)
{
    if (isOneOf(word, {u"street", u"address", u"street address"}))
        return kStreet;
    if (isOneOf(word, {u"street 2", u"street 3", u"address 2", u"extended address"}))
        return kExtended;
    if (isOneOf(word, {u"po box", u"p.o. box", u"pobox"}))
        return kPoBox;
    if (isOneOf(word, {u"city", u"town"}))
        return kCity;
    if (isOneOf(word, {u"state", u"region", u"county", u"province"}))
        return kRegion;
    if (isOneOf(word, {u"postal code", u"post code", u"postcode", u"zip", u"zipcode", u"zip code"}))
        return kPostcode;
    if (isOneOf(word, {u"country", u"country/region"}))
        return kCountry;
    if (word == u"formatted")
        return kFormatted;
    return -1;
}

// What a header cell names, for the headers of common address-book exports.
Column columnFor(const QString &header)
{
    const QString h = header.simplified().toLower();
    Column column;
    const auto typed = [&](LineKind kind) {
        column.role = Role::Value;
        column.kind = kind;
        return column;
    };
    if (h == u"quorvel")
        return column.role = Role::Quorvel, column;
    if (isOneOf(h, {u"name", u"display name", u"full name", u"formatted name"}))
        return column.role = Role::Name, column;
    if (isOneOf(h, {u"first name", u"given name", u"firstname"}))
        return column.role = Role::Given, column;
    if (isOneOf(h, {u"middle name", u"additional name"}))
        return column.role = Role::Middle, column;
    if (isOneOf(h, {u"last name", u"family name", u"surname", u"lastname"}))
        return column.role = Role::Family, column;
    if (isOneOf(h, {u"title", u"name prefix", u"prefix"}))
        return column.role = Role::Prefix, column;
    if (isOneOf(h, {u"suffix", u"name suffix"}))
        return column.role = Role::Suffix, column;

    // Numbered groups: "Phone 1 - Type", "Phone 1 - Value", "Address 1 - City".
    if (const qsizetype dash = h.indexOf(u" - "); dash > 0) {
        column.group = h.left(dash);
        const QString field = h.sliced(dash + 3);
        QString base = column.group;
        while (!base.isEmpty() && (base.back().isDigit() || base.back() == u' '))
            base.chop(1);
        if (field == u"type" || field == u"label")
            return column.role = Role::Label, column;
        if (base == u"address") {
            if ((column.part = addressPart(field)) >= 0)
                column.role = Role::Address;
            return column;
        }
        if (base == u"organization" || base == u"organisation")
            return field == u"name"    ? typed(LineKind::Organization)
                   : field == u"title" ? typed(LineKind::Title)
                                       : column;
        if (field != u"value")
            return column;
        if (base.contains(u"mail"))
            return typed(LineKind::Email);
        if (base == u"phone")
            return typed(LineKind::Phone);
        if (base == u"website")
            return typed(LineKind::Web);
        return column;
    }

    if (h.contains(u"mail"))
        return h.contains(u"type") || h.contains(u"display") || h.contains(u"label")
                   ? column
                   : typed(LineKind::Email);
    if (h.contains(u"web") || isOneOf(h, {u"url", u"homepage", u"home page"}))
        return typed(LineKind::Web);
    if (h.contains(u"phone") || h.contains(u"fax") || h.contains(u"mobile") ||
        h.contains(u"pager") || h.contains(u"cell"))
        return typed(phoneKindOfWords(h));
    if (isOneOf(h, {u"address", u"formatted address"}))
        return typed(LineKind::Address);
    if (isOneOf(h, {u"company", u"organization", u"organisation", u"organization name",
                    u"organisation name", u"org"}))
        return typed(LineKind::Organization);
    if (isOneOf(h, {u"job title", u"organization title", u"role"}))
        return typed(LineKind::Title);
    if (isOneOf(h, {u"nickname", u"nick name"}))
        return typed(LineKind::Nickname);
    if (isOneOf(h, {u"birthday", u"bday", u"birth date"}))
        return typed(LineKind::Birthday);
    if (isOneOf(h, {u"notes", u"note", u"comments"}))
        return typed(LineKind::Text);
    // Address parts: "Business Street", "Home City", "Work ZipCode", "Home Address 2".
    for (qsizetype space = h.indexOf(u' '); space > 0; space = h.indexOf(u' ', space + 1)) {
        const int part = addressPart(h.sliced(space + 1));
        if (part >= 0) {
            column.role = Role::Address;
            column.group = h.left(space);
            column.part = part;
            return column;
        }
    }
    return column;
}

// A label that says no more than the column does ("Home", "* Work").
bool isPlainType(const QString &label)
{
    return isOneOf(label.toLower(), {u"",          u"home",  u"work",     u"other",    u"main",
                                     u"mobile",    u"cell",  u"fax",      u"work fax", u"home fax",
                                     u"other fax", u"pager", u"internet", u"pref",     u"personal",
                                     u"business",  u"voice", u"homepage", u"blog",     u"profile"});
}

class CsvReader
{
public:
    ContactsRead run(QByteArrayView bytes)
    {
        const QString decoded = decodeCsv(bytes);
        QStringView text = decoded;
        QChar separator;
        if (text.startsWith(u"sep=") && text.size() >= 5) {
            separator = text[4];
            const qsizetype eol = text.indexOf(u'\n');
            text = eol < 0 ? QStringView() : text.sliced(eol + 1);
        } else {
            separator = sniffSeparator(text);
        }
        read_.unit = QStringLiteral("record");
        RecordReader records(text, separator);
        QStringList header;
        records.next(header);
        for (const QString &h : header)
            columns_.append(columnFor(h));
        if (!recognised()) {
            read_.error = QStringLiteral("its first record is not a header with name columns "
                                         "(\"Name\", or \"First Name\" and \"Last Name\")");
            return read_;
        }
        QStringList fields;
        for (int number = 2; records.next(fields); ++number)
            record(fields, number);
        read_.ok = true;
        return read_;
    }

private:
    bool recognised() const
    {
        for (const Column &column : columns_) {
            if (column.role == Role::Name || column.role == Role::Given ||
                column.role == Role::Family)
                return true;
        }
        return false;
    }

    // The label of a value column's group in this record, without a web mail's
    // "* " mark of the primary value.
    QString labelOf(const QStringList &fields, const QString &group) const
    {
        for (qsizetype c = 0; c < columns_.size() && c < fields.size(); ++c) {
            if (columns_[c].role == Role::Label && columns_[c].group == group) {
                QString label = fields[c].trimmed();
                if (label.startsWith(u"* "))
                    label.remove(0, 2);
                return label;
            }
        }
        return {};
    }

    struct Item
    {
        LineKind kind;
        QString value;
        QString label;
    };

    // The values of a value column: several joined by the value separator,
    // the kind of a phone told by the label of its group.
    void values(const QStringList &fields, const Column &column, const QString &cell,
                QList<Item> &items) const
    {
        QString label = column.group.isEmpty() ? QString() : labelOf(fields, column.group);
        LineKind kind = column.kind;
        if (kind == LineKind::Phone && !label.isEmpty()) {
            const LineKind byLabel = phoneKindOfWords(label.toLower());
            if (byLabel != LineKind::Phone || isPlainType(label))
                kind = byLabel;
        }
        if (isPlainType(label))
            label.clear();
        for (QStringView value : QStringView(cell).split(kValueSeparator)) {
            if (kind != LineKind::Text)
                value = value.trimmed();
            if (!value.trimmed().isEmpty())
                items.append({kind, value.toString(), label});
        }
    }

    void record(const QStringList &fields, int number)
    {
        bool blank = true;
        for (const QString &field : fields)
            blank = blank && field.trimmed().isEmpty();
        if (blank)
            return;
        QString name;
        QString parts[6]; // indexed by role: given, middle, family, prefix, suffix
        QString quorvel;
        QList<Item> items;
        QList<QPair<LineKind, QString>> cells; // the typed cells, for the checksum
        QList<QPair<QString, std::array<QString, 8>>> addresses;
        for (qsizetype c = 0; c < columns_.size(); ++c) {
            const QString cell = c < fields.size() ? fields[c] : QString();
            const Column &column = columns_[c];
            switch (column.role) {
            case Role::Name:
                name = cell;
                break;
            case Role::Given:
            case Role::Middle:
            case Role::Family:
            case Role::Prefix:
            case Role::Suffix:
                parts[int(column.role) - int(Role::Name)] = cell.trimmed();
                break;
            case Role::Quorvel:
                quorvel = cell;
                break;
            case Role::Address: {
                qsizetype a = 0;
                while (a < addresses.size() && addresses[a].first != column.group)
                    ++a;
                if (a == addresses.size())
                    addresses.append({column.group, {}});
                addresses[a].second[std::size_t(column.part)] = cell.trimmed();
                break;
            }
            case Role::Value:
                values(fields, column, cell, items);
                if (!cell.trimmed().isEmpty())
                    cells.append({column.kind, cell});
                break;
            case Role::Label:
            case Role::Ignore:
                break;
            }
        }
        for (const auto &[group, address] : addresses) {
            QStringList pieces;
            for (int part = kStreet; part < kFormatted; ++part) {
                if (!address[std::size_t(part)].isEmpty())
                    pieces.append(address[std::size_t(part)]);
            }
            if (!address[kFormatted].isEmpty())
                pieces = QStringList{address[kFormatted]};
            QString line = pieces.join(QStringLiteral(", "));
            if (!line.isEmpty())
                items.append({LineKind::Address, line.replace(u'\n', QStringLiteral(", ")), {}});
        }

        Contact contact;
        contact.position = number;
        ContactChecksum checksum(name);
        for (const auto &[kind, cell] : cells)
            checksum.add(kind, cell);
        if (restoreExact(contact, quorvel, checksum)) {
            contact.name = name;
            read_.contacts.append(std::move(contact));
            return;
        }
        for (const Item &item : items) {
            lines_.begin();
            lines_.text().append(makeLine(item.kind, item.value, item.label));
            lines_.end(read_.notes, number);
        }
        contact.numbers = lines_.take();
        contact.nameFromDetails = nameFromDetails(items);
        if (name.trimmed().isEmpty()) {
            QStringList nameParts;
            for (const int k : {4, 1, 2, 3, 5}) {
                if (!parts[k].isEmpty())
                    nameParts.append(parts[k]);
            }
            contact.name = nameParts.join(u' ');
        } else {
            contact.name = name;
        }
        read_.contacts.append(std::move(contact));
    }

    // The exact lines of Quorvel's own column, while its checksum matches:
    // "bold" or "plain", the checksum, then one number line per line.
    bool restoreExact(Contact &contact, QStringView cell, const ContactChecksum &checksum)
    {
        const qsizetype eol = cell.indexOf(u'\n');
        const QStringView head = (eol < 0 ? cell : cell.left(eol)).trimmed();
        const qsizetype space = head.indexOf(u' ');
        if (space < 0 || !checksum.matches(head.sliced(space + 1)))
            return false;
        const QStringView flag = head.left(space);
        if (flag != u"bold" && flag != u"plain")
            return false;
        contact.bold = flag == u"bold";
        if (eol >= 0) {
            for (QStringView line : cell.sliced(eol + 1).split(u'\n')) {
                if (line.endsWith(u'\r'))
                    line.chop(1);
                lines_.begin();
                lines_.text().append(line);
                lines_.end(read_.notes, contact.position, false);
            }
        }
        contact.numbers = lines_.take();
        contact.exact = true;
        return true;
    }

    QList<Column> columns_;
    ContactsRead read_;
    NumberLines lines_;
};

} // namespace

void writeCsv(Utf8Builder &out, const std::function<void(const EntryVisitor &)> &forEach)
{
    out.appendBytes("\xEF\xBB\xBF");
    out.append(QLatin1StringView("Name"));
    for (const WrittenColumn &column : kWrittenColumns) {
        out.append(QLatin1StringView(","));
        out.append(column.header);
    }
    out.append(QLatin1StringView(",Quorvel"));
    out.endLine();
    writeEntries(out, forEach, [](Utf8Builder &to, EntryRun entries) {
        std::array<QList<QStringView>, kWrittenColumns.size()> columns;
        std::vector<LineValue> values;
        for (const DirectoryEntry *entry : entries)
            writeRecord(to, *entry, values, columns);
    });
}

QByteArray formatCsv(const QList<DirectoryEntry> &entries)
{
    Utf8Builder out;
    writeCsv(out, [&](const EntryVisitor &visit) {
        for (const DirectoryEntry &entry : entries)
            visit(entry);
    });
    return out.take();
}

ContactsRead readCsv(QByteArrayView bytes)
{
    return CsvReader().run(bytes);
}

} // namespace core
