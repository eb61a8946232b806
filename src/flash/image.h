#pragma once
// The 512 KB data-flash image (flash offsets 0..7FFFF, decoder addresses
// 7FE00000..7FE7FFFF): eight 64 KB blocks, each starting with 16 module
// pointers (16-bit little-endian, relative to the block; 0000 and FFFF mean
// an empty slot). The 16-bit field at offset 10 of a module leads to the end
// of the module's data.
#include <QtGlobal>
#include <span>

constexpr qint32 kImageSize = 0x80000;
constexpr qint32 kImageBlockSize = 0x10000;
constexpr int kModuleSlots = 16;

// End of the used space of the 64 KB image block starting at p: p itself
// for a block without modules, otherwise the end taken from the module with
// the highest pointer. Words at offsets up to the result hold data.
//
// A corrupt block whose pointer or length field leads past the image (or
// past the block) cannot say where its data ends; it then counts as fully
// used and the result is the end of the block, p + 0x10000, so nothing in
// it is skipped. Nothing outside image is ever read.
qint32 UsedEnd(std::span<const quint8> image, qint32 p);

// With "Ignore empty space": the offset of the next word to program and
// verify, given the word offset a and the used end of a's 64 KB image block.
// Past the used end the rest of the block is skipped except its last word
// (...FFFC), which is always processed.
qint32 SkipEmptySpace(qint32 a, qint32 usedEnd);
