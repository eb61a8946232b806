// The simulated decoder's command monitor, fed command lines directly, one
// table of command scripts per family, and the ST20 code it carries.

#include "data_image.h"
#include "decoder.h"
#include "firmware_image.h"
#include "hex_text.h"
#include "satellite.h"
#include "sim_options.h"
#include "st20_assembler.h"
#include "video_memory.h"

#include <QtTest>

#include <algorithm>
#include <set>

namespace {

// Shorthands for the flash chips (offsets from 7FE00000, command bytes in hex):
// "Coff:cc" one command cycle to both chips, the odd one on bits 16-23 with its
// bit order reversed by the wiring; "Ucc" the unlock cycles and then cc;
// "Xoff" the erase of the block holding off.
void expand(const std::string &step, std::vector<std::string> &out)
{
    if (step[0] == 'C') {
        const size_t colon = step.find(':');
        const uint8_t c = static_cast<uint8_t>(*sim::parseHex(step.substr(colon + 1)));
        const uint32_t at = 0x7FE00000 + *sim::parseHex(step.substr(1, colon - 1));
        out.push_back("0220" + sim::toHex(at, 8) + sim::toHex(uint32_t(sim::mirrorBits(c)) << 16 | c, 8) + "=020");
    } else if (step[0] == 'U') {
        for (const std::string &s : {std::string("C1554:AA"), std::string("CAA8:55"), "C1554:" + step.substr(1)})
            expand(s, out);
    } else if (step[0] == 'X') {
        for (const std::string &s :
             {std::string("U80"), std::string("C1554:AA"), std::string("CAA8:55"), "C" + step.substr(1) + ":30"})
            expand(s, out);
    } else {
        out.push_back(step);
    }
}

}   // namespace

class DecoderTest : public QObject {
    Q_OBJECT

private slots:
    void commandScripts_data();
    void commandScripts();
    void unwrittenContentIsNotUniform();
    void assemblerWorkedExamples();
    void channelTablesDescribeTheSatellite();
    void videoPicturesDiffer();
};

