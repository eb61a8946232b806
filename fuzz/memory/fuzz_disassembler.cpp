// Fuzz target: the ST20 disassembler and the page views on arbitrary pages,
// operand-register states and page numbers, and the Start/End box handling
// on arbitrary box texts.
// Input: 4 bytes Oreg, 1 byte flags (bit 0 KeepOreg), 3 bytes page number,
// up to 256 page bytes (missing ones are 0), the rest as box text.
#include "fuzz_support.h"
#include "memory/disassembler.h"
#include "memory/page_views.h"

#include <QString>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

namespace {

qint32 takeInt(const uint8_t *&data, size_t &size, int bytes)
{
    quint32 value = 0;
    for (int k = 0; k < bytes && size > 0; ++k, ++data, --size)
        value = value << 8 | *data;
    return qint32(value);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    DisasmState state;
    state.Oreg = takeInt(data, size, 4);
    state.KeepOreg = takeInt(data, size, 1) & 1;
    const qint32 pageNumber = takeInt(data, size, 3);

    Page page{};
    const size_t pageBytes = size < page.size() ? size : page.size();
    std::memcpy(page.data(), data, pageBytes);
    data += pageBytes;
    size -= pageBytes;

    const QString listing = Disassemble(page, pageNumber, state);
    check(!state.KeepOreg);
    check(listing.count(QStringLiteral("\r\n")) == 255);
    // A page that ends in a prefix leaves it for the next page.
    const int lastFn = page[255] >> 4;
    check(lastFn == 2 || lastFn == 6 || state.Oreg == 0);
    state.KeepOreg = true;
    check(Disassemble(page, pageNumber + 1, state).count(QStringLiteral("\r\n")) == 255);

    for (MemView view : {MemView::Byte, MemView::Word, MemView::DWord})
        check(RenderPage(view, page, pageNumber, state).count(QStringLiteral("\r\n")) == 15);

    const QString box = NormaliseAddressBox(QString::fromUtf8(reinterpret_cast<const char *>(data), qsizetype(size)));
    const qint32 boxPage = PageFromBox(box);
    check(boxPage >= 0 && boxPage <= 0xFFFFFF);
    check(StepPageBox(box, 1).size() == 6 && StepPageBox(box, -1).size() == 6);
    check(box.size() >= 6);
    return 0;
}
