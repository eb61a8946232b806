// Every long operation against a decoder that misbehaves: dropped, garbled,
// cut and unterminated replies, noise, a decoder that stops answering and
// one that hangs up in the middle. Each case runs the real program through
// `kestrel --script` against kestrel-sim with the fault injected, then checks
// the message, that the program stays usable, and that no output file holds
// a page whose read failed. The protocol has no checksum: a digit garbled
// into another digit goes through undetected, and the garble case says so.
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>
#include <functional>

namespace {

struct Run {
    QString dir;
    int exitCode = -1;
    QString output;

    QByteArray file(const QString &name) const
    {
        QFile f(dir + "/" + name);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    bool exists(const QString &name) const { return QFile::exists(dir + "/" + name); }
    // The simulator's flash, saved at its exit, in decoder address order.
    QByteArray flash(qint64 offset, qint64 size) const { return file("st/flash.bin").mid(offset, size); }
};

using Check = std::function<void(const Run &)>;

struct Case {
    QString simArgs;
    QString script;
    Check check;
};

Run RunCase(const Case &c, QTemporaryDir &tmp, const QHash<QString, QByteArray> &files = {})
{
    Run run;
    run.dir = tmp.path();
    QDir(run.dir).mkpath("st");
    for (auto it = files.begin(); it != files.end(); ++it) {
        QFile f(run.dir + "/" + it.key());
        if (f.open(QIODevice::WriteOnly))
            f.write(it.value());
    }
    QFile script(run.dir + "/case.kscript");
    if (script.open(QIODevice::WriteOnly))
        script.write(("click DL_Main.Cmd_Open\n" + c.script).toUtf8());
    script.close();
    QProcess p;
    p.setWorkingDirectory(run.dir);
    p.setProcessChannelMode(QProcess::MergedChannels);
    p.start(qEnvironmentVariable("KESTREL_BIN"),
            {"--script", "case.kscript", "--sim", "--sim-args", "--state st --trace trace.log " + c.simArgs});
    const bool finished = p.waitForFinished(600000);
    run.exitCode = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    run.output = QStringLiteral("finished %1, status %2, exit code %3\n")
                     .arg(finished).arg(int(p.exitStatus())).arg(p.exitCode())
                 + QString::fromLocal8Bit(p.readAll());
    return run;
}

// True when data is whole pages, fewer than limit bytes, equal to the flash from offset.
bool CompletePagesOfFlash(const Run &r, const QByteArray &data, qint64 offset, qint64 limit)
{
    return data.size() % 256 == 0 && data.size() < limit && data == r.flash(offset, data.size());
}

QByteArray Pattern(int size, int seed)
{
    QByteArray b(size, 0);
    for (int i = 0; i < size; ++i)
        b[i] = char((i * 31 + seed) & 0xFF);
    return b;
}

const char *kMemSave = "click DL_Main.Cmd_Win(2)\n"
                       "set DL_Mem.Txt_S \"7FE800\"\n"
                       "set DL_Mem.Txt_E \"7FE80F\"\n"
                       "click DL_Mem.Cmd(3)\n";
const qint64 kFirmware = 0x80000;

} // namespace

class TestFaultMatrix : public QObject {
    Q_OBJECT

    void runCase(const Case &c, const QHash<QString, QByteArray> &files = {})
    {
        QTemporaryDir tmp;
        QVERIFY(tmp.isValid());
        const Run r = RunCase(c, tmp, files);
        QVERIFY2(r.exitCode == 0, qPrintable(r.output));
        if (c.check)
            c.check(r);
    }

private slots:
    void initTestCase() { QVERIFY(!qEnvironmentVariable("KESTREL_BIN").isEmpty()); }

