// Memory pages against a model memory: the page reads of command 02 in every
// read mode, "MEM --> File", the byte, word and double word tables, the ST20
// disassembler with its operand carried across pages, and the page boxes.
#include "memory/save_range.h"
#include "memory/page_views.h"
#include "link/conversions.h"
#include "support/fake_channel.h"
#include "support/test_helpers.h"

#include <QtTest>

Q_DECLARE_METATYPE(MemReadMode)
Q_DECLARE_METATYPE(SaveOutcome)
Q_DECLARE_METATYPE(MemView)

namespace {
quint8 ModelByte(quint32 address) { return quint8((address * 7u) ^ (address >> 8) ^ 0x5Au); }

// Answers the reads of command 02 from the model after a header of three characters.
QString ModelReply(const QString &command)
{
    const bool multi = command.size() == 14 && command.startsWith("020180");
    const int n = multi ? 128 : command.startsWith("0221") ? 4 : command.startsWith("0211") ? 2 : 1;
    QString reply = "h02";
    for (int k = 0; k < n; ++k)  // a single read sends its most significant byte first
        reply += Hex2(ModelByte(command.right(8).toUInt(nullptr, 16) + quint32(multi ? k : n - 1 - k)));
    return multi || command.size() == 12 ? reply : "02E";
}

QByteArray ModelPages(qint32 first, int count)
{
    QByteArray image;
    for (quint64 a = quint64(first) * 256; a < quint64(first + count) * 256; ++a)
        image.append(char(ModelByte(quint32(a))));
    return image;
}

QByteArray Bytes(const Page &p) { return QByteArray(reinterpret_cast<const char *>(p.data()), 256); }
Page PageOf(const QByteArray &leading)
{
    Page page{};
    std::copy(leading.begin(), leading.end(), page.begin());
    return page;
}
QStringList Lines(const Page &page, qint32 pageNumber, DisasmState &state)
{
    return Disassemble(page, pageNumber, state).split("\r\n");
}
QString Half(qint32 page, int half) { return "020180" + Hex6(page) + (half ? "80" : "00"); }
} // namespace

class TestMemory : public QObject {
    Q_OBJECT
    QTemporaryDir dir_;

private slots:
    void initTestCase() { QVERIFY(QDir::setCurrent(dir_.path())); }

    void pageRead_data()
    {
        QTest::addColumn<MemReadMode>("mode");
        QTest::addColumn<QStringList>("commands");  // count, first, second, last
        QTest::newRow("multi byte") << MemReadMode::MultiByte
                                    << QStringList{"2", "0201807FE00000", "0201807FE00080", "0201807FE00080"};
        QTest::newRow("dword") << MemReadMode::SingleDWord
                               << QStringList{"64", "02217FE00000", "02217FE00004", "02217FE000FC"};
        QTest::newRow("word") << MemReadMode::SingleWord
                              << QStringList{"128", "02117FE00000", "02117FE00002", "02117FE000FE"};
        QTest::newRow("byte") << MemReadMode::SingleByte
                              << QStringList{"256", "02017FE00000", "02017FE00001", "02017FE000FF"};
    }
    // Bits of the page number above 23 do not count.
    void pageRead()
    {
        QFETCH(MemReadMode, mode);
        QFETCH(QStringList, commands);
        FakeChannel link;
        link.respond(ModelReply);
        Page buffer{};
        QCOMPARE(MemRead(link, mode, buffer, qint32(0xA57FE000u)), false);
        const QStringList sent = link.commands();
        QCOMPARE(QStringList({QString::number(sent.size()), sent[0], sent[1], sent.last()}), commands);
        QVERIFY(std::none_of(link.sent.begin(), link.sent.end(), [](auto &s) { return s.show; }));
        QCOMPARE(Bytes(buffer), ModelPages(0x7FE000, 1));
    }

