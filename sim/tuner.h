#pragma once
// The decoder's satellite front end and demultiplexer as the monitor drives
// them: command 07 tunes ("070": intermediate frequency in kHz, 7 digits;
// "071": in MHz, 4 digits; then code rate, symbol rate in 100 sym/s, band
// and polarisation digit, DiSEqC byte and "2") and answers the code + "0"
// when a carrier of the satellite lies there, code + "1" when none; command
// 09 sets PID 0..4 (video, audio, -, teletext, PCR) of the demultiplexer.
#include "satellite.h"

#include <array>
#include <optional>
#include <string>
#include <string_view>

namespace sim {

// One answer of the sweep: the status line, and the result line that follows
// it after the search time (empty when the band is done).
struct SweepStep {
    std::string status;
    std::string result;
    int resultDelayMs = 0;
};

class Tuner {
public:
    // How far the front end searches around the frequency asked for.
    static constexpr uint32_t kCaptureRangeKHz = 4000;
    static constexpr uint16_t kPidOff = 0xFFFF;
    static constexpr std::string_view kSweepCommand = "07209502155275000220000275000220000";
    static constexpr int kSearchMs = 120;  // the demodulator's search for the next carrier

    explicit Tuner(const Satellite& satellite) : satellite_(satellite) {}

    // The reply to a 07 command, nullopt when the command is malformed.
    std::optional<std::string> tune(std::string_view command);
    // The reply to a 09 command, nullopt when the command is malformed.
    std::optional<std::string> setPid(std::string_view command);
    // The sweep: the full 072 command starts a band (its digit 1..4 names
    // V/D, H/D, V/U, H/U), "072" goes on to the next carrier above the last.
    // Bits 3 (horizontal) and 4 (high band) of the LNB control byte add to
    // what the digit names, so a PC that drives the LNB sweeps the other bands.
    std::optional<SweepStep> sweep(std::string_view command);
    // "151" reads the LNB control byte, "150" + 2 hex digits writes it.
    std::optional<std::string> lnbControl(std::string_view command);
    uint8_t lnbByte() const { return lnbByte_; }

    // The transponder the last tune found a carrier on, or null.
    const Transponder* tuned() const { return tuned_; }
    uint16_t pid(int channel) const { return pids_[size_t(channel)]; }
    // Starts tuned (sections fed from a file answer on every transponder).
    void tuneTo(const Transponder* transponder) { tuned_ = transponder; }

private:
    const Transponder* find(uint32_t intermediateKHz, bool highBand, char polarisation, uint32_t symbolRate) const;

    const Satellite& satellite_;
    const Transponder* tuned_ = nullptr;
    int sweepDigit_ = 0;         // 0: no sweep running
    uint32_t sweepFromKHz_ = 0;  // the next carrier lies above this IF
    uint8_t lnbByte_ = 0x00;
    std::array<uint16_t, 5> pids_ = {kPidOff, kPidOff, kPidOff, kPidOff, kPidOff};
};

}  // namespace sim
