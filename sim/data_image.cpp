#include "data_image.h"

#include "satellite.h"

#include <algorithm>

namespace sim {

namespace {

void put16(std::vector<uint8_t>& out, size_t at, uint32_t value)
{
    out[at] = static_cast<uint8_t>(value);
    out[at + 1] = static_cast<uint8_t>(value >> 8);
}

void putBig16(std::vector<uint8_t>& out, size_t at, uint32_t value)
{
    out[at] = static_cast<uint8_t>(value >> 8);
    out[at + 1] = static_cast<uint8_t>(value);
}

void putText(std::vector<uint8_t>& out, size_t at, const std::string& text, size_t width, uint8_t pad)
{
    for (size_t i = 0; i < width; ++i)
        out[at + i] = i < text.size() ? static_cast<uint8_t>(text[i]) : pad;
}

std::vector<uint8_t> filler(size_t length, uint32_t seed)
{
    std::vector<uint8_t> out(length);
    uint32_t x = seed * 2654435761u + 1;
    for (auto& b : out) {
        x = x * 1103515245u + 12345u;
        b = static_cast<uint8_t>(x >> 16);
    }
    return out;
}

std::vector<uint8_t> textFile(const std::string& text) { return {text.begin(), text.end()}; }

// Channel table: one 30-byte big-endian record per service of the default
// satellite, in transponder order, then blank records up to 999.
std::vector<uint8_t> channelTable()
{
    std::vector<uint8_t> out(999 * 30, 0);
    for (size_t r = 0; r < out.size(); r += 30) {
        out[r + 17] = 0xFF;
        std::fill(out.begin() + static_cast<long>(r + 20), out.begin() + static_cast<long>(r + 30), 0xFF);
    }
    const auto pidOrNone = [](uint16_t pid) { return pid != 0 ? pid : 0xFFFFu; };
    const auto& transponders = defaultSatellite().transponders;
    size_t r = 0;
    for (size_t t = 0; t < transponders.size(); ++t) {
        for (const Service& s : transponders[t].services) {
            if (r == out.size())
                return out;
            putText(out, r, s.name, 16, 0);  // cut to 16, zero padded
            out[r + 16] = 4;
            out[r + 17] = static_cast<uint8_t>(t + 1);
            putBig16(out, r + 18, s.sid);
            putBig16(out, r + 20, pidOrNone(s.videoPid));
            putBig16(out, r + 22, pidOrNone(s.audioPid));
            putBig16(out, r + 24, s.scrambled ? s.ecmPid : 0xFFFFu);
            putBig16(out, r + 26, s.scrambled ? s.ecmPid : 0xFFFFu);
            putBig16(out, r + 28, s.pcrPid);
            r += 30;
        }
    }
    return out;
}

// Transponder table: 170 records of 12 big-endian bytes, the default
// satellite's transponders first, zero after them.
std::vector<uint8_t> transponderTable()
{
    std::vector<uint8_t> out(170 * 12, 0);
    const auto& transponders = defaultSatellite().transponders;
    for (size_t i = 0; i < transponders.size() && i < 170; ++i) {
        const Transponder& tp = transponders[i];
        const size_t r = i * 12;
        const uint32_t hz = tp.intermediateKHz() * 1000;
        putBig16(out, r, hz >> 16);
        putBig16(out, r + 2, hz);
        putBig16(out, r + 4, tp.tsid);
        putBig16(out, r + 6, tp.onid);
        out[r + 8] = static_cast<uint8_t>(std::min<size_t>(tp.services.size(), 254));
        out[r + 9] = tp.symbolRate == 27500 ? 0 : tp.symbolRate == 22000 ? 2 : 1;
        out[r + 10] = tp.fecCode;
        out[r + 11] = tp.lnbCode();
    }
    return out;
}

}  // namespace

std::vector<DataBlockLayout> defaultDataLayout()
{
    std::vector<DataBlockLayout> blocks(8);
    blocks[0].modules = {
        {"LOADER",
         0x0020,
         {{"BOOT.CFG", textFile("SPEED=9600\r\nMODE=RUN\r\nLNB=UNIVERSAL\r\n")}, {"VERSION", textFile("V2.31 1999")}}},
        {"CHANNELS", 0x0100, {{"TPT", transponderTable()}, {"TCS", channelTable()}}},
    };
    blocks[1].modules = {
        {"MENU", 0x0020, {{"MAINMENU.BIN", filler(0x1800, 1)}, {"HELP.TXT", textFile("Press MENU to start.")}}},
        {"FONTS", 0x2000, {{"FONT8X16", filler(0x1000, 2)}, {"FONT12X24", filler(0x2403, 3)}}},
    };
    blocks[1].emptySlotValue = 0x0000;
    blocks[2].modules = {
        {"EPG", 0x0020, {}},
        {"LOGOS", 0x0040, {{"LOGO1.BMP", filler(0x0A21, 4)}}},
    };
    blocks[4].modules = {
        {"SETTINGS",
         0x0020,
         {{"USER.CFG", filler(0x0101, 5)}, {"PARENTAL", filler(0x0010, 6)}, {"AUDIO", filler(3, 7)}}},
    };
    return blocks;
}

std::vector<uint8_t> encodeModule(const DataModuleLayout& module)
{
    const size_t header = 16 + 20 * module.files.size();
    size_t size = header;
    for (const auto& f : module.files)
        size += f.content.size();
    std::vector<uint8_t> out(size, 0);
    putText(out, 0, module.name, 8, ' ');
    put16(out, 8, 0x0100);  // format version
    put16(out, 10, static_cast<uint32_t>(size - 10));
    out[12] = static_cast<uint8_t>(module.files.size());
    size_t dataAt = header;
    for (size_t k = 0; k < module.files.size(); ++k) {
        const auto& f = module.files[k];
        const size_t entry = 16 + 20 * k;
        putText(out, entry, f.name, 12, 0);
        put16(out, entry + 12, static_cast<uint32_t>(dataAt - 12));
        put16(out, entry + 16, static_cast<uint32_t>(f.content.size()));
        std::copy(f.content.begin(), f.content.end(), out.begin() + static_cast<long>(dataAt));
        dataAt += f.content.size();
    }
    return out;
}

std::vector<uint8_t> buildDataImage(const std::vector<DataBlockLayout>& layout)
{
    std::vector<uint8_t> image(kDataAreaSize, 0xFF);
    for (size_t b = 0; b < layout.size() && b < kDataAreaSize / kImageBlockSize; ++b) {
        const size_t start = b * kImageBlockSize;
        const auto& block = layout[b];
        for (size_t slot = 0; slot < 16; ++slot)
            put16(image, start + 2 * slot,
                  slot < block.modules.size() ? block.modules[slot].pointer : block.emptySlotValue);
        for (const auto& module : block.modules) {
            const auto bytes = encodeModule(module);
            std::copy(bytes.begin(), bytes.end(), image.begin() + static_cast<long>(start + module.pointer));
        }
    }
    return image;
}

}  // namespace sim
