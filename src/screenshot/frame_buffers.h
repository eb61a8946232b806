#pragma once
// The decoder's picture buffers and how a picture is rebuilt from them.
//
// Luminance: groups of 1024 bytes (four pages), each holding two macroblock
// columns side by side over 32 lines; byte b * 32 + a * 16 + c is line b,
// pixel c of column a. Groups follow one another across the picture, two
// macroblock rows at a time, a column pair running over into the next band.
//
// Chrominance: pages of two macroblocks (halves); a macroblock has 8 x 8
// samples of 2 x 2 pixels, and sample (i, j) of half h has its blue factor
// at i * 32 + h * 16 + (j / 4) * 8 + j % 4 and its red factor 4 bytes on.
// Eight macroblocks in a row cover four columns by two rows.
//
// The colour of a pixel of luminance Y: red V * Y / 128, blue U * Y / 128,
// green what is left of 3Y.
#include "screenshot/picture.h"

#include <QString>
#include <algorithm>
#include <array>
#include <span>

constexpr int kMacroblockPixels = 16;
constexpr int kLumaGroupBytes = 1024;
constexpr int kChromaPageBytes = 256;
constexpr int kMinWidthBlocks = 2, kMaxWidthBlocks = 45;
constexpr int kMinHeightBlocks = 2, kMaxHeightBlocks = 36;

// Draws luminance groups as grey levels, one after the other. Widths below
// 2 macroblocks count as 2, so every walk ends.
class LumaWalk {
public:
    LumaWalk(int widthBlocks, int heightBlocks) : width_(std::max(widthBlocks, kMinWidthBlocks)), height_(heightBlocks)
    {}
    bool done() const { return row_ >= height_; }
    void draw(Picture &picture, std::span<const quint8, kLumaGroupBytes> group);

private:
    int width_, height_;
    int col_ = 0, row_ = 0;   // macroblocks
};

// Tints the grey picture one macroblock at a time; a new chrominance page is
// wanted every other macroblock.
class ChromaWalk {
public:
    ChromaWalk(int widthBlocks, int heightBlocks)
        : width_(std::max(widthBlocks, kMinWidthBlocks)), height_(heightBlocks)
    {}
    // The last block of eight is finished even once it has left the picture.
    bool done() const { return row_ >= height_ && phase_ == 0; }
    bool wantsPage() const { return half_ == 0; }
    void draw(Picture &picture, std::span<const quint8, kChromaPageBytes> page);

private:
    void advance();
    int width_, height_;
    int col_ = 0, row_ = 0, phase_ = 0, half_ = 0;
};

// Colour of a pixel of luminance y from its blue and red factors.
Rgb TintedColour(int y, int blueFactor, int redFactor);

// Rebuilds a picture of widthBlocks x heightBlocks macroblocks from whole
// buffers; missing bytes read as 0.
Picture RebuildPicture(std::span<const quint8> luma, std::span<const quint8> chroma, int widthBlocks, int heightBlocks);

// Moves the even rows into the upper half and the odd rows into the lower
// half, each in order; applied twice it permutes again.
void Delace(Picture &picture);

// A typed picture size: the number of macroblocks and the text the box shows for it.
struct BlockCount {
    int blocks;
    QString text;
};
// Width: rounded value / 16, kept within 2..45. Height: rounded value / 16,
// at least 2, made even, at most 36.
BlockCount CorrectWidth(const QString &typed);
BlockCount CorrectHeight(const QString &typed);
// A buffer box: upper case, padded to six digits with leading zeros; longer texts stay.
QString NormaliseBufferBox(const QString &text);
// The leading number of a text, as a typed value is read: blanks skipped,
// an optional sign, digits and a fraction; 0 when there is none.
double LeadingNumber(const QString &text);
