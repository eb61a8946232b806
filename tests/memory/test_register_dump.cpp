#include "memory/register_dump.h"

#include "support/fake_channel.h"

#include <QTest>

namespace {

const QString kHex = QStringLiteral("0123456789ABCDEF");

// Demodulator register r c holds the value "rc".
QString demodReply(const QString &command)
{
    return QStringLiteral("251") + command.right(2);
}

// I2C row replies: 9 header characters, then register k of the row as k + row * 0x10.
QString i2cReply(const QString &command)
{
    const int row = kHex.indexOf(command.at(command.size() - 4));
    QString reply = QStringLiteral("272000010");
    for (int c = 0; c < 16; ++c)
        reply += QString(kHex[row]) + kHex[c];
    return reply;
}

} // namespace

class TestRegisterDump : public QObject {
    Q_OBJECT
private slots:
    void demodulatorReadsEveryRegisterInOrder();
    void demodulatorFailuresShowDashes();
    void progressShrinksRowByRow();
    void i2cNormalisesSlave_data();
    void i2cNormalisesSlave();
    void i2cDump();
    void i2cFailedRowsShowDashes();
    void longSlaveKeepsReplyLength();
};

void TestRegisterDump::demodulatorReadsEveryRegisterInOrder()
{
    FakeChannel link;
    link.respond(demodReply);
    const RegisterDump dump = ReadRegisters(link, RegisterSpace::Demodulator, QStringLiteral("d0"));

    QCOMPARE(link.events.first(), QStringLiteral("T500"));
    QCOMPARE(link.sent.size(), 256);
    for (int n = 0; n < 256; ++n) {
        QCOMPARE(link.sent[n].command, QStringLiteral("251") + kHex[n / 16] + kHex[n % 16]);
        QVERIFY(!link.sent[n].show);
        QCOMPARE(link.sent[n].timeout, 500);
    }
    const QStringList rows = dump.text.split(QStringLiteral("\r\n"));
    QCOMPARE(rows.size(), 16);
    QCOMPARE(rows[0], QStringLiteral("00 : 00 01 02 03 04 05 06 07 08 09 0A 0B 0C 0D 0E 0F "));
    QCOMPARE(rows[10], QStringLiteral("A0 : A0 A1 A2 A3 A4 A5 A6 A7 A8 A9 AA AB AC AD AE AF "));
    QCOMPARE(rows[15], QStringLiteral("F0 : F0 F1 F2 F3 F4 F5 F6 F7 F8 F9 FA FB FC FD FE FF "));
    QVERIFY(dump.slave.isEmpty());
}

void TestRegisterDump::demodulatorFailuresShowDashes()
{
    FakeChannel link;
    link.respond(demodReply);
    link.reply(QStringLiteral("25100"), QStringLiteral("2517F"));
    link.reply(QStringLiteral("25101"), QStringLiteral("25E"));      // syntax error
    link.reply(QStringLiteral("25102"), QString());                  // time-out
    link.reply(QStringLiteral("25103"), QStringLiteral("251033"));   // one too many
    link.reply(QStringLiteral("25104"), QStringLiteral("25x#z"));   // any 5 characters pass
    const QString first = DumpDemodulator(link).split(QStringLiteral("\r\n")).first();
    QCOMPARE(first, QStringLiteral("00 : 7F -- -- -- #z 05 06 07 08 09 0A 0B 0C 0D 0E 0F "));
}

void TestRegisterDump::progressShrinksRowByRow()
{
    FakeChannel link;
    QStringList progress;
    const auto record = [&progress](const QString &bar) { progress << bar; };

    ReadRegisters(link, RegisterSpace::Demodulator, QString(), record);
    QCOMPARE(progress.size(), 16);
    QCOMPARE(progress.first(), QString(15, QLatin1Char('=')));
    QCOMPARE(progress[7], QString(8, QLatin1Char('=')));
    QCOMPARE(progress.last(), QString());

    progress.clear();
    ReadRegisters(link, RegisterSpace::I2CBus, QStringLiteral("D0"), record);
    QCOMPARE(progress.size(), 16);
    QCOMPARE(progress.first(), QString(15, QLatin1Char('=')));
    QCOMPARE(progress.last(), QString());
}

