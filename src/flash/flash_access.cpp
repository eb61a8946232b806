#include "flash/flash_access.h"

#include "link/conversions.h"

namespace {

constexpr qint32 kAddressBase = 0xE00000;   // 7FE00000 without its leading "7F"
constexpr int kWriteReplyLength = 3;
constexpr int kReadReplyLength = 11;
constexpr int kReplyHeader = 3;

}   // namespace

quint8 BMir(quint8 value)
{
    quint8 result = 0;
    for (int bit = 0; bit < 8; ++bit) {
        if (value & (1u << bit))
            result |= quint8(1u << (7 - bit));
    }
    return result;
}

QString FlashAddressText(qint32 offset) { return "7F" + Hex6((offset & (kFlashSize - 1)) + kAddressBase); }

QString FWriteCommand(qint32 offset, const FlashWord &data)
{
    return "0220" + FlashAddressText(offset) + Hex2(data[3]) + Hex2(data[2]) + Hex2(data[1]) + Hex2(data[0]);
}

QString FReadCommand(qint32 offset) { return "022104" + FlashAddressText(offset); }

void ParseFReadReply(const QString &reply, FlashWord &data)
{
    for (int k = 0; k < 4; ++k)
        data[3 - k] = HexByteAt(reply, kReplyHeader + 2 * k);
}

bool FWrite(CommandChannel &link, qint32 offset, const FlashWord &data)
{
    return link.SendCmd(FWriteCommand(offset, data), false).size() != kWriteReplyLength;
}

bool FRead(CommandChannel &link, qint32 offset, FlashWord &data)
{
    const QString reply = link.SendCmd(FReadCommand(offset), false);
    ParseFReadReply(reply, data);
    return reply.size() != kReadReplyLength;
}

bool FWCmd(CommandChannel &link, qint32 offset, quint8 command)
{
    return FWrite(link, offset, FlashWord{command, 0, BMir(command), 0});
}

bool FRCmd(CommandChannel &link, qint32 offset, quint8 &odd, quint8 &even)
{
    FlashWord data{};
    const bool err = FRead(link, offset, data);
    even = data[0];
    odd = BMir(data[2]);
    return err;
}

bool AutoSelect(CommandChannel &link)
{
    return FWCmd(link, kCmdAddr555, 0xAA) || FWCmd(link, kCmdAddr2AA, 0x55) || FWCmd(link, kCmdAddr555, 0x90);
}

void FlashReset(CommandChannel &link) { FWCmd(link, 0, 0xF0); }

QString BlockProt(CommandChannel &link, qint32 offset)
{
    quint8 odd = 0;
    quint8 even = 0;
    if (FRCmd(link, offset + 8, odd, even))
        return "E";
    switch (odd + even) {
    case 0: return "U";
    case 1: return "X";
    case 2: return "P";
    default: return "?";
    }
}
