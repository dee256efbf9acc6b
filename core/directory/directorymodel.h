#pragma once

#include "core/colors/rowroles.h"
#include "core/directory/directoryfile.h"
#include "core/directory/entrystore.h"
#include "core/directory/nameindex.h"
#include "core/files/blockmemory.h"

#include <QAbstractListModel>
#include <QCollator>
#include <atomic>
#include <functional>
#include <memory>
#include <vector>

namespace core {

// A model whose rows' texts can be read without a QVariant each, so a search
// over a million rows stays quick.
class RowTexts
{
public:
    virtual QStringView rowText(int row) const = 0;

protected:
    RowTexts() = default;
    ~RowTexts() = default;
    Q_DISABLE_COPY_MOVE(RowTexts)
};

// The entries as they were at one moment, for another thread to read while
// the model goes on changing its own.
using EntriesSnapshot = std::shared_ptr<const EntryStore>;

// The directory while the program runs: its entries in order, as the entry
// list shows them (one row each, the name as text) and as saving, the
// editor and every later reader reach them.
class DirectoryModel final : public QAbstractListModel, public RowTexts
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(DirectoryModel)

public:
    explicit DirectoryModel(QObject *parent = nullptr);
    ~DirectoryModel() override;

    int rowCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role) const override;
    QStringView rowText(int row) const override;

    int count() const { return static_cast<int>(entries_.size()); }
    const DirectoryEntry &entry(int row) const { return entries_[row]; }
    const EntryStore &entries() const { return entries_; }
    // The entries as they are now, for reading on another thread while the
    // model goes on: taking it copies no entry.
    EntriesSnapshot snapshot() const { return std::make_shared<const EntryStore>(entries_); }

    // Replaces `count` entries from row on with `entries`. Every change of
    // the directory goes through here, so that it can be recorded. Entries
    // without an identifier are given a new one.
    void splice(int row, int count, Entries entries);

    // Appends entries at the end, in order.
    void append(Entries entries);
    void append(DirectoryEntry entry);
    void insert(int row, DirectoryEntry entry);
    void remove(int row);
    // An entry without an identifier keeps the one (and the card) of the
    // entry it replaces.
    void replace(int row, DirectoryEntry entry);

    // Puts the entries in order of their names as collator compares them
    // (bold ones among the rest); entries of equal names keep their order.
    // One change of the directory; false, and no change, when the entries
    // were in that order already.
    bool sortByName(const QCollator &collator);

    // The row of the first entry in list order whose name begins with
    // prefix without regard to case (the find box's completion); -1 when
    // none does. Answered from an index once its names are sorted, until
    // then by a scan.
    int firstWithPrefix(QStringView prefix) const;
    // On worker threads: sorts the names firstWithPrefix looks up, and works
    // out the checksums an import matches its contacts by, so that neither
    // holds up the first find or import.
    void indexInBackground();

    // Hands each entry to visit, in order (what the directory file writer takes).
    void forEach(const EntryVisitor &visit) const;

    // Told of every change: at row, the entries `before` were replaced by
    // `after`. An empty recorder records nothing.
    using Recorder = std::function<void(int row, const Entries &before, const Entries &after)>;
    void setRecorder(Recorder recorder) { recorder_ = std::move(recorder); }

signals:
    // Before a splice changes anything (before its rows' signals too).
    void aboutToSplice();
    // After the rows' signals of a splice: at row, `removed` entries were
    // replaced by `inserted` others. One signal per change, whatever its size.
    void spliced(int row, int removed, int inserted);

private:
    EntryStore entries_;
    // Stops the checksums worked out in the background.
    std::shared_ptr<std::atomic<bool>> stopChecksums_ = std::make_shared<std::atomic<bool>>(false);
    Recorder recorder_;
    // Sorted from its first use or indexInBackground(), then kept up to date by every splice.
    mutable NameIndex names_;
};

} // namespace core
