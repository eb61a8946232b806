#include "flash_bank.h"

#include "hex_text.h"

namespace sim {

namespace {

uint8_t busByte(uint16_t evenWord, uint16_t oddWord, unsigned lane)
{
    switch (lane) {
    case 0: return static_cast<uint8_t>(evenWord);
    case 1: return static_cast<uint8_t>(evenWord >> 8);
    case 2: return mirrorBits(static_cast<uint8_t>(oddWord));
    default: return static_cast<uint8_t>(oddWord >> 8);
    }
}

uint16_t chipWord(uint8_t low, uint8_t high) { return static_cast<uint16_t>(low | (high << 8)); }

}  // namespace

FlashBank::FlashBank(uint8_t deviceCode) : even_(deviceCode), odd_(deviceCode) {}

uint8_t FlashBank::readByte(uint32_t offset) const
{
    offset %= kSize;
    const uint32_t word = offset / 4;
    const unsigned lane = offset % 4;
    return busByte(lane < 2 ? even_.read(word) : 0, lane < 2 ? 0 : odd_.read(word), lane);
}

void FlashBank::writeWord(uint32_t offset, uint32_t value, unsigned laneMask)
{
    offset %= kSize;
    const uint32_t word = offset / 4;
    auto lane = [&](unsigned i) { return static_cast<uint8_t>(laneMask & (1u << i) ? value >> (8 * i) : 0xFF); };
    if (laneMask & 0x3)
        even_.write(word, chipWord(lane(0), lane(1)));
    if (laneMask & 0xC)
        odd_.write(word, chipWord(mirrorBits(lane(2)), lane(3)));
}

std::vector<uint8_t> FlashBank::image() const
{
    std::vector<uint8_t> out(kSize);
    for (uint32_t word = 0; word < kSize / 4; ++word) {
        const uint16_t e = even_.arrayWord(word);
        const uint16_t o = odd_.arrayWord(word);
        for (unsigned lane = 0; lane < 4; ++lane)
            out[word * 4 + lane] = busByte(e, o, lane);
    }
    return out;
}

void FlashBank::loadImage(const std::vector<uint8_t>& busImage, uint32_t offset)
{
    for (size_t i = 0; i + 3 < busImage.size() && offset + i + 3 < kSize; i += 4) {
        const uint32_t word = static_cast<uint32_t>((offset + i) / 4);
        even_.loadWord(word, chipWord(busImage[i], busImage[i + 1]));
        odd_.loadWord(word, chipWord(mirrorBits(busImage[i + 2]), busImage[i + 3]));
    }
}

void FlashBank::protectBlock(int block)
{
    even_.setProtected(block, true);
    odd_.setProtected(block, true);
}

void FlashBank::addStuckBit(uint32_t offset, int bit)
{
    offset %= kSize;
    const uint32_t word = offset / 4;
    switch (offset % 4) {
    case 0: even_.addStuckZeros(word, static_cast<uint16_t>(1u << bit)); break;
    case 1: even_.addStuckZeros(word, static_cast<uint16_t>(0x100u << bit)); break;
    case 2: odd_.addStuckZeros(word, static_cast<uint16_t>(1u << (7 - bit))); break;
    default: odd_.addStuckZeros(word, static_cast<uint16_t>(0x100u << bit)); break;
    }
}

void FlashBank::setEraseDisabled(bool on)
{
    even_.setEraseDisabled(on);
    odd_.setEraseDisabled(on);
}

void FlashBank::eraseDataArea()
{
    const uint32_t dataWords = kDataAreaSize / 4;
    for (FlashChip* chip : {&even_, &odd_}) {
        const auto& blocks = chip->blocks();
        for (size_t i = 0; i < blocks.size(); ++i)
            if (blocks[i].firstWord + blocks[i].words <= dataWords)
                chip->eraseBlock(static_cast<int>(i));
    }
}

}  // namespace sim
