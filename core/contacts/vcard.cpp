#include "core/contacts/vcard.h"

#include "core/contacts/cardstructure.h"
#include "core/contacts/exactlines.h"
#include "core/contacts/vcardsyntax.h"
#include "core/directory/identityfile.h"

#include <QCoreApplication>
#include <QHash>
#include <QThread>

#include <memory>
#include <optional>
#include <vector>

namespace core {

namespace {

// The texts of this file, in the user's language.
struct VCardText
{
    Q_DECLARE_TR_FUNCTIONS(VCardText)
};

// ---- writing ----

void writeExactLines(PropertyLine &line, const DirectoryEntry &entry,
                     const std::vector<LineValue> &values)
{
    const std::array<char, 16> digits = typedChecksum(entry.name, values).digits();
    line.raw(kExactProperty)
        .raw(QLatin1StringView(";CHECKSUM="))
        .raw(QLatin1StringView(digits.data(), qsizetype(digits.size())));
    if (entry.bold)
        line.raw(QLatin1StringView(";BOLD=1"));
    line.raw(QLatin1StringView(":"));
    bool first = true;
    forEachExactField(entry, values, [&](QLatin1StringView mark, QStringView text) {
        if (!first)
            line.raw(QLatin1StringView(";"));
        first = false;
        line.raw(mark).text(text);
    });
    line.end();
}

void writeCard(PropertyLine &line, VCardVersion version, const DirectoryEntry &entry,
               std::vector<LineValue> &values)
{
    line.lines(version == VCardVersion::V4 ? QLatin1StringView("BEGIN:VCARD\r\nVERSION:4.0\r\n")
                                           : QLatin1StringView("BEGIN:VCARD\r\nVERSION:3.0\r\n"));
    line.raw(QLatin1StringView("FN:")).text(entry.name).end();
    // What the card the entry came from said, for the lines it still holds
    // as they were.
    std::vector<const CardProperty *> kept;
    if (entry.card) {
        for (const CardProperty &property : entry.card->properties) {
            if (isWritable(property))
                kept.push_back(&property);
        }
    }
    // The first one not yet written for the text (N for the name, any other for a line).
    const auto keptFor = [&kept](QStringView text, bool name) -> const CardProperty * {
        for (const CardProperty *&property : kept) {
            if (property && property->belongsTo == text && (property->name == u"N") == name)
                return std::exchange(property, nullptr);
        }
        return nullptr;
    };
    if (const CardProperty *name = keptFor(entry.name, true)) {
        writeKeptProperty(line, *name, version);
    } else if (version == VCardVersion::V3) {
        const NameParts parts = splitName(entry.name);
        line.raw(QLatin1StringView("N:"))
            .text(parts.family)
            .raw(QLatin1StringView(";"))
            .text(parts.given)
            .raw(QLatin1StringView(";;;"))
            .end();
    }
    // The card's own UID when the entry came from one, otherwise the
    // entry's identifier.
    if (entry.card && !entry.card->uid.isEmpty())
        line.raw(QLatin1StringView("UID:")).text(entry.card->uid).end();
    else if (!entry.id.isNull())
        line.raw(QLatin1StringView("UID:urn:uuid:")).text(bareIdentifier(entry.id)).end();
    // The exact lines are kept only when the typed properties alone would
    // not give the entry back.
    const bool exact = !lineValues(entry, values);
    const QStringView numbers(entry.numbers);
    qsizetype start = 0;
    for (const LineValue &value : values) {
        qsizetype end = indexOfUnit(numbers, u'\t', start);
        if (end < 0)
            end = numbers.size();
        QStringView text = numbers.sliced(start, end - start);
        start = end + 1;
        if (value.value.isEmpty())
            continue;
        if (value.bold)
            text = text.sliced(3);
        if (!kept.empty()) {
            if (const CardProperty *property = keptFor(text, false)) {
                writeKeptProperty(line, *property, version);
                continue;
            }
        }
        const QLatin1StringView property = propertyFor(value.kind, version);
        if (needsTextValue(value.kind, value.value, version))
            line.raw(property.chopped(1)).raw(QLatin1StringView(";VALUE=text:"));
        else
            line.raw(property);
        line.text(value.value).raw(propertyTail(value.kind)).end();
    }
    if (exact)
        writeExactLines(line, entry, values);
    line.lines(QLatin1StringView("END:VCARD\r\n"));
    line.flush();
}

// ---- reading ----

// A typed line of the card being read: its value is a piece of the lines built.
struct Item
{
    QByteArray group;
    LineKind kind;
    unsigned types;      // for TEL: the kind is settled with the group's label
    qsizetype lineStart; // in the lines built
    qsizetype valueStart;
    qsizetype valueEnd;
    int kept = -1; // the index of what the card says beyond the line, in kept_
};

// "19790321": a date without its dashes.
bool isBasicDate(QStringView value)
{
    if (value.size() != 8)
        return false;
    for (const QChar c : value) {
        if (c < u'0' || c > u'9')
            return false;
    }
    return true;
}

class CardReader
{
public:
    // `room`: the size of the whole file this is a part of, to make room for its cards.
    explicit CardReader(QByteArrayView bytes, qsizetype room = -1)
        : content_(bytes), room_(room < 0 ? bytes.size() : room)
    {
    }

