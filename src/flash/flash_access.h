#pragma once
// Bus cycles to the decoder's 2 MB flash (two 16-bit M29F800 chips side by
// side on the 32-bit bus at 7FE00000). The even chip holds bits 0-15, the
// odd chip bits 16-31, and the odd chip's low data byte is wired with its
// bit order reversed, so command bytes for it travel mirrored.
// Errors are values: the routines return true on failure.
#include "link/channel.h"
#include <QString>
#include <array>

// 4 bytes in memory order, byte 0 least significant. Bytes 0-1 belong to
// the even chip, bytes 2-3 to the odd chip.
using FlashWord = std::array<quint8, 4>;

constexpr qint32 kFlashSize = 0x200000;
constexpr qint32 kCmdAddr555 = 0x1554;   // chip word address 0x555 on the 32-bit bus
constexpr qint32 kCmdAddr2AA = 0xAA8;    // chip word address 0x2AA

// Bit order reversed: bit 7 - i of the result is bit i of value.
quint8 BMir(quint8 value);

// "7F" + the 6 low address digits; only the low 21 bits of offset count.
QString FlashAddressText(qint32 offset);
QString FWriteCommand(qint32 offset, const FlashWord &data);
QString FReadCommand(qint32 offset);
// Data bytes 3, 2, 1, 0 from the digit pairs after the 3-character header,
// taken from whatever arrived (a short reply gives 0 for missing digits).
void ParseFReadReply(const QString &reply, FlashWord &data);

// 32-bit write; err unless the reply has exactly 3 characters.
bool FWrite(CommandChannel &link, qint32 offset, const FlashWord &data);
// 32-bit read; err unless the reply has exactly 11 characters. data is
// filled from the reply also on err.
bool FRead(CommandChannel &link, qint32 offset, FlashWord &data);
// One command cycle to both chips: (command, 0, BMir(command), 0).
bool FWCmd(CommandChannel &link, qint32 offset, quint8 command);
// Reads one status/ID value of both chips: even = byte 0, odd = BMir(byte 2).
bool FRCmd(CommandChannel &link, qint32 offset, quint8 &odd, quint8 &even);

// Unlock and enter identification mode (AA, 55, 90); err at the first failed cycle.
bool AutoSelect(CommandChannel &link);
// Back to read mode; the reply is not examined.
void FlashReset(CommandChannel &link);
// Protection of the block at offset, read in identification mode:
// "U" unprotected, "X" one chip protected, "P" both, "?" other, "E" read failed.
QString BlockProt(CommandChannel &link, qint32 offset);
