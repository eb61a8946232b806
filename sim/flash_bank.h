#pragma once
// The decoder's 2 MB flash at 7FE00000-7FFFFFFF: two M29F800 chips side by
// side on the 32-bit bus. The even chip carries bits 0-15; the odd chip
// carries bits 16-31, its low data byte wired in reversed bit order. Bus
// offset o (a multiple of 4) is word o/4 of both chips.

#include "flash_chip.h"

#include <cstdint>
#include <vector>

namespace sim {

class FlashBank {
public:
    static constexpr uint32_t kBase = 0x7FE00000;
    static constexpr uint32_t kSize = 0x200000;
    static constexpr uint32_t kDataAreaSize = 0x80000;

    static bool contains(uint32_t address) { return address >= kBase && address - kBase < kSize; }

    explicit FlashBank(uint8_t deviceCode = 0xEC);

    // Byte of the bus at a flash offset, as a read cycle sees it (autoselect
    // data while a chip is in that mode).
    uint8_t readByte(uint32_t offset) const;
    // One bus write cycle to the aligned word at offset; laneMask bit i set
    // means byte lane i carries data. A chip whose lanes are all idle sees no
    // cycle; an idle lane of a chip that is written reads as FF.
    void writeWord(uint32_t offset, uint32_t value, unsigned laneMask);

    // Array content in bus order, independent of the chips' modes.
    std::vector<uint8_t> image() const;
    void loadImage(const std::vector<uint8_t>& busImage, uint32_t offset = 0);

    void protectBlock(int block);
    // Bit `bit` of the byte at flash offset can no longer be 1.
    void addStuckBit(uint32_t offset, int bit);
    void setEraseDisabled(bool on);
    // Erases every chip block inside the 512 KB data area, honouring protection.
    void eraseDataArea();

    FlashChip& evenChip() { return even_; }
    FlashChip& oddChip() { return odd_; }
    const FlashChip& evenChip() const { return even_; }
    const FlashChip& oddChip() const { return odd_; }

private:
    FlashChip even_;
    FlashChip odd_;
};

}  // namespace sim