    // Reads every card. The result is not refused here: the caller, which may
    // read a file in parts, decides that.
    ContactsRead run()
    {
        read_.reasonFormat = VCardText::tr("card %1: %2");
        // Room for as many cards as a file of small ones holds.
        read_.contacts.reserve(room_ / 128);
        QByteArrayView line;
        bool joined = false;
        while (content_.next(line, joined, version_))
            property(line, joined);
        endedInCard_ = inCard_;
        if (inCard_)
            read_.notes.append({cards_, VCardText::tr("it has no END:VCARD"), true});
        read_.ok = whole_ > 0;
        return std::move(read_);
    }

    int cards() const { return cards_; }
    // The part read ended inside a card, or met an END:VCARD outside one: it
    // was not cut between cards.
    bool cutInsideACard() const { return endedInCard_ || strayEnd_; }

private:
    // `joined`: the line is in a buffer that the next line reuses.
    void property(QByteArrayView line, bool joined)
    {
        const std::optional<ContentLine> content = splitContentLine(line);
        if (!content)
            return;
        const PropertyMapping &mapping = propertyMapping(content->name);
        const bool afterAgent = afterAgent_;
        afterAgent_ = equalsAscii(content->name, "AGENT") && content->value.trimmed().isEmpty();
        const bool isCard = equalsAscii(content->value.trimmed(), "VCARD");
        if (mapping.role == PropertyRole::Begin) {
            if (isCard)
                beginCard(afterAgent);
            return;
        }
        if (mapping.role == PropertyRole::End && isCard && !inCard_)
            strayEnd_ = true;
        if (!inCard_ || mapping.role == PropertyRole::Other)
            return;
        if (mapping.role == PropertyRole::End) {
            if (isCard)
                endCard();
            return;
        }
        if (nested_ > 0 || tooLong_)
            return;
        if (content_.position() - cardStart_ > kLongestContact) {
            tooLong_ = true;
            return;
        }
        if (content->value.size() > kLongestValue || content_.cut())
            leaveOut(mapping, content->value.size());
        else
            cardProperty(mapping, *content, line, joined);
    }

    // A value over the limit: what no entry keeps is counted, any other noted.
    void leaveOut(const PropertyMapping &mapping, qsizetype size)
    {
        if (mapping.role == PropertyRole::NotKept)
            ++read_.notKept[std::size_t(mapping.notKept)];
        else
            typedNotes_.append({cards_,
                                VCardText::tr("a value of %1 left out (%2)")
                                    .arg(sizeText(size), QLatin1StringView(mapping.name)),
                                false});
    }

