// The flash operations and the flash window against a model of the decoder's
// two M29F800 chips behind command 02, and the table of chips.
#include "flash/flash_checks.h"
#include "flash/flash_chips.h"
#include "flash/flash_ops.h"
#include "flash/flash_window.h"
#include "flash/image.h"
#include "link/backups.h"
#include "link/conversions.h"
#include "support/fake_channel.h"
#include "support/fake_serial_port.h"
#include "support/test_helpers.h"
#include "ui/session.h"

#include <QCheckBox>
#include <QPointer>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>

namespace {

const QString kReset = "02207FE00000000F00F0";
using Image = std::vector<quint8>;

// The chips act on whole command cycles as they appear on the wire, the odd
// chip's byte mirrored: AA 55 90 enters identification mode (maker at 0,
// device at 4, from ids: maker of the even and the odd chip, device of the
// even and the odd chip; the protection of a block at its offset + 8: one
// chip's block 20000 and both chips' 1F0000 are protected), AA 55 A0 programs
// the next write (bits are only cleared), AA 55 80 AA 55 30 erases the erase
// block at the address (as the table of chips lays it out), F0 resets. Page reads "020180" read the array. Up to
// faults commands starting with faulty are carried out, but answered with
// faultReply.
struct Chips : CommandChannel {
    std::vector<quint8> mem = std::vector<quint8>(kFlashSize, 0xFF);
    quint32 ids = 0x2020ECEC;
    QString faulty, faultReply;
    int faults = 1 << 30, reads = 0;   // reads: 32-bit reads "022104"
    QStringList commands;
    bool ident = false;

