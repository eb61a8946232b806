// The command transaction over a port double that answers on the event loop as a real port does
// (pieces, stray lines, time-outs, losses), and the overwrite question and file check.
#include "link/conversions.h"
#include "link/link.h"
#include "link/prompts.h"
#include "support/fake_channel.h"
#include "support/fake_serial_port.h"
#include "support/test_helpers.h"

#include <QSignalSpy>
#include <optional>
#include <sys/stat.h>
#include <QtTest>

// Records the settings of every open.
struct Port : FakeSerialPort {
    QStringList opened;
    QString open(const QString &d, const QString &s) override
    {
        opened << s;
        return FakeSerialPort::open(d, s);
    }
};

class TestLink : public QObject {
    Q_OBJECT
    QTemporaryDir dir;
    Options options;
    Port *port = nullptr;
    std::unique_ptr<Link> link;
    std::unique_ptr<QSignalSpy> shown;

    // The pieces of the answer to each command in turn; each piece arrives as an event of its own.
    void script(QList<QByteArrayList> answers)
    {
        port->onCommand = [this, answers](const QString &) mutable {
            for (const QByteArray &piece : answers.isEmpty() ? QByteArrayList() : answers.takeFirst())
                port->deliver(piece);
        };
    }
    QString lastShown() { return shown->isEmpty() ? QString() : shown->last().at(0).toString(); }

private slots:
    void initTestCase() { QVERIFY(QDir::setCurrent(dir.path())); }
    void init()
    {
        options = Options();
        link = std::make_unique<Link>(options, port = new Port);
        shown = std::make_unique<QSignalSpy>(link.get(), &Link::replyShown);
        QVERIFY(link->openPort("/dev/fake", "9600,E,7,1").isEmpty());
        link->SetCmdTimeout(200);
    }

    void replyEndsAtItsLastCR()
    {
        script({{"02", "0A", "B\r"}, {"AB\rCD\r"}, {"AB\r\n"}, {"09E\r"}, {"1234E\r"}});
        QCOMPARE(link->SendCmd("0201", false), QString("020AB"));
        QCOMPARE(port->written.value(0), QByteArray("0201\r"));
        QCOMPARE(link->SendCmd("X", false), QString("AB\rCD"));
        QVERIFY(shown->isEmpty() && !link->linkBusy());
        // A line feed after the CR: no reply ends, the command times out.
        QCOMPARE(link->SendCmd("Y", true), QString());
        QCOMPARE(lastShown(), QString("TimeOut!"));
        link->SendCmd("09", true);
        QCOMPARE(lastShown(), QString("09E : Syntax error!"));
        options.Asc = true;   // always show
        QSignalSpy commands(link.get(), &Link::commandShown);
        link->SendCmd("1", false);
        QCOMPARE(lastShown(), QString("1234E"));
        QCOMPARE(commands.size(), 1);
    }

    // A line that arrives after its transaction ended (a second line, a reply
    // after the time-out) is not taken for the reply of the next command.
    void lateLinesAreDiscarded()
    {
        script({{"AB\r"}, {}, {"EF\r"}});
        QCOMPARE(link->SendCmd("X", false), QString("AB"));
        port->deliver("CD\r");
        QTRY_VERIFY(link->received().endsWith("CD\r"));
        QCOMPARE(link->SendCmd("Y", false), QString());
        port->deliver("LATE\r");
        QTRY_VERIFY(link->received().endsWith("LATE\r"));
        QCOMPARE(link->SendCmd("Z", false), QString("EF"));
    }

    // What a speed change does with the link: the command without a
    // transaction, then the port again at the new speed.
    void reopenAtAnotherSpeed()
    {
        QVERIFY(link->writeRaw("0210200040000036"));
        QCOMPARE(port->written, QByteArrayList{"0210200040000036\r"});
        link->closePort();
        link->SetCmdTimeout(600000);
        QCOMPARE(link->SendCmd("09", true), QString());
        QVERIFY(lastShown() == "Port not open!" && port->written.size() == 1);
        QVERIFY(link->openPort("/dev/fake", "57600,E,7,1").isEmpty());
        QCOMPARE(port->opened, QStringList({"9600,E,7,1", "57600,E,7,1"}));
        script({{"09E\r"}});
        QCOMPARE(link->SendCmd("09", false), QString("09E"));
    }

