// The memory dump and registers windows over a serial port double that
// answers on the event loop: what READ shows, the replies a dump cannot use,
// and a STOP, a close or the program's end while a command awaits its reply.
#include "link/conversions.h"
#include "main/tool_windows.h"
#include "memory/mem_window.h"
#include "support/fake_channel.h"
#include "support/fake_serial_port.h"
#include "ui/controls.h"
#include "ui/session.h"

#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QtTest>

class TestWindows : public QObject {
    Q_OBJECT
    QTemporaryDir dir;
    FakePrompter prompter;
    FakeSerialPort *port = nullptr;
    std::unique_ptr<Session> session;

    template <typename T = QPushButton>
    static T *child(QWidget *w, const char *name) { return w->findChild<T *>(name); }
    static QString text(QWidget *w, const char *name) { return BoxText(child<QPlainTextEdit>(w, name)); }
    // Runs action while the nth command from now awaits its reply.
    void atCommand(int n, std::function<void()> action)
    {
        port->onCommand = [this, n, action, count = 0](const QString &) mutable {
            if (++count == n)
                QMetaObject::invokeMethod(&session->link, action, Qt::QueuedConnection);
        };
    }

private slots:
    void initTestCase() { QVERIFY(QDir::setCurrent(dir.path())); }
    void init()
    {
        QFile::remove("memdump.bin");
        port = new FakeSerialPort;
        port->answer = [](const QString &) { return "020" + QByteArray(256, '5'); };  // a half page
        session = std::make_unique<Session>(port, &prompter);
        RegisterToolWindows(session->windows);
        QVERIFY(session->link.openPort("/dev/double", "9600,E,7,1").isEmpty());
        session->link.PortIsOpen = true;
    }
    void cleanup() { session.reset(); }

    void demodulatorRead()
    {
        port->answer = [](const QString &c) {
            static const QHash<QString, QByteArray> odd{{"25100", "25E"}, {"25101", "2517F"}, {"25102", "25107F"},
                                                         {"25103", ""}};  // no reply: a time-out
            return odd.value(c, c.left(3).toLatin1() + Hex2(c.mid(3).toInt(nullptr, 16) ^ 0x5A).toLatin1());
        };
        QWidget *w = session->windows.create("DL_Reg");
        QVERIFY(!child<QLineEdit>(w, "Txt_PG")->isEnabled());
        QStringList bars;
        bool broken = false;
        port->onCommand = [&](const QString &) {
            bars << child<QLabel>(w, "L_S")->text();
            broken = broken || !session->link.Busy || child(w, "Cmd_Read")->isEnabled() || child(w, "Cmd_X")->isEnabled()
                || child<QRadioButton>(w, "O1(1)")->isEnabled() || !text(w, "Txt").isEmpty();
        };
        child(w, "Cmd_Read")->click();
        QCOMPARE(port->commands.size(), 256);
        QCOMPARE(port->commands.first() + port->commands.last(), QString("25100251FF"));
        QVERIFY(!broken);
        for (int k = 0; k < 256; ++k)
            QCOMPARE(bars[k], k < 16 ? QString() : QString(16 - k / 16, '='));
        QCOMPARE(child<QLabel>(w, "L_S")->text(), QString());
        QCOMPARE(session->link.CmdTimeout, 500);
        QVERIFY(!session->link.Busy && child(w, "Cmd_Read")->isEnabled());
        const QStringList rows = text(w, "Txt").split("\r\n");
        QCOMPARE(rows.size(), 16);
        QCOMPARE(rows[0], QString("00 : -- 7F -- -- 5E 5F 5C 5D 52 53 50 51 56 57 54 55 "));
        QVERIFY(rows[15].startsWith("F0 : AA "));
    }