    quint32 Word(qint32 a) const { return mem[a] | mem[a + 1] << 8 | mem[a + 2] << 16 | quint32(mem[a + 3]) << 24; }
    static qint32 Offset(const QString &h) { return qint32(h.toUInt(nullptr, 16) - 0x7FE00000u) & (kFlashSize - 1); }
    static quint32 Mirror(quint32 b) { return b ? (b & 1) << 7 | Mirror(b >> 1) >> 1 : 0; }   // bit order reversed
    quint32 Id(int even) const { return (ids >> even & 0xFF) | Mirror(ids >> (even - 8) & 0xFF) << 16; }
    void SetCmdTimeout(int) override {}
    void Wait(int) override {}
    QString SendCmd(const QString &c, bool) override
    {
        commands << c;
        const QString reply = Answer(c);
        return !faulty.isEmpty() && c.startsWith(faulty) && faults-- > 0 ? faultReply : reply;
    }
    QString Answer(const QString &c)
    {
        if (c.startsWith("0220") && c.size() == 20) {
            const QString unlock = "02207FE01554005500AA02207FE00AA800AA0055";
            const qint32 at = Offset(c.mid(4, 8));
            for (int k = 0; k < 4 && Before(3) == unlock + "02207FE01554000500A0"; ++k)
                mem[(at & ~3) + k] &= quint8(c.mid(18 - 2 * k, 2).toUInt(nullptr, 16));
            if (Before(5) == unlock + "02207FE0155400010080" + unlock && c.endsWith("000C0030"))
                Erase(at);
            ident = c != kReset && (ident || (Before(2) == unlock && c == "02207FE0155400090090"));
            return "020";
        }
        if (c.startsWith("022104") && c.size() == 14) {
            const qint32 at = Offset(c.mid(6));
            ++reads;
            const quint32 id = at < 8 ? Id(at ? 8 : 24) : at == 0x20008 ? 1 : at == 0x1F0008 ? 0x800001 : 0;
            return "022" + Hex8(qint32(ident && (at < 8 || (at & 0x3FFF) == 8) ? id : Word(at & ~3)));
        }
        if (!c.startsWith("020180") || c.size() != 14)
            return "02E";
        QString page = "020";
        for (qint32 at = Offset(c.mid(6)), k = 0; k < 128; ++k)
            page += Hex2(mem[(at + k) & (kFlashSize - 1)]);
        return page;
    }
    QString Before(int n) const { return commands.size() > n ? commands.mid(commands.size() - 1 - n, n).join("") : ""; }
    void Erase(qint32 at)
    {
        for (const FlashEraseBlock &b : FindFlashChip(quint8(ids >> 24), quint8(ids))->dataBlocks)
            if (at >= b.offset && at < b.offset + b.size)
                std::fill(mem.begin() + b.offset, mem.begin() + b.offset + b.size, 0xFF);
    }
};

// Image blocks with a module at pointer m whose length field leads to t; the
// bytes from m to the end of the word at the used end t + t mod 4 hold data.
// A lower module pointer that would end the block early and an empty slot
// FFFF lie beside it; the block's last word, always programmed, holds a sum.
// Block 1 is erased; the used ends of the others fall on every t mod 4, and
// block 4 is used to its last word.
Image Standard()
{
    Image image(kImageSize, 0xFF);
    const auto put = [&](qint32 at, int value) { image[at] = quint8(value), image[at + 1] = quint8(value >> 8); };
    const qint32 lengths[] = {0x23, 0, 0x20, 0x21, 0xFFD4, 0x22, 0x100, 0x3F};
    for (qint32 b : {0, 2, 3, 4, 5, 6, 7}) {
        const qint32 p = b * kImageBlockSize, m = b == 4 ? 0x20 : 0x100, t = p + m + 10 + lengths[b];
        for (qint32 i = p + m; i < std::min(((t + t % 4) & ~3) + 4, p + kImageBlockSize); ++i)
            image[i] = quint8(i * 7 + 1);
        for (int k = 0; k < kModuleSlots; ++k)
            put(p + 2 * k, k == 1 ? m / 2 : k == 3 ? m : k == 4 ? 0xFFFF : 0);
        put(p + m + 10, lengths[b]), put(p + m / 2 + 10, 0), put(p + kImageBlockSize - 4, 0xC5A5);
    }
    return image;
}

QByteArray Bytes(const quint8 *d, qint32 at, qint32 n) { return QByteArray(reinterpret_cast<const char *>(d) + at, n); }

template <class Row>
void Rows(std::initializer_list<std::pair<const char *, Row>> rows)
{
    QTest::addColumn<Row>("row");
    for (const auto &[name, row] : rows)
        QTest::newRow(name) << row;
}

struct Ident {
    QString lost;
    quint32 ids;
    QString status;
};   // lost: the command whose reply is lost
// A save from 7FE00000 to page last: the file then holds its first size bytes.
struct Save {
    int last, failures, stopAt;
    FlashOutcome outcome;
    int size;
};
// Programming from flash that holds 00: when done, the range from..to
// equals the image and the rest of the data area keeps its 00.
struct Run {
    quint32 ids = 0x2020ECEC;
    int selected;         // bit i: Chk(i)
    bool ignore = true;   // "Ignore empty space"
    QString faulty{}, faultReply{};
    int stopAt = -1, from = 0, to = 0;
    FlashOutcome outcome = FlashOutcome::Done;
    QString status = "Done.";
    QStringList erased{};
    QString state = "block 7FE20000-7FE3FFFF written and verified";   // the decoder's state at the end
};

// Programming with skip unchanged and verify, with or without a backup,
// onto flash that holds the image but for the byte at changed: page reads
// starting with faulty are lost.
struct Checked {
    qint32 changed;
    bool backup;
    QString faulty;
    FlashOutcome outcome;
    QString status;
    QStringList erased;
};

}   // namespace

Q_DECLARE_METATYPE(Checked)
Q_DECLARE_METATYPE(Ident)
Q_DECLARE_METATYPE(Save)
Q_DECLARE_METATYPE(Run)

class TestFlash : public QObject {
    Q_OBJECT

    QTemporaryDir dir_;
    Chips chips_;
    FakePrompter prompter_;
    StatusHooks status_;

private slots:
    void init() { chips_ = Chips{}, prompter_ = FakePrompter{}, status_ = StatusHooks{}; }