// Each step is COMMAND, an operator and EXPECTED: '=' the reply is EXPECTED, '^' it
// starts with it, '!' it is anything else, '#' it has EXPECTED characters, '@' the
// line switches to EXPECTED bit/s once the reply is out (0: it stays).
void DecoderTest::commandScripts_data()
{
    QTest::addColumn<QString>("options");
    QTest::addColumn<QString>("script");
    QTest::newRow("syntax errors")
        << ""
        << "09=09E 090123=09E 09012345=09E 0951234=09E 02=02E 02017fe00000=02E "
           "02317FE00000=02E 0201007FE00000=02E 0201817FE00000=02E 0221037FE00000=02E 0220400000001234567=02E "
           "02004000000G12=02E 02214000000=02E 061080010=06E 061000081=06E 0600000123=06E 2511=25E 272D0001=27E "
           "270A000"
            + QString(34, '0') + "=27E 2709400=27E 281=28E 55=??E 0=??E =??E trabune=??E 101=10E";
    QTest::newRow("memory")
        << ""
        << "022040000000A1B2C3D4=020 020140000000=021D4 02010140000003=021A1 "
           "021140000000=021C3D4 022140000000=021A1B2C3D4 02210440000000=021A1B2C3D4 02018040000000^021D4C3B2A1 "
           "02018040000000#259 02010340000000#9 0210400000101234=020 020040000012AB=020 02010340000010=0213412AB "
           "02204000000111223344=020 022140000001=02111223344 0220FFFFFFFEAABBCCDD=020 0201FFFFFFFF=021CC "
           "020100000000=021BB 0221FFFFFFFE=021AABBCCDD";
    QTest::newRow("speed register")
        << ""
        << "021020004000001B=020 021020004000001B@115200 0210200040000145@9600 "
           "02102000400000A3@19200 0210200040000051@38400 0210200040000036@57600 0210200040000037@0 "
           "02102000400400A3@0 02202000400000000145@0 020140000000@0";
    QTest::newRow("eeprom") << ""
                            << "060078000112233445566778899AABBCCDDEEFF=060 061078010=061078000112233445566778899"
                               "AABBCCDDEEFF 061078080#263 061078001=061078000 06007FEA1B2C3=060 "
                               "06107FE03=06107FEA1B2C3 061000001=0610000C3";
    QTest::newRow("i2c")
        << ""
        << "2504277=250 25142=25177 272D04201=272D0420177 270A620A0A1A2A3=270A620A0A1A2A3 "
           "061032004=0610320A0A1A2A3 0600700B0B1=060 272AE0002=272AE0002B0B1 270940075=270940075 "
           "272940001=27294000175 272944001=27294400100 272B00010=27NAK 272A10010=27NAK 270B00012=27NAK";
    // Pixel (90, 0), in the yellow bar (192, 192, 64): luminance 95 in column
    // slot 5, factors 37 and A5 in macroblock 9 (page 4, half 1), sample 5.
    QTest::newRow("video memory")
        << ""
        << "020120032008=02101 02002003200800=020 020120032008=02100 "
           "0201FFC71400=021C0 0201FFC71C1A=02195 0201FFCD6800=02180 0201FFCD6C19=02137 0201FFCD6C1D=021A5 "
           "0201FFD09400=021C0";
    QTest::newRow("demux, demodulator, service mode") << ""
                                                      << "0900100=090 0910101=091 0921234=092 093ABCD=093 "
                                                         "094FFFF=094 25100=2513B 25100#5 TRABUNE=OK 100=100";
    QTest::newRow("data area erase")
        << "--protect 1"
        << "280=2800 02217FE00000=021FFFFFFFF 02217FE1FFFC=021FFFFFFFF "
           "02217FE7FFFC=021FFFFFFFF 02217FE20000=02100400020 02217FE20020!021FFFFFFFF 02217FE80000!021FFFFFFFF";
    QTest::newRow("flash identify") << ""
                                    << "U90 02217FE00000=02100040020 02217FE00004=021223722EC "
                                       "02017FE00000=02120 02117FE00004=02122EC C0:F0 02217FE00000=02101000020";
    QTest::newRow("flash identify bottom boot") << "--flash-device 58"
                                                << "U90 02217FE00004=021221A2258";
    QTest::newRow("flash protection status")
        << "--protect 2,18"
        << "U90 02217FE40008=02100800001 "
           "02217FE20008=02100000000 02217FFF8008=02100800001 02217FFF4008=02100000000";
    QTest::newRow("flash program") << ""
                                   << "02217FE70000=021FFFFFFFF UA0 02207FE7000012345678=020 "
                                      "02217FE70000=02112345678 UA0 02207FE70000FF00FFFF=020 02217FE70000=02112005678 "
                                      "02207FE7000000000000=020 02217FE70000=02112005678";
    QTest::newRow("flash erase top boot")
        << ""
        << "UA0 02207FE3FFFC00000000=020 UA0 02207FE4000000000000=020 X20004 "
           "02217FE20000=021FFFFFFFF 02217FE3FFFC=021FFFFFFFF 02217FE40000=02100000000 02217FFE0000!021FFFFFFFF "
           "02217FFF0000!021FFFFFFFF 02217FFF8000!021FFFFFFFF X1F4000 02217FFF4000=021FFFFFFFF "
           "02217FFF7FFC=021FFFFFFFF 02217FFF0000!021FFFFFFFF 02217FFEFFF0!021FFFFFFFF 02217FFF8000!021FFFFFFFF";
    QTest::newRow("flash erase bottom boot")
        << "--flash-device 58"
        << "UA0 02207FE0BFFC00000000=020 "
           "UA0 02207FE0C00000000000=020 UA0 02207FE0FFFC00000000=020 UA0 02207FE1000000000000=020 X0 "
           "02217FE00000=021FFFFFFFF 02217FE04000=021FFFFFFFF 02217FE0BFFC=02100000000 XC004 "
           "02217FE0BFFC=02100000000 02217FE0C000=021FFFFFFFF 02217FE0FFFC=021FFFFFFFF 02217FE10000=02100000000";
    QTest::newRow("flash protected block")
        << "--protect 0"
        << "X0 02217FE00000=02101000020 "
           "02217FE09000=021FFFFFFFF UA0 02207FE0900000000000=020 02217FE09000=021FFFFFFFF";
    QTest::newRow("flash broken sequences") << ""
                                            << "C1554:AA C1554:55 C1554:90 02217FE00000=02101000020 "
                                               "U80 C1554:AA CAA8:55 C1554:F0 02217FE00000=02101000020";
    QTest::newRow("flash one chip of the two") << ""
                                               << "02107FE0155400AA=020 02107FE00AA80055=020 "
                                                  "02107FE015540090=020 02117FE00004=02122EC 02117FE00006!0212237";
    QTest::newRow("flash stuck bit")
        << "--stuck-bit 7FE70002:3"
        << "02217FE70000=021FFF7FFFF X60000 "
           "02217FE70000=021FFF7FFFF UA0 02207FE70000123C5678=020 02217FE70000=02112345678";
    QTest::newRow("flash erase fails") << "--fault erasefail"
                                       << "UA0 02207FE7000012345678=020 X60000 "
                                          "02217FE70000=02112345678 280=2800 02217FE70000=02112345678";
}

