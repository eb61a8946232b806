// The registers window over a port double that answers on the event loop:
// what the window shows while READ runs, the replies it cannot use, and a
// close in the middle of a dump.
#include "link/link.h"
#include "ui/controls.h"
#include "main/tool_windows.h"
#include "ui/session.h"
#include "memory/reg_window.h"
#include "platform/serial_port.h"
#include "support/fake_channel.h"
#include "support/fake_serial_port.h"

#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <QtTest>
#include <functional>
#include <memory>

namespace {


QByteArray Hex2(int v) { return QByteArray::number(v & 0xFF, 16).rightJustified(2, '0').toUpper(); }

// Register values of the double: register n holds n xor 5A.
QByteArray DemodAnswer(const QString &command)
{
    return command.toLatin1().left(3) + Hex2(command.mid(3, 2).toInt(nullptr, 16) ^ 0x5A);
}

QByteArray I2CAnswer(const QString &command)
{
    if (command.size() != 9)
        return "27E";
    QByteArray reply = command.toLatin1();
    const int first = command.mid(5, 2).toInt(nullptr, 16);
    for (int k = 0; k < 16; ++k)
        reply += Hex2(first + k);
    return reply;
}

} // namespace

class TestRegWindow : public QObject {
    Q_OBJECT

    FakePrompter prompter;
    FakeSerialPort *port = nullptr;
    std::unique_ptr<Session> session;
    QPointer<RegWindow> window;

    template <typename T>
    T *control(const char *name) const
    {
        return window->findChild<T *>(name);
    }
    QString dump() const { return BoxText(control<QPlainTextEdit>("Txt")); }
    QString progress() const { return control<QLabel>("L_S")->text(); }

private slots:
    void init()
    {
        port = new FakeSerialPort;
        session = std::make_unique<Session>(port, &prompter);
        RegisterToolWindows(session->windows);
        QVERIFY(session->link.openPort("/dev/double", "9600,E,7,1").isEmpty());
        session->link.CmdTimeout = 4000;
        window = qobject_cast<RegWindow *>(session->windows.create("DL_Reg"));
        QVERIFY(window);
    }

    void cleanup() { session.reset(); }

    void startsOnTheDemodulator()
    {
        QCOMPARE(window->windowTitle(), QString("View Registers  (Command 25 & 27)"));
        QVERIFY(control<QRadioButton>("O1(0)")->isChecked());
        QCOMPARE(control<QLineEdit>("Txt_PG")->text(), QString("D0"));
        QVERIFY(!control<QLineEdit>("Txt_PG")->isEnabled());
        control<QRadioButton>("O1(1)")->click();
        QVERIFY(control<QLineEdit>("Txt_PG")->isEnabled());
        QVERIFY(!control<QRadioButton>("O1(0)")->isChecked());
        control<QRadioButton>("O1(0)")->click();
        QVERIFY(!control<QLineEdit>("Txt_PG")->isEnabled());
    }

    // Every command goes out with the controls disabled and the table not
    // yet shown; the bar shrinks by one "=" per finished row.
    void demodulatorReadShowsProgressPerRow()
    {
        port->answer = DemodAnswer;
        QStringList bars;
        bool controlsEverEnabled = false;
        bool tableShownEarly = false;
        bool busyThroughout = true;
        port->onCommand = [&](const QString &) {
            bars << progress();
            controlsEverEnabled = controlsEverEnabled || control<QPushButton>("Cmd_Read")->isEnabled()
                || control<QPushButton>("Cmd_X")->isEnabled() || control<QRadioButton>("O1(0)")->isEnabled()
                || control<QRadioButton>("O1(1)")->isEnabled();
            tableShownEarly = tableShownEarly || !dump().isEmpty();
            busyThroughout = busyThroughout && session->link.Busy;
        };
        control<QPushButton>("Cmd_Read")->click();

        QCOMPARE(port->commands.size(), 256);
        QCOMPARE(port->commands.first(), QString("25100"));
        QCOMPARE(port->commands.last(), QString("251FF"));
        QVERIFY(!controlsEverEnabled);
        QVERIFY(!tableShownEarly);
        QVERIFY(busyThroughout);
        for (int k = 0; k < 256; ++k) {
            const int finishedRows = k / 16;
            const QString expected = finishedRows == 0 ? QString() : QString(16 - finishedRows, '=');
            QCOMPARE(bars[k], expected);
        }
        QCOMPARE(progress(), QString());
        QCOMPARE(session->link.CmdTimeout, 500);
        QVERIFY(!session->link.Busy);
        QVERIFY(control<QPushButton>("Cmd_Read")->isEnabled());
        QVERIFY(control<QRadioButton>("O1(1)")->isEnabled());
        const QStringList rows = dump().split("\r\n");
        QCOMPARE(rows.size(), 16);
        QCOMPARE(rows[0], QString("00 : 5A 5B 58 59 5E 5F 5C 5D 52 53 50 51 56 57 54 55 "));
        QCOMPARE(rows[15].left(8), QString("F0 : AA "));
    }