    void cardProperty(const PropertyMapping &mapping, const ContentLine &content,
                      QByteArrayView line, bool joined)
    {
        Params params = parseParams(content.params);
        QByteArray storage;
        const QByteArrayView value =
            mapping.role == PropertyRole::Fn || mapping.role == PropertyRole::Value ||
                    mapping.role == PropertyRole::Label || mapping.role == PropertyRole::Uid
                ? plainValue(content.value, params, storage)
                : content.value;
        switch (mapping.role) {
        case PropertyRole::Version:
            version_ = value.startsWith("2") ? 2 : value.startsWith("4") ? 4 : 3;
            break;
        case PropertyRole::Uid:
            uid_ = valueText(value, params, version_).trimmed();
            break;
        case PropertyRole::Fn:
            if (!fn_)
                fn_ = valueText(value, params, version_);
            break;
        case PropertyRole::N:
            if (joined) {
                nCopy_ = line.toByteArray();
                line = nCopy_;
            }
            nLine_ = line;
            break;
        case PropertyRole::Value:
            addLine(content, mapping, value, params);
            break;
        case PropertyRole::Label:
            labels_.insert(content.group.toByteArray().toUpper(),
                           valueText(value, params, version_).trimmed());
            break;
        case PropertyRole::NotKept:
            ++read_.notKept[std::size_t(mapping.notKept)];
            break;
        case PropertyRole::Exact:
            exact_ = readExact(content.value, params);
            break;
        default:
            break;
        }
    }

    // `afterAgent`: the line before was "AGENT:", whose value is the card that follows.
    void beginCard(bool afterAgent)
    {
        if (inCard_ && afterAgent) {
            ++nested_; // a card inside a card (2.1's AGENT) is not one of ours
            return;
        }
        if (inCard_) // the card before has no END:VCARD: it is left out, the next read
            read_.notes.append({cards_, VCardText::tr("it has no END:VCARD"), true});
        inCard_ = true;
        nested_ = 0;
        tooLong_ = false;
        cardStart_ = content_.position();
        ++cards_;
        version_ = 3;
        fn_.reset();
        uid_.clear();
        nLine_ = {};
        items_.clear();
        kept_.clear();
        labels_.clear();
        lines_.clear();
        typedNotes_.clear();
        exact_.reset();
    }

    void endCard()
    {
        if (nested_ > 0) {
            --nested_;
            afterAgent_ = true; // a card may hold several
        } else if (tooLong_ || content_.position() - cardStart_ > kLongestContact) {
            inCard_ = false;
            ++whole_;
            read_.notes.append(
                {cards_, VCardText::tr("it is longer than %1").arg(sizeText(kLongestContact)),
                 true});
        } else {
            ++whole_;
            finishCard();
        }
    }

    ExactEntry readExact(QByteArrayView value, const Params &params) const
    {
        ExactEntry exact{params.bold, QString::fromLatin1(params.checksum), {}};
        if (value.isEmpty())
            return exact;
        forEachPart(value, ';', [&](QByteArrayView field) {
            QByteArrayView text;
            const ExactMark mark = exactFieldMark(field, text);
            QString line;
            if (mark == ExactMark::Line)
                appendValueText(line, text, params, version_);
            exact.lines.push_back({mark, std::move(line)});
        });
        return exact;
    }

    // The value of a typed property as it is, trimmed (but a note's), and a
    // number given as a URI without its "tel:".
    void appendSingle(QString &out, LineKind kind, QByteArrayView raw, const Params &params)
    {
        const qsizetype valueStart = out.size();
        appendValueText(out, raw, params, version_);
        if (kind != LineKind::Text)
            trimFrom(out, valueStart);
        const QStringView value = QStringView(out).sliced(valueStart);
        // 4.0 writes a number as a "tel:" URI, often without VALUE=uri.
        if ((params.uri || (version_ == 4 && !params.text)) && isPhoneKind(kind) &&
            value.startsWith(u"tel:", Qt::CaseInsensitive)) {
            out.remove(valueStart, 4);
            trimFrom(out, valueStart);
        } else if (kind == LineKind::Birthday && !params.text && isBasicDate(value)) {
            out.insert(valueStart + 6, u'-');
            out.insert(valueStart + 4, u'-');
        }
    }

