#pragma once

#include <QByteArray>
#include <QString>
#include <vector>

namespace bench {

// A directory file of `count` entries as people keep them: given names and
// surnames from a few hundred of each, many accented, surnames shared by many
// entries, written "Surname, Given" or "Given Surname" (some with a middle
// initial); 1 to 4 lines of phone numbers, e-mail addresses and notes, some
// bold. The same count and seed give the same bytes.
QByteArray makeDirectoryFile(int count, unsigned seed = 1);

// The display names of such a file, in order.
std::vector<QString> namesOf(const QByteArray &directoryFile);

// Points HOME and XDG_DATA_HOME of the programs a bench starts into folders
// under root, so they never touch the user's own files and settings, and
// draws them offscreen unless QT_QPA_PLATFORM says otherwise.
void keepAwayFromUserFiles(const QString &root);

// Repeated measurements of one figure.
struct Samples
{
    std::vector<double> values;
    void add(double value) { values.push_back(value); }
    int count() const { return static_cast<int>(values.size()); }
    double minimum() const;
    double median() const;
    double maximum() const;
};

} // namespace bench
