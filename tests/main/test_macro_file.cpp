#include "main/macro_file.h"
#include "support/fake_channel.h"

#include <QtTest>

class TestMacroFile : public QObject {
    Q_OBJECT

private slots:
    void readItems_data();
    void readItems();
    void upperCaseKeepsPositions();
    void commandByPrefix_data();
    void commandByPrefix();
    void failingReplies();
    void runSendsEveryCommandWithDisplay();
    void runStopsAtTimeout();
    void runStopsAtSyntaxError();
    void runOfLowerCaseAndCommaItems();
};

void TestMacroFile::readItems_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QStringList>("items");
    QTest::newRow("empty file") << QByteArray() << QStringList();
    QTest::newRow("one line, no line end") << QByteArray("C$09") << QStringList{"C$09"};
    QTest::newRow("CR LF") << QByteArray("C$09\r\nC$100\r\n") << QStringList{"C$09", "C$100"};
    QTest::newRow("LF") << QByteArray("C$09\nC$100\n") << QStringList{"C$09", "C$100"};
    QTest::newRow("CR") << QByteArray("C$09\rC$100\r") << QStringList{"C$09", "C$100"};
    QTest::newRow("comma splits")
        << QByteArray("B$20004000,45\r\n") << QStringList{"B$20004000", "45"};
    QTest::newRow("blank inside kept")
        << QByteArray("B$20004000 45\r\n") << QStringList{"B$20004000 45"};
    QTest::newRow("leading and trailing blanks")
        << QByteArray("   W$20004000 0145  \t\r\n\tC$09 ,  C$100") << QStringList{"W$20004000 0145", "C$09", "C$100"};
    QTest::newRow("quoted with comma")
        << QByteArray("\"C$0201,X\",C$09\r\n") << QStringList{"C$0201,X", "C$09"};
    QTest::newRow("quoted keeps blanks")
        << QByteArray("  \" C$09 \"\r\n") << QStringList{" C$09 "};
    QTest::newRow("text after closing quote dropped")
        << QByteArray("\"C$09\"junk,C$100") << QStringList{"C$09", "C$100"};
    QTest::newRow("unclosed quote ends with its line")
        << QByteArray("\"C$09,1\r\nC$100\r\n") << QStringList{"C$09,1", "C$100"};
    QTest::newRow("empty lines and comments")
        << QByteArray("' reset the box\r\n\r\nC$09\r\n\r\n")
        << QStringList{"' reset the box", "", "C$09", ""};
    QTest::newRow("trailing comma") << QByteArray("C$09,\r\n") << QStringList{"C$09", ""};
    QTest::newRow("Latin-1 bytes") << QByteArray("C$\xE9") << QStringList{QStringLiteral("C$\u00E9")};
}

void TestMacroFile::readItems()
{
    QFETCH(QByteArray, content);
    QFETCH(QStringList, items);
    QCOMPARE(ReadMacroItems(content), items);
}

void TestMacroFile::upperCaseKeepsPositions()
{
    QCOMPARE(MacroLine(QStringLiteral("b$20004000 4f")), QStringLiteral("B$20004000 4F"));
    QCOMPARE(MacroLine(QStringLiteral("c$stra\u00DFe")), QStringLiteral("C$STRA\u00DFE"));
}