    // The pieces of a structured value that are not empty, joined by ", "
    // in the shape's order of its fields; lines of an address go on one line.
    void appendPieces(QString &out, QByteArrayView raw, const Params &params, ValueShape shape)
    {
        const qsizetype valueStart = out.size();
        QList<QByteArrayView> fields;
        forEachPart(raw, ';', [&](QByteArrayView field) { fields.append(field); });
        QList<QByteArrayView> ordered;
        for (const int k : fieldOrder(shape)) {
            if (k < fields.size())
                ordered.append(fields[k]);
        }
        for (const QByteArrayView field : shape == ValueShape::Address ? ordered : fields) {
            forEachPart(field, ',', [&](QByteArrayView piece) {
                const qsizetype start = out.size();
                if (start > valueStart)
                    out.append(QLatin1StringView(", "));
                const qsizetype pieceStart = out.size();
                appendValueText(out, piece, params, version_);
                trimFrom(out, pieceStart);
                if (out.size() == pieceStart)
                    out.truncate(start);
                for (qsizetype at; (at = out.indexOf(u'\n', pieceStart)) >= 0;)
                    out.replace(at, 1, QStringLiteral(", "));
            });
        }
    }

    // Adds a number line for a typed value.
    void addLine(const ContentLine &content, const PropertyMapping &mapping, QByteArrayView raw,
                 const Params &params)
    {
        const QByteArrayView group = content.group;
        const LineKind kind =
            mapping.kind == LineKind::Phone ? phoneKind(params.types, {}) : mapping.kind;
        lines_.begin();
        QString &out = lines_.text();
        const qsizetype lineStart = out.size();
        if (kind != LineKind::Text)
            out.append(keywordOf(kind)).append(QLatin1StringView(": "));
        else if (!mapping.keyword.isEmpty())
            out.append(mapping.keyword).append(QLatin1StringView(": "));
        const qsizetype valueStart = out.size();
        if (mapping.shape == ValueShape::Single)
            appendSingle(out, kind, raw, params);
        else
            appendPieces(out, raw, params, mapping.shape);
        if (out.size() == valueStart) {
            out.truncate(lineStart);
            lines_.end(typedNotes_, cards_);
            return;
        }
        std::optional<CardProperty> kept =
            keptProperty(content.name, content.params, mapping, kind, raw, params, version_,
                         QStringView(out).sliced(valueStart));
        lines_.end(typedNotes_, cards_);
        // A line of a keyword that tells no kind ("categories: a, b") is
        // Text as a whole, as writers see it.
        items_.push_back(Item{group.isEmpty() ? QByteArray() : group.toByteArray().toUpper(), kind,
                              params.types, lineStart,
                              kind == LineKind::Text ? lineStart : valueStart, out.size()});
        if (kept) {
            items_.back().kept = int(kept_.size());
            kept_.push_back(std::move(*kept));
        }
    }

    // The name N gives: prefix, given, additional, family, suffix.
    QString nameFromN()
    {
        if (nLine_.isEmpty())
            return {};
        const std::optional<ContentLine> content = splitContentLine(nLine_);
        Params params = parseParams(content->params);
        QByteArray storage;
        QStringList parts;
        forEachPart(plainValue(content->value, params, storage), ';', [&](QByteArrayView part) {
            parts.append(valueText(part, params, version_).trimmed());
        });
        QStringList name;
        for (const int k : {3, 1, 2, 0, 4}) {
            if (k < parts.size() && !parts[k].isEmpty())
                name.append(parts[k]);
        }
        return name.join(u' ');
    }

