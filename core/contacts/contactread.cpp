#include "core/contacts/contactread.h"

#include <QCoreApplication>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

namespace core {

namespace {

// The texts of this file, in the user's language.
struct ContactReadText
{
    Q_DECLARE_TR_FUNCTIONS(ContactReadText)
};

bool breaksFormat(QChar c)
{
    const char16_t u = c.unicode();
    return u == u'|' || (u <= u'\r' && (u == u'\t' || u == u'\r' || u == u'\n'));
}

// True when the code units hold "|", TAB, CR or LF.
bool holdsBreaks(const char16_t *p, const char16_t *const end)
{
#ifdef __SSE2__
    // Eight code units at a time.
    for (; end - p >= 8; p += 8) {
        const __m128i units = _mm_loadu_si128(reinterpret_cast<const __m128i *>(p));
        __m128i found = _mm_cmpeq_epi16(units, _mm_set1_epi16(u'|'));
        for (const char16_t c : {u'\t', u'\r', u'\n'})
            found = _mm_or_si128(found, _mm_cmpeq_epi16(units, _mm_set1_epi16(short(c))));
        if (_mm_movemask_epi8(found))
            break;
    }
#endif
    while (p < end && !breaksFormat(QChar(*p)))
        ++p;
    return p != end;
}

} // namespace

QString quoted(QStringView text)
{
    constexpr qsizetype kLongest = 60;
    QString out(1, u'"');
    for (qsizetype i = 0; i < text.size() && i < kLongest; ++i) {
        const QChar c = text[i];
        if (c == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n')
            continue; // CR LF is one line break
        out.append(c == u'\r' || c == u'\n' ? QChar(0x21B5) : c);
    }
    if (text.size() > kLongest)
        out.append(QLatin1StringView("..."));
    return out + u'"';
}

QString sizeText(qsizetype bytes)
{
    if (bytes >= (qsizetype(1) << 20))
        return QString::number(bytes >> 20) + QLatin1StringView(" MiB");
    return QString::number(bytes >> 10) + QLatin1StringView(" KiB");
}

QStringList notKeptCounts(const ContactsRead &read)
{
    // One and more of each kind, whole sentences for the translators.
    static const char *const kinds[][2] = {
        {QT_TRANSLATE_NOOP("ContactReadText", "%1 photo not kept"),
         QT_TRANSLATE_NOOP("ContactReadText", "%1 photos not kept")},
        {QT_TRANSLATE_NOOP("ContactReadText", "%1 logo not kept"),
         QT_TRANSLATE_NOOP("ContactReadText", "%1 logos not kept")},
        {QT_TRANSLATE_NOOP("ContactReadText", "%1 sound not kept"),
         QT_TRANSLATE_NOOP("ContactReadText", "%1 sounds not kept")},
        {QT_TRANSLATE_NOOP("ContactReadText", "%1 key not kept"),
         QT_TRANSLATE_NOOP("ContactReadText", "%1 keys not kept")}};
    QStringList counts;
    for (int k = 0; k < kNotKeptKinds; ++k) {
        const int n = read.notKept[std::size_t(k)];
        if (n > 0)
            counts.append(ContactReadText::tr(kinds[k][n == 1 ? 0 : 1]).arg(n));
    }
    return counts;
}

bool replaceBreaks(QString &text, qsizetype from)
{
    // Read through a const reference: the text is copied only when it changes.
    const QString &read = text;
    qsizetype i = from;
    while (i < read.size() && !breaksFormat(read[i]))
        ++i;
    if (i == read.size())
        return false;
    qsizetype out = i;
    for (; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n')
            continue;
        text[out++] = breaksFormat(c) ? QChar(u' ') : c;
    }
    text.truncate(out);
    return true;
}

void NumberLines::begin()
{
    if (count_++ > 0)
        text_.append(u'\t');
    start_ = text_.size();
}

void NumberLines::end(QList<ReadNote> &notes, int position, bool dropEmpty)
{
    if (dropEmpty && text_.size() == start_) {
        text_.truncate(count_-- > 1 ? start_ - 1 : start_);
        return;
    }
    const char16_t *const units = QStringView(text_).utf16();
    if (!holdsBreaks(units + start_, units + text_.size()))
        return;
    const QString before = text_.sliced(start_);
    replaceBreaks(text_, start_);
    notes.append({position,
                  ContactReadText::tr("line %1 stored as %2")
                      .arg(quoted(before), quoted(QStringView(text_).sliced(start_))),
                  false});
}

QString NumberLines::take()
{
    QString lines(text_.constData(), text_.size());
    clear();
    return lines;
}

void NumberLines::clear()
{
    text_.truncate(0);
    count_ = 0;
    start_ = 0;
}

} // namespace core
