// The EEPROM window with the port closed: every transaction ends at once
// with an empty reply, which the window must show as bad rows or errors.
#include "eeprom/ee_window.h"
#include "ui/controls.h"
#include "ui/session.h"
#include "platform/serial_port.h"
#include "support/fake_channel.h"
#include "support/fake_serial_port.h"

#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QtTest>

namespace {

// A port that cannot be opened.
FakeSerialPort *ClosedPort()
{
    auto *port = new FakeSerialPort;
    port->openError = "no device";
    return port;
}

} // namespace

class TestEeWindow : public QObject {
    Q_OBJECT

    FakePrompter prompter_;
    Session *session_ = nullptr;
    EeWindow *window_ = nullptr;

    QPushButton *Cmd(int i) { return window_->findChild<QPushButton *>(QStringLiteral("Cmd(%1)").arg(i)); }
    QLineEdit *Edit(const char *name) { return window_->findChild<QLineEdit *>(name); }
    QString Txt() { return BoxText(window_->findChild<QPlainTextEdit *>("Txt")); }

private slots:
    void init()
    {
        session_ = new Session(ClosedPort(), &prompter_);
        window_ = new EeWindow(*session_);
    }

    void cleanup()
    {
        delete window_;
        delete session_;
    }

    void startState()
    {
        QCOMPARE(window_->objectName(), QString("DL_EE"));
        QCOMPARE(window_->windowTitle(), QString("EEPROM Data  (Command 06 or 27)"));
        QCOMPARE(Edit("Txt_PG")->text(), QString("0"));
        QCOMPARE(Edit("Txt_PG")->maxLength(), 1);
        QCOMPARE(Edit("Txt_File")->text(), QString("eeprom.bin"));
        QCOMPARE(window_->findChild<QLabel *>("L1")->text(), QString("PAGE:"));
    }

    // Without replies every row shows dashes and dots, and nothing hangs.
    void readWithoutDecoder()
    {
        Edit("Txt_PG")->setText("9");
        Cmd(0)->click();
        QCOMPARE(Edit("Txt_PG")->text(), QString("0"));
        const QStringList rows = Txt().split("\r\n");
        QCOMPARE(rows.size(), 16);
        QCOMPARE(rows[0], "0000 : " + QString("-- ").repeated(16) + ": " + QString(16, '.'));
        QCOMPARE(rows[15].left(7), QString("00F0 : "));
        QCOMPARE(window_->findChild<QLabel *>("L_S")->text(), QString());
        QVERIFY(!session_->link.Busy);
    }

    // "--" first applies the page box rule, then steps back with wrap-around.
    void previousPageOfABadBox()
    {
        Edit("Txt_PG")->setText("x");
        Cmd(1)->click();
        QCOMPARE(Edit("Txt_PG")->text(), QString("7"));
        QCOMPARE(Txt().left(7), QString("0700 : "));
        QVERIFY(!session_->link.Busy);
    }

    void fileOperationsWithoutDecoder()
    {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const QString file = dir.filePath("eeprom.bin");
        Edit("Txt_File")->setText(file);
        Cmd(3)->click();
        QCOMPARE(Txt(), QString("Reading Page 0 - Read Error!"));
        QVERIFY(!QFile::exists(file));

        QFile image(file);
        QVERIFY(image.open(QIODevice::WriteOnly));
        image.write(QByteArray(2048, '\x5A'));
        image.close();
        Cmd(4)->click();
        QCOMPARE(Txt(), QString("Writing Page 0 - Write Error!"));
        QCOMPARE(prompter_.questions.size(), 1);
        QCOMPARE(prompter_.questions[0].text, QString("This will write your I2C EEPROM."));
    }
};

QTEST_MAIN(TestEeWindow)
#include "test_ee_window.moc"
