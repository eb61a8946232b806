#include "fake_flash_channel.h"
#include "flash/flash_ops.h"
#include "flash/image.h"
#include "support/fake_channel.h"
#include "support/test_helpers.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

namespace {

constexpr const char *kReset = "02207FE00000000F00F0";

using Image = std::vector<quint8>;

void PutWord(Image &image, qint64 at, int value)
{
    image[at] = quint8(value);
    image[at + 1] = quint8(value >> 8);
}

// An image block with one module whose data ends at p + 0x12D (used end p + 0x12E).
void PutModule(Image &image, qint32 p)
{
    for (int k = 0; k < kModuleSlots; ++k)
        PutWord(image, p + 2 * k, 0);
    PutWord(image, p, 0x0100);
    for (qint32 i = p + 0x100; i < p + 0x12D; ++i)
        image[i] = quint8(i * 3);
    PutWord(image, p + 0x10A, 0x0023);
}

QByteArray AsBytes(const Image &image)
{
    return QByteArray(reinterpret_cast<const char *>(image.data()), qsizetype(image.size()));
}

QByteArray FlashBytes(const FakeFlashChannel &link, qint32 from, qint32 count)
{
    return QByteArray(reinterpret_cast<const char *>(link.mem.data()) + from, count);
}

std::array<bool, kDataFlashBlocks> Only(int index)
{
    std::array<bool, kDataFlashBlocks> selected{};
    selected[index] = true;
    return selected;
}

} // namespace

class TestFlashOps : public QObject {
    Q_OBJECT

    QTemporaryDir dir_;
    FakeFlashChannel link_;
    FakePrompter prompter_;
    StatusHooks status_;
    int ignoreCalls_ = 0;
    std::function<bool()> ignoreOn_ = [this] { ++ignoreCalls_; return true; };
    std::function<bool()> ignoreOff_ = [this] { ++ignoreCalls_; return false; };

    QString Path(const QString &name) { return dir_.filePath(name); }

private slots:
    void init()
    {
        link_ = FakeFlashChannel{};
        prompter_ = FakePrompter{};
        status_ = StatusHooks{};
        ignoreCalls_ = 0;
    }

    // ---- Read FlashType ----

    void identifiesTopBootChips()
    {
        link_.protection[0x20000] = {1, 0};
        link_.protection[15 * 0x20000 + 0x10000] = {1, 1};
        const FlashTypeResult r = ReadFlashType(link_);
        QVERIFY(r.ok);
        QVERIFY(!r.bottomBoot);
        QCOMPARE(r.status, "20 EC ST-M29F800AT Prot:UX" + QString(13, 'U') + "UUUP");
        QCOMPARE(r.status.mid(r.status.indexOf(':') + 1).remove(' ').size(), 19);
        QCOMPARE(link_.commands.last(), QString(kReset));
        QVERIFY(!link_.identification);
        QCOMPARE(link_.malformed, 0);
        QCOMPARE(link_.timeouts, QList<int>{750});
    }

    void identifiesBottomBootChips_data()
    {
        QTest::addColumn<int>("device");
        QTest::newRow("58") << 0x58;
        QTest::newRow("5B") << 0x5B;
    }
    void identifiesBottomBootChips()
    {
        QFETCH(int, device);
        link_.evenDevice = link_.oddDevice = quint8(device);
        link_.protection[0x8000] = {1, 1};
        const FlashTypeResult r = ReadFlashType(link_);
        QVERIFY(r.ok);
        QVERIFY(r.bottomBoot);
        QCOMPARE(r.status, "20 " + QString::number(device, 16).toUpper() + " ST-M29F800AB Prot:UPUU" + QString(15, 'U'));
        QCOMPARE(link_.commands.last(), QString(kReset));
    }

