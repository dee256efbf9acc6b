#include "vcard.h"

#include <QHash>

#include <array>
#include <cstdint>
#include <cstring>
#include <optional>
#include <vector>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

namespace core {

namespace {

// ---- writing ----

// Builds one property line as UTF-8 and hands it to the output folded: at
// most 75 octets a line, a continuation begins with a space, and no UTF-8
// sequence is cut.
class PropertyLine
{
public:
    explicit PropertyLine(Utf8Builder &out) : out_(out) {}

    PropertyLine &raw(QLatin1StringView text)
    {
        reserve(text.size());
        std::memcpy(bytes_.data() + used_, text.data(), static_cast<std::size_t>(text.size()));
        used_ += text.size();
        return *this;
    }

    // Text with "\", ",", ";" and line breaks escaped.
    PropertyLine &text(QStringView text)
    {
        reserve(text.size() * 3);
        auto *o = reinterpret_cast<unsigned char *>(bytes_.data() + used_);
        const char16_t *p = text.utf16();
        const char16_t *const end = p + text.size();
        while (p < end) {
#ifdef __SSE2__
            // Runs of ASCII that need no escape, eight code units at a time.
            const __m128i bias = _mm_set1_epi16(-0x8000);
            const __m128i limit = _mm_set1_epi16(-0x8000 + 0x7F);
            while (end - p >= 8) {
                const __m128i units = _mm_loadu_si128(reinterpret_cast<const __m128i *>(p));
                __m128i special = _mm_cmpgt_epi16(_mm_add_epi16(units, bias), limit);
                for (const char16_t c : {u'\\', u',', u';', u'\n', u'\r'})
                    special =
                        _mm_or_si128(special, _mm_cmpeq_epi16(units, _mm_set1_epi16(short(c))));
                if (_mm_movemask_epi8(special))
                    break;
                _mm_storel_epi64(reinterpret_cast<__m128i *>(o), _mm_packus_epi16(units, units));
                o += 8;
                p += 8;
            }
            if (p == end)
                break;
#endif
            const char32_t c = *p++;
            if (c < 0x80) {
                if (c == u'\\' || c == u',' || c == u';') {
                    *o++ = '\\';
                    *o++ = static_cast<unsigned char>(c);
                } else if (c == u'\n' || c == u'\r') {
                    if (c == u'\r' && p < end && *p == u'\n')
                        continue;
                    *o++ = '\\';
                    *o++ = 'n';
                } else {
                    *o++ = static_cast<unsigned char>(c);
                }
            } else if (c < 0x800) {
                *o++ = static_cast<unsigned char>(0xC0 | (c >> 6));
                *o++ = static_cast<unsigned char>(0x80 | (c & 0x3F));
            } else if (QChar::isHighSurrogate(c) && p < end && QChar::isLowSurrogate(*p)) {
                const char32_t u = QChar::surrogateToUcs4(static_cast<char16_t>(c), *p++);
                *o++ = static_cast<unsigned char>(0xF0 | (u >> 18));
                *o++ = static_cast<unsigned char>(0x80 | ((u >> 12) & 0x3F));
                *o++ = static_cast<unsigned char>(0x80 | ((u >> 6) & 0x3F));
                *o++ = static_cast<unsigned char>(0x80 | (u & 0x3F));
            } else {
                const char32_t u = QChar::isSurrogate(c) ? 0xFFFD : c;
                *o++ = static_cast<unsigned char>(0xE0 | (u >> 12));
                *o++ = static_cast<unsigned char>(0x80 | ((u >> 6) & 0x3F));
                *o++ = static_cast<unsigned char>(0x80 | (u & 0x3F));
            }
        }
        used_ = reinterpret_cast<char *>(o) - bytes_.data();
        return *this;
    }

    void end()
    {
        const char *data = bytes_.constData();
        qsizetype pos = 0;
        qsizetype limit = 75;
        while (used_ - pos > limit) {
            qsizetype cut = pos + limit;
            while ((static_cast<unsigned char>(data[cut]) & 0xC0) == 0x80)
                --cut;
            out_.appendBytes(QByteArrayView(data + pos, cut - pos));
            out_.appendBytes("\r\n ");
            pos = cut;
            limit = 74;
        }
        out_.appendBytes(QByteArrayView(data + pos, used_ - pos));
        out_.endLine();
        used_ = 0;
    }

private:
    void reserve(qsizetype more)
    {
        if (used_ + more > bytes_.size())
            bytes_.resize(std::max(used_ + more, bytes_.size() * 2 + 256));
    }

