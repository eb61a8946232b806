// Command 31 replies split into tables and channels, and the tables decoded
// as text, on hand-made sections.
#include "si/si_capture.h"
#include "si/si_crc.h"
#include "si/si_decode.h"
#include "si/si_reader.h"

#include <QtTest>

namespace {

QString Reply(const QStringList &lines) { return "310" + lines.join('\r') + "\r\n"; }

// A service entry of a TS info table with a service descriptor (or none).
QString Service(int sid, bool ca, const QByteArray &provider, const QByteArray &name, bool descriptor = true)
{
    QByteArray d;
    if (descriptor)
        d = QByteArray("\x48") + char(3 + provider.size() + name.size()) + char(1) + char(provider.size()) + provider
            + char(name.size()) + name;
    QByteArray e;
    e += char(sid >> 8);
    e += char(sid);
    e += char(0xFC);
    e += char((ca ? 0x90 : 0x80) | (d.size() >> 8));
    e += char(d.size());
    return QString::fromLatin1((e + d).toHex().toUpper());
}

// A section: table id, extension, the body after the 8 header bytes, and its CRC-32.
QString Section(int id, int extension, const QString &body)
{
    const int length = 5 + int(body.size()) / 2 + 4;
    const QString section = QString("%1%2%3C10000")
                                .arg(id, 2, 16, QChar('0'))
                                .arg(0xF000 | length, 4, 16)
                                .arg(extension, 4, 16, QChar('0'))
                                .toUpper()
        + body;
    const QByteArray bytes = QByteArray::fromHex(section.toLatin1());
    const quint32 crc = Crc32Mpeg2({reinterpret_cast<const quint8 *>(bytes.constData()), size_t(bytes.size())});
    return section + QString("%1").arg(crc, 8, 16, QChar('0')).toUpper();
}

QString Sdt(int tsid, const QStringList &services) { return Section(0x42, tsid, "00A5FF" + services.join("")); }

void Put(SiStore &s, int t, const QString &hex)
{
    const QByteArray bytes = QByteArray::fromHex(hex.toLatin1());
    std::copy(bytes.begin(), bytes.end(), (*s.Tables)[size_t(t)].begin());
    s.TableCount = qint16(std::max<int>(s.TableCount, t + 1));
}

}   // namespace

class TestSi : public QObject {
    Q_OBJECT
private slots:
    void capture_data()
    {
        QTest::addColumn<QString>("reply");
        QTest::addColumn<QString>("status");
        QTest::addColumn<QStringList>("tables");
        QTest::addColumn<QStringList>("channels");
        QTest::addColumn<QString>("file");
        const QString sdt1 = Sdt(1,
                                 {Service(28106, false, "ARD", "Das Erste"), Service(18, false, "", "", false),
                                  Service(17, true, "PROVIDER OF TWENTY!",
                                          "\x05"
                                          "Name of twenty chars")});
        QTest::newRow("not the reply") << "xyz"
                                       << "" << QStringList() << QStringList() << "";
        QTest::newRow("empty body") << "310\r\n"
                                    << "No TSInfo!" << QStringList{" 00  000  ?ID=00000"} << QStringList() << "";
        QTest::newRow("no line") << "310\n"
                                 << "No Tables!" << QStringList() << QStringList() << "";
        QTest::newRow("42F0") << Reply({"42F0"}) << "Read OK." << QStringList{" 42  000  TID=00000"} << QStringList()
                              << "SI_Data_TID_00000.txt";
        QTest::newRow("odd") << Reply({"42F03"}) << "Odd data len!" << QStringList() << QStringList() << "";
        QTest::newRow("310 kept") << "310123\r\r\n"
                                  << "No TSInfo!" << QStringList{"-- --", " 00  000  ?ID=00000"} << QStringList() << "";
        QTest::newRow("two TS info tables")
            << Reply({Section(0x02, 28106, "E065F000"), sdt1, Section(0x40, 0xA5, "F000F000"),
                      Sdt(2, {Service(5, true, "P", "X")})})
            << "Read OK."
            << QStringList{" 02  00D  SID=28106", " 42  059  TID=00001", " 40  00D  NID=00165", " 42  018  TID=00002"}
            << QStringList{"28106  ARD              Das Erste         Free", "00018     Free",
                           "00017  PROVIDER OF TWEN  Name of twenty   CA",
                           "00005  P                X                 CA"}
            << "SI_Data_TID_00001.txt";
        QTest::newRow("too many") << Reply(QStringList(300, "4200")) << "Too many Tables!"
                                  << QStringList(kMaxTables, " 42  000  TID=00000") << QStringList()
                                  << "SI_Data_TID_00000.txt";
        QTest::newRow("long line") << Reply({QString("42F0") + QString(2 * kTableSize, '0')})
                                   << "Read OK. 1 tables cut at 4098 bytes. - 1 tables failed their CRC check"
                                   << QStringList{" 42  000  TID=00000"} << QStringList() << "SI_Data_TID_00000.txt";
    }
    void capture()
    {
        QFETCH(QString, reply);
        SiStore store;
        const SiCaptureResult r = SplitCapture(store, reply, false);
        QTEST(r.status, "status");
        QTEST(r.channelLines, "channels");
        QTEST(r.fileName, "file");
        QCOMPARE(r.textAppend, reply.startsWith("310") ? QString() : QString("No readback!"));
        QTEST(r.tableLines, "tables");
    }

