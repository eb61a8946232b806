// Line faults, command line, wire timing and the state folder of the
// simulated decoder.

#include "decoder.h"
#include "faults.h"
#include "line_timing.h"
#include "sim_options.h"
#include "state_store.h"

#include <QTemporaryDir>
#include <QtTest>

namespace {

std::optional<sim::SimOptions> parse(const QString &line, std::string &error)
{
    std::vector<std::string> args;
    for (const QString &a : line.split(' ', Qt::SkipEmptyParts))
        args.push_back(a.toStdString());
    return sim::parseSimOptions(args, error);
}

}   // namespace

class SettingsTest : public QObject {
    Q_OBJECT

private slots:
    void replyFaults_data();
    void replyFaults();
    void commandAndReadFaults();
    void options();
    void wireTiming();
    void stateFolderRoundTrip();
};

void SettingsTest::replyFaults_data()
{
    QTest::addColumn<QString>("faults");
    QTest::addColumn<QStringList>("replies");
    QTest::addColumn<QStringList>("sent");   // "-" for a reply not sent, a trailing "~" for junk after it
    QTest::newRow("drop") << "drop=3" << QStringList{"020", "020", "020", "09E", "020", "020"}
                          << QStringList{"020\r", "020\r", "-", "09E\r", "020\r", "-"};
    QTest::newRow("garble") << "garble=2" << QStringList{"021AB", "021AB", "0218", "0218", "OK", "OK"}
                            << QStringList{"021AB\r", "021AA\r", "0218\r", "0219\r", "OK\r", "OJ\r"};
    QTest::newRow("cut") << "cut=1" << QStringList{"02112345678"} << QStringList{"02112\r"};
    QTest::newRow("nocr") << "nocr=2" << QStringList{"020", "020"} << QStringList{"020\r", "020"};
    QTest::newRow("lf") << "lf=1" << QStringList{"020"} << QStringList{"020\r\n"};
    QTest::newRow("noise") << "noise=2" << QStringList{"020", "020"} << QStringList{"020\r", "020\r~"};
    QTest::newRow("two at once") << "drop=2,lf=3" << QStringList{"020", "020", "020"}
                                 << QStringList{"020\r", "-", "020\r\n"};
}

void SettingsTest::replyFaults()
{
    QFETCH(QString, faults);
    QFETCH(QStringList, replies);
    QFETCH(QStringList, sent);
    std::string error;
    const auto o = parse("--fault " + faults, error);
    QVERIFY2(o, error.c_str());
    sim::FaultInjector f(o->faults);
    for (int i = 0; i < replies.size(); ++i) {
        const auto shaped = f.shape(replies[i].toStdString());
        const QString got = !shaped.sent ? "-" : QString::fromStdString(shaped.bytes) + (shaped.junkAfter ? "~" : "");
        QCOMPARE(got, sent[i]);
    }
    QVERIFY(sim::kJunkCharacters.find('\r') == std::string_view::npos);
}

void SettingsTest::commandAndReadFaults()
{
    sim::FaultSettings s;
    QVERIFY(!sim::addFaults("mute=2,hangup=3,readfail=7FE00084:2", s));
    sim::FaultInjector f(s);
    QVERIFY(!f.isMuted(2) && f.isMuted(3));
    QVERIFY(!f.hangsUpAfter(2) && f.hangsUpAfter(3) && !f.hangsUpAfter(4));
    QVERIFY(!f.swallowsRead(0x7FE00000, 0x80));
    QVERIFY(!f.swallowsRead(0x7FE00085, 1));
    QVERIFY(f.swallowsRead(0x7FE00080, 0x80));
    QVERIFY(f.swallowsRead(0x7FE00084, 4));
    QVERIFY(!f.swallowsRead(0x7FE00084, 4));   // both failures used up
    sim::FaultInjector none(sim::FaultSettings{});
    QVERIFY(!none.isMuted(1000) && !none.hangsUpAfter(1) && none.shape("020").sent);
}