    void failedPageRead_data()
    {
        QTest::addColumn<MemReadMode>("mode");
        QTest::addColumn<QStringList>("replies");  // then time-outs
        QTest::addColumn<int>("sent");
        QTest::addColumn<QByteArray>("stored");    // the bytes that changed, from the start of the page
        QTest::newRow("short reply") << MemReadMode::MultiByte << QStringList{QString(258, '1')} << 1 << QByteArray();
        QTest::newRow("second half times out") << MemReadMode::MultiByte << QStringList{"hdr" + QString(256, '3')}
                                               << 2 << QByteArray(128, '\x33');
        QTest::newRow("long word reply") << MemReadMode::SingleWord
                                         << QStringList{"h021122", "h023344", "h025566", "h02778899"} << 4
                                         << QByteArray::fromHex("221144336655");
        QTest::newRow("syntax error") << MemReadMode::SingleDWord << QStringList{"02E"} << 1 << QByteArray();
        QTest::newRow("time-out") << MemReadMode::SingleByte << QStringList{} << 1 << QByteArray();
    }
    void failedPageRead()
    {
        QFETCH(MemReadMode, mode);
        QFETCH(QStringList, replies);
        QFETCH(int, sent);
        QFETCH(QByteArray, stored);
        FakeChannel link;
        link.queue(replies);
        Page buffer;
        buffer.fill(0xAA);
        QCOMPARE(MemRead(link, mode, buffer, 0x10), true);
        QCOMPARE(link.sent.size(), sent);
        QCOMPARE(Bytes(buffer), stored + QByteArray(256 - stored.size(), '\xAA'));
    }

    void byteRead()
    {
        FakeChannel link;
        link.queue({"h02C3", "h02FFF", "02E"});
        QCOMPARE(MemReadB(link, MemReadMode::MultiByte, 0x20032008, true), qint16(0xC3));
        QCOMPARE(MemReadB(link, MemReadMode::SingleWord, qint32(0xFFFFFFFEu), false), qint16(-1));
        QCOMPARE(MemReadB(link, MemReadMode::SingleByte, 0, false), qint16(-1));
        QCOMPARE(link.commands(), QStringList({"02010120032008", "0201FFFFFFFE", "020100000000"}));
        QVERIFY(link.sent[0].show && !link.sent[1].show);
    }

    void save_data()
    {
        QTest::addColumn<MemReadMode>("mode");
        QTest::addColumn<int>("start");
        QTest::addColumn<int>("end");
        QTest::addColumn<QString>("file");
        QTest::addColumn<QStringList>("faults");  // "times:command:reply", times 0 for every time
        QTest::addColumn<int>("stopAt");          // STOP seen at this check, -1 never
        QTest::addColumn<SaveOutcome>("outcome");
        QTest::addColumn<int>("pages");           // pages in the file from start; -1 file left alone
        QTest::addColumn<int>("commands");
        QTest::addColumn<QString>("status");
        const auto M = MemReadMode::MultiByte;
        const QStringList none;
        QTest::newRow("two pages") << M << 0x402800 << 0x402801 << "a.bin" << none << -1 << SaveOutcome::Done << 2
                                   << 4 << "Done.";
        QTest::newRow("retried page saved once")
            << M << 0x100000 << 0x100002 << "b.bin"
            << QStringList{"3:" + Half(0x100001, 0) + ":", "1:" + Half(0x100001, 1) + ":02E"} << -1
            << SaveOutcome::Done << 3 << 11 << "Done.";
        QTest::newRow("ninth failure ends the save")
            << M << 0x402800 << 0x402805 << "c.bin" << QStringList{"0:" + Half(0x402802, 0) + ":"} << -1
            << SaveOutcome::ReadError << 2 << 13 << "Reading 402802XX - Read Error !!!";
        QTest::newRow("failed second half") << M << 0 << 1 << "d.bin" << QStringList{"0:" + Half(1, 1) + ":020"} << -1
                                            << SaveOutcome::ReadError << 1 << 20 << "Reading 000001XX - Read Error !!!";
        QTest::newRow("STOP before third page") << M << 0x402800 << 0x403FFF << "e.bin" << none << 2
                                                << SaveOutcome::UserBreak << 2 << 4 << "Reading 402801XX - User Break.";
        QTest::newRow("STOP before first page") << M << 1 << 2 << "f.bin" << none << 0 << SaveOutcome::UserBreak << 0
                                                << 0 << "Saving to f.bin - User Break.";
        QTest::newRow("double words") << MemReadMode::SingleDWord << 0x20 << 0x21 << "g.bin" << none << -1
                                      << SaveOutcome::Done << 2 << 128 << "Done.";
        QTest::newRow("bytes at the top") << MemReadMode::SingleByte << 0xFFFFFE << 0xFFFFFF << "h.bin" << none << -1
                                          << SaveOutcome::Done << 2 << 512 << "Done.";
        QTest::newRow("one page") << M << 0x402800 << 0x402800 << "i.bin" << none << -1 << SaveOutcome::AddressError
                                  << -1 << 0 << "Address error !";
        QTest::newRow("end below start") << M << 0xFFFFFF << 0 << "j.bin" << none << -1 << SaveOutcome::AddressError
                                         << -1 << 0 << "Address error !";
        QTest::newRow("declined") << M << 1 << 2 << "no.bin" << none << -1 << SaveOutcome::Declined << -1 << 0 << "";
        QTest::newRow("cannot create") << M << 1 << 2 << "none/k.bin" << none << -1 << SaveOutcome::CannotCreate << -1
                                       << 0 << "Cannot create none/k.bin";
        if (QFile::exists("/dev/full"))
            QTest::newRow("disk full") << M << 0x10 << 0x13 << "/dev/full" << none << -1 << SaveOutcome::WriteError
                                       << -1 << 2 << "Reading 000010XX - Write Error !!!";
    }
    // Each file holds 1000 other bytes before.
    void save()
    {
        QFETCH(MemReadMode, mode);
        QFETCH(int, start);
        QFETCH(int, end);
        QFETCH(QString, file);
        QFETCH(QStringList, faults);
        QFETCH(int, stopAt);
        QFETCH(SaveOutcome, outcome);
        QFETCH(int, pages);
        QFETCH(int, commands);
        QFETCH(QString, status);
        FakeChannel link;
        link.respond(ModelReply);
        for (const QString &fault : faults) {
            const QStringList f = fault.split(':');
            for (int k = 0; k < f[0].toInt(); ++k)
                link.replyOnce(f[1], f[2]);
            if (f[0] == "0")
                link.reply(f[1], f[2]);
        }
        const QByteArray old(1000, 'x');
        const bool here = !file.contains('/');
        if (here)
            WriteFile(file, old);
        StatusHooks hooks;
        hooks.stopAfterChecks = stopAt;
        Page buffer{};
        QCOMPARE(SaveRange(link, mode, start, end, file, buffer, hooks.Hooks(), [](auto &n) { return n != "no.bin"; }),
                 outcome);
        QCOMPARE(link.sent.size(), commands);
        QCOMPARE(hooks.text, status);
        if (file != "/dev/full")
            QCOMPARE(ReadFile(file), pages >= 0 ? ModelPages(start, pages) : here ? old : QByteArray());
    }

