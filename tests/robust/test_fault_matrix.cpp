// Long operations against a decoder that misbehaves: lost, garbled, cut and
// unterminated replies, noise, a decoder that falls silent or hangs up. Each
// case runs `kestrel --script` against kestrel-sim with the fault at a
// counted reply or command, then checks the message, that the program still
// answers and that no file holds a page whose read failed. The protocol has
// no checksum: a garbled digit goes through undetected.
#include <QEventLoop>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>
#include <functional>
#include <memory>
#include <numeric>
#include <vector>

namespace {

struct Run {
    QString dir, output;
    int exitCode = -1;
    QByteArray file(const QString &name) const
    {
        QFile f(dir + "/" + name);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    // The simulator's flash, saved at its exit, in decoder address order.
    QByteArray flash(qint64 offset, qint64 size) const { return file("st/flash.bin").mid(offset, size); }
    // True when the file is whole pages, fewer than limit bytes, equal to the flash from offset.
    bool pagesOfFlash(const QString &name, qint64 offset, qint64 limit) const
    {
        const QByteArray data = file(name);
        return data.size() % 256 == 0 && data.size() < limit && data == flash(offset, data.size());
    }
};

struct Case {
    const char *name, *simArgs, *script;
    void (*check)(const Run &) = nullptr;
};

QByteArray Pattern(int size)
{
    QByteArray b(size, 0);
    for (int i = 0; i < size; ++i)
        b[i] = char((i * 31 + 7) & 0xFF);
    return b;
}

void SavedFirmware(const Run &r) { QCOMPARE(r.file("memdump.bin"), r.flash(0x80000, 2048)); }
void SavedDataPages(const Run &r) { QVERIFY(r.pagesOfFlash("flash512k.bin", 0, 0x80000)); }
void GarbledFirmware(const Run &r)
{
    const QByteArray got = r.file("memdump.bin"), want = r.flash(0x80000, 2048);
    QCOMPARE(got.size(), want.size());
    // One byte per garbled reply (every 7th of 16): a valid digit went through.
    const int differing =
        std::inner_product(got.begin(), got.end(), want.begin(), 0, std::plus<>(), std::not_equal_to<>());
    QVERIFY(differing >= 1 && differing <= 16 / 7);
}
// The erase leaves protected blocks and the firmware as they were.
void ErasedButProtected(const Run &r)
{
    const auto blank = [&r](int offset, int size) { return r.flash(offset, size) == QByteArray(size, char(0xFF)); };
    QVERIFY(blank(0x8000, 0x8000) && blank(0x30000, 0x50000) && !blank(0, 0x8000) && !blank(0x80000, 0x180000));
}
void OtherBlocksKept(const Run &r)
{
    const QByteArray image = r.file("flash512k.bin");
    QCOMPARE(image.size(), 0x80000);
    QCOMPARE(r.flash(0, 0x20000), image.left(0x20000));
    QCOMPARE(r.flash(0x40000, 0x40000), image.mid(0x40000));
}

#define EXPECT(control, text) "expect " control " \"" text "\"\n"
#define MEM(text) EXPECT("DL_Mem.L2", text)
#define EE(text) EXPECT("DL_EE.Txt", text)
#define FLH(text) EXPECT("DL_Flh.L1", text)
#define DASHES " -- -- -- -- -- -- -- -- -- -- -- -- -- -- -- --"
#define GONE(window) "until expect-visible " window " no\nexpect-contains DL_Main.Txt_D2P \"Connection lost on \"\n"
#define MEM_SAVE(from, to)                                                                                             \
    "click DL_Main.Cmd_Win(2)\nset DL_Mem.Txt_S \"" from "\"\nset DL_Mem.Txt_E \"" to "\"\n"                           \
    "click DL_Mem.Cmd(3)\n"
#define FW_SAVE MEM_SAVE("7FE800", "7FE807")
#define I2C_REG "click DL_Main.Cmd_Win(6)\nclick DL_Reg.O1(1)\nclick DL_Reg.Cmd_Read\n"
#define I2C "click DL_Main.Eem(1)\n"
#define EE_READ "click DL_Main.Cmd_Win(0)\nclick DL_EE.Cmd(0)\n"
#define EE_SAVE "click DL_Main.Cmd_Win(0)\nclick DL_EE.Cmd(3)\n"
#define EE_WRITE "click DL_Main.Cmd_Win(0)\nset DL_EE.Txt_File \"ee.bin\"\nanswer ok\nclick DL_EE.Cmd(4)\n"
#define NO_EE "expect-no-file eeprom.bin\n"
#define IDENT "click DL_Main.Cmd_Win(9)\nclick DL_Flh.Cmd(3)\n"
#define NO_FLASH "expect-enabled DL_Flh.Cmd(4) no\nexpect-enabled DL_Flh.Cmd(5) no\nexpect-enabled DL_Flh.Chk(0) no\n"
#define FLASH_READ "click DL_Main.Cmd_Win(9)\nclick DL_Flh.Cmd(0)\n"
// Identification takes 25 transactions, then the erase command.
#define ERASE IDENT "answer ok\nclick DL_Flh.Cmd(4)\n"
// Block 2 alone, from a pattern: its erase takes 7 transactions.
#define BLOCK_2 "click DL_Flh.Chk(0)\nclick DL_Flh.Chk(3)\nclick DL_Flh.Chk(4)\nanswer ok\nclick DL_Flh.Cmd(5)\n"
#define PATTERN_2 IDENT "set DL_Flh.FN2 \"image.bin\"\n" BLOCK_2

const Case kCases[] = {
    // MEM --> File reads a page again after a bad reply.
    {"memory save, line faults", "--fault cut=7,nocr=11,lf=13,noise=17", FW_SAVE MEM("Done."), SavedFirmware},
    {"memory save, garbled", "--fault garble=7", FW_SAVE MEM("Done."), GarbledFirmware},
    {"memory save, hang-up", "--fault hangup=10", FW_SAVE GONE("DL_Mem") "click DL_Main.Cmd_Win(1)\n",
     [](const Run &r) { QVERIFY(r.pagesOfFlash("memdump.bin", 0x80000, 2048)); }},
    // Registers are not read again; a failed read shows "--".
    {"registers, silent", "--fault mute=15",
     I2C_REG EXPECT("DL_Reg.Txt[14]", "D0E0 : 9B 38 D5 72 0F AC 49 E6 83 20 BD 5A F7 94 31 CE ")
         EXPECT("DL_Reg.Txt[15]", "D0F0 :" DASHES " ")},
    // EEPROM: no retry; nothing saved after a failed read, pages before a failed write stay written.
    {"eeprom read, lost reply", "--fault drop=10",
     EE_READ EXPECT("DL_EE.Txt[9]", "0090 :" DASHES " : ................")},
    {"eeprom read, silent", "--fault mute=15", EE_READ "expect-contains DL_EE.Txt \"00F0 : -- --\"\n"},
    {"eeprom save, lost reply", "--fault drop=3", EE_SAVE EE("Reading Page 1 - Read Error!") NO_EE},
    {"eeprom save I2C, lost reply", "--fault drop=5", I2C EE_SAVE EE("Reading Page 0 - Read Error!") NO_EE},
    {"eeprom save, silent", "--fault mute=15", EE_SAVE EE("Reading Page 7 - Read Error!") NO_EE},
    {"eeprom save, hang-up", "--fault hangup=3", EE_SAVE GONE("DL_EE") NO_EE},
    {"eeprom save, window closed", "",
     "click DL_Main.Cmd_Win(0)\nanswer ok\non-command 3 close DL_EE\nclick DL_EE.Cmd(3)\n" NO_EE EE_READ EXPECT(
         "DL_EE.Txt[0]", "0000 : 21 28 2F 36 3D 44 4B 52 59 60 67 6E 75 7C 83 8A : !(/6=DKRY`gnu|..")},
    {"eeprom write, lost reply", "--fault drop=3", EE_WRITE EE("Writing Page 1 - Write Error!"),
     [](const Run &r) { QCOMPARE(r.file("st/eeprom.bin").left(256), Pattern(256)); }},
    {"eeprom write I2C, lost reply", "--fault drop=5", I2C EE_WRITE EE("Writing Page 0 - Write Error!")},
    // The write is acknowledged by exactly "060": a garbled one is an error.
    {"eeprom write, garbled", "--fault garble=3", EE_WRITE EE("Writing Page 1 - Write Error!")},
    {"eeprom write, silent", "--fault mute=3", EE_WRITE EE("Writing Page 1 - Write Error!")},
    // Identification; the chips are reset after a failure, or later reads
    // would return identification codes.
    {"identification, unknown device", "--flash-device 99", IDENT FLH("20 99 Unknown Device Code!") NO_FLASH},
    {"identification, failed read", "--fault readfail=7FE00000:1",
     IDENT FLH("Read Error!") NO_FLASH "click DL_Flh.Cmd(3)\n" FLH("20 EC ST-M29F800AT Prot:UUUUUUUUUUUUUUUUUUU")},
    {"identification, lost code", "--fault drop=4", IDENT FLH("Read Error!") MEM_SAVE("7FE000", "7FE003") MEM("Done."),
     [](const Run &r) { QCOMPARE(r.file("memdump.bin"), r.flash(0, 1024)); }},
    {"identification, lost cycle", "--fault drop=3", IDENT FLH("Write Error!") NO_FLASH},
    {"identification, garbled", "--fault garble=4", IDENT FLH("ID_EVEN <> ID_ODD !")},
    {"identification, silent", "--fault mute=3", IDENT FLH("Read Error!") NO_FLASH},
    {"flash read, hang-up", "--fault hangup=100", FLASH_READ GONE("DL_Flh"), SavedDataPages},
    {"flash read, main window closed", "",
     "click DL_Main.Cmd_Win(9)\nanswer ok\non-command 30 close DL_Main\nclick DL_Flh.Cmd(0)\n", SavedDataPages},
    {"erase, cut reply", "--fault cut=26", ERASE FLH("Erasing...Error!")},
    {"erase, garbled", "--fault garble=26", ERASE FLH("Erasing...Data Flash erased.")},
    {"erase, bottom-boot chips with protected blocks", "--flash-device 58 --protect 0,3,4,18",
     "click DL_Main.Cmd_Win(9)\nclick DL_Flh.Cmd(4)\n" FLH("") "click DL_Flh.Cmd(3)\n" FLH(
         "20 58 ST-M29F800AB Prot:PUUPPUUUUUUUUUUUUUP") "answer ok\nclick DL_Flh.Cmd(4)\n" EXPECT("DL_Main.Txt_D2P",
                                                                                                  "2800"),
     ErasedButProtected},
    // Programming ends at the fault and touches no block but the selected one.
    {"program, lost reply", "--fault drop=4400",
     IDENT "click DL_Flh.Cmd(0)\n" FLH("Done.") BLOCK_2 "expect-contains DL_Flh.L1 \"Error!\"\n", OtherBlocksKept},
    {"program, silent", "--fault mute=35", PATTERN_2 FLH("Writing 7FE200XX Program Error!")},
    {"program, hang-up", "--fault hangup=35", PATTERN_2 GONE("DL_Flh")},
};

}   // namespace

class TestFaultMatrix : public QObject {
    Q_OBJECT
    std::vector<Run> runs_;
    std::vector<std::unique_ptr<QTemporaryDir>> dirs_;
    std::vector<std::unique_ptr<QProcess>> processes_;