    Utf8Builder &out_;
    QByteArray bytes_;
    qsizetype used_ = 0;
};

QLatin1StringView propertyFor(LineKind kind, VCardVersion version)
{
    const bool v4 = version == VCardVersion::V4;
    switch (kind) {
    case LineKind::Phone:
        return QLatin1StringView("TEL:"); // voice, the default type
    case LineKind::HomePhone:
        return QLatin1StringView("TEL;TYPE=home,voice:");
    case LineKind::WorkPhone:
        return QLatin1StringView("TEL;TYPE=work,voice:");
    case LineKind::Mobile:
        return QLatin1StringView("TEL;TYPE=cell:");
    case LineKind::Fax:
        return QLatin1StringView("TEL;TYPE=fax:");
    case LineKind::Pager:
        return QLatin1StringView("TEL;TYPE=pager:");
    case LineKind::Email:
        return QLatin1StringView("EMAIL:"); // internet, the default type
    case LineKind::Address:
        return QLatin1StringView("ADR:;;");
    case LineKind::Web:
        return QLatin1StringView("URL:");
    case LineKind::Organization:
        return QLatin1StringView("ORG:");
    case LineKind::Title:
        return QLatin1StringView("TITLE:");
    case LineKind::Nickname:
        return QLatin1StringView("NICKNAME:");
    case LineKind::Birthday:
        return v4 ? QLatin1StringView("BDAY;VALUE=text:") : QLatin1StringView("BDAY:");
    case LineKind::Text:
        break;
    }
    return QLatin1StringView("NOTE:");
}

void writeCard(PropertyLine &line, VCardVersion version, const DirectoryEntry &entry,
               std::vector<TypedValue> &values)
{
    line.raw(QLatin1StringView("BEGIN:VCARD")).end();
    line.raw(version == VCardVersion::V4 ? QLatin1StringView("VERSION:4.0")
                                         : QLatin1StringView("VERSION:3.0"))
        .end();
    line.raw(QLatin1StringView("FN:")).text(entry.name).end();
    if (version == VCardVersion::V3) {
        const NameParts parts = splitName(entry.name);
        line.raw(QLatin1StringView("N:"))
            .text(parts.family)
            .raw(QLatin1StringView(";"))
            .text(parts.given)
            .raw(QLatin1StringView(";;;"))
            .end();
    }
    // The exact entry is kept only when the typed properties alone would not
    // give it back.
    const bool exact = !typedValues(entry, values);
    for (const TypedValue &value : values) {
        line.raw(propertyFor(value.kind, version)).text(value.value);
        if (value.kind == LineKind::Address)
            line.raw(QLatin1StringView(";;;;"));
        line.end();
    }
    if (exact) {
        ContactChecksum checksum(entry.name);
        for (const TypedValue &value : values)
            checksum.add(value.kind, value.value);
        const std::array<char, 16> digits = checksum.digits();
        line.raw(QLatin1StringView("X-QUORVEL-ENTRY;CHECKSUM="))
            .raw(QLatin1StringView(digits.data(), qsizetype(digits.size())));
        if (entry.bold)
            line.raw(QLatin1StringView(";BOLD=1"));
        line.raw(QLatin1StringView(":"));
        const QStringView numbers(entry.numbers);
        qsizetype start = 0;
        for (qsizetype tab; (tab = indexOfUnit(numbers, u'\t', start)) >= 0; start = tab + 1)
            line.text(numbers.sliced(start, tab - start)).raw(QLatin1StringView(";"));
        line.text(numbers.sliced(start)).end();
    }
    line.raw(QLatin1StringView("END:VCARD")).end();
}

// ---- reading ----

bool equalsAscii(QByteArrayView a, QByteArrayView b)
{
    if (a.size() != b.size())
        return false;
    for (qsizetype i = 0; i < a.size(); ++i) {
        char x = a[i];
        char y = b[i];
        if (x >= 'a' && x <= 'z')
            x = char(x - 32);
        if (y >= 'a' && y <= 'z')
            y = char(y - 32);
        if (x != y)
            return false;
    }
    return true;
}

bool containsAscii(QByteArrayView text, QByteArrayView word)
{
    for (qsizetype i = 0; i + word.size() <= text.size(); ++i) {
        if (equalsAscii(text.sliced(i, word.size()), word))
            return true;
    }
    return false;
}

enum TypeBit : unsigned {
    kHome = 1,
    kWork = 2,
    kCell = 4,
    kFax = 8,
    kPager = 16,
};

struct Params
{
    unsigned types = 0;
    bool quotedPrintable = false;
    bool bold = false;
    QByteArrayView charset;
    QByteArrayView checksum;
};

void addType(Params &params, QByteArrayView word)
{
    if (equalsAscii(word, "home"))
        params.types |= kHome;
    else if (equalsAscii(word, "work"))
        params.types |= kWork;
    else if (equalsAscii(word, "cell"))
        params.types |= kCell;
    else if (equalsAscii(word, "fax"))
        params.types |= kFax;
    else if (equalsAscii(word, "pager"))
        params.types |= kPager;
    else if (equalsAscii(word, "quoted-printable"))
        params.quotedPrintable = true;
}

QByteArrayView unquoted(QByteArrayView value)
{
    if (value.size() >= 2 && value.front() == '"' && value.back() == '"')
        return value.sliced(1, value.size() - 2);
    return value;
}

// Parameters in every spelling: "TYPE=cell,voice", "TYPE=CELL;TYPE=VOICE",
// 2.1's bare "CELL", quoted 4.0 values.
Params parseParams(QByteArrayView text)
{
    Params params;
    qsizetype start = 0;
    while (start < text.size()) {
        qsizetype end = start;
        bool quoted = false;
        while (end < text.size() && (quoted || text[end] != ';')) {
            if (text[end] == '"')
                quoted = !quoted;
            ++end;
        }
        const QByteArrayView param = text.sliced(start, end - start);
        start = end + 1;
        const qsizetype eq = param.indexOf('=');
        if (eq < 0) {
            addType(params, param.trimmed());
            continue;
        }
        const QByteArrayView name = param.first(eq).trimmed();
        const QByteArrayView value = unquoted(param.sliced(eq + 1).trimmed());
        if (equalsAscii(name, "TYPE")) {
            qsizetype from = 0;
            for (qsizetype comma; from <= value.size(); from = comma + 1) {
                comma = value.indexOf(',', from);
                if (comma < 0)
                    comma = value.size();
                addType(params, value.sliced(from, comma - from).trimmed());
            }
        } else if (equalsAscii(name, "ENCODING")) {
            addType(params, value);
        } else if (equalsAscii(name, "CHARSET")) {
            params.charset = value;
        } else if (equalsAscii(name, "CHECKSUM")) {
            params.checksum = value;
        } else if (equalsAscii(name, "BOLD")) {
            params.bold = value == "1";
        }
    }
    return params;
}

int hexDigit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

QByteArray decodeQuotedPrintable(QByteArrayView text)
{
    QByteArray bytes;
    bytes.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] == '=' && i + 2 < text.size() && hexDigit(text[i + 1]) >= 0 &&
            hexDigit(text[i + 2]) >= 0) {
            bytes.append(char(hexDigit(text[i + 1]) * 16 + hexDigit(text[i + 2])));
            i += 2;
        } else {
            bytes.append(text[i]);
        }
    }
    return bytes;
}

