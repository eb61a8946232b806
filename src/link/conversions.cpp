#include "link/conversions.h"

#include <algorithm>

namespace {

// The low `digits` nibbles of v, most significant first, in upper case.
// Written out by hand: these run for every command of a page read, where
// a formatted argument costs more than the rest of the transaction's work.
QString HexDigits(quint32 v, int digits)
{
    static constexpr char16_t kDigits[] = u"0123456789ABCDEF";
    QString text(digits, Qt::Uninitialized);
    QChar *out = text.data();
    for (int i = digits - 1; i >= 0; --i, v >>= 4)
        out[i] = QChar(kDigits[v & 0xF]);
    return text;
}

}   // namespace

QString Hex8(qint32 v) { return HexDigits(quint32(v), 8); }

QString Hex6(qint32 v) { return HexDigits(quint32(v), 6); }

QString Hex2(int b) { return HexDigits(quint32(b), 2); }

qint32 HexToAddr(QStringView t)
{
    if (t.size() != 6)
        return 0;
    return HexToByte(t.mid(0, 2)) * 65536 + HexToByte(t.mid(2, 2)) * 256 + HexToByte(t.mid(4, 2));
}

qint16 HexToByte(QStringView t)
{
    if (t.isEmpty() || t.size() > 2)
        return 0;
    if (t.size() == 1)
        return HexDigit(t[0]);   // as with a leading zero
    return qint16(HexDigit(t[0]) * 16 + HexDigit(t[1]));
}

quint8 HexByteAt(QStringView t, qsizetype pos) { return quint8(HexToByte(t.mid(pos, 2))); }

qint16 HexDigit(QChar c)
{
    const char16_t u = c.unicode();
    if (u >= u'0' && u <= u'9')
        return qint16(u - u'0');
    if (u >= u'A' && u <= u'F')
        return qint16(u - u'A' + 10);
    return 0;
}

// 127 is DEL, a control character like those below 32.
QString PrnChar(int b)
{
    if (b >= 32 && b < 127)
        return QString(QChar(b));
    return QStringLiteral(".");
}

qint32 Add32(qint32 a, qint32 b) { return qint32(quint32(a) + quint32(b)); }

qint32 Mul32(qint32 a, qint32 f) { return qint32(quint32(a) * (quint32(f) & 0x3FFFu)); }

qint32 GetWord(std::span<const quint8> bytes, qint64 i)
{
    const bool inside = i >= 0 && i + 1 < qint64(bytes.size());
    Q_ASSERT(inside);
    if (!inside)
        return 0;
    return bytes[size_t(i)] + 256 * bytes[size_t(i + 1)];
}

QString Dec5(qint32 n) { return (QStringLiteral("0000") + QString::number(n)).right(5); }

double LeadingValue(const QString &text)
{
    QString number;
    bool digits = false, point = false;
    for (const QChar c : text) {
        if (c == ' ')
            continue;
        if ((c == '-' || c == '+') && number.isEmpty())
            number += c;
        else if (c.isDigit() && c.unicode() < 128)
            digits = true, number += c;
        else if (c == '.' && !point)
            point = true, number += c;
        else
            break;
    }
    bool ok = false;
    const double v = digits ? number.toDouble(&ok) : 0;
    return ok ? std::clamp(v, -1e15, 1e15) : 0;
}

int CountCR(const QString &t) { return int(t.count(QLatin1Char('\r'))); }

QString BytesToStr(std::span<const quint8> bytes, qint64 start, int count)
{
    QString text;
    if (count <= 0)
        return text;
    Q_ASSERT(start >= 0 && start + count <= qint64(bytes.size()));
    text.reserve(count);
    for (qint64 k = start; k < start + count; ++k) {
        // Bytes are Latin-1 characters; a 0 byte, or one outside the array, shows as a blank.
        const bool inside = k >= 0 && k < qint64(bytes.size());
        const quint8 b = inside ? bytes[size_t(k)] : 0;
        text += b == 0 ? QLatin1Char(' ') : QChar(b);
    }
    return text;
}
