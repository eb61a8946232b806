// The flash operations and the flash window against a model of the decoder's
// two M29F800 chips behind command 02.
#include "flash/flash_ops.h"
#include "flash/flash_window.h"
#include "flash/image.h"
#include "link/conversions.h"
#include "support/fake_channel.h"
#include "support/fake_serial_port.h"
#include "support/test_helpers.h"
#include "ui/session.h"

#include <QCheckBox>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>
#include <map>

namespace {

const QString kReset = "02207FE00000000F00F0";
using Image = std::vector<quint8>;

// A command cycle must carry the odd chip's byte mirrored, else both chips see
// noise. AA 55 90 enters identification mode (maker at 0, device at 4, the
// protection of a block at its offset + 8), AA 55 A0 programs the next write
// (bits are only cleared), AA 55 80 AA 55 30 erases the erase block at the
// address, F0 resets. Page reads "020180" and "0221" read the array.
struct Chips : CommandChannel {
    std::vector<quint8> mem = std::vector<quint8>(kFlashSize, 0xFF);
    quint8 maker[2] = {0x20, 0x20}, device[2] = {0xEC, 0xEC};   // even, odd chip
    std::map<qint32, quint32> protection{{0x20000, 1}, {0x1F0000, 0x800001}};
    std::function<QString(int, const QString &)> fault;   // a non-null text replaces reply n
    QStringList commands;
    QString cycles;
    bool ident = false, program = false;
    int reads = 0;   // 32-bit reads "022104"

