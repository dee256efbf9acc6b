#pragma once

#include <QString>
#include <QStringView>
#include <optional>

namespace core {

// What a number line holds, told by the keyword in front of its first ":"
// ("phone: 555-1234", "e-mail: ann@example.org"). A line without a known
// keyword is Text.
enum class LineKind {
    Text,
    Phone,
    HomePhone,
    WorkPhone,
    Mobile,
    Fax,
    Pager,
    Email,
    Address,
    Web,
    Organization,
    Title,
    Nickname,
    Birthday,
};

// True for the kinds that hold a number to call or send to: phone, home,
// work, mobile, fax and pager.
bool isPhoneKind(LineKind kind);

// The parts of one number line, as views into the line it was made from.
struct LineParts
{
    LineKind kind = LineKind::Text;
    QStringView keyword; // the text before the first ":", trimmed; empty without ":"
    QStringView value;   // the text after the first ":" (the whole text without one), trimmed
    bool bold = false;   // the line begins with the bold marker "<b>", which belongs to neither
};

// The kind a keyword names, compared without regard to case. A remark in
// brackets at the end ("e-mail (work)") does not change it.
LineKind kindOfKeyword(QStringView keyword);

// Splits a number line into keyword and value and tells its kind.
LineParts splitLine(QStringView line);

// The keyword that lines of a kind are written with ("phone", "e-mail"); empty for Text.
QStringView keywordOf(LineKind kind);

// The number line for a value of a kind: "keyword: value", or the value alone
// for Text. A label (a custom one of another program) goes in brackets after
// the keyword: "e-mail (Uni): value", or before a Text value: "Uni: value".
QString makeLine(LineKind kind, QStringView value, QStringView label = {});

// The mailto: address for an e-mail value ("ann@example.org", or one already
// written as "mailto:ann@example.org?subject=Hi"): the address and, when the
// value gives one, its subject, and nothing else, so a line cannot make the
// mail program attach a file or add recipients. Nothing when the value holds
// no address (no "@", or a blank or control character in it).
std::optional<QString> mailtoUrl(QStringView value);

// The address to open for a line: "mailto:" for an e-mail address, "tel:" for
// a phone, mobile, fax or pager number, a web address as itself ("https://"
// in front of one without a scheme). Nothing when the line holds none.
std::optional<QString> urlToOpen(QStringView line);

} // namespace core
