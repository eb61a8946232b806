#include "link/conversions.h"
#include "link/memread.h"
#include "support/fake_channel.h"

#include <QtTest>

namespace {

// Memory of a model decoder: the byte at an address is a mix of its bits.
quint8 ModelByte(quint32 address)
{
    return quint8((address * 7u) ^ (address >> 8) ^ 0x5Au);
}

QString Digits(quint32 address, int count, bool mostSignificantFirst)
{
    QString digits;
    for (int k = 0; k < count; ++k) {
        const int j = mostSignificantFirst ? count - 1 - k : k;
        digits += Hex2(ModelByte(address + quint32(j)));
    }
    return digits;
}

// Answers the read commands of command 02 from the model memory, with a
// three-character header the program does not interpret.
QString ModelReply(const QString &command)
{
    const QString header = QStringLiteral("h02");
    bool ok = false;
    if (command.startsWith(QLatin1String("020180")) && command.size() == 14) {
        const quint32 address = command.mid(6).toUInt(&ok, 16);
        return ok ? header + Digits(address, 128, false) : QString();
    }
    if (command.size() != 12)
        return QStringLiteral("02E");
    const quint32 address = command.mid(4).toUInt(&ok, 16);
    if (!ok)
        return QStringLiteral("02E");
    if (command.startsWith(QLatin1String("0221")))
        return header + Digits(address, 4, true);
    if (command.startsWith(QLatin1String("0211")))
        return header + Digits(address, 2, true);
    if (command.startsWith(QLatin1String("0201")))
        return header + Digits(address, 1, true);
    return QStringLiteral("02E");
}

Page FilledPage(quint8 value)
{
    Page page;
    page.fill(value);
    return page;
}

} // namespace

Q_DECLARE_METATYPE(MemReadMode)

class TestMemRead : public QObject {
    Q_OBJECT

private slots:
    void multiByteCommands();
    void singleAccessCommands_data();
    void singleAccessCommands();
    void wholePageFromModel_data();
    void wholePageFromModel();
    void pageBitsAbove23AreIgnored();
    void dwordReplyIsStoredLittleEndian();
    void wordReplyIsStoredLittleEndian();
    void shortMultiByteReplyStopsAfterFirstCommand();
    void failureKeepsBytesStoredBefore();
    void syntaxErrorAndTimeoutFail();
    void nonHexDigitsCountAsZero();
    void storeIgnoresMalformedInput();
    void memReadBCommandPerMode();
    void memReadBResult();
};

void TestMemRead::multiByteCommands()
{
    QCOMPARE(PageReadCommands(MemReadMode::MultiByte, 0x7FE000),
             QStringList({"0201807FE00000", "0201807FE00080"}));
    QCOMPARE(PageReadReplyLength(MemReadMode::MultiByte), 259);
}

void TestMemRead::singleAccessCommands_data()
{
    QTest::addColumn<MemReadMode>("mode");
    QTest::addColumn<QString>("prefix");
    QTest::addColumn<int>("step");
    QTest::addColumn<int>("replyLength");
    QTest::newRow("dword") << MemReadMode::SingleDWord << "0221000123" << 4 << 11;
    QTest::newRow("word") << MemReadMode::SingleWord << "0211000123" << 2 << 7;
    QTest::newRow("byte") << MemReadMode::SingleByte << "0201000123" << 1 << 5;
}

void TestMemRead::singleAccessCommands()
{
    QFETCH(MemReadMode, mode);
    QFETCH(QString, prefix);
    QFETCH(int, step);
    QFETCH(int, replyLength);

    const QStringList commands = PageReadCommands(mode, 0x123);
    QCOMPARE(commands.size(), 256 / step);
    QCOMPARE(commands.first(), prefix + "00");
    QCOMPARE(commands[1], prefix + Hex2(step));
    QCOMPARE(commands.last(), prefix + Hex2(256 - step));
    QCOMPARE(PageReadReplyLength(mode), replyLength);
}

void TestMemRead::wholePageFromModel_data()
{
    QTest::addColumn<MemReadMode>("mode");
    QTest::addColumn<int>("transactions");
    QTest::newRow("multi byte") << MemReadMode::MultiByte << 2;
    QTest::newRow("dword") << MemReadMode::SingleDWord << 64;
    QTest::newRow("word") << MemReadMode::SingleWord << 128;
    QTest::newRow("byte") << MemReadMode::SingleByte << 256;
}