    // The CRC-32 of the sections: the check value of its catalogue entry; a
    // section whose CRC or bytes were changed, or that arrived cut, fails;
    // a table without the section syntax (a TDT) has none to check.
    void crc()
    {
        const QByteArray check("123456789");
        QCOMPARE(Crc32Mpeg2({reinterpret_cast<const quint8 *>(check.constData()), 9}), 0x0376E6E7u);
        const QString good = Section(0x02, 7, "E065F000"), sdt = Sdt(3, {Service(5, false, "P", "X")});
        QString badCrc = sdt, badByte = good;
        badCrc[badCrc.size() - 1] = badCrc.endsWith('0') ? '1' : '0';
        badByte[20] = badByte[20] == 'F' ? 'E' : 'F';
        const QStringList lines = {good, "70700512345678AB", badCrc, badByte, good.chopped(2), sdt};
        SiStore store;
        const SiCaptureResult r = SplitCapture(store, Reply(lines), false);
        QCOMPARE(r.status, QString("Read OK. - 3 tables failed their CRC check"));
        QCOMPARE(r.crcFailed, (QList<bool>{false, false, true, true, true, false}));
        QCOMPARE(r.channelLines.size(), 2);   // the report keeps its content
        QCOMPARE(store.CrcFailed[4], true);
    }

    void channelLimit()
    {
        QStringList services;
        for (int i = 0; i < 60; ++i)
            services << Service(i, false, "P", "N");
        SiStore store;
        const SiCaptureResult r = SplitCapture(store, Reply(QStringList(5, Sdt(1, services))), true);
        QCOMPARE(r.status, QString("Timeout! Only the first 256 channels are listed."));
        QCOMPARE(store.ChannelCount, kMaxChannels);
    }

    void tableText()
    {
        SiStore s;
        Put(s, 0, "42F0F30001");
        QVERIFY(TableText(s, 0).startsWith("Table_ID=42 F 0F3 - TS Info Table  TID=00001\r\n"));
        Put(s, 1, "0200000001");
        QCOMPARE(TableText(s, 1), QString("Table_ID=02 0 000 - TS Program Map  SID=00001None\r\n"));
        Put(s, 2, "31ABCDEF");
        QCOMPARE(TableText(s, 2), QString("31ABCDEF - Unavaiable Data\r\n"));
        Put(s, 3, "7700144142434445464748494A4B4C4D4E4F50515253");
        QCOMPARE(HexDisp(s, 1, 3),
                 QString("\r\n41 42 43 44 45 46 47 48 49 4A 4B 4C 4D 4E 4F 50 : ABCDEFGHIJKLMNOP\r\n"
                         "51 52 53 00 "
                         + QString(36, ' ') + ": QRS.\r\n"));
        (*s.Tables)[3][kTableSize - 2] = 5;   // a length field at the table's end
        QCOMPARE(HexDisp(s, kTableSize - 3, 3), "\r\n00 " + QString(45, ' ') + ": .\r\n" + kBeyondTable);
        // A descriptor, and teletext entries, that would run past the table's end.
        Put(s, 4, QString(2 * (kTableSize - 8), '0') + "F0044A060000");
        QCOMPARE(IDsp(s, kTableSize - 8, 4, {}), kBeyondTable);
        Put(s, 4, QString(2 * (kTableSize - 5), '0') + "F003560100");
        QCOMPARE(IDsp(s, kTableSize - 5, 4, {}), "ID=5601(PES_Inf): \r\n" + kBeyondTable);
    }

