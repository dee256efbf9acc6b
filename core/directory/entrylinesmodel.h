#pragma once

#include "core/colors/colortext.h"
#include "core/colors/rowroles.h"
#include "core/directory/directoryfile.h"

#include <QAbstractListModel>
#include <QPointer>
#include <functional>
#include <vector>

class QItemSelectionModel;

namespace core {

class DirectoryModel;
class KeywordTable;

// The number lines of the entry the detail list shows, as it shows them: the
// bold marker taken off and made the line's bold flag, each line coloured by
// the keyword table it was shown with (the roles of ListRole). It keeps what
// it was given until it is given another entry's lines, or, once it follows
// a selection, the selected entry's lines whatever moves the selection.
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

    // The keyword table to colour lines with, read afresh for each showing.
    using KeywordSource = std::function<KeywordTable()>;

    // From now on shows the lines of the entry `selection` holds (its model
    // has the directory's rows, as a view's proxy of it does), and none when
    // it holds none: after every change of the selection and of the rows.
    // An entry without lines reads no keywords.
    void follow(const DirectoryModel &directory, const QItemSelectionModel &selection,
                KeywordSource keywords);
    // Shows the selected entry again, with a fresh reading of the keywords.
    void showSelected();

private:
    struct Line
    {
        DisplayLine shown;
        ColorValue color = 0;
    };
    std::vector<Line> lines_;
    QPointer<const DirectoryModel> directory_;
    QPointer<const QItemSelectionModel> selection_;
    KeywordSource keywords_;
};

} // namespace core