void TestMemRead::wholePageFromModel()
{
    QFETCH(MemReadMode, mode);
    QFETCH(int, transactions);

    FakeChannel link;
    link.respond(ModelReply);
    Page buffer = FilledPage(0xEE);
    const qint32 page = 0x200320;

    QCOMPARE(MemRead(link, mode, buffer, page), false);
    QCOMPARE(link.commands(), PageReadCommands(mode, page));
    QCOMPARE(link.sent.size(), transactions);
    for (const auto &s : link.sent)
        QCOMPARE(s.show, false);
    for (int i = 0; i < 256; ++i)
        QCOMPARE(buffer[size_t(i)], ModelByte(quint32(page) * 256u + quint32(i)));
}

void TestMemRead::pageBitsAbove23AreIgnored()
{
    for (MemReadMode mode : {MemReadMode::MultiByte, MemReadMode::SingleDWord, MemReadMode::SingleWord,
                             MemReadMode::SingleByte}) {
        QCOMPARE(PageReadCommands(mode, qint32(0xFF7FE000u)), PageReadCommands(mode, 0x7FE000));
        QCOMPARE(PageReadCommands(mode, 0x01000123), PageReadCommands(mode, 0x123));
    }
    FakeChannel link;
    link.respond(ModelReply);
    Page high = FilledPage(0), low = FilledPage(1);
    QCOMPARE(MemRead(link, MemReadMode::MultiByte, high, qint32(0x80000012u)), false);
    QCOMPARE(MemRead(link, MemReadMode::MultiByte, low, 0x12), false);
    QCOMPARE(high, low);
}

void TestMemRead::dwordReplyIsStoredLittleEndian()
{
    FakeChannel link;
    link.unscriptedReply = QStringLiteral("000") + QStringLiteral("12345678");
    Page buffer = FilledPage(0);
    QCOMPARE(MemRead(link, MemReadMode::SingleDWord, buffer, 0x123), false);
    QCOMPARE(link.commands().first(), QStringLiteral("022100012300"));
    QCOMPARE(link.commands()[1], QStringLiteral("022100012304"));
    QCOMPARE(link.commands().last(), QStringLiteral("0221000123FC"));
    for (int offset = 0; offset < 256; offset += 4) {
        QCOMPARE(buffer[size_t(offset)], quint8(0x78));
        QCOMPARE(buffer[size_t(offset + 1)], quint8(0x56));
        QCOMPARE(buffer[size_t(offset + 2)], quint8(0x34));
        QCOMPARE(buffer[size_t(offset + 3)], quint8(0x12));
    }
}

void TestMemRead::wordReplyIsStoredLittleEndian()
{
    Page buffer = FilledPage(0);
    StorePageReply(MemReadMode::SingleWord, 5, QStringLiteral("xyzABCD"), buffer);
    QCOMPARE(buffer[10], quint8(0xCD));
    QCOMPARE(buffer[11], quint8(0xAB));
    QCOMPARE(buffer[9], quint8(0));
    QCOMPARE(buffer[12], quint8(0));

    StorePageReply(MemReadMode::SingleByte, 255, QStringLiteral("abc7F"), buffer);
    QCOMPARE(buffer[255], quint8(0x7F));
}

void TestMemRead::shortMultiByteReplyStopsAfterFirstCommand()
{
    FakeChannel link;
    link.unscriptedReply = QString(258, QLatin1Char('1'));
    Page buffer = FilledPage(0xAA);
    QCOMPARE(MemRead(link, MemReadMode::MultiByte, buffer, 0x7FE000), true);
    QCOMPARE(link.commands(), QStringList{"0201807FE00000"});
    QCOMPARE(buffer, FilledPage(0xAA));
}

void TestMemRead::failureKeepsBytesStoredBefore()
{
    // Multi byte: the first half arrives, the second times out.
    FakeChannel link;
    link.reply(QStringLiteral("020180ABCDEF00"), QStringLiteral("hdr") + QString(256, QLatin1Char('3')));
    Page buffer = FilledPage(0xAA);
    QCOMPARE(MemRead(link, MemReadMode::MultiByte, buffer, 0xABCDEF), true);
    QCOMPARE(link.sent.size(), 2);
    for (int i = 0; i < 128; ++i)
        QCOMPARE(buffer[size_t(i)], quint8(0x33));
    for (int i = 128; i < 256; ++i)
        QCOMPARE(buffer[size_t(i)], quint8(0xAA));

    // Single word: the fourth reply is too long; nothing after it is sent.
    FakeChannel words;
    words.queue({"h021122", "h023344", "h025566", "h02778899"});
    buffer = FilledPage(0xAA);
    QCOMPARE(MemRead(words, MemReadMode::SingleWord, buffer, 0), true);
    QCOMPARE(words.sent.size(), 4);
    const quint8 expected[] = {0x22, 0x11, 0x44, 0x33, 0x66, 0x55, 0xAA, 0xAA};
    for (int i = 0; i < 8; ++i)
        QCOMPARE(buffer[size_t(i)], expected[i]);
}

