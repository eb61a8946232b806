// Fault shaping, command line, wire timing and the state folder of the
// simulated decoder.

#include "decoder.h"
#include "faults.h"
#include "line_timing.h"
#include "sim_options.h"
#include "sparse_memory.h"
#include "state_store.h"

#include <QTemporaryDir>
#include <QtTest>

namespace {

sim::FaultSettings faults(const std::string& faultList)
{
    sim::FaultSettings s;
    const auto error = sim::addFaults(faultList, s);
    if (error)
        qWarning("%s", error->c_str());
    return s;
}

std::optional<sim::SimOptions> parse(const std::vector<std::string>& args, std::string* errorOut = nullptr)
{
    std::string error;
    auto o = sim::parseSimOptions(args, error);
    if (errorOut)
        *errorOut = error;
    return o;
}

}  // namespace

class SettingsTest : public QObject {
    Q_OBJECT

private slots:
    void faultLists();
    void badFaultLists();
    void dropEveryNth();
    void garbleChangesLastCharacter();
    void cutNoCrLineFeed();
    void noiseFollowsEveryNth();
    void muteAndHangupCountCommands();
    void readFailCoversRange();
    void traceRendering();
    void options();
    void badOptions_data();
    void badOptions();
    void wireTiming();
    void memoryImageRoundTrip();
    void stateFolderRoundTrip();
    void stateFilesOfWrongSizeAreIgnored();
};

void SettingsTest::faultLists()
{
    sim::FaultSettings s;
    QVERIFY(!sim::addFaults("drop=3,garble=2", s));
    QVERIFY(!sim::addFaults("mute=10", s));
    QVERIFY(!sim::addFaults("readfail=7FE00010:2,erasefail,lf=4", s));
    QCOMPARE(s.drop, 3);
    QCOMPARE(s.garble, 2);
    QCOMPARE(s.mute, 10);
    QCOMPARE(s.lineFeed, 4);
    QVERIFY(s.eraseFail);
    QCOMPARE(s.readFails.size(), size_t(1));
    QCOMPARE(s.readFails[0].address, uint32_t(0x7FE00010));
    QCOMPARE(s.readFails[0].count, 2);
}

void SettingsTest::badFaultLists()
{
    for (const char* faultList : {"drop", "drop=0", "drop=x", "bogus=1", "readfail=7FE00000", "readfail=zz:1", "cut=-1"}) {
        sim::FaultSettings s;
        QVERIFY2(sim::addFaults(faultList, s).has_value(), faultList);
    }
}

void SettingsTest::dropEveryNth()
{
    sim::FaultInjector f(faults("drop=3"));
    QVERIFY(f.shape("020").sent);
    QVERIFY(f.shape("020").sent);
    QVERIFY(!f.shape("020").sent);
    QCOMPARE(f.shape("09E").bytes, std::string("09E\r"));
    QVERIFY(f.shape("020").sent);
    QVERIFY(!f.shape("020").sent);
}

void SettingsTest::garbleChangesLastCharacter()
{
    sim::FaultInjector f(faults("garble=2"));
    QCOMPARE(f.shape("021AB").bytes, std::string("021AB\r"));
    QCOMPARE(f.shape("021AB").bytes, std::string("021AA\r"));
    QCOMPARE(f.shape("0218").bytes, std::string("0218\r"));
    QCOMPARE(f.shape("0218").bytes, std::string("0219\r"));
    QCOMPARE(f.shape("OK").bytes, std::string("OK\r"));
    QCOMPARE(f.shape("OK").bytes, std::string("OJ\r"));
}

void SettingsTest::cutNoCrLineFeed()
{
    sim::FaultInjector cut(faults("cut=1"));
    QCOMPARE(cut.shape("02112345678").bytes, std::string("02112\r"));
    sim::FaultInjector nocr(faults("nocr=2"));
    QCOMPARE(nocr.shape("020").bytes, std::string("020\r"));
    QCOMPARE(nocr.shape("020").bytes, std::string("020"));
    sim::FaultInjector lf(faults("lf=1"));
    QCOMPARE(lf.shape("020").bytes, std::string("020\r\n"));
}

