#include "core/directory/findtext.h"
#include "core/directory/nameindex.h"

#include <QStringList>
#include <functional>
#include <gtest/gtest.h>
#include <random>

namespace {

// Letters whose folded forms meet (i/I/İ/ı, ß/ẞ, Kelvin sign), one outside the
// BMP, a lone high surrogate, a null name; short, so often prefixes.
const char16_t *const kPieces[] = {u"a",      u"A",      u"b",          u"i",          u"I",
                                   u"\u0130", u"\u0131", u"\u00df",     u"\u1e9e",     u"k",
                                   u"\u212a", u"s",      u"\U00010400", u"\U00010428", u"\xd801"};

QString randomText(std::mt19937 &random, int maxPieces)
{
    const int pieces = std::uniform_int_distribution<int>(0, maxPieces)(random);
    if (pieces == 0 && random() % 4 == 0)
        return QString(); // null
    QString text(u""_qs);
    for (int i = 0; i < pieces; ++i)
        text += QString::fromUtf16(kPieces[random() % std::size(kPieces)]);
    return text;
}

// The index answers as the plain scan through every kind of change, before,
// while and after it sorts (on its worker, with the changes made meanwhile).
TEST(CoreNameIndex, AgreesWithThePlainScanThroughEdits)
{
    // Name, seed, size, edits, pieces per name, what every non-null name begins with.
    const std::tuple<const char *, unsigned, int, int, int, const char16_t *> rows[] = {
        {"empty list", 1, 0, 30, 4, u""},
        {"small list", 2, 5, 80, 4, u""},
        {"a few blocks", 3, 300, 150, 4, u""},
        {"many duplicates", 4, 700, 60, 2, u""},
        {"long shared beginnings", 5, 200, 60, 4, u"Anderßon, İ"}};
    for (const auto &[what, seed, size, edits, maxPieces, stem] : rows) {
        SCOPED_TRACE(what);
        std::mt19937 random(seed);
        const auto at = [&](qsizetype bound) {
            return std::uniform_int_distribution<qsizetype>(0, bound)(random);
        };
        QStringList names;
        core::NameIndex index([&names](qsizetype p) -> const QString & { return names.at(p); },
                              [&names] {
                                  return [copy = names](qsizetype p) -> const QString & {
                                      return copy.at(p);
                                  };
                              });
        // Replaces `removed` names from p on by `added` new ones.
        const auto change = [&](qsizetype p, qsizetype removed, qsizetype added) -> auto &
        {
            names.remove(p, removed);
            for (qsizetype i = 0; i < added; ++i) {
                const QString text = randomText(random, maxPieces);
                names.insert(p, text.isNull() ? text : QString::fromUtf16(stem) + text);
            }
            return index;
        };
        change(0, 0, size).rebuild(size);
        for (int edit = 0; edit <= edits; ++edit) {
            const qsizetype n = names.size(), p = n ? at(n - 1) : 0, end = at(n);
            const qsizetype count = at(n < 16 ? 3 : 60), removed = std::min(at(4), n - end);
            const std::function<void()> kinds[] = {
                [&] { change(end, 0, 1).inserted(end); },
                [&] { change(p, 1, 0).removed(p); },
                [&] { change(p, 1, 1).renamed(p); },
                [&] { change(n, 0, count).appended(count); },
                [&] { index.rebuild(n); },
                // Several names replaced by several others (an undo, an import).
                [&] { change(end, removed, count % 13).spliced(end, removed, count % 13); },
            };
            if (edit > 0) // the first queries come right after the build
                kinds[n == 0 ? 0 : random() % std::size(kinds)]();
            ASSERT_EQ(index.size(), names.size());
            // Some queries wait for the sort; the others find it done or not.
            if (random() % 4 == 0)
                ASSERT_TRUE(index.waitForSort());
            if (random() % 3 == 0)
                continue;
            for (int q = 0; q < 12; ++q) {
                QString prefix = randomText(random, 3);
                // Half ask a name's beginning, the first the whole last name.
                if (q % 2 == 0 && !names.isEmpty()) {
                    const QString &name = q == 0 ? names.last() : names.at(at(names.size() - 1));
                    prefix = q == 0 ? name : name.left(at(name.size()));
                }
                ASSERT_EQ(index.firstWithPrefix(prefix),
                          core::firstWithPrefix(names, prefix, [](QStringView s) { return s; }))
                    << "edit " << edit << ", prefix \"" << prefix.toStdString() << "\" (null "
                    << prefix.isNull() << "), " << names.size() << " names";
            }
        }
    }
}

} // namespace
