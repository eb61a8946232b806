#pragma once
// Number and text conversions used by every window: numbers travel in
// commands and replies as fixed-width upper-case hexadecimal text.
#include <QString>
#include <QStringView>
#include <QtGlobal>
#include <span>

QString Hex8(qint32 v);                                    // 32-bit pattern, 8 digits
QString Hex6(qint32 v);                                    // low 24 bits, 6 digits
QString Hex2(int b);                                       // low 8 bits, 2 digits
qint32 HexToAddr(QStringView t);                           // exactly 6 characters, else 0
qint16 HexToByte(QStringView t);                           // 1 or 2 characters, else 0
quint8 HexByteAt(QStringView t, qsizetype pos);            // the digit pair starting at pos
qint16 HexDigit(QChar c);                                  // upper-case hex digit, else 0
QString PrnChar(int b);                                    // code 32..126 as itself, else "."
qint32 Add32(qint32 a, qint32 b);                          // wraps around
qint32 Mul32(qint32 a, qint32 f);                          // only the low 14 bits of f count
qint32 GetWord(std::span<const quint8> bytes, qint64 i);   // little-endian 16 bits; i + 1 must be inside
QString Dec5(qint32 n);
// The decimal number at the start of text, blanks skipped; 0 when there is none.
double LeadingValue(const QString &text);
int CountCR(const QString &t);
QString BytesToStr(std::span<const quint8> bytes, qint64 start, int count);
