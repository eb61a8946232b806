#include "si/si_crc.h"

#include <array>

namespace {

constexpr quint32 kPolynomial = 0x04C11DB7;
constexpr int kHeaderBytes = 3;   // table id and the section length field
constexpr int kCrcBytes = 4;

constexpr std::array<quint32, 256> MakeTable()
{
    std::array<quint32, 256> table{};
    for (quint32 i = 0; i < 256; ++i) {
        quint32 c = i << 24;
        for (int k = 0; k < 8; ++k)
            c = (c & 0x80000000u) ? (c << 1) ^ kPolynomial : c << 1;
        table[i] = c;
    }
    return table;
}

constexpr std::array<quint32, 256> kTable = MakeTable();

}   // namespace

quint32 Crc32Mpeg2(std::span<const quint8> bytes)
{
    quint32 crc = 0xFFFFFFFFu;
    for (const quint8 b : bytes)
        crc = (crc << 8) ^ kTable[((crc >> 24) ^ b) & 0xFF];
    return crc;
}

SectionCrc CheckSectionCrc(std::span<const quint8> received)
{
    if (received.size() < size_t(kHeaderBytes) || !(received[1] & 0x80))
        return SectionCrc::None;
    const size_t length = kHeaderBytes + ((received[1] & 0x0F) << 8 | received[2]);
    if (length < size_t(kHeaderBytes + kCrcBytes) || length > received.size())
        return SectionCrc::Bad;
    return Crc32Mpeg2(received.first(length)) == 0 ? SectionCrc::Good : SectionCrc::Bad;
}
