#include "link/conversions.h"

#include <QtTest>
#include <limits>
#include <vector>

class TestConversions : public QObject {
    Q_OBJECT

private slots:
    void hexOutput_data();
    void hexOutput();
    void hexToAddr_data();
    void hexToAddr();
    void hexToByte_data();
    void hexToByte();
    void hexDigitAcceptsUpperCaseOnly();
    void prnChar();
    void add32Wraps();
    void mul32KeepsLow14BitsOfFactor();
    void dec5_data();
    void dec5();
    void countCR();
    void getWord();
    void bytesToStr();
    void outOfRangeIndicesGiveSafeResults();
};

void TestConversions::hexOutput_data()
{
    QTest::addColumn<QString>("actual");
    QTest::addColumn<QString>("expected");
    QTest::newRow("Hex8 -1") << Hex8(-1) << "FFFFFFFF";
    QTest::newRow("Hex8 255") << Hex8(255) << "000000FF";
    QTest::newRow("Hex8 min") << Hex8(std::numeric_limits<qint32>::min()) << "80000000";
    QTest::newRow("Hex8 upper case") << Hex8(0x7FE0ABCD) << "7FE0ABCD";
    QTest::newRow("Hex6 2^24") << Hex6(16777216) << "000000";
    QTest::newRow("Hex6 -1") << Hex6(-1) << "FFFFFF";
    QTest::newRow("Hex6 12345678h") << Hex6(305419896) << "345678";
    QTest::newRow("Hex6 small") << Hex6(0x123) << "000123";
    QTest::newRow("Hex2 0") << Hex2(0) << "00";
    QTest::newRow("Hex2 255") << Hex2(255) << "FF";
    QTest::newRow("Hex2 10") << Hex2(10) << "0A";
    QTest::newRow("Hex2 low byte only") << Hex2(0x1AB) << "AB";
    QTest::newRow("Hex2 -1") << Hex2(-1) << "FF";
}

void TestConversions::hexOutput()
{
    QFETCH(QString, actual);
    QFETCH(QString, expected);
    QCOMPARE(actual, expected);
}

void TestConversions::hexToAddr_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<qint32>("expected");
    QTest::newRow("7FE000") << "7FE000" << 8380416;
    QTest::newRow("5 characters") << "7FE00" << 0;
    QTest::newRow("7 characters") << "7FE0000" << 0;
    QTest::newRow("empty") << "" << 0;
    QTest::newRow("FFFFFF") << "FFFFFF" << 16777215;
    QTest::newRow("G counts as 0") << "12G456" << 0x120456;
    QTest::newRow("lower case counts as 0") << "abcdef" << 0;
}

void TestConversions::hexToAddr()
{
    QFETCH(QString, text);
    QFETCH(qint32, expected);
    QCOMPARE(HexToAddr(text), expected);
}

void TestConversions::hexToByte_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("expected");
    QTest::newRow("F") << "F" << 15;
    QTest::newRow("A") << "A" << 10;
    QTest::newRow("F0") << "F0" << 240;
    QTest::newRow("FF") << "FF" << 255;
    QTest::newRow("0F") << "0F" << 15;
    QTest::newRow("empty") << "" << 0;
    QTest::newRow("100") << "100" << 0;
    QTest::newRow("ff") << "ff" << 0;
    QTest::newRow("blank high digit") << " 5" << 5;
}

void TestConversions::hexToByte()
{
    QFETCH(QString, text);
    QFETCH(int, expected);
    QCOMPARE(int(HexToByte(text)), expected);
}

void TestConversions::hexDigitAcceptsUpperCaseOnly()
{
    const QString digits = QStringLiteral("0123456789ABCDEF");
    for (int i = 0; i < digits.size(); ++i)
        QCOMPARE(int(HexDigit(digits[i])), i);
    // Neighbours of the digit ranges and lower case all count as 0.
    for (QChar c : QStringLiteral("/:@Gaf ~\u00C4"))
        QCOMPARE(int(HexDigit(c)), 0);
}