    // --- MEM --> File: retries up to 9 reads per page ---
    void memSaveRetriesDroppedReplies()
    {
        runCase({"--fault drop=5", QString(kMemSave) + "expect DL_Mem.L2 \"Done.\"\n", [](const Run &r) {
                     QCOMPARE(r.file("memdump.bin"), r.flash(kFirmware, 4096));
                 }});
    }
    void memSaveRetriesLineFaults()
    {
        runCase({"--fault cut=7,nocr=11,lf=13,noise=17", QString(kMemSave) + "expect DL_Mem.L2 \"Done.\"\n",
                 [](const Run &r) { QCOMPARE(r.file("memdump.bin"), r.flash(kFirmware, 4096)); }});
    }
    void memSaveCannotSeeGarbledDigits()
    {
        runCase({"--fault garble=7", QString(kMemSave) + "expect DL_Mem.L2 \"Done.\"\n", [](const Run &r) {
                     const QByteArray got = r.file("memdump.bin");
                     const QByteArray want = r.flash(kFirmware, 4096);
                     QCOMPARE(got.size(), 4096);
                     int differing = 0;
                     for (int i = 0; i < got.size(); ++i)
                         differing += got[i] != want[i];
                     // One byte per garbled reply (every 7th of 32): a valid digit went through.
                     QVERIFY(differing >= 1 && differing <= 32 / 7);
                 }});
    }
    void memSaveStopsWhenTheDecoderFallsSilent()
    {
        runCase({"--fault mute=10",
                 QString(kMemSave) + "expect-contains DL_Mem.L2 \" - Read Error !!!\"\n"
                                     "click DL_Main.Cmd_Close\nexpect-enabled DL_Main.Cmd_Open yes\n",
                 [](const Run &r) {
                     const QByteArray got = r.file("memdump.bin");
                     QVERIFY(got.size() > 0);
                     QVERIFY(CompletePagesOfFlash(r, got, kFirmware, 4096));
                 }});
    }
    void memSaveEndsWhenTheDecoderHangsUp()
    {
        runCase({"--fault hangup=10",
                 QString(kMemSave) + "wait 300\nexpect-visible DL_Mem no\n"
                                     "expect-contains DL_Main.Txt_D2P \"Connection lost on \"\n"
                                     "expect-enabled DL_Main.Cmd_Open yes\n"
                                     "click DL_Main.Cmd_Win(1)\n",
                 [](const Run &r) { QVERIFY(CompletePagesOfFlash(r, r.file("memdump.bin"), kFirmware, 4096)); }});
    }

    // --- Registers: no retry, a failed read shows "--" ---
    void registersShowDroppedReadsAsDashes()
    {
        runCase({"--fault drop=64",
                 "click DL_Main.Cmd_Win(6)\nclick DL_Reg.Cmd_Read\n"
                 "expect-contains DL_Reg.Txt \" -- \"\nexpect-enabled DL_Reg.Cmd_Read yes\n",
                 {}});
    }
    void registersOfASilentDecoder()
    {
        runCase({"--fault mute=5",
                 "click DL_Main.Cmd_Win(6)\nclick DL_Reg.O1(1)\nclick DL_Reg.Cmd_Read\n"
                 "expect DL_Reg.Txt[15] \"D0F0 : -- -- -- -- -- -- -- -- -- -- -- -- -- -- -- -- \"\n"
                 "expect-enabled DL_Reg.Cmd_Read yes\nexpect-enabled DL_Reg.O1(0) yes\n",
                 {}});
    }
    void registersWhenTheDecoderHangsUp()
    {
        runCase({"--fault hangup=5",
                 "click DL_Main.Cmd_Win(6)\nclick DL_Reg.O1(1)\nclick DL_Reg.Cmd_Read\nwait 300\n"
                 "expect-visible DL_Reg no\nexpect-enabled DL_Main.Cmd_Open yes\n",
                 {}});
    }

    // --- EEPROM: no retry; nothing saved after a failed read ---
    void eepromReadShowsBadRows()
    {
        runCase({"--fault drop=2",
                 "click DL_Main.Cmd_Win(0)\nclick DL_EE.Cmd(0)\n"
                 "expect DL_EE.Txt[1] \"0010 : -- -- -- -- -- -- -- -- -- -- -- -- -- -- -- -- : ................\"\n",
                 {}});
    }
    void eepromSaveAfterADroppedReplySavesNothing()
    {
        runCase({"--fault drop=3",
                 "click DL_Main.Cmd_Win(0)\nclick DL_EE.Cmd(3)\n"
                 "expect DL_EE.Txt \"Reading Page 1 - Read Error!\"\nexpect-no-file eeprom.bin\n",
                 {}});
    }
    void eepromSaveOfASilentDecoderSavesNothing()
    {
        runCase({"--fault mute=7",
                 "click DL_Main.Cmd_Win(0)\nclick DL_EE.Cmd(3)\n"
                 "expect-contains DL_EE.Txt \" - Read Error!\"\nexpect-no-file eeprom.bin\n",
                 {}});
    }
    void eepromSaveWhenTheDecoderHangsUp()
    {
        runCase({"--fault hangup=3",
                 "click DL_Main.Cmd_Win(0)\nclick DL_EE.Cmd(3)\nwait 300\n"
                 "expect-visible DL_EE no\nexpect-no-file eeprom.bin\nexpect-enabled DL_Main.Cmd_Open yes\n",
                 {}});
    }
    void eepromWriteStopsAtADroppedReply()
    {
        const QByteArray image = Pattern(2048, 7);
        QTemporaryDir tmp;
        const Run r = RunCase({"--fault drop=3",
                               "click DL_Main.Cmd_Win(0)\nset DL_EE.Txt_File \"in.bin\"\nanswer ok\n"
                               "click DL_EE.Cmd(4)\nexpect DL_EE.Txt \"Writing Page 1 - Write Error!\"\n",
                               {}},
                              tmp, {{"in.bin", image}});
        QVERIFY2(r.exitCode == 0, qPrintable(r.output));
        // Page 0 went in whole before the failure.
        QCOMPARE(r.file("st/eeprom.bin").left(256), image.left(256));
    }

