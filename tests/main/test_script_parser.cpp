// The script language: words, quotes and escapes, comments, statement shapes.
#include "main/script_runner.h"

#include <QtTest>

class TestScriptParser : public QObject {
    Q_OBJECT
private slots:
    void words_data()
    {
        QTest::addColumn<QString>("line");
        QTest::addColumn<QStringList>("words");  // {"<error>"} when refused
        QTest::newRow("quotes and escapes") << "set W.C \"a b \\\"c\\\" \\\\ \\r\\n\" # note"
                                            << QStringList{"set", "W.C", "a b \"c\" \\ \r\n"};
        QTest::newRow("empty quotes") << "expect W.C \"\"" << QStringList{"expect", "W.C", ""};
        QTest::newRow("# inside quotes") << "expect W.C \"a # b\"" << QStringList{"expect", "W.C", "a # b"};
        QTest::newRow("only a comment") << "   # note" << QStringList{};
        QTest::newRow("unclosed quote") << "set W.C \"open" << QStringList{"<error>"};
        QTest::newRow("unknown escape") << "set W.C \"\\q\"" << QStringList{"<error>"};
    }
    void words()
    {
        QFETCH(QString, line);
        QFETCH(QStringList, words);
        QStringList w;
        QString error;
        QCOMPARE(TokenizeScriptLine(line, w, error) ? w : QStringList{"<error>"}, words);
    }

    void statements_data()
    {
        QTest::addColumn<QString>("line");
        QTest::addColumn<bool>("valid");
        const auto row = [](const char *line, bool valid) { QTest::newRow(line) << QString(line) << valid; };
        row("click DL_Main.Cmd_Dec(3)", true);
        row("click", false);
        row("choose DL_Main.Cmb_COM 4", true);
        row("choose DL_Main.Cmb_COM four", false);
        row("key DL_Main.Txt_P2D Enter", true);
        row("key DL_Main.Txt_P2D Escape", false);
        row("answer cancel", true);
        row("answer maybe", false);
        row("on-command 12 close DL_Mem", true);
        row("on-command 3 click DL_Mem.Cmd_Stop", true);
        row("on-command 12 DL_Mem.Cmd_Stop", false);
        row("on-command many click DL_Mem.Cmd_Stop", false);
        row("until expect-enabled DL_Main.Cmd_Open yes", true);
        row("until expect-file a.bin size 512", true);
        row("until expect-enabled DL_Main.Cmd_Open maybe", false);
        row("until click DL_Main.Cmd_Open", false);
        row("expect DL_X.Lst[2] \"x\"", true);
        row("expect-checked DL_Main.Asc true", false);
        row("expect-file a.bin sha256 00ff", true);
        row("expect-file a.bin md5 00ff", false);
        row("press DL_Main.Cmd_Open", false);
    }
    void statements()
    {
        QFETCH(QString, line);
        QFETCH(bool, valid);
        QList<ScriptStatement> out;
        QString error;
        QCOMPARE(ParseScript("# head\r\n\r\n" + line + "\n", out, error), valid);
        if (valid)
            QCOMPARE(out.size() == 1 ? out[0].line : 0, 3);
        else
            QVERIFY2(error.startsWith("line 3: "), qPrintable(error));
    }
};

QTEST_GUILESS_MAIN(TestScriptParser)
#include "test_script_parser.moc"
