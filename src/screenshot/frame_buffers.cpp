#include "screenshot/frame_buffers.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr int kGroupLines = 2 * kMacroblockPixels;   // a luminance group spans two macroblock rows

}   // namespace

void LumaWalk::draw(Picture &picture, std::span<const quint8, kLumaGroupBytes> group)
{
    for (int a = 0; a < 2; ++a) {
        const int x0 = col_ * kMacroblockPixels;
        const int pixels = std::clamp(picture.width() - x0, 0, kMacroblockPixels);
        for (int b = 0; b < kGroupLines; ++b) {
            quint8 *line = picture.scanLine(row_ * kMacroblockPixels + b);
            if (!line)
                continue;
            const quint8 *from = group.data() + b * 32 + a * 16;
            for (int c = 0; c < pixels; ++c)
                std::fill_n(line + 3 * (x0 + c), 3, from[c]);
        }
        if (++col_ == width_) {
            col_ = 0;
            row_ += 2;
        }
    }
}

Rgb TintedColour(int y, int blueFactor, int redFactor)
{
    const int r = std::min(redFactor * y / 128, 255);
    const int b = std::min(blueFactor * y / 128, 255);
    const int g = std::clamp(3 * y - r - b, 0, 255);
    return {quint8(r), quint8(g), quint8(b)};
}

void ChromaWalk::draw(Picture &picture, std::span<const quint8, kChromaPageBytes> page)
{
    const int x0 = col_ * kMacroblockPixels;
    const int pixels = std::clamp(picture.width() - x0, 0, kMacroblockPixels);   // the walk keeps col >= 0
    for (int line = 0; line < kMacroblockPixels; ++line) {
        quint8 *row = picture.scanLine(row_ * kMacroblockPixels + line);
        if (!row)
            continue;
        // The factors of sample row line / 2 of this half page.
        const quint8 *samples = page.data() + (line / 2) * 32 + half_ * 16;
        for (int x = 0; x < pixels; ++x) {
            const int j = x / 2;
            const quint8 *blue = samples + (j / 4) * 8 + j % 4;
            quint8 *p = row + 3 * (x0 + x);
            const Rgb c = TintedColour(p[0], blue[0], blue[4]);
            p[0] = c.r;
            p[1] = c.g;
            p[2] = c.b;
        }
    }
    advance();
}

// Four macroblocks along the upper row, back three and down one, four along
// the lower row, then up to the next block; bands wrap as the columns run out.
void ChromaWalk::advance()
{
    if (phase_ == 3) {
        col_ -= 3;
        row_ += 1;
    } else if (phase_ == 7) {
        col_ += 1;
        row_ -= 1;
    } else {
        col_ += 1;
    }
    phase_ = (phase_ + 1) % 8;
    half_ = 1 - half_;
    if (col_ == width_) {
        col_ = 0;
        row_ += 2;
    }
    if (col_ < 0) {
        col_ += width_;
        row_ -= 2;
    }
}

Picture RebuildPicture(std::span<const quint8> luma, std::span<const quint8> chroma, int widthBlocks, int heightBlocks)
{
    Picture picture(widthBlocks * kMacroblockPixels, heightBlocks * kMacroblockPixels);
    // Copies the bytes at offset into a block, zeros past the end of the buffer.
    auto take = [](std::span<const quint8> from, size_t offset, std::span<quint8> block) {
        std::fill(block.begin(), block.end(), quint8(0));
        if (offset < from.size())
            std::copy_n(from.begin() + ptrdiff_t(offset), std::min(block.size(), from.size() - offset), block.begin());
    };
    std::array<quint8, kLumaGroupBytes> group;
    LumaWalk luminance(widthBlocks, heightBlocks);
    for (size_t at = 0; !luminance.done(); at += group.size()) {
        take(luma, at, group);
        luminance.draw(picture, group);
    }
    std::array<quint8, kChromaPageBytes> page{};
    ChromaWalk chrominance(widthBlocks, heightBlocks);
    for (size_t at = 0; !chrominance.done();) {
        if (chrominance.wantsPage()) {
            take(chroma, at, page);
            at += page.size();
        }
        chrominance.draw(picture, page);
    }
    return picture;
}

void Delace(Picture &picture)
{
    const Picture source = picture;
    const int evenRows = (source.height() + 1) / 2;
    for (int r = 0; r < source.height(); ++r) {
        const int to = r % 2 == 0 ? r / 2 : evenRows + (r - 1) / 2;
        for (int x = 0; x < source.width(); ++x)
            picture.setPixel(x, to, source.pixel(x, r));
    }
}

double LeadingNumber(const QString &text)
{
    int i = 0;
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t'))
        ++i;
    const int start = i;
    if (i < text.size() && (text[i] == '+' || text[i] == '-'))
        ++i;
    bool point = false;
    while (i < text.size() && (text[i].isDigit() || (text[i] == '.' && !point))) {
        point = point || text[i] == '.';
        ++i;
    }
    bool ok = false;
    const double value = text.mid(start, i - start).toDouble(&ok);
    return ok ? value : 0.0;
}

namespace {

// Macroblocks of a typed size: the value rounded half to even, then divided
// by 16 without the remainder. Far too large values are cut first.
int TypedBlocks(const QString &typed)
{
    const double value = std::clamp(LeadingNumber(typed), -1e6, 1e6);
    return int(std::nearbyint(value)) / kMacroblockPixels;
}

}   // namespace

BlockCount CorrectWidth(const QString &typed)
{
    const int w = std::clamp(TypedBlocks(typed), kMinWidthBlocks, kMaxWidthBlocks);
    return {w, QString::number(w * kMacroblockPixels)};
}

BlockCount CorrectHeight(const QString &typed)
{
    int h = std::max(TypedBlocks(typed), kMinHeightBlocks);
    h += h % 2;
    h = std::min(h, kMaxHeightBlocks);
    return {h, QString::number(h * kMacroblockPixels)};
}

QString NormaliseBufferBox(const QString &text)
{
    const QString upper = text.toUpper();
    return upper.size() < 6 ? upper.rightJustified(6, '0') : upper;
}