// Parts of a value split at each unescaped separator.
template <typename F> void forEachPart(QByteArrayView value, char separator, F f)
{
    qsizetype start = 0;
    for (qsizetype i = 0; i < value.size(); ++i) {
        if (value[i] == '\\') {
            ++i;
        } else if (value[i] == separator) {
            f(value.sliced(start, i - start));
            start = i + 1;
        }
    }
    f(value.sliced(start));
}

bool isAscii(QByteArrayView bytes)
{
    const char *p = bytes.data();
    const char *const end = p + bytes.size();
    for (; end - p >= 8; p += 8) {
        std::uint64_t word;
        std::memcpy(&word, p, 8);
        if (word & 0x8080808080808080ull)
            return false;
    }
    for (; p < end; ++p) {
        if (static_cast<unsigned char>(*p) >= 0x80)
            return false;
    }
    return true;
}

struct Item
{
    QByteArray group;
    LineKind kind;
    unsigned types; // for TEL: the kind is settled with the group's label
    QString value;
};

class Reader
{
public:
    explicit Reader(QByteArrayView bytes) : data_(bytes)
    {
        if (data_.startsWith("\xEF\xBB\xBF"))
            data_ = data_.sliced(3);
    }

    ContactsRead run()
    {
        read_.unit = QStringLiteral("card");
        QByteArrayView line;
        while (nextLine(line)) {
            if (line.isEmpty())
                continue;
            const bool qp = declaresQuotedPrintable(line);
            if (!continues(line, qp)) {
                property(line);
                continue;
            }
            joined_ = line.toByteArray();
            while (continues(joined_, qp)) {
                const bool softBreak = qp && joined_.endsWith('=');
                nextLine(line);
                if (softBreak)
                    joined_.chop(1);
                else if (version_ != 2)
                    line = line.sliced(1);
                joined_.append(line);
            }
            property(joined_);
        }
        if (inCard_)
            read_.skipped.append(QStringLiteral("card %1: it has no END:VCARD").arg(cards_));
        if (cards_ - (inCard_ ? 1 : 0) == 0) {
            read_.error = QStringLiteral("it holds no vCard (BEGIN:VCARD ... END:VCARD)");
            read_.skipped.clear();
            return read_;
        }
        read_.ok = true;
        return read_;
    }

private:
    bool nextLine(QByteArrayView &line)
    {
        if (pos_ >= data_.size())
            return false;
        const void *found = std::memchr(data_.data() + pos_, '\n', size_t(data_.size() - pos_));
        const qsizetype end =
            found ? static_cast<const char *>(found) - data_.data() : data_.size();
        line = data_.sliced(pos_, end - pos_);
        if (line.endsWith('\r'))
            line.chop(1);
        pos_ = end + 1;
        return true;
    }