void TestConversions::prnChar()
{
    QCOMPARE(PrnChar(127), QString(QChar(127)));
    QCOMPARE(PrnChar(32), QStringLiteral(" "));
    QCOMPARE(PrnChar(65), QStringLiteral("A"));
    QCOMPARE(PrnChar(31), QStringLiteral("."));
    QCOMPARE(PrnChar(128), QStringLiteral("."));
    QCOMPARE(PrnChar(0), QStringLiteral("."));
    QCOMPARE(PrnChar(255), QStringLiteral("."));
}

void TestConversions::add32Wraps()
{
    QCOMPARE(Add32(2147483647, 1), std::numeric_limits<qint32>::min());
    QCOMPARE(Add32(-1, -1), -2);
    QCOMPARE(Add32(std::numeric_limits<qint32>::min(), -1), 2147483647);
    QCOMPARE(Add32(0x20000000, 0x100), 0x20000100);
}

void TestConversions::mul32KeepsLow14BitsOfFactor()
{
    QCOMPARE(Mul32(268435456, 16), 0);
    QCOMPARE(Mul32(1, 16384), 0);
    QCOMPARE(Mul32(1, 16385), 1);
    QCOMPARE(Mul32(-1, 16), -16);
    QCOMPARE(Mul32(0x12345678, 16), qint32(0x23456780));
    QCOMPARE(Mul32(3, -1), 3 * 16383);  // -1 has all low 14 bits set
}

void TestConversions::dec5_data()
{
    QTest::addColumn<qint32>("n");
    QTest::addColumn<QString>("expected");
    QTest::newRow("0") << 0 << "00000";
    QTest::newRow("815") << 815 << "00815";
    QTest::newRow("99999") << 99999 << "99999";
    QTest::newRow("100000") << 100000 << "00000";
    QTest::newRow("123456") << 123456 << "23456";
    QTest::newRow("-5") << -5 << "000-5";
    QTest::newRow("-12345") << -12345 << "12345";
}

void TestConversions::dec5()
{
    QFETCH(qint32, n);
    QFETCH(QString, expected);
    QCOMPARE(Dec5(n), expected);
}

void TestConversions::countCR()
{
    QCOMPARE(CountCR(QString()), 0);
    QCOMPARE(CountCR(QStringLiteral("abc\n")), 0);
    QCOMPARE(CountCR(QStringLiteral("\r")), 1);
    QCOMPARE(CountCR(QStringLiteral("07 1\rSCAN\r\n")), 2);
}

void TestConversions::getWord()
{
    const std::vector<quint8> bytes{0x34, 0x12, 0xFF, 0xFF};
    QCOMPARE(GetWord(bytes, 0), 0x1234);
    QCOMPARE(GetWord(bytes, 1), 0xFF12);
    QCOMPARE(GetWord(bytes, 2), 65535);
}

void TestConversions::bytesToStr()
{
    const std::vector<quint8> bytes{65, 0, 66, 0xE9, 0x20};
    QCOMPARE(BytesToStr(bytes, 0, 3), QStringLiteral("A B"));
    QCOMPARE(BytesToStr(bytes, 2, 3), QStringLiteral("B\u00E9 "));
    QCOMPARE(BytesToStr(bytes, 1, 1), QStringLiteral(" "));
    QCOMPARE(BytesToStr(bytes, 0, 0), QString());
    QCOMPARE(BytesToStr(bytes, 0, -3), QString());
}

void TestConversions::outOfRangeIndicesGiveSafeResults()
{
#ifdef QT_NO_DEBUG
    const std::vector<quint8> bytes{65, 66};
    QCOMPARE(GetWord(bytes, 1), 0);
    QCOMPARE(GetWord(bytes, -1), 0);
    QCOMPARE(GetWord(std::span<const quint8>(), 0), 0);
    QCOMPARE(BytesToStr(bytes, 1, 3), QStringLiteral("B  "));
    QCOMPARE(BytesToStr(bytes, -1, 2), QStringLiteral(" A"));
#else
    QSKIP("out-of-range indices assert in debug builds");
#endif
}

QTEST_GUILESS_MAIN(TestConversions)
#include "test_conversions.moc"
