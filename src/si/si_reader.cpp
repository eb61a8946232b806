#include "si/si_reader.h"

SectionReader::SectionReader(const SiStore &store, int t)
{
    if (t >= 0 && t <= kMaxTables) {
        data_ = (*store.Tables)[size_t(t)].data();
        size_ = kTableSize;
    }
}

std::optional<quint8> SectionReader::u8(int pos) const
{
    if (!fits(pos, 1))
        return std::nullopt;
    return data_[pos];
}

std::optional<quint16> SectionReader::u16(int pos) const
{
    if (!fits(pos, 2))
        return std::nullopt;
    return quint16(data_[pos] << 8 | data_[pos + 1]);
}

std::optional<int> SectionReader::length12(int pos) const
{
    const std::optional<quint16> value = u16(pos);
    if (!value)
        return std::nullopt;
    return *value & 0x0FFF;
}

std::optional<QByteArray> SectionReader::bytes(int pos, int count) const
{
    if (!fits(pos, count))
        return std::nullopt;
    return QByteArray(reinterpret_cast<const char *>(data_ + pos), count);
}