    // --- Flash ---
    void flashTypeAfterAFailedRead()
    {
        runCase({"--fault readfail=7FE00000:1",
                 "click DL_Main.Cmd_Win(9)\nclick DL_Flh.Cmd(3)\nexpect DL_Flh.L1 \"Read Error!\"\n"
                 "click DL_Flh.Cmd(3)\nexpect DL_Flh.L1 \"20 EC ST-M29F800AT Prot:UUUUUUUUUUUUUUUUUUU\"\n",
                 {}});
    }
    void flashReadAfterAFailedIdentificationReadsTheArray()
    {
        // The 4th reply is the manufacturer read: the chips must be reset
        // afterwards, or later reads would return identification codes.
        runCase({"--fault drop=4",
                 "click DL_Main.Cmd_Win(9)\nclick DL_Flh.Cmd(3)\nexpect DL_Flh.L1 \"Read Error!\"\n"
                 "click DL_Main.Cmd_Win(2)\nset DL_Mem.Txt_S \"7FE000\"\nset DL_Mem.Txt_E \"7FE003\"\n"
                 "click DL_Mem.Cmd(3)\nexpect DL_Mem.L2 \"Done.\"\n",
                 [](const Run &r) { QCOMPARE(r.file("memdump.bin"), r.flash(0, 1024)); }});
    }
    void flashReadRetriesDroppedReplies()
    {
        runCase({"--fault drop=400", "click DL_Main.Cmd_Win(9)\nclick DL_Flh.Cmd(0)\nexpect DL_Flh.L1 \"Done.\"\n",
                 [](const Run &r) { QCOMPARE(r.file("flash512k.bin"), r.flash(0, 0x80000)); }});
    }
    void flashReadOfASilentDecoder()
    {
        runCase({"--fault mute=100",
                 "click DL_Main.Cmd_Win(9)\nclick DL_Flh.Cmd(0)\nexpect DL_Flh.L1 \"Read Error !!!\"\n",
                 [](const Run &r) {
                     QVERIFY(CompletePagesOfFlash(r, r.file("flash512k.bin"), 0, 0x80000));
                 }});
    }
    void flashReadWhenTheDecoderHangsUp()
    {
        runCase({"--fault hangup=100",
                 "click DL_Main.Cmd_Win(9)\nclick DL_Flh.Cmd(0)\nwait 300\nexpect-visible DL_Flh no\n"
                 "expect-enabled DL_Main.Cmd_Open yes\n",
                 [](const Run &r) {
                     QVERIFY(CompletePagesOfFlash(r, r.file("flash512k.bin"), 0, 0x80000));
                 }});
    }
    void flashEraseOfASilentDecoder()
    {
        // Identification takes 25 transactions; the erase command is the 26th.
        runCase({"--fault mute=25",
                 "click DL_Main.Cmd_Win(9)\nclick DL_Flh.Cmd(3)\nexpect-enabled DL_Flh.Cmd(4) yes\n"
                 "answer ok\nclick DL_Flh.Cmd(4)\nexpect DL_Flh.L1 \"Erasing...Error!\"\n",
                 {}});
    }
    void flashProgramStopsAtAFaultAndTouchesNoOtherBlock()
    {
        // Identify (25), save the data area (4096), then program block 2 with
        // one reply dropped on the way.
        runCase({"--fault drop=4400",
                 "click DL_Main.Cmd_Win(9)\nclick DL_Flh.Cmd(3)\nclick DL_Flh.Cmd(0)\nexpect DL_Flh.L1 \"Done.\"\n"
                 "click DL_Flh.Chk(0)\nclick DL_Flh.Chk(3)\nclick DL_Flh.Chk(4)\n"
                 "expect-checked DL_Flh.Chk(1) no\nexpect-checked DL_Flh.Chk(2) yes\n"
                 "answer ok\nclick DL_Flh.Cmd(5)\nexpect-contains DL_Flh.L1 \"Error!\"\n",
                 [](const Run &r) {
                     const QByteArray image = r.file("flash512k.bin");
                     QCOMPARE(image.size(), 0x80000);
                     QCOMPARE(r.flash(0, 0x20000), image.left(0x20000));
                     QCOMPARE(r.flash(0x40000, 0x40000), image.mid(0x40000));
                 }});
    }