    void unusableRepliesShowDashes()
    {
        port->answer = [](const QString &c) -> QByteArray {
            if (c == "25100")
                return "25E";     // syntax error
            if (c == "25101")
                return "2517F";
            if (c == "25102")
                return "25107F";  // too long
            if (c == "25103")
                return QByteArray();  // no reply: time-out
            return DemodAnswer(c);
        };
        session->link.CmdTimeout = 4000;
        control<QPushButton>("Cmd_Read")->click();
        QVERIFY(dump().startsWith("00 : -- 7F -- -- 5E "));
    }

    void slaveIsNormalisedBeforeTheFirstRow()
    {
        port->answer = I2CAnswer;
        QStringList slaveBoxAtFirstCommand;
        port->onCommand = [&](const QString &) {
            if (slaveBoxAtFirstCommand.isEmpty())
                slaveBoxAtFirstCommand << control<QLineEdit>("Txt_PG")->text();
        };
        control<QRadioButton>("O1(1)")->click();
        control<QLineEdit>("Txt_PG")->setText("a");
        control<QPushButton>("Cmd_Read")->click();
        QCOMPARE(slaveBoxAtFirstCommand, QStringList{"0A"});
        QCOMPARE(port->commands.size(), 16);
        QCOMPARE(port->commands.first(), QString("2720A0010"));
        QVERIFY(dump().startsWith("0A00 : 00 01 02 03 "));

        // Three characters are used as they are; the replies never fit.
        port->commands.clear();
        control<QLineEdit>("Txt_PG")->setText("1a0");
        control<QPushButton>("Cmd_Read")->click();
        QCOMPARE(control<QLineEdit>("Txt_PG")->text(), QString("1A0"));
        QCOMPARE(port->commands.first(), QString("2721A00010"));
        QCOMPARE(dump().split("\r\n").value(15), "1A0F0 : " + QString("-- ").repeated(16));
    }

    void readIsIgnoredWhileAnotherOperationRuns()
    {
        port->answer = DemodAnswer;
        session->link.Busy = true;
        control<QPushButton>("Cmd_Read")->click();
        QVERIFY(port->commands.isEmpty());
        QVERIFY(control<QPushButton>("Cmd_Read")->isEnabled());
        session->link.Busy = false;
    }

    // A close during READ ends the dump after the transaction in progress.
    void closingDuringReadFreesTheLink()
    {
        port->answer = DemodAnswer;
        port->onCommand = [this](const QString &) {
            if (port->commands.size() == 40)
                QTimer::singleShot(0, window.data(), &QWidget::close);
        };
        control<QPushButton>("Cmd_Read")->click();
        QCOMPARE(port->commands.size(), 40);
        QVERIFY(!session->link.Busy);
        QVERIFY(!session->link.InCommand);
        QVERIFY(!session->windows.find("DL_Reg"));
        QTRY_VERIFY(window.isNull());
        QVERIFY(session->windows.create("DL_Reg"));
    }

    void exitClosesTheWindow()
    {
        control<QPushButton>("Cmd_X")->click();
        QTRY_VERIFY(window.isNull());
        QVERIFY(!session->windows.find("DL_Reg"));
    }
};

QTEST_MAIN(TestRegWindow)
#include "test_reg_window.moc"
