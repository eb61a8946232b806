#pragma once
// Command line of kestrel-sim.

#include "decoder.h"
#include "faults.h"

#include <optional>
#include <string>
#include <vector>

namespace sim {

struct SimOptions {
    std::string linkPath;     // --link PATH: symlink to the terminal side
    int startBaud = 9600;     // --speed BAUD
    bool pace = false;        // --pace: characters take their wire time
    int latencyMs = 0;        // --latency MS: delay before each reply
    std::string tracePath;    // --trace FILE
    std::string stateDir;     // --state DIR
    std::string picturesDir;  // --pictures DIR: the frame buffers' pictures as they were meant
    std::string siFile;       // --si-file FILE: sections every transponder answers
    DecoderConfig decoder;    // --flash-device, --protect, --stuck-bit, --erase-delay
    FaultSettings faults;     // --fault FAULTS (repeatable)
    bool help = false;
    bool version = false;
};

// Parses arguments (without the program name); on failure returns nullopt and sets error.
std::optional<SimOptions> parseSimOptions(const std::vector<std::string>& args, std::string& error);

std::string simUsage();
std::string simVersion();  // "kestrel-sim " and the build's version

}  // namespace sim