void TestMemRead::syntaxErrorAndTimeoutFail()
{
    for (MemReadMode mode : {MemReadMode::MultiByte, MemReadMode::SingleDWord, MemReadMode::SingleWord,
                             MemReadMode::SingleByte}) {
        FakeChannel timedOut;
        Page buffer = FilledPage(1);
        QCOMPARE(MemRead(timedOut, mode, buffer, 0x10), true);
        QCOMPARE(timedOut.sent.size(), 1);

        FakeChannel syntaxError;
        syntaxError.unscriptedReply = QStringLiteral("02E");
        QCOMPARE(MemRead(syntaxError, mode, buffer, 0x10), true);
        QCOMPARE(syntaxError.sent.size(), 1);
        QCOMPARE(buffer, FilledPage(1));
    }
}

void TestMemRead::nonHexDigitsCountAsZero()
{
    Page buffer = FilledPage(0xFF);
    StorePageReply(MemReadMode::SingleDWord, 0, QStringLiteral("hdrfFG1zz0A"), buffer);
    QCOMPARE(buffer[0], quint8(0x0A));  // "0A"
    QCOMPARE(buffer[1], quint8(0x00));  // "zz"
    QCOMPARE(buffer[2], quint8(0x01));  // "G1"
    QCOMPARE(buffer[3], quint8(0x0F));  // "fF"
}

void TestMemRead::storeIgnoresMalformedInput()
{
    Page buffer = FilledPage(0x11);
    StorePageReply(MemReadMode::SingleByte, 0, QStringLiteral("abcFFF"), buffer);
    StorePageReply(MemReadMode::SingleByte, 256, QStringLiteral("abcFF"), buffer);
    StorePageReply(MemReadMode::SingleByte, -1, QStringLiteral("abcFF"), buffer);
    StorePageReply(MemReadMode::MultiByte, 2, QStringLiteral("hdr") + QString(256, QLatin1Char('F')), buffer);
    StorePageReply(MemReadMode::SingleDWord, 64, QStringLiteral("hdrFFFFFFFF"), buffer);
    QCOMPARE(buffer, FilledPage(0x11));
}

void TestMemRead::memReadBCommandPerMode()
{
    for (MemReadMode mode : {MemReadMode::MultiByte, MemReadMode::SingleDWord, MemReadMode::SingleWord,
                             MemReadMode::SingleByte}) {
        FakeChannel link;
        link.unscriptedReply = QStringLiteral("h02C3");
        QCOMPARE(MemReadB(link, mode, 0x20032008, true), qint16(0xC3));
        QCOMPARE(MemReadB(link, mode, qint32(0xFFFFFFFEu), false), qint16(0xC3));
        const QString expected = mode == MemReadMode::MultiByte ? QStringLiteral("02010120032008")
                                                                 : QStringLiteral("020120032008");
        QCOMPARE(link.sent[0].command, expected);
        QCOMPARE(link.sent[0].show, true);
        QCOMPARE(link.sent[1].command.right(8), QStringLiteral("FFFFFFFE"));
        QCOMPARE(link.sent[1].show, false);
    }
}

void TestMemRead::memReadBResult()
{
    FakeChannel link;
    link.queue({"h0200", "h02FF", "", "02E", "h02FFF", "h02F", "h02zz"});
    QCOMPARE(MemReadB(link, MemReadMode::SingleByte, 0, false), qint16(0));
    QCOMPARE(MemReadB(link, MemReadMode::SingleByte, 0, false), qint16(255));
    QCOMPARE(MemReadB(link, MemReadMode::SingleByte, 0, false), qint16(-1));
    QCOMPARE(MemReadB(link, MemReadMode::SingleByte, 0, false), qint16(-1));
    QCOMPARE(MemReadB(link, MemReadMode::SingleByte, 0, false), qint16(-1));
    QCOMPARE(MemReadB(link, MemReadMode::SingleByte, 0, false), qint16(-1));
    QCOMPARE(MemReadB(link, MemReadMode::SingleByte, 0, false), qint16(0));
}

QTEST_GUILESS_MAIN(TestMemRead)
#include "test_memread.moc"
