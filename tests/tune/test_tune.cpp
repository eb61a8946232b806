// Tune and demultiplexer commands from the tuning boxes, and what the
// channel tables put into those boxes.
#include "channels/channel_tuning.h"
#include "tune/tune_command.h"

#include <QtTest>

class TestTune : public QObject {
    Q_OBJECT
private slots:
    void tuneCommand_data()
    {
        QTest::addColumn<QString>("frequency");
        QTest::addColumn<bool>("autoSwitch");
        QTest::addColumn<bool>("high");
        QTest::addColumn<int>("syntax");
        QTest::addColumn<QString>("corrected");
        QTest::addColumn<bool>("highAfter");
        QTest::addColumn<QString>("command");
        QTest::newRow("low band") << "11000000" << true << false << 0 << "11000000" << false << "070125000022750001002";
        QTest::newRow("4 digits") << "11000000" << true << false << 1 << "11000000" << false << "071125022750001002";
        QTest::newRow("above band") << "13000000" << true << false << 0 << "12755000" << true
                                    << "070215500022750003002";
        QTest::newRow("switch point") << "11700000" << true << true << 0 << "11700000" << false
                                      << "070195000022750001002";
        QTest::newRow("LO limit") << "12000000" << false << false << 0 << "11905000" << false
                                  << "070215500022750001002";
        QTest::newRow("LH limit") << "11000000" << false << true << 0 << "11550000" << true << "070095000022750003002";
        QTest::newRow("band start") << "10700000" << true << false << 1 << "10700000" << false << "071095022750001002";
        QTest::newRow("not a number") << "abc" << true << true << 0 << "10700000" << false << "070095000022750001002";
        QTest::newRow("blanks") << " 1 1000000" << true << false << 0 << " 1 1000000" << false
                                << "070125000022750001002";
    }
    void tuneCommand()
    {
        QFETCH(QString, frequency);
        QFETCH(bool, autoSwitch);
        QFETCH(bool, high);
        QFETCH(int, syntax);
        TuneBoxes b;
        b.frequency = frequency;
        b.autoSwitch = autoSwitch;
        b.highOscillator = high;
        CorrectTuneBoxes(b);
        QTEST(b.frequency, "corrected");
        QTEST(b.highOscillator, "highAfter");
        QTEST(TuneCommand(b, TuneSyntax(syntax)), "command");
    }

    void demuxAndVerdict()
    {
        TuneBoxes b;
        b.pids = {"99999", "16.5", "17.5", "-4"};
        b.symbolRate = "x";
        CorrectTuneBoxes(b);
        QCOMPARE(b.symbolRate, QString("220000"));
        QCOMPARE(b.pids[0], QString("65535"));
        const QStringList commands = {DemuxCommand(b, 1), DemuxCommand(b, 2), DemuxCommand(b, 3), DemuxCommand(b, 4)};
        QCOMPARE(commands, QStringList({"090FFFF", "0910010", "0930012", "0940000"}));
        QCOMPARE(CarrierVerdict("0700", "070"), QString(" : Carrier found."));
        QCOMPARE(CarrierVerdict("0711", "071"), QString(" : No Carrier!"));
        QCOMPARE(CarrierVerdict("0700", "071") + CarrierVerdict("070", "070"), QString());
    }

    // Transponder records fill band, frequency, rate and polarisation; a
    // channel its PIDs; padding records nothing.
    void fromTables()
    {
        ChannelTables t;
        const std::span<quint8> tpt(t.TptTable);
        PutFreqKHz(tpt, kTptFrequency, 1119250);
        tpt[kTptSr] = 2;
        tpt[kTptFec] = 5;
        tpt[kTptLnb] = 3;
        tpt[kTptRecordSize + kTptSr] = 1;
        tpt[kTptRecordSize + kTptFec] = 7;
        TuneBoxes b;
        b.symbolRate = "123456";
        QVERIFY(FillTransponder(t, 0, b));
        QCOMPARE(b.frequency + b.symbolRate, QString("11719250220000"));
        QVERIFY(b.highOscillator && b.horizontal && !b.autoSwitch && b.fec == 5);
        QVERIFY(FillTransponder(t, 1, b));   // SR and FEC codes it does not know leave the boxes
        QCOMPARE(b.symbolRate + QString::number(b.fec), QString("2200005"));
        QVERIFY(!FillTransponder(t, kTptMaxRecords, b));

        const std::span<quint8> tcs(t.TcsTable);
        for (int r = 0; r < 3; ++r) {
            tcs[size_t(r * kTcsRecordSize + kTcsUse)] = r == 1 ? 0 : 4;
            tcs[size_t(r * kTcsRecordSize + kTcsTp)] = quint8(r == 2 ? kNoTransponder : 3);
            PutBE16(tcs, r * kTcsRecordSize + kTcsVpid, 8191);
            PutBE16(tcs, r * kTcsRecordSize + kTcsApid, 17);
            PutBE16(tcs, r * kTcsRecordSize + kTcsPcr, 100);
        }
        t.TcsCount = 3;
        int tp = 0;
        QVERIFY(FillChannel(t, 0, b, tp));
        QCOMPARE(b.pids, (std::array<QString, 4>{"08191", "00017", "0", "00100"}));
        QCOMPARE(tp, 2);
        QVERIFY(!FillChannel(t, 1, b, tp) && !FillChannel(t, 2, b, tp) && !FillChannel(t, 3, b, tp));
        QCOMPARE(TransponderOfChannel(t, 0, 3), std::optional<int>(2));
        QCOMPARE(TransponderOfChannel(t, 0, 2), std::nullopt);
        tcs[kTcsTp] = 0;
        QCOMPARE(TransponderOfChannel(t, 0, 3), std::optional<int>(-1));
    }
};

QTEST_GUILESS_MAIN(TestTune)
#include "test_tune.moc"
