// The sweep's result lines and records, and the channel scan's filters.
#include "channels/channel_scan.h"

#include <QtTest>

class TestChannelScan : public QObject {
    Q_OBJECT
private slots:
    void sweep()
    {
        QCOMPARE(SweepCommand(3, false), QString("07209502155275000220000275000220000300"));
        QCOMPARE(SweepCommand(2, true).right(3), QString("100"));
        QVERIFY(SweepGoesOn("072100000") && !SweepGoesOn("072000000") && !SweepGoesOn(""));
        const QString status = "072100000";
        QVERIFY(!ParseSweepResult(status + "\r0720F4240220000\r", status));   // 16 characters
        // Both lines taken in by one turn of the event loop: the reply holds the result too.
        const QString both = status + "\r0720F424022000031\r";
        QCOMPARE(SweepStatus(both.chopped(1)), status);
        const std::optional<SweepResult> r = ParseSweepResult(both, status);
        QVERIFY(r);
        QCOMPARE(ProgressText(r->intermediateKHz), QString(" 4%"));
        QCOMPARE(ProgressText(900000), QString(" -4%"));
        ChannelTables t;
        AppendTransponder(t, *r, 3);
        AppendTransponder(t, *ParseSweepResult(status + "\r0720EF038275000 2\r", status), 2);
        QCOMPARE(TptLines(t),
                 QStringList(
                     {"01  11600000  00000  00000  00  02  4/5  V/U", "02  10729000  00000  00000  00  00  Err  H/D"}));
        UpdateScannedTransponder(t, 0, 1100, -1, 300);
        QCOMPARE(TptLine(t, 0), QString("01  11600000  01100  00000  FE  02  4/5  V/U"));
    }

    void filters()
    {
        ChannelTables t;
        const ScanFilters all;
        const ServicePids tv = {101, 102, 101, 7, 65535, 65535, 65535, 0};
        ServicePids radio = tv, data = tv, otherCa = tv, medGrd = tv;
        radio[0] = 65535;
        radio[3] = 8;
        data[3] = 9;
        otherCa[3] = 10;
        medGrd[3] = 11;
        data[0] = data[1] = 65535;
        otherCa[6] = 1;
        medGrd[6] = 0;
        QVERIFY(AddScannedService(t, 2, "TV", tv, all));
        QVERIFY(!AddScannedService(t, 2, "Again", tv, all));   // duplicate on the same transponder
        QVERIFY(AddScannedService(t, 3, "Elsewhere", tv, all));
        QVERIFY(!AddScannedService(t, 2, "Radio", radio, all));
        QVERIFY(AddScannedService(t, 2, "Radio", radio, {true, false, true, true}));
        QVERIFY(!AddScannedService(t, 2, "Data", data, {true, false, true, true}));
        QVERIFY(AddScannedService(t, 2, "MedGrd", medGrd, {false, true, true, true}));
        QVERIFY(!AddScannedService(t, 2, "Other CA", otherCa, all));
        QCOMPARE(t.TcsCount, 4);
        QCOMPARE(TcsLine(t, 0), QString(" 001 TV               04 03 00007 00101 00102 65535 65535 00101"));
        QVERIFY(TcsLine(t, 4).startsWith(" 005 Other CA         00 00"));   // the name goes in before the filters
        QCOMPARE(ScanSummary(2, 255, 250, 5), QString("TP:03  Channels:255  Skipped:250  Added:5"));
    }
};

QTEST_GUILESS_MAIN(TestChannelScan)
#include "test_channel_scan.moc"
