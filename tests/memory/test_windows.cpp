// The memory dump and registers windows over a port double that answers on the event loop: what
// READ shows while it runs, and a STOP, a close or the program's end while a command awaits its reply.
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
    static T *child(QWidget *w, const char *name)
    {
        return w->findChild<T *>(name);
    }
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
        port = new FakeSerialPort;
        port->answer = [](const QString &) { return "020" + QByteArray(256, '5'); };   // a half page
        session = std::make_unique<Session>(port, &prompter);
        RegisterToolWindows(session->windows);
        QVERIFY(session->link.openPort("/dev/double", "9600,E,7,1").isEmpty());
    }

    // While READ runs its controls are off and the table is not shown; the
    // bar shrinks by one "=" per finished row.
    void registerRead()
    {
        port->answer = [](const QString &c) { return c.toLatin1(); };   // register n holds n
        QWidget *w = session->windows.create("DL_Reg");
        QStringList bars;
        bool broken = false;
        port->onCommand = [&](const QString &) {
            bars << child<QLabel>(w, "L_S")->text();
            broken = broken || child(w, "Cmd_Read")->isEnabled() || child(w, "Cmd_X")->isEnabled()
                || child<QRadioButton>(w, "O1(1)")->isEnabled() || !text(w, "Txt").isEmpty();
        };
        child(w, "Cmd_Read")->click();
        QVERIFY(!broken);
        QCOMPARE(bars.size(), 256);
        for (int k = 0; k < 256; ++k)
            QCOMPARE(bars[k], k < 16 ? QString() : QString(16 - k / 16, '='));
        QVERIFY(child<QLabel>(w, "L_S")->text().isEmpty() && child(w, "Cmd_Read")->isEnabled()
                && !session->link.linkBusy());
        QCOMPARE(session->link.cmdTimeout(), 500);
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

    // Each stops the save of 402800..4028FF while the fifth command (the first
    // half of page 402802) awaits its reply; only whole pages stay in the file.
    void interruptedSave_data()
    {
        QTest::addColumn<QString>("action");
        QTest::addColumn<QString>("outcome");   // pages saved, status
        QTest::newRow("STOP") << "stop"
                              << "3 Reading 402802XX - User Break.";
        QTest::newRow("window closed") << "close"
                                       << "3 Reading 402802XX - User Break.";
        QTest::newRow("program ended") << "quit"
                                       << "2 Reading 402802XX - Read Error !!!";
    }
    void interruptedSave()
    {
        QFETCH(QString, action);
        QFETCH(QString, outcome);
        QPointer<MemWindow> w = qobject_cast<MemWindow *>(session->windows.create("DL_Mem"));
        child<QLineEdit>(w, "Txt_E")->setText("4028FF");
        Session *s = session.get();
        atCommand(5, [w, s, action] {
            if (action == "stop")
                child(w, "Cmd_Stop")->click();
            else if (action == "close")
                w->close();
            else {   // what closing the main window does
                s->link.closePort();
                s->quit(0);
            }
        });
        child(w, "Cmd(3)")->click();
        // The click returns once the save has unwound; a window closed
        // meanwhile is still there and goes away afterwards.
        QVERIFY(w);
        QCOMPARE(QString::number(QFileInfo("memdump.bin").size() / 256) + " " + child<QLabel>(w, "L2")->text(),
                 outcome);
        QCOMPARE(QFileInfo("memdump.bin").size() % 256, 0);
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
