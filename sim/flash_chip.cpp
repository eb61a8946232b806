#include "flash_chip.h"

namespace sim {

namespace {

// Block sizes in KB of the byte-wide view, from the lowest address up.
const std::vector<uint32_t> kBottomBootKb = {16, 8, 8, 32, 64, 64, 64, 64, 64, 64, 64, 64, 64, 64, 64, 64, 64, 64, 64};
const std::vector<uint32_t> kTopBootKb = {64, 64, 64, 64, 64, 64, 64, 64, 64, 64, 64, 64, 64, 64, 64, 32, 8, 8, 16};

constexpr uint32_t kCommandAddressMask = 0x7FF;  // the chip decodes A0-A10 in command cycles
constexpr uint32_t kUnlockAddress1 = 0x555;
constexpr uint32_t kUnlockAddress2 = 0x2AA;

bool isBottomBoot(uint8_t deviceCode) { return deviceCode == 0x58 || deviceCode == 0x5B; }

}  // namespace

std::vector<FlashBlock> flashBlockMap(uint8_t deviceCode)
{
    std::vector<FlashBlock> map;
    uint32_t word = 0;
    for (uint32_t kb : isBottomBoot(deviceCode) ? kBottomBootKb : kTopBootKb) {
        const uint32_t words = kb * 1024 / 2;
        map.push_back({word, words});
        word += words;
    }
    return map;
}

FlashChip::FlashChip(uint8_t deviceCode)
    : deviceCode_(deviceCode), blocks_(flashBlockMap(deviceCode)), protected_(blocks_.size(), false),
      array_(kWords, 0xFFFF)
{}

int FlashChip::blockIndexOf(uint32_t word) const
{
    word %= kWords;
    for (size_t i = 0; i < blocks_.size(); ++i)
        if (word >= blocks_[i].firstWord && word < blocks_[i].firstWord + blocks_[i].words)
            return static_cast<int>(i);
    return -1;
}

void FlashChip::setProtected(int block, bool on)
{
    if (block >= 0 && block < static_cast<int>(protected_.size()))
        protected_[static_cast<size_t>(block)] = on;
}

bool FlashChip::isProtected(int block) const
{
    return block >= 0 && block < static_cast<int>(protected_.size()) && protected_[static_cast<size_t>(block)];
}

void FlashChip::addStuckZeros(uint32_t word, uint16_t mask)
{
    word %= kWords;
    stuckZeros_[word] |= mask;
    array_[word] &= static_cast<uint16_t>(~mask);
}

void FlashChip::store(uint32_t word, uint16_t value)
{
    word %= kWords;
    auto it = stuckZeros_.find(word);
    if (it != stuckZeros_.end())
        value &= static_cast<uint16_t>(~it->second);
    array_[word] = value;
}

void FlashChip::loadWord(uint32_t word, uint16_t value) { store(word, value); }

void FlashChip::eraseBlock(int block)
{
    if (eraseDisabled_ || block < 0 || block >= static_cast<int>(blocks_.size()) || isProtected(block))
        return;
    const FlashBlock& b = blocks_[static_cast<size_t>(block)];
    for (uint32_t w = b.firstWord; w < b.firstWord + b.words; ++w)
        store(w, 0xFFFF);
}

uint16_t FlashChip::autoselectWord(uint32_t word) const
{
    switch (word & 3) {
    case 0: return kManufacturerCode;
    case 1: return deviceWord();
    case 2: return isProtected(blockIndexOf(word)) ? 0x0001 : 0x0000;
    default: return 0x0000;
    }
}

uint16_t FlashChip::read(uint32_t word) const
{
    word %= kWords;
    return mode_ == Mode::Autoselect ? autoselectWord(word) : array_[word];
}

void FlashChip::write(uint32_t word, uint16_t data)
{
    word %= kWords;
    if (mode_ == Mode::Program) {
        // Programming can only clear bits; a protected block ignores it.
        if (!isProtected(blockIndexOf(word)))
            store(word, array_[word] & data);
        mode_ = Mode::Read;
        return;
    }
    commandCycle(word, static_cast<uint8_t>(data & 0xFF));
}

void FlashChip::commandCycle(uint32_t word, uint8_t command)
{
    const uint32_t address = word & kCommandAddressMask;
    const bool atFirst = address == kUnlockAddress1;
    const bool atSecond = address == kUnlockAddress2;
    Mode next = Mode::Read;  // anything outside a valid sequence resets to array reads
    switch (mode_) {
    case Mode::Read:
    case Mode::Autoselect:
        if (command == 0xAA && atFirst)
            next = Mode::Unlock1;
        break;
    case Mode::Unlock1:
        if (command == 0x55 && atSecond)
            next = Mode::Unlock2;
        break;
    case Mode::Unlock2:
        if (atFirst && command == 0x90)
            next = Mode::Autoselect;
        else if (atFirst && command == 0xA0)
            next = Mode::Program;
        else if (atFirst && command == 0x80)
            next = Mode::EraseSetup;
        break;
    case Mode::EraseSetup:
        if (command == 0xAA && atFirst)
            next = Mode::EraseUnlock1;
        break;
    case Mode::EraseUnlock1:
        if (command == 0x55 && atSecond)
            next = Mode::EraseUnlock2;
        break;
    case Mode::EraseUnlock2:
        if (command == 0x30) {
            eraseBlock(blockIndexOf(word));
        } else if (command == 0x10 && atFirst) {
            for (size_t i = 0; i < blocks_.size(); ++i)
                eraseBlock(static_cast<int>(i));
        }
        break;
    case Mode::Program: break;
    }
    mode_ = next;
}

}  // namespace sim
