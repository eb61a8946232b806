#include "sim_options.h"

#include "hex_text.h"

#include <charconv>

namespace sim {

namespace {

std::optional<int> parseNumber(const std::string& text, int min, int max)
{
    int value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc() || end != text.data() + text.size() || value < min || value > max)
        return std::nullopt;
    return value;
}

std::string upper(std::string text)
{
    for (char& c : text)
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
    return text;
}

bool parseProtectList(const std::string& text, std::vector<int>& blocks)
{
    size_t pos = 0;
    while (pos <= text.size()) {
        const size_t comma = text.find(',', pos);
        const std::string item = text.substr(pos, comma == std::string::npos ? std::string::npos : comma - pos);
        const auto block = parseNumber(item, 0, 18);
        if (!block)
            return false;
        blocks.push_back(*block);
        if (comma == std::string::npos)
            break;
        pos = comma + 1;
    }
    return true;
}

bool parseStuckBit(const std::string& text, std::pair<uint32_t, int>& stuck)
{
    const size_t colon = text.find(':');
    if (colon == std::string::npos)
        return false;
    const auto address = parseHex(upper(text.substr(0, colon)));
    const auto bit = parseNumber(text.substr(colon + 1), 0, 7);
    if (!address || !bit || !FlashBank::contains(*address))
        return false;
    stuck = {*address, *bit};
    return true;
}

}  // namespace

std::string simUsage()
{
    return "usage: kestrel-sim [--link PATH] [--speed BAUD] [--pace] [--latency MS] [--trace FILE]\n"
           "                   [--state DIR] [--fault FAULTS]... [--flash-device EC|58|5B]\n"
           "                   [--protect LIST] [--stuck-bit ADDR:BIT] [--erase-delay MS] [--pictures DIR]\n"
           "                   [--si-file FILE]\n"
           "                   [--help] [--version]\n"
           "Prints the path of its terminal on the first line of standard output.\n"
           "--state DIR keeps EEPROM, flash and memory in DIR across runs; a folder that\n"
           "cannot be used stops the simulator before it serves (exit status 2).\n"
           "FAULTS: drop=N garble=N mute=N hangup=N exit=N cut=N nocr=N lf=N noise=N\n"
           "        readfail=ADDR:COUNT erasefail\n";
}

std::string simVersion() { return "kestrel-sim " KESTREL_VERSION "\n"; }

std::optional<SimOptions> parseSimOptions(const std::vector<std::string>& args, std::string& error)
{
    SimOptions o;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        auto value = [&](std::string& out) {
            if (i + 1 >= args.size()) {
                error = a + " needs a value";
                return false;
            }
            out = args[++i];
            return true;
        };
        std::string v;
        if (a == "--pace") {
            o.pace = true;
        } else if (a == "--help" || a == "-h") {
            o.help = true;
        } else if (a == "--version") {
            o.version = true;
        } else if (a == "--link") {
            if (!value(o.linkPath))
                return std::nullopt;
        } else if (a == "--trace") {
            if (!value(o.tracePath))
                return std::nullopt;
        } else if (a == "--state") {
            if (!value(o.stateDir))
                return std::nullopt;
        } else if (a == "--pictures") {
            if (!value(o.picturesDir))
                return std::nullopt;
        } else if (a == "--si-file") {
            if (!value(o.siFile))
                return std::nullopt;
        } else if (a == "--speed") {
            if (!value(v))
                return std::nullopt;
            const auto baud = parseNumber(v, 1, 1000000);
            if (!baud || !isSupportedBaud(*baud)) {
                error = "--speed must be one of 9600, 19200, 38400, 57600, 115200";
                return std::nullopt;
            }
            o.startBaud = *baud;
        } else if (a == "--latency" || a == "--erase-delay") {
            if (!value(v))
                return std::nullopt;
            const auto ms = parseNumber(v, 0, 600000);
            if (!ms) {
                error = a + " wants milliseconds";
                return std::nullopt;
            }
            (a == "--latency" ? o.latencyMs : o.decoder.eraseDelayMs) = *ms;
        } else if (a == "--fault") {
            if (!value(v))
                return std::nullopt;
            if (auto e = addFaults(v, o.faults)) {
                error = *e;
                return std::nullopt;
            }
        } else if (a == "--flash-device") {
            if (!value(v))
                return std::nullopt;
            const auto code = v.size() == 2 ? parseHex(upper(v)) : std::nullopt;
            if (!code) {
                error = "--flash-device wants a 2-digit hex device code (EC top boot, 58 bottom boot)";
                return std::nullopt;
            }
            o.decoder.flashDevice = static_cast<uint8_t>(*code);
        } else if (a == "--protect") {
            if (!value(v))
                return std::nullopt;
            if (!parseProtectList(v, o.decoder.protectedBlocks)) {
                error = "--protect wants block indexes 0..18 separated by commas";
                return std::nullopt;
            }
        } else if (a == "--stuck-bit") {
            if (!value(v))
                return std::nullopt;
            std::pair<uint32_t, int> stuck;
            if (!parseStuckBit(v, stuck)) {
                error = "--stuck-bit wants ADDR:BIT with a flash address (7FE00000-7FFFFFFF) and a bit 0..7";
                return std::nullopt;
            }
            o.decoder.stuckBits.push_back(stuck);
        } else {
            error = "unknown option " + a;
            return std::nullopt;
        }
    }
    o.decoder.eraseFails = o.faults.eraseFail;
    return o;
}

}  // namespace sim
