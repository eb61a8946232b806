#pragma once
// Comparison of two binary images (memory saves, EEPROM backups, flash
// images): the ranges of offsets where they differ.
#include <QtGlobal>
#include <span>
#include <vector>

struct DiffRange {
    qint64 offset = 0;   // of the range's first byte, from the images' start
    qint64 length = 0;   // bytes, at least 1
};

// The maximal runs of offsets at which the images differ, in increasing
// order. Offsets that lie past the end of the shorter image differ, so two
// images of different lengths always give a last range that reaches the
// end of the longer one.
std::vector<DiffRange> DiffImages(std::span<const quint8> a, std::span<const quint8> b);
