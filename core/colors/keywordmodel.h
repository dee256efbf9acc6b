#pragma once

#include "core/colors/keywordfile.h"
#include "core/colors/rowroles.h"

#include <QAbstractListModel>

namespace core {

// The keyword colour table while the colour editor is open: one row per
// keyword line, the keyword as its text and the colour text as its sub-item
// (the roles of ListRole). Saving writes rows() as they are.
class KeywordModel final : public QAbstractListModel
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(KeywordModel)

public:
    explicit KeywordModel(QObject *parent = nullptr);

    int rowCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role) const override;

    const QList<KeywordLine> &rows() const { return rows_; }
    const KeywordLine &row(int row) const { return rows_.at(row); }
    // Appends rows at the end, in order.
    void append(const QList<KeywordLine> &rows);
    void replace(int row, const KeywordLine &line);
    void remove(int row);

private:
    QList<KeywordLine> rows_;
};

} // namespace core
