#include "sparse_memory.h"

#include <cstring>

namespace sim {

namespace {
const char kMagic[8] = {'K', 'S', 'I', 'M', 'R', 'A', 'M', '1'};
}

uint8_t SparseMemory::patternByte(uint32_t address)
{
    // Finaliser of a well-mixing integer hash: neighbouring addresses differ.
    uint32_t h = address * 0x9E3779B1u;
    h ^= h >> 15;
    h *= 0x85EBCA77u;
    h ^= h >> 13;
    h *= 0xC2B2AE3Du;
    h ^= h >> 16;
    return static_cast<uint8_t>(h);
}

uint8_t SparseMemory::read(uint32_t address) const
{
    auto it = pages_.find(address & ~(kPageSize - 1));
    if (it == pages_.end())
        return initial_(address);
    return it->second[address & (kPageSize - 1)];
}

void SparseMemory::write(uint32_t address, uint8_t value) { pageFor(address)[address & (kPageSize - 1)] = value; }

SparseMemory::Page& SparseMemory::pageFor(uint32_t address)
{
    const uint32_t base = address & ~(kPageSize - 1);
    auto it = pages_.find(base);
    if (it != pages_.end())
        return it->second;
    Page page;
    for (uint32_t i = 0; i < kPageSize; ++i)
        page[i] = initial_(base + i);
    return pages_.emplace(base, page).first->second;
}

std::vector<uint8_t> SparseMemory::serialize() const
{
    std::vector<uint8_t> out(kMagic, kMagic + sizeof kMagic);
    for (const auto& [base, page] : pages_) {
        for (int shift = 0; shift < 32; shift += 8)
            out.push_back(static_cast<uint8_t>(base >> shift));
        out.insert(out.end(), page.begin(), page.end());
    }
    return out;
}

bool SparseMemory::deserialize(const std::vector<uint8_t>& data)
{
    constexpr size_t kRecord = 4 + kPageSize;
    if (data.size() < sizeof kMagic || std::memcmp(data.data(), kMagic, sizeof kMagic) != 0
        || (data.size() - sizeof kMagic) % kRecord != 0)
        return false;
    std::map<uint32_t, Page> loaded;
    for (size_t pos = sizeof kMagic; pos < data.size(); pos += kRecord) {
        uint32_t base = 0;
        for (int i = 0; i < 4; ++i)
            base |= static_cast<uint32_t>(data[pos + static_cast<size_t>(i)]) << (8 * i);
        if (base % kPageSize != 0)
            return false;
        Page page;
        std::memcpy(page.data(), data.data() + pos + 4, kPageSize);
        loaded[base] = page;
    }
    pages_ = std::move(loaded);
    return true;
}

}  // namespace sim
