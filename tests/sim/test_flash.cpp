// Flash chips on the 32-bit bus, driven through command 02 as the
// application does, and the default content of the flash.

#include "data_image.h"
#include "decoder.h"
#include "firmware_image.h"
#include "flash_bank.h"
#include "hex_text.h"
#include "st20_assembler.h"

#include <QtTest>

#include <set>

using sim::Decoder;

namespace {

// A command byte for both chips: even chip on bits 0-7, odd chip on bits
// 16-23 with its bit order reversed by the wiring.
std::string commandCycle(uint32_t offset, uint8_t command)
{
    const uint32_t value = (static_cast<uint32_t>(sim::mirrorBits(command)) << 16) | command;
    return "0220" + sim::toHex(0x7FE00000 + offset, 8) + sim::toHex(value, 8);
}

void unlock(Decoder& d, uint8_t command)
{
    d.execute(commandCycle(0x1554, 0xAA));
    d.execute(commandCycle(0xAA8, 0x55));
    d.execute(commandCycle(0x1554, command));
}

uint32_t readDword(Decoder& d, uint32_t offset)
{
    return *sim::parseHex(d.execute("0221" + sim::toHex(0x7FE00000 + offset, 8)).text.substr(3));
}

void eraseBlockAt(Decoder& d, uint32_t offset)
{
    unlock(d, 0x80);
    d.execute(commandCycle(0x1554, 0xAA));
    d.execute(commandCycle(0xAA8, 0x55));
    d.execute(commandCycle(offset, 0x30));
}

void program(Decoder& d, uint32_t offset, uint32_t value)
{
    unlock(d, 0xA0);
    d.execute("0220" + sim::toHex(0x7FE00000 + offset, 8) + sim::toHex(value, 8));
}

// Operand of each instruction as the processor builds it; false when a
// prefix chain runs off the end.
bool decodesCleanly(const std::vector<uint8_t>& code, std::vector<int32_t>& operations)
{
    uint32_t operand = 0;
    bool inPrefix = false;
    for (uint8_t b : code) {
        operand = (operand << 4) | (b & 0xF);
        const unsigned fn = b >> 4;
        if (fn == 6)
            operand = ~operand;
        inPrefix = fn == 2 || fn == 6;
        if (fn == 15)
            operations.push_back(static_cast<int32_t>(operand));
        if (!inPrefix)
            operand = 0;
    }
    return !inPrefix;
}

}  // namespace

class FlashTest : public QObject {
    Q_OBJECT

private slots:
    void autoselectThroughTheWiring();
    void autoselectBottomBootPart();
    void protectionStatusPerBlock();
    void programOnlyClearsBits();
    void blockEraseFollowsTheBlockMap();
    void bottomBootBlockMap();
    void protectedBlockIsNeitherErasedNorProgrammed();
    void brokenSequenceResetsToArrayReads();
    void narrowAccessesReachOneChip();
    void stuckBitSurvivesErase();
    void eraseFailureLeavesContent();
    void imageRoundTrip();
    void defaultDataAreaLayout();
    void firmwareIsGenuineCode();
    void assemblerPrefixChains();
};

void FlashTest::autoselectThroughTheWiring()
{
    Decoder d;
    unlock(d, 0x90);
    // Manufacturer 0020 on both chips: byte 2 holds the mirrored low byte.
    QCOMPARE(readDword(d, 0), uint32_t(0x00040020));
    // Device 22EC on both chips; EC mirrored is 37.
    QCOMPARE(readDword(d, 4), uint32_t(0x223722EC));
    // The byte and word reads of command 02 see the same autoselect data.
    QCOMPARE(d.execute("02017FE00000").text, std::string("02120"));
    QCOMPARE(d.execute("02117FE00004").text, std::string("02122EC"));
    d.execute(commandCycle(0, 0xF0));
    QCOMPARE(readDword(d, 0), uint32_t(0x01000020));  // array again: the first two module pointers
    QCOMPARE(d.flash().evenChip().mode(), sim::FlashChip::Mode::Read);
}

void FlashTest::autoselectBottomBootPart()
{
    sim::DecoderConfig config;
    config.flashDevice = 0x58;
    Decoder d(config);
    unlock(d, 0x90);
    QCOMPARE(readDword(d, 4) & 0xFFFF, uint32_t(0x2258));
    QCOMPARE(sim::mirrorBits(static_cast<uint8_t>(readDword(d, 4) >> 16)), uint8_t(0x58));
}

