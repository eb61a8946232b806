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

class Tuner {
public:
    // How far the front end searches around the frequency asked for.
    static constexpr uint32_t kCaptureRangeKHz = 4000;
    static constexpr uint16_t kPidOff = 0xFFFF;

    explicit Tuner(const Satellite& satellite) : satellite_(satellite) {}

    // The reply to a 07 command, nullopt when the command is malformed.
    std::optional<std::string> tune(std::string_view command);
    // The reply to a 09 command, nullopt when the command is malformed.
    std::optional<std::string> setPid(std::string_view command);

    // The transponder the last tune found a carrier on, or null.
    const Transponder* tuned() const { return tuned_; }
    uint16_t pid(int channel) const { return pids_[size_t(channel)]; }
    // Starts tuned (sections fed from a file answer on every transponder).
    void tuneTo(const Transponder* transponder) { tuned_ = transponder; }

private:
    const Transponder* find(uint32_t intermediateKHz, bool highBand, char polarisation, uint32_t symbolRate) const;

    const Satellite& satellite_;
    const Transponder* tuned_ = nullptr;
    std::array<uint16_t, 5> pids_ = {kPidOff, kPidOff, kPidOff, kPidOff, kPidOff};
};

}  // namespace sim