    // Rebuilds the lines with the labels of the items' groups (X-ABLabel).
    void applyLabels()
    {
        bool labelled = false;
        for (const Item &item : items_)
            labelled = labelled || labels_.contains(item.group);
        if (!labelled)
            return;
        const QString old = lines_.take();
        for (Item &item : items_) {
            QString label = labels_.value(item.group);
            // A desktop address book's own labels ("_$!<Mobile>!$_") say what the types say.
            if (label.startsWith(u"_$!<") && label.endsWith(u">!$_")) {
                if (isPhoneKind(item.kind))
                    item.kind = phoneKind(item.types, label);
                label.clear();
            }
            const QStringView value =
                QStringView(old).sliced(item.valueStart, item.valueEnd - item.valueStart);
            lines_.begin();
            item.lineStart = lines_.lineStart();
            lines_.text().append(makeLine(item.kind, value, label));
            item.valueEnd = lines_.text().size();
            item.valueStart = item.valueEnd - value.size();
            lines_.end(typedNotes_, cards_, false);
        }
    }

    QStringView valueOf(const Item &item) const
    {
        return QStringView(lines_.text()).sliced(item.valueStart, item.valueEnd - item.valueStart);
    }

    // The lines of X-QUORVEL-ENTRY, while the typed values match it.
    std::optional<QString> exactLines()
    {
        ContactChecksum checksum(fn_.value_or(QString()));
        for (const Item &item : items_)
            checksum.add(item.kind, valueOf(item));
        if (!checksum.matches(exact_->checksum))
            return std::nullopt;
        std::vector<QStringView> typed;
        typed.reserve(items_.size());
        for (const Item &item : items_)
            typed.push_back(
                QStringView(lines_.text()).sliced(item.lineStart, item.valueEnd - item.lineStart));
        return restoreExactLines(*exact_, typed, true, exactLines_, read_.notes, cards_);
    }

    // What the card says beyond its lines, each part with the text it stands for.
    void keepStructure(Contact &contact)
    {
        auto card = std::make_shared<EntryCard>();
        if (!nLine_.isEmpty()) {
            const std::optional<ContentLine> content = splitContentLine(nLine_);
            Params params = parseParams(content->params);
            QByteArray storage;
            if (std::optional<CardProperty> name = keptName(
                    plainValue(content->value, params, storage), params, version_, contact.name))
                card->properties.push_back(std::move(*name));
        }
        for (const Item &item : items_) {
            // A label changes the line: the property alone would not give it back.
            if (item.kept < 0 || labels_.contains(item.group))
                continue;
            CardProperty &property = kept_[std::size_t(item.kept)];
            property.belongsTo = QStringView(lines_.text())
                                     .sliced(item.lineStart, item.valueEnd - item.lineStart)
                                     .toString();
            card->properties.push_back(std::move(property));
        }
        if (!card->properties.empty())
            contact.card = std::move(card);
    }

    void finishCard()
    {
        inCard_ = false;
        applyLabels();
        Contact contact;
        contact.position = cards_;
        contact.uid = uid_;
        if (exact_) {
            if (std::optional<QString> lines = exactLines()) {
                contact.exact = true;
                contact.numbers = std::move(*lines);
                contact.name = fn_.value_or(QString());
                contact.bold = exact_->bold;
                keepStructure(contact);
            }
        }
        if (!contact.exact) {
            contact.name = fn_ && !QStringView(*fn_).trimmed().isEmpty() ? *fn_ : nameFromN();
            if (contact.name.trimmed().isEmpty()) {
                std::vector<ItemValue> values;
                for (const Item &item : items_)
                    values.push_back({item.kind, valueOf(item)});
                contact.nameFromDetails = nameFromDetails(values);
            }
            keepStructure(contact);
            contact.numbers = lines_.take();
            read_.notes.append(typedNotes_);
        }
        read_.contacts.append(std::move(contact));
    }

    struct ItemValue
    {
        LineKind kind;
        QStringView value;
    };

