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

std::optional<std::string> Tuner::setPid(std::string_view cmd)
{
    if (cmd.size() != 7 || cmd[2] < '0' || cmd[2] > '4' || !isHexText(cmd.substr(3)))
        return std::nullopt;
    pids_[size_t(cmd[2] - '0')] = static_cast<uint16_t>(*parseHex(cmd.substr(3)));
    return std::string(cmd.substr(0, 3));
}

}  // namespace sim