void FlashTest::protectionStatusPerBlock()
{
    sim::DecoderConfig config;
    config.protectedBlocks = {2, 18};
    Decoder d(config);
    unlock(d, 0x90);
    // Word 2 of a block: 0001 protected, 0000 not; the odd chip's 01 arrives mirrored as 80.
    QCOMPARE(readDword(d, 0x40000 + 8), uint32_t(0x00800001));
    QCOMPARE(readDword(d, 0x20000 + 8), uint32_t(0));
    QCOMPARE(readDword(d, 0x1F8000 + 8), uint32_t(0x00800001));  // top boot: block 18 is the 16 KB boot block
    QCOMPARE(readDword(d, 0x1F4000 + 8), uint32_t(0));
}

void FlashTest::programOnlyClearsBits()
{
    Decoder d;
    const uint32_t offset = 0x70000;  // erased space of the default image
    QCOMPARE(readDword(d, offset), uint32_t(0xFFFFFFFF));
    program(d, offset, 0x12345678);
    QCOMPARE(readDword(d, offset), uint32_t(0x12345678));
    program(d, offset, 0xFF00FFFF);
    QCOMPARE(readDword(d, offset), uint32_t(0x12005678));
    // Without the A0 sequence a write changes nothing.
    d.execute("0220" + sim::toHex(0x7FE00000 + offset, 8) + "00000000");
    QCOMPARE(readDword(d, offset), uint32_t(0x12005678));
}

void FlashTest::blockEraseFollowsTheBlockMap()
{
    Decoder d;
    // Top-boot part: chip blocks of 64 KB are 128 KB on the bus.
    program(d, 0x3FFFC, 0);
    program(d, 0x40000, 0);
    eraseBlockAt(d, 0x20004);  // any address inside the block
    QCOMPARE(readDword(d, 0x20000), uint32_t(0xFFFFFFFF));
    QCOMPARE(readDword(d, 0x3FFFC), uint32_t(0xFFFFFFFF));
    QCOMPARE(readDword(d, 0x40000), uint32_t(0));
    // The top boot area: 32, 8, 8 and 16 KB chip blocks.
    const uint32_t starts[] = {0x1E0000, 0x1F0000, 0x1F4000, 0x1F8000};
    for (uint32_t s : starts)
        QVERIFY(readDword(d, s) != 0xFFFFFFFF);
    eraseBlockAt(d, 0x1F4000);
    QCOMPARE(readDword(d, 0x1F4000), uint32_t(0xFFFFFFFF));
    QCOMPARE(readDword(d, 0x1F7FFC), uint32_t(0xFFFFFFFF));
    QVERIFY(readDword(d, 0x1F0000) != 0xFFFFFFFF);
    QVERIFY(readDword(d, 0x1EFFF0) != 0xFFFFFFFF);
}

void FlashTest::bottomBootBlockMap()
{
    const auto map = sim::flashBlockMap(0x58);
    QCOMPARE(map.size(), size_t(19));
    QCOMPARE(map[0].words, uint32_t(8 * 1024));
    QCOMPARE(map[1].firstWord, uint32_t(0x2000));
    QCOMPARE(map[2].firstWord, uint32_t(0x3000));
    QCOMPARE(map[3].firstWord, uint32_t(0x4000));
    QCOMPARE(map[4].firstWord, uint32_t(0x8000));
    QCOMPARE(map[18].firstWord + map[18].words, sim::FlashChip::kWords);
    const auto top = sim::flashBlockMap(0xEC);
    QCOMPARE(top[15].firstWord, uint32_t(0x78000));
    QCOMPARE(top[15].words, uint32_t(16 * 1024));
    QCOMPARE(top[16].firstWord, uint32_t(0x7C000));
    QCOMPARE(top[17].firstWord, uint32_t(0x7D000));
    QCOMPARE(top[18].firstWord, uint32_t(0x7E000));

    sim::DecoderConfig config;
    config.flashDevice = 0x58;
    Decoder d(config);
    program(d, 0x8000, 0);
    eraseBlockAt(d, 0x0);  // the 16 KB boot block: bus 0-0x7FFF
    QCOMPARE(readDword(d, 0), uint32_t(0xFFFFFFFF));
    QCOMPARE(readDword(d, 0x4000), uint32_t(0xFFFFFFFF));
    QCOMPARE(readDword(d, 0x8000), uint32_t(0));
}

