// Command monitor of the simulated decoder, fed command lines directly.

#include "decoder.h"
#include "hex_text.h"

#include <QtTest>

#include <set>

using sim::Decoder;

namespace {

std::string run(Decoder& d, const std::string& command)
{
    return d.execute(command).text;
}

}  // namespace

class DecoderTest : public QObject {
    Q_OBJECT

private slots:
    void syntaxErrorsNameTheFamily_data();
    void syntaxErrorsNameTheFamily();
    void memoryReadForms();
    void memoryWritesAreLittleEndian();
    void unwrittenMemoryDiffersByAddress();
    void unalignedAccessTouchesConsecutiveBytes();
    void memoryReadReportsItsRange();
    void speedRegisterWriteSwitchesSpeed();
    void eepromReadAndWrite();
    void eepromDefaultIsNotErased();
    void demuxCommands();
    void demodulatorRegisters();
    void i2cDevices();
    void dataAreaEraseHonoursProtection();
    void serviceMode();
};

void DecoderTest::syntaxErrorsNameTheFamily_data()
{
    QTest::addColumn<QString>("command");
    QTest::addColumn<QString>("reply");
    QTest::newRow("bare 09") << "09" << "09E";
    QTest::newRow("09 short") << "090123" << "09E";
    QTest::newRow("09 long") << "09012345" << "09E";
    QTest::newRow("09 channel 5") << "0951234" << "09E";
    QTest::newRow("02 short") << "02" << "02E";
    QTest::newRow("02 lower case") << "02017fe00000" << "02E";
    QTest::newRow("02 bad size") << "02317FE00000" << "02E";
    QTest::newRow("02 read count 0") << "0201007FE00000" << "02E";
    QTest::newRow("02 read count 81") << "0201817FE00000" << "02E";
    QTest::newRow("02 dword count 3") << "0221037FE00000" << "02E";
    QTest::newRow("02 write too short") << "0220400000001234567" << "02E";
    QTest::newRow("02 write non-hex") << "02004000000G12" << "02E";
    QTest::newRow("06 address beyond 7FF") << "061080010" << "06E";
    QTest::newRow("06 count 81") << "061000081" << "06E";
    QTest::newRow("06 odd data") << "0600000123" << "06E";
    QTest::newRow("25 missing digit") << "2511" << "25E";
    QTest::newRow("27 read wrong length") << "272D0001" << "27E";
    QTest::newRow("27 write 17 bytes") << QString("270A000") + QString(34, '0') << "27E";
    QTest::newRow("28 other") << "281" << "28E";
    QTest::newRow("unknown family") << "55" << "??E";
    QTest::newRow("single character") << "0" << "??E";
    QTest::newRow("empty") << "" << "??E";
    QTest::newRow("service text lower case") << "trabune" << "??E";
    QTest::newRow("10 other than 100") << "101" << "10E";
}

void DecoderTest::syntaxErrorsNameTheFamily()
{
    QFETCH(QString, command);
    QFETCH(QString, reply);
    Decoder d;
    QCOMPARE(QString::fromStdString(run(d, command.toStdString())), reply);
}

void DecoderTest::memoryReadForms()
{
    Decoder d;
    run(d, "022040000000A1B2C3D4");
    QCOMPARE(run(d, "020140000000"), std::string("021D4"));
    QCOMPARE(run(d, "020101" "40000003"), std::string("021A1"));
    QCOMPARE(run(d, "021140000000"), std::string("021C3D4"));
    QCOMPARE(run(d, "022140000000"), std::string("021A1B2C3D4"));
    QCOMPARE(run(d, "02210440000000"), std::string("021A1B2C3D4"));
    const std::string block = run(d, "02018040000000");
    QCOMPARE(block.size(), size_t(259));
    QCOMPARE(block.substr(0, 11), std::string("021D4C3B2A1"));
    QCOMPARE(run(d, "02010340000000").size(), size_t(3 + 6));
}

