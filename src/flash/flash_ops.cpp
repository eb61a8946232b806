#include "flash/flash_ops.h"

#include "flash/image.h"
#include "link/conversions.h"
#include "link/memread.h"
#include <QFile>
#include <algorithm>
#include <optional>

namespace {

constexpr int kClickTimeoutMs = 750;
constexpr int kSaveTimeoutMs = 500;
constexpr int kEraseAllTimeoutMs = 10000;
constexpr int kEraseBlockTimeoutMs = 1000;
constexpr int kEraseSettleMs = 2000;
constexpr qint32 kAddressBase = 0xE00000;
constexpr qint32 kDataAreaLimit = 0x80000;

void Append(const OperationHooks &hooks, const QString &text) { hooks.setStatus(hooks.status() + text); }

QString HexNoLeadingZeros(int value) { return QString::number(value, 16).toUpper(); }

// Status text of a flash offset, "7F" + six address digits.
QString FlashAddressStatus(qint32 offset) { return "7F" + Hex6(offset + kAddressBase); }

// Identification code at offset; both chips must answer the same. On failure
// the status is replaced by the message.
std::optional<quint8> ReadBothChipsId(CommandChannel &link, qint32 offset, QString &status)
{
    quint8 odd = 0;
    quint8 even = 0;
    if (FRCmd(link, offset, odd, even)) {
        status = "Read Error!";
        return std::nullopt;
    }
    if (odd != even) {
        status = "ID_EVEN <> ID_ODD !";
        return std::nullopt;
    }
    return even;
}

QString ProtectionLetters(CommandChannel &link, const FlashChip &chip)
{
    QString letters;
    for (int b = 0; b < chip.mainBlocks; ++b) {
        const qint32 start = b * chip.mainBlockSize;
        letters += BlockProt(link, start);
        if (b == chip.bootBlock) {
            for (qint32 sub : chip.protectionSubBlocks)
                letters += BlockProt(link, start + sub);
        }
    }
    return letters;
}

// Steps after the chips entered identification mode; the caller resets them.
void Identify(CommandChannel &link, FlashTypeResult &result)
{
    const std::optional<quint8> maker = ReadBothChipsId(link, 0, result.status);
    if (!maker)
        return;
    result.status = HexNoLeadingZeros(*maker) + " ";
    if (!KnownFlashMaker(*maker)) {
        result.status += "Unknown Manufacturer Code!";
        return;
    }
    const std::optional<quint8> device = ReadBothChipsId(link, 4, result.status);
    if (!device)
        return;
    result.status += HexNoLeadingZeros(*device) + " ";
    const FlashChip *chip = FindFlashChip(*maker, *device);
    if (!chip) {
        result.status += "Unknown Device Code!";
        return;
    }
    result.status += QLatin1String(chip->name);
    result.status += " Prot:" + ProtectionLetters(link, *chip);
    result.chip = chip;
    result.bottomBoot = chip->boot == BootSide::Bottom;
    result.ok = true;
}

bool Unlock(CommandChannel &link) { return FWCmd(link, kCmdAddr555, 0xAA) || FWCmd(link, kCmdAddr2AA, 0x55); }

bool OutsideDataArea(qint32 offset) { return (offset & 0xFFFFF) >= kDataAreaLimit; }

bool IsErased(const FlashWord &w)
{
    return std::all_of(w.begin(), w.end(), [](quint8 b) { return b == 0xFF; });
}

const FlashChip &ChipOnSide(bool bottomBoot) { return FlashChipOnSide(bottomBoot ? BootSide::Bottom : BootSide::Top); }

bool IsDataFlashBlock(int index) { return index >= 0 && index < kDataFlashBlocks; }

// Erasing either of two such blocks wipes part of the other.
bool ShareEraseBlock(int a, int b, const FlashChip &chip)
{
    const QList<qint32> starts = ChipEraseBlocks(a, chip);
    return std::ranges::any_of(ChipEraseBlocks(b, chip), [&](qint32 s) { return starts.contains(s); });
}

FlashWord ImageWord(std::span<const quint8> image, qint32 a)
{
    return FlashWord{image[a], image[a + 1], image[a + 2], image[a + 3]};
}

// "block 7FE20000-7FE3FFFF", as the decoder's state names a block.
QString BlockText(const DataFlashBlock &block)
{
    return "block " + FlashAddressStatus(block.start) + "-" + FlashAddressStatus(block.end);
}

// Programs and verifies every word of one erased block; the used ends
// u1 and u2 of its first and second 64 KB image block limit the work
// while "Ignore empty space" is checked. Each half is held to its own used
// end, so a first half used up to its last word never makes the walk skip
// the used part of the second half.
FlashOutcome ProgramBlock(CommandChannel &link, const OperationHooks &hooks, std::span<const quint8> image,
                          const DataFlashBlock &block, qint32 u1, qint32 u2,
                          const std::function<bool()> &ignoreEmptySpace)
{
    const QString range = BlockText(block);
    bool written = false;
    for (qint32 a = block.start; a <= block.end; a += 4) {
        hooks.progress(a - block.start, block.end + 1 - block.start);
        if (ignoreEmptySpace())
            a = SkipEmptySpace(a, a < block.start + kImageBlockSize ? u1 : u2);
        if ((a & 0xFF) == 0)
            hooks.setStatus("Writing " + FlashAddressStatus(a).left(6) + "XX");
        if (hooks.stopRequested()) {
            Append(hooks, " User Break!");
            return FlashOutcome::UserBreak;
        }
        const FlashWord w = ImageWord(image, a);
        if (!written && !IsErased(w)) {
            written = true;
            hooks.decoderState(range + " erased and partly written");
        }
        if (!IsErased(w) && ProgramDword(link, a, w)) {
            Append(hooks, " Program Error!");
            return FlashOutcome::ProgramError;
        }
        FlashWord readBack{};
        if (FRead(link, a, readBack)) {
            hooks.setStatus("Read Error!");
            return FlashOutcome::ReadError;
        }
        if (readBack != w) {
            Append(hooks, " Verify Error!");
            return FlashOutcome::VerifyError;
        }
    }
    hooks.decoderState(range + " written and verified");
    return FlashOutcome::Done;
}

}   // namespace