    void workedExample()
    {
        DisasmState state;
        const QString text = Disassemble(PageOf(QByteArray::fromHex("4A21FB600BE268FC25FA9173F5")), 0x402800, state);
        const QStringList lines = text.split("\r\n");
        QCOMPARE(lines.size(), 256);
        QCOMPARE(lines.mid(0, 14), QStringList({
            "40280000  4A  LDC             0000000A",
            "40280001  21  PFIX            00000001",
            "40280002  FB  LDPI_001B                (4028000D)",
            "40280003  60  NFIX            FFFFFFFF",
            "40280004  0B  J               FFFFFFFB (40280000)",
            "40280005  E2  STNL            00000002 (Ar+00000008)",
            "40280006  68  NFIX            FFFFFFF7",
            "40280007  FC  LDPRODID_FF7C   ",
            "40280008  25  PFIX            00000005",
            "40280009  FA  DUP_005A        ",
            "4028000A  91  FCALL           00000001 (4028000C)",
            "4028000B  73  LDL             00000003",
            "4028000C  F5  ADD_0005        ",
            "4028000D  00  J               00000000 (4028000E)",
        }));
        QCOMPARE(lines.last(), QString("402800FF  00  J               00000000 (40280100)"));
        QCOMPARE(state.Oreg, 0);
    }

    // "+" continues a prefix that runs over the end of the page; "Read Page" starts from 0.
    void prefixAcrossPages()
    {
        Page first{};
        first[254] = 0x21;  // PFIX 1
        first[255] = 0x62;  // NFIX 2: NOT 0x12
        DisasmState state;
        QCOMPARE(Lines(first, 0x402800, state).last(), QString("402800FF  62  NFIX            FFFFFFED"));
        QCOMPARE(state.Oreg, qint32(0xFFFFFFED));
        state.KeepOreg = true;
        QCOMPARE(Lines(PageOf("\x24"), 0x402801, state).first(), QString("40280100  24  PFIX            FFFFFED4"));
        QVERIFY(!state.KeepOreg);
        first[254] = 0x00;
        first[255] = 0x21;
        Lines(first, 0x402800, state);
        state.KeepOreg = true;
        QCOMPARE(Lines(PageOf("\xFB"), 0x402801, state).first(), QString("40280100  FB  LDPI_001B       "));
        Lines(first, 0x402800, state);
        QCOMPARE(Lines(PageOf("\xFB"), 0x402801, state).first(), QString("40280100  FB  OUT_000B        "));
    }

