// The simulated front end: which tune commands meet a carrier of the
// satellite, and the demultiplexer PIDs it keeps.
#include "tuner.h"

#include <QtTest>

class TestTuner : public QObject {
    Q_OBJECT
private slots:
    void tune_data()
    {
        // The first transponder: 10729000 kHz horizontal, low band, 27500 ksym/s (IF 979000).
        QTest::addColumn<QString>("command");
        QTest::addColumn<QString>("reply");
        QTest::newRow("on it") << "070097900022750002002"
                               << "0700";
        QTest::newRow("4 MHz off") << "070098300022750002002"
                                   << "0700";
        QTest::newRow("4.001 MHz off") << "070098300122750002002"
                                       << "0701";
        QTest::newRow("in MHz") << "071097922750002002"
                                << "0710";
        QTest::newRow("rate within 1 %") << "070097900022725002002"
                                         << "0700";
        QTest::newRow("rate 22000") << "070097900022200002002"
                                    << "0701";
        QTest::newRow("vertical") << "070097900022750001002"
                                  << "0701";
        QTest::newRow("high band") << "070097900022750004002"
                                   << "0701";
        QTest::newRow("no end digit") << "070097900022750002000"
                                      << "07E";
        QTest::newRow("DiSEqC not hex") << "070097900022750002ZZ2"
                                        << "07E";
        QTest::newRow("band digit 5") << "070097900022750005002"
                                      << "07E";
        QTest::newRow("short") << "07009792"
                               << "07E";
    }
    void tune()
    {
        QFETCH(QString, command);
        sim::Tuner tuner(sim::defaultSatellite());
        const std::string reply = tuner.tune(command.toStdString()).value_or("07E");
        QTEST(QString::fromStdString(reply), "reply");
        QCOMPARE(tuner.tuned() != nullptr, reply.back() == '0');
        if (tuner.tuned())
            QCOMPARE(tuner.tuned()->frequencyKHz, 10729000u);
    }

    void pids()
    {
        sim::Tuner tuner(sim::defaultSatellite());
        QCOMPARE(tuner.pid(0), sim::Tuner::kPidOff);
        QCOMPARE(tuner.setPid("0901FFF").value_or(""), std::string("090"));
        QCOMPARE(tuner.setPid("0940011").value_or(""), std::string("094"));
        QVERIFY(!tuner.setPid("0950011") && !tuner.setPid("09001") && !tuner.setPid("090G000"));
        QCOMPARE(tuner.pid(0), uint16_t(0x1FFF));
        QCOMPARE(tuner.pid(4), uint16_t(0x11));
        // A tune without a carrier forgets the transponder tuned before.
        QVERIFY(tuner.tune("070097900022750002002") && tuner.tuned());
        QVERIFY(tuner.tune("070097900022750001002") && !tuner.tuned());
    }
};

QTEST_GUILESS_MAIN(TestTuner)
#include "test_tuner.moc"
