// The memory dump window on a real link to the simulated decoder: closing
// the window, or ending the program, while "MEM --> File" waits for a reply.
#include "link/link.h"
#include "main/tool_windows.h"
#include "ui/session.h"
#include "main/sim_process.h"
#include "memory/mem_window.h"
#include "platform/serial_port.h"
#include "support/fake_channel.h"

#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>
#include <memory>

class TestMemWindow : public QObject {
    Q_OBJECT

    QTemporaryDir dir;
    SimProcess sim;
    QString terminal;
    FakePrompter prompter;
    std::unique_ptr<Session> session;

    MemWindow *openWindow()
    {
        auto *w = qobject_cast<MemWindow *>(session->windows.create("DL_Mem"));
        if (w)
            w->findChild<QLineEdit *>("Txt_E")->setText("4028FF");
        return w;
    }

    static void click(QWidget *w, const char *name) { w->findChild<QPushButton *>(name)->click(); }
    static QString status(QWidget *w) { return w->findChild<QLabel *>("L2")->text(); }

    static qint64 savedSize()
    {
        QFile file("memdump.bin");
        return file.exists() ? file.size() : -1;
    }

private slots:
    void initTestCase()
    {
        QVERIFY(dir.isValid());
        QVERIFY(QDir::setCurrent(dir.path()));
        QString error;
        // Slow replies, so that a save of 256 pages takes many seconds.
        terminal = sim.start("--latency 40", error);
        QVERIFY2(!terminal.isEmpty(), qPrintable(error));
    }

    void init()
    {
        QFile::remove("memdump.bin");
        session = std::make_unique<Session>(new QSerialPortAdapter, &prompter);
        RegisterToolWindows(session->windows);
        const QString error = session->link.openPort(terminal, "9600,E,7,1");
        QVERIFY2(error.isEmpty(), qPrintable(error));
        session->link.PortIsOpen = true;
    }

    void cleanup() { session.reset(); }

    void buttonsSetTheirTimeOutAndReadAPage()
    {
        MemWindow *w = openWindow();
        QVERIFY(w);
        QCOMPARE(w->windowTitle(), QString("Memory Dump  (Command 02)"));
        QCOMPARE(w->findChild<QLineEdit *>("Txt_S")->toolTip(), QString("6 digits only"));
        QCOMPARE(w->findChild<QLineEdit *>("Txt_S")->maxLength(), 6);
        QVERIFY(!w->PageValid);
        click(w, "Cmd(0)");
        QCOMPARE(status(w), QString("Done."));
        QVERIFY(w->PageValid);
        QCOMPARE(session->link.CmdTimeout, 750);
        QVERIFY(!session->link.Busy);
    }

    void clicksAreIgnoredWhileAnotherOperationRuns()
    {
        MemWindow *w = openWindow();
        session->link.Busy = true;
        w->findChild<QLineEdit *>("Txt_S")->setText("abc");
        click(w, "Cmd(0)");
        click(w, "Cmd(2)");
        click(w, "Cmd(3)");
        QCOMPARE(status(w), QString());
        QCOMPARE(w->findChild<QLineEdit *>("Txt_S")->text(), QString("abc"));
        QVERIFY(!w->PageValid);
        QCOMPARE(savedSize(), qint64(-1));
        QVERIFY(session->link.Busy);
        session->link.Busy = false;
    }

    void closingTheWindowDuringASaveStopsIt()
    {
        QPointer<MemWindow> w = openWindow();
        QTimer::singleShot(800, w.data(), &QWidget::close);
        click(w, "Cmd(3)");

        // The click returns once the save has unwound; the window, closed
        // meanwhile, is still there to finish it and goes away afterwards.
        QVERIFY(!session->link.Busy);
        QVERIFY(!session->link.InCommand);
        QVERIFY(w);
        QVERIFY(w->StopFlag);
        QVERIFY(w->isClosing());
        QVERIFY(status(w).endsWith(" - User Break."));
        const qint64 size = savedSize();
        QVERIFY(size > 0);
        QCOMPARE(size % 256, qint64(0));
        QVERIFY(size < 256 * 256);
        QVERIFY(!session->windows.find("DL_Mem"));
        QTRY_VERIFY(w.isNull());

        // The link is free: a new window reads at once.
        MemWindow *again = openWindow();
        QVERIFY(again);
        click(again, "Cmd(0)");
        QCOMPARE(status(again), QString("Done."));
    }

    void stopEndsTheSaveBeforeTheNextPage()
    {
        MemWindow *w = openWindow();
        QTimer::singleShot(800, w, [w] { w->findChild<QPushButton *>("Cmd_Stop")->click(); });
        click(w, "Cmd(3)");
        QVERIFY(!session->link.Busy);
        const qint64 pages = savedSize() / 256;
        QVERIFY(pages > 0 && pages < 256);
        // The status names the last page read, which is the last one written.
        const QString last = QString("%1").arg(0x402800 + pages - 1, 6, 16, QLatin1Char('0')).toUpper();
        QCOMPARE(status(w), "Reading " + last + "XX - User Break.");
    }

    // Last: the main window's close ends the program's event processing.
    void endingTheProgramDuringASaveStopsIt()
    {
        QPointer<MemWindow> w = openWindow();
        Session *s = session.get();
        // What closing the main window does: the port closes, every tool
        // window closes, the link is shut down and the program ends.
        QTimer::singleShot(800, this, [s] {
            s->link.closePort();
            s->windows.close("DL_Mem");
            s->quit(0);
        });
        click(w, "Cmd(3)");
        QVERIFY(s->quitting());
        QVERIFY(!s->link.Busy);
        QVERIFY(!s->link.InCommand);
        QVERIFY(w);
        QVERIFY(w->isClosing());
        QCOMPARE(savedSize() % 256, qint64(0));
        QVERIFY(savedSize() < 256 * 256);
        // Nothing more is sent once the link is down.
        QCOMPARE(s->link.SendCmd("09", false), QString());
        QTRY_VERIFY(w.isNull());
    }

    void cleanupTestCase() { sim.stop(); }
};

QTEST_MAIN(TestMemWindow)
#include "test_mem_window.moc"