void FlashTest::protectedBlockIsNeitherErasedNorProgrammed()
{
    sim::DecoderConfig config;
    config.protectedBlocks = {0};
    Decoder d(config);
    const uint32_t before = readDword(d, 0);
    eraseBlockAt(d, 0);
    QCOMPARE(readDword(d, 0), before);
    QCOMPARE(readDword(d, 0x9000), uint32_t(0xFFFFFFFF));
    program(d, 0x9000, 0);  // erased space inside block 0
    QCOMPARE(readDword(d, 0x9000), uint32_t(0xFFFFFFFF));
}

void FlashTest::brokenSequenceResetsToArrayReads()
{
    Decoder d;
    d.execute(commandCycle(0x1554, 0xAA));
    d.execute(commandCycle(0x1554, 0x55));  // wrong address
    d.execute(commandCycle(0x1554, 0x90));
    QCOMPARE(d.flash().evenChip().mode(), sim::FlashChip::Mode::Read);
    QCOMPARE(readDword(d, 0), uint32_t(0x01000020));  // the first two module pointers
    unlock(d, 0x80);
    d.execute(commandCycle(0x1554, 0xAA));
    d.execute(commandCycle(0xAA8, 0x55));
    d.execute(commandCycle(0x1554, 0xF0));  // not an erase command
    QCOMPARE(d.flash().evenChip().mode(), sim::FlashChip::Mode::Read);
    QCOMPARE(readDword(d, 0), uint32_t(0x01000020));
}

void FlashTest::narrowAccessesReachOneChip()
{
    Decoder d;
    // A 16-bit write on the low half drives the even chip alone.
    d.execute("0210" + sim::toHex(0x7FE01554, 8) + "00AA");
    QCOMPARE(d.flash().evenChip().mode(), sim::FlashChip::Mode::Unlock1);
    QCOMPARE(d.flash().oddChip().mode(), sim::FlashChip::Mode::Read);
    d.execute("0210" + sim::toHex(0x7FE01556, 8) + "0055");  // mirrored AA on the odd chip
    QCOMPARE(d.flash().oddChip().mode(), sim::FlashChip::Mode::Unlock1);
}

void FlashTest::stuckBitSurvivesErase()
{
    sim::DecoderConfig config;
    config.stuckBits = {{0x7FE70002, 3}};  // byte lane 2: the odd chip's mirrored low byte
    Decoder d(config);
    QCOMPARE(readDword(d, 0x70000), uint32_t(0xFFF7FFFF));
    eraseBlockAt(d, 0x60000);
    QCOMPARE(readDword(d, 0x70000), uint32_t(0xFFF7FFFF));
    program(d, 0x70000, 0x123C5678);
    QCOMPARE(readDword(d, 0x70000), uint32_t(0x12345678));
}

void FlashTest::eraseFailureLeavesContent()
{
    sim::DecoderConfig config;
    config.eraseFails = true;
    Decoder d(config);
    const uint32_t before = readDword(d, 0x10000);
    eraseBlockAt(d, 0);
    QCOMPARE(readDword(d, 0x10000), before);
    QCOMPARE(d.execute("280").text, std::string("2800"));
    QCOMPARE(readDword(d, 0x10000), before);
}

void FlashTest::imageRoundTrip()
{
    sim::FlashBank bank;
    std::vector<uint8_t> image(sim::FlashBank::kSize);
    for (size_t i = 0; i < image.size(); ++i)
        image[i] = static_cast<uint8_t>(i * 31 + (i >> 9));
    bank.loadImage(image);
    QVERIFY(bank.image() == image);
    for (uint32_t o : {0u, 1u, 2u, 3u, 0x1FFFFFu})
        QCOMPARE(bank.readByte(o), image[o]);
    // The odd chip really stores the mirrored byte.
    QCOMPARE(static_cast<uint8_t>(bank.oddChip().arrayWord(0)), sim::mirrorBits(image[2]));
}