FlashTypeResult ReadFlashType(CommandChannel &link)
{
    link.SetCmdTimeout(kClickTimeoutMs);
    FlashTypeResult result;
    if (AutoSelect(link)) {
        result.status = "Write Error!";
        return result;
    }
    Identify(link, result);
    FlashReset(link);
    return result;
}

FlashRegion FlashRegionFor(int index)
{
    static constexpr FlashRegion kRegions[] = {
        {0x7FE000, 0x7FE7FF, "flash512k.bin"},
        {0x7FE800, 0x7FFFFF, "firmware.bin"},
        {0x7FE000, 0x7FFFFF, "flash.bin"},
    };
    return kRegions[std::clamp(index, 0, 2)];
}

namespace {

// Beside a read error of a checked read: that the page was read, but never
// twice the same.
QString UnsettledText(const ReadCheck *check)
{
    if (!check || !check->unsettled)
        return QString();
    return QStringLiteral(" (no two of %1 readings agree)").arg(kCheckedReadings);
}

FlashOutcome CannotWrite(const OperationHooks &hooks, const QString &fileName, const QString &reason)
{
    hooks.setStatus("Cannot write " + fileName + " - " + reason);
    return FlashOutcome::FileError;
}

}   // namespace

FlashOutcome SaveFlashRange(CommandChannel &link, MemReadMode mode, Prompter &prompter, const OperationHooks &hooks,
                            qint32 firstPage, qint32 lastPage, const QString &fileName, ReadCheck *check)
{
    link.SetCmdTimeout(kSaveTimeoutMs);
    QString why;
    if (const OverwriteAnswer answer = CheckOverwrite(prompter, fileName, &why); answer != OverwriteAnswer::MayWrite) {
        if (answer == OverwriteAnswer::Refused)
            return FlashOutcome::Declined;
        // A folder, or a name in a folder that cannot be written: say so
        // rather than end as silently as a refused overwrite.
        return CannotWrite(hooks, fileName, why);
    }

    // Unbuffered, so that a full disk shows at the page it refuses and not
    // after the last of 2048 pages.
    QFile file;
    if (!OpenForWrite(file, fileName, QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Unbuffered, why))
        return CannotWrite(hooks, fileName, why);
    for (qint64 page = firstPage; page <= lastPage; ++page) {
        hooks.progress(page - firstPage, qint64(lastPage) - firstPage + 1);
        if (hooks.stopRequested()) {
            hooks.setStatus("User Break.");
            return FlashOutcome::UserBreak;
        }
        hooks.setStatus("Reading " + Hex6(qint32(page)) + "XX");
        Page buffer{};
        if (MemReadPage(link, mode, buffer, qint32(page), check)) {
            const QString lost = link.linkLost();
            hooks.setStatus(lost.isEmpty() ? QStringLiteral("Read Error !!!") + UnsettledText(check) : lost);
            return FlashOutcome::ReadError;
        }
        if (file.write(reinterpret_cast<const char *>(buffer.data()), qint64(buffer.size())) != qint64(buffer.size()))
            return CannotWrite(hooks, fileName, file.errorString());
    }
    if (!file.flush())
        return CannotWrite(hooks, fileName, file.errorString());
    hooks.setStatus("Done.");
    return FlashOutcome::Done;
}

