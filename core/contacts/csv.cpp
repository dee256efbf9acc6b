#include "core/contacts/csv.h"

#include "core/contacts/csvmap.h"
#include "core/contacts/csvsyntax.h"
#include "core/contacts/exactlines.h"

#include <QCoreApplication>
#include <QRegularExpression>

#include <array>

namespace core {

namespace {

// The texts of this file, in the user's language.
struct CsvText
{
    Q_DECLARE_TR_FUNCTIONS(CsvText)
};

// ---- writing ----

using WrittenCells = std::array<QList<QStringView>, kWrittenColumns.size()>;

QString joined(const QList<QStringView> &values)
{
    QString text = values.front().toString();
    for (qsizetype i = 1; i < values.size(); ++i)
        text.append(kValueSeparator).append(values[i]);
    return text;
}

// "0/0/00": a date a desktop mail program writes for none.
bool isNoDate(QStringView value)
{
    for (const QChar c : value) {
        if (c.isDigit() && c != u'0')
            return false;
    }
    return true;
}

// Puts the entry's typed values in the cells of their columns. True when
// reading the cells back gives the entry's lines as they are, so that the
// record needs no exact lines.
bool fillCells(const DirectoryEntry &entry, std::vector<LineValue> &values, WrittenCells &cells)
{
    for (auto &cell : cells)
        cell.clear();
    bool givesBack = lineValues(entry, values);
    for (const LineValue &value : values) {
        if (value.value.isEmpty())
            continue;
        for (std::size_t c = 0; c < kWrittenColumns.size(); ++c) {
            if (kWrittenColumns[c].kind == value.kind)
                cells[c].append(value.value);
        }
    }
    // The lines a reader makes of the cells, column by column, as it splits them.
    const QStringView numbers(entry.numbers);
    qsizetype at = 0;
    bool first = true;
    const auto next = [&](LineKind kind, QStringView piece) {
        if (kind != LineKind::Text)
            piece = piece.trimmed();
        if (piece.trimmed().isEmpty() || (kind == LineKind::Birthday && isNoDate(piece)))
            return;
        const QString line = makeLine(kind, piece);
        const qsizetype start = at + (first ? 0 : 1);
        givesBack = givesBack && (first || (at < numbers.size() && numbers[at] == u'\t')) &&
                    numbers.sliced(std::min(start, numbers.size())).startsWith(line);
        at = start + line.size();
        first = false;
    };
    for (std::size_t c = 0; c < cells.size() && givesBack; ++c) {
        const LineKind kind = kWrittenColumns[c].kind;
        for (const QStringView value : cells[c]) {
            for (const QStringView piece : value.split(kValueSeparator)) {
                if (kind != LineKind::Email) {
                    next(kind, piece);
                    continue;
                }
                for (const QStringView address : piece.split(u','))
                    for (const QStringView one : address.split(u';'))
                        next(kind, one);
            }
        }
    }
    return givesBack && at == numbers.size();
}

// `exactColumn`: the file has the exact lines' column; an entry the typed
// cells give back leaves it empty.
void writeRecord(Utf8Builder &out, const DirectoryEntry &entry, std::vector<LineValue> &values,
                 WrittenCells &cells, bool exactColumn)
{
    const bool givesBack = fillCells(entry, values, cells);
    // The checksum covers each typed cell as written, so a value that holds
    // the value separator itself does not count as changed.
    ContactChecksum checksum(entry.name);
    writeField(out, std::array{QStringView(entry.name)});
    for (std::size_t c = 0; c < cells.size(); ++c) {
        out.append(QLatin1StringView(","));
        writeField(out, cells[c], kValueSeparator);
        if (cells[c].size() == 1)
            checksum.add(kWrittenColumns[c].kind, cells[c].front());
        else if (!cells[c].isEmpty())
            checksum.add(kWrittenColumns[c].kind, joined(cells[c]));
    }
    if (exactColumn)
        out.append(QLatin1StringView(","));
    // The exact lines: always in quotes, as they hold line breaks.
    if (exactColumn && !givesBack) {
        out.append(QLatin1StringView("\""));
        writeExactCell(
            entry, checksum, [&](QLatin1StringView text) { out.append(text); },
            [&](QStringView line) { appendQuoted(out, line); });
        out.append(QLatin1StringView("\""));
    }
    out.endLine();
}

// ---- reading ----

// A typed value of a record.
struct Item
{
    LineKind kind;
    QString value;
    QString label;
};

// What the cells of one record give, by the roles of their columns.
struct RecordCells
{
    QString name;
    QString parts[6]; // indexed by role: given, middle, family, prefix, suffix
    QString exact;
    QList<Item> items;
    QList<QPair<LineKind, QString>> typed; // the typed cells, for the checksum
    QList<QPair<QString, std::array<QString, 8>>> addresses;
};

// Each line break, with the blanks around it, made ", ".
void commaForBreaks(QString &text)
{
    if (!text.contains(u'\n') && !text.contains(u'\r'))
        return;
    static const QRegularExpression breaks(QStringLiteral("[ \t]*(\r\n|\r|\n)\\s*"));
    text.replace(breaks, QStringLiteral(", "));
}

bool isBlank(const QStringList &fields)
{
    for (const QString &field : fields) {
        if (!field.trimmed().isEmpty())
            return false;
    }
    return true;
}

// The address lines of a record: their parts joined in order, or a
// formatted address as it is.
void addAddresses(RecordCells &record)
{
    for (const auto &[group, address] : record.addresses) {
        QStringList pieces;
        for (int part = kStreet; part < kFormatted; ++part) {
            if (!address[std::size_t(part)].isEmpty())
                pieces.append(address[std::size_t(part)]);
        }
        if (!address[kFormatted].isEmpty())
            pieces = QStringList{address[kFormatted]};
        QString line = pieces.join(QStringLiteral(", "));
        commaForBreaks(line);
        if (!line.isEmpty())
            record.items.append({LineKind::Address, std::move(line), {}});
    }
}

// The name the name part columns give: prefix, given, middle, family, suffix.
QString nameFromParts(const RecordCells &record)
{
    QStringList nameParts;
    for (const int k : {4, 1, 2, 3, 5}) {
        if (!record.parts[k].isEmpty())
            nameParts.append(record.parts[k]);
    }
    return nameParts.join(u' ');
}

class CsvReader
{
public:
    ContactsRead run(QByteArrayView bytes)
    {
        const QString decoded = decodeCsv(bytes);
        QStringView text = decoded;
        const QChar separator = takeSeparator(text);
        read_.reasonFormat = CsvText::tr("record %1: %2");
        RecordReader records(text, separator);
        QStringList header;
        records.next(header);
        header_ = header;
        for (const QString &h : header)
            columns_.append(columnFor(h));
        if (!recognised()) {
            read_.error = CsvText::tr("its first record is not a header of contact columns "
                                      "(\"Name\", \"First Name\", \"E-mail\" ...)");
            return read_;
        }
        QStringList fields;
        for (int number = 2; records.next(fields); ++number) {
            if (records.length() > kLongestContact) {
                read_.notes.append(
                    {number, CsvText::tr("it is longer than %1").arg(sizeText(kLongestContact)),
                     true});
                continue;
            }
            for (const auto &[index, length] : records.leftOut())
                read_.notes.append({number, leftOutNote(index, length), false});
            if (!isBlank(fields))
                record(fields, number);
        }
        read_.ok = true;
        return read_;
    }

private:
    // A header that names anything a contact holds.
    bool recognised() const
    {
        for (const Column &column : columns_) {
            if (column.role != Role::Ignore && column.role != Role::Label)
                return true;
        }
        return false;
    }

