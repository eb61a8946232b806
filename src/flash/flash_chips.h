#pragma once
// The flash chips the decoder may carry, described as data: the codes that
// identify them, and how they divide into erase blocks. Two 16-bit chips
// sit side by side on the 32-bit bus, so every offset and size here is
// twice the chip's own (a 64 KB block of a chip spans 0x20000 of flash).
// Supporting another chip is one more row in the table, not more code.
#include <QtGlobal>
#include <span>

enum class BootSide { Bottom, Top };

struct FlashEraseBlock {
    qint32 offset;
    qint32 size;
};

struct FlashChip {
    quint8 maker;
    std::span<const quint8> devices;   // every device code the chip may answer
    const char *name;                  // shown by Read FlashType after the codes
    BootSide boot;
    // The erase blocks of the data area (flash offsets 0-7FFFF, the image
    // the window programs), from offset 0 up.
    std::span<const FlashEraseBlock> dataBlocks;
    // The protection letters list the main blocks of the whole flash, and
    // after the one that holds the boot block, its sub-blocks at these
    // offsets inside it.
    qint32 mainBlockSize;
    int mainBlocks;
    int bootBlock;
    std::span<const qint32> protectionSubBlocks;
};

// Every known chip.
std::span<const FlashChip> FlashChips();

// The chip that answers maker and device, or nullptr.
const FlashChip *FindFlashChip(quint8 maker, quint8 device);

// Whether any known chip comes from maker: identification reads the device
// code only then.
bool KnownFlashMaker(quint8 maker);

// The first chip on a boot side. The flash window keeps only the side of the
// chips it found, so the table holds the same data blocks for every chip on
// one side (the unit tests check it).
const FlashChip &FlashChipOnSide(BootSide side);
