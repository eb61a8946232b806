// The script language: words, quotes and escapes, comments, statement shapes.
#include "main/script_runner.h"

#include <QtTest>

class TestScriptParser : public QObject {
    Q_OBJECT
private slots:
    void wordsQuotesAndEscapes()
    {
        QStringList w;
        QString error;
        QVERIFY(TokenizeScriptLine("set DL_Main.Txt_P2D \"a b \\\"c\\\" \\\\ \\r\\n\" # note", w, error));
        QCOMPARE(w, QStringList({"set", "DL_Main.Txt_P2D", "a b \"c\" \\ \r\n"}));
        QVERIFY(TokenizeScriptLine("expect DL_Main.Txt_D2P \"\"", w, error));
        QCOMPARE(w.size(), 3);
        QCOMPARE(w[2], QString());
        QVERIFY(TokenizeScriptLine("   # only a comment", w, error));
        QVERIFY(w.isEmpty());
        QVERIFY(TokenizeScriptLine("expect X.Y \"a # b\"", w, error));
        QCOMPARE(w[2], QString("a # b"));
    }

    void brokenQuotesAreRejected()
    {
        QStringList w;
        QString error;
        QVERIFY(!TokenizeScriptLine("set A.B \"open", w, error));
        QVERIFY(!TokenizeScriptLine("set A.B \"bad \\q escape\"", w, error));
    }

    void statementShapes_data()
    {
        QTest::addColumn<QString>("line");
        QTest::addColumn<bool>("valid");
        QTest::newRow("click") << "click DL_Main.Cmd_Dec(3)" << true;
        QTest::newRow("click without control") << "click" << false;
        QTest::newRow("choose") << "choose DL_Main.Cmb_COM 4" << true;
        QTest::newRow("choose not a number") << "choose DL_Main.Cmb_COM four" << false;
        QTest::newRow("key enter") << "key DL_Main.Txt_P2D Enter" << true;
        QTest::newRow("key other") << "key DL_Main.Txt_P2D Escape" << false;
        QTest::newRow("answer") << "answer cancel" << true;
        QTest::newRow("answer maybe") << "answer maybe" << false;
        QTest::newRow("on-command close") << "on-command 12 close DL_Mem" << true;
        QTest::newRow("on-command without action") << "on-command 12 DL_Mem.Cmd_Stop" << false;
        QTest::newRow("on-command count") << "on-command many click DL_Mem.Cmd_Stop" << false;
        QTest::newRow("until expectation") << "until expect-enabled DL_Main.Cmd_Open yes" << true;
        QTest::newRow("until malformed expectation") << "until expect-enabled DL_Main.Cmd_Open maybe" << false;
        QTest::newRow("until action") << "until click DL_Main.Cmd_Open" << false;
        QTest::newRow("expect line") << "expect DL_X.Lst[2] \"x\"" << true;
        QTest::newRow("expect-checked bad") << "expect-checked DL_Main.Asc true" << false;
        QTest::newRow("expect-file size") << "expect-file a.bin size 512" << true;
        QTest::newRow("expect-file sha") << "expect-file a.bin sha256 00ff" << true;
        QTest::newRow("expect-file other") << "expect-file a.bin md5 00ff" << false;
        QTest::newRow("unknown verb") << "press DL_Main.Cmd_Open" << false;
    }
    void statementShapes()
    {
        QFETCH(QString, line);
        QFETCH(bool, valid);
        QList<ScriptStatement> out;
        QString error;
        QCOMPARE(ParseScript(line, out, error), valid);
        if (!valid)
            QVERIFY(error.startsWith("line 1: "));
    }

    void lineNumbersCountCommentsAndBlanks()
    {
        QList<ScriptStatement> out;
        QString error;
        QVERIFY(ParseScript("# head\r\n\r\nclick A.B\r\nwait 5\n", out, error));
        QCOMPARE(out.size(), 2);
        QCOMPARE(out[0].line, 3);
        QCOMPARE(out[1].line, 4);
        QVERIFY(!ParseScript("wait 5\nbogus\n", out, error));
        QVERIFY(error.startsWith("line 2: "));
    }
};

QTEST_GUILESS_MAIN(TestScriptParser)
#include "test_script_parser.moc"