    // Reads at the end of the last stored table, where a read outside would leave the store.
    void bounds_data()
    {
        QTest::addColumn<QString>("call");
        QTest::addColumn<int>("table");
        QTest::addColumn<int>("pos");
        QTest::addColumn<int>("count");
        QTest::addColumn<QString>("result");             // "past": nothing read
        const int end = kTableSize, last = kMaxTables;   // the table ends F0 04 0A 01 41
        QTest::newRow("u8 last") << "u8" << last << end - 1 << 0 << "41";
        QTest::newRow("u8 past end") << "u8" << last << end << 0 << "past";
        QTest::newRow("u8 before start") << "u8" << last << -1 << 0 << "past";
        QTest::newRow("u8 no such table") << "u8" << last + 1 << 0 << 0 << "past";
        QTest::newRow("u16 at end") << "u16" << last << end - 2 << 0 << "141";
        QTest::newRow("u16 across end") << "u16" << last << end - 1 << 0 << "past";
        QTest::newRow("length12 masked") << "length12" << last << end - 5 << 0 << "4";
        QTest::newRow("bytes to end") << "bytes" << last << end - 2 << 2 << "0141";
        QTest::newRow("bytes across end") << "bytes" << last << end - 2 << 3 << "past";
        QTest::newRow("no bytes at end") << "bytes" << last << end << 0 << "";
        QTest::newRow("negative count") << "bytes" << last << 0 << -1 << "past";
        QTest::newRow("dump past end") << "HexDisp" << last << end - 2 << 0 << kCrLf + kBeyondTable;
        QTest::newRow("dump length cut") << "HexDisp" << last << end - 1 << 0 << kCrLf + kBeyondTable;
        QTest::newRow("loop past end") << "IDsp" << last << end - 5 << 0 << "ID=0A01(Lang_id): 'A'\r\n" + kBeyondTable;
        QTest::newRow("loop length cut") << "IDsp" << last << end - 1 << 0 << kBeyondTable;
        QTest::newRow("no such table") << "TableText" << -1 << 0 << 0 << kBeyondTable;
    }
    void bounds()
    {
        QFETCH(QString, call);
        QFETCH(int, table);
        QFETCH(int, pos);
        QFETCH(int, count);
        SiStore s;
        const QByteArray tail = QByteArray::fromHex("F0040A0141");
        std::copy(tail.begin(), tail.end(), (*s.Tables)[kMaxTables].end() - tail.size());
        const SectionReader r(s, table);
        const auto text = [](auto v) { return v ? QString::number(*v, 16).toUpper() : QString("past"); };
        const std::optional<QByteArray> bytes = r.bytes(pos, count);
        const QString result = call == "u8" ? text(r.u8(pos))
            : call == "u16"                 ? text(r.u16(pos))
            : call == "length12"            ? text(r.length12(pos))
            : call == "bytes"               ? (bytes ? QString(bytes->toHex().toUpper()) : QString("past"))
            : call == "HexDisp"             ? HexDisp(s, pos, table)
            : call == "IDsp"                ? IDsp(s, pos, table, {})
                                            : TableText(s, table);
        QTEST(result, "result");
    }