    // Once the chips are in identification mode every exit resets them.
    void errorExitsLeaveIdentificationMode_data()
    {
        QTest::addColumn<int>("failAt");        // transaction whose reply is lost, -1 none
        QTest::addColumn<int>("oddMaker");
        QTest::addColumn<int>("maker");
        QTest::addColumn<int>("oddDevice");
        QTest::addColumn<int>("device");
        QTest::addColumn<QString>("status");
        QTest::newRow("maker read") << 3 << 0x20 << 0x20 << 0xEC << 0xEC << "Read Error!";
        QTest::newRow("maker differs") << -1 << 0x1F << 0x20 << 0xEC << 0xEC << "ID_EVEN <> ID_ODD !";
        QTest::newRow("maker unknown") << -1 << 0x1F << 0x1F << 0xEC << 0xEC << "1F Unknown Manufacturer Code!";
        QTest::newRow("maker 0") << -1 << 0 << 0 << 0xEC << 0xEC << "0 Unknown Manufacturer Code!";
        QTest::newRow("device read") << 4 << 0x20 << 0x20 << 0xEC << 0xEC << "Read Error!";
        QTest::newRow("device differs") << -1 << 0x20 << 0x20 << 0x58 << 0xEC << "ID_EVEN <> ID_ODD !";
        QTest::newRow("device unknown") << -1 << 0x20 << 0x20 << 0x12 << 0x12 << "20 12 Unknown Device Code!";
    }
    void errorExitsLeaveIdentificationMode()
    {
        QFETCH(int, failAt);
        QFETCH(int, oddMaker);
        QFETCH(int, maker);
        QFETCH(int, oddDevice);
        QFETCH(int, device);
        QFETCH(QString, status);
        link_.oddMaker = quint8(oddMaker);
        link_.evenMaker = quint8(maker);
        link_.oddDevice = quint8(oddDevice);
        link_.evenDevice = quint8(device);
        link_.fault = [failAt](int n, const QString &) { return n == failAt ? QString("") : QString(); };
        const FlashTypeResult r = ReadFlashType(link_);
        QVERIFY(!r.ok);
        QCOMPARE(r.status, status);
        QCOMPARE(link_.commands.last(), QString(kReset));
        QVERIFY(!link_.identification);
    }

    void failedUnlockSendsNoReset()
    {
        link_.fault = [](int n, const QString &) { return n == 1 ? QString("") : QString(); };
        const FlashTypeResult r = ReadFlashType(link_);
        QVERIFY(!r.ok);
        QCOMPARE(r.status, QString("Write Error!"));
        QCOMPARE(link_.transactions(), 2);
    }

    // ---- Read Flash ----

    void regions()
    {
        QCOMPARE(FlashRegionFor(0).firstPage, 0x7FE000);
        QCOMPARE(FlashRegionFor(0).lastPage, 0x7FE7FF);
        QCOMPARE(QString(FlashRegionFor(1).defaultFile), QString("firmware.bin"));
        QCOMPARE(FlashRegionFor(1).firstPage, 0x7FE800);
        QCOMPARE(FlashRegionFor(2).lastPage - FlashRegionFor(2).firstPage + 1, 8192);
    }

    void savesTheDataArea()
    {
        for (size_t i = 0; i < link_.mem.size(); ++i)
            link_.mem[i] = quint8(i ^ (i >> 9));
        const FlashRegion region = FlashRegionFor(0);
        const QString file = Path(region.defaultFile);
        QCOMPARE(SaveFlashRange(link_, MemReadMode::MultiByte, prompter_, status_.Hooks(), region.firstPage,
                                region.lastPage, file),
                 FlashOutcome::Done);
        QCOMPARE(ReadFile(file), FlashBytes(link_, 0, kImageSize));
        QCOMPARE(link_.transactions(), 4096);
        QCOMPARE(link_.timeouts, QList<int>{500});
        QCOMPARE(status_.history[1], QString("Reading 7FE001XX"));
        QCOMPARE(status_.text, QString("Done."));
    }

    void savesInSingleAccessMode()
    {
        for (size_t i = 0; i < 1024; ++i)
            link_.mem[0x180000 + i] = quint8(i * 5);
        const QString file = Path("part.bin");
        QCOMPARE(SaveFlashRange(link_, MemReadMode::SingleDWord, prompter_, status_.Hooks(), 0x7FF800, 0x7FF803, file),
                 FlashOutcome::Done);
        QCOMPARE(ReadFile(file), FlashBytes(link_, 0x180000, 1024));
        QCOMPARE(link_.transactions(), 4 * 64);
    }