void SettingsTest::options()
{
    std::string error;
    const auto o = parse("--link /tmp/x --speed 115200 --pace --latency 25 --trace t.txt --state st --fault drop=2 "
                         "--erase-delay 10",
                         error);
    QVERIFY2(o, error.c_str());
    QCOMPARE(o->linkPath + o->tracePath + o->stateDir, std::string("/tmp/xt.txtst"));
    QVERIFY(o->pace && o->startBaud == 115200 && o->latencyMs == 25 && o->faults.drop == 2);
    QCOMPARE(o->decoder.eraseDelayMs, 10);
    const auto defaults = parse("", error);
    QVERIFY(defaults && defaults->startBaud == 9600 && !defaults->pace && defaults->decoder.flashDevice == 0xEC);
    for (const char *bad : {"--speed 14400", "--speed", "--fast", "--protect 19", "--protect 1,,2", "--latency -1",
                            "--stuck-bit 40000000:1", "--stuck-bit 7FE00000:8", "--flash-device ECX", "--fault drop",
                            "--fault drop=0", "--fault drop=x", "--fault bogus=1", "--fault readfail=7FE00000",
                            "--fault readfail=zz:1", "--fault cut=-1"}) {
        error.clear();
        QVERIFY2(!parse(bad, error) && !error.empty(), bad);
    }
}

void SettingsTest::wireTiming()
{
    // 10 bits per character: 9600 bit/s gives 960 characters per second.
    QCOMPARE(sim::characterDeadline(0, 0, 9600), sim::Nanos(1041667));
    QCOMPARE(sim::characterDeadline(500, 11519, 115200), sim::Nanos(1'000'000'500));
    // Rounding does not pile up over a long stretch.
    QVERIFY(sim::characterDeadline(0, 95999, 9600) - 100 * sim::kNanosPerSecond < 2);
}

void SettingsTest::stateFolderRoundTrip()
{
    QTemporaryDir dir;
    const std::string path = dir.path().toStdString() + "/state";
    const std::string firmware = sim::Decoder().execute("02217FE80000").text;
    {
        sim::Decoder d;
        d.execute("0600100" + std::string(256, 'A'));
        d.execute("02204000100012345678");
        d.execute("02208000123411223344");
        d.execute("280");
        std::string error;
        QVERIFY2(sim::saveState(path, d, error), error.c_str());
    }
    sim::Decoder fresh;
    std::vector<std::string> problems;
    sim::loadState(path, fresh, problems);
    QVERIFY(problems.empty());
    QCOMPARE(fresh.execute("06100FF03").text, "06100FF" + fresh.execute("06100FF01").text.substr(7) + "AAAA");
    QCOMPARE(fresh.execute("022140001000").text, std::string("02112345678"));
    QCOMPARE(fresh.execute("022180001234").text, std::string("02111223344"));
    QCOMPARE(fresh.execute("02214000FFFC").text, sim::Decoder().execute("02214000FFFC").text);
    QCOMPARE(fresh.execute("02217FE00000").text, std::string("021FFFFFFFF"));
    QCOMPARE(fresh.execute("02217FE80000").text, firmware);
    QCOMPARE(QDir(QString::fromStdString(path)).entryList(QDir::Files).size(), 3);   // no temporary files left

    // Files of the wrong size are reported and leave the defaults.
    std::string error;
    QVERIFY(sim::writeFileAtomically(path + "/eeprom.bin", std::vector<uint8_t>(100, 0), error));
    QVERIFY(sim::writeFileAtomically(path + "/flash.bin", std::vector<uint8_t>(100, 0), error));
    sim::Decoder d;
    sim::loadState(path, d, problems);
    QCOMPARE(problems.size(), size_t(2));
    QCOMPARE(d.execute("061010002").text, sim::Decoder().execute("061010002").text);
    QCOMPARE(d.execute("02217FE80000").text, firmware);
}

QTEST_GUILESS_MAIN(SettingsTest)
#include "test_settings.moc"