    // One program map per row, decoded as the channel of service id 1.
    void program_data()
    {
        QTest::addColumn<QString>("map");
        QTest::addColumn<int>("options");   // bit 0 audio and video only, bit 1 no unknown descriptors
        QTest::addColumn<QString>("text");
        QTest::addColumn<QList<qint32>>("pids");   // video, audio, PCR, video ECM, audio ECM, CA kind
        const QString head = "----- SID=00001 Owner=P Name=N PCR=00100 -----\r\n";
        const QList<qint32> none = {kNoPid, kNoPid, 100, kNoPid, kNoPid, kNoPid};
        QTest::newRow("no streams") << "02B0FF0001C10000E064F000" << 0 << head + "\r\n" << none;
        QTest::newRow("names and filters") << "02B0FF0001C10000E064F000"
                                              "1BE0C8F000"
                                              "81E0C9F003C30141"
                                              "02E0CAF000"
                                              "02E0CBF0024A00"
                                           << 2
                                           << head
                + "\r\nPID=00200 Type=1B(Resr.)\r\n\r\nPID=00201 Type=81(Priv.)\r\nID=C301(Ch_Info): 'A'\r\n\r\n"
                  "PID=00202 Type=02(VIDEO)\r\n\r\nPID=00203 Type=02(VIDEO)\r\n\r\n"
                                           << QList<qint32>{202, kNoPid, 100, kNoPid, kNoPid, kNoPid};
        QTest::newRow("audio and video only")
            << "02B0FF0001C10000E064F000"
               "06E0C8F000"
               "04E0C9F0050A03656E67"
            << 1 << head + "\r\nPID=00201 Type=04(AUDIO)\r\nID=0A03(Lang_id): 'eng'\r\n\r\n"
            << QList<qint32>{kNoPid, 201, 100, kNoPid, kNoPid, kNoPid};
        QTest::newRow("teletext, unknown, CA") << "02B0FF0001C10000E064F008"
                                                  "090405 00E123"
                                                  "0A00"
                                                  "06E0C8F022"
                                                  "560A 656E670900 64657511 22"
                                                  "4A14 4142434445464748494A4B4C4D4E4F5051525354"
                                               << 0
                                               << head
                + "ID=0904(CAccess): Type=0500(ViaAcc) ECM_PID=00291 \r\nID=0A00(Lang_id): ''\r\n\r\n"
                  "PID=00200 Type=06(PrPES)\r\nID=560A(PES_Inf): 'eng' 0900 'deu' 1122 \r\n"
                  "ID=4A14(Unknown): 41 42 43 44 45 46 47 48 49 4A 4B 4C 4D 4E 4F 50 'ABCDEFGHIJKLMNOP'\r\n"
                + QString(18, ' ') + "51 52 53 54" + QString(37, ' ') + "'QRST'\r\n\r\n"
                                               << QList<qint32>{kNoPid, kNoPid, 100, kNoPid, kNoPid, 1};
        const QString record1 = "E0C90011"
                                "80"
                                "0102030405060708"
                                "0A0B",
                      record2 = "E0CA0022"
                                "10"
                                "AABBCC"
                                "00000000000000";
        QTest::newRow("MedGrd records") << "02B0FF0001C10000E064F000"
                                           "02E0C8F0"
                                           "22"
                                           "0920 0100"
                + record1 + record2
                + "04E0C9F019"
                  "09 11 0100"
                + record2 + "0904 0100 E0CB"
                                        << 0
                                        << head
                + "\r\nPID=00200 Type=02(VIDEO)\r\nID=0920(CAccess): Type=0100(MedGrd) \r\n" + QString(18, ' ')
                + "ECM_PID=00201 Prov=0011 Flag=80 PkgBmp=0102030405060708 Date=0A0B\r\n" + QString(18, ' ')
                + "ECM_PID=00202 Prov=0022 Flag=10 PPV_ID=AA BB CC \r\n\r\n"
                  "PID=00201 Type=04(AUDIO)\r\nID=0911(CAccess): Type=0100(MedGrd) \r\n"
                + QString(18, ' ')
                + "ECM_PID=00202 Prov=0022 Flag=10 PPV_ID=AA BB CC \r\n"
                  "ID=0904(CAccess): Type=0100(MedGrd) \r\n\r\n"
                                        << QList<qint32>{200, 201, 100, 201, 202, 0};
    }
    void program()
    {
        QFETCH(QString, map);
        QFETCH(int, options);
        SiStore s;
        Put(s, 0, "42F0000000");
        // B0FF: the section length of the bytes given and a CRC.
        map = map.remove(' ') + "CAFEF00D";
        if (map.mid(2, 4) == "B0FF")
            map.replace(2, 4, QString::number(0xB000 | (map.size() / 2 - 3), 16).toUpper());
        Put(s, 1, map);
        s.ChannelCount = 1;
        s.ServiceIds[0] = 1;
        s.ProviderNames[0] = "P";
        s.ServiceNames[0] = "N";
        const QString decoded = ChDisp(s, 0, {bool(options & 1), bool(options & 2)});
        QTEST(decoded, "text");
        QList<qint32> pids = {s.DemuxPids[0], s.DemuxPids[1], s.DemuxPids[2],
                              s.DemuxPids[4], s.DemuxPids[5], s.DemuxPids[6]};
        QTEST(pids, "pids");
        s.ServiceIds[0] = 2;
        QCOMPARE(ChDisp(s, 0, {}), QString("----- SID=00002 Owner=P Name=N \r\nNo Map Table avaiable!\r\n\r\n"));
        QCOMPARE(s.DemuxPids[kVideoPid], kNoPid);
    }
};

QTEST_GUILESS_MAIN(TestSi)
#include "test_si.moc"
