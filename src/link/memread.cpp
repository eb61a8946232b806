#include "link/memread.h"

#include "link/conversions.h"

#include <QStringList>
#include <algorithm>
#include <vector>

namespace {

// Bytes per command of each single-access read; the multi-byte read takes 128.
int BytesPerCommand(MemReadMode mode)
{
    switch (mode) {
    case MemReadMode::MultiByte: return 128;
    case MemReadMode::SingleDWord: return 4;
    case MemReadMode::SingleWord: return 2;
    case MemReadMode::SingleByte: return 1;
    }
    return 1;
}

QString SingleReadPrefix(MemReadMode mode)
{
    switch (mode) {
    case MemReadMode::SingleDWord: return QStringLiteral("0221");
    case MemReadMode::SingleWord: return QStringLiteral("0211");
    default: return QStringLiteral("0201");
    }
}

}   // namespace

QStringList PageReadCommands(MemReadMode mode, qint32 page)
{
    const QString pageDigits = Hex6(page);
    QStringList commands;
    if (mode == MemReadMode::MultiByte) {
        commands << QStringLiteral("020180") + pageDigits + QStringLiteral("00")
                 << QStringLiteral("020180") + pageDigits + QStringLiteral("80");
        return commands;
    }
    const QString prefix = SingleReadPrefix(mode) + pageDigits;
    const int step = BytesPerCommand(mode);
    commands.reserve(256 / step);
    for (int offset = 0; offset < 256; offset += step)
        commands << prefix + Hex2(offset);
    return commands;
}

int PageReadReplyLength(MemReadMode mode)
{
    // Three header characters, then two digits per byte.
    return 3 + 2 * BytesPerCommand(mode);
}

void StorePageReply(MemReadMode mode, int index, const QString &reply, Page &buffer)
{
    const int count = BytesPerCommand(mode);
    // Replies come straight from the line: anything but the expected shape stores nothing.
    if (reply.size() != PageReadReplyLength(mode) || index < 0 || index >= 256 / count)
        return;
    const int offset = index * count;
    if (mode == MemReadMode::MultiByte) {
        // Bytes in address order.
        for (int j = 0; j < count; ++j)
            buffer[size_t(offset + j)] = HexByteAt(reply, 3 + 2 * j);
        return;
    }
    // A word travels most significant digit first and lies in memory least significant byte first.
    for (int j = 0; j < count; ++j)
        buffer[size_t(offset + j)] = HexByteAt(reply, 3 + 2 * (count - 1 - j));
}

bool MemRead(CommandChannel &link, MemReadMode mode, Page &buffer, qint32 page)
{
    const QStringList commands = PageReadCommands(mode, page);
    const int replyLength = PageReadReplyLength(mode);
    for (int i = 0; i < commands.size(); ++i) {
        const QString reply = link.SendCmd(commands[i], false);
        if (reply.size() != replyLength)
            return true;
        StorePageReply(mode, i, reply, buffer);
    }
    return false;
}

qint16 MemReadB(CommandChannel &link, MemReadMode mode, qint32 address, bool show)
{
    const QString prefix = mode == MemReadMode::MultiByte ? QStringLiteral("020101") : QStringLiteral("0201");
    const QString reply = link.SendCmd(prefix + Hex8(address), show);
    if (reply.size() != 5)
        return -1;
    return HexToByte(reply.right(2));
}

bool MemReadRetried(CommandChannel &link, MemReadMode mode, Page &buffer, qint32 page)
{
    for (int attempt = 0; attempt < kPageReadAttempts; ++attempt) {
        if (!MemRead(link, mode, buffer, page))
            return false;
        if (!link.linkLost().isEmpty())
            break;
    }
    return true;
}

bool MemReadChecked(CommandChannel &link, MemReadMode mode, Page &buffer, qint32 page, ReadCheck &check)
{
    check.unsettled = false;
    std::vector<Page> readings;
    for (int n = 0; n < kCheckedReadings; ++n) {
        if (MemReadRetried(link, mode, buffer, page))
            return true;
        if (std::find(readings.begin(), readings.end(), buffer) != readings.end()) {
            check.pagesReread += n > 1 ? 1 : 0;
            check.extraReadings += n - 1;
            return false;
        }
        readings.push_back(buffer);
    }
    ++check.pagesReread;
    check.extraReadings += kCheckedReadings - 2;
    check.unsettled = true;
    return true;
}

bool MemReadPage(CommandChannel &link, MemReadMode mode, Page &buffer, qint32 page, ReadCheck *check)
{
    return check ? MemReadChecked(link, mode, buffer, page, *check) : MemReadRetried(link, mode, buffer, page);
}
