// The flash window over a serial port double that answers, on the event
// loop, like the decoder's two flash chips.
#include "fake_flash_channel.h"
#include "flash/flash_window.h"
#include "ui/session.h"
#include "platform/serial_port.h"
#include "support/fake_channel.h"
#include "support/fake_serial_port.h"

#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <QtTest>

namespace {

// A port whose far end is the two flash chips.
class ChipPort : public FakeSerialPort {
public:
    ChipPort()
    {
        answer = [this](const QString &command) { return chips.SendCmd(command, false).toLatin1(); };
    }
    FakeFlashChannel chips;
};

} // namespace

class TestFlashWindow : public QObject {
    Q_OBJECT

    FakePrompter prompter_;
    ChipPort *port_ = nullptr;
    Session *session_ = nullptr;
    FlashWindow *window_ = nullptr;

    QCheckBox *Chk(int i) { return window_->findChild<QCheckBox *>(QStringLiteral("Chk(%1)").arg(i)); }
    QPushButton *Cmd(int i) { return window_->findChild<QPushButton *>(QStringLiteral("Cmd(%1)").arg(i)); }
    QString L1() { return window_->findChild<QLabel *>("L1")->text(); }

private slots:
    void init()
    {
        port_ = new ChipPort;
        session_ = new Session(port_, &prompter_);
        QVERIFY(session_->link.openPort("chips", "9600,E,7,1").isEmpty());
        window_ = new FlashWindow(*session_);
    }

    void cleanup()
    {
        delete window_;
        delete session_;
    }

    void startState()
    {
        QCOMPARE(window_->objectName(), QString("DL_Flh"));
        QCOMPARE(window_->windowTitle(), QString("Flash Eeprom Read/Write"));
        QCOMPARE(Cmd(0)->toolTip(), QString("7FE00000 - 7FE7FFFF"));
        QCOMPARE(Cmd(1)->toolTip(), QString("7FE80000 - 7FFFFFFF"));
        QCOMPARE(Cmd(2)->toolTip(), QString("7FE00000 - 7FFFFFFF"));
        QCOMPARE(Cmd(4)->toolTip(), QString("7FE00000 - 7FE7FFFF"));
        QCOMPARE(Cmd(5)->toolTip(), QString("Erase and Write the selected blocks only"));
        QVERIFY(!window_->BottomBoot);
        QVERIFY(!window_->StopFlag);
    }

    // Until bottom-boot chips are seen, the first two boxes share an erase block.
    void couplingFollowsTheChips()
    {
        Chk(0)->setChecked(true);
        window_->Chk_Click(0);
        QVERIFY(Chk(1)->isChecked());
        Chk(1)->setChecked(false);
        window_->Chk_Click(1);
        QVERIFY(!Chk(0)->isChecked());

        window_->BottomBoot = true;
        Chk(0)->setChecked(true);
        window_->Chk_Click(0);
        QVERIFY(!Chk(1)->isChecked());
        // The other boxes never move each other.
        Chk(2)->setChecked(false);
        window_->Chk_Click(2);
        QVERIFY(Chk(3)->isChecked());
        QVERIFY(Chk(0)->isChecked());
    }

    // Each successful identification sets BottomBoot anew; a failed one
    // leaves it and the enabled controls as they were.
    void identificationAgainWithOtherChips()
    {
        Cmd(3)->click();
        QCOMPARE(L1(), QString("20 EC ST-M29F800AT Prot:UUUUUUUUUUUUUUUUUUU"));
        QVERIFY(!window_->BottomBoot);
        QVERIFY(Chk(0)->isChecked());
        QVERIFY(Chk(1)->isChecked());
        Chk(0)->click();
        QVERIFY(!Chk(1)->isChecked());

        port_->chips.evenDevice = port_->chips.oddDevice = 0x58;
        Cmd(3)->click();
        QCOMPARE(L1(), QString("20 58 ST-M29F800AB Prot:UUUUUUUUUUUUUUUUUUU"));
        QVERIFY(window_->BottomBoot);
        QVERIFY(!Chk(0)->isChecked());   // left as it was
        Chk(0)->click();
        QVERIFY(Chk(0)->isChecked());
        QVERIFY(!Chk(1)->isChecked());

        port_->chips.evenDevice = port_->chips.oddDevice = 0x99;
        Cmd(3)->click();
        QCOMPARE(L1(), QString("20 99 Unknown Device Code!"));
        QVERIFY(window_->BottomBoot);
        QVERIFY(Cmd(4)->isEnabled());
        QVERIFY(Cmd(5)->isEnabled());
        QVERIFY(Chk(5)->isEnabled());
    }

    // A click while another operation runs is ignored.
    void busyLinkIgnoresClicks()
    {
        session_->link.Busy = true;
        Cmd(3)->click();
        QCOMPARE(port_->chips.transactions(), 0);
        QCOMPARE(L1(), QString());
        session_->link.Busy = false;
    }
};

QTEST_MAIN(TestFlashWindow)
#include "test_flash_window.moc"
