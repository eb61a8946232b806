// Memory pages against a model memory: the page reads of command 02 in every read mode, "MEM --> File",
// the byte table, and the ST20 disassembler with its operand carried across pages.
#include "link/conversions.h"
#include "memory/page_views.h"
#include "memory/save_range.h"
#include "support/fake_channel.h"
#include "support/test_helpers.h"

#include <QtTest>

namespace {
quint8 ModelByte(quint32 address) { return quint8((address * 7u) ^ (address >> 8) ^ 0x5Au); }

// Answers the reads of command 02 from the model after a header of three characters.
QString ModelReply(const QString &command)
{
    const bool multi = command.size() == 14 && command.startsWith("020180");
    const int n = multi ? 128 : command.startsWith("0221") ? 4 : command.startsWith("0211") ? 2 : 1;
    QString reply = "h02";
    for (int k = 0; k < n; ++k)   // a single read sends its most significant byte first
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

Page PageOf(const QByteArray &leading)
{
    Page page{};
    std::copy(leading.begin(), leading.end(), page.begin());
    return page;
}
QStringList Lines(const Page &p, qint32 number, DisasmState &s) { return Disassemble(p, number, s).split("\r\n"); }
QString Half(qint32 page, int half) { return "020180" + Hex6(page) + (half ? "80" : "00"); }

// A page read: the replies (then time-outs; none: the model answers), the
// count, first, second and last command sent, and the bytes stored.
struct Read {
    MemReadMode mode;
    QStringList replies, sent;
    QByteArray stored;
};
// A save: faults are "times:command:reply" (times 0: every time) or
// "lost:command" (the link is gone from that command on), STOP is
// seen at check stopAt (-1 never), pages are in the file from start on.
struct Save {
    MemReadMode mode;
    qint32 start, end;
    QStringList faults;
    int stopAt;
    SaveOutcome outcome;
    int pages, commands;
    QString status;
};
}   // namespace

Q_DECLARE_METATYPE(Read)
Q_DECLARE_METATYPE(Save)

class TestMemory : public QObject {
    Q_OBJECT
    QTemporaryDir dir_;

private slots:
    void initTestCase() { QVERIFY(QDir::setCurrent(dir_.path())); }

    // Bits of the page number above 23 do not count.
    void pageRead_data()
    {
        using M = MemReadMode;
        QTest::addColumn<Read>("r");
        const QByteArray model = ModelPages(0x7FE000, 1);
        QTest::newRow("multi") << Read{
            M::MultiByte, {}, {"2", "0201807FE00000", "0201807FE00080", "0201807FE00080"}, model};
        QTest::newRow("dword") << Read{
            M::SingleDWord, {}, {"64", "02217FE00000", "02217FE00004", "02217FE000FC"}, model};
        QTest::newRow("word") << Read{
            M::SingleWord, {}, {"128", "02117FE00000", "02117FE00002", "02117FE000FE"}, model};
        QTest::newRow("byte") << Read{
            M::SingleByte, {}, {"256", "02017FE00000", "02017FE00001", "02017FE000FF"}, model};
        QTest::newRow("short reply") << Read{M::MultiByte, {QString(258, '1')}, {"1"}, {}};
        QTest::newRow("second half lost")
            << Read{M::MultiByte, {"hdr" + QString(256, '3')}, {"2"}, QByteArray(128, '3')};
        QTest::newRow("long word reply") << Read{
            M::SingleWord, {"h021122", "h023344", "h025566", "h02778899"}, {"4"}, QByteArray::fromHex("221144336655")};
        QTest::newRow("time-out") << Read{M::SingleByte, {""}, {"1"}, {}};
    }
    void pageRead()
    {
        QFETCH(Read, r);
        FakeChannel link;
        if (r.replies.isEmpty())
            link.respond(ModelReply);
        link.queue(r.replies);
        Page buffer;
        buffer.fill(0xAA);
        QCOMPARE(MemRead(link, r.mode, buffer, qint32(0xA57FE000u)), r.stored.size() < 256);
        const QStringList sent = link.commands();
        QCOMPARE(r.sent.size() > 1 ? QStringList({QString::number(sent.size()), sent[0], sent[1], sent.last()})
                                   : QStringList{QString::number(sent.size())},
                 r.sent);
        QVERIFY(std::none_of(link.sent.begin(), link.sent.end(), [](auto &s) { return s.show; }));
        QCOMPARE(QByteArray(reinterpret_cast<const char *>(buffer.data()), 256), r.stored.leftJustified(256, '\xAA'));
    }

