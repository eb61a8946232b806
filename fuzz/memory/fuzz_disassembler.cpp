// The disassembler and page views on any page, operand and page number, and the page boxes on any
// text. Input: 4 bytes Oreg, 1 byte flags (bit 0 KeepOreg), 3 bytes page number, 256 page bytes, box text.
#include "fuzz_support.h"
#include "memory/page_views.h"

#include <cstring>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const auto take = [&](int n) {
        quint32 v = 0;
        for (; n > 0 && size > 0; --n, --size)
            v = v << 8 | *data++;
        return v;
    };
    DisasmState state{qint32(take(4)), bool(take(1) & 1)};
    const qint32 pageNumber = qint32(take(3));
    Page page{};
    const size_t pageBytes = std::min(size, page.size());
    std::memcpy(page.data(), data, pageBytes);
    check(Disassemble(page, pageNumber, state).count("\r\n") == 255 && !state.KeepOreg);
    // Only a page that ends in a prefix leaves an operand for the next page.
    check(page[255] >> 4 == 2 || page[255] >> 4 == 6 || state.Oreg == 0);
    state.KeepOreg = true;
    for (MemView view : {MemView::St20Asm, MemView::Byte, MemView::Word, MemView::DWord})
        check(RenderPage(view, page, pageNumber + 1, state).count("\r\n") == (view == MemView::St20Asm ? 255 : 15));
    const QString box = NormaliseAddressBox(
        QString::fromUtf8(reinterpret_cast<const char *>(data + pageBytes), qsizetype(size - pageBytes)));
    check(box.size() >= 6 && PageFromBox(box) >= 0 && PageFromBox(box) <= 0xFFFFFF);
    check(StepPageBox(box, 1).size() == 6 && StepPageBox(box, -1).size() == 6);
    return 0;
}