    quint32 Word(qint32 at) const { return mem[at] | mem[at + 1] << 8 | mem[at + 2] << 16 | quint32(mem[at + 3]) << 24; }
    static qint32 Offset(const QString &hex) { return qint32(hex.toUInt(nullptr, 16) - 0x7FE00000u) & (kFlashSize - 1); }
    static quint32 Id(const quint8 *chips) { return chips[0] | quint32(BMir(chips[1])) << 16; }
    void SetCmdTimeout(int) override {}
    void Wait(int) override {}
    QString SendCmd(const QString &c, bool) override
    {
        commands << c;
        const QString reply = Answer(c), replaced = fault ? fault(int(commands.size()) - 1, c) : QString();
        return replaced.isNull() ? reply : replaced;
    }
    QString Answer(const QString &c)
    {
        if (c.startsWith("0220") && c.size() == 20) {
            Write(Offset(c.mid(4, 8)), c.mid(12).toUInt(nullptr, 16));
            return "020";
        }
        if (c.startsWith("022104") && c.size() == 14) {
            const qint32 at = Offset(c.mid(6));
            ++reads;
            if (ident && at < 8)
                return "022" + Hex8(qint32(Id(at ? device : maker)));
            if (ident && (at & 0x3FFF) == 8)
                return "022" + Hex8(protection.contains(at - 8) ? qint32(protection.at(at - 8)) : 0);
            return "022" + Hex8(qint32(Word(at & ~3)));
        }
        if (c.startsWith("0221") && c.size() == 12)
            return "022" + Hex8(qint32(Word(Offset(c.mid(4)) & ~3)));
        if (!c.startsWith("020180") || c.size() != 14)
            return "02E";
        QString page = "020";
        for (qint32 at = Offset(c.mid(6)), k = 0; k < 128; ++k)
            page += Hex2(mem[(at + k) & (kFlashSize - 1)]);
        return page;
    }
    void Write(qint32 at, quint32 v)
    {
        if (std::exchange(program, false)) {
            for (int k = 0; k < 4; ++k)
                mem[(at & ~3) + k] &= quint8(v >> 8 * k);
            return;
        }
        const quint8 b = quint8(v);
        cycles += v == (b | quint32(BMir(b)) << 16) ? QString::asprintf("%X:%X ", at, b) : "noise ";
        const QString unlock = "1554:AA AA8:55 ", erase = unlock + "1554:80 " + unlock;
        if (cycles == unlock + "1554:90 ")
            ident = true;
        else if (cycles == unlock + "1554:A0 ")
            program = true;
        else if (cycles == erase + QString::asprintf("%X:30 ", at))
            Erase(at);
        else if (b == 0xF0)
            ident = false;
        else if (erase.startsWith(cycles))
            return;
        cycles.clear();
    }
    // 128 KB blocks; on bottom-boot chips the first is split into 32, 16, 16 and 64 KB.
    void Erase(qint32 at)
    {
        qint32 start = at & ~0x1FFFF, end = start + 0x20000;
        const qint32 bounds[] = {0, 0x8000, 0xC000, 0x10000, 0x20000};
        for (int i = 0; start == 0 && (device[0] == 0x58 || device[0] == 0x5B) && i < 4; ++i)
            if (at >= bounds[i] && at < bounds[i + 1])
                start = bounds[i], end = bounds[i + 1];
        std::fill(mem.begin() + start, mem.begin() + end, 0xFF);
    }
};

void PutWord(Image &image, qint64 at, int value)
{
    image[at] = quint8(value);
    image[at + 1] = quint8(value >> 8);
}

// Image block p with a module at pointer m whose length field leads to t; the
// bytes from m to the end of the word at the used end t + t mod 4 hold data. A lower module
// pointer that would end the block early and an empty slot FFFF lie beside it;
// the block's last word, always programmed, holds a check sum.
void PutModule(Image &image, qint32 p, qint32 m, qint32 length)
{
    for (int k = 0; k < kModuleSlots; ++k)
        PutWord(image, p + 2 * k, 0);
    const qint32 t = p + m + 10 + length;
    for (qint32 i = p + m; i < std::min(((t + t % 4) & ~3) + 4, p + kImageBlockSize); ++i)
        image[i] = quint8(i * 7 + 1);
    PutWord(image, p + m + 10, length);
    PutWord(image, p + 2, m / 2);
    PutWord(image, p + m / 2 + 10, 0);
    PutWord(image, p + 6, m);
    PutWord(image, p + 8, 0xFFFF);
    PutWord(image, p + kImageBlockSize - 4, 0xC5A5);
}

// Block 1 erased; the used ends of the others fall on every t mod 4, block 4
// is used to its last word.
Image Standard()
{
    Image image(kImageSize, 0xFF);
    const qint32 lengths[] = {0x23, 0, 0x20, 0x21, 0xFFD4, 0x22, 0x100, 0x3F};
    for (int b = 0; b < 8; ++b)
        if (b != 1)
            PutModule(image, b * kImageBlockSize, b == 4 ? 0x20 : 0x100, lengths[b]);
    return image;
}

QByteArray Bytes(const quint8 *data, qint32 from, qint32 count)
{
    return QByteArray(reinterpret_cast<const char *>(data) + from, count);
}

} // namespace

class TestFlash : public QObject {
    Q_OBJECT

    QTemporaryDir dir_;
    Chips chips_;
    FakePrompter prompter_;
    StatusHooks status_;

private slots:
    void init()
    {
        chips_ = Chips{};
        prompter_ = FakePrompter{};
        status_ = StatusHooks{};
    }