void FlashTest::defaultDataAreaLayout()
{
    Decoder d;
    const auto image = d.flash().image();
    auto word = [&](size_t at) { return static_cast<uint32_t>(image[at] | (image[at + 1] << 8)); };
    int used = 0;
    int empty = 0;
    for (size_t b = 0; b < 8; ++b) {
        const size_t start = b * sim::kImageBlockSize;
        uint32_t highest = 0;
        for (size_t slot = 0; slot < 16; ++slot) {
            const uint32_t p = word(start + 2 * slot);
            if (p != 0 && p != 0xFFFF)
                highest = std::max(highest, p);
        }
        if (highest == 0) {
            ++empty;
            for (size_t i = 32; i < sim::kImageBlockSize; ++i)
                QCOMPARE(image[start + i], uint8_t(0xFF));
            continue;
        }
        ++used;
        // Everything after the module with the highest pointer is erased.
        const size_t end = start + highest + 10 + word(start + highest + 10);
        for (size_t i = end; i < start + sim::kImageBlockSize; ++i)
            QCOMPARE(image[i], uint8_t(0xFF));
    }
    QVERIFY(used >= 2);
    QVERIFY(empty >= 1);
    // Block 0 holds the channel tables.
    const size_t m = word(2);
    QCOMPARE(std::string(image.begin() + static_cast<long>(m), image.begin() + static_cast<long>(m) + 8),
             std::string("CHANNELS"));
    QCOMPARE(image[m + 12], uint8_t(2));
    const size_t tcsEntry = m + 16 + 20;
    QCOMPARE(std::string(image.begin() + static_cast<long>(tcsEntry), image.begin() + static_cast<long>(tcsEntry) + 3),
             std::string("TCS"));
    QCOMPARE(word(tcsEntry + 16), uint32_t(29970));
    const size_t tcsData = m + 12 + word(tcsEntry + 12);
    QCOMPARE(std::string(image.begin() + static_cast<long>(tcsData), image.begin() + static_cast<long>(tcsData) + 11),
             std::string("Kestrel One"));
}

void FlashTest::firmwareIsGenuineCode()
{
    const auto firmware = sim::buildFirmwareImage();
    QCOMPARE(firmware.size(), size_t(sim::kFirmwareSize));
    // Reset entry: NFIX F, J 0 back to the boot code at 7FFFFF00.
    QCOMPARE(firmware[firmware.size() - 2], uint8_t(0x6F));
    QCOMPARE(firmware[firmware.size() - 1], uint8_t(0x00));
    const size_t codeEnd = sim::kBootCodeAddress - sim::kFirmwareBase;
    size_t erased = 0;
    for (size_t i = 0; i < codeEnd; ++i)
        erased += firmware[i] == 0xFF;
    QVERIFY(erased < 4096);
    std::vector<int32_t> operations;
    QVERIFY(decodesCleanly(firmware, operations));
    std::set<int32_t> seen(operations.begin(), operations.end());
    for (int32_t op : {sim::st20::op::LDPRODID, sim::st20::op::DEVMOVE, sim::st20::op::LDPI, sim::st20::op::RET,
                       sim::st20::op::MOVE, sim::st20::op::ADD})
        QVERIFY2(seen.count(op), qPrintable(QString::number(op, 16)));
    QCOMPARE(sim::buildFirmwareImage(), firmware);  // deterministic
}

void FlashTest::assemblerPrefixChains()
{
    using namespace sim::st20;
    QCOMPARE(encode(LDC, 5), (std::vector<uint8_t>{0x45}));
    QCOMPARE(encode(LDC, 0x145), (std::vector<uint8_t>{0x21, 0x24, 0x45}));
    QCOMPARE(encode(OPR, op::LDPI), (std::vector<uint8_t>{0x21, 0xFB}));
    QCOMPARE(encode(OPR, op::LDPRODID), (std::vector<uint8_t>{0x68, 0xFC}));
    QCOMPARE(encode(OPR, op::DEVMOVE), (std::vector<uint8_t>{0x62, 0xF4}));
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
    const auto code = a.assemble();
    // LDL 0 | LDC 2 (table at 0x1006, 2 past the LDPI) | 21 FB | CJ -6 as 60 AA
    QCOMPARE(code, (std::vector<uint8_t>{0x70, 0x42, 0x21, 0xFB, 0x60, 0xAA, 1, 2, 3, 4}));
}

QTEST_GUILESS_MAIN(FlashTest)
#include "test_flash.moc"