void DecoderTest::memoryWritesAreLittleEndian()
{
    Decoder d;
    QCOMPARE(run(d, "0210400000101234"), std::string("020"));
    QCOMPARE(d.readByte(0x40000010), uint8_t(0x34));
    QCOMPARE(d.readByte(0x40000011), uint8_t(0x12));
    QCOMPARE(run(d, "020040000012AB"), std::string("020"));
    QCOMPARE(run(d, "02010340000010"), std::string("0213412AB"));
}

void DecoderTest::unwrittenMemoryDiffersByAddress()
{
    Decoder d;
    const std::string a = run(d, "02018040000000");
    const std::string b = run(d, "02018040000080");
    const std::string c = run(d, "02018020000000");
    QVERIFY(a != b);
    QVERIFY(a != c);
    QCOMPARE(run(d, "02018040000000"), a);  // deterministic
    std::set<std::string> words;
    for (int i = 0; i < 16; ++i)
        words.insert(run(d, "0221" + sim::toHex(0x40001000 + 4 * static_cast<uint32_t>(i), 8)));
    QCOMPARE(words.size(), size_t(16));
}

void DecoderTest::unalignedAccessTouchesConsecutiveBytes()
{
    Decoder d;
    run(d, "02204000000111223344");
    QCOMPARE(run(d, "02018040000000").substr(3 + 2, 8), std::string("44332211"));
    QCOMPARE(run(d, "022140000001"), std::string("02111223344"));
    // Accesses at the top of the address space wrap to address 0.
    run(d, "0220FFFFFFFEAABBCCDD");
    QCOMPARE(run(d, "0201FFFFFFFF"), std::string("021CC"));
    QCOMPARE(run(d, "020100000000"), std::string("021BB"));
    QCOMPARE(run(d, "0221FFFFFFFE"), std::string("021AABBCCDD"));
}

void DecoderTest::memoryReadReportsItsRange()
{
    Decoder d;
    const auto reply = d.execute("0201807FE00080");
    QVERIFY(reply.memoryRead.has_value());
    QCOMPARE(reply.memoryRead->first, uint32_t(0x7FE00080));
    QCOMPARE(reply.memoryRead->second, uint32_t(0x80));
    QVERIFY(!d.execute("0220400000000000000").memoryRead.has_value());
}

void DecoderTest::speedRegisterWriteSwitchesSpeed()
{
    Decoder d;
    const auto fast = d.execute("021020004000001B");
    QCOMPARE(fast.text, std::string("020"));
    QCOMPARE(fast.newBaud, 115200);
    QCOMPARE(d.execute("0210200040000145").newBaud, 9600);
    QCOMPARE(d.execute("02102000400000A3").newBaud, 19200);
    QCOMPARE(d.execute("0210200040000051").newBaud, 38400);
    QCOMPARE(d.execute("0210200040000036").newBaud, 57600);
    QCOMPARE(d.execute("0210200040000037").newBaud, 0);  // not a speed of the table
    QCOMPARE(d.execute("02102000400400A3").newBaud, 0);  // another register
    QCOMPARE(d.execute("02202000400000000145").newBaud, 0);  // only the 16-bit write sets it
}

void DecoderTest::eepromReadAndWrite()
{
    Decoder d;
    std::string data;
    for (int i = 0; i < 128; ++i)
        data += sim::toHex(static_cast<uint32_t>(255 - i), 2);
    QCOMPARE(run(d, "0600780" + data), std::string("060"));
    const std::string row = run(d, "061078010");
    QCOMPARE(row.size(), size_t(39));
    QCOMPARE(row.substr(0, 7), std::string("0610780"));
    QCOMPARE(row.substr(7), data.substr(0, 32));
    const std::string half = run(d, "061078080");
    QCOMPARE(half.size(), size_t(263));
    QCOMPARE(half.substr(7), data);
    QCOMPARE(d.eeprom()[0x780], uint8_t(0xFF));
    // A range running past 7FF continues at 000.
    const std::string wrap = run(d, "06107FF02");
    QCOMPARE(wrap, "06107FF" + sim::toHex(d.eeprom()[0x7FF], 2) + sim::toHex(d.eeprom()[0], 2));
}