// The two buffers show different pictures, each with fields that differ, in
// colours the chrominance factors reach without being cut at 255.
void DecoderTest::videoPicturesDiffer()
{
    const sim::RgbPicture first = sim::testPicture(0), second = sim::testPicture(1);
    QVERIFY(first.rgb != second.rgb);
    for (const sim::RgbPicture *p : {&first, &second}) {
        const size_t row = static_cast<size_t>(p->width) * 3;
        QVERIFY(!std::equal(p->rgb.begin() + 480 * row, p->rgb.begin() + 481 * row, p->rgb.begin() + 481 * row));
        const auto chroma = sim::encodeChrominance(*p);
        QVERIFY(*std::max_element(chroma.begin(), chroma.end()) < 255);
    }
}

void DecoderTest::commandScripts()
{
    QFETCH(QString, options);
    QFETCH(QString, script);
    std::vector<std::string> args;
    for (const QString &a : options.split(' ', Qt::SkipEmptyParts))
        args.push_back(a.toStdString());
    std::string error;
    const auto parsed = sim::parseSimOptions(args, error);
    QVERIFY2(parsed, error.c_str());
    sim::Decoder d(parsed->decoder);
    std::vector<std::string> steps;
    for (const QString &s : script.split(' ', Qt::SkipEmptyParts))
        expand(s.toStdString(), steps);
    for (const std::string &step : steps) {
        const size_t at = step.find_first_of("=^!#@");
        QVERIFY2(at != std::string::npos, step.c_str());
        const std::string expected = step.substr(at + 1);
        const sim::Reply r = d.execute(step.substr(0, at));
        const bool held = step[at] == '=' ? r.text == expected
            : step[at] == '^'             ? r.text.rfind(expected, 0) == 0
            : step[at] == '!'             ? r.text != expected
            : step[at] == '#'             ? r.text.size() == std::stoul(expected)
                                          : r.newBaud == std::stoi(expected);
        QVERIFY2(held, qPrintable(QString::fromStdString(step + " got " + r.text + " @" + std::to_string(r.newBaud))));
    }
}

void DecoderTest::unwrittenContentIsNotUniform()
{
    sim::Decoder d;
    std::set<std::string> blocks;
    for (const char *address : {"40000000", "40000080", "40001000", "20000000"})
        blocks.insert(d.execute(std::string("020180") + address).text);
    QCOMPARE(blocks.size(), size_t(4));
    QCOMPARE(d.execute("02018040000000").text, d.execute("02018040000000").text);
    std::set<uint8_t> eeprom(d.eeprom().begin(), d.eeprom().end());
    QVERIFY(eeprom.size() > 100);
    QVERIFY(d.execute("061000010").text.substr(7) != d.execute("061010010").text.substr(7));
}

