#include "core/contacts/linekind.h"

#include "core/directory/directoryfile.h"
#include "core/files/fileio.h"

#include <QUrl>

#include <algorithm>
#include <array>
#include <vector>

namespace core {

namespace {

struct Keyword
{
    QStringView text;
    LineKind kind;
};

// The one keyword table. The first keyword of each kind is the one imported
// lines are written with.
constexpr std::array kKeywords = {
    Keyword{u"phone", LineKind::Phone},
    Keyword{u"tel", LineKind::Phone},
    Keyword{u"telephone", LineKind::Phone},
    Keyword{u"landline", LineKind::Phone},
    Keyword{u"home phone", LineKind::HomePhone},
    Keyword{u"private phone", LineKind::HomePhone},
    Keyword{u"work phone", LineKind::WorkPhone},
    Keyword{u"office phone", LineKind::WorkPhone},
    Keyword{u"business phone", LineKind::WorkPhone},
    Keyword{u"mobile", LineKind::Mobile},
    Keyword{u"cell", LineKind::Mobile},
    Keyword{u"cellphone", LineKind::Mobile},
    Keyword{u"cell phone", LineKind::Mobile},
    Keyword{u"mobile phone", LineKind::Mobile},
    Keyword{u"handy", LineKind::Mobile},
    Keyword{u"fax", LineKind::Fax},
    Keyword{u"telefax", LineKind::Fax},
    Keyword{u"home fax", LineKind::Fax},
    Keyword{u"work fax", LineKind::Fax},
    Keyword{u"pager", LineKind::Pager},
    Keyword{u"beeper", LineKind::Pager},
    Keyword{u"e-mail", LineKind::Email},
    Keyword{u"email", LineKind::Email},
    Keyword{u"mail", LineKind::Email},
    Keyword{u"e-mail address", LineKind::Email},
    Keyword{u"email address", LineKind::Email},
    Keyword{u"address", LineKind::Address},
    Keyword{u"addr", LineKind::Address},
    Keyword{u"adr", LineKind::Address},
    Keyword{u"home address", LineKind::Address},
    Keyword{u"work address", LineKind::Address},
    Keyword{u"postal address", LineKind::Address},
    Keyword{u"web", LineKind::Web},
    Keyword{u"url", LineKind::Web},
    Keyword{u"www", LineKind::Web},
    Keyword{u"website", LineKind::Web},
    Keyword{u"web site", LineKind::Web},
    Keyword{u"web page", LineKind::Web},
    Keyword{u"homepage", LineKind::Web},
    Keyword{u"home page", LineKind::Web},
    Keyword{u"company", LineKind::Organization},
    Keyword{u"org", LineKind::Organization},
    Keyword{u"organization", LineKind::Organization},
    Keyword{u"organisation", LineKind::Organization},
    Keyword{u"firm", LineKind::Organization},
    Keyword{u"title", LineKind::Title},
    Keyword{u"job title", LineKind::Title},
    Keyword{u"job", LineKind::Title},
    Keyword{u"position", LineKind::Title},
    Keyword{u"nickname", LineKind::Nickname},
    Keyword{u"nick", LineKind::Nickname},
    Keyword{u"alias", LineKind::Nickname},
    Keyword{u"birthday", LineKind::Birthday},
    Keyword{u"bday", LineKind::Birthday},
    Keyword{u"born", LineKind::Birthday},
    Keyword{u"date of birth", LineKind::Birthday},
};

// The view without white space at either end (an inline form of trimmed(),
// which this hot path calls for every line written).
QStringView trimmedView(QStringView text)
{
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && text[begin].isSpace())
        ++begin;
    while (end > begin && text[end - 1].isSpace())
        --end;
    return text.sliced(begin, end - begin);
}

} // namespace

namespace {

// The kind of a keyword without blanks at either end.
LineKind kindOfTrimmedKeyword(QStringView keyword)
{
    if (keyword.endsWith(u')')) {
        if (const qsizetype open = keyword.lastIndexOf(u'('); open > 0)
            keyword = trimmedView(keyword.left(open));
    }
    if (keyword.isEmpty())
        return LineKind::Text;
    // The keywords are ASCII in lower case: those with the same first letter
    // are compared letter by letter.
    static const auto byLetter = [] {
        std::array<std::vector<const Keyword *>, 26> byLetter;
        for (const Keyword &k : kKeywords)
            byLetter[std::size_t(k.text[0].unicode() - u'a')].push_back(&k);
        return byLetter;
    }();
    const char16_t first = keyword[0].unicode() | 0x20;
    if (first < u'a' || first > u'z')
        return LineKind::Text;
    for (const Keyword *k : byLetter[std::size_t(first - u'a')]) {
        if (k->text.size() != keyword.size())
            continue;
        qsizetype i = 1;
        for (; i < keyword.size(); ++i) {
            char16_t c = keyword[i].unicode();
            if (c >= u'A' && c <= u'Z')
                c = char16_t(c + 32);
            if (c != k->text[i].unicode())
                break;
        }
        if (i == keyword.size())
            return k->kind;
    }
    return LineKind::Text;
}

} // namespace

