#pragma once

#include "core/directory/directorymodel.h"

#include <vector>

namespace core {

// Takes back changes of the directory and makes them again. Every change the
// model makes while the history is attached is one step (an import, which
// appends its entries in one change, is one step too); a step keeps only the
// entries it replaced and the ones it put in their place.
class UndoHistory
{
public:
    explicit UndoHistory(DirectoryModel &model, int depth = 100);
    ~UndoHistory();
    UndoHistory(const UndoHistory &) = delete;
    UndoHistory &operator=(const UndoHistory &) = delete;

    bool canUndo() const { return !undo_.empty(); }
    bool canRedo() const { return !redo_.empty(); }

    // Takes back the last change (or makes the last one taken back again).
    // Returns the row of the first entry the step put back, or -1 when it
    // put none back (or there was nothing to do).
    int undo();
    int redo();

private:
    struct Step
    {
        int row;
        Entries before;
        Entries after;
    };
    int replay(std::vector<Step> &from, std::vector<Step> &to);

    DirectoryModel &model_;
    int depth_;
    std::vector<Step> undo_;
    std::vector<Step> redo_;
    bool replaying_ = false;
};

} // namespace core