void DecoderTest::assemblerWorkedExamples()
{
    using namespace sim::st20;
    QCOMPARE(encode(LDC, 5), (std::vector<uint8_t>{0x45}));
    QCOMPARE(encode(LDC, 0x145), (std::vector<uint8_t>{0x21, 0x24, 0x45}));
    QCOMPARE(encode(OPR, op::LDPI), (std::vector<uint8_t>{0x21, 0xFB}));
    QCOMPARE(encode(OPR, op::LDPRODID), (std::vector<uint8_t>{0x68, 0xFC}));
    QCOMPARE(encode(J, -2), (std::vector<uint8_t>{0x60, 0x0E}));
    // Branches to labels get the shortest chain that reaches them.
    Assembler a(0x1000);
    const int back = a.newLabel();
    const int table = a.newLabel();
    a.bind(back);
    a.put(LDL, 0);
    a.pointer(table);
    a.branch(CJ, back);
    a.bind(table);
    a.data({1, 2, 3, 4});
    // LDL 0 | LDC 2 (the table, 2 past the LDPI) | LDPI | CJ -6
    QCOMPARE(a.assemble(), (std::vector<uint8_t>{0x70, 0x42, 0x21, 0xFB, 0x60, 0xAA, 1, 2, 3, 4}));
    // The reset entry: NFIX F, J 0 back to the boot code.
    const auto firmware = sim::buildFirmwareImage();
    QCOMPARE(firmware.size(), size_t(sim::kFirmwareSize));
    QCOMPARE(firmware[firmware.size() - 2], uint8_t(0x6F));
    QCOMPARE(firmware[firmware.size() - 1], uint8_t(0x00));
}

// The satellite model, no PID shared within a transponder, and the TPT and TCS files written from it.
void DecoderTest::channelTablesDescribeTheSatellite()
{
    const auto &tps = sim::defaultSatellite().transponders;
    const auto layout = sim::defaultDataLayout();
    const auto &tpt = layout[0].modules[1].files[0].content, &tcs = layout[0].modules[1].files[1].content;
    QVERIFY(tpt.size() == 170 * 12 && tcs.size() == 999 * 30);
    const auto be = [](const std::vector<uint8_t> &v, size_t at) { return uint32_t(v[at] << 8 | v[at + 1]); };
    int bands[4] = {};   // transponders per LNB code: band and polarisation
    std::set<uint16_t> tsids;
    size_t r = 0;   // the TCS record of the next service
    for (size_t t = 0, at = 0; t < tps.size(); ++t, at += 12) {
        const int lnb = (tps[t].frequencyKHz >= 11700000) | (tps[t].polarisation == 'H') << 1;
        ++bands[lnb];
        QVERIFY(tsids.insert(tps[t].tsid).second && (t == 0 || tps[t - 1].frequencyKHz < tps[t].frequencyKHz));
        QCOMPARE((be(tpt, at) << 16 | be(tpt, at + 2)) / 1000 + (lnb & 1 ? 10600000 : 9750000), tps[t].frequencyKHz);
        QVERIFY(tpt[at + 11] == lnb && tpt[at + 8] == tps[t].services.size());
        std::set<uint16_t> sids, pids;
        for (const auto &s : tps[t].services) {
            for (uint16_t pid : std::set<uint16_t>{s.pmtPid, s.pcrPid, s.videoPid, s.audioPid, s.teletextPid, s.ecmPid})
                QVERIFY(pid == 0 || (pid >= 0x20 && pid <= 0x1FFE && pids.insert(pid).second));
            QVERIFY(sids.insert(s.sid).second && s.scrambled == (s.ecmPid != 0) && s.scrambled == !s.caSystems.empty());
            QVERIFY(r < tcs.size() && tcs[r + 17] == t + 1 && be(tcs, r + 18) == s.sid);
            QCOMPARE(std::string(&tcs[r], &tcs[r] + 16), (s.name + std::string(16, '\0')).substr(0, 16));
            r += 30;
        }
    }
    QVERIFY(r < tcs.size() && tcs[r + 17] == 0xFF && *std::min_element(bands, bands + 4) >= 6);
    QCOMPARE(std::set<uint8_t>(tpt.begin() + long(12 * tps.size()), tpt.end()), std::set<uint8_t>{0});
}

QTEST_GUILESS_MAIN(DecoderTest)
#include "test_decoder.moc"