    void i2cRead()
    {
        port->answer = [](const QString &c) {
            QByteArray reply = c.toLatin1();
            for (int k = 0; k < 16; ++k)
                reply += Hex2(k).toLatin1();
            return c == "2720A1010" ? QByteArray("27E") : reply;
        };
        QWidget *w = session->windows.create("DL_Reg");
        child<QRadioButton>(w, "O1(1)")->click();
        QLineEdit *slave = child<QLineEdit>(w, "Txt_PG");
        QVERIFY(slave->isEnabled());
        slave->setText("a");
        QString slaveAtFirstCommand;
        port->onCommand = [&](const QString &) {
            if (slaveAtFirstCommand.isEmpty())
                slaveAtFirstCommand = slave->text();
        };
        child(w, "Cmd_Read")->click();
        QCOMPARE(slaveAtFirstCommand, QString("0A"));
        QCOMPARE(port->commands.size(), 16);
        QCOMPARE(port->commands[2], QString("2720A2010"));
        QStringList rows = text(w, "Txt").split("\r\n");
        QCOMPARE(rows[0], QString("0A00 : 00 01 02 03 04 05 06 07 08 09 0A 0B 0C 0D 0E 0F "));
        QCOMPARE(rows[1], "0A10 : " + QString("-- ").repeated(16));
        // Three characters are used as they are; the replies never fit.
        slave->setText("1a0");
        child(w, "Cmd_Read")->click();
        QCOMPARE(port->commands.value(16), QString("2721A00010"));
        QCOMPARE(text(w, "Txt").split("\r\n").value(15), "1A0F0 : " + QString("-- ").repeated(16));
    }

    // Nothing more is sent once the window is closed.
    void closeDuringRegisterRead()
    {
        QPointer<QWidget> w = session->windows.create("DL_Reg");
        atCommand(40, [w] { w->close(); });
        child(w, "Cmd_Read")->click();
        QCOMPARE(port->commands.size(), 40);
        QVERIFY(!session->link.linkBusy() && !session->windows.find("DL_Reg"));
        QTRY_VERIFY(w.isNull());
        QVERIFY(session->windows.create("DL_Reg"));
    }

    // Each stops the save of 402800..4028FF while the fifth command (the
    // first half of page 402802) awaits its reply; only whole pages stay.
    void interruptedSave_data()
    {
        QTest::addColumn<QString>("action");
        QTest::addColumn<int>("pages");
        QTest::addColumn<QString>("status");
        QTest::newRow("STOP") << "stop" << 3 << "Reading 402802XX - User Break.";
        QTest::newRow("window closed") << "close" << 3 << "Reading 402802XX - User Break.";
        QTest::newRow("program ended") << "quit" << 2 << "Reading 402802XX - Read Error !!!";
    }
    void interruptedSave()
    {
        QFETCH(QString, action);
        QFETCH(int, pages);
        QFETCH(QString, status);
        QPointer<MemWindow> w = qobject_cast<MemWindow *>(session->windows.create("DL_Mem"));
        child<QLineEdit>(w, "Txt_E")->setText("4028FF");
        Session *s = session.get();
        atCommand(5, [w, s, action] {
            if (action == "stop")
                child(w, "Cmd_Stop")->click();
            else if (action == "close")
                w->close();
            else {  // what closing the main window does
                s->link.closePort();
                s->quit(0);
            }
        });
        child(w, "Cmd(3)")->click();
        // The click returns once the save has unwound; a window closed
        // meanwhile is still there and goes away afterwards.
        QVERIFY(w);
        QCOMPARE(child<QLabel>(w, "L2")->text(), status);
        QCOMPARE(QFileInfo("memdump.bin").size(), pages * 256);
        QVERIFY(!s->link.linkBusy());
        QCOMPARE(w->isClosing(), action != "stop");
        QCOMPARE(!s->windows.find("DL_Mem"), action != "stop");
        if (action == "stop")
            return;
        QTRY_VERIFY(w.isNull());
        QCOMPARE(s->link.SendCmd("09", false).isEmpty(), action == "quit");
    }
};

QTEST_MAIN(TestWindows)
#include "test_windows.moc"