    // Once the chips are in identification mode every exit resets them.
    void flashType_data()
    {
        QTest::addColumn<int>("failAt");   // transaction whose reply is lost, -1 none
        QTest::addColumn<int>("makers");   // even chip << 8 | odd chip
        QTest::addColumn<int>("devices");
        QTest::addColumn<QString>("status");
        QTest::newRow("top boot") << -1 << 0x2020 << 0xECEC << "20 EC ST-M29F800AT Prot:UX" + QString(13, 'U') + "UUUP";
        QTest::newRow("bottom boot 58") << -1 << 0x2020 << 0x5858 << "20 58 ST-M29F800AB Prot:UUUUX" + QString(14, 'U');
        QTest::newRow("bottom boot 5B") << -1 << 0x2020 << 0x5B5B << "20 5B ST-M29F800AB Prot:UUUUX" + QString(14, 'U');
        QTest::newRow("unlock lost") << 1 << 0x2020 << 0xECEC << "Write Error!";
        QTest::newRow("maker lost") << 3 << 0x2020 << 0xECEC << "Read Error!";
        QTest::newRow("makers differ") << -1 << 0x201F << 0xECEC << "ID_EVEN <> ID_ODD !";
        QTest::newRow("maker unknown") << -1 << 0x1F1F << 0xECEC << "1F Unknown Manufacturer Code!";
        QTest::newRow("device lost") << 4 << 0x2020 << 0xECEC << "Read Error!";
        QTest::newRow("devices differ") << -1 << 0x2020 << 0xEC58 << "ID_EVEN <> ID_ODD !";
        QTest::newRow("device unknown") << -1 << 0x2020 << 0x1212 << "20 12 Unknown Device Code!";
    }
    void flashType()
    {
        QFETCH(int, failAt);
        QFETCH(int, makers);
        QFETCH(int, devices);
        QFETCH(QString, status);
        chips_.maker[0] = quint8(makers >> 8), chips_.maker[1] = quint8(makers);
        chips_.device[0] = quint8(devices >> 8), chips_.device[1] = quint8(devices);
        chips_.fault = [failAt](int n, const QString &) { return n == failAt ? QString("") : QString(); };
        const FlashTypeResult r = ReadFlashType(chips_);
        QCOMPARE(r.status, status);
        QCOMPARE(r.ok, status.contains("Prot:"));
        QCOMPARE(r.bottomBoot, r.ok && status.contains("AB"));
        QCOMPARE(chips_.commands.last() == kReset, failAt != 1);
        QVERIFY(!chips_.ident);
    }

    void save_data()
    {
        QTest::addColumn<int>("mode");
        QTest::addColumn<int>("first");
        QTest::addColumn<int>("last");
        QTest::addColumn<int>("failures");   // failed reads of page first + 1
        QTest::addColumn<int>("stopAt");
        QTest::addColumn<FlashOutcome>("outcome");
        QTest::addColumn<int>("size");   // the file holds the first size bytes of the range
        const int multi = int(MemReadMode::MultiByte);
        QTest::newRow("data area") << multi << 0x7FE000 << 0x7FE7FF << 0 << -1 << FlashOutcome::Done << kImageSize;
        QTest::newRow("single dwords") << int(MemReadMode::SingleDWord) << 0x7FF800 << 0x7FF803 << 0 << -1
                                       << FlashOutcome::Done << 1024;
        QTest::newRow("8 failures") << multi << 0x7FE000 << 0x7FE003 << 8 << -1 << FlashOutcome::Done << 1024;
        QTest::newRow("9 failures") << multi << 0x7FE000 << 0x7FE003 << 9 << -1 << FlashOutcome::ReadError << 256;
        QTest::newRow("stop") << multi << 0x7FE000 << 0x7FE7FF << 0 << 2 << FlashOutcome::UserBreak << 512;
    }
    void save()
    {
        QFETCH(int, mode);
        QFETCH(int, first);
        QFETCH(int, last);
        QFETCH(int, failures);
        QFETCH(int, stopAt);
        QFETCH(FlashOutcome, outcome);
        QFETCH(int, size);
        for (size_t i = 0; i < chips_.mem.size(); ++i)
            chips_.mem[i] = quint8(i ^ (i >> 9));
        chips_.fault = [&](int, const QString &c) {
            return c.startsWith("020180" + Hex6(first + 1)) && failures-- > 0 ? QString("020") : QString();
        };
        status_.stopAfterChecks = stopAt;
        const QString file = dir_.filePath(QTest::currentDataTag());
        QCOMPARE(SaveFlashRange(chips_, MemReadMode(mode), prompter_, status_.Hooks(), first, last, file), outcome);
        QCOMPARE(ReadFile(file), Bytes(chips_.mem.data(), (first - 0x7FE000) * 256, size));
    }

