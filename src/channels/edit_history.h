#pragma once
// The channels list editor's undo and redo: copies of both tables taken
// before each step (an edit, a whole scan, a load), and the copy last
// saved or loaded, which tells whether the tables hold unsaved changes.
#include "channels/channel_tables.h"

#include <deque>
#include <memory>

// The same channels and transponders: equal counts, the same valid channel
// records and the same whole transponder table (what the files would hold).
bool SameTables(const ChannelTables &a, const ChannelTables &b);

class EditHistory {
public:
    explicit EditHistory(int depth = 100) : depth_(depth) {}

    // Forgets every step.
    void clear();
    // A step from before to after, unless they are the same tables; true when recorded.
    bool record(const ChannelTables &before, const ChannelTables &after);
    // Takes tables back one step, or forward again; false when there is none.
    [[nodiscard]] bool undo(ChannelTables &tables);
    [[nodiscard]] bool redo(ChannelTables &tables);
    bool canUndo() const { return !undo_.empty(); }
    bool canRedo() const { return !redo_.empty(); }

    // The tables as their files now hold them (loaded or saved).
    void markSaved(const ChannelTables &tables);
    bool modified(const ChannelTables &tables) const;

private:
    using Copy = std::unique_ptr<ChannelTables>;
    int depth_;
    std::deque<Copy> undo_, redo_;
    Copy saved_ = std::make_unique<ChannelTables>();
};
