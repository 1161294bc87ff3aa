#include "qt/MemoHistory.h"

#include <utility>

namespace capspect {
namespace {

std::optional<MemoHistory::Edit> Transfer(std::vector<MemoHistory::Edit>& from,
                                          std::vector<MemoHistory::Edit>& to) {
    if (from.empty()) {
        return std::nullopt;
    }
    to.push_back(std::move(from.back()));
    from.pop_back();
    return to.back();
}

}  // namespace

void MemoHistory::Record(Edit edit, bool typing) {
    const bool joins = typing && typing_ && edit.removed.isEmpty() && !undo_.empty() &&
                       undo_.back().position + undo_.back().inserted.size() == edit.position;
    if (joins) {
        undo_.back().inserted += edit.inserted;
    } else {
        undo_.push_back(std::move(edit));
    }
    redo_.clear();
    typing_ = typing;
}

void MemoHistory::Clear() {
    undo_.clear();
    redo_.clear();
    typing_ = false;
}

std::optional<MemoHistory::Edit> MemoHistory::Undo() {
    typing_ = false;
    return Transfer(undo_, redo_);
}

std::optional<MemoHistory::Edit> MemoHistory::Redo() {
    typing_ = false;
    return Transfer(redo_, undo_);
}

}  // namespace capspect
