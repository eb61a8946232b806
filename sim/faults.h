#pragma once
// Faults that tests ask the simulated decoder to show on the line: lost,
// damaged or extra replies, a monitor that stops answering, a vanishing
// device, failing memory reads and a flash that no longer erases.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace sim {

struct FaultSettings {
    // Every Nth reply (0 = never), counting replies from 1.
    int drop = 0;
    int garble = 0;
    int cut = 0;
    int noCr = 0;
    int lineFeed = 0;
    int noise = 0;
    // After N commands (0 = never).
    int mute = 0;
    int hangup = 0;
    int exit = 0;  // the simulator ends, as a program that died would
    struct ReadFail {
        uint32_t address;
        int count;
    };
    std::vector<ReadFail> readFails;
    bool eraseFail = false;
};

// Adds one --fault argument ("drop=3", "garble=2,lf=5", "readfail=7FE00000:2",
// "erasefail") to settings; returns an error text when it cannot be read.
std::optional<std::string> addFaults(std::string_view faultList, FaultSettings& settings);

// What goes on the line for one reply after the faults are applied.
struct ShapedReply {
    bool sent = true;
    std::string bytes;       // exact characters sent, terminator included
    bool junkAfter = false;  // junk characters follow some 20 ms later
};

inline constexpr std::string_view kJunkCharacters = "~%~";

class FaultInjector {
public:
    explicit FaultInjector(FaultSettings settings) : settings_(std::move(settings)) {}

    // commandNumber counts every command received, from 1.
    bool isMuted(int commandNumber) const { return settings_.mute > 0 && commandNumber > settings_.mute; }
    bool hangsUpAfter(int commandNumber) const { return settings_.hangup > 0 && commandNumber == settings_.hangup; }
    bool exitsAfter(int commandNumber) const { return settings_.exit > 0 && commandNumber == settings_.exit; }
    // True when a memory read of [address, address+length) must go unanswered;
    // each such read uses up one of the configured failures.
    bool swallowsRead(uint32_t address, uint32_t length);
    // Counts the reply and applies the per-reply faults to it; terminator
    // is the character that ends it on the line (left out by nocr).
    ShapedReply shape(const std::string& reply, char terminator = '\r');

    int repliesCounted() const { return replies_; }

private:
    static bool every(int n, int count) { return n > 0 && count % n == 0; }
    FaultSettings settings_;
    int replies_ = 0;
};

// Line characters as the trace shows them: a final CR is left out, other
// control characters appear as <CR>, <LF> or <xx>; a text without any CR
// is marked " [no CR]".
std::string describeSent(const std::string& bytes);
std::string printable(std::string_view text);

}  // namespace sim