    QString leftOutNote(qsizetype index, qsizetype length) const
    {
        return CsvText::tr("a value of %1 left out (%2)")
            .arg(sizeText(length),
                 index < header_.size() ? quoted(header_[index]) : CsvText::tr("no column"));
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
            if (kind == LineKind::Email) {
                // Several addresses in one cell.
                for (const QStringView address : value.split(u',')) {
                    for (const QStringView one : address.split(u';'))
                        addValue(items, kind, one.trimmed(), label);
                }
            } else if (kind != LineKind::Birthday || !isNoDate(value)) {
                addValue(items, kind, value, label);
            }
        }
    }

    // A value, its line breaks (and blanks around them) made ", ".
    static void addValue(QList<Item> &items, LineKind kind, QStringView value, const QString &label)
    {
        if (value.trimmed().isEmpty())
            return;
        QString text = value.toString();
        commaForBreaks(text);
        items.append({kind, std::move(text), label});
    }

    void addCell(RecordCells &record, const QStringList &fields, const Column &column,
                 const QString &cell) const
    {
        switch (column.role) {
        case Role::Name:
            record.name = cell;
            break;
        case Role::Given:
        case Role::Middle:
        case Role::Family:
        case Role::Prefix:
        case Role::Suffix:
            record.parts[int(column.role) - int(Role::Name)] = cell.trimmed();
            break;
        case Role::Exact:
            record.exact = cell;
            break;
        case Role::Address: {
            auto &addresses = record.addresses;
            qsizetype a = 0;
            while (a < addresses.size() && addresses[a].first != column.group)
                ++a;
            if (a == addresses.size())
                addresses.append({column.group, {}});
            addresses[a].second[std::size_t(column.part)] = cell.trimmed();
            break;
        }
        case Role::Value:
            values(fields, column, cell, record.items);
            if (!cell.trimmed().isEmpty())
                record.typed.append({column.kind, cell});
            break;
        case Role::Label:
        case Role::Ignore:
            break;
        }
    }

