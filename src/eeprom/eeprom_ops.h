#pragma once
// The decoder's 2048-byte serial EEPROM: command texts of both access modes
// (command 06 by byte address, or command 27 straight to the I2C chip),
// reply parsing, the page view and the file backup and restore. The window
// DL_EE only calls these.
#include "link/channel.h"
#include "link/memread.h"
#include "link/operation.h"
#include "link/options.h"
#include "link/prompts.h"
#include <QString>
#include <QStringList>
#include <array>
#include <functional>
#include <optional>

constexpr int kEeSize = 2048;
constexpr int kEePages = 8;
constexpr int kEeRowsPerPage = 16;
using EeImage = std::array<quint8, kEeSize>;

enum class EeOutcome {
    Done,
    UserBreak,
    ReadError,     // a read reply of the wrong length
    WriteError,    // a write reply other than expected
    NotSaved,      // overwrite refused
    NotFound,      // image file missing or empty
    WrongLength,   // image file not 2048 bytes
    Declined,      // write not confirmed
    FileError,     // image file could not be opened, read or written
    VerifyError,   // the EEPROM read back differs from what was written
};

// Page box: a text below "0" or above "7" (character codes, empty included)
// becomes "0"; the page number is then its first digit.
QString NormalizeEePageText(const QString &text);
int EePageNumber(const QString &text);
// "--" and "+": the neighbouring page, wrapping 0 <-> 7.
QString PreviousEePageText(const QString &text);
QString NextEePageText(const QString &text);

// 16-byte row read (READ, and every read in I2C mode).
QString EeReadRowCommand(EepromMode mode, int page, int row);
int EeRowReplyLength(EepromMode mode);   // 39 Normal, 41 I2C
int EeRowDataStart(EepromMode mode);     // 0-based index of the first data digit: 7 or 9

// One row of the READ view (without line end). A reply of the wrong length
// shows "--" for every byte and "." as characters.
QString EeRowView(EepromMode mode, int page, int row, const QString &reply);

// Read commands of one page for the backup, in the order they are sent:
// Normal two 128-byte reads, I2C sixteen row reads.
QStringList EeSavePageCommands(EepromMode mode, int page);
int EeSaveReplyLength(EepromMode mode);   // 263 Normal, 41 I2C
// Stores the bytes of reply number index of EeSavePageCommands; false when
// the reply has the wrong length (nothing stored then).
bool StoreEeSaveReply(EepromMode mode, int page, int index, const QString &reply, EeImage &image);

// Write commands of one page, in the order they are sent: Normal two
// 128-byte writes "060...", I2C sixteen 16-byte writes "270A...".
QStringList EeWritePageCommands(EepromMode mode, int page, const EeImage &image);
bool EeWriteReplyOk(EepromMode mode, const QString &reply);   // "060" / 39 characters

// READ: shows page (0..7) in the status text (the window's text area);
// progress receives the "=" bar after each row.
EeOutcome ShowEePage(CommandChannel &link, EepromMode mode, int page, const OperationHooks &hooks,
                     const std::function<void(const QString &)> &progress = {});
// Reads all 8 pages into image ("Reading Page " + digit, " - Read Error!",
// " - User Break!"); Done when all were read. With a check, every page is
// read until two readings agree (at most kCheckedReadings readings; none
// agreeing is a read error with " (no two of 9 readings agree)"), and check
// counts the pages read again.
EeOutcome ReadEeprom(CommandChannel &link, EepromMode mode, const OperationHooks &hooks, EeImage &image,
                     ReadCheck *check = nullptr);
// "EE --> File": reads all 8 pages, then writes fileName.
EeOutcome SaveEeprom(CommandChannel &link, EepromMode mode, Prompter &prompter, const OperationHooks &hooks,
                     const QString &fileName, ReadCheck *check = nullptr);
// "File --> EE": writes a 2048-byte file into the EEPROM.
EeOutcome WriteEeprom(CommandChannel &link, EepromMode mode, Prompter &prompter, const OperationHooks &hooks,
                      const QString &fileName);

// The EEPROM window's "Back up first" (Chk_Bak) and "Verify" (Chk_Vfy).
struct EeWriteOptions {
    // After the question, save the current 2048 bytes as a new
    // eeprom-YYYYMMDD-HHMMSS.bin of the backup folder; a read that fails
    // ends the action before anything is written.
    bool backUpFirst = false;
    // After the write, read the EEPROM back and compare.
    bool verify = false;
};
struct EeWriteResult {
    EeOutcome outcome = EeOutcome::Done;
    QString backupFile;                   // full path of the backup written, or empty
    bool verified = false;                // the read-back matched the file
    std::optional<int> firstDifference;   // EEPROM address of the first byte that differs
    quint8 written = 0;                   // there: the file's byte
    quint8 found = 0;                     // and the EEPROM's
};
// "File --> EE" with the options; with both off, WriteEeprom command for
// command. Texts in addition to WriteEeprom's: "Backup: Reading Page N"
// while backing up (a failure there ends with " Nothing written."), then
// after "Done." the lines "Backup: NAME" and "Verified." or
// "Verify Error at 01A3 (read 5A, written 5B)!" (VerifyError).
EeWriteResult WriteEeprom(CommandChannel &link, EepromMode mode, Prompter &prompter, const OperationHooks &hooks,
                          const QString &fileName, const EeWriteOptions &options);
