#include "core/findtext.h"
#include "core/nameindex.h"

#include <QString>
#include <gtest/gtest.h>
#include <random>
#include <vector>

namespace {

// Pieces of names: letters whose folded forms meet (i/I/İ/ı, ß/ẞ, K/Kelvin
// sign), a letter outside the BMP in both cases, a lone high surrogate, and a
// null name. Short names make many of them prefixes of one another.
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

// Every query the index answers must equal the plain scan's answer: after a
// build, and after inserts, removals, renames, appends, splices and rebuilds.
TEST(CoreNameIndex, AgreesWithThePlainScanThroughEdits)
{
    const struct
    {
        const char *name;
        unsigned seed;
        int size;
        int edits;
        int maxPieces;
        const char16_t *stem; // what every name but a null one begins with
    } rows[] = {{"empty list", 1, 0, 30, 4, u""},
                {"small list", 2, 5, 80, 4, u""},
                {"a few blocks", 3, 300, 150, 4, u""},
                {"many duplicates", 4, 700, 60, 2, u""},
                {"long shared beginnings", 5, 200, 60, 4, u"Anderßon, İ"}};
    for (const auto &row : rows) {
        SCOPED_TRACE(row.name);
        std::mt19937 random(row.seed);
        const auto newName = [&] {
            const QString text = randomText(random, row.maxPieces);
            return text.isNull() ? text : QString::fromUtf16(row.stem) + text;
        };
        std::vector<QString> names;
        for (int i = 0; i < row.size; ++i)
            names.push_back(newName());
        core::NameIndex index([&names](qsizetype p) { return QStringView(names[std::size_t(p)]); });
        index.rebuild(qsizetype(names.size()));
        const auto at = [&](std::size_t bound) {
            return std::uniform_int_distribution<std::size_t>(0, bound)(random);
        };
        for (int edit = 0; edit <= row.edits; ++edit) {
            const std::size_t n = names.size();
            const int kind = int(random() % 7);
            if (edit == 0) {
                // The state right after the build is checked first.
            } else if (kind == 0 || n == 0) {
                const std::size_t p = at(n);
                names.insert(names.begin() + std::ptrdiff_t(p), newName());
                index.inserted(qsizetype(p));
            } else if (kind == 1) {
                const std::size_t p = at(n - 1);
                names.erase(names.begin() + std::ptrdiff_t(p));
                index.removed(qsizetype(p));
            } else if (kind == 2) {
                const std::size_t p = at(n - 1);
                names[p] = newName();
                index.renamed(qsizetype(p));
            } else if (kind == 3) {
                const std::size_t count = at(n < 16 ? 3 : 60);
                for (std::size_t i = 0; i < count; ++i)
                    names.push_back(newName());
                index.appended(qsizetype(count));
            } else if (kind == 4) {
                index.rebuild(qsizetype(n));
            } else {
                // Several names replaced by several others (an undo, an import).
                const std::size_t p = at(n);
                const std::size_t removed = std::min(at(4), n - p);
                const std::size_t added = at(12);
                names.erase(names.begin() + std::ptrdiff_t(p),
                            names.begin() + std::ptrdiff_t(p + removed));
                for (std::size_t i = 0; i < added; ++i)
                    names.insert(names.begin() + std::ptrdiff_t(p), newName());
                index.spliced(qsizetype(p), qsizetype(removed), qsizetype(added));
            }
            ASSERT_EQ(index.size(), qsizetype(names.size()));
            // Some edits follow one another unqueried (the index sorts lazily).
            if (random() % 3 == 0)
                continue;
            for (int q = 0; q < 12; ++q) {
                QString prefix = randomText(random, 3);
                // Half the queries take the beginning of a name in the list.
                if (q % 2 == 0 && !names.empty()) {
                    const QString &name = names[at(names.size() - 1)];
                    prefix = name.left(qsizetype(at(std::size_t(name.size()))));
                }
                const qsizetype want = core::firstWithPrefix(
                    names, prefix, [](const QString &s) { return QStringView(s); });
                ASSERT_EQ(index.firstWithPrefix(prefix), want)
                    << "edit " << edit << ", prefix \"" << prefix.toStdString() << "\" (null "
                    << prefix.isNull() << "), " << names.size() << " names";
            }
        }
    }
}

} // namespace