void DecoderTest::eepromDefaultIsNotErased()
{
    Decoder d;
    std::set<uint8_t> values(d.eeprom().begin(), d.eeprom().end());
    QVERIFY(values.size() > 100);
    QVERIFY(d.eeprom()[0x000] != d.eeprom()[0x100]);  // pages differ
}

void DecoderTest::demuxCommands()
{
    Decoder d;
    for (const char* c : {"0900100", "0910101", "0921234", "093ABCD", "094FFFF"})
        QCOMPARE(run(d, c), std::string(c).substr(0, 3));
}

void DecoderTest::demodulatorRegisters()
{
    Decoder d;
    std::set<std::string> values;
    for (uint32_t r = 0; r < 256; ++r) {
        const std::string reply = run(d, "251" + sim::toHex(r, 2));
        QCOMPARE(reply.size(), size_t(5));
        values.insert(reply.substr(3));
    }
    QCOMPARE(values.size(), size_t(256));
    QCOMPARE(run(d, "2504277"), std::string("250"));
    QCOMPARE(run(d, "25142"), std::string("25177"));
}

void DecoderTest::i2cDevices()
{
    Decoder d;
    // D0 is the demodulator: the same registers as command 25.
    const std::string row = run(d, "272D01010");
    QCOMPARE(row.size(), size_t(41));
    QCOMPARE(row.substr(0, 9), std::string("272D01010"));
    QCOMPARE(row.substr(9, 2), run(d, "25110").substr(3));
    QCOMPARE(row.substr(11, 2), run(d, "25111").substr(3));

    // A0..AE are the EEPROM's 256-byte blocks.
    const std::string write = "270A620" + std::string("00112233445566778899AABBCCDDEEFF");
    QCOMPARE(run(d, write), write);
    QCOMPARE(run(d, write).size(), size_t(39));
    QCOMPARE(run(d, "061032010").substr(7), std::string("00112233445566778899AABBCCDDEEFF"));
    QCOMPARE(run(d, "272AE0010").substr(9), run(d, "061070010").substr(7));

    // The audio device has a few registers; the rest read 00.
    QCOMPARE(run(d, "2709400") + "", std::string("27E"));
    QCOMPARE(run(d, "270940075"), std::string("270940075"));
    QCOMPARE(run(d, "272940001"), std::string("27294000175"));
    QCOMPARE(run(d, "272944001"), std::string("27294400100"));

    // Absent devices answer neither data nor a syntax error.
    QCOMPARE(run(d, "272B00010"), std::string("27NAK"));
    QCOMPARE(run(d, "272A10010"), std::string("27NAK"));
    QCOMPARE(run(d, "270B00012"), std::string("27NAK"));
}

void DecoderTest::dataAreaEraseHonoursProtection()
{
    sim::DecoderConfig config;
    config.protectedBlocks = {1};  // chip block 1: bus 7FE20000-7FE3FFFF on the top-boot part
    config.eraseDelayMs = 123;
    Decoder d(config);
    run(d, "022040000000AAAAAAAA");
    const auto reply = d.execute("280");
    QCOMPARE(reply.text, std::string("2800"));
    QCOMPARE(reply.delayMs, 123);
    QCOMPARE(run(d, "02217FE00000"), std::string("021FFFFFFFF"));
    QCOMPARE(run(d, "02217FE7FFFC"), std::string("021FFFFFFFF"));
    QCOMPARE(run(d, "02217FE20000"), std::string("02100400020"));  // image block 2 keeps its module pointers
    QVERIFY(run(d, "02217FE20020") != std::string("021FFFFFFFF"));  // its module survived
    QVERIFY(run(d, "02217FE80000") != std::string("021FFFFFFFF"));  // firmware untouched
    QCOMPARE(run(d, "02214000000"), std::string("02E"));
}

void DecoderTest::serviceMode()
{
    Decoder d;
    QVERIFY(!d.inServiceMode());
    QCOMPARE(run(d, "TRABUNE"), std::string("OK"));
    QVERIFY(d.inServiceMode());
    QCOMPARE(run(d, "100"), std::string("100"));
    QVERIFY(!d.inServiceMode());
}

QTEST_GUILESS_MAIN(DecoderTest)
#include "test_decoder.moc"
