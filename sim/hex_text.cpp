#include "hex_text.h"

namespace sim {

bool isHexDigit(char c) { return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F'); }

bool isHexText(std::string_view text)
{
    for (char c : text)
        if (!isHexDigit(c))
            return false;
    return true;
}

std::optional<uint32_t> parseHex(std::string_view text)
{
    if (text.empty() || text.size() > 8 || !isHexText(text))
        return std::nullopt;
    uint32_t value = 0;
    for (char c : text)
        value = value * 16 + static_cast<uint32_t>(c <= '9' ? c - '0' : c - 'A' + 10);
    return value;
}

std::string toHex(uint32_t value, int digits)
{
    static const char kDigits[] = "0123456789ABCDEF";
    std::string text(static_cast<size_t>(digits), '0');
    for (int i = digits - 1; i >= 0; --i) {
        text[static_cast<size_t>(i)] = kDigits[value & 0xF];
        value >>= 4;
    }
    return text;
}

uint8_t mirrorBits(uint8_t value)
{
    uint8_t result = 0;
    for (int bit = 0; bit < 8; ++bit)
        if (value & (1u << bit))
            result |= static_cast<uint8_t>(0x80u >> bit);
    return result;
}

}  // namespace sim