    // Once the chips are in identification mode every exit resets them.
    void flashType_data()
    {
        Rows<Ident>({{"top boot", {"", 0x2020ECEC, "20 EC ST-M29F800AT Prot:UX" + QString(13, 'U') + "UUUP"}},
                     {"bottom boot", {"", 0x20205B5B, "20 5B ST-M29F800AB Prot:UUUUX" + QString(14, 'U')}},
                     {"bottom boot 58", {"", 0x20205858, "20 58 ST-M29F800AB Prot:UUUUX" + QString(14, 'U')}},
                     {"unlock lost", {"02207FE00AA800AA0055", 0x2020ECEC, "Write Error!"}},
                     {"maker lost", {"0221047FE00000", 0x2020ECEC, "Read Error!"}},
                     {"devices differ", {"", 0x2020EC58, "ID_EVEN <> ID_ODD !"}},
                     {"device unknown", {"", 0x20201212, "20 12 Unknown Device Code!"}}});
    }
    void flashType()
    {
        QFETCH(Ident, row);
        chips_.ids = row.ids;
        chips_.faulty = row.lost;
        const FlashTypeResult r = ReadFlashType(chips_);
        QCOMPARE(r.status, row.status);
        QCOMPARE(r.ok, row.status.contains("Prot:"));
        QCOMPARE(r.bottomBoot, r.ok && row.status.contains("AB"));
        QCOMPARE(r.chip, r.ok ? FindFlashChip(0x20, quint8(row.ids)) : nullptr);
        QCOMPARE(chips_.commands.last() == kReset, !row.status.startsWith("Write"));
        QVERIFY(!chips_.ident);
    }

    void save_data()
    {
        Rows<Save>({{"data area", {0x7FE7FF, 0, -1, FlashOutcome::Done, kImageSize}},
                    {"8 failures", {0x7FE003, 8, -1, FlashOutcome::Done, 1024}},
                    {"9 failures", {0x7FE003, 9, -1, FlashOutcome::ReadError, 256}},
                    {"stop", {0x7FE7FF, 0, 2, FlashOutcome::UserBreak, 512}}});
    }
    void save()
    {
        QFETCH(Save, row);
        for (size_t i = 0; i < chips_.mem.size(); ++i)
            chips_.mem[i] = quint8(i ^ (i >> 9));
        chips_.faulty = "0201807FE001";
        chips_.faultReply = "020";
        chips_.faults = row.failures;
        status_.stopAfterChecks = row.stopAt;
        const QString file = dir_.filePath(QTest::currentDataTag());
        QCOMPARE(SaveFlashRange(chips_, MemReadMode::MultiByte, prompter_, status_.Hooks(), 0x7FE000, row.last, file),
                 row.outcome);
        QCOMPARE(ReadFile(file), Bytes(chips_.mem.data(), 0, row.size));
    }

    void program_data()
    {
        const QString e0 = "Erasing 7FE00000", e2 = "Erasing 7FE20000";
        Rows<Run>({
            {"top boot Chk(1) writes both halves",
             {.selected = 2, .to = 0x20000, .erased = {e0}, .state = "block 7FE10000-7FE1FFFF written and verified"}},
            {"bottom boot Chk(0)",
             {.ids = 0x20205858,
              .selected = 1,
              .to = 0x10000,
              .erased = {e0, "Erasing 7FE08000", "Erasing 7FE0C000"},
              .state = "block 7FE00000-7FE0FFFF written and verified"}},
            {"bottom boot empty Chk(1)",
             {.ids = 0x20205B5B,
              .selected = 2,
              .from = 0x10000,
              .to = 0x20000,
              .erased = {"Erasing 7FE10000"},
              .state = "block 7FE10000-7FE1FFFF written and verified"}},
            {"Chk(2) every word", {.selected = 4, .ignore = false, .from = 0x20000, .to = 0x40000, .erased = {e2}}},
            {"all blocks",
             {.selected = 31,
              .to = kImageSize,
              .erased = {e0, e2, "Erasing 7FE40000", "Erasing 7FE60000"},
              .state = "block 7FE60000-7FE7FFFF written and verified"}},
            {"not blank",
             {.selected = 4,
              .faulty = "0221047FE20000",
              .faultReply = "02200000000",
              .outcome = FlashOutcome::EraseError,
              .status = e2 + " Erase Error!",
              .state = "erase block 7FE20000 in an unknown state"}},
            {"cycle lost",
             {.selected = 4,
              .faulty = "02207FE2000000800000",
              .outcome = FlashOutcome::ProgramError,
              .status = "Writing 7FE200XX Program Error!",
              .state = "block 7FE20000-7FE3FFFF erased and partly written"}},
            {"read-back lost",
             {.selected = 4,
              .faulty = "0221047FE20104",
              .outcome = FlashOutcome::ReadError,
              .status = "Read Error!",
              .state = "block 7FE20000-7FE3FFFF erased and partly written"}},
            {"read-back differs",
             {.selected = 4,
              .faulty = "0221047FE20108",
              .faultReply = "02200000000",
              .outcome = FlashOutcome::VerifyError,
              .status = "Writing 7FE201XX Verify Error!",
              .state = "block 7FE20000-7FE3FFFF erased and partly written"}},
            {"stop",
             {.selected = 4,
              .stopAt = 3,
              .outcome = FlashOutcome::UserBreak,
              .status = "Writing 7FE200XX User Break!",
              .state = "block 7FE20000-7FE3FFFF erased and partly written"}},
        });
    }
    void program()
    {
        QFETCH(Run, row);
        chips_.ids = row.ids;
        std::fill(chips_.mem.begin(), chips_.mem.begin() + kImageSize, 0x00);
        chips_.faulty = row.faulty;
        chips_.faultReply = row.faultReply;
        status_.stopAfterChecks = row.stopAt;
        std::array<bool, kDataFlashBlocks> chk{};
        for (int i = 0; i < kDataFlashBlocks; ++i)
            chk[i] = row.selected >> i & 1;
        int asked = 0;
        const Image image = Standard();
        QCOMPARE(ProgramDataFlashImage(chips_, status_.Hooks(), image, chk, (row.ids & 0xFF) != 0xEC,
                                       [&] { return ++asked, row.ignore; }),
                 row.outcome);
        QCOMPARE(status_.text, row.status);
        QCOMPARE(status_.state, row.state);
        if (row.outcome != FlashOutcome::Done)
            return;
        QByteArray want(kImageSize, '\0');
        want.replace(row.from, row.to - row.from, Bytes(image.data(), row.from, row.to - row.from));
        QCOMPARE(Bytes(chips_.mem.data(), 0, kImageSize), want);
        QCOMPARE(status_.history.filter("Erasing"), row.erased);
        QCOMPARE(asked, chips_.reads - int(row.erased.size()));   // the box is read at every word
    }

