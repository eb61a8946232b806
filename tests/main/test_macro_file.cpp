// Macro files: items as text fields, the command of each item, and a run
// that stops at the first failing reply.
#include "main/macro_file.h"
#include "support/fake_channel.h"

#include <QtTest>
#include <algorithm>

class TestMacroFile : public QObject {
    Q_OBJECT
private slots:
    void items_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QStringList>("items");
        QTest::newRow("empty file") << QByteArray() << QStringList();
        QTest::newRow("no line end") << QByteArray("C$09") << QStringList{"C$09"};
        QTest::newRow("CR LF, LF, CR") << QByteArray("C$1\r\nC$2\nC$3\r") << QStringList{"C$1", "C$2", "C$3"};
        QTest::newRow("comma splits, blank does not")
            << QByteArray("B$20004000,45\r\nB$20004000 45") << QStringList{"B$20004000", "45", "B$20004000 45"};
        QTest::newRow("outer blanks dropped")
            << QByteArray("   W$2000 0145  \t\r\n\tC$09 ,  C$1") << QStringList{"W$2000 0145", "C$09", "C$1"};
        QTest::newRow("quotes hold commas and blanks")
            << QByteArray("\"C$0201,X\",\" C$09 \"junk") << QStringList{"C$0201,X", " C$09 "};
        QTest::newRow("unclosed quote ends with its line")
            << QByteArray("\"C$09,1\r\nC$1\r\n") << QStringList{"C$09,1", "C$1"};
        QTest::newRow("empty lines, trailing comma")
            << QByteArray("' note\r\n\r\nC$09,\r\n") << QStringList{"' note", "", "C$09", ""};
        QTest::newRow("Latin-1") << QByteArray("c$stra\xDF" "e") << QStringList{QStringLiteral("c$stra\u00DFe")};
    }
    void items()
    {
        QFETCH(QByteArray, content);
        QFETCH(QStringList, items);
        QCOMPARE(ReadMacroItems(content), items);
    }

    void command_data()
    {
        QTest::addColumn<QString>("item");
        QTest::addColumn<QString>("command");  // "-" when the item sends nothing
        QTest::newRow("byte") << "b$20004000 4f" << "0200200040004F";
        QTest::newRow("word") << "W$20004000 0145" << "0210200040000145";
        QTest::newRow("dword") << "D$20004000 00000145" << "02202000400000000145";
        QTest::newRow("any command, blanks kept") << "c$02 01" << "02 01";
        QTest::newRow("separator and rest ignored") << "B$20004000-4567 x" << "02002000400045";
        QTest::newRow("short address") << "W$2000" << "02102000";
        QTest::newRow("C$ alone") << "C$" << "";
        QTest::newRow("sharp s keeps its place") << "c$stra\u00DFe" << "STRA\u00DFE";
        QTest::newRow("data item") << "45" << "-";
        QTest::newRow("comment") << "' SOFT RESET" << "-";
        QTest::newRow("leading blank") << " C$09" << "-";
    }
    void command()
    {
        QFETCH(QString, item);
        QFETCH(QString, command);
        const QString line = MacroLine(item);
        QCOMPARE(line.size(), item.size());
        QCOMPARE(MacroCommand(line).value_or("-"), command);
    }

    void run_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QStringList>("replies");   // then time-outs
        QTest::addColumn<QStringList>("commands");
        QTest::addColumn<QString>("failed");
        QTest::newRow("every command") << QByteArray("' reset\r\nd$20004000 00000145\r\n\r\nc$09\r\n")
                                       << QStringList{"020", "090"}
                                       << QStringList{"02202000400000000145", "09"} << "";
        QTest::newRow("time-out stops") << QByteArray("C$01\r\nc$02 x\r\nC$03\r\n") << QStringList{"020"}
                                        << QStringList{"01", "02 X"} << "C$02 X";
        QTest::newRow("syntax error stops") << QByteArray("C$1,C$09,C$1") << QStringList{"OK", "09E", "OK"}
                                            << QStringList{"1", "09"} << "C$09";
        QTest::newRow("other replies go on") << QByteArray("C$1,C$2,C$3,C$4") << QStringList{"09e", "0200E", "E", "090"}
                                             << QStringList{"1", "2", "3", "4"} << "";
    }
    void run()
    {
        QFETCH(QByteArray, content);
        QFETCH(QStringList, replies);
        QFETCH(QStringList, commands);
        QFETCH(QString, failed);
        FakeChannel link;
        link.queue(replies);
        const MacroResult result = RunMacro(link, ReadMacroItems(content));
        QCOMPARE(link.commands(), commands);
        QCOMPARE(result.commandsSent, commands.size());
        QVERIFY(std::all_of(link.sent.begin(), link.sent.end(), [](auto &s) { return s.show; }));
        QCOMPARE(result.failed, !failed.isEmpty());
        QCOMPARE(result.failedLine, failed);
        QCOMPARE(result.message(), failed.isEmpty() ? QString() : "Command error: " + failed);
    }
};

QTEST_GUILESS_MAIN(TestMacroFile)
#include "test_macro_file.moc"