void TestMacroFile::commandByPrefix_data()
{
    QTest::addColumn<QString>("line");
    QTest::addColumn<bool>("sends");
    QTest::addColumn<QString>("command");
    QTest::newRow("byte") << "B$20004000 45" << true << "02002000400045";
    QTest::newRow("word") << "W$20004000 0145" << true << "0210200040000145";
    QTest::newRow("dword") << "D$20004000 00000145" << true << "022020004000" "00000145";
    QTest::newRow("any command") << "C$09" << true << "09";
    QTest::newRow("any command keeps blanks") << "C$02 01" << true << "02 01";
    QTest::newRow("separator not checked") << "B$20004000-45" << true << "02002000400045";
    QTest::newRow("extra characters ignored") << "B$20004000 4567 comment" << true << "02002000400045";
    QTest::newRow("byte without data") << "B$20004000" << true << "020020004000";
    QTest::newRow("short address") << "W$2000" << true << "02102000";
    QTest::newRow("prefix only") << "D$" << true << "0220";
    QTest::newRow("C$ alone") << "C$" << true << "";
    QTest::newRow("data item") << "45" << false << "";
    QTest::newRow("empty") << "" << false << "";
    QTest::newRow("one character") << "B" << false << "";
    QTest::newRow("comment") << "' SOFT RESET" << false << "";
    QTest::newRow("leading blank") << " C$09" << false << "";
    QTest::newRow("lower case not converted here") << "c$09" << false << "";
}

void TestMacroFile::commandByPrefix()
{
    QFETCH(QString, line);
    QFETCH(bool, sends);
    QFETCH(QString, command);
    const std::optional<QString> built = MacroCommand(line);
    QCOMPARE(built.has_value(), sends);
    if (sends)
        QCOMPARE(*built, command);
}

void TestMacroFile::failingReplies()
{
    QVERIFY(MacroReplyFailed(QString()));
    QVERIFY(MacroReplyFailed(QStringLiteral("09E")));
    QVERIFY(!MacroReplyFailed(QStringLiteral("09e")));
    QVERIFY(!MacroReplyFailed(QStringLiteral("0200E")));
    QVERIFY(!MacroReplyFailed(QStringLiteral("E")));
    QVERIFY(!MacroReplyFailed(QStringLiteral(" ")));
    QVERIFY(!MacroReplyFailed(QStringLiteral("090")));
}

void TestMacroFile::runSendsEveryCommandWithDisplay()
{
    FakeChannel link;
    link.unscriptedReply = QStringLiteral("020");
    const QStringList items = ReadMacroItems("' soft reset\r\nd$20004000 00000145\r\n\r\nc$09\r\n");
    const MacroResult result = RunMacro(link, items);
    QVERIFY(!result.failed);
    QCOMPARE(result.message(), QString());
    QCOMPARE(result.commandsSent, 2);
    QCOMPARE(link.commands(), QStringList({"02202000400000000145", "09"}));
    for (const auto &s : link.sent)
        QVERIFY(s.show);
    QVERIFY(link.timeoutsSet.isEmpty());
}

void TestMacroFile::runStopsAtTimeout()
{
    FakeChannel link;
    link.queue({"020", ""});
    const MacroResult result = RunMacro(link, ReadMacroItems("C$01\r\nc$02 x\r\nC$03\r\n"));
    QVERIFY(result.failed);
    QCOMPARE(result.failedLine, QStringLiteral("C$02 X"));
    QCOMPARE(result.message(), QStringLiteral("Command error: C$02 X"));
    QCOMPARE(result.commandsSent, 2);
    QCOMPARE(link.commands(), QStringList({"01", "02 X"}));
}

void TestMacroFile::runStopsAtSyntaxError()
{
    FakeChannel link;
    link.reply(QStringLiteral("09"), QStringLiteral("09E"));
    link.unscriptedReply = QStringLiteral("OK");
    const MacroResult result = RunMacro(link, {"C$100", "C$09", "C$100"});
    QVERIFY(result.failed);
    QCOMPARE(result.message(), QStringLiteral("Command error: C$09"));
    QCOMPARE(link.commands(), QStringList({"100", "09"}));
}

void TestMacroFile::runOfLowerCaseAndCommaItems()
{
    FakeChannel link;
    link.unscriptedReply = QStringLiteral("020");
    RunMacro(link, ReadMacroItems("b$20004000 45\r\nB$20004000,45\r\n"));
    QCOMPARE(link.commands(), QStringList({"02002000400045", "020020004000"}));
}

QTEST_GUILESS_MAIN(TestMacroFile)
#include "test_macro_file.moc"