    void instructions_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("line");  // of the last byte
        const auto row = [](const char *hex, const char *line) {
            QTest::newRow(line + 14) << QByteArray::fromHex(hex) << QString(line);
        };
        row("60F4", "40280001  F4  UNKNOWN_FFF4    ");
        row("62F4", "40280001  F4  DEVMOVE_FFD4    ");
        row("2FF4", "40280001  F4  DEVMOVE_00F4    ");
        row("68FB", "40280001  FB  UNKNOWN_FF7B    ");
        row("2FFB", "40280001  FB  CSU_00FB        ");
        row("2FFC", "40280001  FC  UNKNOWN_00FC    ");
        row("21F1", "40280001  F1  UNKNOWN_0011    ");
        row("21202020F5", "40280004  F5  UNKNOWN_0005    ");
        row("25FD", "40280001  FD  MOVE2DNONZERO_00");
        row("432021FB", "40280003  FB  LDPI_001B                (40280007)");
        row("604F21FB", "40280003  FB  LDPI_001B                (40280003)");
        row("45F021FB", "40280003  FB  LDPI_001B       ");
        row("603F", "40280001  3F  LDNL            FFFFFFFF (Ar+FFFFFFFC)");
        row("30", "40280000  30  LDNL            00000000");
        row("AF", "40280000  AF  CJ              0000000F (40280010)");
        row("6103", "40280001  03  J               FFFFFFE3 (4027FFE5)");
    }
    void instructions()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, line);
        DisasmState state;
        QCOMPARE(Lines(PageOf(bytes), 0x402800, state).at(int(bytes.size()) - 1), line);
        QCOMPARE(Lines(Page{}, 0xFFFFFF, state).last(), QString("FFFFFFFF  00  J               00000000 (00000000)"));
        int named = 0;
        for (qint32 code = -0x1000; code <= 0x1000; ++code)
            named += SecondaryName(code) != "UNKNOWN";
        QCOMPARE(named, 155);
    }

    void tables_data()
    {
        QTest::addColumn<MemView>("view");
        QTest::addColumn<int>("page");
        QTest::addColumn<int>("row");
        QTest::addColumn<QString>("text");
        QTest::newRow("printable") << MemView::Byte << 0x402800 << 2
            << "40280020 : 20 21 22 23 24 25 26 27 28 29 2A 2B 2C 2D 2E 2F :  !\"#$%&'()*+,-./";
        QTest::newRow("127 printable") << MemView::Byte << 0xABCDEF << 7
            << "ABCDEF70 : 70 71 72 73 74 75 76 77 78 79 7A 7B 7C 7D 7E 7F : pqrstuvwxyz{|}~\x7F";
        QTest::newRow("above 127") << MemView::Byte << 0 << 8
            << "00000080 : 80 81 82 83 84 85 86 87 88 89 8A 8B 8C 8D 8E 8F : ................";
        QTest::newRow("words") << MemView::Word << 0x402800 << 15 << "402800F0 : F1F0 F3F2 F5F4 F7F6 F9F8 FBFA FDFC FFFE ";
        QTest::newRow("double words, 24-bit page") << MemView::DWord << 0x7F000001 << 10
            << "000001A0 : A3A2A1A0 A7A6A5A4 ABAAA9A8 AFAEADAC ";
    }
    void tables()
    {
        QFETCH(MemView, view);
        QFETCH(int, page);
        QFETCH(int, row);
        QFETCH(QString, text);
        Page counting;
        std::iota(counting.begin(), counting.end(), 0);
        DisasmState state;
        const QStringList rows = RenderPage(view, counting, page, state).split("\r\n");
        QCOMPARE(rows.size(), 16);
        QCOMPARE(rows[row], text);
    }

    void boxes_data()
    {
        QTest::addColumn<QString>("box");
        QTest::addColumn<QStringList>("expected");  // normalised, page, "--", "+"
        QTest::newRow("short, lower case") << "abc" << QStringList{"000ABC", "abc", "000ABB", "000ABD"};
        QTest::newRow("non-hex as 0") << "12g456" << QStringList{"12G456", "120456", "120455", "120457"};
        QTest::newRow("seven characters") << "1234567" << QStringList{"1234567", "0", "FFFFFF", "000001"};
        QTest::newRow("top") << "ffffff" << QStringList{"FFFFFF", "ffffff", "FFFFFE", "000000"};
    }
    void boxes()
    {
        QFETCH(QString, box);
        QFETCH(QStringList, expected);
        const QString n = NormaliseAddressBox(box);
        QCOMPARE(QStringList({n, QString::number(PageFromBox(n), 16), StepPageBox(n, -1), StepPageBox(n, 1)}), expected);
    }
};

QTEST_GUILESS_MAIN(TestMemory)
#include "test_memory.moc"
