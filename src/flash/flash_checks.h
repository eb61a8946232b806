#pragma once
// What the flash window and kestrel-cli may ask for around an erase or a
// program of the data area: a backup of the whole area first ("Back up
// first"), blocks that already hold the image left alone ("Skip unchanged
// blocks"), and a read-back of what was written. With every option off the
// operations are those of flash_ops.h, command for command.
#include "flash/flash_ops.h"

#include <QByteArray>
#include <array>
#include <optional>

struct FlashWriteOptions {
    // Read the whole 512 KB data area with page reads into a new file of the
    // backup folder before anything is erased; a read that fails ends the
    // action there.
    bool backUpFirst = false;
    // "Program DataFlash" only: a selected block whose flash already holds
    // the image's bytes (where programming writes: with "Ignore empty space"
    // the used part of each 64 KB and its last word) is neither erased nor
    // programmed. Compared with the backup just read, or else by reading the
    // block (only as far as its first difference).
    bool skipUnchanged = false;
    // After the erase or program, read the area written back with page reads
    // and compare: all FF after an erase; the image after a program (FF also
    // accepted where "Ignore empty space" skips).
    bool verify = false;
    // The page reads of all three: the Options menu's memory read mode.
    MemReadMode readMode = MemReadMode::MultiByte;
};

struct FlashWriteResult {
    FlashOutcome outcome = FlashOutcome::Done;
    QString backupFile;                               // full path of the backup written, or empty
    std::array<bool, kDataFlashBlocks> unchanged{};   // blocks left alone as unchanged
    bool verified = false;                            // the read-back ran and matched
    // Where the read-back first differs: the decoder address of the byte,
    // what it should hold and what it holds.
    std::optional<qint32> firstDifference;
    quint8 expected = 0;
    quint8 found = 0;
};

// "Program DataFlash" with the options. Status texts as the plain one; in
// addition "Backing up 7FE012XX", "Backup: NAME", "Comparing 7FE012XX",
// "7FE20000 - 7FE3FFFF unchanged", "Verifying 7FE012XX"; at the end "Done."
// followed by each unchanged block's text, " Verified." and " Backup: NAME"
// as they apply; a read-back that differs ends with "Verify Error at
// 7FE20013 (read FE, expected FF)!" (VerifyError). A failed backup or
// comparison read ends with its page, the reason and " Nothing erased.".
FlashWriteResult ProgramDataFlash(CommandChannel &link, Prompter &prompter, const OperationHooks &hooks,
                                  const QString &fileName, const std::array<bool, kDataFlashBlocks> &selected,
                                  bool bottomBoot, const std::function<bool()> &ignoreEmptySpace,
                                  const FlashWriteOptions &options);
// "Erase DataFlash (Cmd 280)" with the options (skipUnchanged does not apply).
FlashWriteResult EraseDataFlash(CommandChannel &link, Prompter &prompter, const OperationHooks &hooks,
                                const FlashWriteOptions &options);

// "7FE20000 - 7FE3FFFF", the caption of block index's check box.
QString BlockRangeText(int index);

// How the decoder's bytes are held against the image, word by word.
enum class FlashExpect {
    Blank,            // every byte FF (after an erase)
    Written,          // the image where programming writes (all of it unless ignoreEmpty)
    WrittenOrBlank,   // the image, or FF where "Ignore empty space" would skip
};
// The flash offset of the first byte in [from, to) (word aligned) of
// content that does not hold what expect says, or nullopt; image and
// content are whole data areas.
std::optional<qint32> FirstFlashDifference(std::span<const quint8> image, std::span<const quint8> content, qint32 from,
                                           qint32 to, FlashExpect expect, bool ignoreEmpty);
