// flash id, read, erase, program: the buttons of the flash window DL_Flh;
// the image commands of the data-flash window are rows of the same table.
#include "cli/cli.h"
#include "cli/cli_checks.h"

#include "flash/flash_checks.h"

#include <QJsonArray>

// cli_image.cpp
int ImageList(CliContext &c);
int ImageExtract(CliContext &c);
int ImageUpdate(CliContext &c);

namespace {

// The time-out the window sets before each of its buttons.
constexpr int kClickTimeoutMs = 750;

const QStringList kRegions = {QStringLiteral("data"), QStringLiteral("firmware"), QStringLiteral("all")};

// The exit status of an operation by its outcome: an image file that cannot
// be used, or nothing to write, is a refusal; an overwrite or a confirmation
// not given, a refusal as well; the decoder's failures are failures.
int Finish(CliContext &c, FlashOutcome outcome)
{
    switch (outcome) {
    case FlashOutcome::Done: return c.finish(true, false, false);
    case FlashOutcome::Declined: return c.finish(false, true, false);
    case FlashOutcome::UserBreak: return c.finish(false, false, true);
    case FlashOutcome::NoFile:
    case FlashOutcome::TooShort:
    case FlashOutcome::NothingToWrite:
    case FlashOutcome::FileError: c.result.insert(QStringLiteral("status"), c.status()); return c.refuse(c.status());
    default: return c.finish(false, false, false);
    }
}

// "Read FlashType", with the time-out of a click; false when the chips are
// not identified (the line then says why).
[[nodiscard]] bool Identify(CliContext &c, FlashTypeResult &type)
{
    c.channel().SetCmdTimeout(kClickTimeoutMs);
    type = ReadFlashType(c.channel());
    c.result.insert(QStringLiteral("flashType"), type.status);
    c.result.insert(QStringLiteral("identified"), type.ok);
    if (type.ok) {
        c.result.insert(QStringLiteral("chip"), QLatin1String(type.chip->name));
        c.result.insert(QStringLiteral("bottomBoot"), type.bottomBoot);
    }
    return type.ok;
}

// A Ctrl-C that came while the chips were identified ends the command
// before anything is erased.
int StoppedBeforeStart(CliContext &c)
{
    c.setStatus(QStringLiteral("User Break."));
    return c.finish(false, false, true);
}

int Id(CliContext &c)
{
    if (const QString error = c.args.finish(); !error.isEmpty())
        return c.refuse(error);
    FlashTypeResult type;
    if (!Identify(c, type))
        return c.fail(type.status);
    c.print(type.status);
    return kCliDone;
}

// Read Flash: "Data (512KB)", "Firmware (1.5MB)" or "Data+Firmware (2MB)"
// to FILE, by default the name in the window's box.
int Read(CliContext &c)
{
    c.options.Mrm = c.args.readMode();
    const bool verify = c.args.flag(QStringLiteral("--verify"));
    const QString region = c.args.next(QStringLiteral("data|firmware|all"));
    const std::optional<QString> file = c.args.nextOptional();
    if (const QString error = c.args.finish(); !error.isEmpty())
        return c.refuse(error);
    const int index = int(kRegions.indexOf(region));
    if (index < 0)
        return c.refuse("unknown area " + region + " (data, firmware or all)");
    const FlashRegion pages = FlashRegionFor(index);
    const QString name = file.value_or(QString::fromLatin1(pages.defaultFile));
    c.result.insert(QStringLiteral("file"), name);
    c.channel().SetCmdTimeout(kClickTimeoutMs);
    ReadCheck check;
    const FlashOutcome outcome =
        SaveFlashRange(c.channel(), c.options.Mrm, c.prompter, c.hooks(QStringLiteral("pages")), pages.firstPage,
                       pages.lastPage, name, verify ? &check : nullptr);
    const int status = Finish(c, outcome);
    if (verify && outcome == FlashOutcome::Done)
        ReportCheckedRead(c, name, check);
    return status;
}

// What a write with backup, skipped blocks and read-back leaves to tell,
// and its end.
int FinishWrite(CliContext &c, const FlashWriteResult &r)
{
    ReportBackup(c, r.backupFile);
    QJsonArray unchanged;
    for (int i = 0; i < kDataFlashBlocks; ++i)
        if (r.unchanged[size_t(i)])
            unchanged.append(i);
    c.result.insert(QStringLiteral("unchangedBlocks"), unchanged);
    c.result.insert(QStringLiteral("verified"), r.verified);
    if (r.firstDifference)
        c.result.insert(QStringLiteral("firstDifference"), QString::number(*r.firstDifference, 16).toUpper());
    return Finish(c, r.outcome);
}

// "Erase DataFlash (Cmd 280)", which the window offers once the chips are
// identified.
int Erase(CliContext &c)
{
    const WriteChecks checks = TakeWriteChecks(c.args);
    c.options.Mrm = c.args.readMode();
    if (const QString error = c.args.finish(); !error.isEmpty())
        return c.refuse(error);
    FlashTypeResult type;
    if (!Identify(c, type))
        return c.fail(type.status);
    c.print(type.status);
    if (c.stopRequested())
        return StoppedBeforeStart(c);
    c.channel().SetCmdTimeout(kClickTimeoutMs);
    const FlashWriteOptions options{checks.backup, false, checks.verify, c.options.Mrm};
    return FinishWrite(c, EraseDataFlash(c.channel(), c.prompter, c.hooks(QStringLiteral("pages")), options));
}

// The block boxes Chk(0)..Chk(4) from "--blocks LIST"; false with the
// reason when LIST is not block indices.
[[nodiscard]] bool ParseBlocks(const QString &list, std::array<bool, kDataFlashBlocks> &selected, QString &why)
{
    selected.fill(false);
    for (const QString &word : list.split(QLatin1Char(','))) {
        bool ok = false;
        const int index = word.trimmed().toInt(&ok);
        if (!ok || index < 0 || index >= kDataFlashBlocks) {
            why = "--blocks: \"" + word + "\" is not a block index 0-" + QString::number(kDataFlashBlocks - 1);
            return false;
        }
        selected[size_t(index)] = true;
    }
    return true;
}

// "Program DataFlash" from FILE: the chips identified first, as the window
// requires; the boxes of the blocks given ticked as a user's clicks tick
// them, so that on top-boot chips block 0 and block 1 go together.
int Program(CliContext &c)
{
    const QString list = c.args.value(QStringLiteral("--blocks"), QStringLiteral("1,2,3,4"));
    const bool ignoreEmpty = !c.args.flag(QStringLiteral("--no-ignore-empty"));
    const bool allBlocks = c.args.flag(QStringLiteral("--all-blocks"));
    const WriteChecks checks = TakeWriteChecks(c.args);
    c.options.Mrm = c.args.readMode();
    const QString file = c.args.next(QStringLiteral("FILE"));
    if (const QString error = c.args.finish(); !error.isEmpty())
        return c.refuse(error);
    std::array<bool, kDataFlashBlocks> boxes{};
    if (QString why; !ParseBlocks(list, boxes, why))
        return c.refuse(why);
    FlashTypeResult type;
    if (!Identify(c, type))
        return c.fail(type.status);
    c.print(type.status);
    std::array<bool, kDataFlashBlocks> selected = boxes;
    for (int i = 0; i < kDataFlashBlocks; ++i)
        if (const std::optional<int> coupled = CoupledCheckBox(i, type.bottomBoot); coupled && boxes[size_t(i)])
            selected[size_t(*coupled)] = true;
    QJsonArray blocks;
    for (int i = 0; i < kDataFlashBlocks; ++i)
        if (selected[size_t(i)])
            blocks.append(i);
    c.result.insert(QStringLiteral("blocks"), blocks);
    c.result.insert(QStringLiteral("file"), file);
    if (c.stopRequested())
        return StoppedBeforeStart(c);
    c.channel().SetCmdTimeout(kClickTimeoutMs);
    const FlashWriteOptions options{checks.backup, !allBlocks, checks.verify, c.options.Mrm};
    return FinishWrite(c,
                       ProgramDataFlash(
                           c.channel(), c.prompter, c.hooks(QStringLiteral("steps")), file, selected, type.bottomBoot,
                           [ignoreEmpty] { return ignoreEmpty; }, options));
}

const CliCommand kCommands[] = {
    {"flash id", "", "identifies the flash chips and their block protection (Read FlashType)", true, Id},
    {"flash read", "data|firmware|all [FILE] [--mode multi|dword|word|byte] [--verify]",
     "saves the data area, the firmware or the whole flash to FILE (default flash512k.bin, firmware.bin, flash.bin);\n"
     "      --verify reads every page until two readings agree and prints the file's SHA-256",
     true, Read},
    {"flash erase", "[--no-backup] [--no-verify] [--mode multi|dword|word|byte]",
     "erases the whole data area with command 280, after identifying the chips; first saves the area to the\n"
     "      backup folder, and afterwards reads it back to check that it is blank (unless told not to)",
     true, Erase},
    {"flash program",
     "FILE [--blocks LIST] [--no-ignore-empty] [--all-blocks] [--no-backup] [--no-verify] "
     "[--mode multi|dword|word|byte]",
     "erases, programs and verifies the data-area blocks LIST (0-4, default 1,2,3,4) from a 512 KB image;\n"
     "      first saves the area to the backup folder, leaves alone the blocks that already hold the image\n"
     "      (--all-blocks writes them all), and afterwards reads the written blocks back and compares",
     true, Program},
    {"backups", "", "lists the backup folder, newest first: what, when, size", false, ListBackupFolder},
    {"image list", "FILE", "lists the directory of a 512 KB data-area image (Extract Directory)", false, ImageList},
    {"image extract", "FILE NAME [OUT]", "saves the directory entry NAME of the image to OUT (default NAME)", false,
     ImageExtract},
    {"image update", "FILE TCS TPT", "puts the channel and transponder tables into the image file", false, ImageUpdate},
};

}   // namespace

std::span<const CliCommand> FlashCommands() { return kCommands; }
