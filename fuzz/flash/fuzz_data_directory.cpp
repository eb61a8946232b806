// Fuzz target: the directory listing of damaged images. Input: 1 byte (bits
// 0-2 the 64 KB block the rest goes to, bit 3 whether it goes to the block's
// end instead of its start), then the bytes, placed into an erased image.
#include "fuzz_support.h"
#include "flash/data_directory.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 1)
        return 0;
    QByteArray image(kImageSize, char(0xFF));
    const size_t length = std::min<size_t>(size - 1, 0x10000);
    const size_t block = size_t(data[0] & 7) * 0x10000;
    const size_t at = (data[0] & 8) ? block + 0x10000 - length : block;
    std::copy_n(data + 1, length, image.begin() + qsizetype(at));
    const DirectoryListing listing = ListDirectory(image);
    check(listing.rows.size() <= size_t(kDirectoryMaxRows));
    for (const DirectoryRow &row : listing.rows) {
        if (row.isFile())
            check(row.RowOffset > 0 && row.RowLength >= 0 && row.RowOffset + row.RowLength <= kImageSize);
        if (row.RowLength != 0 || row.RowOffset != 0)
            check(row.text.size() == (row.damaged ? 48 : 27));
    }
    return 0;
}
