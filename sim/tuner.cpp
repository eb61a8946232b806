#include "tuner.h"

#include "hex_text.h"

#include <cstdlib>

namespace sim {

namespace {

std::optional<uint32_t> decimal(std::string_view text)
{
    if (text.empty() || text.size() > 9)
        return std::nullopt;
    uint32_t v = 0;
    for (char c : text) {
        if (c < '0' || c > '9')
            return std::nullopt;
        v = v * 10 + uint32_t(c - '0');
    }
    return v;
}

}  // namespace

std::optional<std::string> Tuner::tune(std::string_view cmd)
{
    if (cmd.size() < 3 || (cmd[2] != '0' && cmd[2] != '1'))
        return std::nullopt;
    const bool megahertz = cmd[2] == '1';
    const size_t ifDigits = megahertz ? 4 : 7;
    // Code, IF, code rate, at least one symbol-rate digit, band, DiSEqC byte, "2".
    if (cmd.size() < 3 + ifDigits + 1 + 1 + 1 + 2 + 1 || cmd.back() != '2')
        return std::nullopt;
    const auto intermediate = decimal(cmd.substr(3, ifDigits));
    const char fec = cmd[3 + ifDigits];
    const std::string_view tail = cmd.substr(3 + ifDigits + 1);
    const auto symbolRate = decimal(tail.substr(0, tail.size() - 4));
    const char band = tail[tail.size() - 4];
    if (!intermediate || fec < '0' || fec > '5' || !symbolRate || band < '1' || band > '4'
        || !isHexText(tail.substr(tail.size() - 3, 2)))
        return std::nullopt;
    const uint32_t kHz = megahertz ? *intermediate * 1000 : *intermediate;
    const int bits = band - '1';
    tuned_ = find(kHz, bits & 2, (bits & 1) ? 'H' : 'V', *symbolRate);
    return std::string(cmd.substr(0, 3)) + (tuned_ ? "0" : "1");
}

const Transponder* Tuner::find(uint32_t intermediateKHz, bool highBand, char polarisation, uint32_t symbolRate) const
{
    for (const Transponder& tp : satellite_.transponders) {
        const long offset = long(tp.intermediateKHz()) - long(intermediateKHz);
        // The symbol rate field counts 100 sym/s; the demodulator locks within 1 %.
        const long rateError = long(symbolRate) - long(tp.symbolRate) * 10;
        if (tp.highBand() == highBand && tp.polarisation == polarisation && std::labs(offset) <= long(kCaptureRangeKHz)
            && std::labs(rateError) * 100 <= long(tp.symbolRate) * 10)
            return &tp;
    }
    return nullptr;
}

std::optional<SweepStep> Tuner::sweep(std::string_view cmd)
{
    if (cmd.size() == kSweepCommand.size() + 3 && cmd.substr(0, kSweepCommand.size()) == kSweepCommand
        && cmd[kSweepCommand.size()] >= '1' && cmd[kSweepCommand.size()] <= '4' && cmd.substr(cmd.size() - 2) == "00") {
        sweepDigit_ = cmd[kSweepCommand.size()] - '0';
        sweepFromKHz_ = 0;
    } else if (cmd != "072" || sweepDigit_ == 0) {
        return std::nullopt;
    }
    const int bits = sweepDigit_ - 1;
    const bool horizontal = (bits & 1) || (lnbByte_ & 0x08);
    const bool high = (bits & 2) || (lnbByte_ & 0x10);
    const Transponder* next = nullptr;
    for (const Transponder& tp : satellite_.transponders)
        if (tp.highBand() == high && (tp.polarisation == 'H') == horizontal && tp.intermediateKHz() > sweepFromKHz_
            && (!next || tp.intermediateKHz() < next->intermediateKHz()))
            next = &tp;
    if (!next) {
        sweepDigit_ = 0;
        return SweepStep{"072000000", "", 0};
    }
    sweepFromKHz_ = next->intermediateKHz();
    // Result: "072", the IF in kHz as 6 hex digits, the symbol rate in 100 sym/s as 6 digits, the code rate, "0".
    std::string rate = std::to_string(next->symbolRate * 10);
    rate.insert(0, 6 - rate.size(), '0');
    return SweepStep{"072100000", "072" + toHex(next->intermediateKHz(), 6) + rate + char('0' + next->fecCode) + "0",
                     kSearchMs};
}

std::optional<std::string> Tuner::lnbControl(std::string_view cmd)
{
    if (cmd == "151")
        return "151" + toHex(lnbByte_, 2);
    if (cmd.size() == 5 && cmd.substr(0, 3) == "150" && isHexText(cmd.substr(3))) {
        lnbByte_ = static_cast<uint8_t>(*parseHex(cmd.substr(3)));
        return "150";
    }
    return std::nullopt;
}

std::optional<std::string> Tuner::setPid(std::string_view cmd)
{
    if (cmd.size() != 7 || cmd[2] < '0' || cmd[2] > '4' || !isHexText(cmd.substr(3)))
        return std::nullopt;
    pids_[size_t(cmd[2] - '0')] = static_cast<uint16_t>(*parseHex(cmd.substr(3)));
    return std::string(cmd.substr(0, 3));
}

}  // namespace sim
