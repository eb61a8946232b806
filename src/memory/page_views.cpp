#include "memory/page_views.h"

#include "link/conversions.h"

namespace {

constexpr int kRows = 16;
constexpr int kBytesPerRow = 16;
constexpr int kBoxDigits = 6;

QString rowLabel(qint32 pageNumber, int row)
{
    return Hex6(pageNumber) + QString::number(row, 16).toUpper() + QStringLiteral("0 : ");
}

// Hex digits of the little-endian value of width bytes starting at first,
// most significant byte first.
QString littleEndianValue(const Page &page, int first, int width)
{
    QString digits;
    for (int k = width - 1; k >= 0; --k)
        digits += Hex2(page[first + k]);
    return digits;
}

QString groupedRows(const Page &page, qint32 pageNumber, int width)
{
    QString text;
    for (int r = 0; r < kRows; ++r) {
        if (r > 0)
            text += QStringLiteral("\r\n");
        text += rowLabel(pageNumber, r);
        for (int k = 0; k < kBytesPerRow; k += width)
            text += littleEndianValue(page, r * kBytesPerRow + k, width) + QLatin1Char(' ');
    }
    return text;
}

}   // namespace

QString ShowBytes(const Page &page, qint32 pageNumber)
{
    QString text;
    for (int r = 0; r < kRows; ++r) {
        if (r > 0)
            text += QStringLiteral("\r\n");
        text += rowLabel(pageNumber, r);
        QString chars;
        for (int k = 0; k < kBytesPerRow; ++k) {
            const quint8 b = page[r * kBytesPerRow + k];
            text += Hex2(b) + QLatin1Char(' ');
            chars += PrnChar(b);
        }
        text += QStringLiteral(": ") + chars;
    }
    return text;
}

QString ShowWords(const Page &page, qint32 pageNumber) { return groupedRows(page, pageNumber, 2); }

QString ShowDWords(const Page &page, qint32 pageNumber) { return groupedRows(page, pageNumber, 4); }

QString RenderPage(MemView view, const Page &page, qint32 pageNumber, DisasmState &state)
{
    switch (view) {
    case MemView::Byte: return ShowBytes(page, pageNumber);
    case MemView::Word: return ShowWords(page, pageNumber);
    case MemView::DWord: return ShowDWords(page, pageNumber);
    case MemView::St20Asm: return Disassemble(page, pageNumber, state);
    }
    return QString();
}

QString NormaliseAddressBox(const QString &text) { return text.toUpper().rightJustified(kBoxDigits, QLatin1Char('0')); }

qint32 PageFromBox(const QString &text) { return HexToAddr(text); }

QString StepPageBox(const QString &text, int delta) { return Hex6(PageFromBox(text) + delta); }