void SettingsTest::noiseFollowsEveryNth()
{
    sim::FaultInjector f(faults("noise=2"));
    QVERIFY(!f.shape("020").junkAfter);
    const auto second = f.shape("020");
    QVERIFY(second.junkAfter);
    QCOMPARE(second.bytes, std::string("020\r"));
    QVERIFY(sim::kJunkCharacters.find('\r') == std::string_view::npos);
}

void SettingsTest::muteAndHangupCountCommands()
{
    sim::FaultInjector f(faults("mute=2,hangup=3"));
    QVERIFY(!f.isMuted(1));
    QVERIFY(!f.isMuted(2));
    QVERIFY(f.isMuted(3));
    QVERIFY(!f.hangsUpAfter(2));
    QVERIFY(f.hangsUpAfter(3));
    sim::FaultInjector none(sim::FaultSettings{});
    QVERIFY(!none.isMuted(1000));
    QVERIFY(!none.hangsUpAfter(1));
}

void SettingsTest::readFailCoversRange()
{
    sim::FaultInjector f(faults("readfail=7FE00084:2"));
    QVERIFY(!f.swallowsRead(0x7FE00000, 0x80));
    QVERIFY(!f.swallowsRead(0x7FE00085, 1));
    QVERIFY(f.swallowsRead(0x7FE00080, 0x80));
    QVERIFY(f.swallowsRead(0x7FE00084, 4));
    QVERIFY(!f.swallowsRead(0x7FE00084, 4));  // both failures used up
}

void SettingsTest::traceRendering()
{
    QCOMPARE(sim::describeSent("020\r"), std::string("020"));
    QCOMPARE(sim::describeSent("020"), std::string("020 [no CR]"));
    QCOMPARE(sim::describeSent("020\r\n"), std::string("020<CR><LF>"));
    QCOMPARE(sim::printable(std::string("A\x01") + "B"), std::string("A<01>B"));
}

void SettingsTest::options()
{
    const auto o = parse({"--link", "/tmp/x", "--speed", "115200", "--pace", "--latency", "25", "--trace", "t.txt",
                          "--state", "st", "--fault", "drop=2", "--fault", "erasefail", "--flash-device", "58",
                          "--protect", "0,3,18", "--stuck-bit", "7FE00003:7", "--erase-delay", "10"});
    QVERIFY(o);
    QCOMPARE(o->linkPath, std::string("/tmp/x"));
    QCOMPARE(o->startBaud, 115200);
    QVERIFY(o->pace);
    QCOMPARE(o->latencyMs, 25);
    QCOMPARE(o->tracePath, std::string("t.txt"));
    QCOMPARE(o->stateDir, std::string("st"));
    QCOMPARE(o->faults.drop, 2);
    QVERIFY(o->decoder.eraseFails);
    QCOMPARE(o->decoder.flashDevice, uint8_t(0x58));
    QCOMPARE(o->decoder.protectedBlocks, (std::vector<int>{0, 3, 18}));
    QCOMPARE(o->decoder.stuckBits.size(), size_t(1));
    QCOMPARE(o->decoder.stuckBits[0].first, uint32_t(0x7FE00003));
    QCOMPARE(o->decoder.stuckBits[0].second, 7);
    QCOMPARE(o->decoder.eraseDelayMs, 10);

    const auto defaults = parse({});
    QVERIFY(defaults);
    QCOMPARE(defaults->startBaud, 9600);
    QVERIFY(!defaults->pace);
    QCOMPARE(defaults->decoder.flashDevice, uint8_t(0xEC));
}

void SettingsTest::badOptions_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::newRow("speed not in table") << QStringList{"--speed", "14400"};
    QTest::newRow("speed missing") << QStringList{"--speed"};
    QTest::newRow("unknown option") << QStringList{"--fast"};
    QTest::newRow("protect beyond map") << QStringList{"--protect", "19"};
    QTest::newRow("protect junk") << QStringList{"--protect", "1,,2"};
    QTest::newRow("stuck bit outside flash") << QStringList{"--stuck-bit", "40000000:1"};
    QTest::newRow("stuck bit 8") << QStringList{"--stuck-bit", "7FE00000:8"};
    QTest::newRow("device code") << QStringList{"--flash-device", "ECX"};
    QTest::newRow("bad fault") << QStringList{"--fault", "drop=0"};
    QTest::newRow("latency") << QStringList{"--latency", "-1"};
}

