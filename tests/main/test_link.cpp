// The command transaction over a serial port double that answers on the
// event loop, as a real port does: pieces, stray lines, time-outs, losses.
#include "link/link.h"
#include "platform/serial_port.h"
#include "support/fake_serial_port.h"

#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

namespace {

// Pieces of a reply, each arriving after its own delay.
struct Piece {
    int delayMs;
    QByteArray data;
};

} // namespace

class TestLink : public QObject {
    Q_OBJECT

    Options options;
    FakeSerialPort *port = nullptr;

    // One list of pieces per command written, in order.
    void script(QList<QList<Piece>> answers)
    {
        auto queue = std::make_shared<QList<QList<Piece>>>(std::move(answers));
        port->onCommand = [this, queue](const QString &) {
            if (queue->isEmpty())
                return;
            for (const Piece &p : queue->takeFirst())
                port->deliver(p.data, p.delayMs);
        };
    }
    std::unique_ptr<Link> link;
    QTemporaryDir dir;

private slots:
    void init()
    {
        options = Options();
        port = new FakeSerialPort;
        link = std::make_unique<Link>(options, port);
        link->logFileName = dir.filePath("Kestrel.log");
        QFile::remove(link->logFileName);
        QVERIFY(link->openPort("/dev/fake", "9600,E,7,1").isEmpty());
        link->CmdTimeout = 300;
    }

    void replyInPiecesIsReturnedWhole()
    {
        script({{{5, "02"}, {10, "0A"}, {15, "B\r"}}});
        QCOMPARE(link->SendCmd("0201", false), QString("020AB"));
        QCOMPARE(port->written.value(0), QByteArray("0201\r"));
        QVERIFY(!link->InCommand);
    }

    void twoLinesTogetherFormOneReply()
    {
        script({{{0, "AB\rCD\r"}}});
        QCOMPARE(link->SendCmd("X", false), QString("AB\rCD"));
    }

    void secondLineAloneIsDiscardedByNextTransaction()
    {
        script({{{0, "AB\r"}, {50, "CD\r"}}, {{100, "EF\r"}}});
        QCOMPARE(link->SendCmd("X", false), QString("AB"));
        QTest::qWait(80);
        QCOMPARE(link->SendCmd("Y", false), QString("EF"));
    }

    void replyFollowedByLineFeedTimesOut()
    {
        script({{{0, "AB\r\n"}}});
        QSignalSpy shown(link.get(), &Link::replyShown);
        QCOMPARE(link->SendCmd("X", true), QString());
        QCOMPARE(shown.last().at(0).toString(), QString("TimeOut!"));
    }

    void syntaxErrorIsMarkedOnlyForThreeCharacters()
    {
        script({{{0, "09E\r"}}, {{0, "1234E\r"}}});
        QSignalSpy shown(link.get(), &Link::replyShown);
        QCOMPARE(link->SendCmd("09", true), QString("09E"));
        QCOMPARE(shown.last().at(0).toString(), QString("09E : Syntax error!"));
        link->SendCmd("1", true);
        QCOMPARE(shown.last().at(0).toString(), QString("1234E"));
    }

    void alwaysShowForcesTheDisplay()
    {
        options.Asc = true;
        script({{{0, "OK\r"}}});
        QSignalSpy commands(link.get(), &Link::commandShown);
        QSignalSpy replies(link.get(), &Link::replyShown);
        link->SendCmd("100", false);
        QCOMPARE(commands.size(), 1);
        QCOMPARE(replies.last().at(0).toString(), QString("OK"));
    }

    void logHoldsExactBytesAndTimeoutLine()
    {
        options.Glf = true;
        script({{{0, "AB\rCD\r"}}, {}});
        link->SendCmd("X1", false);
        link->SendCmd("X2", false);   // no answer: times out
        QFile log(link->logFileName);
        QVERIFY(log.open(QIODevice::ReadOnly));
        QCOMPARE(log.readAll(), QByteArray(">X1\r\n<AB\rCD\r\n>X2\r\n<\r\n"));
    }

    void unwritableLogDoesNotStopTheTransactionAndIsReportedOnce()
    {
        options.Glf = true;
        link->logFileName = dir.filePath("missing-dir/Kestrel.log");
        QSignalSpy failed(link.get(), &Link::logFailed);
        script({{{0, "A\r"}}, {{0, "B\r"}}});
        QCOMPARE(link->SendCmd("1", false), QString("A"));
        QCOMPARE(link->SendCmd("2", false), QString("B"));
        QCOMPARE(failed.size(), 1);
    }

    void closedPortReturnsAtOnce()
    {
        link->closePort();
        link->CmdTimeout = 60000;
        QElapsedTimer t;
        t.start();
        QCOMPARE(link->SendCmd("09", false), QString());
        QVERIFY(t.elapsed() < 30000);   // far below the time-out: nothing was awaited
        QVERIFY(port->written.isEmpty());
    }

    void closedPortAfterATimeoutSaysSo()
    {
        link->CmdTimeout = 20;
        QSignalSpy shown(link.get(), &Link::replyShown);
        QCOMPARE(link->SendCmd("09", true), QString());
        QCOMPARE(shown.last().at(0).toString(), QString("TimeOut!"));
        link->closePort();
        QCOMPARE(link->SendCmd("09", true), QString());
        QCOMPARE(shown.last().at(0).toString(), QString("Port not open!"));
    }

    void lostDeviceEndsTheWaitAndClosesThePort()
    {
        link->CmdTimeout = 60000;
        QSignalSpy lost(link.get(), &Link::deviceLost);
        QTimer::singleShot(20, port, [this] { port->lose("device vanished"); });
        QCOMPARE(link->SendCmd("09", false), QString());
        QCOMPARE(lost.size(), 1);
        QCOMPARE(lost.first().at(0).toString(), QString("/dev/fake"));
        QVERIFY(!port->isOpen());
        QVERIFY(!link->InCommand);
    }

    void timeoutTakesPrecedenceOverLateReply()
    {
        link->CmdTimeout = 20;
        script({{{200, "LATE\r"}}});
        QCOMPARE(link->SendCmd("X", false), QString());
        QVERIFY(link->TimedOut);
    }

    void waitKeepsTheEventLoopRunning()
    {
        bool ticked = false;
        QTimer::singleShot(10, [&] { ticked = true; });
        link->Wait(60);
        QVERIFY(ticked);
        QVERIFY(link->TimedOut);
    }

    void shutDownEndsAWaitAndRefusesTraffic()
    {
        link->CmdTimeout = 60000;
        QTimer::singleShot(20, [this] { link->shutDown(); });
        QCOMPARE(link->SendCmd("09", false), QString());
        QCOMPARE(link->SendCmd("09", false), QString());
        QCOMPARE(port->written.size(), 1);
    }

    void settingsText()
    {
        PortSettings s;
        QVERIFY(ParsePortSettings("115200,E,7,1", s));
        QCOMPARE(s.baud, 115200);
        QCOMPARE(s.dataBits, 7);
        QVERIFY(!ParsePortSettings("fast,E,7,1", s));
        QVERIFY(!ParsePortSettings("9600", s));
        QVERIFY(!ParsePortSettings("9600,E,9,1", s));
    }
};

QTEST_GUILESS_MAIN(TestLink)
#include "test_link.moc"
