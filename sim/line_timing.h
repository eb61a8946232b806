#pragma once
// Wire time of the decoder's serial line: every character is 10 bit times
// (start bit, 7 data bits, parity, stop bit).

#include <cstddef>
#include <cstdint>

namespace sim {

using Nanos = int64_t;

constexpr Nanos kNanosPerSecond = 1'000'000'000;
constexpr int kBitsPerCharacter = 10;

// Time of one character, rounded up so pacing never beats the wire.
constexpr Nanos characterTime(int baud) { return (kBitsPerCharacter * kNanosPerSecond + baud - 1) / baud; }

// Moment the character with the given index has fully left the line when
// the first one starts at start. Computed from start each time, so rounding
// never accumulates.
constexpr Nanos characterDeadline(Nanos start, size_t index, int baud)
{
    const Nanos bits = static_cast<Nanos>(index + 1) * kBitsPerCharacter * kNanosPerSecond;
    return start + (bits + baud - 1) / baud;
}

Nanos monotonicNow();

}  // namespace sim