    void checkedProgram_data()
    {
        const QString b01 = " 7FE00000 - 7FE0FFFF unchanged. 7FE10000 - 7FE1FFFF unchanged.",
                      b2 = " 7FE20000 - 7FE3FFFF unchanged.",
                      b34 = " 7FE40000 - 7FE5FFFF unchanged. 7FE60000 - 7FE7FFFF unchanged.";
        const QString e2 = "Erasing 7FE20000";
        Rows<Checked>({
            {"compared by reading", {0x20104, false, "", FlashOutcome::Done, "Done." + b01 + b34 + " Verified.", {e2}}},
            {"compared with the backup",
             {0x20104, true, "", FlashOutcome::Done, "Done." + b01 + b34 + " Verified. Backup: ", {e2}}},
            {"shared erase block",
             {0x1FFFC, false, "", FlashOutcome::Done, "Done." + b2 + b34 + " Verified.", {"Erasing 7FE00000"}}},
            {"backup fails",
             {0x20104,
              true,
              "0201807FE121",
              FlashOutcome::ReadError,
              "Backing up 7FE121XX - Read Error !!! Nothing erased.",
              {}}},
            {"comparison fails",
             {0x20104,
              false,
              "0201807FE400",
              FlashOutcome::ReadError,
              "Comparing 7FE400XX - Read Error !!! Nothing erased.",
              {}}},
        });
    }
    void checkedProgram()
    {
        QFETCH(Checked, row);
        const Image image = Standard();
        std::copy(image.begin(), image.end(), chips_.mem.begin());
        chips_.mem[row.changed] = 0;
        chips_.faulty = row.faulty;
        const QString file = dir_.filePath("image.bin");
        WriteFile(file, Bytes(image.data(), 0, kImageSize));
        SetBackupSettingsFolder(dir_.path());
        const FlashWriteResult r =
            ProgramDataFlash(chips_, prompter_, status_.Hooks(), file, {true, true, true, true, true}, false,
                             [] { return true; }, {row.backup, true, true});
        SetBackupSettingsFolder(QString());
        QCOMPARE(r.outcome, row.outcome);
        QCOMPARE(status_.text, row.status + (r.backupFile.isEmpty() ? "" : QFileInfo(r.backupFile).fileName()));
        QCOMPARE(status_.history.filter("Erasing"), row.erased);
        QCOMPARE(chips_.commands.filter(QRegularExpression("000C0030$")).size(), row.erased.size());
        if (row.outcome == FlashOutcome::Done)
            QCOMPARE(Bytes(chips_.mem.data(), 0, kImageSize), Bytes(image.data(), 0, kImageSize));
        if (!r.backupFile.isEmpty()) {
            QByteArray before = Bytes(image.data(), 0, kImageSize);
            before[row.changed] = 0;
            QCOMPARE(ReadFile(r.backupFile), before);
        }
    }