    void retriesAPageNineTimes_data()
    {
        QTest::addColumn<int>("failures");
        QTest::addColumn<int>("outcome");
        QTest::addColumn<int>("fileSize");
        QTest::newRow("8 failures") << 8 << int(FlashOutcome::Done) << 4 * 256;
        QTest::newRow("9 failures") << 9 << int(FlashOutcome::ReadError) << 256;
    }
    void retriesAPageNineTimes()
    {
        QFETCH(int, failures);
        QFETCH(int, outcome);
        QFETCH(int, fileSize);
        int failed = 0;
        link_.fault = [&](int, const QString &c) {
            if (c.startsWith("0201807FE001") && failed < failures) {
                ++failed;
                return QString("020");
            }
            return QString();
        };
        const QString file = Path(QString("retry%1.bin").arg(failures));
        QCOMPARE(int(SaveFlashRange(link_, MemReadMode::MultiByte, prompter_, status_.Hooks(), 0x7FE000, 0x7FE003,
                                    file)),
                 outcome);
        QCOMPARE(ReadFile(file).size(), fileSize);
        if (FlashOutcome(outcome) == FlashOutcome::ReadError)
            QCOMPARE(status_.text, QString("Read Error !!!"));
    }

    void stopKeepsTheCompletePages()
    {
        status_.stopAfterChecks = 2;
        const QString file = Path("stopped.bin");
        QCOMPARE(SaveFlashRange(link_, MemReadMode::MultiByte, prompter_, status_.Hooks(), 0x7FE000, 0x7FE7FF, file),
                 FlashOutcome::UserBreak);
        QCOMPARE(status_.text, QString("User Break."));
        QCOMPARE(ReadFile(file).size(), 512);
    }

    void overwriteRefusedEndsSilently()
    {
        const QString file = Path("kept.bin");
        WriteFile(file, "kept");
        status_.text = "before";
        prompter_.answers = {false};
        QCOMPARE(SaveFlashRange(link_, MemReadMode::MultiByte, prompter_, status_.Hooks(), 0x7FE000, 0x7FE001, file),
                 FlashOutcome::Declined);
        QCOMPARE(status_.text, QString("before"));
        QCOMPARE(link_.transactions(), 0);
        QCOMPARE(ReadFile(file), QByteArray("kept"));
    }

    void unwritableFileIsNotDone()
    {
        if (!QFileInfo::exists("/dev/full"))
            QSKIP("no /dev/full on this system");
        QCOMPARE(SaveFlashRange(link_, MemReadMode::MultiByte, prompter_, status_.Hooks(), 0x7FE000, 0x7FE00F,
                                "/dev/full"),
                 FlashOutcome::FileError);
        QCOMPARE(status_.text, QString("Cannot write /dev/full !"));
    }

    // ---- Erase DataFlash ----

    void eraseDataFlash()
    {
        FakeChannel link;
        link.reply("280", "280");
        QCOMPARE(EraseDataFlash(link, prompter_, status_.Hooks()), FlashOutcome::Done);
        QCOMPARE(status_.text, QString("Erasing...Data Flash erased."));
        QCOMPARE(prompter_.questions[0].text, QString("This will erase the whole DATA Flash area! (7FE00000-7FE7FFFF)"));
        QCOMPARE(link.sent.size(), 1);
        QVERIFY(link.sent[0].show);
        QCOMPARE(link.sent[0].timeout, 10000);

        link.reply("280", "28E");
        QCOMPARE(EraseDataFlash(link, prompter_, status_.Hooks()), FlashOutcome::Error);
        QCOMPARE(status_.text, QString("Erasing...Error!"));

        link.clearRecord();
        prompter_.answers = {false};
        status_.text.clear();
        QCOMPARE(EraseDataFlash(link, prompter_, status_.Hooks()), FlashOutcome::Declined);
        QVERIFY(link.sent.isEmpty());
        QVERIFY(status_.text.isEmpty());
    }

    // ---- Block erase and word program ----

    void eraseBlockSequence()
    {
        std::fill(link_.mem.begin() + 0x20000, link_.mem.begin() + 0x40000, 0x00);
        QVERIFY(!EraseBlock(link_, 0x220000));   // offsets count modulo 2 MB
        QCOMPARE(link_.commands,
                 (QStringList{"02207FE01554005500AA", "02207FE00AA800AA0055", "02207FE0155400010080",
                              "02207FE01554005500AA", "02207FE00AA800AA0055", "02207FE20000000C0030",
                              "0221047FE20000"}));
        QCOMPARE(link_.waits, QList<int>{2000});
        QCOMPARE(link_.timeouts, QList<int>{1000});
        QCOMPARE(FlashBytes(link_, 0x20000, 0x20000), QByteArray(0x20000, '\xFF'));
    }