void SettingsTest::badOptions()
{
    QFETCH(QStringList, args);
    std::vector<std::string> list;
    for (const auto& a : args)
        list.push_back(a.toStdString());
    std::string error;
    QVERIFY(!parse(list, &error));
    QVERIFY(!error.empty());
}

void SettingsTest::wireTiming()
{
    // 10 bits per character: 9600 bit/s gives 960 characters per second.
    QCOMPARE(sim::characterTime(9600), sim::Nanos(1041667));
    QCOMPARE(sim::characterDeadline(0, 0, 9600), sim::Nanos(1041667));
    QCOMPARE(sim::characterDeadline(0, 959, 9600), sim::Nanos(1'000'000'000));
    QCOMPARE(sim::characterDeadline(500, 11519, 115200), sim::Nanos(1'000'000'500));
    // Rounding does not pile up over a long stretch.
    QVERIFY(sim::characterDeadline(0, 95999, 9600) - 100 * sim::kNanosPerSecond < 2);
}

void SettingsTest::memoryImageRoundTrip()
{
    sim::SparseMemory m;
    m.write(0x40000000, 0x11);
    m.write(0x80001234, 0x22);
    const auto bytes = m.serialize();
    sim::SparseMemory back;
    QVERIFY(back.deserialize(bytes));
    QCOMPARE(back.read(0x40000000), uint8_t(0x11));
    QCOMPARE(back.read(0x80001234), uint8_t(0x22));
    QCOMPARE(back.read(0x40000001), sim::SparseMemory::patternByte(0x40000001));
    QCOMPARE(back.pages().size(), size_t(2));
    QVERIFY(!back.deserialize({1, 2, 3}));
}

void SettingsTest::stateFolderRoundTrip()
{
    QTemporaryDir dir;
    const std::string path = dir.path().toStdString() + "/state";
    {
        sim::Decoder d;
        d.execute("0600100" + std::string(256, 'A'));
        d.execute("02204000100012345678");
        d.execute("280");
        std::string error;
        QVERIFY2(sim::saveState(path, d, error), error.c_str());
    }
    std::vector<uint8_t> flash;
    QVERIFY(sim::readWholeFile(path + "/flash.bin", flash));
    QCOMPARE(flash.size(), size_t(2 * 1024 * 1024));
    QCOMPARE(flash[0], uint8_t(0xFF));
    QVERIFY(flash[0x80000] != 0xFF || flash[0x80001] != 0xFF);

    sim::Decoder fresh;
    std::vector<std::string> problems;
    sim::loadState(path, fresh, problems);
    QVERIFY(problems.empty());
    QCOMPARE(fresh.execute("061010002").text, std::string("0610100AAAA"));
    QCOMPARE(fresh.execute("022140001000").text, std::string("02112345678"));
    QCOMPARE(fresh.execute("02217FE00000").text, std::string("021FFFFFFFF"));
    QCOMPARE(fresh.execute("02217FE80000").text, sim::Decoder().execute("02217FE80000").text);
    // No temporary files are left behind.
    QCOMPARE(QDir(QString::fromStdString(path)).entryList(QDir::Files).size(), 3);
}

void SettingsTest::stateFilesOfWrongSizeAreIgnored()
{
    QTemporaryDir dir;
    const std::string path = dir.path().toStdString();
    std::string error;
    QVERIFY(sim::writeFileAtomically(path + "/eeprom.bin", std::vector<uint8_t>(100, 0), error));
    QVERIFY(sim::writeFileAtomically(path + "/flash.bin", std::vector<uint8_t>(100, 0), error));
    sim::Decoder d;
    std::vector<std::string> problems;
    sim::loadState(path, d, problems);
    QCOMPARE(problems.size(), size_t(2));
    QCOMPARE(d.eeprom()[1], sim::Decoder::defaultEepromByte(1));
}

QTEST_GUILESS_MAIN(SettingsTest)
#include "test_settings.moc"
