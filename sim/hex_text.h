#pragma once
// Upper-case hexadecimal text as the decoder's monitor reads and writes it.
// The monitor is strict: only '0'-'9' and 'A'-'F' are digits.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace sim {

bool isHexDigit(char c);
bool isHexText(std::string_view text);

// Value of an upper-case hex field of 1..8 digits; nullopt for anything else.
std::optional<uint32_t> parseHex(std::string_view text);

// value as exactly `digits` upper-case hex digits (higher bits dropped).
std::string toHex(uint32_t value, int digits);

uint8_t mirrorBits(uint8_t value);

}  // namespace sim