    void save_data()
    {
        QTest::addColumn<Save>("s");
        const auto M = MemReadMode::MultiByte;
        using O = SaveOutcome;
        QTest::newRow("two pages") << Save{M, 0x402800, 0x402801, {}, -1, O::Done, 2, 4, "Done."};
        QTest::newRow("retried page saved once") << Save{
            M, 0x100000, 0x100002, {"3:" + Half(0x100001, 0) + ":", "1:" + Half(0x100001, 1) + ":02E"}, -1, O::Done,
            3, 11,       "Done."};
        QTest::newRow("ninth failure ends the save") << Save{M,
                                                             0x402800,
                                                             0x402805,
                                                             {"0:" + Half(0x402802, 0) + ":"},
                                                             -1,
                                                             O::ReadError,
                                                             2,
                                                             13,
                                                             "Reading 402802XX - Read Error !!!"};
        QTest::newRow("failed second half") << Save{
            M, 0, 1, {"0:" + Half(1, 1) + ":020"}, -1, O::ReadError, 1, 20, "Reading 000001XX - Read Error !!!"};
        QTest::newRow("lost link, no retries") << Save{
            M, 0x402800, 0x402805, {"lost:" + Half(0x402802, 1)}, -1, O::ReadError, 2, 6, "gone - port closed."};
        QTest::newRow("STOP before third page")
            << Save{M, 0x402800, 0x403FFF, {}, 2, O::UserBreak, 2, 4, "Reading 402801XX - User Break."};
        QTest::newRow("STOP before first page")
            << Save{M, 1, 2, {}, 0, O::UserBreak, 0, 0, "Saving to m.bin - User Break."};
        QTest::newRow("top bytes") << Save{
            MemReadMode::SingleByte, 0xFFFFFE, 0xFFFFFF, {}, -1, O::Done, 2, 512, "Done."};
        QTest::newRow("one page") << Save{M, 7, 7, {}, -1, O::AddressError, -1, 0, "Address error !"};
    }
    // The file holds 1000 other bytes before; it keeps them when nothing is saved.
    void save()
    {
        QFETCH(Save, s);
        FakeChannel link;
        QString lostAt;
        link.respond([&](const QString &c) {
            if (c == lostAt)
                link.lost = "gone - port closed.";
            return link.lost.isEmpty() ? ModelReply(c) : QString();
        });
        for (const QString &fault : s.faults) {
            const QStringList f = fault.split(':');
            if (f[0] == "lost")
                lostAt = f[1];
            for (int k = 0; k < f[0].toInt(); ++k)
                link.replyOnce(f[1], f[2]);
            if (f[0] == "0")
                link.reply(f[1], f[2]);
        }
        const QByteArray old(1000, 'x');
        WriteFile("m.bin", old);
        StatusHooks hooks;
        hooks.stopAfterChecks = s.stopAt;
        Page buffer{};
        QCOMPARE(SaveRange(link, s.mode, s.start, s.end, "m.bin", buffer, hooks.Hooks()), s.outcome);
        QCOMPARE(link.sent.size(), s.commands);
        QCOMPARE(hooks.text, s.status);
        QCOMPARE(ReadFile("m.bin"), s.pages >= 0 ? ModelPages(s.start, s.pages) : old);
    }

    void workedExample()
    {
        DisasmState state;
        const QStringList lines = Lines(PageOf(QByteArray::fromHex("4A21FB600BE268FC25FA9173F5")), 0x402800, state);
        QCOMPARE(lines.size(), 256);
        QCOMPARE(lines.mid(0, 14),
                 QStringList({
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
        QCOMPARE(Lines(Page{}, 0xFFFFFF, state).last(), QString("FFFFFFFF  00  J               00000000 (00000000)"));
        int named = 0;
        for (qint32 code = -0x1000; code <= 0x1000; ++code)
            named += SecondaryName(code) != "UNKNOWN";
        QCOMPARE(named, 155);
    }

    // "+" continues a prefix that runs over the end of the page; "Read Page" starts from 0.
    void prefixAcrossPages()
    {
        Page first{};
        first[254] = 0x21;   // PFIX 1
        first[255] = 0x62;   // NFIX 2: NOT 0x12
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
        QTest::addColumn<QString>("line");   // of the last byte
        for (const char *row :
             {"60F4 40280001  F4  UNKNOWN_FFF4    ", "62F4 40280001  F4  DEVMOVE_FFD4    ",
              "2FF4 40280001  F4  DEVMOVE_00F4    ", "68FB 40280001  FB  UNKNOWN_FF7B    ",
              "2FFB 40280001  FB  CSU_00FB        ", "2FFC 40280001  FC  UNKNOWN_00FC    ",
              "21F1 40280001  F1  UNKNOWN_0011    ", "21202020F5 40280004  F5  UNKNOWN_0005    ",
              "25FD 40280001  FD  MOVE2DNONZERO_00", "432021FB 40280003  FB  LDPI_001B                (40280007)",
              "604F21FB 40280003  FB  LDPI_001B                (40280003)", "45F021FB 40280003  FB  LDPI_001B       ",
              "603F 40280001  3F  LDNL            FFFFFFFF (Ar+FFFFFFFC)", "30 40280000  30  LDNL            00000000",
              "AF 40280000  AF  CJ              0000000F (40280010)",
              "6103 40280001  03  J               FFFFFFE3 (4027FFE5)"}) {
            const QString r(row);
            QTest::newRow(row) << QByteArray::fromHex(r.section(' ', 0, 0).toLatin1()) << r.section(' ', 1);
        }
    }
    void instructions()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, line);
        DisasmState state;
        QCOMPARE(Lines(PageOf(bytes), 0x402800, state).at(int(bytes.size()) - 1), line);
    }

    // Characters 32 to 126 show as themselves, DEL as "."; rows are labelled from 24 bits of the page.
    void byteTable()
    {
        Page counting;
        std::iota(counting.begin(), counting.end(), 0);
        const QStringList rows = ShowBytes(counting, 0x7F000001).split("\r\n");
        QCOMPARE(rows.value(15).left(11) + rows[1].right(16) + rows[2].right(16) + rows[7].right(16)
                     + rows[8].right(16),
                 QString("000001F0 : ................ !\"#$%&'()*+,-./pqrstuvwxyz{|}~................."));
    }
};

QTEST_GUILESS_MAIN(TestMemory)
#include "test_memory.moc"