    // --- The remaining operation and fault pairs: the message, and a
    // program that still answers afterwards (the main window's Close). ---
    void operationsUnderFaults_data()
    {
        QTest::addColumn<QString>("simArgs");
        QTest::addColumn<QString>("script");
        const QString reg = "click DL_Main.Cmd_Win(6)\nclick DL_Reg.Cmd_Read\n";
        const QString ee = "click DL_Main.Cmd_Win(0)\n";
        const QString eeWrite = ee + "set DL_EE.Txt_File \"in.bin\"\nanswer ok\nclick DL_EE.Cmd(4)\n";
        const QString flh = "click DL_Main.Cmd_Win(9)\n";
        // Identification (25 transactions), then the erase command.
        const QString erase = flh + "click DL_Flh.Cmd(3)\nanswer ok\nclick DL_Flh.Cmd(4)\n";
        // Identification, the data area saved (4096), then block 2 programmed.
        const QString program = flh + "click DL_Flh.Cmd(3)\nclick DL_Flh.Cmd(0)\nclick DL_Flh.Chk(0)\n"
                                      "click DL_Flh.Chk(3)\nclick DL_Flh.Chk(4)\nanswer ok\nclick DL_Flh.Cmd(5)\n";
        const QString gone = "wait 300\nexpect-enabled DL_Main.Cmd_Open yes\n";
        // A garbled value cannot be told from a true one: the dump completes.
        QTest::newRow("registers garbled") << "--fault garble=5"
                                           << reg + "expect-count DL_Reg.Txt 16\nexpect-enabled DL_Reg.Cmd_Read yes\n";
        QTest::newRow("eeprom read garbled") << "--fault garble=3" << ee + "click DL_EE.Cmd(0)\n"
                                                                        "expect-count DL_EE.Txt 16\n";
        QTest::newRow("eeprom read silent") << "--fault mute=4" << ee + "click DL_EE.Cmd(0)\n"
                                                                     "expect-contains DL_EE.Txt \"00F0 : -- --\"\n";
        QTest::newRow("eeprom read hang-up") << "--fault hangup=4"
                                             << ee + "click DL_EE.Cmd(0)\n" + gone + "expect-visible DL_EE no\n";
        QTest::newRow("eeprom save garbled") << "--fault garble=5" << ee + "click DL_EE.Cmd(3)\n"
                                                                          "expect-contains DL_EE.Txt \" - Done.\"\n"
                                                                          "expect-file eeprom.bin size 2048\n";
        // The write is acknowledged by exactly "060": a garbled one is an error.
        QTest::newRow("eeprom write garbled") << "--fault garble=3"
                                              << eeWrite + "expect DL_EE.Txt \"Writing Page 1 - Write Error!\"\n";
        QTest::newRow("eeprom write silent") << "--fault mute=3"
                                             << eeWrite + "expect DL_EE.Txt \"Writing Page 1 - Write Error!\"\n";
        QTest::newRow("eeprom write hang-up") << "--fault hangup=3" << eeWrite + gone + "expect-visible DL_EE no\n";
        QTest::newRow("identification garbled") << "--fault garble=4"
                                                << flh + "click DL_Flh.Cmd(3)\nexpect DL_Flh.L1 \"ID_EVEN <> ID_ODD !\"\n";
        QTest::newRow("identification dropped") << "--fault drop=3"
                                                << flh + "click DL_Flh.Cmd(3)\nexpect DL_Flh.L1 \"Write Error!\"\n";
        QTest::newRow("identification silent") << "--fault mute=3"
                                               << flh + "click DL_Flh.Cmd(3)\nexpect DL_Flh.L1 \"Read Error!\"\n";
        QTest::newRow("identification hang-up") << "--fault hangup=3"
                                                << flh + "click DL_Flh.Cmd(3)\n" + gone + "expect-visible DL_Flh no\n";
        QTest::newRow("erase dropped") << "--fault drop=26" << erase + "expect DL_Flh.L1 \"Erasing...Error!\"\n";
        QTest::newRow("erase garbled") << "--fault garble=26"
                                       << erase + "expect DL_Flh.L1 \"Erasing...Data Flash erased.\"\n";
        QTest::newRow("erase hang-up") << "--fault hangup=26" << erase + gone + "expect-visible DL_Flh no\n";
        QTest::newRow("program silent") << "--fault mute=4200" << program + "expect-contains DL_Flh.L1 \"Error!\"\n";
        QTest::newRow("program hang-up") << "--fault hangup=4200" << program + gone + "expect-visible DL_Flh no\n";
    }
    void operationsUnderFaults()
    {
        QFETCH(QString, simArgs);
        QFETCH(QString, script);
        runCase({simArgs, script + "click DL_Main.Cmd_Close\nexpect-enabled DL_Main.Cmd_Open yes\n", {}},
                {{"in.bin", Pattern(2048, 3)}});
    }

