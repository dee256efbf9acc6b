#include "benchdata.h"

#include "core/directory/directoryfile.h"
#include "core/files/fileio.h"

#include <algorithm>
#include <random>

namespace bench {

QByteArray makeDirectoryFile(int count, unsigned seed)
{
    std::mt19937 random(seed);
    const auto pick = [&](int low, int high) {
        return std::uniform_int_distribution<int>(low, high)(random);
    };
    static const QString letters = QStringLiteral("abcdefghijklmnopqrstuvwxyz");
    static const QString accented = QStringLiteral("éèüöäåñçøßÉÖ");
    static const char *const kinds[] = {"phone: ", "e-mail: ", "fax: ", "mobile: ", "note: "};
    QStringList lines;
    lines.reserve(count);
    for (int i = 0; i < count; ++i) {
        core::DirectoryEntry entry;
        const int length = pick(8, 20);
        for (int c = 0; c < length; ++c) {
            QChar ch = pick(0, 15) == 0 ? accented.at(pick(0, int(accented.size()) - 1))
                                        : letters.at(pick(0, 25));
            if (c == 0 || pick(0, 5) == 0)
                ch = ch.toUpper();
            entry.name.append(ch);
        }
        QStringList numbers;
        const int lineCount = pick(2, 4);
        for (int n = 0; n < lineCount; ++n) {
            QString line = QString::fromLatin1(kinds[pick(0, 4)]);
            line += QString::number(pick(100, 999)) + '-' + QString::number(pick(1000, 9999));
            if (pick(0, 9) == 0)
                line.prepend(QStringLiteral("<b>"));
            numbers.append(line);
        }
        entry.numbers = core::joinNumberLines(numbers);
        entry.bold = pick(0, 9) == 0;
        lines.append(core::formatDirectoryLine(entry));
    }
    return core::joinLines(lines);
}

std::vector<QString> namesOf(const QByteArray &directoryFile)
{
    std::vector<QString> names;
    for (const core::DirectoryEntry &entry :
         core::parseDirectoryLines(core::decodeLines(directoryFile)))
        names.push_back(entry.name);
    return names;
}

double Samples::minimum() const
{
    return values.empty() ? 0 : *std::min_element(values.begin(), values.end());
}

double Samples::median() const
{
    if (values.empty())
        return 0;
    std::vector<double> sorted = values;
    std::sort(sorted.begin(), sorted.end());
    const std::size_t middle = sorted.size() / 2;
    return sorted.size() % 2 ? sorted[middle] : (sorted[middle - 1] + sorted[middle]) / 2;
}

} // namespace bench
