#pragma once
// The decoder's video memory: two frame buffers, each a luminance and a
// chrominance buffer holding a 720 x 576 test picture, and the display
// register whose bit 0 is set while the display runs (clear: frozen).
//
// Pictures are made of 16 x 16 macroblocks, 45 across, 36 down, taken in
// bands of two macroblock rows.
// - Luminance: the bands' macroblock columns one after the other; each pair
//   of columns is 1024 bytes, line by line over the band's 32 lines, 16
//   bytes of the first column, then 16 of the second.
// - Chrominance: one factor pair per 2 x 2 pixels, blue U and red V, such
//   that red = V * Y / 128, blue = U * Y / 128, green = 3Y - red - blue. The
//   bands' columns are taken four at a time; such a run gives eight
//   macroblocks, its upper row then its lower row, two to a 256-byte page.
//   Sample row i of the page's first macroblock takes bytes 32i to 32i + 15,
//   of its second bytes 32i + 16 to 32i + 31: U of samples 0-3, V of 0-3,
//   U of 4-7, V of 4-7.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace sim {

struct RgbPicture {
    int width = 0;
    int height = 0;
    std::vector<uint8_t> rgb;  // 3 bytes a pixel, rows from the top
};

class VideoMemory {
public:
    static constexpr int kWidth = 720;
    static constexpr int kHeight = 576;
    static constexpr uint32_t kDisplayRegister = 0x20032008;
    static constexpr int kBuffers = 2;
    static constexpr uint32_t kLumaBase[kBuffers] = {0xFFC71400, 0xFFD09400};
    static constexpr uint32_t kChromaBase[kBuffers] = {0xFFCD6800, 0xFFD6E800};

    // The frame buffers, encoded once.
    static const VideoMemory& instance();

    // The byte the decoder's video memory holds at address, when it is one of its own.
    std::optional<uint8_t> byteAt(uint32_t address) const;
    // The picture buffer (0 or 1) holds, as its colours were meant.
    const RgbPicture& picture(int buffer) const { return pictures_[buffer]; }

private:
    VideoMemory();
    RgbPicture pictures_[kBuffers];
    std::vector<uint8_t> luma_[kBuffers];
    std::vector<uint8_t> chroma_[kBuffers];
};

// The test picture of buffer 0 or 1: eight colour bars with a disc and a
// square over them, and below them a grey ramp with a white ball that sits
// further right in the odd lines than in the even ones; buffer 1 shows the
// disc and the ball moved on.
RgbPicture testPicture(int buffer);
// Its two fields one above the other: the even lines, then the odd lines.
RgbPicture stackedFields(const RgbPicture& picture);
std::vector<uint8_t> encodeLuminance(const RgbPicture& picture);
std::vector<uint8_t> encodeChrominance(const RgbPicture& picture);

// Writes picture as a binary PPM file.
bool writePpm(const std::string& path, const RgbPicture& picture, std::string& error);
// Writes buffer1.ppm, buffer2.ppm, fields1.ppm and fields2.ppm into dir.
bool writeReferencePictures(const std::string& dir, std::string& error);

}  // namespace sim
