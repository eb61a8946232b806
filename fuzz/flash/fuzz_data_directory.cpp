// Fuzz target: the directory listing of damaged images. Input: 1 byte (bits
// 0-2 the 64 KB block the rest goes to, bit 3 whether the bytes after the
// block's 32-byte module pointer table go to the block's end instead of
// straight after the table, bits 4-7 how many KB of erased space (FF) adjoin
// those bytes: after them, or before them when they go to the block's end),
// then the bytes, placed into a blank image (zeros). A module pointer that
// leads into erased space lists a module of 255 entries, one that leads into
// blank space none: the input sizes the erased space, so that most runs list
// few rows.
#include "fuzz_support.h"
#include "flash/data_directory.h"

namespace {

constexpr size_t kPointerTable = 2 * kModuleSlots;

}   // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    // One blank image for all runs, blank again after each.
    static QByteArray image(kImageSize, '\0');
    if (size < 1)
        return 0;
    const size_t block = size_t(data[0] & 7) * kImageBlockSize;
    const size_t table = std::min(size - 1, kPointerTable);
    const size_t length = std::min(size - 1 - table, size_t(kImageBlockSize) - kPointerTable);
    const bool atEnd = data[0] & 8;
    const size_t at = atEnd ? block + kImageBlockSize - length : block + kPointerTable;
    const size_t erased = std::min(size_t(data[0] >> 4) * 1024, kImageBlockSize - kPointerTable - length);
    const size_t from = atEnd ? at - erased : at;
    std::fill_n(image.begin() + qsizetype(from), erased + length, char(0xFF));
    std::copy_n(data + 1, table, image.begin() + qsizetype(block));
    std::copy_n(data + 1 + table, length, image.begin() + qsizetype(at));

    const DirectoryListing listing = ListDirectory(image);
    check(listing.rows.size() <= size_t(kDirectoryMaxRows));
    for (const DirectoryRow &row : listing.rows) {
        if (row.isFile())
            check(row.RowOffset > 0 && row.RowLength >= 0 && row.RowOffset + row.RowLength <= kImageSize);
        if (row.RowLength != 0 || row.RowOffset != 0)
            check(row.text.size() == 27 + (row.unprintable ? 22 : row.damaged ? 21 : 0));
    }
    std::fill_n(image.begin() + qsizetype(block), kPointerTable, '\0');
    std::fill_n(image.begin() + qsizetype(from), erased + length, '\0');
    return 0;
}
