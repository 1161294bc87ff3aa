// The undo history of a memo: every edit with what it removed and what it inserted, so
// that it can be taken back and made again. Characters typed one after another join one
// step, as in a platform text control.
#pragma once

#include <QString>

#include <optional>
#include <vector>

namespace capspect {

class MemoHistory {
public:
    struct Edit {
        qsizetype position;
        QString removed;
        QString inserted;
    };

    // Records an edit made to the text; the steps undone before are gone. Typing that
    // inserts right after the previous typing joins its step.
    void Record(Edit edit, bool typing);
    // The next typing starts a step of its own (the caret moved, or something else
    // happened in between).
    void EndTyping() { typing_ = false; }
    void Clear();

    bool CanUndo() const { return !undo_.empty(); }
    bool CanRedo() const { return !redo_.empty(); }
    // The step to take back, which becomes the first to make again; none when there is none.
    std::optional<Edit> Undo();
    // The step to make again, which becomes the first to take back.
    std::optional<Edit> Redo();

private:
    std::vector<Edit> undo_;
    std::vector<Edit> redo_;
    bool typing_ = false;
};

}  // namespace capspect
