// The channel and transponder tables: list lines, the text reader's rules, files written and read back.
#include "channels/channel_tables.h"
#include "support/test_helpers.h"

#include <QtTest>

namespace {

struct AnsweringPrompter : Prompter {
    QStringList informed;
    bool confirm(const QString &, const QString &) override { return true; }
    void inform(const QString &title, const QString &text) override { informed << title + ": " + text; }
};

void PutChannel(ChannelTables &t, int i, const QString &name, int tp, int sid)
{
    PutName(t, i, name);
    PutBE16(t.TcsTable, i * kTcsRecordSize + kTcsUse, 0x400 | tp);   // Use 4, then the TP
    for (int field = kTcsSid; field <= kTcsPcr; field += 2)
        PutBE16(t.TcsTable, i * kTcsRecordSize + field, sid + field);
    t.TcsCount = std::max(t.TcsCount, i + 1);
}

}   // namespace

class TestChannelTables : public QObject {
    Q_OBJECT
    QTemporaryDir dir_;

private slots:
    void initTestCase() { QVERIFY(QDir::setCurrent(dir_.path())); }

    void lines()
    {
        ChannelTables t;
        PutChannel(t, 0, "Das\tErste,\nHD\x7F", 3, 28106);   // these would break a text line
        PutChannel(t, 1, "ABCDEFGHIJKLMNOPQ", 0xFF, 1);      // 16 characters kept, no zero byte
        PutChannel(t, 1199, "X", 1, 1);
        QCOMPARE(TcsLine(t, 0), QString(" 001 Das Erste  HD    04 03 28124 28126 28128 28130 28132 28134"));
        QVERIFY(TcsLine(t, 1).startsWith(" 002 ABCDEFGHIJKLMNOP 04 FF"));
        QVERIFY(TcsLine(t, 1199).startsWith("1200 X                04"));
        // 11778000 on the high band, vertical; then a record with an unknown FEC.
        const QByteArray tpt = QByteArray::fromHex("4636DA80044D00011A000201"
                                                   "000000000000000000000900");
        std::copy(tpt.begin(), tpt.end(), t.TptTable.begin());
        QCOMPARE(TptLine(t, 0), QString("01  11778000  01101  00001  1A  00  3/4  V/U"));
        QCOMPARE(TptLine(t, 1), QString("02  09750000  00000  00000  00  00  Err  V/D"));
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
        WriteFile("tpt.txt", line.toLatin1() + "\r\n");
        WriteFile("tcs.txt", "\r\n");
        ChannelTables t;
        QVERIFY(LoadText(t, "tcs", "tpt").relist);
        QTEST(GetFreqKHz(t.TptTable, kTptFrequency), "ifKHz");
        QTEST(int(t.TptTable[kTptLnb]), "lnb");
        QTEST(int(t.TptTable[kTptFec]), "fec");
    }

    // Lines of records 1000 and above carry a longer number; a decoder file holds
    // at least 999 records, blank ones after the last channel.
    void roundTrips()
    {
        ChannelTables t, back;
        for (int i = 0; i < 1200; ++i)
            PutChannel(t, i, i == 5 ? "Sixteen chars ok" : QString("Ch %1").arg(i), 1 + i % 7, i);
        t.TptCount = 7;
        AnsweringPrompter yes;
        QCOMPARE(SaveText(t, TcsLines(t), TptLines(t), yes, "T", "P").status, QString("T.txt Saved.P.txt Saved."));
        QVERIFY(LoadText(back, "T", "P").relist);
        QCOMPARE(TcsLines(back), TcsLines(t));
        SaveBinary(t, yes, "TCS3", "TPT3");
        QCOMPARE(yes.informed, QStringList{"Warning!: More that 999 channels!"});
        QCOMPARE(ReadFile("TCS3").size(), 1200 * kTcsRecordSize);

        t.TcsCount = 20;
        QCOMPARE(SaveBinary(t, yes, "TCS", "TPT").status, QString("TCS Saved.  TPT Saved."));
        const QByteArray decoderFile = ReadFile("TCS");
        QCOMPARE(decoderFile.size(), 999 * kTcsRecordSize);
        QCOMPARE(decoderFile.mid(20 * 30, 30).toHex(),
                 QByteArray("0000000000000000000000000000000000ff0000ffffffffffffffffffff"));
        QVERIFY(LoadBinary(back, "TCS", "TPT").relist);
        QCOMPARE(back.TcsCount, 999);         // padding records count
        QCOMPARE(back.TptCount, qint16(7));   // the highest TP below FF
        SaveBinary(back, yes, "TCS2", "TPT2");
        QCOMPARE(ReadFile("TCS2"), decoderFile);
        QVERIFY(QDir().mkdir("adir"));   // a folder: never reported as saved
        QVERIFY(!SaveBinary(back, yes, "adir", "adir").status.contains("Saved"));
    }

    void limitsAndFailures()
    {
        const QByteArray channel = " 001 A               04 01 00001 00002 00003 00004 00005 00006\r\n";
        WriteFile("full.txt", QByteArray("01  11778000  00001  00002  05  00  3/4  V/U\r\n").repeated(171));
        WriteFile("one.txt", channel);
        WriteFile("many.txt", channel.repeated(2001));
        ChannelTables t;
        PutChannel(t, 0, "kept", 1, 1);
        QCOMPARE(LoadText(t, "missing", "missing").status, QString("TPT Table file not found! "));
        QCOMPARE(LoadText(t, "missing", "full").status, QString("TCS Table file not found! "));
        QCOMPARE(t.TcsCount, 1);   // nothing changed
        QCOMPARE(LoadText(t, "one", "full").status, QString("Too many transponders!"));
        QVERIFY(t.TptCount == 170 && t.TcsCount == 1);   // the channels are still read
        QCOMPARE(LoadText(t, "many", "full").status, QString("Too many channels!"));
        QCOMPARE(t.TcsCount, 2000);
        QCOMPARE(LoadBinary(t, "missing", "x").status, QString("TCS Table file not found! "));
    }
};

QTEST_GUILESS_MAIN(TestChannelTables)
#include "test_channel_tables.moc"
