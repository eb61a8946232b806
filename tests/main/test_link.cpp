// The command transaction over a serial port double that answers on the
// event loop, as a real port does: pieces, stray lines, time-outs, losses.
#include "link/link.h"
#include "platform/serial_port.h"

#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

namespace {

// Answers each written command with scripted pieces, each delivered after
// its own delay on the event loop.
class ScriptedPort : public SerialPort {
public:
    struct Piece {
        int delayMs;
        QByteArray data;
    };
    QList<QList<Piece>> answers;   // one list of pieces per command written
    QList<QByteArray> written;
    bool open_ = false;
    QString openError;

    QString open(const QString &dev, const QString &) override
    {
        if (!openError.isEmpty())
            return openError;
        device_ = dev;
        open_ = true;
        return QString();
    }
    void close() override { open_ = false; }
    bool isOpen() const override { return open_; }
    QString device() const override { return device_; }
    bool write(const QByteArray &data) override
    {
        written.append(data);
        if (answers.isEmpty())
            return true;
        for (const Piece &p : answers.takeFirst()) {
            QTimer::singleShot(p.delayMs, this, [this, p] {
                pending_ += p.data;
                emit dataReceived();
            });
        }
        return true;
    }
    QByteArray readAll() override
    {
        QByteArray d = pending_;
        pending_.clear();
        return d;
    }
    void lose() { emit deviceLost("device vanished"); }

private:
    QString device_;
    QByteArray pending_;
};

} // namespace

class TestLink : public QObject {
    Q_OBJECT

    Options options;
    ScriptedPort *port = nullptr;
    std::unique_ptr<Link> link;
    QTemporaryDir dir;

private slots:
    void init()
    {
        options = Options();
        port = new ScriptedPort;
        link = std::make_unique<Link>(options, port);
        link->logFileName = dir.filePath("Kestrel.log");
        QFile::remove(link->logFileName);
        QVERIFY(link->openPort("/dev/fake", "9600,E,7,1").isEmpty());
        link->CmdTimeout = 300;
    }

    void replyInPiecesIsReturnedWhole()
    {
        port->answers = {{{5, "02"}, {10, "0A"}, {15, "B\r"}}};
        QCOMPARE(link->SendCmd("0201", false), QString("020AB"));
        QCOMPARE(port->written.value(0), QByteArray("0201\r"));
        QVERIFY(!link->InCommand);
    }

    void twoLinesTogetherFormOneReply()
    {
        port->answers = {{{0, "AB\rCD\r"}}};
        QCOMPARE(link->SendCmd("X", false), QString("AB\rCD"));
    }

    void secondLineAloneIsDiscardedByNextTransaction()
    {
        port->answers = {{{0, "AB\r"}, {50, "CD\r"}}, {{100, "EF\r"}}};
        QCOMPARE(link->SendCmd("X", false), QString("AB"));
        QTest::qWait(80);
        QCOMPARE(link->SendCmd("Y", false), QString("EF"));
    }

    void replyFollowedByLineFeedTimesOut()
    {
        port->answers = {{{0, "AB\r\n"}}};
        QSignalSpy shown(link.get(), &Link::replyShown);
        QCOMPARE(link->SendCmd("X", true), QString());
        QCOMPARE(shown.last().at(0).toString(), QString("TimeOut!"));
    }

    void syntaxErrorIsMarkedOnlyForThreeCharacters()
    {
        port->answers = {{{0, "09E\r"}}, {{0, "1234E\r"}}};
        QSignalSpy shown(link.get(), &Link::replyShown);
        QCOMPARE(link->SendCmd("09", true), QString("09E"));
        QCOMPARE(shown.last().at(0).toString(), QString("09E : Syntax error!"));
        link->SendCmd("1", true);
        QCOMPARE(shown.last().at(0).toString(), QString("1234E"));
    }

    void alwaysShowForcesTheDisplay()
    {
        options.Asc = true;
        port->answers = {{{0, "OK\r"}}};
        QSignalSpy commands(link.get(), &Link::commandShown);
        QSignalSpy replies(link.get(), &Link::replyShown);
        link->SendCmd("100", false);
        QCOMPARE(commands.size(), 1);
        QCOMPARE(replies.last().at(0).toString(), QString("OK"));
    }

    void logHoldsExactBytesAndTimeoutLine()
    {
        options.Glf = true;
        port->answers = {{{0, "AB\rCD\r"}}, {}};
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
        port->answers = {{{0, "A\r"}}, {{0, "B\r"}}};
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

    void lostDeviceEndsTheWaitAndClosesThePort()
    {
        link->CmdTimeout = 60000;
        QSignalSpy lost(link.get(), &Link::deviceLost);
        QTimer::singleShot(20, port, [this] { port->lose(); });
        QCOMPARE(link->SendCmd("09", false), QString());
        QCOMPARE(lost.size(), 1);
        QCOMPARE(lost.first().at(0).toString(), QString("/dev/fake"));
        QVERIFY(!port->isOpen());
        QVERIFY(!link->InCommand);
    }

    void timeoutTakesPrecedenceOverLateReply()
    {
        link->CmdTimeout = 20;
        port->answers = {{{200, "LATE\r"}}};
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
