#pragma once
// Plain decoder memory over the whole 32-bit address space. Only pages that
// were written are stored; every other byte reads as its initial content,
// by default a fixed pattern derived from its address, so distinct
// addresses are told apart by tests.

#include <array>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace sim {

class SparseMemory {
public:
    static constexpr uint32_t kPageSize = 4096;
    using Page = std::array<uint8_t, kPageSize>;

    using InitialContent = uint8_t (*)(uint32_t address);
    static uint8_t patternByte(uint32_t address);

    explicit SparseMemory(InitialContent initial = &patternByte) : initial_(initial) {}

    uint8_t read(uint32_t address) const;
    void write(uint32_t address, uint8_t value);

    const std::map<uint32_t, Page>& pages() const { return pages_; }
    void clear() { pages_.clear(); }

    // memory.bin: "KSIMRAM1", then per stored page its base (u32 little-endian)
    // and its 4096 bytes.
    std::vector<uint8_t> serialize() const;
    bool deserialize(const std::vector<uint8_t>& data);

private:
    Page& pageFor(uint32_t address);
    InitialContent initial_;
    std::map<uint32_t, Page> pages_;
};

}  // namespace sim
