#include "memory/disassembler.h"

#include <QTest>
#include <initializer_list>

namespace {

Page pageOf(std::initializer_list<int> leading, int fill = 0)
{
    Page page;
    page.fill(quint8(fill));
    int i = 0;
    for (int b : leading)
        page[i++] = quint8(b);
    return page;
}

QStringList listing(const Page &page, qint32 pageNumber, DisasmState &state)
{
    return Disassemble(page, pageNumber, state).split(QStringLiteral("\r\n"));
}

QStringList listing(const Page &page, qint32 pageNumber = 0x402800)
{
    DisasmState state;
    return listing(page, pageNumber, state);
}

// Name field and annotation of line i (after address, byte and separators).
QString field(const QStringList &lines, int i)
{
    return lines.at(i).mid(14);
}

} // namespace

class TestDisassembler : public QObject {
    Q_OBJECT
private slots:
    void workedExample();
    void zeroPageIsJumpsToNextByte();
    void prefixAcrossPageBoundary();
    void trailingNfixLeavesOreg();
    void secondaryCodesThroughPrefixes_data();
    void secondaryCodesThroughPrefixes();
    void longNamesAreCutAtSixteen();
    void ldpiAnnotation_data();
    void ldpiAnnotation();
    void nonLocalOffsets();
    void addressesWrapAtTopOfMemory();
    void secondaryTable();
};

void TestDisassembler::workedExample()
{
    const Page page = pageOf({0x4A, 0x21, 0xFB, 0x60, 0x0B, 0xE2, 0x68, 0xFC, 0x25, 0xFA, 0x91, 0x73, 0xF5});
    DisasmState state;
    const QString text = Disassemble(page, 0x402800, state);
    const QStringList lines = text.split(QStringLiteral("\r\n"));
    const QStringList expected = {
        "40280000  4A  LDC             0000000A",
        "40280001  21  PFIX            00000001",
        "40280002  FB  LDPI_001B                (4028000D)",
        "40280003  60  NFIX            FFFFFFFF",
        "40280004  0B  J               FFFFFFFB (40280000)",
        "40280005  E2  STNL            00000002 (Ar+00000008)",
        "40280006  68  NFIX            FFFFFFF7",
        "40280007  FC  LDPRODID_FF7C   ",
        "40280008  25  PFIX            00000005",
        "40280009  FA  DUP_005A        ",
        "4028000A  91  FCALL           00000001 (4028000C)",
        "4028000B  73  LDL             00000003",
        "4028000C  F5  ADD_0005        ",
        "4028000D  00  J               00000000 (4028000E)",
    };
    QCOMPARE(lines.size(), 256);
    for (int i = 0; i < expected.size(); ++i)
        QCOMPARE(lines.at(i), expected.at(i));
    QCOMPARE(lines.last(), QStringLiteral("402800FF  00  J               00000000 (40280100)"));
    QVERIFY(!text.endsWith(QStringLiteral("\r\n")));
    QCOMPARE(state.Oreg, 0);
}

void TestDisassembler::zeroPageIsJumpsToNextByte()
{
    const QStringList lines = listing(pageOf({}), 0x1234);
    QCOMPARE(lines.size(), 256);
    for (int i = 0; i < 256; ++i) {
        const QString address = QStringLiteral("%1").arg(0x123400 + i, 8, 16, QLatin1Char('0')).toUpper();
        const QString target = QStringLiteral("%1").arg(0x123401 + i, 8, 16, QLatin1Char('0')).toUpper();
        QCOMPARE(lines.at(i), address + "  00  J               00000000 (" + target + ")");
    }
}

void TestDisassembler::prefixAcrossPageBoundary()
{
    Page first = pageOf({});
    first[255] = 0x21;  // PFIX 1
    const Page next = pageOf({0xFB});

    DisasmState state;
    const QStringList firstLines = listing(first, 0x402800, state);
    QCOMPARE(firstLines.last(), QStringLiteral("402800FF  21  PFIX            00000001"));
    QCOMPARE(state.Oreg, 1);

    // "+" keeps the operand register: the first byte continues the prefix.
    state.KeepOreg = true;
    QCOMPARE(field(listing(next, 0x402801, state), 0), QStringLiteral("LDPI_001B       "));
    QVERIFY(!state.KeepOreg);
    QCOMPARE(state.Oreg, 0);

    // "Read Page" of the same page starts from 0.
    listing(first, 0x402800, state);
    QCOMPARE(state.Oreg, 1);
    QCOMPARE(field(listing(next, 0x402801, state), 0), QStringLiteral("OUT_000B        "));
}

void TestDisassembler::trailingNfixLeavesOreg()
{
    Page page = pageOf({});
    page[254] = 0x21;  // PFIX 1
    page[255] = 0x62;  // NFIX 2: NOT 0x12
    DisasmState state;
    const QStringList lines = listing(page, 0, state);
    QCOMPARE(field(lines, 255), QStringLiteral("NFIX            FFFFFFED"));
    QCOMPARE(state.Oreg, qint32(0xFFFFFFED));

    state.KeepOreg = true;
    const QStringList next = listing(pageOf({0x24}), 1, state);  // PFIX 4 on top
    QCOMPARE(field(next, 0), QStringLiteral("PFIX            FFFFFED4"));
}

