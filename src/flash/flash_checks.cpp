#include "flash/flash_checks.h"

#include "flash/image.h"
#include "link/backups.h"
#include "link/conversions.h"

#include <QFileInfo>
#include <algorithm>

namespace {

constexpr int kClickTimeoutMs = 750;
constexpr int kReadTimeoutMs = 500;
constexpr qint32 kPageBytes = 256;
constexpr qint32 kFirstPage = 0x7FE000;   // page number of flash offset 0
constexpr qint32 kAddressBase = 0x7FE00000;

using Span = std::span<const quint8>;

Span Bytes(const QByteArray &data) { return {reinterpret_cast<const quint8 *>(data.constData()), size_t(data.size())}; }

bool Any(const std::array<bool, kDataFlashBlocks> &blocks)
{
    return std::any_of(blocks.begin(), blocks.end(), [](bool b) { return b; });
}

// "7FE012XX": the page of flash offset as the status lines show it.
QString PageText(qint32 offset) { return Hex6(kFirstPage + offset / kPageBytes) + QStringLiteral("XX"); }

// Why a page read failed: the link gone, or the decoder's read error.
QString ReadFailure(CommandChannel &link)
{
    const QString lost = link.linkLost();
    return lost.isEmpty() ? QStringLiteral("Read Error !!!") : lost;
}

// Reads the pages of flash offsets [from, to) that wanted(page offset)
// takes into area at the same offsets, "WHAT 7FE012XX" in the status. After
// each page, enough(page offset) may end the walk early. A failed read or a
// STOP ends it with the status telling it, and afterwards when given.
FlashOutcome ReadFlashPages(CommandChannel &link, MemReadMode mode, const OperationHooks &hooks, const QString &what,
                            qint32 from, qint32 to, QByteArray &area, const QString &afterwards,
                            const std::function<bool(qint32)> &wanted = {},
                            const std::function<bool(qint32)> &enough = {})
{
    link.SetCmdTimeout(kReadTimeoutMs);
    for (qint32 offset = from; offset < to; offset += kPageBytes) {
        hooks.progress((offset - from) / kPageBytes, (to - from) / kPageBytes);
        if (wanted && !wanted(offset))
            continue;
        const QString status = what + QLatin1Char(' ') + PageText(offset);
        if (hooks.stopRequested()) {
            hooks.setStatus(status + QStringLiteral(" User Break!") + afterwards);
            return FlashOutcome::UserBreak;
        }
        hooks.setStatus(status);
        Page page{};
        if (MemReadRetried(link, mode, page, kFirstPage + offset / kPageBytes)) {
            hooks.setStatus(status + QStringLiteral(" - ") + ReadFailure(link) + afterwards);
            return FlashOutcome::ReadError;
        }
        std::copy(page.begin(), page.end(), area.begin() + offset);
        if (enough && enough(offset))
            return FlashOutcome::Done;
    }
    return FlashOutcome::Done;
}

const QString kNothingErased = QStringLiteral(" Nothing erased.");

// The backup of the whole data area, into area and a new file of the folder.
[[nodiscard]] bool BackUp(CommandChannel &link, const FlashWriteOptions &options, const OperationHooks &hooks,
                          QByteArray &area, FlashWriteResult &result)
{
    result.outcome = ReadFlashPages(link, options.readMode, hooks, QStringLiteral("Backing up"), 0, kImageSize, area,
                                    kNothingErased);
    if (result.outcome != FlashOutcome::Done)
        return false;
    QString why;
    if (!WriteBackup(kFlashBackupPrefix, area, result.backupFile, why)) {
        hooks.setStatus(why + kNothingErased);
        result.outcome = FlashOutcome::FileError;
        result.backupFile.clear();
        return false;
    }
    hooks.setStatus(QStringLiteral("Backup: ") + QFileInfo(result.backupFile).fileName());
    return true;
}

// Programming writes the word at a: every word with ignoreEmpty off;
// otherwise those of the used part of its 64 KB, and the last word of it.
bool WordWritten(Span image, qint32 a, bool ignoreEmpty)
{
    const qint32 blockStart = a & ~(kImageBlockSize - 1);
    return !ignoreEmpty || a <= UsedEnd(image, blockStart) || a + 4 == blockStart + kImageBlockSize;
}

// A page holds words that programming writes: all with ignoreEmpty off;
// otherwise the used part of its 64 KB and the last word of it.
bool PageWritten(Span image, qint32 page, bool ignoreEmpty)
{
    return WordWritten(image, page, ignoreEmpty) || WordWritten(image, page + kPageBytes - 4, ignoreEmpty);
}

// Marks in result.unchanged the planned blocks whose flash already holds the
// image, from the backup (haveArea) or by reading them; a block that shares
// an erase block with a changed one is written all the same.
[[nodiscard]] bool FindUnchanged(CommandChannel &link, const FlashWriteOptions &options, const OperationHooks &hooks,
                                 Span image, QByteArray &area, bool haveArea,
                                 const std::array<bool, kDataFlashBlocks> &plan, bool bottomBoot, bool ignoreEmpty,
                                 FlashWriteResult &result)
{
    std::array<bool, kDataFlashBlocks> changed{};
    const auto sharesWithChanged = [&](int i) {
        for (int j = 0; j < kDataFlashBlocks; ++j)
            if (j != i && plan[j] && changed[j] && SharesEraseBlock(i, j, bottomBoot))
                return true;
        return false;
    };
    for (int i = 0; i < kDataFlashBlocks; ++i) {
        if (!plan[i])
            continue;
        const DataFlashBlock block = DataFlashBlockAt(i);
        const auto differs = [&](qint32 from, qint32 to) {
            return FirstFlashDifference(image, Bytes(area), from, to, FlashExpect::Written, ignoreEmpty).has_value();
        };
        changed[i] = sharesWithChanged(i);
        if (!changed[i] && haveArea)
            changed[i] = differs(block.start, block.end + 1);
        else if (!changed[i]) {
            // Read only as far as the first page that differs.
            result.outcome = ReadFlashPages(
                link, options.readMode, hooks, QStringLiteral("Comparing"), block.start, block.end + 1, area,
                kNothingErased, [&](qint32 page) { return PageWritten(image, page, ignoreEmpty); },
                [&](qint32 page) { return changed[i] = differs(page, page + kPageBytes); });
            if (result.outcome != FlashOutcome::Done)
                return false;
        }
        if (!changed[i])
            hooks.setStatus(BlockRangeText(i) + QStringLiteral(" unchanged"));
    }
    for (int i = 0; i < kDataFlashBlocks; ++i)
        result.unchanged[size_t(i)] = plan[i] && !changed[i] && !sharesWithChanged(i);
    return true;
}

// Reads [from, to) of every block of blocks back and holds it against the
// image as expect says; false with the status and result telling why.
[[nodiscard]] bool Verify(CommandChannel &link, const FlashWriteOptions &options, const OperationHooks &hooks,
                          Span image, const std::array<bool, kDataFlashBlocks> &blocks, FlashExpect expect,
                          FlashWriteResult &result)
{
    QByteArray area(kImageSize, char(0xFF));
    for (int i = 0; i < kDataFlashBlocks; ++i) {
        if (!blocks[i])
            continue;
        const DataFlashBlock block = DataFlashBlockAt(i);
        result.outcome = ReadFlashPages(link, options.readMode, hooks, QStringLiteral("Verifying"), block.start,
                                        block.end + 1, area, QString());
        if (result.outcome != FlashOutcome::Done)
            return false;
        result.firstDifference = FirstFlashDifference(image, Bytes(area), block.start, block.end + 1, expect, true);
        if (const std::optional<qint32> at = result.firstDifference) {
            result.found = quint8(area[*at]);
            const bool blank = expect == FlashExpect::Blank || !WordWritten(image, *at & ~3, true);
            result.expected = blank ? 0xFF : image[size_t(*at)];
            result.firstDifference = kAddressBase + *at;
            hooks.setStatus(QStringLiteral("Verify Error at %1 (read %2, expected %3)!")
                                .arg(Hex8(*result.firstDifference), Hex2(result.found), Hex2(result.expected)));
            result.outcome = FlashOutcome::VerifyError;
            return false;
        }
    }
    result.verified = true;
    return true;
}

// The end of a run: what was left alone, checked and kept.
QString Summary(const FlashWriteResult &result)
{
    QString text;
    for (int i = 0; i < kDataFlashBlocks; ++i)
        if (result.unchanged[size_t(i)])
            text += QLatin1Char(' ') + BlockRangeText(i) + QStringLiteral(" unchanged.");
    if (result.verified)
        text += QStringLiteral(" Verified.");
    if (!result.backupFile.isEmpty())
        text += QStringLiteral(" Backup: ") + QFileInfo(result.backupFile).fileName();
    return text;
}

}   // namespace