    // The next line carries on this one: it is indented, or this one ends in
    // a quoted-printable soft break.
    bool continues(QByteArrayView line, bool qp) const
    {
        if (pos_ >= data_.size())
            return false;
        if (qp && line.endsWith('='))
            return true;
        return data_[pos_] == ' ' || data_[pos_] == '\t';
    }

    static bool declaresQuotedPrintable(QByteArrayView line)
    {
        const qsizetype colon = line.indexOf(':');
        const qsizetype semicolon = line.indexOf(';');
        return semicolon >= 0 && semicolon < colon &&
               containsAscii(line.sliced(semicolon, colon - semicolon), "QUOTED-PRINTABLE");
    }

    // The text of one value or part: quoted-printable and character set
    // decoded, then unescaped.
    QString text(QByteArrayView raw, const Params &params) const
    {
        const QString decoded = params.quotedPrintable
                                    ? decodeCharset(decodeQuotedPrintable(raw), params.charset)
                                : isAscii(raw) ? QString::fromLatin1(raw)
                                               : decodeCharset(raw, params.charset);
        return decoded.contains(u'\\') ? unescaped(decoded) : decoded;
    }

    QString unescaped(const QString &text) const
    {
        QString out;
        out.reserve(text.size());
        for (qsizetype i = 0; i < text.size(); ++i) {
            const QChar c = text[i];
            if (c != u'\\' || i + 1 == text.size()) {
                out.append(c);
                continue;
            }
            const QChar next = text[++i];
            if (next == u'n' || next == u'N')
                out.append(u'\n');
            else if (version_ != 2 || QStringView(u"\\;,:").contains(next))
                out.append(next);
            else
                out.append(c).append(next); // 2.1 escapes nothing else
        }
        return out;
    }

    // The fields of a structured value, each split off before it is decoded.
    QStringList fields(QByteArrayView raw, const Params &params) const
    {
        QStringList fields;
        forEachPart(raw, ';', [&](QByteArrayView part) { fields.append(text(part, params)); });
        return fields;
    }

