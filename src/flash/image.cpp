#include "flash/image.h"

#include "link/conversions.h"
#include <algorithm>

namespace {

constexpr qint32 kEmptySlot = 0xFFFF;
constexpr qint32 kEndFieldOffset = 10;
constexpr qint32 kLastWord = 0xFFFC;

bool Readable(std::span<const quint8> image, qint64 at, qint64 count)
{
    return at >= 0 && at + count <= qint64(image.size());
}

qint32 HighestModulePointer(std::span<const quint8> image, qint32 p)
{
    qint32 highest = 0;
    for (int k = 0; k < kModuleSlots; ++k) {
        const qint32 v = GetWord(image, p + 2 * k);
        if (v > highest && v != kEmptySlot)
            highest = v;
    }
    return highest;
}

}   // namespace

qint32 UsedEnd(std::span<const quint8> image, qint32 p)
{
    const qint64 blockEnd = qint64(p) + kImageBlockSize;
    if (!Readable(image, p, 2 * kModuleSlots))
        return qint32(blockEnd);

    const qint32 m = HighestModulePointer(image, p);
    if (m == 0)
        return p;

    const qint64 q = qint64(p) + m + kEndFieldOffset;
    if (!Readable(image, q, 2))
        return qint32(blockEnd);
    const qint64 t = q + GetWord(image, q);
    const qint64 end = t + t % 4;
    // Used space reaching past the block (or the image) cannot be told from
    // the image; the whole block is then programmed.
    return qint32(end > blockEnd || t > qint64(image.size()) ? blockEnd : end);
}

qint32 SkipEmptySpace(qint32 a, qint32 usedEnd)
{
    if (a <= usedEnd)
        return a;
    return std::max(a, (a & ~(kImageBlockSize - 1)) + kLastWord);
}
