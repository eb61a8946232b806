// The shell's languages: macro files (items, the command of each, a run that stops at the first
// failing reply), scripts (words, quotes and escapes, comments, statement shapes), the
// simulator's options split as a shell would, and the command history.
#include "main/command_history.h"
#include "main/command_line.h"
#include "terminal/macro_file.h"
#include "main/script_runner.h"
#include "support/fake_channel.h"

#include <QtTest>

class TestMain : public QObject {
    Q_OBJECT
private slots:
    void macroItems()
    {
        for (const auto &[content, items] : std::initializer_list<std::pair<QByteArray, QStringList>>{
                 {"", {}},
                 {"C$1\r\nC$2\nC$3\rC$4", {"C$1", "C$2", "C$3", "C$4"}},
                 {"B$2000,45\r\nB$2000 45", {"B$2000", "45", "B$2000 45"}},
                 {"   W$2000 0145  \t\r\n\tC$09 ,  C$1", {"W$2000 0145", "C$09", "C$1"}},
                 {"\"C$0201,X\",\" C$09 \"junk", {"C$0201,X", " C$09 "}},
                 {"\"C$09,1\r\nC$1\r\n", {"C$09,1", "C$1"}},   // a quote ends with its line
                 {"' note\r\n\r\nC$09,\r\n", {"' note", "", "C$09", ""}},
                 {"c$stra\xDF"
                  "e",
                  {QStringLiteral("c$stra\u00DFe")}}})
            QCOMPARE(ReadMacroItems(content), items);
    }

    // Item, then its command ("-" for none).
    void macroCommands()
    {
        for (const auto &[item, command] :
             std::initializer_list<std::pair<QString, QString>>{{"b$20004000 4f", "0200200040004F"},
                                                                {"W$20004000 0145", "0210200040000145"},
                                                                {"D$20004000 00000145", "02202000400000000145"},
                                                                {"c$02 01", "02 01"},
                                                                {"B$20004000-4567 x", "02002000400045"},
                                                                {"W$2000", "02102000"},
                                                                {"C$", ""},
                                                                {"c$stra\u00DFe", "STRA\u00DFE"},
                                                                {"45", "-"},
                                                                {"' SOFT RESET", "-"},
                                                                {" C$09", "-"}}) {
            const QString line = MacroLine(item);
            QCOMPARE(line.size(), item.size());
            QCOMPARE(MacroCommand(line).value_or("-"), command);
        }
    }

    // Items, replies (then time-outs), the commands sent and the item that failed.
    void macroRun()
    {
        for (const auto &[content, replies, commands, failed] :
             std::initializer_list<std::tuple<QByteArray, QStringList, QStringList, QString>>{
                 {"' reset\r\nd$20004000 00000145\r\n\r\nc$09\r\n", {"020", "090"}, {"02202000400000000145", "09"}, ""},
                 {"C$01\r\nc$02 x\r\nC$03\r\n", {"020"}, {"01", "02 X"}, "C$02 X"},
                 {"C$1,C$09,C$1", {"OK", "09E", "OK"}, {"1", "09"}, "C$09"},
                 {"C$1,C$2,C$3,C$4", {"09e", "0200E", "E", "0"}, {"1", "2", "3", "4"}, ""}}) {
            FakeChannel link;
            link.queue(replies);
            const MacroResult result = RunMacro(link, ReadMacroItems(content));
            QCOMPARE(link.commands(), commands);
            QCOMPARE(result.commandsSent, commands.size());
            QVERIFY(std::all_of(link.sent.begin(), link.sent.end(), [](auto &s) { return s.show; }));
            QCOMPARE(result.failed, !failed.isEmpty());
            QCOMPARE(result.message(), failed.isEmpty() ? QString() : "Command error: " + failed);
        }
    }