FlashOutcome EraseDataFlash(CommandChannel &link, Prompter &prompter, const OperationHooks &hooks)
{
    link.SetCmdTimeout(kClickTimeoutMs);
    if (AskSure(prompter, kEraseQuestion))
        return FlashOutcome::Declined;
    return EraseDataArea(link, hooks);
}

FlashOutcome EraseDataArea(CommandChannel &link, const OperationHooks &hooks)
{
    hooks.setStatus("Erasing...");
    link.SetCmdTimeout(kEraseAllTimeoutMs);
    if (link.SendCmd("280", true).left(3) == "280") {
        Append(hooks, "Data Flash erased.");
        return FlashOutcome::Done;
    }
    Append(hooks, "Error!");
    return FlashOutcome::Error;
}

bool EraseBlock(CommandChannel &link, qint32 offset)
{
    offset &= kFlashSize - 1;
    link.SetCmdTimeout(kEraseBlockTimeoutMs);
    if (Unlock(link) || FWCmd(link, kCmdAddr555, 0x80) || Unlock(link))
        return true;
    if (OutsideDataArea(offset))
        return true;
    if (FWCmd(link, offset, 0x30))
        return true;
    link.Wait(kEraseSettleMs);
    FlashWord first{};
    if (FRead(link, offset, first))
        return true;
    if (!IsErased(first)) {
        FlashReset(link);
        return true;
    }
    return false;
}

bool ProgramDword(CommandChannel &link, qint32 offset, const FlashWord &w)
{
    if (Unlock(link) || FWCmd(link, kCmdAddr555, 0xA0))
        return true;
    if (OutsideDataArea(offset))
        return true;
    return FWrite(link, offset, w);
}

DataFlashBlock DataFlashBlockAt(int index)
{
    static constexpr DataFlashBlock kBlocks[kDataFlashBlocks] = {
        {0x00000, 0x0FFFF}, {0x10000, 0x1FFFF}, {0x20000, 0x3FFFF}, {0x40000, 0x5FFFF}, {0x60000, 0x7FFFF},
    };
    return kBlocks[std::clamp(index, 0, kDataFlashBlocks - 1)];
}

QList<qint32> ChipEraseBlocks(int index, const FlashChip &chip)
{
    const DataFlashBlock block = DataFlashBlockAt(index);
    QList<qint32> starts;
    for (const FlashEraseBlock &erase : chip.dataBlocks) {
        if (erase.offset <= block.end && erase.offset + erase.size > block.start)
            starts << erase.offset;
    }
    return starts;
}

FlashOutcome ProgramDataFlash(CommandChannel &link, Prompter &prompter, const OperationHooks &hooks,
                              const QString &fileName, const std::array<bool, kDataFlashBlocks> &selected,
                              bool bottomBoot, const std::function<bool()> &ignoreEmptySpace)
{
    link.SetCmdTimeout(kClickTimeoutMs);
    if (AskSure(prompter, kProgramQuestion))
        return FlashOutcome::Declined;
    QByteArray data;
    if (const FlashOutcome loaded = LoadDataFlashImage(hooks, fileName, data); loaded != FlashOutcome::Done)
        return loaded;
    if (std::none_of(selected.begin(), selected.end(), [](bool b) { return b; })) {
        hooks.setStatus("Nothing to Write!");
        return FlashOutcome::NothingToWrite;
    }
    const std::span<const quint8> image(reinterpret_cast<const quint8 *>(data.constData()), size_t(data.size()));
    return ProgramDataFlashImage(link, hooks, image, selected, bottomBoot, ignoreEmptySpace);
}

