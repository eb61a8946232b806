#pragma once
// Default content of the firmware area 7FE80000-7FFFFFFF: genuine ST20 code,
// built from a small set of hand-written routines varied by their position,
// ending in the boot code that the processor enters at 7FFFFFFE.

#include <cstdint>
#include <vector>

namespace sim {

constexpr uint32_t kFirmwareBase = 0x7FE80000;
constexpr uint32_t kFirmwareSize = 0x180000;
constexpr uint32_t kBootCodeAddress = 0x7FFFFF00;

// The firmware area as bytes in address order (kFirmwareSize bytes).
std::vector<uint8_t> buildFirmwareImage();

}  // namespace sim
