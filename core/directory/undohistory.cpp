#include "core/directory/undohistory.h"

namespace core {

UndoHistory::UndoHistory(DirectoryModel &model, int depth) : model_(model), depth_(depth)
{
    model_.setRecorder([this](int row, const Entries &before, const Entries &after) {
        if (replaying_)
            return;
        undo_.push_back({row, before, after});
        if (static_cast<int>(undo_.size()) > depth_)
            undo_.erase(undo_.begin());
        redo_.clear();
    });
}

UndoHistory::~UndoHistory()
{
    model_.setRecorder({});
}

int UndoHistory::replay(std::vector<Step> &from, std::vector<Step> &to)
{
    if (from.empty())
        return -1;
    Step step = std::move(from.back());
    from.pop_back();
    // What the step put in is replaced by what it took out, and the step
    // turned round goes to the other side.
    replaying_ = true;
    model_.splice(step.row, static_cast<int>(step.after.size()), step.before);
    replaying_ = false;
    const int shown = step.before.empty() ? -1 : step.row;
    std::swap(step.before, step.after);
    to.push_back(std::move(step));
    return shown;
}

int UndoHistory::undo()
{
    return replay(undo_, redo_);
}

int UndoHistory::redo()
{
    return replay(redo_, undo_);
}

} // namespace core
