#pragma once
// One ST M29F800 flash chip in 16-bit mode: its array, block map, block
// protection and the command state machine driven by bus write cycles.

#include <cstddef>
#include <cstdint>
#include <map>
#include <vector>

namespace sim {

struct FlashBlock {
    uint32_t firstWord;
    uint32_t words;
};

// Block map of a 512K-word chip. Device code 0x58 or 0x5B is the bottom-boot
// part, anything else is laid out as the top-boot part (0xEC).
std::vector<FlashBlock> flashBlockMap(uint8_t deviceCode);

class FlashChip {
public:
    static constexpr uint32_t kWords = 0x80000;
    static constexpr uint16_t kManufacturerCode = 0x0020;

    enum class Mode { Read, Unlock1, Unlock2, Autoselect, Program, EraseSetup, EraseUnlock1, EraseUnlock2 };

    explicit FlashChip(uint8_t deviceCode = 0xEC);

    // Bus cycles at a word address (taken modulo the chip size).
    uint16_t read(uint32_t word) const;
    void write(uint32_t word, uint16_t data);

    uint16_t arrayWord(uint32_t word) const { return array_[word % kWords]; }
    // Direct load of array content (start-up image); stuck bits still apply.
    void loadWord(uint32_t word, uint16_t value);

    Mode mode() const { return mode_; }
    uint16_t deviceWord() const { return static_cast<uint16_t>(0x2200 | deviceCode_); }
    const std::vector<FlashBlock>& blocks() const { return blocks_; }
    int blockIndexOf(uint32_t word) const;

    void setProtected(int block, bool on);
    bool isProtected(int block) const;
    // The bits of mask in this word can never be 1 again (a worn cell).
    void addStuckZeros(uint32_t word, uint16_t mask);
    // While set, erase commands are accepted but change nothing.
    void setEraseDisabled(bool on) { eraseDisabled_ = on; }

    void eraseBlock(int block);

private:
    uint16_t autoselectWord(uint32_t word) const;
    void store(uint32_t word, uint16_t value);
    void commandCycle(uint32_t word, uint8_t command);

    uint8_t deviceCode_;
    std::vector<FlashBlock> blocks_;
    std::vector<bool> protected_;
    std::vector<uint16_t> array_;
    std::map<uint32_t, uint16_t> stuckZeros_;
    Mode mode_ = Mode::Read;
    bool eraseDisabled_ = false;
};

}  // namespace sim