QString BlockRangeText(int index)
{
    const DataFlashBlock block = DataFlashBlockAt(index);
    return FlashAddressText(block.start) + QStringLiteral(" - ") + FlashAddressText(block.end);
}

std::optional<qint32> FirstFlashDifference(std::span<const quint8> image, std::span<const quint8> content, qint32 from,
                                           qint32 to, FlashExpect expect, bool ignoreEmpty)
{
    to = std::min({to, qint32(image.size()), qint32(content.size())});
    for (qint32 a = std::max(from, 0) & ~3; a + 4 <= to; a += 4) {
        const bool written = WordWritten(image, a, ignoreEmpty);
        const auto matches = [&](bool blank) {
            for (int k = 0; k < 4; ++k)
                if (content[size_t(a + k)] != (blank ? 0xFF : image[size_t(a + k)]))
                    return a + k;
            return -1;
        };
        qint32 at = -1;
        switch (expect) {
        case FlashExpect::Blank: at = matches(true); break;
        case FlashExpect::Written: at = written ? matches(false) : -1; break;
        case FlashExpect::WrittenOrBlank:
            at = matches(false);
            if (at >= 0 && !written)
                at = matches(true);
            break;
        }
        if (at >= 0)
            return at;
    }
    return std::nullopt;
}

FlashWriteResult ProgramDataFlash(CommandChannel &link, Prompter &prompter, const OperationHooks &hooks,
                                  const QString &fileName, const std::array<bool, kDataFlashBlocks> &selected,
                                  bool bottomBoot, const std::function<bool()> &ignoreEmptySpace,
                                  const FlashWriteOptions &options)
{
    FlashWriteResult result;
    if (!options.backUpFirst && !options.skipUnchanged && !options.verify) {
        result.outcome = ProgramDataFlash(link, prompter, hooks, fileName, selected, bottomBoot, ignoreEmptySpace);
        return result;
    }
    link.SetCmdTimeout(kClickTimeoutMs);
    if (AskSure(prompter, kProgramQuestion)) {
        result.outcome = FlashOutcome::Declined;
        return result;
    }
    QByteArray data;
    if (result.outcome = LoadDataFlashImage(hooks, fileName, data); result.outcome != FlashOutcome::Done)
        return result;
    if (!Any(selected)) {
        hooks.setStatus(QStringLiteral("Nothing to Write!"));
        result.outcome = FlashOutcome::NothingToWrite;
        return result;
    }
    const Span image = Bytes(data);
    QByteArray area(kImageSize, char(0xFF));
    if (options.backUpFirst && !BackUp(link, options, hooks, area, result))
        return result;
    const std::array<bool, kDataFlashBlocks> plan = ProgramPlan(selected, bottomBoot);
    if (options.skipUnchanged
        && !FindUnchanged(link, options, hooks, image, area, options.backUpFirst, plan, bottomBoot, ignoreEmptySpace(),
                          result))
        return result;
    std::array<bool, kDataFlashBlocks> written{};
    for (int i = 0; i < kDataFlashBlocks; ++i)
        written[size_t(i)] = plan[i] && !result.unchanged[size_t(i)];
    if (Any(written)) {
        result.outcome = ProgramDataFlashImage(link, hooks, image, written, bottomBoot, ignoreEmptySpace);
        if (result.outcome != FlashOutcome::Done)
            return result;
    }
    if (options.verify && Any(written)
        && !Verify(link, options, hooks, image, written, FlashExpect::WrittenOrBlank, result))
        return result;
    hooks.setStatus(QStringLiteral("Done.") + Summary(result));
    return result;
}

FlashWriteResult EraseDataFlash(CommandChannel &link, Prompter &prompter, const OperationHooks &hooks,
                                const FlashWriteOptions &options)
{
    FlashWriteResult result;
    if (!options.backUpFirst && !options.verify) {
        result.outcome = EraseDataFlash(link, prompter, hooks);
        return result;
    }
    link.SetCmdTimeout(kClickTimeoutMs);
    if (AskSure(prompter, kEraseQuestion)) {
        result.outcome = FlashOutcome::Declined;
        return result;
    }
    QByteArray area(kImageSize, char(0xFF));
    if (options.backUpFirst && !BackUp(link, options, hooks, area, result))
        return result;
    if (result.outcome = EraseDataArea(link, hooks); result.outcome != FlashOutcome::Done)
        return result;
    const QString erased = hooks.status();
    const QByteArray blank(kImageSize, char(0xFF));
    if (options.verify
        && !Verify(link, options, hooks, Bytes(blank), {true, true, true, true, true}, FlashExpect::Blank, result))
        return result;
    hooks.setStatus(erased + Summary(result));
    return result;
}
