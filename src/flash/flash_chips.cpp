#include "flash/flash_chips.h"

#include <algorithm>

namespace {

constexpr quint8 kMakerST = 0x20;
constexpr qint32 kMainBlock = 0x20000;   // one 64 K-word block of the chips on the 32-bit bus
constexpr int kMainBlocks = 16;

constexpr quint8 kM29F800ABCodes[] = {0x58, 0x5B};
constexpr quint8 kM29F800ATCodes[] = {0xEC};

// Bottom-boot chips start with the boot block and two parameter blocks
// (32, 16, 16 KB on the bus), then a 64 KB block, then the main blocks.
constexpr FlashEraseBlock kBottomBootData[] = {
    {0x00000, 0x08000}, {0x08000, 0x04000}, {0x0C000, 0x04000}, {0x10000, 0x10000},
    {0x20000, 0x20000}, {0x40000, 0x20000}, {0x60000, 0x20000},
};
// Top-boot chips keep their small blocks at the far end of the flash: the
// data area is main blocks only.
constexpr FlashEraseBlock kTopBootData[] = {
    {0x00000, 0x20000},
    {0x20000, 0x20000},
    {0x40000, 0x20000},
    {0x60000, 0x20000},
};

constexpr qint32 kBootSubBlocks[] = {0x8000, 0xC000, 0x10000};

constexpr FlashChip kChips[] = {
    {kMakerST, kM29F800ABCodes, "ST-M29F800AB", BootSide::Bottom, kBottomBootData, kMainBlock, kMainBlocks, 0,
     kBootSubBlocks},
    {kMakerST, kM29F800ATCodes, "ST-M29F800AT", BootSide::Top, kTopBootData, kMainBlock, kMainBlocks, kMainBlocks - 1,
     kBootSubBlocks},
};

}   // namespace

std::span<const FlashChip> FlashChips() { return kChips; }

const FlashChip *FindFlashChip(quint8 maker, quint8 device)
{
    for (const FlashChip &chip : kChips) {
        if (chip.maker == maker && std::ranges::find(chip.devices, device) != chip.devices.end())
            return &chip;
    }
    return nullptr;
}

bool KnownFlashMaker(quint8 maker)
{
    return std::ranges::any_of(kChips, [maker](const FlashChip &chip) { return chip.maker == maker; });
}

const FlashChip &FlashChipOnSide(BootSide side)
{
    const auto *chip = std::ranges::find(kChips, side, &FlashChip::boot);
    return chip != std::end(kChips) ? *chip : kChips[0];
}
