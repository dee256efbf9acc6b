#pragma once

#include "core/colors/colortext.h"
#include "core/colors/rowroles.h"
#include "core/directory/directoryfile.h"

#include <QAbstractListModel>
#include <vector>

namespace core {

class KeywordTable;

// The number lines of the entry the detail list shows, as it shows them: the
// bold marker taken off and made the line's bold flag, each line coloured by
// the keyword table it was shown with (the roles of ListRole). It keeps what
// it was given until it is given another entry's lines.
class EntryLinesModel final : public QAbstractListModel
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(EntryLinesModel)

public:
    explicit EntryLinesModel(QObject *parent = nullptr);

    int rowCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role) const override;

    // Shows these number lines (as stored, TAB-separated), coloured from keywords.
    void show(const QString &numbers, const KeywordTable &keywords);

private:
    struct Line
    {
        DisplayLine shown;
        ColorValue color = 0;
    };
    std::vector<Line> lines_;
};

} // namespace core
