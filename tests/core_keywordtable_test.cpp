#include "core/colors/keywordfile.h"
#include "core/colors/keywordtable.h"

#include <QStringList>
#include <gtest/gtest.h>
#include <random>

// The indexed lookup answers as the plain first-match scan, over random files.
TEST(CoreKeywordTable, AgreesWithThePlainScan)
{
    const char *const keywords[] = {"", "a", "ab", "abc", "b", "A", "a b", "\xc3\x9f"};
    const char *const colors[] = {"1,2,3", "4,5,6", " 7 , 8 , 9 ", "bad", "", "10,11,12\tx"};
    const char *const others[] = {";a\t1,1,1", ";", "", "   ", "a", "ab 2,2,2"};
    const char *const pieces[] = {"a", "b", "A", " ", "\xc3\x9f", "c"};
    const std::tuple<const char *, unsigned, int> rows[] = {
        {"no lines", 1, 0}, {"few lines", 2, 4}, {"many lines", 3, 40}};
    for (const auto &[what, seed, count] : rows) {
        SCOPED_TRACE(what);
        std::mt19937 random(seed);
        const auto pick = [&](const auto &from) { return from[random() % std::size(from)]; };
        for (int file = 0; file < 40; ++file) {
            QStringList lines;
            for (int i = 0; i < count; ++i)
                lines.append(random() % 3 == 0 ? QString::fromUtf8(pick(others))
                                               : QString::fromUtf8(pick(keywords)) + '\t' +
                                                     QString::fromUtf8(pick(colors)));
            const core::KeywordTable table = core::KeywordTable::fromLines(lines);
            for (int n = 0; n < 30; ++n) {
                QString line = n == 0 ? QString() : QString(u""_qs);
                for (int p = int(random() % 5); p > 0; --p)
                    line += QString::fromUtf8(pick(pieces));
                ASSERT_EQ(table.colorOf(line), core::lookupLineColor(lines, line))
                    << "line \"" << line.toStdString() << "\" in\n"
                    << lines.join('\n').toStdString();
            }
        }
    }
}
