#include "faults.h"

#include "hex_text.h"

#include <charconv>

namespace sim {

namespace {

std::optional<int> parseCount(std::string_view text)
{
    int value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc() || end != text.data() + text.size() || value < 1)
        return std::nullopt;
    return value;
}

std::optional<std::string> addOne(std::string_view item, FaultSettings& s)
{
    if (item == "erasefail") {
        s.eraseFail = true;
        return std::nullopt;
    }
    const auto eq = item.find('=');
    if (eq == std::string_view::npos)
        return "fault needs a value: " + std::string(item);
    const std::string_view name = item.substr(0, eq);
    const std::string_view value = item.substr(eq + 1);
    if (name == "readfail") {
        const auto colon = value.find(':');
        const auto address = colon == std::string_view::npos ? std::nullopt : parseHex(value.substr(0, colon));
        const auto count = colon == std::string_view::npos ? std::nullopt : parseCount(value.substr(colon + 1));
        if (!address || !count)
            return "readfail wants ADDR:COUNT with an upper-case hex address: " + std::string(value);
        s.readFails.push_back({*address, *count});
        return std::nullopt;
    }
    const auto n = parseCount(value);
    if (!n)
        return "fault count must be a positive number: " + std::string(item);
    struct Named {
        std::string_view name;
        int FaultSettings::*field;
    };
    static const Named kCounts[] = {
        {"drop", &FaultSettings::drop},     {"garble", &FaultSettings::garble}, {"mute", &FaultSettings::mute},
        {"hangup", &FaultSettings::hangup}, {"exit", &FaultSettings::exit},     {"cut", &FaultSettings::cut},
        {"nocr", &FaultSettings::noCr},     {"lf", &FaultSettings::lineFeed},   {"noise", &FaultSettings::noise}};
    for (const auto& entry : kCounts) {
        if (entry.name == name) {
            s.*entry.field = *n;
            return std::nullopt;
        }
    }
    return "unknown fault: " + std::string(name);
}

char garbled(char c)
{
    if (isHexDigit(c)) {
        const uint32_t v = *parseHex(std::string_view(&c, 1));
        return toHex(v ^ 1, 1)[0];
    }
    return static_cast<char>(c ^ 1);
}

}  // namespace

std::optional<std::string> addFaults(std::string_view faultList, FaultSettings& settings)
{
    while (!faultList.empty()) {
        const auto comma = faultList.find(',');
        const std::string_view item = faultList.substr(0, comma);
        if (!item.empty())
            if (auto error = addOne(item, settings))
                return error;
        if (comma == std::string_view::npos)
            break;
        faultList.remove_prefix(comma + 1);
    }
    return std::nullopt;
}

bool FaultInjector::swallowsRead(uint32_t address, uint32_t length)
{
    for (auto& fail : settings_.readFails) {
        const uint32_t distance = fail.address - address;  // wraps like the address space
        if (fail.count > 0 && distance < length) {
            --fail.count;
            return true;
        }
    }
    return false;
}

ShapedReply FaultInjector::shape(const std::string& reply, char terminator)
{
    const int n = ++replies_;
    ShapedReply out;
    out.junkAfter = every(settings_.noise, n);
    if (every(settings_.drop, n)) {
        out.sent = false;
        return out;
    }
    std::string text = reply;
    if (every(settings_.garble, n) && !text.empty())
        text.back() = garbled(text.back());
    if (every(settings_.cut, n))
        text = text.substr(0, text.size() / 2);
    out.bytes = text;
    if (!every(settings_.noCr, n))
        out.bytes += terminator;
    if (every(settings_.lineFeed, n))
        out.bytes += '\n';
    return out;
}

std::string printable(std::string_view text)
{
    std::string out;
    for (char c : text) {
        if (c == '\r')
            out += "<CR>";
        else if (c == '\n')
            out += "<LF>";
        else if (static_cast<unsigned char>(c) < 0x20 || static_cast<unsigned char>(c) >= 0x7F)
            out += "<" + toHex(static_cast<unsigned char>(c), 2) + ">";
        else
            out += c;
    }
    return out;
}

std::string describeSent(const std::string& bytes)
{
    if (!bytes.empty() && bytes.back() == '\r')
        return printable(std::string_view(bytes).substr(0, bytes.size() - 1));
    std::string out = printable(bytes);
    if (bytes.find('\r') == std::string::npos)
        out += " [no CR]";
    return out;
}

}  // namespace sim
