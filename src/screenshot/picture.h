#pragma once
// The captured picture: 8-bit red, green and blue per pixel, rows from the
// top, x to the right. Pixels outside the picture read black and are not
// set, so a walk over the frame buffers may run past the edges.
#include <QByteArray>
#include <QtGlobal>
#include <vector>

struct Rgb {
    quint8 r = 0, g = 0, b = 0;
    bool operator==(const Rgb &) const = default;
};

class Picture {
public:
    Picture() = default;
    Picture(int width, int height);   // black

    int width() const { return width_; }
    int height() const { return height_; }
    bool isEmpty() const { return width_ == 0 || height_ == 0; }
    bool contains(int x, int y) const { return x >= 0 && y >= 0 && x < width_ && y < height_; }
    Rgb pixel(int x, int y) const;
    void setPixel(int x, int y, Rgb colour);

    // Rows of 3 bytes per pixel (red, green, blue), without padding.
    const quint8 *bits() const { return rgb_.data(); }
    // Row y, or null when it lies outside the picture.
    quint8 *scanLine(int y);
    int bytesPerLine() const { return 3 * width_; }
    bool operator==(const Picture &) const = default;

private:
    int width_ = 0;
    int height_ = 0;
    std::vector<quint8> rgb_;
};

// The picture as a 24-bit Windows bitmap file, bottom row first, rows padded
// to whole 32-bit words.
QByteArray BmpFile(const Picture &picture);