LineKind kindOfKeyword(QStringView keyword)
{
    return kindOfTrimmedKeyword(trimmedView(keyword));
}

bool isPhoneKind(LineKind kind)
{
    return kind == LineKind::Phone || kind == LineKind::HomePhone || kind == LineKind::WorkPhone ||
           kind == LineKind::Mobile || kind == LineKind::Fax || kind == LineKind::Pager;
}

LineParts splitLine(QStringView line)
{
    LineParts parts;
    if (line.size() >= 3 && line[0] == u'<' && line[1] == u'b' && line[2] == u'>') {
        parts.bold = true;
        line = line.sliced(3);
    }
    const qsizetype colon = indexOfUnit(line, u':');
    if (colon < 0) {
        parts.value = trimmedView(line);
        return parts;
    }
    parts.keyword = trimmedView(line.left(colon));
    parts.value = trimmedView(line.sliced(colon + 1));
    parts.kind = kindOfTrimmedKeyword(parts.keyword);
    return parts;
}

QStringView keywordOf(LineKind kind)
{
    // The first keyword of each kind, found once.
    static const auto first = [] {
        std::array<QStringView, std::size_t(LineKind::Birthday) + 1> first{};
        for (auto k = kKeywords.rbegin(); k != kKeywords.rend(); ++k)
            first[std::size_t(k->kind)] = k->text;
        return first;
    }();
    return first[std::size_t(kind)];
}

QString makeLine(LineKind kind, QStringView value, QStringView label)
{
    const QStringView keyword = keywordOf(kind);
    QString line;
    line.reserve(keyword.size() + label.size() + value.size() + 5);
    line.append(keyword);
    if (!label.isEmpty()) {
        if (!keyword.isEmpty())
            line.append(QLatin1StringView(" ("));
        line.append(label);
        if (!keyword.isEmpty())
            line.append(u')');
    }
    if (!line.isEmpty())
        line.append(QLatin1StringView(": "));
    line.append(value);
    return line;
}

namespace {

// The value of the first field `name` (without regard to case) of a query
// "a=1&b=2", as it is written (still percent-encoded); nothing without one.
std::optional<QStringView> queryField(QStringView query, QStringView name)
{
    for (const QStringView field : query.tokenize(u'&')) {
        const qsizetype equals = field.indexOf(u'=');
        if (equals >= 0 && field.left(equals).compare(name, Qt::CaseInsensitive) == 0)
            return field.mid(equals + 1);
    }
    return std::nullopt;
}

QString decoded(QStringView encoded)
{
    return QUrl::fromPercentEncoding(encoded.toUtf8());
}

} // namespace

std::optional<QString> mailtoUrl(QStringView value)
{
    value = value.trimmed();
    if (value.startsWith(u"mailto:", Qt::CaseInsensitive))
        value = value.mid(7);
    if (const qsizetype hash = value.indexOf(u'#'); hash >= 0)
        value = value.left(hash);
    const qsizetype question = value.indexOf(u'?');
    const QString address = decoded(question < 0 ? value : value.left(question));
    const bool unsafe = std::any_of(address.begin(), address.end(), [](QChar c) {
        return c.isSpace() || c.category() == QChar::Other_Control;
    });
    if (!address.contains(u'@') || unsafe)
        return std::nullopt;
    QString url = QLatin1StringView("mailto:") +
                  QString::fromLatin1(QUrl::toPercentEncoding(address, "@!$'*+.-_~"));
    if (question < 0)
        return url;
    if (const auto subject = queryField(value.mid(question + 1), u"subject")) {
        QString text = decoded(*subject);
        // A subject is one line.
        for (QChar &c : text) {
            if (c.category() == QChar::Other_Control)
                c = u' ';
        }
        url += QLatin1StringView("?subject=") + QString::fromLatin1(QUrl::toPercentEncoding(text));
    }
    return url;
}

std::optional<QString> urlToOpen(QStringView line)
{
    const LineParts parts = splitLine(line);
    const QStringView value = parts.value;
    if (value.isEmpty())
        return std::nullopt;
    const bool web = value.startsWith(u"http://", Qt::CaseInsensitive) ||
                     value.startsWith(u"https://", Qt::CaseInsensitive);
    if (isPhoneKind(parts.kind)) {
        // A tel: address holds no blanks; the other visual separators may stay.
        QString url = QStringLiteral("tel:");
        for (const QChar c : value) {
            if (!c.isSpace())
                url.append(c);
        }
        return url;
    }
    if (parts.kind == LineKind::Email)
        return mailtoUrl(value);
    if (web && !value.contains(u' '))
        return value.toString();
    // A web line without a scheme ("www.example.org").
    if (parts.kind == LineKind::Web && !value.contains(u' ') && !value.contains(u':'))
        return QLatin1StringView("https://") + value.toString();
    return std::nullopt;
}

} // namespace core
