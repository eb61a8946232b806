#pragma once
// Memory read service: the read layouts of command 02 and the two routines
// through which the windows read decoder memory.
#include "link/channel.h"
#include "link/options.h"
#include <QString>
#include <array>
#include <optional>

using Page = std::array<quint8, 256>;

// Command texts of one page read, in the order they are sent.
QStringList PageReadCommands(MemReadMode mode, qint32 page);
// Expected reply length for each command of that mode.
int PageReadReplyLength(MemReadMode mode);
// Stores the data of reply number index (of PageReadCommands) into buffer.
// The reply must have the expected length.
void StorePageReply(MemReadMode mode, int index, const QString &reply, Page &buffer);

// Reads one 256-byte page; true when a reply had the wrong length. Bytes
// stored before the failing reply keep their new values.
bool MemRead(CommandChannel &link, MemReadMode mode, Page &buffer, qint32 page);
// The loops that save decoder memory to files try a page this often.
constexpr int kPageReadAttempts = 9;
// MemRead retried at once up to kPageReadAttempts times in all, but not
// once the link is lost; true when the page could not be read.
bool MemReadRetried(CommandChannel &link, MemReadMode mode, Page &buffer, qint32 page);

// Checked reads: every page read twice; a page whose two readings differ (a
// noisy line) is read again until two of its readings agree, at most
// kCheckedReadings readings in all. Each reading is MemReadRetried.
constexpr int kCheckedReadings = 9;
struct ReadCheck {
    int pagesReread = 0;      // pages whose first two readings differed
    int extraReadings = 0;    // readings beyond the two of each page
    bool unsettled = false;   // the page that failed was read, but no two readings agreed
};
// True when the page could not be read, or no two readings agreed
// (check.unsettled); buffer then holds the last reading.
[[nodiscard]] bool MemReadChecked(CommandChannel &link, MemReadMode mode, Page &buffer, qint32 page, ReadCheck &check);
// MemReadChecked with a check, MemReadRetried without one (nullptr).
[[nodiscard]] bool MemReadPage(CommandChannel &link, MemReadMode mode, Page &buffer, qint32 page, ReadCheck *check);

// Reads one byte at a full 32-bit address; -1 when the reply was not 5 characters.
qint16 MemReadB(CommandChannel &link, MemReadMode mode, qint32 address, bool show);
