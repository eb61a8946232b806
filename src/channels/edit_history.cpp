#include "channels/edit_history.h"

#include <algorithm>

bool SameTables(const ChannelTables &a, const ChannelTables &b)
{
    return a.TcsCount == b.TcsCount && a.TptCount == b.TptCount && a.TptTable == b.TptTable
        && std::equal(a.TcsTable.begin(), a.TcsTable.begin() + a.TcsCount * kTcsRecordSize, b.TcsTable.begin());
}

void EditHistory::clear()
{
    undo_.clear();
    redo_.clear();
}

bool EditHistory::record(const ChannelTables &before, const ChannelTables &after)
{
    if (SameTables(before, after))
        return false;
    undo_.push_back(std::make_unique<ChannelTables>(before));
    if (int(undo_.size()) > depth_)
        undo_.pop_front();
    redo_.clear();
    return true;
}

bool EditHistory::undo(ChannelTables &tables)
{
    if (undo_.empty())
        return false;
    redo_.push_back(std::make_unique<ChannelTables>(tables));
    tables = *undo_.back();
    undo_.pop_back();
    return true;
}

bool EditHistory::redo(ChannelTables &tables)
{
    if (redo_.empty())
        return false;
    undo_.push_back(std::make_unique<ChannelTables>(tables));
    tables = *redo_.back();
    redo_.pop_back();
    return true;
}

void EditHistory::markSaved(const ChannelTables &tables) { *saved_ = tables; }

bool EditHistory::modified(const ChannelTables &tables) const { return !SameTables(*saved_, tables); }
