#pragma once
// Default content of the 512 KB data area 7FE00000-7FE7FFFF: eight 64 KB
// image blocks, each starting with 16 little-endian module pointers. A module
// holds an 8-character name, at +10 its length counted from +10, at +12 its
// number of file entries, and from +16 file entries of 20 bytes (name,
// offset from module+12, length). Unused space is FF.

#include <cstdint>
#include <string>
#include <vector>

namespace sim {

constexpr uint32_t kDataAreaSize = 0x80000;
constexpr uint32_t kImageBlockSize = 0x10000;

struct DataFileLayout {
    std::string name;
    std::vector<uint8_t> content;
};

struct DataModuleLayout {
    std::string name;
    uint16_t pointer;  // offset from the start of its image block
    std::vector<DataFileLayout> files;
};

struct DataBlockLayout {
    std::vector<DataModuleLayout> modules;  // in rising pointer order
    uint16_t emptySlotValue = 0xFFFF;       // pointer value of the unused slots
};

// The eight blocks of the default data area.
std::vector<DataBlockLayout> defaultDataLayout();

// Bytes of one module as laid out at its pointer.
std::vector<uint8_t> encodeModule(const DataModuleLayout& module);

// The data area built from a layout (kDataAreaSize bytes).
std::vector<uint8_t> buildDataImage(const std::vector<DataBlockLayout>& layout);

}  // namespace sim