    // Each chip's erase blocks tile the data area, each on a multiple of its
    // size; its main blocks fill the flash. The window keeps only the boot
    // side, so chips on one side share their layout; boxes are coupled both
    // ways, and the last box ("Ignore empty space") never.
    void chipTable()
    {
        const auto same = [](FlashEraseBlock a, FlashEraseBlock b) { return a.offset == b.offset && a.size == b.size; };
        for (const FlashChip &chip : FlashChips()) {
            qint32 end = 0;
            for (const FlashEraseBlock &b : chip.dataBlocks) {
                QVERIFY2(b.offset == end && b.size > 0 && b.offset % b.size == 0, chip.name);
                end += b.size;
            }
            QCOMPARE(end, kImageSize);
            QCOMPARE(chip.mainBlockSize * chip.mainBlocks, kFlashSize);
            QVERIFY(chip.bootBlock >= 0 && chip.bootBlock < chip.mainBlocks && !chip.devices.empty());
            for (qint32 sub : chip.protectionSubBlocks)
                QVERIFY(sub > 0 && sub < chip.mainBlockSize);
            const FlashChip &side = FlashChipOnSide(chip.boot);
            QCOMPARE(side.boot, chip.boot);
            QVERIFY2(std::ranges::equal(side.dataBlocks, chip.dataBlocks, same), chip.name);
        }
        for (bool bottomBoot : {false, true}) {
            for (int i = 0; i < kDataFlashBlocks; ++i) {
                const std::optional<int> j = CoupledCheckBox(i, bottomBoot);
                QVERIFY(!j || (*j != i && *j < kDataFlashBlocks && CoupledCheckBox(*j, bottomBoot) == i));
            }
            QVERIFY(!CoupledCheckBox(kDataFlashBlocks, bottomBoot));
        }
    }

    // Every code pair finds the one chip that lists it, or nothing.
    void chipLookup()
    {
        int found = 0, codes = 0;
        for (int m = 0; m < 256; ++m)
            for (int d = 0; d < 256; ++d)
                if (const FlashChip *chip = FindFlashChip(quint8(m), quint8(d)); chip && ++found)
                    QVERIFY(chip->maker == m && std::ranges::count(chip->devices, d) == 1 && KnownFlashMaker(m));
        for (const FlashChip &chip : FlashChips())
            codes += int(chip.devices.size());
        QCOMPARE(found, codes);   // no code listed twice, none shadowed
        QVERIFY(!FindFlashChip(0x20, 0x12) && !FindFlashChip(0x01, 0xEC) && !KnownFlashMaker(0x01));
    }

    // A window closed while it identifies the chips still leaves their
    // identification mode, and goes once the action has ended.
    void window()
    {
        auto *port = new FakeSerialPort;
        port->answer = [this](const QString &c) { return chips_.SendCmd(c, false).toLatin1(); };
        Session session(port, &prompter_);
        QVERIFY(session.link.openPort("chips", "9600,E,7,1").isEmpty());
        QPointer<FlashWindow> w = new FlashWindow(session);
        const auto chk = [&](int i) { return w->findChild<QCheckBox *>(QStringLiteral("Chk(%1)").arg(i)); };
        const auto identify = [&](quint32 device) {
            chips_.ids = 0x20200000 | device * 0x101;
            w->findChild<QPushButton *>("Cmd(3)")->click();
        };
        identify(0xEC);
        QVERIFY(chk(0)->isChecked() && chk(1)->isChecked() && chk(5)->isEnabled());
        chk(0)->click();   // top-boot chips: Chk(0) and Chk(1) share an erase block
        QVERIFY(!chk(1)->isChecked());
        identify(0x58);
        identify(0x99);   // fails, and keeps what the last one found
        chk(0)->click();
        QVERIFY(chk(0)->isChecked() && !chk(1)->isChecked());
        port->onCommand = [&](const QString &) {
            if (port->commands.size() == 25 + 25 + 6 + 4)
                w->close();
        };
        identify(0xEC);
        QCOMPARE(chips_.commands.last(), kReset);
        QTRY_VERIFY(w.isNull());
    }
};

QTEST_MAIN(TestFlash)
#include "test_flash.moc"
