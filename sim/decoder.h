#pragma once
// The decoder's resident command monitor: takes one command line (without its
// CR) and produces the reply line (without its CR), acting on the memory,
// flash, EEPROM and register models behind it.
//
// Replies:
//   02 read   "021" + data: one value of the access size (2, 4 or 8 digits,
//             most significant first); the count form gives count/size such
//             values in address order. 02 write: "020".
//   06 read   "061" + the 4 address digits + 2 digits per byte; write "060".
//   07        the code ("070"/"071") + "0" for a carrier, + "1" for none; 072 sweeps (tuner.h).
//   15        "151" + the LNB control byte; "150" + byte writes it: "150".
//   09        "09" + the channel digit ("090".."094").
//   25 read   "251" + 2 digits; 25 write ("250" + register + value): "250".
//   27 read   the 9 command characters + 2 digits per byte; write: the
//             command itself; absent device: "27NAK".
//   28        "2800" after the erase.
//   31        "310": "3101" when nothing is tuned; else "310", one line of
//             hex digit pairs per SI section of the tuned transponder, each
//             ended by CR, and a final LF in place of the reply's CR
//             (si_sections.h). Fed sections answer on every transponder.
//   TRABUNE   "OK"; 100: "100".
//   anything malformed: its family + "E" ("02E", "06E", ...), "??E" when
//   the family is unknown.
// Multi-byte accesses may be unaligned: they touch the bytes address ..
// address+n-1 (wrapping at 2^32); in the flash they become one bus cycle per
// 32-bit word touched. EEPROM addresses above 7FF are refused; a range that
// runs past 7FF continues at 000.

#include "flash_bank.h"
#include "si_sections.h"
#include "sparse_memory.h"
#include "tuner.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace sim {

struct DecoderConfig {
    uint8_t flashDevice = 0xEC;
    std::vector<int> protectedBlocks;                 // chip block indexes, applied to both chips
    std::vector<std::pair<uint32_t, int>> stuckBits;  // decoder address, bit
    bool eraseFails = false;
    int eraseDelayMs = 300;            // time the monitor takes for the data-area erase
    std::vector<Section> fedSections;  // when any: the SI of every transponder, and the decoder starts tuned
};

struct Reply {
    Reply() = default;
    Reply(std::string replyText) : text(std::move(replyText)) {}

    std::string text;
    char terminator = '\r';  // follows the text on the line
    int delayMs = 0;         // processing time before the reply leaves
    int newBaud = 0;         // line speed to switch to once the reply is out; 0 keeps it
    std::optional<std::pair<uint32_t, uint32_t>> memoryRead;  // address and length a read covered
    std::string laterLine;  // a second line the monitor sends on its own, laterMs after the reply
    int laterMs = 0;
};

// Line speeds and the values of the 16-bit speed register at 20004000 that select them.
struct SpeedSetting {
    int baud;
    uint16_t registerValue;
};
const std::vector<SpeedSetting>& speedTable();
bool isSupportedBaud(int baud);

class Decoder {
public:
    static constexpr uint32_t kSpeedRegister = 0x20004000;
    static constexpr size_t kEepromSize = 2048;
    static constexpr uint8_t kDemodDevice = 0xD0;
    static constexpr uint8_t kAudioDevice = 0x94;
    // The SI reply, final LF included, stays below 32767 characters so
    // that a 16-bit signed count holds its length.
    static constexpr size_t kMaxSiReplyLength = 32766;

    explicit Decoder(const DecoderConfig& config = {});

    Reply execute(std::string_view command);

    uint8_t readByte(uint32_t address) const;
    void writeBytes(uint32_t address, const std::vector<uint8_t>& bytes);

    SparseMemory& memory() { return memory_; }
    FlashBank& flash() { return flash_; }
    Tuner& tuner() { return tuner_; }
    std::array<uint8_t, kEepromSize>& eeprom() { return eeprom_; }
    std::array<uint8_t, 256>& demodRegisters() { return demod_; }
    bool inServiceMode() const { return serviceMode_; }
    // After loading a flash image, stuck bits have to be applied again.
    void applyStuckBits();

    static uint8_t defaultEepromByte(uint32_t address);
    static uint8_t defaultDemodRegister(uint32_t reg);

private:
    Reply memoryCommand(std::string_view cmd);
    Reply sweepCommand(std::string_view cmd);
    Reply eepromCommand(std::string_view cmd);
    Reply demodCommand(std::string_view cmd);
    Reply i2cCommand(std::string_view cmd);
    Reply eraseCommand(std::string_view cmd);
    Reply siCommand(std::string_view cmd);
    bool i2cPresent(uint8_t device) const;
    uint8_t i2cRead(uint8_t device, uint8_t reg) const;
    void i2cWrite(uint8_t device, uint8_t reg, uint8_t value);

    DecoderConfig config_;
    SparseMemory memory_;
    FlashBank flash_;
    std::array<uint8_t, kEepromSize> eeprom_{};
    std::array<uint8_t, 256> demod_{};
    std::array<uint8_t, 256> audio_{};
    bool serviceMode_ = false;
    Tuner tuner_{defaultSatellite()};
};

}  // namespace sim
