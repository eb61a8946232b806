#include "flash/flash_access.h"
#include "support/fake_channel.h"

#include <QtTest>

class TestFlashAccess : public QObject {
    Q_OBJECT

private slots:
    void bitMirror_data()
    {
        QTest::addColumn<int>("value");
        QTest::addColumn<int>("mirrored");
        QTest::newRow("AA") << 0xAA << 0x55;
        QTest::newRow("90") << 0x90 << 0x09;
        QTest::newRow("01") << 0x01 << 0x80;
        QTest::newRow("F0") << 0xF0 << 0x0F;
        QTest::newRow("30") << 0x30 << 0x0C;
        QTest::newRow("A0") << 0xA0 << 0x05;
        QTest::newRow("00") << 0x00 << 0x00;
        QTest::newRow("FF") << 0xFF << 0xFF;
    }
    void bitMirror()
    {
        QFETCH(int, value);
        QFETCH(int, mirrored);
        QCOMPARE(int(BMir(quint8(value))), mirrored);
    }

    void bitMirrorIsItsOwnInverse()
    {
        for (int v = 0; v < 256; ++v)
            QCOMPARE(int(BMir(BMir(quint8(v)))), v);
    }

    void commandCycleTexts()
    {
        FakeChannel link;
        link.queue({"020", "020"});
        QVERIFY(!FWCmd(link, 0x1554, 0xAA));
        QVERIFY(!FWCmd(link, 0xAA8, 0x55));
        FlashWord data{};
        link.queue("02212345678");
        QVERIFY(!FRead(link, 4, data));
        QCOMPARE(link.commands(), (QStringList{"02207FE01554005500AA", "02207FE00AA800AA0055", "0221047FE00004"}));
        for (const auto &s : link.sent)
            QVERIFY(!s.show);
        QCOMPARE(FWriteCommand(0, FlashWord{0x78, 0x56, 0x34, 0x12}), QString("02207FE0000012345678"));
    }

    void offsetsWrapAtTwoMegabytes_data()
    {
        QTest::addColumn<qint32>("offset");
        QTest::addColumn<QString>("address");
        QTest::newRow("0x200000") << 0x200000 << "7FE00000";
        QTest::newRow("0x200004") << 0x200004 << "7FE00004";
        QTest::newRow("0x3FFFFC") << 0x3FFFFC << "7FFFFFFC";
        QTest::newRow("0x1FFFFC") << 0x1FFFFC << "7FFFFFFC";
        QTest::newRow("0x80001554") << qint32(0x80001554u) << "7FE01554";
    }
    void offsetsWrapAtTwoMegabytes()
    {
        QFETCH(qint32, offset);
        QFETCH(QString, address);
        QCOMPARE(FlashAddressText(offset), address);
        QCOMPARE(FReadCommand(offset), "022104" + address);
        QCOMPARE(FWriteCommand(offset, FlashWord{}).mid(4, 8), address);
    }

    void replyLengthRules()
    {
        FakeChannel link;
        FlashWord data{};
        link.queue({"020", "", "0200", "02E"});
        QVERIFY(!FWrite(link, 0, data));
        QVERIFY(FWrite(link, 0, data));
        QVERIFY(FWrite(link, 0, data));
        QVERIFY(!FWrite(link, 0, data));   // any 3 characters count as written

        link.queue({"022AABBCCDD", "022AABBCCDD0", "02E"});
        QVERIFY(!FRead(link, 0, data));
        QCOMPARE(data, (FlashWord{0xDD, 0xCC, 0xBB, 0xAA}));
        QVERIFY(FRead(link, 0, data));
        QCOMPARE(data, (FlashWord{0xDD, 0xCC, 0xBB, 0xAA}));   // filled from the long reply too
        QVERIFY(FRead(link, 0, data));
        QCOMPARE(data, (FlashWord{0, 0, 0, 0}));
    }

    void readFillsFromWhateverArrived()
    {
        FlashWord data{1, 2, 3, 4};
        ParseFReadReply("022AB1", data);    // "AB" then a lone "1"
        QCOMPARE(data, (FlashWord{0, 0, 0x01, 0xAB}));
        ParseFReadReply("", data);
        QCOMPARE(data, (FlashWord{0, 0, 0, 0}));
        ParseFReadReply(QString(500, 'F'), data);
        QCOMPARE(data, (FlashWord{0xFF, 0xFF, 0xFF, 0xFF}));
    }

    void statusReadMirrorsTheOddChip()
    {
        FakeChannel link;
        link.queue("02200800020");   // byte 2 = 0x80 (odd chip 01 mirrored), byte 0 = 0x20
        quint8 odd = 0, even = 0;
        QVERIFY(!FRCmd(link, 0, odd, even));
        QCOMPARE(int(odd), 0x01);
        QCOMPARE(int(even), 0x20);
    }

    void protectionLetters_data()
    {
        QTest::addColumn<QString>("reply");
        QTest::addColumn<QString>("letter");
        QTest::newRow("unprotected") << "02200000000" << "U";
        QTest::newRow("both") << "02200800001" << "P";
        QTest::newRow("even only") << "02200000001" << "X";
        QTest::newRow("odd only") << "02200800000" << "X";
        QTest::newRow("other") << "02200000003" << "?";
        QTest::newRow("timeout") << "" << "E";
        QTest::newRow("syntax error") << "02E" << "E";
    }
    void protectionLetters()
    {
        QFETCH(QString, reply);
        QFETCH(QString, letter);
        FakeChannel link;
        link.queue(reply);
        QCOMPARE(BlockProt(link, 0x20000), letter);
        QCOMPARE(link.commands(), QStringList{"0221047FE20008"});
    }

    void autoSelectStopsAtFirstFailedCycle()
    {
        FakeChannel link;
        link.queue({"020", "020", "020"});
        QVERIFY(!AutoSelect(link));
        QCOMPARE(link.commands(),
                 (QStringList{"02207FE01554005500AA", "02207FE00AA800AA0055", "02207FE0155400090090"}));
        link.clearRecord();
        link.queue({"020", ""});
        QVERIFY(AutoSelect(link));
        QCOMPARE(link.sent.size(), 2);

        link.clearRecord();
        FlashReset(link);
        QCOMPARE(link.commands(), QStringList{"02207FE00000000F00F0"});
    }
};

QTEST_GUILESS_MAIN(TestFlashAccess)
#include "test_flash_access.moc"