    ContentLines content_;
    qsizetype room_ = 0;
    ContactsRead read_;
    int cards_ = 0;
    int whole_ = 0; // cards with BEGIN and END
    bool inCard_ = false;
    bool afterAgent_ = false;
    bool endedInCard_ = false;
    bool strayEnd_ = false;
    bool tooLong_ = false; // the card is over kLongestContact
    qsizetype cardStart_ = 0;
    int nested_ = 0;
    int version_ = 3;
    std::optional<QString> fn_;
    QString uid_;
    QByteArrayView nLine_;
    QByteArray nCopy_;
    NumberLines lines_;
    NumberLines exactLines_;
    QList<ReadNote> typedNotes_;
    std::vector<Item> items_;
    std::vector<CardProperty> kept_;
    QHash<QByteArray, QString> labels_;
    std::optional<ExactEntry> exact_;
};

// Where a card begins right after one ends, at or after `from`; -1 when
// there is no such place. Only there can a file be read in two parts.
qsizetype cardBoundary(QByteArrayView bytes, qsizetype from)
{
    for (qsizetype at = from; (at = bytes.indexOf("\nBEGIN:VCARD", at)) >= 0; ++at) {
        qsizetype start = at;
        while (start > 0 && bytes[start - 1] != '\n')
            --start;
        QByteArrayView previous = bytes.sliced(start, at - start);
        if (previous.endsWith('\r'))
            previous.chop(1);
        if (equalsAscii(previous, "END:VCARD"))
            return at + 1;
    }
    return -1;
}

// Files from this size on are read in two parts at once.
constexpr qsizetype kTwoPartsFrom = qsizetype(1) << 20;

// Reads the file in two parts, the second in a thread of its own; its cards
// are numbered on from the first part's.
ContactsRead readInTwoParts(QByteArrayView bytes, qsizetype split)
{
    CardReader second(bytes.sliced(split));
    ContactsRead secondRead;
    const std::unique_ptr<QThread> thread(QThread::create([&] { secondRead = second.run(); }));
    thread->start();
    CardReader first(bytes.first(split), bytes.size());
    ContactsRead read = first.run();
    thread->wait();
    if (first.cutInsideACard() || second.cutInsideACard())
        return CardReader(bytes).run(); // cut inside a card (cards within a card): read whole
    read.ok = read.ok || secondRead.ok;
    for (std::size_t k = 0; k < read.notKept.size(); ++k)
        read.notKept[k] += secondRead.notKept[k];
    read.contacts.reserve(read.contacts.size() + secondRead.contacts.size());
    for (Contact &contact : secondRead.contacts) {
        contact.position += first.cards();
        read.contacts.append(std::move(contact));
    }
    for (ReadNote &note : secondRead.notes) {
        note.position += first.cards();
        read.notes.append(std::move(note));
    }
    return read;
}

} // namespace

void writeVCards(Utf8Builder &out, VCardVersion version,
                 const std::function<void(const EntryVisitor &)> &forEach)
{
    PropertyLine line(out);
    std::vector<LineValue> values;
    forEach([&](const DirectoryEntry &entry) { writeCard(line, version, entry, values); });
}

QByteArray formatVCards(const QList<DirectoryEntry> &entries, VCardVersion version)
{
    Utf8Builder out;
    writeVCards(out, version, [&](const EntryVisitor &visit) {
        for (const DirectoryEntry &entry : entries)
            visit(entry);
    });
    return out.take();
}

ContactsRead readVCards(QByteArrayView bytes)
{
    QByteArray utf8;
    bytes = utf8OfVCards(bytes, utf8);
    if (bytes.startsWith("\xEF\xBB\xBF"))
        bytes = bytes.sliced(3);
    const qsizetype split =
        bytes.size() >= kTwoPartsFrom ? cardBoundary(bytes, bytes.size() / 2) : -1;
    ContactsRead read = split < 0 ? CardReader(bytes).run() : readInTwoParts(bytes, split);

    if (!read.ok) {
        read.error = VCardText::tr("it holds no vCard (BEGIN:VCARD ... END:VCARD)");
        read.notes.clear();
    }
    return read;
}

} // namespace core
