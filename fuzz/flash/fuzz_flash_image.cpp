// Fuzz target: the used-space rule and the programming of the data area on
// arbitrary images.
// Input: 1 byte flags (bits 0-2 image block the data goes to, bits 3-7 the
// selected blocks Chk(0)..Chk(4)), 1 byte (bit 0 bottom-boot chips, bit 1
// "Ignore empty space"), 2 bytes transaction budget (low 12 bits), then image bytes
// placed into an erased 512 KB image at the chosen block. The raw image
// bytes alone are also used as a (short) image.
#include "fuzz_support.h"
#include "flash/flash_ops.h"
#include "flash/image.h"
#include "link/conversions.h"

#include <QString>
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>
#include <vector>

namespace {

// A flash that holds what the image says, answers the blank check after an
// erase with FFFFFFFF, and goes silent when its transaction budget is spent.
class ImageFlash : public CommandChannel {
public:
    ImageFlash(std::span<const quint8> image, int budget) : image_(image), budget_(budget) {}
    QString SendCmd(const QString &command, bool) override
    {
        if (budget_-- <= 0)
            return QString();
        if (command.startsWith(QStringLiteral("0220"))) {
            erased_ = command.endsWith(QStringLiteral("000C0030"));
            return QStringLiteral("020");
        }
        const qint32 offset = qint32(command.mid(6, 8).toUInt(nullptr, 16) - 0x7FE00000u) & (kImageSize - 4);
        const bool blank = erased_;
        erased_ = false;
        if (blank)
            return QStringLiteral("022FFFFFFFF");
        const quint32 word = image_[offset] | image_[offset + 1] << 8 | image_[offset + 2] << 16
                             | quint32(image_[offset + 3]) << 24;
        return QStringLiteral("022") + Hex8(qint32(word));
    }
    void SetCmdTimeout(int) override {}
    void Wait(int) override {}

private:
    std::span<const quint8> image_;
    int budget_;
    bool erased_ = false;
};

void CheckUsedEnds(std::span<const quint8> image)
{
    for (qint32 p = 0; p < kImageSize; p += kImageBlockSize) {
        const qint32 end = UsedEnd(image, p);
        check(end >= p && end <= p + kImageBlockSize);
        // The word walk with "Ignore empty space" stays in the block, goes
        // forward and always ends with the block's last word.
        qint32 last = p - 4;
        for (qint32 a = p; a < p + kImageBlockSize; a += 4) {
            a = SkipEmptySpace(a, end);
            check(a > last && a < p + kImageBlockSize);
            last = a;
        }
        check(last == p + kImageBlockSize - 4);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 4)
        return 0;
    const int placeBlock = data[0] & 7;
    std::array<bool, kDataFlashBlocks> selected{};
    for (int i = 0; i < kDataFlashBlocks; ++i)
        selected[i] = data[0] & (8 << i);
    const bool bottomBoot = data[1] & 1;
    const bool ignore = data[1] & 2;
    const int budget = (data[2] | data[3] << 8) & 0x0FFF;
    const std::span<const quint8> raw(data + 4, size - 4);

    const qint32 rawEnd = qint32(std::min<size_t>(raw.size() + 64, 0x20000));
    for (qint32 p = 0; p < rawEnd; p += 4)
        check(UsedEnd(raw, p) >= p);

    std::vector<quint8> image(kImageSize, 0xFF);
    const size_t at = size_t(placeBlock) * kImageBlockSize;
    std::copy_n(raw.begin(), std::min(raw.size(), image.size() - at), image.begin() + qsizetype(at));
    CheckUsedEnds(image);

    ImageFlash link(image, budget);
    QString status;
    OperationHooks hooks;
    hooks.setStatus = [&](const QString &t) { status = t; };
    hooks.status = [&] { return status; };
    const FlashOutcome outcome =
        ProgramDataFlashImage(link, hooks, image, selected, bottomBoot, [&] { return ignore; });
    check((outcome == FlashOutcome::Done) == (status == QStringLiteral("Done.")));
    return 0;
}
