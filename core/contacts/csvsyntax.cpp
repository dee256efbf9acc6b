#include "core/contacts/csvsyntax.h"

#include "core/contacts/contactread.h"
#include "core/files/textcodec.h"

#include <QStringDecoder>

namespace core {

namespace {

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

} // namespace

QString decodeCsv(QByteArrayView bytes)
{
    if (bytes.startsWith("\xFF\xFE"))
        return QStringDecoder(QStringDecoder::Utf16LE).decode(bytes.sliced(2));
    if (bytes.startsWith("\xFE\xFF"))
        return QStringDecoder(QStringDecoder::Utf16BE).decode(bytes.sliced(2));
    return decodeText(bytes); // drops a UTF-8 byte-order mark
}

QChar takeSeparator(QStringView &text)
{
    if (!text.startsWith(u"sep=") || text.size() < 5)
        return sniffSeparator(text);
    const QChar separator = text[4];
    const qsizetype eol = text.indexOf(u'\n');
    text = eol < 0 ? QStringView() : text.sliced(eol + 1);
    return separator;
}

bool RecordReader::next(QStringList &fields)
{
    fields.clear();
    leftOut_.clear();
    if (pos_ >= text_.size())
        return false;
    const qsizetype start = pos_;
    for (;;) {
        fieldLength_ = 0;
        fields.append(field());
        if (fieldLength_ > 0)
            leftOut_.append({fields.size() - 1, fieldLength_});
        length_ = pos_ - start;
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

// One field, up to the separator or the end of the record.
QString RecordReader::field()
{
    const qsizetype start = pos_;
    while (pos_ < text_.size() && !endsField(text_[pos_]) && text_[pos_] != u'"')
        ++pos_;
    if (pos_ == text_.size() || text_[pos_] != u'"') {
        if (pos_ - start <= kLongestValue)
            return text_.sliced(start, pos_ - start).toString();
        fieldLength_ = pos_ - start;
        return {};
    }
    // Quoted parts hold separators, line breaks and doubled quotes.
    QString field = text_.sliced(start, pos_ - start).toString();
    qsizetype length = field.size();
    const auto add = [&](QChar c) {
        if (++length <= kLongestValue)
            field.append(c);
    };
    bool quoted = false;
    for (; pos_ < text_.size(); ++pos_) {
        const QChar c = text_[pos_];
        if (quoted) {
            if (c != u'"')
                add(c);
            else if (pos_ + 1 < text_.size() && text_[pos_ + 1] == u'"')
                add(text_[++pos_]);
            else
                quoted = false;
        } else if (c == u'"') {
            quoted = true;
        } else if (endsField(c)) {
            break;
        } else {
            add(c);
        }
    }
    if (length <= kLongestValue)
        return field;
    fieldLength_ = length;
    return {};
}

bool needsApostrophe(QStringView cell)
{
    qsizetype i = 0;
    while (i < cell.size() && cell[i] == u'\'')
        ++i;
    if (i == cell.size())
        return false;
    const QChar c = cell[i];
    if (c == u'=' || c == u'@' || c == u'\t' || c == u'\r')
        return true;
    if (c != u'+' && c != u'-')
        return false;
    for (const QChar d : cell.sliced(i + 1)) {
        if ((d < u'0' || d > u'9') && !QStringView(u" ().-/").contains(d))
            return true;
    }
    return false;
}

void removeApostrophe(QString &cell)
{
    if (cell.startsWith(u'\'') && needsApostrophe(QStringView(cell).sliced(1)))
        cell.remove(0, 1);
}

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

} // namespace core
