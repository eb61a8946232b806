#include "decoder.h"

#include "data_image.h"
#include "firmware_image.h"
#include "hex_text.h"
#include "video_memory.h"

namespace sim {

namespace {

constexpr uint32_t kEepromAddressMask = 0x7FF;

std::string syntaxError(std::string_view family) { return std::string(family) + "E"; }

// "0201" + count form: the count must be whole accesses of the size given.
std::optional<uint32_t> accessWidth(char sizeDigit)
{
    switch (sizeDigit) {
    case '0': return 1;
    case '1': return 2;
    case '2': return 4;
    default: return std::nullopt;
    }
}

std::optional<std::vector<uint8_t>> parseBytes(std::string_view digits)
{
    if (digits.size() % 2 != 0 || !isHexText(digits))
        return std::nullopt;
    std::vector<uint8_t> bytes;
    for (size_t i = 0; i < digits.size(); i += 2)
        bytes.push_back(static_cast<uint8_t>(*parseHex(digits.substr(i, 2))));
    return bytes;
}

// The default flash content in bus order; built once, as the firmware takes a while to assemble.
const std::vector<uint8_t>& defaultFlashImage()
{
    static const std::vector<uint8_t> image = [] {
        std::vector<uint8_t> bus = buildDataImage(defaultDataLayout());
        const auto firmware = buildFirmwareImage();
        bus.resize(kFirmwareBase - FlashBank::kBase, 0xFF);
        bus.insert(bus.end(), firmware.begin(), firmware.end());
        return bus;
    }();
    return image;
}

// RAM as it comes up: the video memory's own content where it lies, the
// address pattern elsewhere.
uint8_t initialRamByte(uint32_t address)
{
    if (const auto video = VideoMemory::instance().byteAt(address))
        return *video;
    return SparseMemory::patternByte(address);
}

bool startsWith(std::string_view text, std::string_view prefix) { return text.substr(0, prefix.size()) == prefix; }

}  // namespace

const std::vector<SpeedSetting>& speedTable()
{
    static const std::vector<SpeedSetting> table = {
        {9600, 0x0145}, {19200, 0x00A3}, {38400, 0x0051}, {57600, 0x0036}, {115200, 0x001B}};
    return table;
}

bool isSupportedBaud(int baud)
{
    for (const auto& s : speedTable())
        if (s.baud == baud)
            return true;
    return false;
}

uint8_t Decoder::defaultEepromByte(uint32_t address)
{
    return static_cast<uint8_t>(address * 7 + (address >> 8) * 13 + 0x21);
}

uint8_t Decoder::defaultDemodRegister(uint32_t reg) { return static_cast<uint8_t>(reg * 0x9D + 0x3B); }

Decoder::Decoder(const DecoderConfig& config) : config_(config), memory_(&initialRamByte), flash_(config.flashDevice)
{
    for (uint32_t a = 0; a < kEepromSize; ++a)
        eeprom_[a] = defaultEepromByte(a);
    for (uint32_t r = 0; r < 256; ++r)
        demod_[r] = defaultDemodRegister(r);
    audio_[0] = 0x05;  // attenuation 0 dB, matrix 5
    audio_[1] = 0x80;
    audio_[2] = 0x1F;
    audio_[3] = 0x40;
    flash_.loadImage(defaultFlashImage());
    for (int block : config.protectedBlocks)
        flash_.protectBlock(block);
    flash_.setEraseDisabled(config.eraseFails);
    applyStuckBits();
    if (!config.fedSections.empty())
        tuner_.tuneTo(&defaultSatellite().transponders.front());
}

void Decoder::applyStuckBits()
{
    for (const auto& [address, bit] : config_.stuckBits)
        if (FlashBank::contains(address))
            flash_.addStuckBit(address - FlashBank::kBase, bit);
}

uint8_t Decoder::readByte(uint32_t address) const
{
    if (FlashBank::contains(address))
        return flash_.readByte(address - FlashBank::kBase);
    return memory_.read(address);
}

void Decoder::writeBytes(uint32_t address, const std::vector<uint8_t>& bytes)
{
    // Flash bytes are gathered per 32-bit bus word: one write cycle per word.
    uint32_t word = 0;
    uint32_t value = 0;
    unsigned lanes = 0;
    auto flush = [&] {
        if (lanes)
            flash_.writeWord(word - FlashBank::kBase, value, lanes);
        lanes = 0;
        value = 0;
    };
    for (size_t i = 0; i < bytes.size(); ++i) {
        const uint32_t a = address + static_cast<uint32_t>(i);
        if (!FlashBank::contains(a)) {
            flush();
            memory_.write(a, bytes[i]);
            continue;
        }
        if (lanes && (a & ~3u) != word)
            flush();
        word = a & ~3u;
        value |= static_cast<uint32_t>(bytes[i]) << (8 * (a & 3));
        lanes |= 1u << (a & 3);
    }
    flush();
}

Reply Decoder::sweepCommand(std::string_view cmd)
{
    const std::optional<SweepStep> step = tuner_.sweep(cmd);
    if (!step)
        return {syntaxError("07")};
    Reply reply{step->status};
    reply.laterLine = step->result;
    reply.laterMs = step->resultDelayMs;
    return reply;
}

Reply Decoder::execute(std::string_view cmd)
{
    // The monitor's verbs by their leading digits; the first row that
    // matches answers, so a longer prefix stands before a shorter one.
    struct Verb {
        std::string_view text;
        bool whole;  // the command is exactly text, not only begins with it
        Reply (*handle)(Decoder&, std::string_view);
    };
    static const Verb kVerbs[] = {
        {"02", false, [](Decoder& d, std::string_view c) { return d.memoryCommand(c); }},
        {"06", false, [](Decoder& d, std::string_view c) { return d.eepromCommand(c); }},
        {"072", false, [](Decoder& d, std::string_view c) { return d.sweepCommand(c); }},
        {"07", false,
         [](Decoder& d, std::string_view c) { return Reply{d.tuner_.tune(c).value_or(syntaxError("07"))}; }},
        {"15", false,
         [](Decoder& d, std::string_view c) { return Reply{d.tuner_.lnbControl(c).value_or(syntaxError("15"))}; }},
        {"09", false,
         [](Decoder& d, std::string_view c) { return Reply{d.tuner_.setPid(c).value_or(syntaxError("09"))}; }},
        {"25", false, [](Decoder& d, std::string_view c) { return d.demodCommand(c); }},
        {"27", false, [](Decoder& d, std::string_view c) { return d.i2cCommand(c); }},
        {"28", false, [](Decoder& d, std::string_view c) { return d.eraseCommand(c); }},
        {"31", false, [](Decoder& d, std::string_view c) { return d.siCommand(c); }},
        {"TRABUNE", true,
         [](Decoder& d, std::string_view) {
             d.serviceMode_ = true;
             return Reply{"OK"};
         }},
        {"100", true,
         [](Decoder& d, std::string_view) {
             d.serviceMode_ = false;
             return Reply{"100"};
         }},
        // A family of the monitor that takes no commands here.
        {"10", false, [](Decoder&, std::string_view) { return Reply{syntaxError("10")}; }},
    };
    for (const Verb& verb : kVerbs)
        if (verb.whole ? cmd == verb.text : startsWith(cmd, verb.text))
            return verb.handle(*this, cmd);
    return {"??E"};
}

Reply Decoder::memoryCommand(std::string_view cmd)
{
    const Reply error{syntaxError("02")};
    if (cmd.size() < 4 || (cmd[3] != '0' && cmd[3] != '1'))
        return error;
    const auto width = accessWidth(cmd[2]);
    if (!width)
        return error;
    const std::string_view rest = cmd.substr(4);
    if (cmd[3] == '1') {
        uint32_t count = *width;
        std::string_view addressText = rest;
        if (rest.size() == 10) {
            const auto c = parseHex(rest.substr(0, 2));
            if (!c || *c == 0 || *c > 0x80 || *c % *width != 0)
                return error;
            count = *c;
            addressText = rest.substr(2);
        }
        const auto address = addressText.size() == 8 ? parseHex(addressText) : std::nullopt;
        if (!address)
            return error;
        Reply reply{"021"};
        for (uint32_t at = 0; at < count; at += *width)
            for (uint32_t k = *width; k-- > 0;)
                reply.text += toHex(readByte(*address + at + k), 2);
        reply.memoryRead = std::make_pair(*address, count);
        return reply;
    }
    if (rest.size() != 8 + 2 * *width)
        return error;
    const auto address = parseHex(rest.substr(0, 8));
    const auto value = parseHex(rest.substr(8));
    if (!address || !value)
        return error;
    std::vector<uint8_t> bytes;
    for (uint32_t k = 0; k < *width; ++k)
        bytes.push_back(static_cast<uint8_t>(*value >> (8 * k)));
    writeBytes(*address, bytes);
    Reply reply{"020"};
    if (*width == 2 && *address == kSpeedRegister)
        for (const auto& s : speedTable())
            if (s.registerValue == *value)
                reply.newBaud = s.baud;
    return reply;
}

Reply Decoder::eepromCommand(std::string_view cmd)
{
    const Reply error{syntaxError("06")};
    if (cmd.size() < 9 || (cmd[2] != '0' && cmd[2] != '1'))
        return error;
    const auto address = parseHex(cmd.substr(3, 4));
    if (!address || *address > kEepromAddressMask)
        return error;
    if (cmd[2] == '1') {
        const auto count = cmd.size() == 9 ? parseHex(cmd.substr(7, 2)) : std::nullopt;
        if (!count || *count == 0 || *count > 0x80)
            return error;
        Reply reply{std::string(cmd.substr(0, 7))};
        for (uint32_t i = 0; i < *count; ++i)
            reply.text += toHex(eeprom_[(*address + i) & kEepromAddressMask], 2);
        return reply;
    }
    const auto bytes = parseBytes(cmd.substr(7));
    if (!bytes || bytes->empty() || bytes->size() > 0x80)
        return error;
    for (size_t i = 0; i < bytes->size(); ++i)
        eeprom_[(*address + i) & kEepromAddressMask] = (*bytes)[i];
    return {"060"};
}

Reply Decoder::demodCommand(std::string_view cmd)
{
    if (cmd.size() == 5 && cmd[2] == '1') {
        if (const auto reg = parseHex(cmd.substr(3, 2)))
            return {"251" + toHex(demod_[*reg], 2)};
    }
    if (cmd.size() == 7 && cmd[2] == '0') {
        const auto reg = parseHex(cmd.substr(3, 2));
        const auto value = parseHex(cmd.substr(5, 2));
        if (reg && value) {
            demod_[*reg] = static_cast<uint8_t>(*value);
            return {"250"};
        }
    }
    return {syntaxError("25")};
}

bool Decoder::i2cPresent(uint8_t device) const
{
    return device == kDemodDevice || device == kAudioDevice || (device >= 0xA0 && device <= 0xAE && device % 2 == 0);
}

uint8_t Decoder::i2cRead(uint8_t device, uint8_t reg) const
{
    if (device == kDemodDevice)
        return demod_[reg];
    if (device == kAudioDevice)
        return audio_[reg];
    return eeprom_[static_cast<size_t>((device - 0xA0) / 2 * 256 + reg)];
}

void Decoder::i2cWrite(uint8_t device, uint8_t reg, uint8_t value)
{
    if (device == kDemodDevice)
        demod_[reg] = value;
    else if (device == kAudioDevice)
        audio_[reg] = value;
    else
        eeprom_[static_cast<size_t>((device - 0xA0) / 2 * 256 + reg)] = value;
}

Reply Decoder::i2cCommand(std::string_view cmd)
{
    const Reply error{syntaxError("27")};
    const Reply absent{"27NAK"};
    if (cmd.size() < 9 || (cmd[2] != '0' && cmd[2] != '2'))
        return error;
    const auto device = parseHex(cmd.substr(3, 2));
    const auto reg = parseHex(cmd.substr(5, 2));
    if (!device || !reg)
        return error;
    if (cmd[2] == '2') {
        const auto count = cmd.size() == 9 ? parseHex(cmd.substr(7, 2)) : std::nullopt;
        if (!count || *count == 0 || *count > 0x80)
            return error;
        if (!i2cPresent(static_cast<uint8_t>(*device)))
            return absent;
        Reply reply{std::string(cmd)};
        for (uint32_t i = 0; i < *count; ++i)
            reply.text += toHex(i2cRead(static_cast<uint8_t>(*device), static_cast<uint8_t>(*reg + i)), 2);
        return reply;
    }
    const auto bytes = parseBytes(cmd.substr(7));
    if (!bytes || bytes->empty() || bytes->size() > 16)
        return error;
    if (!i2cPresent(static_cast<uint8_t>(*device)))
        return absent;
    for (size_t i = 0; i < bytes->size(); ++i)
        i2cWrite(static_cast<uint8_t>(*device), static_cast<uint8_t>(*reg + i), (*bytes)[i]);
    return {std::string(cmd)};
}

Reply Decoder::eraseCommand(std::string_view cmd)
{
    if (cmd != "280")
        return {syntaxError("28")};
    flash_.eraseDataArea();
    Reply reply{"2800"};
    reply.delayMs = config_.eraseDelayMs;
    return reply;
}

Reply Decoder::siCommand(std::string_view cmd)
{
    if (cmd != "310")
        return {syntaxError("31")};
    const Transponder* tuned = tuner_.tuned();
    if (!tuned)
        return {"3101"};
    const std::string_view code = "310";
    const size_t budget = kMaxSiReplyLength - code.size() - 1;  // the final LF
    const std::vector<Section> sections =
        config_.fedSections.empty() ? transponderSections(defaultSatellite(), *tuned, budget) : config_.fedSections;
    Reply reply{std::string(code) + sectionLines(sections)};
    reply.terminator = '\n';
    return reply;
}

}  // namespace sim