FlashOutcome LoadDataFlashImage(const OperationHooks &hooks, const QString &fileName, QByteArray &data)
{
    if (!FileExists(fileName)) {
        hooks.setStatus(WithReason("No file " + fileName + " !", UnreadableReason(fileName)));
        return FlashOutcome::NoFile;
    }
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly)) {
        hooks.setStatus("Cannot read " + fileName + " - " + FileReason(fileName, file));
        return FlashOutcome::FileError;
    }
    if (file.size() < kImageSize) {
        hooks.setStatus("File length is less that 512KBytes!");
        return FlashOutcome::TooShort;
    }
    data = file.read(kImageSize);
    if (data.size() != kImageSize) {
        hooks.setStatus("Cannot read " + fileName + " - " + file.errorString());
        return FlashOutcome::FileError;
    }
    return FlashOutcome::Done;
}

FlashOutcome ProgramDataFlashImage(CommandChannel &link, const OperationHooks &hooks, std::span<const quint8> image,
                                   const std::array<bool, kDataFlashBlocks> &selected, bool bottomBoot,
                                   const std::function<bool()> &ignoreEmptySpace)
{
    if (image.size() < size_t(kImageSize)) {
        hooks.setStatus("File length is less that 512KBytes!");
        return FlashOutcome::TooShort;
    }
    const FlashChip &chip = ChipOnSide(bottomBoot);
    const std::array<bool, kDataFlashBlocks> plan = ProgramPlan(selected, bottomBoot);
    // How far the whole program is: the bytes of the blocks before this one
    // and of this one so far, of all the blocks planned.
    qint64 planned = 0, before = 0;
    for (int i = 0; i < kDataFlashBlocks; ++i)
        planned += plan[i] ? DataFlashBlockAt(i).end + 1 - DataFlashBlockAt(i).start : 0;
    OperationHooks whole = hooks;
    whole.progress = [&](qint64 done, qint64) { hooks.progress(before + done, planned); };
    QList<qint32> erased;
    for (int i = 0; i < kDataFlashBlocks; ++i) {
        if (!plan[i])
            continue;
        const DataFlashBlock block = DataFlashBlockAt(i);
        const bool twoImageBlocks = block.end - block.start + 1 > kImageBlockSize;
        const qint32 u1 = UsedEnd(image, block.start);
        const qint32 u2 = twoImageBlocks ? UsedEnd(image, block.start + kImageBlockSize) : kImageSize;
        for (qint32 start : ChipEraseBlocks(i, chip)) {
            if (erased.contains(start))
                continue;
            hooks.setStatus("Erasing " + FlashAddressStatus(start));
            if (EraseBlock(link, start)) {
                Append(hooks, " Erase Error!");
                hooks.decoderState("erase block " + FlashAddressStatus(start) + " in an unknown state");
                return FlashOutcome::EraseError;
            }
            erased << start;
        }
        hooks.decoderState(BlockText(block) + " erased");
        const FlashOutcome outcome = ProgramBlock(link, whole, image, block, u1, u2, ignoreEmptySpace);
        if (outcome != FlashOutcome::Done)
            return outcome;
        before += block.end + 1 - block.start;
    }
    hooks.progress(planned, planned);
    hooks.setStatus("Done.");
    return FlashOutcome::Done;
}

std::array<bool, kDataFlashBlocks> ProgramPlan(const std::array<bool, kDataFlashBlocks> &selected, bool bottomBoot)
{
    const FlashChip &chip = ChipOnSide(bottomBoot);
    // What a shared erase block loses must be written back, and so on for
    // whatever the erases of the blocks added wipe in turn.
    std::array<bool, kDataFlashBlocks> plan = selected;
    for (bool grew = true; grew;) {
        grew = false;
        for (int i = 0; i < kDataFlashBlocks; ++i) {
            for (int j = 0; j < kDataFlashBlocks; ++j) {
                if (plan[i] && !plan[j] && ShareEraseBlock(i, j, chip))
                    plan[j] = grew = true;
            }
        }
    }
    return plan;
}

bool SharesEraseBlock(int a, int b, bool bottomBoot) { return ShareEraseBlock(a, b, ChipOnSide(bottomBoot)); }

std::optional<int> CoupledCheckBox(int clickedIndex, bool bottomBoot)
{
    // Only the block boxes: the last box is "Ignore empty space".
    if (!IsDataFlashBlock(clickedIndex))
        return std::nullopt;
    const FlashChip &chip = ChipOnSide(bottomBoot);
    for (int other = 0; other < kDataFlashBlocks; ++other) {
        if (other != clickedIndex && ShareEraseBlock(clickedIndex, other, chip))
            return other;
    }
    return std::nullopt;
}