    // Programming from flash that holds 00: the range from..to must then equal
    // the image, the rest of the data area keep its 00.
    void program_data()
    {
        QTest::addColumn<int>("device");
        QTest::addColumn<int>("selected");   // bit i: Chk(i)
        QTest::addColumn<bool>("ignore");    // "Ignore empty space"
        QTest::addColumn<int>("from");
        QTest::addColumn<int>("to");
        QTest::addColumn<QStringList>("erased");
        QTest::addColumn<int>("reads");      // -1: not counted
        QTest::newRow("top boot Chk(1) writes both halves")
            << 0xEC << 2 << true << 0 << 0x20000 << QStringList{"Erasing 7FE00000"} << -1;
        QTest::newRow("bottom boot Chk(0)") << 0x58 << 1 << true << 0 << 0x10000
                                            << QStringList{"Erasing 7FE00000", "Erasing 7FE08000", "Erasing 7FE0C000"} << -1;
        QTest::newRow("bottom boot empty Chk(1)")
            << 0x5B << 2 << true << 0x10000 << 0x20000 << QStringList{"Erasing 7FE10000"} << 1 + 2;
        QTest::newRow("Chk(2) every word")
            << 0xEC << 4 << false << 0x20000 << 0x40000 << QStringList{"Erasing 7FE20000"} << 1 + 0x8000;
        QTest::newRow("all blocks") << 0xEC << 31 << true << 0 << kImageSize
                                    << QStringList{"Erasing 7FE00000", "Erasing 7FE20000", "Erasing 7FE40000",
                                                   "Erasing 7FE60000"}
                                    << -1;
    }
    void program()
    {
        QFETCH(int, device);
        QFETCH(int, selected);
        QFETCH(bool, ignore);
        QFETCH(int, from);
        QFETCH(int, to);
        QFETCH(QStringList, erased);
        QFETCH(int, reads);
        chips_.device[0] = chips_.device[1] = quint8(device);
        std::fill(chips_.mem.begin(), chips_.mem.begin() + kImageSize, 0x00);
        std::array<bool, kDataFlashBlocks> chk{};
        for (int i = 0; i < kDataFlashBlocks; ++i)
            chk[i] = selected >> i & 1;
        int asked = 0;
        const Image image = Standard();
        QCOMPARE(ProgramDataFlashImage(chips_, status_.Hooks(), image, chk, device != 0xEC, [&] { return ++asked, ignore; }),
                 FlashOutcome::Done);
        QCOMPARE(Bytes(chips_.mem.data(), 0, kImageSize),
                 QByteArray(from, '\0') + Bytes(image.data(), from, to - from) + QByteArray(kImageSize - to, '\0'));
        QCOMPARE(status_.history.filter("Erasing"), erased);
        QCOMPARE(asked, chips_.reads - int(erased.size()));   // the box is read at every word
        if (reads >= 0)
            QCOMPARE(chips_.reads, reads);
    }

    void programErrors_data()
    {
        QTest::addColumn<int>("at");          // transaction whose reply is replaced, or -1
        QTest::addColumn<QString>("command"); // command whose reply is replaced
        QTest::addColumn<QString>("reply");
        QTest::addColumn<int>("stopAt");
        QTest::addColumn<FlashOutcome>("outcome");
        QTest::addColumn<QString>("status");
        QTest::newRow("not blank") << -1 << "0221047FE20000" << "02200000000" << -1 << FlashOutcome::EraseError
                                   << "Erasing 7FE20000 Erase Error!";
        QTest::newRow("cycle lost") << 8 << "" << "" << -1 << FlashOutcome::ProgramError << "Writing 7FE200XX Program Error!";
        QTest::newRow("read-back lost") << -1 << "0221047FE20104" << "" << -1 << FlashOutcome::ReadError << "Read Error!";
        QTest::newRow("read-back differs") << -1 << "0221047FE20108" << "02200000000" << -1 << FlashOutcome::VerifyError
                                           << "Writing 7FE201XX Verify Error!";
        QTest::newRow("stop") << -1 << "" << "" << 3 << FlashOutcome::UserBreak << "Writing 7FE200XX User Break!";
    }
    void programErrors()
    {
        QFETCH(int, at);
        QFETCH(QString, command);
        QFETCH(QString, reply);
        QFETCH(int, stopAt);
        QFETCH(FlashOutcome, outcome);
        QFETCH(QString, status);
        chips_.fault = [&](int n, const QString &c) { return n == at || c == command ? reply : QString(); };
        status_.stopAfterChecks = stopAt;
        QCOMPARE(ProgramDataFlashImage(chips_, status_.Hooks(), Standard(), {false, false, true}, false, [] { return false; }),
                 outcome);
        QCOMPARE(status_.text, status);
    }

