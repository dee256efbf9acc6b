#pragma once

#include <QByteArray>
#include <QString>
#include <vector>

namespace bench {

// A directory file of `count` entries: names of 8 to 20 characters in mixed
// case with some non-ASCII letters, 2 to 4 number lines each, some bold.
// The same seed gives the same bytes.
QByteArray makeDirectoryFile(int count, unsigned seed = 1);

// The display names of such a file, in order.
std::vector<QString> namesOf(const QByteArray &directoryFile);

// Repeated measurements of one figure.
struct Samples
{
    std::vector<double> values;
    void add(double value) { values.push_back(value); }
    int count() const { return static_cast<int>(values.size()); }
    double minimum() const;
    double median() const;
};

} // namespace bench