    void record(QStringList &fields, int number)
    {
        for (QString &field : fields)
            removeApostrophe(field);
        RecordCells record;
        for (qsizetype c = 0; c < columns_.size(); ++c)
            addCell(record, fields, columns_[c], c < fields.size() ? fields[c] : QString());
        addAddresses(record);
        Contact contact;
        contact.position = number;
        if (restoreExact(contact, record)) {
            contact.name = record.name;
            read_.contacts.append(std::move(contact));
            return;
        }
        for (const Item &item : record.items) {
            lines_.begin();
            lines_.text().append(makeLine(item.kind, item.value, item.label));
            lines_.end(read_.notes, number);
        }
        contact.numbers = lines_.take();
        contact.nameFromDetails = nameFromDetails(record.items);
        contact.name = record.name.trimmed().isEmpty() ? nameFromParts(record) : record.name;
        read_.contacts.append(std::move(contact));
    }

    // The lines of the exact lines' column, while the typed cells match it.
    bool restoreExact(Contact &contact, const RecordCells &record)
    {
        const std::optional<ExactEntry> exact = exactEntryOfCell(record.exact);
        ContactChecksum checksum(record.name);
        for (const auto &[kind, cell] : record.typed)
            checksum.add(kind, cell);
        if (!exact || !checksum.matches(exact->checksum))
            return false;
        std::optional<QString> lines =
            restoreExactLines(*exact, {}, false, lines_, read_.notes, contact.position);
        contact.bold = exact->bold;
        contact.numbers = std::move(*lines);
        contact.exact = true;
        return true;
    }

    QStringList header_;
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
    // The exact lines' column, last, only when an entry needs it.
    bool exactColumn = false;
    {
        WrittenCells cells;
        std::vector<LineValue> values;
        forEach([&](const DirectoryEntry &entry) {
            exactColumn = exactColumn || !fillCells(entry, values, cells);
        });
    }
    if (exactColumn) {
        out.append(QLatin1StringView(","));
        out.append(kExactColumn);
    }
    out.endLine();
    WrittenCells cells;
    std::vector<LineValue> values;
    forEach(
        [&](const DirectoryEntry &entry) { writeRecord(out, entry, values, cells, exactColumn); });
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
