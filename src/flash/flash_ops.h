#pragma once
// Operations of the flash window DL_Flh: chip identification, saving flash
// regions to files, erasing and programming the 512 KB data area. The
// window only collects its controls' state and calls these.
#include "flash/flash_access.h"
#include "flash/flash_chips.h"
#include "link/channel.h"
#include "link/memread.h"
#include "link/operation.h"
#include "link/options.h"
#include "link/prompts.h"
#include <QList>
#include <QString>
#include <array>
#include <functional>
#include <optional>
#include <span>

enum class FlashOutcome {
    Done,
    Declined,   // confirmation refused, or overwrite refused (no message)
    UserBreak,
    ReadError,        // a flash read failed (9 times for a page when saving)
    NoFile,           // image file missing or empty
    TooShort,         // image file shorter than 512 KB
    NothingToWrite,   // no block selected
    EraseError,
    ProgramError,
    VerifyError,
    Error,       // the decoder's erase command failed
    FileError,   // a file could not be created, read or written
};

// ---- Read FlashType ----

struct FlashTypeResult {
    QString status;                    // text for the status line L1
    bool ok = false;                   // both chips identified
    bool bottomBoot = false;           // meaningful only when ok
    const FlashChip *chip = nullptr;   // the chips found, when ok
};

// Identifies the chips from the table of known chips and lists the
// protection of their main blocks plus the sub-blocks of the boot area.
// Once the identification mode has been entered it is always left again
// with FlashReset, on error exits too.
FlashTypeResult ReadFlashType(CommandChannel &link);

// ---- Read Flash ----

struct FlashRegion {
    qint32 firstPage;
    qint32 lastPage;
    const char *defaultFile;
};
// Buttons "Data (512KB)", "Firmware (1.5MB)", "Data+Firmware (2MB)" (0..2).
FlashRegion FlashRegionFor(int index);

// Saves pages first..last (page = decoder address / 256) through MemRead,
// 9 tries per page. An overwrite refused ends silently. A page that could
// not be read is never written; an interrupted save keeps the complete
// pages written before. With a check, every page is read until two
// readings agree (MemReadChecked), and check counts the pages read again.
FlashOutcome SaveFlashRange(CommandChannel &link, MemReadMode mode, Prompter &prompter, const OperationHooks &hooks,
                            qint32 firstPage, qint32 lastPage, const QString &fileName, ReadCheck *check = nullptr);

// ---- Erase and program the data area ----

inline const QString kEraseQuestion = QStringLiteral("This will erase the whole DATA Flash area! (7FE00000-7FE7FFFF)");
inline const QString kProgramQuestion = QStringLiteral("This will erase and write the selected DATA Flash area!");

// "Erase DataFlash (Cmd 280)": the decoder erases the whole data area itself.
FlashOutcome EraseDataFlash(CommandChannel &link, Prompter &prompter, const OperationHooks &hooks);
// Its steps after the question: command 280.
FlashOutcome EraseDataArea(CommandChannel &link, const OperationHooks &hooks);

// Block erase sequence at offset; true on failure (also when the first word
// is not blank 2 s after the erase command).
[[nodiscard]] bool EraseBlock(CommandChannel &link, qint32 offset);
// Program sequence and data write of one 32-bit word; true on failure.
[[nodiscard]] bool ProgramDword(CommandChannel &link, qint32 offset, const FlashWord &w);

constexpr int kDataFlashBlocks = 5;
struct DataFlashBlock {
    qint32 start;
    qint32 end;   // last byte
};
// The selectable blocks Chk(0)..Chk(4): 64, 64, 128, 128, 128 KB.
DataFlashBlock DataFlashBlockAt(int index);

// Erase blocks of chip (flash offsets of their first words) that overlap
// selectable block index, from its data blocks: on top-boot chips offsets
// 0-1FFFF are one erase block, shared by Chk(0) and Chk(1); on bottom-boot
// chips 0-FFFF holds the boot block and two parameter blocks.
QList<qint32> ChipEraseBlocks(int index, const FlashChip &chip);

// "Program DataFlash": erases, programs and verifies the selected blocks
// from the 512 KB image file. ignoreEmptySpace is asked at every word
// (the check box may change while programming runs).
//
// The layout is that of the first chip of the table on the chips' boot
// side. Each erase block of the chips is erased once per run, and every
// selected block is erased completely: on top-boot chips the erase for
// Chk(1) would otherwise wipe the freshly programmed Chk(0) block, and on
// bottom-boot chips an erase at 0 alone leaves 8000-FFFF unerased. Blocks
// that share an erase block are programmed together (Chk(0) and Chk(1) on
// top-boot chips): selecting one of them programs all.
FlashOutcome ProgramDataFlash(CommandChannel &link, Prompter &prompter, const OperationHooks &hooks,
                              const QString &fileName, const std::array<bool, kDataFlashBlocks> &selected,
                              bool bottomBoot, const std::function<bool()> &ignoreEmptySpace);
// The image file checks of "Program DataFlash" ("No file ...", "File length
// is less that 512KBytes!"); Done with the first 524288 bytes in data.
FlashOutcome LoadDataFlashImage(const OperationHooks &hooks, const QString &fileName, QByteArray &data);
// The programming of already loaded image data (524288 bytes), after the
// confirmation and file checks.
FlashOutcome ProgramDataFlashImage(CommandChannel &link, const OperationHooks &hooks, std::span<const quint8> image,
                                   const std::array<bool, kDataFlashBlocks> &selected, bool bottomBoot,
                                   const std::function<bool()> &ignoreEmptySpace);

// The blocks a program of selected works on: those selected and, closed
// over, every block that shares an erase block of the chips with one of them.
std::array<bool, kDataFlashBlocks> ProgramPlan(const std::array<bool, kDataFlashBlocks> &selected, bool bottomBoot);
// Blocks a and b lie (partly) in the same erase block of the chips.
bool SharesEraseBlock(int a, int b, bool bottomBoot);

// ---- Check boxes ----

// Boxes whose blocks share an erase block of the chips on the boot side
// move together (Chk(0) and Chk(1) unless the chips are bottom-boot): the
// index of the box that must take the clicked box's state, if any.
std::optional<int> CoupledCheckBox(int clickedIndex, bool bottomBoot);