    // Replies of several lines: the rest of a reply after its first line, and
    // a reply taken as it comes until it is complete or the line falls
    // silent; the lease keeps other senders out while its holder sends.
    void linesAndLease()
    {
        script({{"0720\r"}, {"310"}, {"3104"}});
        const auto twoLines = [](const QString &rx) { return rx.count('\r') >= 2; };
        QCOMPARE(link->SendCmd("072", false), QString("0720"));
        port->deliver("RES");
        port->deliver("ULT\r");
        QVERIFY(link->awaitMore(600000, twoLines));
        QCOMPARE(link->received(), QString("0720\rRESULT\r"));
        std::optional<Link::Lease> lease = link->tryLease();
        QVERIFY(lease && link->linkBusy() && !link->tryLease());
        QList<qsizetype> sizes;
        bool busyMeanwhile = true;
        const auto complete = [](const QString &rx) { return rx.endsWith("\r\n"); };
        // Each piece is sent once the one before was told: one at a time.
        const LinesReply whole = link->transactLines("310", 600000, complete, [&](qsizetype n) {
            sizes << n;
            busyMeanwhile = busyMeanwhile && link->linkBusy();
            port->deliver(n == 3 ? "42\r" : "\n");
        });
        QVERIFY(whole.done && !whole.silent && busyMeanwhile);
        QCOMPARE(whole.text, QString("31042\r\n"));
        QCOMPARE(port->written.last(), QByteArray("310\r"));
        QCOMPARE(sizes, QList<qsizetype>({3, 6}));
        const LinesReply cut = link->transactLines("310", 50, complete);
        QVERIFY(cut.silent && !cut.done && cut.text == "3104");
        lease.reset();
        QVERIFY(!link->linkBusy() && link->tryLease());
        QVERIFY(!link->awaitMore(50, twoLines));
    }

    // A lost device or the program's end ends a wait at once; after the end nothing goes out.
    void waitsEndAtOnce()
    {
        link->SetCmdTimeout(600000);
        QSignalSpy lost(link.get(), &Link::deviceLost);
        port->onCommand = [this](const QString &) { port->lose("device vanished"); };
        QCOMPARE(link->SendCmd("09", false), QString());
        QCOMPARE(lost.size() == 1 ? lost[0][0].toString() : QString(), QString("/dev/fake"));
        QVERIFY(!port->isOpen() && !link->linkBusy());
        QVERIFY(link->openPort("/dev/fake", "9600,E,7,1").isEmpty());
        port->onCommand = [this](const QString &) {
            QMetaObject::invokeMethod(
                link.get(), [this] { link->shutDown(); }, Qt::QueuedConnection);
        };
        QCOMPARE(link->SendCmd("09", false), QString());
        QCOMPARE(link->SendCmd("09", false), QString());
        QCOMPARE(port->written.size(), 2);
        QVERIFY(!link->openPort("/dev/fake", "9600,E,7,1").isEmpty());
    }

    // Fixed-width upper-case digits of the low bits, and digit pairs read back
    // (one digit as with a leading zero; anything else, or a wrong size, as 0).
    void hexConversions()
    {
        QCOMPARE(Hex8(-2) + Hex8(0x7FE80B15), QString("FFFFFFFE7FE80B15"));
        QCOMPARE(Hex6(-1) + Hex6(0x12ABCDEF) + Hex2(0x1FA) + Hex2(-1) + Hex2(9), QString("FFFFFFABCDEFFAFF09"));
        const QList<std::pair<QString, int>> bytes = {{"FF", 255}, {"0A", 10}, {"A", 10}, {"a1", 1},
                                                      {"G7", 7},   {"", 0},    {"123", 0}};
        for (const auto &[text, value] : bytes)
            QCOMPARE(HexToByte(text), value);
        QCOMPARE(HexByteAt(u"0212C4", 3), 0x2C);
        QCOMPARE(HexToAddr(u"7FE80B") + HexToAddr(u"7FE80"), 0x7FE80B);
    }

    // The call (ask: AskOverwrite, exists: FileExists), the name, what it is
    // before (none, dir, empty or the content), the answer to a question, the
    // result, whether it asked, and what the name is after.
    void files()
    {
        QDir().mkdir("sub");
        for (const char *row :
             {"ask b.bin empty no yes no empty", "ask ./sub/../c.bin data yes yes yes none",
              "ask d.bin data no no yes data", "ask e dir yes no no dir", "exists h.bin empty yes no no none",
              "exists i.bin data yes yes no data", "exists j dir yes no no dir", "ask k pipe yes no no pipe"}) {
            const QStringList c = QString(row).split(' ');
            const QString &name = c[1];
            if (c[2] == "dir")
                QVERIFY(QDir().mkdir(name));
            else if (c[2] == "pipe")
                QCOMPARE(::mkfifo(qPrintable(name), 0600), 0);
            else if (c[2] != "none")
                WriteFile(name, c[2] == "empty" ? QByteArray() : c[2].toLatin1());
            FakePrompter prompter;
            prompter.answers = {c[3] == "yes"};
            QCOMPARE(c[0] == "ask" ? AskOverwrite(prompter, name) : FileExists(name), c[4] == "yes");
            QCOMPARE(prompter.questions.size(), c[5] == "yes" ? 1 : 0);
            if (c[5] == "yes")
                QCOMPARE(prompter.questions[0].title + prompter.questions[0].text,
                         "Are you sure ?Overwrite " + name + " ?");
            const QFileInfo info(name);
            const QByteArray after = info.isDir() ? "dir"
                : !info.exists()                  ? "none"
                : !info.isFile()                  ? "pipe"
                                                  : ReadFile(name);
            QCOMPARE(after.isEmpty() ? "empty" : after, c[6].toLatin1());
        }
        FakePrompter prompter;
        QVERIFY(!AskOverwrite(prompter, QString()) && !FileExists(QString()) && prompter.questions.isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestLink)
#include "test_link.moc"