void TestDisassembler::secondaryCodesThroughPrefixes_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("lastField");
    QTest::newRow("REV") << QByteArray("\xF0", 1) << "REV_0000        ";
    QTest::newRow("NFIX then missing code") << QByteArray("\x60\xF4") << "UNKNOWN_FFF4    ";
    QTest::newRow("DEVMOVE negative") << QByteArray("\x62\xF4") << "DEVMOVE_FFD4    ";
    QTest::newRow("DEVMOVE positive") << QByteArray("\x2F\xF4") << "DEVMOVE_00F4    ";
    QTest::newRow("lowest code") << QByteArray("\x68\xFC") << "LDPRODID_FF7C   ";
    QTest::newRow("REBOOT") << QByteArray("\x68\xFD") << "REBOOT_FF7D     ";
    QTest::newRow("below lowest code") << QByteArray("\x68\xFB") << "UNKNOWN_FF7B    ";
    QTest::newRow("STSHADOW") << QByteArray("\x60\xFD") << "STSHADOW_FFFD   ";
    QTest::newRow("highest code") << QByteArray("\x2F\xFB") << "CSU_00FB        ";
    QTest::newRow("above highest code") << QByteArray("\x2F\xFC") << "UNKNOWN_00FC    ";
    QTest::newRow("gap in table") << QByteArray("\x21\xF1") << "UNKNOWN_0011    ";
    QTest::newRow("beyond 16 bits") << QByteArray("\x21\x20\x20\x20\xF5") << "UNKNOWN_0005    ";
}

void TestDisassembler::secondaryCodesThroughPrefixes()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, lastField);
    Page page = pageOf({});
    for (int i = 0; i < bytes.size(); ++i)
        page[i] = quint8(bytes[i]);
    QCOMPARE(field(listing(page), int(bytes.size()) - 1), lastField);
}

void TestDisassembler::longNamesAreCutAtSixteen()
{
    const QStringList lines = listing(pageOf({0x25, 0xFD, 0x27, 0xFF, 0x2B, 0xF0, 0x2B, 0xF8}));
    QCOMPARE(field(lines, 1), QStringLiteral("MOVE2DNONZERO_00"));
    QCOMPARE(field(lines, 3), QStringLiteral("LDMEMSTARTVAL_00"));
    QCOMPARE(field(lines, 5), QStringLiteral("SETTIMESLICE_00B"));
    QCOMPARE(field(lines, 7), QStringLiteral("XBWORD_00B8     "));
}

void TestDisassembler::ldpiAnnotation_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("ldpiLine");
    QTest::newRow("no LDC") << QByteArray("\x21\xFB")
                            << "40280001  FB  LDPI_001B       ";
    QTest::newRow("LDC of 0") << QByteArray("\x40\x21\xFB", 3)
                              << "40280002  FB  LDPI_001B       ";
    QTest::newRow("LDC then another instruction") << QByteArray("\x45\xF0\x21\xFB")
                                                  << "40280003  FB  LDPI_001B       ";
    QTest::newRow("LDC, prefixes") << QByteArray("\x43\x20\x21\xFB")
                                   << "40280003  FB  LDPI_001B                (40280007)";
    QTest::newRow("negative LDC") << QByteArray("\x60\x4F\x21\xFB")
                                  << "40280003  FB  LDPI_001B                (40280003)";
}

void TestDisassembler::ldpiAnnotation()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, ldpiLine);
    Page page = pageOf({});
    for (int i = 0; i < bytes.size(); ++i)
        page[i] = quint8(bytes[i]);
    QCOMPARE(listing(page).at(int(bytes.size()) - 1), ldpiLine);
}

void TestDisassembler::nonLocalOffsets()
{
    const QStringList lines = listing(pageOf({0x30, 0x35, 0x50, 0x5F, 0xE0, 0x60, 0x3F, 0x2F, 0xAF, 0x61, 0x03}));
    QCOMPARE(field(lines, 0), QStringLiteral("LDNL            00000000"));
    QCOMPARE(field(lines, 1), QStringLiteral("LDNL            00000005 (Ar+00000014)"));
    QCOMPARE(field(lines, 2), QStringLiteral("LDNLP           00000000"));
    QCOMPARE(field(lines, 3), QStringLiteral("LDNLP           0000000F (Ar+0000003C)"));
    QCOMPARE(field(lines, 4), QStringLiteral("STNL            00000000"));
    QCOMPARE(field(lines, 6), QStringLiteral("LDNL            FFFFFFFF (Ar+FFFFFFFC)"));
    // CJ 0xFF from 40280008: 40280009 + FF
    QCOMPARE(field(lines, 8), QStringLiteral("CJ              000000FF (40280108)"));
    // NFIX 1 then J 3 at 4028000A: operand FFFFFFE3, 29 bytes back from the next byte
    QCOMPARE(field(lines, 10), QStringLiteral("J               FFFFFFE3 (4027FFEE)"));
}

void TestDisassembler::addressesWrapAtTopOfMemory()
{
    const QStringList lines = listing(pageOf({}), 0xFFFFFF);
    QCOMPARE(lines.first(), QStringLiteral("FFFFFF00  00  J               00000000 (FFFFFF01)"));
    QCOMPARE(lines.last(), QStringLiteral("FFFFFFFF  00  J               00000000 (00000000)"));
}

void TestDisassembler::secondaryTable()
{
    QCOMPARE(SecondaryTableSize(), 155);
    int named = 0;
    for (qint32 code = -0x1000; code <= 0x1000; ++code)
        if (SecondaryName(code) != QStringLiteral("UNKNOWN"))
            ++named;
    QCOMPARE(named, 155);
    QCOMPARE(SecondaryName(-0x2C), QStringLiteral("DEVMOVE"));
    QCOMPARE(SecondaryName(0xF4), QStringLiteral("DEVMOVE"));
    QCOMPARE(SecondaryName(0x1B), QStringLiteral("LDPI"));
    QCOMPARE(SecondaryName(-0x85), QStringLiteral("UNKNOWN"));
    QCOMPARE(SecondaryName(qint32(0x80000000)), QStringLiteral("UNKNOWN"));
}

QTEST_GUILESS_MAIN(TestDisassembler)
#include "test_disassembler.moc"