    void eraseDataFlash()
    {
        const QList<std::pair<QString, FlashOutcome>> cases = {
            {"280", FlashOutcome::Done}, {"28E", FlashOutcome::Error}, {"", FlashOutcome::Error}};
        for (const auto &[reply, outcome] : cases) {
            chips_.fault = [&](int, const QString &c) { return c == "280" ? reply : QString(); };
            QCOMPARE(EraseDataFlash(chips_, prompter_, status_.Hooks()), outcome);
            QCOMPARE(status_.text, outcome == FlashOutcome::Done ? "Erasing...Data Flash erased." : "Erasing...Error!");
        }
        prompter_.answers = {false};
        QCOMPARE(EraseDataFlash(chips_, prompter_, status_.Hooks()), FlashOutcome::Declined);
        QCOMPARE(chips_.commands, QStringList({"280", "280", "280"}));
    }

    void wireFormat()
    {
        QVERIFY(!ProgramDword(chips_, 0x1234, FlashWord{0x11, 0x22, 0x33, 0x44}));
        QVERIFY(!EraseBlock(chips_, 0x220000));   // offsets count modulo 2 MB
        QCOMPARE(chips_.commands, (QStringList{"02207FE01554005500AA", "02207FE00AA800AA0055", "02207FE01554000500A0",
                                               "02207FE0123444332211", "02207FE01554005500AA", "02207FE00AA800AA0055",
                                               "02207FE0155400010080", "02207FE01554005500AA", "02207FE00AA800AA0055",
                                               "02207FE20000000C0030", "0221047FE20000"}));
        QCOMPARE(chips_.Word(0x1234), 0x44332211u);
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
        const auto identify = [&] { w->findChild<QPushButton *>("Cmd(3)")->click(); };
        identify();
        QCOMPARE(w->findChild<QLabel *>("L1")->text(), "20 EC ST-M29F800AT Prot:UX" + QString(13, 'U') + "UUUP");
        QVERIFY(chk(0)->isChecked() && chk(1)->isChecked() && chk(5)->isEnabled());
        chk(0)->click();   // top-boot chips: Chk(0) and Chk(1) share an erase block
        QVERIFY(!chk(1)->isChecked());
        chips_.device[0] = chips_.device[1] = 0x58;
        identify();
        chips_.device[0] = chips_.device[1] = 0x99;
        identify();   // a failed identification keeps what the last one found
        QCOMPARE(w->findChild<QLabel *>("L1")->text(), "20 99 Unknown Device Code!");
        chk(0)->click();
        QVERIFY(chk(0)->isChecked() && !chk(1)->isChecked());

        session.link.Busy = true;   // another operation runs
        identify();
        QCOMPARE(port->commands.size(), 25 + 25 + 6);
        session.link.Busy = false;
        port->onCommand = [&](const QString &) {
            if (port->commands.size() == 60)
                w->close();
        };
        identify();
        QCOMPARE(chips_.commands.last(), kReset);
        QTRY_VERIFY(w.isNull());
    }
};

QTEST_MAIN(TestFlash)
#include "test_flash.moc"