    void eraseBlockFailures()
    {
        link_.mem[0x40000] = 0x7F;
        link_.eraseWorks = false;
        QVERIFY(EraseBlock(link_, 0x40000));
        QCOMPARE(link_.commands.last(), QString(kReset));   // not blank: back to read mode

        init();
        QVERIFY(EraseBlock(link_, 0x80000));
        QCOMPARE(link_.transactions(), 5);
        QVERIFY(link_.waits.isEmpty());

        init();
        link_.fault = [](int n, const QString &) { return n == 6 ? QString("02E") : QString(); };
        QVERIFY(EraseBlock(link_, 0));
        QCOMPARE(link_.transactions(), 7);
    }

    void programDwordSequence()
    {
        QVERIFY(!ProgramDword(link_, 0x1234, FlashWord{0x11, 0x22, 0x33, 0x44}));
        QCOMPARE(link_.commands,
                 (QStringList{"02207FE01554005500AA", "02207FE00AA800AA0055", "02207FE01554000500A0",
                              "02207FE0123444332211"}));
        QCOMPARE(link_.Word(0x1234), 0x44332211u);

        init();
        QVERIFY(ProgramDword(link_, 0x90000, FlashWord{}));
        QCOMPARE(link_.transactions(), 3);
    }

    // ---- Program DataFlash ----

    void programFileChecks()
    {
        prompter_.answers = {false};
        QCOMPARE(ProgramDataFlash(link_, prompter_, status_.Hooks(), Path("x.bin"), Only(0), false, ignoreOn_),
                 FlashOutcome::Declined);
        QCOMPARE(prompter_.questions[0].text, QString("This will erase and write the selected DATA Flash area!"));

        const QString missing = Path("missing.bin");
        QCOMPARE(ProgramDataFlash(link_, prompter_, status_.Hooks(), missing, Only(0), false, ignoreOn_),
                 FlashOutcome::NoFile);
        QCOMPARE(status_.text, "No file " + missing + " !");

        const QString shortFile = Path("short.bin");
        WriteFile(shortFile, QByteArray(kImageSize - 1, '\xFF'));
        QCOMPARE(ProgramDataFlash(link_, prompter_, status_.Hooks(), shortFile, Only(0), false, ignoreOn_),
                 FlashOutcome::TooShort);
        QCOMPARE(status_.text, QString("File length is less that 512KBytes!"));

        const QString good = Path("good.bin");
        WriteFile(good, QByteArray(kImageSize, '\xFF'));
        QCOMPARE(ProgramDataFlash(link_, prompter_, status_.Hooks(), good, {}, false, ignoreOn_),
                 FlashOutcome::NothingToWrite);
        QCOMPARE(status_.text, QString("Nothing to Write!"));
        QCOMPARE(link_.transactions(), 0);
    }

    void longerFileUsesItsFirst512K()
    {
        Image image(kImageSize, 0xFF);
        PutModule(image, 0);
        QByteArray data = AsBytes(image) + QByteArray(600000 - kImageSize, '\x00');
        const QString file = Path("long.bin");
        WriteFile(file, data);
        std::fill(link_.mem.begin(), link_.mem.begin() + 0x10000, 0x00);
        QCOMPARE(ProgramDataFlash(link_, prompter_, status_.Hooks(), file, Only(0), false, ignoreOn_), FlashOutcome::Done);
        QCOMPARE(FlashBytes(link_, 0, 0x10000), AsBytes(image).left(0x10000));
    }

    void transactionCounts()
    {
        // Empty 64 KB block with "Ignore empty space": first and last word only.
        link_.evenDevice = link_.oddDevice = 0x58;
        const Image erased(kImageSize, 0xFF);
        QCOMPARE(ProgramDataFlashImage(link_, status_.Hooks(), erased, Only(1), true, ignoreOn_), FlashOutcome::Done);
        QCOMPARE(link_.transactions(), 7 + 2);
        QCOMPARE(link_.commands[7], QString("0221047FE10000"));
        QCOMPARE(link_.commands[8], QString("0221047FE1FFFC"));
        QCOMPARE(ignoreCalls_, 2);

        // 128 KB without it: 32768 read-backs, 4 more per programmed word.
        init();
        Image image(kImageSize, 0xFF);
        image[0x20010] = 0;
        image[0x2FFFF] = 0x12;
        image[0x3FFFC] = 0xFE;
        QCOMPARE(ProgramDataFlashImage(link_, status_.Hooks(), image, Only(2), false, ignoreOff_), FlashOutcome::Done);
        QCOMPARE(link_.reads, 1 + 32768);
        QCOMPARE(link_.transactions(), 7 + 32768 + 3 * 4);
        QCOMPARE(ignoreCalls_, 32768);   // asked at every word
        QCOMPARE(FlashBytes(link_, 0x20000, 0x20000), AsBytes(image).mid(0x20000, 0x20000));
        QCOMPARE(status_.history.count(), 1 + 512 + 1);
        QCOMPARE(status_.history[0], QString("Erasing 7FE20000"));
        QVERIFY(status_.history.contains("Writing 7FE212XX"));
        QCOMPARE(status_.text, QString("Done."));
    }

