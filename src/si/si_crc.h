#pragma once
// The CRC-32 that closes every SI section with the section syntax
// indicator set: polynomial 04C11DB7, preset FFFFFFFF, no reflection, no
// final inversion. Over a whole section, its CRC included, it comes to 0.
#include <QtGlobal>
#include <span>

quint32 Crc32Mpeg2(std::span<const quint8> bytes);

enum class SectionCrc {
    None,   // no CRC to check: section syntax indicator clear (a TDT), or fewer than 3 bytes
    Good,
    Bad,   // the CRC does not match, or the section is longer than what arrived
};
// received: the bytes of one section as they arrived (its line).
SectionCrc CheckSectionCrc(std::span<const quint8> received);
