// The command transaction over a serial port double that answers on the
// event loop, as a real port does (pieces, stray lines, time-outs, losses),
// and the overwrite question and file check before a save or a restore.
#include "link/link.h"
#include "link/prompts.h"
#include "support/fake_channel.h"
#include "support/fake_serial_port.h"
#include "support/test_helpers.h"

#include <QSignalSpy>
#include <QtTest>

// Records the settings of every open.
class Port : public FakeSerialPort {
public:
    QStringList opened;
    QString open(const QString &dev, const QString &settings) override
    {
        opened << settings;
        return FakeSerialPort::open(dev, settings);
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
        link->logFileName = "Kestrel.log";
        QFile::remove(link->logFileName);
        QVERIFY(link->openPort("/dev/fake", "9600,E,7,1").isEmpty());
        link->CmdTimeout = 200;
    }

    void replyEndsAtItsLastCR()
    {
        script({{"02", "0A", "B\r"}, {"AB\rCD\r"}, {"AB\r\n"}, {"09E\r"}, {"1234E\r"}});
        QCOMPARE(link->SendCmd("0201", false), QString("020AB"));
        QCOMPARE(port->written.value(0), QByteArray("0201\r"));
        QCOMPARE(link->SendCmd("X", false), QString("AB\rCD"));
        QVERIFY(shown->isEmpty() && !link->InCommand);
        // A line feed after the CR: no reply ends, the command times out.
        QCOMPARE(link->SendCmd("Y", true), QString());
        QVERIFY(link->TimedOut);
        QCOMPARE(lastShown(), QString("TimeOut!"));
        link->SendCmd("09", true);
        QCOMPARE(lastShown(), QString("09E : Syntax error!"));
        options.Asc = true;  // always show
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
        QTRY_VERIFY(link->RxBuf.endsWith("CD\r"));
        QCOMPARE(link->SendCmd("Y", false), QString());
        port->deliver("LATE\r");
        QTRY_VERIFY(link->RxBuf.endsWith("LATE\r"));
        QCOMPARE(link->SendCmd("Z", false), QString("EF"));
    }

    void log()
    {
        options.Glf = true;
        script({{"AB\rCD\r"}, {}, {"A\r"}, {"B\r"}});
        link->SendCmd("X1", false);
        link->SendCmd("X2", false);
        QCOMPARE(ReadFile("Kestrel.log"), QByteArray(">X1\r\n<AB\rCD\r\n>X2\r\n<\r\n"));
        // A log that cannot be written is reported once; the traffic goes on.
        link->logFileName = "missing-dir/Kestrel.log";
        QSignalSpy failed(link.get(), &Link::logFailed);
        QCOMPARE(link->SendCmd("1", false), QString("A"));
        QCOMPARE(link->SendCmd("2", false), QString("B"));
        QCOMPARE(failed.size(), 1);
    }

    // What a speed change does with the link: the command without a
    // transaction, then the port again at the new speed.
    void reopenAtAnotherSpeed()
    {
        QVERIFY(link->writeRaw("0210200040000036"));
        QCOMPARE(port->written, QByteArrayList{"0210200040000036\r"});
        link->closePort();
        QVERIFY(!link->writeRaw("09"));
        link->CmdTimeout = 600000;
        QCOMPARE(link->SendCmd("09", true), QString());
        QCOMPARE(lastShown(), QString("Port not open!"));
        QVERIFY(!link->TimedOut && port->written.size() == 1);
        QVERIFY(link->openPort("/dev/fake", "57600,E,7,1").isEmpty());
        QCOMPARE(port->opened, QStringList({"9600,E,7,1", "57600,E,7,1"}));
        script({{"09E\r"}});
        QCOMPARE(link->SendCmd("09", false), QString("09E"));
        PortSettings s;
        QVERIFY(ParsePortSettings("57600,E,7,1", s) && s.baud == 57600);
        QVERIFY(!ParsePortSettings("fast,E,7,1", s) && !ParsePortSettings("9600", s));
    }