    void usedEndLimitsTheWork()
    {
        Image image(kImageSize, 0xFF);
        PutModule(image, 0);
        QCOMPARE(ProgramDataFlashImage(link_, status_.Hooks(), image, Only(0), false, ignoreOn_), FlashOutcome::Done);
        // Blank check, p..p+12C, p+FFFC; then the empty 7FE10000 block that
        // shares the erase block: its first and last word.
        QCOMPARE(link_.reads, 1 + 0x12C / 4 + 1 + 1 + 2);
        QCOMPARE(FlashBytes(link_, 0, 0x130), AsBytes(image).left(0x130));
    }

    // A first half used up to its last word must not make the loop skip the
    // used part of the second half of a 128 KB block.
    void fullFirstHalfKeepsTheSecondHalf()
    {
        Image image(kImageSize, 0xFF);
        const qint32 s = 0x40000;
        for (int k = 0; k < kModuleSlots; ++k)
            PutWord(image, s + 2 * k, 0);
        PutWord(image, s, 0x0020);
        PutWord(image, s + 0x2A, 0xFFD4);   // t = s + 0xFFFE: used to the end
        for (qint32 i = s + 0x20; i < s + 0x10000; i += 7)
            image[i] = 0x5A;
        PutModule(image, s + 0x10000);
        std::fill(link_.mem.begin() + s, link_.mem.begin() + s + 0x20000, 0x00);
        QCOMPARE(ProgramDataFlashImage(link_, status_.Hooks(), image, Only(3), false, ignoreOn_), FlashOutcome::Done);
        QCOMPARE(FlashBytes(link_, s, 0x20000), AsBytes(image).mid(s, 0x20000));
    }

    void ignoreBoxIsReadAtEveryWord()
    {
        Image image(kImageSize, 0xFF);
        int calls = 0;
        // Off for the first 100 words, then on: the rest of the empty block is skipped.
        const auto toggled = [&] { return ++calls > 100; };
        link_.evenDevice = link_.oddDevice = 0x58;
        QCOMPARE(ProgramDataFlashImage(link_, status_.Hooks(), image, Only(1), true, toggled), FlashOutcome::Done);
        QCOMPARE(link_.reads, 1 + 100 + 1);
        QCOMPARE(calls, 101);
    }

    void programmingErrors()
    {
        Image image(kImageSize, 0xFF);
        PutModule(image, 0x20000);

        link_.eraseWorks = false;
        link_.mem[0x20000] = 0;
        QCOMPARE(ProgramDataFlashImage(link_, status_.Hooks(), image, Only(2), false, ignoreOn_), FlashOutcome::EraseError);
        QCOMPARE(status_.text, QString("Erasing 7FE20000 Erase Error!"));

        init();
        link_.fault = [](int n, const QString &) { return n == 8 ? QString("") : QString(); };
        QCOMPARE(ProgramDataFlashImage(link_, status_.Hooks(), image, Only(2), false, ignoreOn_), FlashOutcome::ProgramError);
        QCOMPARE(status_.text, QString("Writing 7FE200XX Program Error!"));

        init();
        link_.fault = [](int, const QString &c) { return c == "0221047FE20104" ? QString("0220") : QString(); };
        QCOMPARE(ProgramDataFlashImage(link_, status_.Hooks(), image, Only(2), false, ignoreOn_), FlashOutcome::ReadError);
        QCOMPARE(status_.text, QString("Read Error!"));

        init();
        link_.fault = [](int, const QString &c) {
            return c == "0221047FE20108" ? QString("02200000000") : QString();
        };
        QCOMPARE(ProgramDataFlashImage(link_, status_.Hooks(), image, Only(2), false, ignoreOn_), FlashOutcome::VerifyError);
        QCOMPARE(status_.text, QString("Writing 7FE201XX Verify Error!"));

        init();
        status_.stopAfterChecks = 3;
        QCOMPARE(ProgramDataFlashImage(link_, status_.Hooks(), image, Only(2), false, ignoreOn_), FlashOutcome::UserBreak);
        QCOMPARE(status_.text, QString("Writing 7FE200XX User Break!"));
        QCOMPARE(link_.reads, 1 + 3);
    }