void TestRegisterDump::i2cNormalisesSlave_data()
{
    QTest::addColumn<QString>("box");
    QTest::addColumn<QString>("slave");
    QTest::addColumn<QString>("firstCommand");
    QTest::newRow("lower case") << "d0" << "D0" << "272D00010";
    QTest::newRow("one digit") << "8" << "08" << "272080010";
    QTest::newRow("one lower-case digit") << "a" << "0A" << "2720A0010";
    QTest::newRow("three characters unchanged") << "a0b" << "A0B" << "272A0B0010";
    QTest::newRow("empty unchanged") << "" << "" << "2720010";
}

void TestRegisterDump::i2cNormalisesSlave()
{
    QFETCH(QString, box);
    QFETCH(QString, slave);
    QFETCH(QString, firstCommand);
    FakeChannel link;
    const RegisterDump dump = ReadRegisters(link, RegisterSpace::I2CBus, box);
    QCOMPARE(dump.slave, slave);
    QCOMPARE(NormaliseSlave(box), slave);
    QCOMPARE(link.sent.size(), 16);
    QCOMPARE(link.sent.first().command, firstCommand);
    QCOMPARE(link.timeoutsSet, QList<int>({500}));
}

void TestRegisterDump::i2cDump()
{
    FakeChannel link;
    link.respond(i2cReply);
    const RegisterDump dump = ReadRegisters(link, RegisterSpace::I2CBus, QStringLiteral("d0"));
    QStringList expectedCommands;
    for (int r = 0; r < 16; ++r)
        expectedCommands << QStringLiteral("272D0") + kHex[r] + QStringLiteral("010");
    QCOMPARE(link.commands(), expectedCommands);
    const QStringList rows = dump.text.split(QStringLiteral("\r\n"));
    QCOMPARE(rows.size(), 16);
    QCOMPARE(rows[0], QStringLiteral("D000 : 00 01 02 03 04 05 06 07 08 09 0A 0B 0C 0D 0E 0F "));
    QCOMPARE(rows[10], QStringLiteral("D0A0 : A0 A1 A2 A3 A4 A5 A6 A7 A8 A9 AA AB AC AD AE AF "));
    QVERIFY(!dump.text.endsWith(QStringLiteral("\r\n")));
}

void TestRegisterDump::i2cFailedRowsShowDashes()
{
    FakeChannel link;
    link.respond(i2cReply);
    link.reply(QStringLiteral("272080010"), QString());
    link.reply(QStringLiteral("272081010"), QStringLiteral("27E"));
    link.reply(QStringLiteral("272082010"), i2cReply(QStringLiteral("272082010")).chopped(1));
    const QStringList rows = DumpI2C(link, QStringLiteral("08")).split(QStringLiteral("\r\n"));
    const QString dashes = QStringLiteral("-- ").repeated(16);
    QCOMPARE(rows[0], QStringLiteral("0800 : ") + dashes);
    QCOMPARE(rows[1], QStringLiteral("0810 : ") + dashes);
    QCOMPARE(rows[2], QStringLiteral("0820 : ") + dashes);
    QCOMPARE(rows[3], QStringLiteral("0830 : 30 31 32 33 34 35 36 37 38 39 3A 3B 3C 3D 3E 3F "));
}

void TestRegisterDump::longSlaveKeepsReplyLength()
{
    FakeChannel link;
    link.respond(i2cReply);
    const RegisterDump dump = ReadRegisters(link, RegisterSpace::I2CBus, QStringLiteral("a0b"));
    QCOMPARE(link.sent[5].command, QStringLiteral("272A0B5010"));
    QVERIFY(dump.text.startsWith(QStringLiteral("A0B00 : 00 01 02 ")));
}

QTEST_GUILESS_MAIN(TestRegisterDump)
#include "test_register_dump.moc"