    void lostDeviceEndsTheWait()
    {
        link->CmdTimeout = 600000;
        QSignalSpy lost(link.get(), &Link::deviceLost);
        port->onCommand = [this](const QString &) { port->lose("device vanished"); };
        QCOMPARE(link->SendCmd("09", false), QString());
        QCOMPARE(lost.size(), 1);
        QCOMPARE(lost.first().at(0).toString(), QString("/dev/fake"));
        QVERIFY(!port->isOpen() && !link->InCommand);
    }

    void shutDownEndsTheWaitAndRefusesTraffic()
    {
        link->CmdTimeout = 600000;
        port->onCommand = [this](const QString &) {
            QMetaObject::invokeMethod(link.get(), [this] { link->shutDown(); }, Qt::QueuedConnection);
        };
        QCOMPARE(link->SendCmd("09", false), QString());
        QCOMPARE(link->SendCmd("09", false), QString());
        QCOMPARE(port->written.size(), 1);
        QVERIFY(!link->openPort("/dev/fake", "9600,E,7,1").isEmpty());
    }

    void waitLetsEventsRun()
    {
        port->deliver("X\r");
        link->Wait(50);
        QCOMPARE(link->RxBuf, QString("X\r"));
    }

    void files_data()
    {
        QTest::addColumn<bool>("ask");  // AskOverwrite, else FileExists
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("before");  // "<dir>", "<none>" or the content
        QTest::addColumn<bool>("answer");
        QTest::addColumn<bool>("result");
        QTest::addColumn<bool>("asked");
        QTest::addColumn<QByteArray>("after");
        const QByteArray none = "<none>", dir = "<dir>", data = "data", empty = "", one(1, 0);
        QTest::newRow("ask: missing is created") << true << "a.bin" << none << false << true << false << empty;
        QTest::newRow("ask: empty is kept") << true << "b.bin" << empty << false << true << false << empty;
        QTest::newRow("ask: OK deletes") << true << "./sub/../c.bin" << data << true << true << true << none;
        QTest::newRow("ask: Cancel keeps") << true << "d.bin" << data << false << false << true << data;
        QTest::newRow("ask: folder") << true << "e" << dir << true << false << false << dir;
        QTest::newRow("ask: missing folder") << true << "nowhere/f.bin" << none << true << false << false << none;
        QTest::newRow("ask: no name") << true << "" << none << true << false << false << none;
        QTest::newRow("exists: missing") << false << "g.bin" << none << true << false << false << none;
        QTest::newRow("exists: empty is deleted") << false << "h.bin" << empty << true << false << false << none;
        QTest::newRow("exists: one byte") << false << "i.bin" << one << true << true << false << one;
        QTest::newRow("exists: folder") << false << "j" << dir << true << false << false << dir;
    }
    void files()
    {
        QFETCH(bool, ask);
        QFETCH(QString, name);
        QFETCH(QByteArray, before);
        QFETCH(bool, answer);
        QFETCH(bool, result);
        QFETCH(bool, asked);
        QFETCH(QByteArray, after);
        QDir().mkdir("sub");
        if (before == "<dir>")
            QVERIFY(QDir().mkdir(name));
        else if (before != "<none>")
            WriteFile(name, before);
        FakePrompter prompter;
        prompter.answers = {answer};
        QCOMPARE(ask ? AskOverwrite(prompter, name) : FileExists(name), result);
        QCOMPARE(prompter.questions.size(), asked ? 1 : 0);
        if (asked)
            QCOMPARE(prompter.questions[0].title + prompter.questions[0].text, "Are you sure ?Overwrite " + name + " ?");
        QCOMPARE(QFileInfo(name).isDir() ? "<dir>" : QFile::exists(name) ? ReadFile(name) : "<none>", after);
    }
};

QTEST_GUILESS_MAIN(TestLink)
#include "test_link.moc"
