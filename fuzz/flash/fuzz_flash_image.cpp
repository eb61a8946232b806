// Fuzz target: the used-space rule and the programming of the data area on
// arbitrary images. Input: 1 byte (bits 0-2 the image block the data goes to,
// bits 3-7 the selected blocks Chk(0)..Chk(4)), 1 byte (bit 0 bottom-boot
// chips, bit 1 "Ignore empty space"), 2 bytes whose low 12 bits are the
// transactions the flash answers, then the image bytes, placed into an erased
// 512 KB image and also used alone as a short image.
#include "fuzz_support.h"
#include "flash/flash_ops.h"
#include "flash/image.h"
#include "link/conversions.h"

// Holds the image, answers the blank check after an erase with FFFFFFFF and
// goes silent when its budget is spent.
struct ImageFlash : ScriptedChannel {
    ImageFlash(std::span<const quint8> image, int budget) : ScriptedChannel({}), image(image), budget(budget) {}
    QString SendCmd(const QString &c, bool) override
    {
        const bool blank = std::exchange(erased, c.endsWith(QStringLiteral("000C0030")));
        const qint32 at = qint32(c.mid(6, 8).toUInt(nullptr, 16) - 0x7FE00000u) & (kImageSize - 4);
        const quint32 word = image[at] | image[at + 1] << 8 | image[at + 2] << 16 | quint32(image[at + 3]) << 24;
        if (budget-- <= 0)
            return QString();
        if (c.startsWith(QStringLiteral("0220")))
            return QStringLiteral("020");
        return QStringLiteral("022") + (blank ? QStringLiteral("FFFFFFFF") : Hex8(qint32(word)));
    }
    std::span<const quint8> image;
    int budget;
    bool erased = false;
};

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 4)
        return 0;
    const std::span<const quint8> raw(data + 4, size - 4);
    for (qint32 p = 0; p < qint32(std::min<size_t>(raw.size() + 64, 0x20000)); p += 4)
        check(UsedEnd(raw, p) >= p);
    std::vector<quint8> image(kImageSize, 0xFF);
    const size_t at = size_t(data[0] & 7) * kImageBlockSize;
    std::copy_n(raw.begin(), std::min(raw.size(), image.size() - at), image.begin() + qsizetype(at));
    for (qint32 p = 0; p < kImageSize; p += kImageBlockSize) {
        // The walk with "Ignore empty space" goes forward in the block and
        // ends with its last word.
        const qint32 end = UsedEnd(image, p);
        check(end >= p && end <= p + kImageBlockSize);
        qint32 last = p - 4;
        for (qint32 a = p; a < p + kImageBlockSize; last = a, a += 4) {
            a = SkipEmptySpace(a, end);
            check(a > last && a < p + kImageBlockSize);
        }
        check(last == p + kImageBlockSize - 4);
    }
    std::array<bool, kDataFlashBlocks> selected{};
    for (int i = 0; i < kDataFlashBlocks; ++i)
        selected[i] = data[0] & (8 << i);
    ImageFlash link(image, (data[2] | data[3] << 8) & 0x0FFF);
    QString status;
    const FlashOutcome outcome =
        ProgramDataFlashImage(link, HooksInto(status), image, selected, data[1] & 1, [&] { return bool(data[1] & 2); });
    check((outcome == FlashOutcome::Done) == (status == QStringLiteral("Done.")));
    return 0;
}
