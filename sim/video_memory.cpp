#include "video_memory.h"

#include <algorithm>
#include <cmath>
#include <fstream>

namespace sim {

namespace {

constexpr int kBlocksAcross = VideoMemory::kWidth / 16;
constexpr int kBandLines = 32;
constexpr uint8_t kNeutral = 128;  // a factor that keeps grey grey
constexpr int kBarsHeight = 384;

struct Colour {
    uint8_t r, g, b;
};

// Bars as bright as the format can tint them: no component above twice the
// average of the three, or its factor would pass 255.
constexpr Colour kBars[8] = {{192, 192, 192}, {192, 192, 64}, {64, 192, 192}, {64, 192, 64},
                             {192, 64, 192},  {192, 64, 64},  {64, 64, 192},  {16, 16, 16}};
constexpr Colour kDisc = {224, 128, 32};
constexpr Colour kSquare = {128, 48, 160};
constexpr uint8_t kBall = 235;

bool inDisc(int x, int y, int cx, int cy, int radius)
{
    return (x - cx) * (x - cx) + (y - cy) * (y - cy) <= radius * radius;
}

// Coloured areas are decided per 2 x 2 pixels, the size of a chrominance
// sample, so every sample covers one colour.
Colour barsAreaColour(int x, int y, int buffer)
{
    const int sx = x & ~1, sy = y & ~1;
    if (inDisc(sx, sy, 360 + 120 * buffer, 192, 100))
        return kDisc;
    if (sx >= 40 && sx < 140 && sy >= 240 && sy < 340)
        return kSquare;
    return kBars[sx / (VideoMemory::kWidth / 8)];
}

// Grey only, so each line may differ from the next: the ball of the odd
// field sits 80 pixels right of the even field's.
uint8_t rampAreaGrey(int x, int y, int buffer)
{
    const int field = y % 2;
    if (inDisc(x, y, 160 + 80 * field + 240 * buffer, 480, 48))
        return kBall;
    return static_cast<uint8_t>(16 + x * 219 / (VideoMemory::kWidth - 1));
}

const uint8_t* pixelAt(const RgbPicture& picture, int x, int y)
{
    return &picture.rgb[(static_cast<size_t>(y) * picture.width + x) * 3];
}

int luminance(const uint8_t* p) { return (p[0] + p[1] + p[2] + 1) / 3; }

size_t lumaOffset(int x, int y)
{
    const int slot = (y / kBandLines) * kBlocksAcross + x / 16;
    return static_cast<size_t>(slot / 2) * 1024 + static_cast<size_t>((y % kBandLines) * 32 + (slot % 2) * 16 + x % 16);
}

// Offset of the blue factor of the sample covering pixel (x, y); red is 4 further.
size_t chromaOffset(int x, int y)
{
    const int my = y / 16;
    const int slot = (my / 2) * kBlocksAcross + x / 16;
    const int macroblock = (slot / 4) * 8 + (my % 2) * 4 + slot % 4;
    const int i = (y % 16) / 2, j = (x % 16) / 2;
    return static_cast<size_t>(macroblock / 2) * 256
        + static_cast<size_t>(i * 32 + (macroblock % 2) * 16 + (j / 4) * 8 + j % 4);
}

uint8_t factor(int component, int luma)
{
    if (luma == 0)
        return kNeutral;
    return static_cast<uint8_t>(std::min(255L, std::lround(128.0 * component / luma)));
}

}  // namespace

RgbPicture testPicture(int buffer)
{
    RgbPicture p{VideoMemory::kWidth, VideoMemory::kHeight, {}};
    p.rgb.reserve(static_cast<size_t>(p.width) * p.height * 3);
    for (int y = 0; y < p.height; ++y) {
        for (int x = 0; x < p.width; ++x) {
            Colour c;
            if (y < kBarsHeight) {
                c = barsAreaColour(x, y, buffer);
            } else {
                const uint8_t v = rampAreaGrey(x, y, buffer);
                c = {v, v, v};
            }
            p.rgb.insert(p.rgb.end(), {c.r, c.g, c.b});
        }
    }
    return p;
}

RgbPicture stackedFields(const RgbPicture& picture)
{
    RgbPicture out{picture.width, picture.height, {}};
    const size_t rowBytes = static_cast<size_t>(picture.width) * 3;
    for (int field = 0; field < 2; ++field)
        for (int y = field; y < picture.height; y += 2)
            out.rgb.insert(out.rgb.end(), picture.rgb.begin() + static_cast<long>(y * rowBytes),
                           picture.rgb.begin() + static_cast<long>((y + 1) * rowBytes));
    return out;
}

std::vector<uint8_t> encodeLuminance(const RgbPicture& picture)
{
    std::vector<uint8_t> out(static_cast<size_t>(picture.width) * picture.height);
    for (int y = 0; y < picture.height; ++y)
        for (int x = 0; x < picture.width; ++x)
            out[lumaOffset(x, y)] = static_cast<uint8_t>(luminance(pixelAt(picture, x, y)));
    return out;
}

// Each factor is taken over the four pixels of its sample, so a grey sample
// gets exactly 128 whatever its lines hold.
std::vector<uint8_t> encodeChrominance(const RgbPicture& picture)
{
    const size_t macroblocks = static_cast<size_t>(picture.width / 16) * (picture.height / 16);
    std::vector<uint8_t> out((macroblocks + 2) / 2 * 256, kNeutral);  // a run's unused halves stay neutral
    for (int y = 0; y < picture.height; y += 2) {
        for (int x = 0; x < picture.width; x += 2) {
            int sumY = 0, sumR = 0, sumB = 0;
            for (int d = 0; d < 4; ++d) {
                const uint8_t* p = pixelAt(picture, x + d % 2, y + d / 2);
                sumY += luminance(p);
                sumR += p[0];
                sumB += p[2];
            }
            const size_t at = chromaOffset(x, y);
            out.resize(std::max(out.size(), at + 5), kNeutral);
            out[at] = factor(sumB, sumY);
            out[at + 4] = factor(sumR, sumY);
        }
    }
    return out;
}

VideoMemory::VideoMemory()
{
    for (int b = 0; b < kBuffers; ++b) {
        pictures_[b] = testPicture(b);
        luma_[b] = encodeLuminance(pictures_[b]);
        chroma_[b] = encodeChrominance(pictures_[b]);
    }
}

const VideoMemory& VideoMemory::instance()
{
    static const VideoMemory memory;
    return memory;
}

std::optional<uint8_t> VideoMemory::byteAt(uint32_t address) const
{
    if (address == kDisplayRegister)
        return 0x01;
    for (int b = 0; b < kBuffers; ++b) {
        if (address - kLumaBase[b] < luma_[b].size())
            return luma_[b][address - kLumaBase[b]];
        if (address - kChromaBase[b] < chroma_[b].size())
            return chroma_[b][address - kChromaBase[b]];
    }
    return std::nullopt;
}

bool writePpm(const std::string& path, const RgbPicture& picture, std::string& error)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << "P6\n" << picture.width << " " << picture.height << "\n255\n";
    out.write(reinterpret_cast<const char*>(picture.rgb.data()), static_cast<std::streamsize>(picture.rgb.size()));
    out.close();
    if (!out) {
        error = "cannot write " + path;
        return false;
    }
    return true;
}

bool writeReferencePictures(const std::string& dir, std::string& error)
{
    const VideoMemory& video = VideoMemory::instance();
    for (int b = 0; b < VideoMemory::kBuffers; ++b) {
        const std::string n = std::to_string(b + 1);
        if (!writePpm(dir + "/buffer" + n + ".ppm", video.picture(b), error)
            || !writePpm(dir + "/fields" + n + ".ppm", stackedFields(video.picture(b)), error))
            return false;
    }
    return true;
}

}  // namespace sim
