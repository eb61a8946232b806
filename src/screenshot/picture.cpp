#include "screenshot/picture.h"

Picture::Picture(int width, int height)
    : width_(qMax(width, 0)), height_(qMax(height, 0)), rgb_(size_t(width_) * size_t(height_) * 3, 0)
{}

Rgb Picture::pixel(int x, int y) const
{
    if (!contains(x, y))
        return {};
    const quint8 *p = rgb_.data() + (size_t(y) * size_t(width_) + size_t(x)) * 3;
    return {p[0], p[1], p[2]};
}

void Picture::setPixel(int x, int y, Rgb colour)
{
    if (!contains(x, y))
        return;
    quint8 *p = rgb_.data() + (size_t(y) * size_t(width_) + size_t(x)) * 3;
    p[0] = colour.r;
    p[1] = colour.g;
    p[2] = colour.b;
}

quint8 *Picture::scanLine(int y)
{
    return y >= 0 && y < height_ ? rgb_.data() + size_t(y) * size_t(bytesPerLine()) : nullptr;
}

namespace {

void PutLittleEndian(QByteArray &out, quint32 value, int bytes)
{
    for (int i = 0; i < bytes; ++i)
        out.append(char((value >> (8 * i)) & 0xFF));
}

}   // namespace

QByteArray BmpFile(const Picture &picture)
{
    constexpr quint32 kHeaderBytes = 14 + 40;
    const int w = picture.width();
    const int h = picture.height();
    const int rowBytes = (3 * w + 3) & ~3;
    const quint32 imageBytes = quint32(rowBytes) * quint32(h);
    QByteArray out;
    out.reserve(int(kHeaderBytes + imageBytes));
    // File header: "BM", file size, two reserved words, offset of the pixels.
    out.append("BM");
    PutLittleEndian(out, kHeaderBytes + imageBytes, 4);
    PutLittleEndian(out, 0, 4);
    PutLittleEndian(out, kHeaderBytes, 4);
    // Info header: size, width, height (positive: bottom-up), one plane,
    // 24 bits, no compression, image size, 2835 pixels per metre (72 dpi),
    // no palette.
    for (quint32 v : {40u, quint32(w), quint32(h)})
        PutLittleEndian(out, v, 4);
    PutLittleEndian(out, 1, 2);
    PutLittleEndian(out, 24, 2);
    for (quint32 v : {0u, imageBytes, 2835u, 2835u, 0u, 0u})
        PutLittleEndian(out, v, 4);
    for (int y = h - 1; y >= 0; --y) {
        const int start = int(out.size());
        for (int x = 0; x < w; ++x) {
            const Rgb c = picture.pixel(x, y);
            out.append(char(c.b)).append(char(c.g)).append(char(c.r));
        }
        out.append(QByteArray(rowBytes - (int(out.size()) - start), '\0'));
    }
    return out;
}
