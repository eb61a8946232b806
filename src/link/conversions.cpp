#include "link/conversions.h"

#include <algorithm>

QString Hex8(qint32 v)
{
    return QStringLiteral("%1").arg(quint32(v), 8, 16, QLatin1Char('0')).toUpper();
}

QString Hex6(qint32 v)
{
    return Hex8(qint32(quint32(v) & 0xFFFFFFu)).right(6);
}

QString Hex2(int b)
{
    return Hex8(b & 0xFF).right(2);
}

qint32 HexToAddr(const QString &t)
{
    if (t.size() != 6)
        return 0;
    return HexToByte(t.mid(0, 2)) * 65536 + HexToByte(t.mid(2, 2)) * 256 + HexToByte(t.mid(4, 2));
}

qint16 HexToByte(const QString &t)
{
    if (t.isEmpty() || t.size() > 2)
        return 0;
    const QString digits = t.size() == 1 ? QLatin1Char('0') + t : t;
    return qint16(HexDigit(digits.front()) * 16 + HexDigit(digits.back()));
}

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

qint32 Add32(qint32 a, qint32 b)
{
    return qint32(quint32(a) + quint32(b));
}

qint32 Mul32(qint32 a, qint32 f)
{
    return qint32(quint32(a) * (quint32(f) & 0x3FFFu));
}

qint32 GetWord(std::span<const quint8> bytes, qint64 i)
{
    const bool inside = i >= 0 && i + 1 < qint64(bytes.size());
    Q_ASSERT(inside);
    if (!inside)
        return 0;
    return bytes[size_t(i)] + 256 * bytes[size_t(i + 1)];
}

QString Dec5(qint32 n)
{
    return (QStringLiteral("0000") + QString::number(n)).right(5);
}

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

int CountCR(const QString &t)
{
    return int(t.count(QLatin1Char('\r')));
}

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