    // The non-empty pieces of a structured value whose fields may be lists
    // (ADR, ORG, NICKNAME), joined into one line; fields in the given order.
    QString joinedPieces(QByteArrayView raw, const Params &params,
                         std::initializer_list<int> order = {}) const
    {
        QList<QByteArrayView> fields;
        forEachPart(raw, ';', [&](QByteArrayView field) { fields.append(field); });
        QList<QByteArrayView> ordered;
        for (const int k : order) {
            if (k < fields.size())
                ordered.append(fields[k]);
        }
        QStringList pieces;
        for (const QByteArrayView field : order.size() ? ordered : fields) {
            forEachPart(field, ',', [&](QByteArrayView piece) {
                QString t = text(piece, params).trimmed();
                if (!t.isEmpty())
                    pieces.append(t.replace(u'\n', QStringLiteral(", ")));
            });
        }
        return pieces.join(QStringLiteral(", "));
    }

    void add(QByteArrayView group, LineKind kind, QString value, unsigned types = 0)
    {
        if (!value.isEmpty())
            items_.push_back(Item{group.isEmpty() ? QByteArray() : group.toByteArray().toUpper(),
                                  kind, types, std::move(value)});
    }

    void property(QByteArrayView line)
    {
        qsizetype i = 0;
        while (i < line.size() && line[i] != ';' && line[i] != ':')
            ++i;
        if (i == line.size())
            return; // no value: a base64 line of 2.1, or noise
        QByteArrayView name = line.first(i);
        QByteArrayView paramText;
        if (line[i] == ';') {
            const qsizetype start = i + 1;
            bool quoted = false;
            while (i < line.size() && (quoted || line[i] != ':')) {
                if (line[i] == '"')
                    quoted = !quoted;
                ++i;
            }
            if (i == line.size())
                return;
            paramText = line.sliced(start, i - start);
        }
        const QByteArrayView value = line.sliced(i + 1);
        QByteArrayView group;
        if (const qsizetype dot = name.lastIndexOf('.'); dot >= 0) {
            group = name.first(dot);
            name = name.sliced(dot + 1);
        }

        if (equalsAscii(name, "BEGIN")) {
            if (!equalsAscii(value.trimmed(), "VCARD"))
                return;
            if (inCard_) {
                ++nested_; // a card inside a card (2.1's AGENT) is not one of ours
                return;
            }
            inCard_ = true;
            ++cards_;
            version_ = 3;
            fn_.reset();
            nValue_.clear();
            items_.clear();
            labels_.clear();
            exact_.reset();
            return;
        }
        if (!inCard_)
            return;
        if (equalsAscii(name, "END")) {
            if (!equalsAscii(value.trimmed(), "VCARD"))
                return;
            if (nested_ > 0)
                --nested_;
            else
                finishCard();
            return;
        }
        if (nested_ > 0)
            return;
        if (equalsAscii(name, "VERSION")) {
            version_ = value.startsWith("2") ? 2 : value.startsWith("4") ? 4 : 3;
            return;
        }
        const Params params = parseParams(paramText);
        if (equalsAscii(name, "FN")) {
            if (!fn_)
                fn_ = text(value, params);
        } else if (equalsAscii(name, "N")) {
            // Read only when the card has no FN.
            nValue_ = value.toByteArray();
            nParams_ = paramText.toByteArray();
        } else if (equalsAscii(name, "TEL")) {
            QString number = text(value, params);
            if (number.startsWith(QLatin1StringView("tel:"), Qt::CaseInsensitive))
                number.remove(0, 4);
            add(group, LineKind::Phone, number.trimmed(), params.types);
        } else if (equalsAscii(name, "EMAIL")) {
            add(group, LineKind::Email, text(value, params).trimmed());
        } else if (equalsAscii(name, "ADR")) {
            // Street, extended address and post office box first, as addresses are written.
            add(group, LineKind::Address, joinedPieces(value, params, {2, 1, 0, 3, 4, 5, 6}));
        } else if (equalsAscii(name, "ORG")) {
            add(group, LineKind::Organization, joinedPieces(value, params));
        } else if (equalsAscii(name, "NICKNAME")) {
            add(group, LineKind::Nickname, joinedPieces(value, params));
        } else if (equalsAscii(name, "URL")) {
            add(group, LineKind::Web, text(value, params).trimmed());
        } else if (equalsAscii(name, "TITLE")) {
            add(group, LineKind::Title, text(value, params).trimmed());
        } else if (equalsAscii(name, "BDAY")) {
            add(group, LineKind::Birthday, text(value, params).trimmed());
        } else if (equalsAscii(name, "NOTE")) {
            add(group, LineKind::Text, text(value, params));
        } else if (equalsAscii(name, "X-ABLABEL")) {
            labels_.insert(group.toByteArray().toUpper(), text(value, params).trimmed());
        } else if (equalsAscii(name, "X-QUORVEL-ENTRY")) {
            Exact exact{params.bold, QString::fromLatin1(params.checksum), {}};
            if (!value.isEmpty())
                exact.lines = fields(value, params);
            exact_ = std::move(exact);
        }
    }