    void scriptWords()
    {
        QStringList w;
        QString error;
        QVERIFY(TokenizeScriptLine("set W.C \"a b \\\"c\\\" \\\\ \\r\\n\" \"\" \"# x\" # note", w, error));
        QCOMPARE(w, QStringList({"set", "W.C", "a b \"c\" \\ \r\n", "", "# x"}));
    }

    // Valid (+) or refused (-), then the statement.
    void scriptStatements()
    {
        for (const char *row : {"+click DL_Main.Cmd_Dec(3)",
                                "-click",
                                "+choose DL_Main.Cmb_COM 4",
                                "-choose DL_Main.Cmb_COM four",
                                "+key DL_Main.Txt_P2D Enter",
                                "-key DL_Main.Txt_P2D NoSuchKey",
                                "+answer cancel",
                                "-answer maybe",
                                "+on-command 12 close DL_Mem",
                                "+on-command 3 click DL_Mem.Cmd_Stop",
                                "-on-command 12 DL_Mem.Cmd_Stop",
                                "-on-command many click DL_Mem.Cmd_Stop",
                                "+until expect-enabled DL_Main.Cmd_Open yes",
                                "+until expect-file a.bin size 512",
                                "-until expect-enabled DL_Main.Cmd_Open maybe",
                                "-until click DL_Main.Cmd_Open",
                                "+expect DL_X.Lst[2] \"x\"",
                                "-expect-checked W.C true",
                                "+expect-file a.bin sha256 00ff",
                                "-expect-file a.bin md5 00ff",
                                "-press DL_Main.Cmd_Open",
                                "-set W.C \"open",
                                "-set W.C \"\\q\""}) {
            QList<ScriptStatement> out;
            QString error;
            const bool valid = row[0] == '+';
            QVERIFY2(ParseScript(QString("# head\r\n\r\n") + (row + 1) + "\n", out, error) == valid, row);
            QVERIFY2(valid ? out.size() == 1 && out[0].line == 3 : error.startsWith("line 3: "), row);
        }
    }

    // Text, then its words ("!" and the error when refused).
    void shellWords()
    {
        for (const auto &[text, words] : std::initializer_list<std::pair<QString, QStringList>>{
                 {"  --trace 'my trace.log'  --pace ", {"--trace", "my trace.log", "--pace"}},
                 {"a\\ b \"c \\\"d\\$ \\x\" 'e\\f'\"\"g", {"a b", "c \"d$ \\x", "e\\fg"}},
                 {"'' \"\"", {"", ""}},
                 {"'open", {"!", "unclosed quote '"}},
                 {"end\\", {"!", "a backslash ends the text"}}}) {
            QStringList found;
            QString error;
            if (!SplitShellWords(text, found, error))
                found = QStringList{"!", error};
            QCOMPARE(found, words);
        }
    }

    // Up and Down as a shell has them; the kept list never holds the access text.
    void history()
    {
        CommandHistory h({"09", "TRABUNE", "091"});
        QCOMPARE(h.entries(), QStringList({"09", "091"}));
        QVERIFY(!h.add("091") && !h.add(" ") && !h.add("xtrabune") && h.add("0900"));
        QCOMPARE(h.newer(), std::nullopt);
        QCOMPARE(h.older("draft"), "0900");
        QCOMPARE(h.older("0900"), "091");
        QCOMPARE(h.older("091"), "09");
        QCOMPARE(h.older("09"), std::nullopt);
        QCOMPARE(h.newer(), "091");
        QCOMPARE(h.newer(), "0900");
        QCOMPARE(h.newer(), "draft");
        QCOMPARE(h.newer(), std::nullopt);
        for (int i = 0; i < CommandHistory::kLimit; ++i)
            h.add(QString::number(i));
        QCOMPARE(h.entries().size(), CommandHistory::kLimit);
        QCOMPARE(h.entries().constFirst(), "0");
        QCOMPARE(h.older("499"), "498");   // the box still shows the newest
    }
};

QTEST_GUILESS_MAIN(TestMain)
#include "test_main.moc"
