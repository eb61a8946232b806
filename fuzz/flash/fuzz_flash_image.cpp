// Fuzz target: the used-space rule on arbitrary images. Input: 1 byte (bits
// 0-2 the 64 KB image block the data goes to), then the image bytes, placed
// into an erased 512 KB image and also used alone as a short image.
#include "fuzz_support.h"
#include "flash/image.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 1)
        return 0;
    const std::span<const quint8> raw(data + 1, size - 1);
    for (qint32 p = 0; p < qint32(std::min<size_t>(raw.size() + 64, 0x20000)); p += 4)
        check(UsedEnd(raw, p) >= p);
    std::vector<quint8> image(kImageSize, 0xFF);
    const size_t at = size_t(data[0] & 7) * kImageBlockSize;
    std::copy_n(raw.begin(), std::min(raw.size(), image.size() - at), image.begin() + qsizetype(at));
    for (qint32 p = 0; p < kImageSize; p += kImageBlockSize) {
        // The walk with "Ignore empty space" goes forward in the block, takes
        // every word up to the used end and ends with the block's last word.
        const qint32 end = UsedEnd(image, p);
        check(end >= p && end <= p + kImageBlockSize);
        qint32 last = p - 4;
        for (qint32 a = p; a < p + kImageBlockSize; last = a, a += 4) {
            a = SkipEmptySpace(a, end);
            check(a > last && a < p + kImageBlockSize && (a == last + 4 || last + 4 > end));
        }
        check(last == p + kImageBlockSize - 4);
    }
    return 0;
}