    void start(int i, const std::function<void()> &finished)
    {
        Run &run = runs_[i];
        run.dir = dirs_.emplace_back(std::make_unique<QTemporaryDir>())->path();
        // Every case ends by closing the port: the program still answers.
        const QByteArray script = QByteArray("click DL_Main.Cmd_Open\n") + kCases[i].script
            + "click DL_Main.Cmd_Close\nexpect-enabled DL_Main.Cmd_Open yes\n";
        for (const auto &[name, data] :
             {std::pair{"case.kscript", script}, {"ee.bin", Pattern(2048)}, {"image.bin", Pattern(0x80000)}}) {
            QFile f(run.dir + "/" + name);
            if (f.open(QIODevice::WriteOnly))
                f.write(data);
        }
        QProcess *p = processes_.emplace_back(std::make_unique<QProcess>()).get();
        p->setWorkingDirectory(run.dir);
        p->setProcessChannelMode(QProcess::MergedChannels);
        connect(p, &QProcess::finished, this, [&run, p, finished](int code, QProcess::ExitStatus status) {
            run.exitCode = status == QProcess::NormalExit ? code : -1;
            run.output = QString::fromLocal8Bit(p->readAll());
            finished();
        });
        p->start(qEnvironmentVariable("KESTREL_BIN"),
                 {"--script", "case.kscript", "--sim", "--sim-args",
                  QString("--state st --trace trace.log ") + kCases[i].simArgs});
    }

private slots:
    // The cases run three at a time, each in its own folder.
    void initTestCase()
    {
        QVERIFY(!qEnvironmentVariable("KESTREL_BIN").isEmpty());
        runs_.resize(std::size(kCases));
        QEventLoop loop;
        int next = 0, running = 0;
        std::function<void()> fill = [&] {
            for (; running < 3 && next < int(runs_.size()); ++running)
                start(next++, [&] {
                    --running;
                    fill();
                });
            if (running == 0)
                loop.quit();
        };
        fill();
        loop.exec();
    }

    void operationUnderFault_data()
    {
        QTest::addColumn<int>("index");
        for (int i = 0; i < int(std::size(kCases)); ++i)
            QTest::newRow(kCases[i].name) << i;
    }
    void operationUnderFault()
    {
        QFETCH(int, index);
        const Run &r = runs_[index];
        QVERIFY2(r.exitCode == 0, qPrintable(QString("exit code %1\n%2").arg(r.exitCode).arg(r.output)));
        if (kCases[index].check)
            kCases[index].check(r);
    }
};

QTEST_GUILESS_MAIN(TestFaultMatrix)
#include "test_fault_matrix.moc"