    void programsAllBlocks()
    {
        Image image(kImageSize, 0xFF);
        for (qint32 p = 0; p < kImageSize; p += kImageBlockSize)
            PutModule(image, p);
        std::fill(link_.mem.begin(), link_.mem.begin() + kImageSize, 0x00);
        std::array<bool, kDataFlashBlocks> all;
        all.fill(true);
        QCOMPARE(ProgramDataFlashImage(link_, status_.Hooks(), image, all, false, ignoreOn_), FlashOutcome::Done);
        QCOMPARE(FlashBytes(link_, 0, kImageSize), AsBytes(image));
        QCOMPARE(link_.malformed, 0);
        QStringList erasing = status_.history.filter("Erasing");
        QCOMPARE(erasing, (QStringList{"Erasing 7FE00000", "Erasing 7FE20000", "Erasing 7FE40000",
                                       "Erasing 7FE60000"}));
    }

    // On top-boot chips 0-1FFFF is one erase block: it is erased once and
    // both halves are written, whichever of Chk(0) and Chk(1) is selected.
    void topBootSharedEraseBlock_data()
    {
        QTest::addColumn<bool>("first");
        QTest::addColumn<bool>("second");
        QTest::newRow("both") << true << true;
        QTest::newRow("Chk(0) only") << true << false;
        QTest::newRow("Chk(1) only") << false << true;
    }
    void topBootSharedEraseBlock()
    {
        QFETCH(bool, first);
        QFETCH(bool, second);
        Image image(kImageSize, 0xFF);
        PutModule(image, 0);
        PutModule(image, 0x10000);
        std::fill(link_.mem.begin(), link_.mem.begin() + 0x20000, 0x00);
        std::array<bool, kDataFlashBlocks> selected{};
        selected[0] = first;
        selected[1] = second;
        QCOMPARE(ProgramDataFlashImage(link_, status_.Hooks(), image, selected, false, ignoreOn_), FlashOutcome::Done);
        QCOMPARE(FlashBytes(link_, 0, 0x20000), AsBytes(image).left(0x20000));
        QCOMPARE(status_.history.filter("Erasing"), QStringList{"Erasing 7FE00000"});
    }

    // On bottom-boot chips 0-FFFF is the boot block and two parameter
    // blocks; each is erased, and 10000-1FFFF is left alone.
    void bottomBootErasesTheWholeBootArea()
    {
        link_.evenDevice = link_.oddDevice = 0x58;
        Image image(kImageSize, 0xFF);
        PutModule(image, 0);
        std::fill(link_.mem.begin(), link_.mem.begin() + 0x20000, 0x00);
        QCOMPARE(ProgramDataFlashImage(link_, status_.Hooks(), image, Only(0), true, ignoreOn_), FlashOutcome::Done);
        QCOMPARE(FlashBytes(link_, 0, 0x10000), AsBytes(image).left(0x10000));
        QCOMPARE(FlashBytes(link_, 0x10000, 0x10000), QByteArray(0x10000, '\0'));
        QCOMPARE(status_.history.filter("Erasing"),
                 (QStringList{"Erasing 7FE00000", "Erasing 7FE08000", "Erasing 7FE0C000"}));
        QCOMPARE(ChipEraseBlocks(1, true), QList<qint32>{0x10000});
        QCOMPARE(ChipEraseBlocks(1, false), QList<qint32>{0});
        QCOMPARE(ChipEraseBlocks(4, false), QList<qint32>{0x60000});
    }

    // ---- Check boxes ----

    void checkBoxCoupling()
    {
        QCOMPARE(CoupledCheckBox(0, false), std::optional<int>(1));
        QCOMPARE(CoupledCheckBox(1, false), std::optional<int>(0));
        QCOMPARE(CoupledCheckBox(0, true), std::nullopt);
        QCOMPARE(CoupledCheckBox(1, true), std::nullopt);
        for (int k = 2; k <= 5; ++k) {
            QCOMPARE(CoupledCheckBox(k, false), std::nullopt);
            QCOMPARE(CoupledCheckBox(k, true), std::nullopt);
        }
    }
};

QTEST_GUILESS_MAIN(TestFlashOps)
#include "test_flash_ops.moc"
