#include "memory/page_views.h"

#include <QTest>

namespace {

Page countingPage()
{
    Page page;
    for (int i = 0; i < 256; ++i)
        page[i] = quint8(i);
    return page;
}

QStringList rows(const QString &text)
{
    return text.split(QStringLiteral("\r\n"));
}

} // namespace

class TestPageViews : public QObject {
    Q_OBJECT
private slots:
    void byteView();
    void wordView();
    void dwordView();
    void rowLabelsFollowGivenPage();
    void renderDispatchesToView();
    void boxNormalisation_data();
    void boxNormalisation();
    void pageStepping_data();
    void pageStepping();
};

void TestPageViews::byteView()
{
    const QString text = ShowBytes(countingPage(), 0x402800);
    QVERIFY(!text.endsWith(QStringLiteral("\r\n")));
    const QStringList lines = rows(text);
    QCOMPARE(lines.size(), 16);
    QCOMPARE(lines[0], QStringLiteral("40280000 : 00 01 02 03 04 05 06 07 08 09 0A 0B 0C 0D 0E 0F : ................"));
    QCOMPARE(lines[2], QStringLiteral("40280020 : 20 21 22 23 24 25 26 27 28 29 2A 2B 2C 2D 2E 2F :  !\"#$%&'()*+,-./"));
    QCOMPARE(lines[7], QStringLiteral("40280070 : 70 71 72 73 74 75 76 77 78 79 7A 7B 7C 7D 7E 7F : pqrstuvwxyz{|}~")
                           + QChar(0x7F));
    QCOMPARE(lines[8], QStringLiteral("40280080 : 80 81 82 83 84 85 86 87 88 89 8A 8B 8C 8D 8E 8F : ................"));
    QCOMPARE(lines[15], QStringLiteral("402800F0 : F0 F1 F2 F3 F4 F5 F6 F7 F8 F9 FA FB FC FD FE FF : ................"));
}

void TestPageViews::wordView()
{
    const QStringList lines = rows(ShowWords(countingPage(), 0x402800));
    QCOMPARE(lines.size(), 16);
    QCOMPARE(lines[0], QStringLiteral("40280000 : 0100 0302 0504 0706 0908 0B0A 0D0C 0F0E "));
    QCOMPARE(lines[15], QStringLiteral("402800F0 : F1F0 F3F2 F5F4 F7F6 F9F8 FBFA FDFC FFFE "));
}

void TestPageViews::dwordView()
{
    const QStringList lines = rows(ShowDWords(countingPage(), 0x402800));
    QCOMPARE(lines.size(), 16);
    QCOMPARE(lines[0], QStringLiteral("40280000 : 03020100 07060504 0B0A0908 0F0E0D0C "));
    QCOMPARE(lines[10], QStringLiteral("402800A0 : A3A2A1A0 A7A6A5A4 ABAAA9A8 AFAEADAC "));
}

void TestPageViews::rowLabelsFollowGivenPage()
{
    const Page page = countingPage();
    QVERIFY(rows(ShowBytes(page, 0xABCDEF))[10].startsWith(QStringLiteral("ABCDEFA0 : A0 A1 ")));
    QVERIFY(rows(ShowWords(page, 0))[1].startsWith(QStringLiteral("00000010 : 1110 ")));
    // Only 24 bits of a page number name a page.
    QVERIFY(rows(ShowDWords(page, 0x7F000001))[0].startsWith(QStringLiteral("00000100 : ")));
}

void TestPageViews::renderDispatchesToView()
{
    const Page page = countingPage();
    DisasmState state;
    QCOMPARE(RenderPage(MemView::Byte, page, 0x402800, state), ShowBytes(page, 0x402800));
    QCOMPARE(RenderPage(MemView::Word, page, 0x402800, state), ShowWords(page, 0x402800));
    QCOMPARE(RenderPage(MemView::DWord, page, 0x402800, state), ShowDWords(page, 0x402800));

    Page prefixed;
    prefixed.fill(0);
    prefixed[0] = 0xFB;
    state = {1, true};
    const QString asm20 = RenderPage(MemView::St20Asm, prefixed, 0x402801, state);
    QVERIFY(asm20.startsWith(QStringLiteral("40280100  FB  LDPI_001B       ")));
    QVERIFY(!state.KeepOreg);
}

void TestPageViews::boxNormalisation_data()
{
    QTest::addColumn<QString>("box");
    QTest::addColumn<QString>("normalised");
    QTest::addColumn<int>("page");
    QTest::newRow("lower case, short") << "abc" << "000ABC" << 0x000ABC;
    QTest::newRow("four digits") << "1234" << "001234" << 0x001234;
    QTest::newRow("empty") << "" << "000000" << 0;
    QTest::newRow("full") << "402800" << "402800" << 0x402800;
    QTest::newRow("mixed case") << "7fE0aB" << "7FE0AB" << 0x7FE0AB;
    QTest::newRow("non-hex counts as 0") << "12g456" << "12G456" << 0x120456;
    QTest::newRow("short non-hex") << "zz" << "0000ZZ" << 0;
    QTest::newRow("seven characters read as page 0") << "1234567" << "1234567" << 0;
    QTest::newRow("long text read as page 0") << "ffffffffffff" << "FFFFFFFFFFFF" << 0;
}

void TestPageViews::boxNormalisation()
{
    QFETCH(QString, box);
    QFETCH(QString, normalised);
    QFETCH(int, page);
    QCOMPARE(NormaliseAddressBox(box), normalised);
    QCOMPARE(PageFromBox(NormaliseAddressBox(box)), page);
}

void TestPageViews::pageStepping_data()
{
    QTest::addColumn<QString>("box");
    QTest::addColumn<int>("delta");
    QTest::addColumn<QString>("stepped");
    QTest::newRow("-- wraps to top") << "000000" << -1 << "FFFFFF";
    QTest::newRow("+ wraps to bottom") << "FFFFFF" << 1 << "000000";
    QTest::newRow("+") << "402800" << 1 << "402801";
    QTest::newRow("--") << "402800" << -1 << "4027FF";
    QTest::newRow("-- from unreadable box") << "1234567" << -1 << "FFFFFF";
}

void TestPageViews::pageStepping()
{
    QFETCH(QString, box);
    QFETCH(int, delta);
    QFETCH(QString, stepped);
    QCOMPARE(StepPageBox(box, delta), stepped);
}

QTEST_GUILESS_MAIN(TestPageViews)
#include "test_page_views.moc"
