// The channel and transponder tables: list lines, the text reader's rules,
// and binary and text files written and read back.
#include "channels/channel_tables.h"
#include "support/test_helpers.h"

#include <QTemporaryDir>
#include <QtTest>

namespace {

struct AnsweringPrompter : Prompter {
    bool answer = true;
    QStringList informed;
    bool confirm(const QString &, const QString &) override { return answer; }
    void inform(const QString &title, const QString &text) override { informed << title + ": " + text; }
};

void PutChannel(ChannelTables &t, int i, const QString &name, int tp, int sid)
{
    PutName(t, i, name);
    const std::span<quint8> table(t.TcsTable);
    table[size_t(i * kTcsRecordSize + kTcsUse)] = 4;
    table[size_t(i * kTcsRecordSize + kTcsTp)] = quint8(tp);
    for (int field = kTcsSid; field <= kTcsPcr; field += 2)
        PutBE16(table, i * kTcsRecordSize + field, sid + field);
    t.TcsCount = std::max(t.TcsCount, i + 1);
}

} // namespace

class TestChannelTables : public QObject {
    Q_OBJECT
    QTemporaryDir dir_;
    QString path(const QString &name) { return dir_.filePath(name); }

private slots:
    void lines()
    {
        ChannelTables t;
        PutChannel(t, 0, "Das Erste,\nHD", 3, 28106);   // comma and line feed would break a text line
        PutChannel(t, 1, "ABCDEFGHIJKLMNOPQ", 0xFF, 1);   // 17 characters: 16 kept, no zero byte
        QCOMPARE(TcsLine(t, 0), QString(" 001 Das Erste  HD    04 03 28124 28126 28128 28130 28132 28134"));
        QCOMPARE(TcsLine(t, 0).size(), 63);
        QCOMPARE(t.TcsTable[kTcsRecordSize + 15], quint8('P'));
        QVERIFY(TcsLine(t, 1).startsWith(" 002 ABCDEFGHIJKLMNOP 04 FF"));
        PutChannel(t, 1199, "X", 1, 1);
        QVERIFY(TcsLine(t, 1199).startsWith("1200 " + QString("X").leftJustified(16) + " 04"));

        const std::span<quint8> tpt(t.TptTable);
        PutFreqKHz(tpt, kTptFrequency, 1178000);   // 11778000 on the high band, vertical
        PutBE16(tpt, kTptTid, 1101);
        PutBE16(tpt, kTptNid, 1);
        tpt[kTptChn] = 0x1A;
        tpt[kTptSr] = 0;
        tpt[kTptFec] = 2;
        tpt[kTptLnb] = 1;
        tpt[kTptRecordSize + kTptFec] = 9;
        QCOMPARE(TptLine(t, 0), QString("01  11778000  01101  00001  1A  00  3/4  V/U"));
        QCOMPARE(TptLine(t, 1), QString("02  09750000  00000  00000  00  00  Err  V/D"));
        QCOMPARE(HighestTP(t), 3);
    }

    void tptTextLine_data()
    {
        QTest::addColumn<QString>("line");
        QTest::addColumn<qint64>("ifKHz");
        QTest::addColumn<int>("lnb");
        QTest::addColumn<int>("fec");
        QTest::newRow("high band kept") << "01  11600000  00001  00002  05  00  3/4  V/U" << qint64(1000000) << 1 << 2;
        QTest::newRow("forced low") << "01  11500000  00001  00002  05  00  7/8  V/U" << qint64(1750000) << 0 << 5;
        QTest::newRow("forced high") << "01  12000000  00001  00002  05  00  1/2  H/D" << qint64(1400000) << 3 << 0;
        QTest::newRow("raised to lowest") << "01  09000000  00001  00002  05  00  x/y  h/u" << qint64(950000) << 2 << 0;
        QTest::newRow("lowered to highest") << "01  13000000  1 2 3" << qint64(2155000) << 1 << 0;
    }
    void tptTextLine()
    {
        QFETCH(QString, line);
        WriteFile(path("tpt.txt"), line.toLatin1() + "\r\n");
        WriteFile(path("tcs.txt"), "\r\n");
        ChannelTables t;
        QVERIFY(LoadText(t, path("tcs"), path("tpt")).relist);
        QCOMPARE(t.TptCount, qint16(1));
        QTEST(GetFreqKHz(t.TptTable, kTptFrequency), "ifKHz");
        QTEST(int(t.TptTable[kTptLnb]), "lnb");
        QTEST(int(t.TptTable[kTptFec]), "fec");
    }