    // A TEL's kind from its types and the label of its group.
    static LineKind phoneKind(unsigned types, QStringView builtinLabel)
    {
        if (types & kFax || builtinLabel.contains(u"fax", Qt::CaseInsensitive))
            return LineKind::Fax;
        if (types & kPager || builtinLabel.contains(u"pager", Qt::CaseInsensitive))
            return LineKind::Pager;
        if (types & kCell || builtinLabel.contains(u"mobile", Qt::CaseInsensitive) ||
            builtinLabel.contains(u"iphone", Qt::CaseInsensitive))
            return LineKind::Mobile;
        if (types & kWork)
            return LineKind::WorkPhone;
        if (types & kHome)
            return LineKind::HomePhone;
        return LineKind::Phone;
    }

    // The name N gives: prefix, given, additional, family, suffix.
    QString nameFromN() const
    {
        const QStringList parts = fields(nValue_, parseParams(nParams_));
        QStringList name;
        for (const int k : {3, 1, 2, 0, 4}) {
            if (k < parts.size() && !parts[k].trimmed().isEmpty())
                name.append(parts[k].trimmed());
        }
        return name.join(u' ');
    }

    void finishCard()
    {
        inCard_ = false;
        Contact contact;
        contact.position = cards_;
        std::vector<QString> labels(items_.size());
        for (std::size_t i = 0; i < items_.size(); ++i) {
            Item &item = items_[i];
            QString label = item.group.isEmpty() ? QString() : labels_.value(item.group);
            // Apple's own labels ("_$!<Mobile>!$_") say what the types say.
            const bool builtin = label.startsWith(u"_$!<") && label.endsWith(u">!$_");
            if (item.kind == LineKind::Phone)
                item.kind = phoneKind(item.types, builtin ? QStringView(label) : QStringView());
            if (!builtin)
                labels[i] = std::move(label);
        }
        if (exact_) {
            ContactChecksum checksum(fn_.value_or(QString()));
            for (const Item &item : items_)
                checksum.add(item.kind, item.value);
            contact.exact = checksum.matches(exact_->checksum);
        }
        if (contact.exact) {
            contact.name = fn_.value_or(QString());
            contact.lines = std::move(exact_->lines);
            contact.bold = exact_->bold;
        } else {
            contact.name = fn_ ? *fn_ : nameFromN();
            contact.nameFromDetails = nameFromDetails(items_);
            contact.lines.reserve(qsizetype(items_.size()));
            for (std::size_t i = 0; i < items_.size(); ++i)
                contact.lines.append(makeLine(items_[i].kind, items_[i].value, labels[i]));
        }
        items_.clear();
        read_.contacts.append(std::move(contact));
    }

    struct Exact
    {
        bool bold = false;
        QString checksum;
        QStringList lines;
    };

    QByteArrayView data_;
    qsizetype pos_ = 0;
    QByteArray joined_;
    ContactsRead read_;
    int cards_ = 0;
    bool inCard_ = false;
    int nested_ = 0;
    int version_ = 3;
    std::optional<QString> fn_;
    QByteArray nValue_;
    QByteArray nParams_;
    std::vector<Item> items_;
    QHash<QByteArray, QString> labels_;
    std::optional<Exact> exact_;
};

} // namespace

void writeVCards(Utf8Builder &out, VCardVersion version,
                 const std::function<void(const EntryVisitor &)> &forEach)
{
    PropertyLine line(out);
    std::vector<TypedValue> values;
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
    return Reader(bytes).run();
}

} // namespace core