    // --- Closing windows while an operation waits for a reply ---
    void closingTheMemoryWindowMidSave()
    {
        runCase({"--latency 20",
                 "click DL_Main.Cmd_Win(2)\nset DL_Mem.Txt_S \"7FE800\"\nset DL_Mem.Txt_E \"7FEFFF\"\n"
                 "after 400 close DL_Mem\nclick DL_Mem.Cmd(3)\nexpect-visible DL_Mem no\n"
                 "click DL_Main.Cmd_Win(2)\nclick DL_Mem.Cmd(0)\nexpect DL_Mem.L2 \"Done.\"\n",
                 [](const Run &r) {
                     QVERIFY(CompletePagesOfFlash(r, r.file("memdump.bin"), kFirmware, 0x80000));
                 }});
    }
    void closingTheRegistersWindowMidRead()
    {
        runCase({"--latency 10",
                 "click DL_Main.Cmd_Win(6)\nafter 300 close DL_Reg\nclick DL_Reg.Cmd_Read\n"
                 "expect-visible DL_Reg no\nclick DL_Main.Cmd_Win(6)\nclick DL_Reg.O1(1)\nclick DL_Reg.Cmd_Read\n"
                 "expect-contains DL_Reg.Txt \"D000 : \"\n",
                 {}});
    }
    void closingTheEepromWindowMidSave()
    {
        runCase({"--latency 50",
                 "click DL_Main.Cmd_Win(0)\nafter 300 close DL_EE\nclick DL_EE.Cmd(3)\nexpect-no-file eeprom.bin\n"
                 "click DL_Main.Cmd_Win(0)\nclick DL_EE.Cmd(0)\nexpect-contains DL_EE.Txt \"0000 : \"\n",
                 {}});
    }
    void closingTheFlashWindowMidRead()
    {
        runCase({"--latency 5",
                 "click DL_Main.Cmd_Win(9)\nafter 500 close DL_Flh\nclick DL_Flh.Cmd(0)\n"
                 "click DL_Main.Cmd_Win(9)\nclick DL_Flh.Cmd(3)\nexpect-contains DL_Flh.L1 \"ST-M29F800AT\"\n",
                 [](const Run &r) {
                     QVERIFY(CompletePagesOfFlash(r, r.file("flash512k.bin"), 0, 0x80000));
                 }});
    }
    void closingTheMainWindowMidRead()
    {
        runCase({"--latency 5", "click DL_Main.Cmd_Win(9)\nafter 500 close DL_Main\nclick DL_Flh.Cmd(0)\n",
                 [](const Run &r) {
                     QVERIFY(CompletePagesOfFlash(r, r.file("flash512k.bin"), 0, 0x80000));
                 }});
    }
};

QTEST_GUILESS_MAIN(TestFaultMatrix)
#include "test_fault_matrix.moc"