    void binaryRoundTrip()
    {
        ChannelTables t;
        for (int i = 0; i < 20; ++i)
            PutChannel(t, i, QString("Channel %1").arg(i), 1 + i % 7, i);
        AnsweringPrompter yes;
        t.TptCount = 7;
        QCOMPARE(SaveBinary(t, yes, path("TCS"), path("TPT")).status,
                 path("TCS") + " Saved.  " + path("TPT") + " Saved.");
        const QByteArray decoderFile = ReadFile(path("TCS"));
        QCOMPARE(decoderFile.size(), kTcsFileRecords * kTcsRecordSize);
        QCOMPARE(decoderFile.mid(20 * 30, 30).toHex(), QByteArray("0000000000000000000000000000000000ff0000ffffffffffffffffffff"));

        ChannelTables back;
        QVERIFY(LoadBinary(back, path("TCS"), path("TPT")).relist);
        QCOMPARE(back.TcsCount, kTcsFileRecords);   // padding records count
        QCOMPARE(back.TptCount, qint16(7));         // the highest TP in use
        QCOMPARE(SaveBinary(back, yes, path("TCS2"), path("TPT2")).status.contains("Saved."), true);
        QCOMPARE(ReadFile(path("TCS2")), decoderFile);

        PutChannel(back, 1199, "Last", 2, 1);
        SaveBinary(back, yes, path("TCS3"), path("TPT3"));
        QCOMPARE(yes.informed, QStringList{"Warning!: More that 999 channels!"});
        QCOMPARE(ReadFile(path("TCS3")).size(), 1200 * kTcsRecordSize);
    }

    // Lines of records 1000 and above carry a longer number: a text file of
    // any count reads back to the same lines.
    void textRoundTrip()
    {
        ChannelTables t;
        for (int i = 0; i < 1200; ++i)
            PutChannel(t, i, i == 5 ? "Sixteen chars ok" : QString("Ch %1").arg(i), 1 + i % 3, i);
        t.TptCount = 3;
        AnsweringPrompter yes;
        QCOMPARE(SaveText(t, TcsLines(t), TptLines(t), yes, path("T"), path("P")).status,
                 path("T") + ".txt Saved." + path("P") + ".txt Saved.");
        ChannelTables back;
        QVERIFY(LoadText(back, path("T"), path("P")).relist);
        QCOMPARE(TcsLines(back), TcsLines(t));
        QCOMPARE(TptLines(back).size(), 3);
    }

    void limitsAndFailures()
    {
        QByteArray many;
        for (int i = 0; i < 171; ++i)
            many += "01  11778000  00001  00002  05  00  3/4  V/U\r\n";
        WriteFile(path("full.txt"), many);
        WriteFile(path("none.txt"), "");
        ChannelTables t;
        PutChannel(t, 0, "kept", 1, 1);
        QCOMPARE(LoadText(t, path("none"), path("missing")).status, QString("TPT Table file not found! "));
        QCOMPARE(LoadText(t, path("none"), path("full")).status, QString("TCS Table file not found! "));
        QCOMPARE(t.TcsCount, 1);   // nothing changed
        WriteFile(path("one.txt"), " 001 A               04 01 00001 00002 00003 00004 00005 00006\r\n");
        QCOMPARE(LoadText(t, path("one"), path("full")).status, QString("Too many transponders!"));
        QCOMPARE(t.TptCount, qint16(kTptMaxRecords));
        QCOMPARE(t.TcsCount, 1);   // the channels are still read

        QCOMPARE(LoadBinary(t, path("missing"), path("x")).status, QString("TCS Table file not found! "));
        QCOMPARE(t.TcsCount, 0);
        // A folder cannot be written: never reported as saved.
        PutChannel(t, 0, "A", 1, 1);
        t.TptCount = 1;
        AnsweringPrompter yes;
        QVERIFY(QDir(dir_.path()).mkpath("adir"));
        const TableResult saved = SaveBinary(t, yes, path("adir"), path("adir"));
        QVERIFY(!saved.status.contains("Saved"));
    }
};

QTEST_GUILESS_MAIN(TestChannelTables)
#include "test_channel_tables.moc"
