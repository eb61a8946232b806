#include "eeprom/eeprom_ops.h"
#include "link/conversions.h"
#include "support/fake_channel.h"
#include "support/test_helpers.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

namespace {

// A decoder EEPROM answering both command 06 and the I2C command 27 the way
// the decoder does: reads echo the command as header, then the data digits.
struct EepromModel {
    EeImage mem{};
    QString Handle(const QString &cmd)
    {
        if (cmd.startsWith("061") && cmd.size() == 9) {
            const int addr = cmd.mid(3, 4).toInt(nullptr, 16);
            const int count = cmd.mid(7, 2).toInt(nullptr, 16);
            return cmd.left(7) + Digits(addr, count);
        }
        if (cmd.startsWith("060") && cmd.size() > 7) {
            Store(cmd.mid(3, 4).toInt(nullptr, 16), cmd.mid(7));
            return "060";
        }
        if (cmd.startsWith("272A") && cmd.size() == 9)
            return cmd + Digits(I2cAddress(cmd), 16);
        if (cmd.startsWith("270A") && cmd.size() == 39) {
            Store(I2cAddress(cmd), cmd.mid(7));
            return cmd;
        }
        return "06E";
    }
    static int I2cAddress(const QString &cmd)
    {
        return cmd.mid(4, 1).toInt(nullptr, 16) / 2 * 256 + cmd.mid(5, 1).toInt(nullptr, 16) * 16;
    }
    QString Digits(int addr, int count) const
    {
        QString s;
        for (int k = 0; k < count; ++k)
            s += Hex2(mem[(addr + k) % kEeSize]);
        return s;
    }
    void Store(int addr, const QString &digits)
    {
        for (int k = 0; 2 * k + 1 < digits.size(); ++k)
            mem[(addr + k) % kEeSize] = quint8(digits.mid(2 * k, 2).toInt(nullptr, 16));
    }
};

EeImage Pattern()
{
    EeImage image{};
    for (int i = 0; i < kEeSize; ++i)
        image[i] = quint8((i * 7 + i / 256) & 0xFF);
    return image;
}

QByteArray Bytes(const EeImage &image)
{
    return QByteArray(reinterpret_cast<const char *>(image.data()), kEeSize);
}

} // namespace

class TestEepromOps : public QObject {
    Q_OBJECT

    QTemporaryDir dir_;
    EepromModel model_;
    FakeChannel link_;
    FakePrompter prompter_;
    StatusHooks status_;

    QString Path(const QString &name) { return dir_.filePath(name); }

private slots:
    void init()
    {
        model_ = EepromModel{};
        model_.mem = Pattern();
        link_ = FakeChannel{};
        link_.respond([this](const QString &c) { return model_.Handle(c); });
        prompter_ = FakePrompter{};
        status_ = StatusHooks{};
    }

    void pageBoxRule_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("normalized");
        QTest::addColumn<QString>("previous");
        QTest::addColumn<QString>("next");
        QTest::newRow("empty") << "" << "0" << "7" << "1";
        QTest::newRow("8") << "8" << "0" << "7" << "1";
        QTest::newRow("a") << "a" << "0" << "7" << "1";
        QTest::newRow("space") << " " << "0" << "7" << "1";
        QTest::newRow("0") << "0" << "0" << "7" << "1";
        QTest::newRow("7") << "7" << "7" << "6" << "0";
        QTest::newRow("3") << "3" << "3" << "2" << "4";
    }
    void pageBoxRule()
    {
        QFETCH(QString, text);
        QFETCH(QString, normalized);
        QFETCH(QString, previous);
        QFETCH(QString, next);
        QCOMPARE(NormalizeEePageText(text), normalized);
        QCOMPARE(PreviousEePageText(text), previous);
        QCOMPARE(NextEePageText(text), next);
    }

    void readPageCommandsPerMode()
    {
        QCOMPARE(ShowEePage(link_, EepromMode::Normal, 3, status_.Hooks()), EeOutcome::Done);
        QStringList expected;
        for (const char *r : {"0", "1", "2", "3", "4", "5", "6", "7", "8", "9", "A", "B", "C", "D", "E", "F"})
            expected << QString("06103") + r + "010";
        QCOMPARE(link_.commands(), expected);
        QCOMPARE(link_.timeoutsSet, QList<int>{500});
        for (const auto &s : link_.sent)
            QVERIFY(!s.show);

        link_.clearRecord();
        ShowEePage(link_, EepromMode::I2C, 3, status_.Hooks());
        QCOMPARE(link_.commands().size(), 16);
        QCOMPARE(link_.commands().first(), QString("272A60010"));
        QCOMPARE(link_.commands().last(), QString("272A6F010"));
        QCOMPARE(EeReadRowCommand(EepromMode::I2C, 7, 15), QString("272AEF010"));
    }

    void pageViewRows()
    {
        // Row 0 bytes are 41 42 ... ; row 1 arrives with lower-case digits and
        // row 2 with a bad length.
        for (int k = 0; k < 16; ++k)
            model_.mem[0x100 + k] = quint8(0x41 + k);
        link_.replyOnce("061011010", "0610110" + QString("ab").repeated(16));
        link_.replyOnce("061012010", "061E");
        QList<QString> bars;
        QCOMPARE(ShowEePage(link_, EepromMode::Normal, 1, status_.Hooks(),
                            [&](const QString &bar) { bars << bar; }),
                 EeOutcome::Done);

        const QStringList rows = status_.text.split("\r\n");
        QCOMPARE(rows.size(), 16);
        QCOMPARE(rows[0], QString("0100 : 41 42 43 44 45 46 47 48 49 4A 4B 4C 4D 4E 4F 50 : ABCDEFGHIJKLMNOP"));
        QCOMPARE(rows[1], QString("0110 : ") + QString("ab ").repeated(16) + ": " + QString(16, '.'));
        QCOMPARE(rows[2], QString("0120 : ") + QString("-- ").repeated(16) + ": " + QString(16, '.'));
        QVERIFY(rows[15].startsWith("01F0 : "));
        QVERIFY(!status_.text.endsWith("\r\n"));
        QCOMPARE(bars.size(), 16);
        QCOMPARE(bars.first(), QString(15, '='));
        QCOMPARE(bars.last(), QString());
    }

    void pageViewI2cBadReply()
    {
        // 39 characters is the Normal length; in I2C mode it is a bad row.
        link_.replyOnce("272A00010", QString(39, '0'));
        ShowEePage(link_, EepromMode::I2C, 0, status_.Hooks());
        QCOMPARE(status_.text.split("\r\n")[0], QString("0000 : ") + QString("-- ").repeated(16) + ": " + QString(16, '.'));
        QCOMPARE(EeRowView(EepromMode::I2C, 0, 0, "x"), status_.text.split("\r\n")[0]);
    }

    void readStopShowsNothingOfThePage()
    {
        status_.stopAfterChecks = 5;
        QCOMPARE(ShowEePage(link_, EepromMode::Normal, 0, status_.Hooks()), EeOutcome::UserBreak);
        QCOMPARE(status_.text, QString(" - User Break!"));
        QCOMPARE(link_.sent.size(), 5);
    }

    void saveBothModes_data()
    {
        QTest::addColumn<int>("mode");
        QTest::addColumn<int>("commands");
        QTest::newRow("normal") << int(EepromMode::Normal) << 16;
        QTest::newRow("i2c") << int(EepromMode::I2C) << 128;
    }
    void saveBothModes()
    {
        QFETCH(int, mode);
        QFETCH(int, commands);
        const QString file = Path(QString("eeprom%1.bin").arg(mode));
        QCOMPARE(SaveEeprom(link_, EepromMode(mode), prompter_, status_.Hooks(), file), EeOutcome::Done);
        QCOMPARE(link_.sent.size(), commands);
        QCOMPARE(link_.timeoutsSet, QList<int>{750});
        QCOMPARE(ReadFile(file), Bytes(model_.mem));
        QCOMPARE(status_.text, "Reading Page 7\r\nSaving " + file + " - Done.");
        if (EepromMode(mode) == EepromMode::Normal) {
            QCOMPARE(link_.commands().mid(0, 3), (QStringList{"061000080", "061008080", "061010080"}));
            QCOMPARE(link_.commands().last(), QString("061078080"));
        } else {
            QCOMPARE(link_.commands().first(), QString("272A00010"));
            QCOMPARE(link_.commands().last(), QString("272AEF010"));
        }
        QVERIFY(prompter_.questions.isEmpty());   // a new file is written without asking
    }

    void saveReadErrorWritesNothing()
    {
        link_.reply("061020080", QString(262, '0'));
        const QString file = Path("e.bin");
        QCOMPARE(SaveEeprom(link_, EepromMode::Normal, prompter_, status_.Hooks(), file), EeOutcome::ReadError);
        QCOMPARE(status_.text, QString("Reading Page 2 - Read Error!"));
        QCOMPARE(link_.sent.size(), 5);   // pages 0, 1 and the first half of 2; no retry
        QVERIFY(!QFile::exists(file));
    }

    void saveStop()
    {
        status_.stopAfterChecks = 1;
        const QString file = Path("e.bin");
        QCOMPARE(SaveEeprom(link_, EepromMode::I2C, prompter_, status_.Hooks(), file), EeOutcome::UserBreak);
        QCOMPARE(status_.text, QString("Reading Page 1 - User Break!"));
        QCOMPARE(link_.sent.size(), 16);
        QVERIFY(!QFile::exists(file));
    }

    void saveOverwriteRefused()
    {
        const QString file = Path("old.bin");
        WriteFile(file, "old");
        prompter_.answers = {false};
        QCOMPARE(SaveEeprom(link_, EepromMode::Normal, prompter_, status_.Hooks(), file), EeOutcome::NotSaved);
        QCOMPARE(status_.text, "Reading Page 7\r\nSaving " + file + " - Not saved.");
        QCOMPARE(prompter_.questions.size(), 1);
        QCOMPARE(prompter_.questions[0].text, "Overwrite " + file + " ?");
        QCOMPARE(ReadFile(file), QByteArray("old"));
    }

    void saveUnwritableFileIsNotDone()
    {
        if (!QFileInfo::exists("/dev/full"))
            QSKIP("no /dev/full on this system");
        const EeOutcome outcome = SaveEeprom(link_, EepromMode::Normal, prompter_, status_.Hooks(), "/dev/full");
        QCOMPARE(outcome, EeOutcome::FileError);
        QVERIFY(!status_.text.contains("Done."));
        QVERIFY(status_.text.endsWith(" - Cannot write file!"));
    }

    void writeMissingOrEmptyFile()
    {
        const QString missing = Path("none.bin");
        QCOMPARE(WriteEeprom(link_, EepromMode::Normal, prompter_, status_.Hooks(), missing), EeOutcome::NotFound);
        QCOMPARE(status_.text, missing + " not found!");
        const QString empty = Path("empty.bin");
        WriteFile(empty, QByteArray());
        QCOMPARE(WriteEeprom(link_, EepromMode::Normal, prompter_, status_.Hooks(), empty), EeOutcome::NotFound);
        QVERIFY(link_.sent.isEmpty());
        QVERIFY(prompter_.questions.isEmpty());
    }

    void writeWrongLength_data()
    {
        QTest::addColumn<int>("size");
        QTest::newRow("2047") << 2047;
        QTest::newRow("2049") << 2049;
    }
    void writeWrongLength()
    {
        QFETCH(int, size);
        const QString file = Path("wrong.bin");
        WriteFile(file, QByteArray(size, 'x'));
        QCOMPARE(WriteEeprom(link_, EepromMode::I2C, prompter_, status_.Hooks(), file), EeOutcome::WrongLength);
        QCOMPARE(status_.text, "Reading " + file + " - File is not 2048 bytes !!!");
        QVERIFY(link_.sent.isEmpty());
        QVERIFY(prompter_.questions.isEmpty());
    }

    void writeDeclinedSendsNothing()
    {
        const QString file = Path("img.bin");
        WriteFile(file, QByteArray(kEeSize, 'x'));
        prompter_.answers = {false};
        QCOMPARE(WriteEeprom(link_, EepromMode::Normal, prompter_, status_.Hooks(), file), EeOutcome::Declined);
        QCOMPARE(prompter_.questions.size(), 1);
        QCOMPARE(prompter_.questions[0].title, QString("Are you sure ?"));
        QCOMPARE(prompter_.questions[0].text, QString("This will write your I2C EEPROM."));
        QVERIFY(link_.sent.isEmpty());
    }

    void writeBothModes_data()
    {
        QTest::addColumn<int>("mode");
        QTest::addColumn<int>("commands");
        QTest::addColumn<int>("length");
        QTest::newRow("normal") << int(EepromMode::Normal) << 16 << 263;
        QTest::newRow("i2c") << int(EepromMode::I2C) << 128 << 39;
    }
    void writeBothModes()
    {
        QFETCH(int, mode);
        QFETCH(int, commands);
        QFETCH(int, length);
        EeImage image{};
        for (int i = 0; i < kEeSize; ++i)
            image[i] = quint8((255 - (i & 0xFF)) ^ (i >> 8));
        const QString file = Path("img.bin");
        WriteFile(file, Bytes(image));
        QCOMPARE(WriteEeprom(link_, EepromMode(mode), prompter_, status_.Hooks(), file), EeOutcome::Done);
        QCOMPARE(link_.sent.size(), commands);
        for (const auto &s : link_.sent)
            QCOMPARE(s.command.size(), length);
        QCOMPARE(Bytes(model_.mem), Bytes(image));
        QCOMPARE(status_.text, QString("Writing Page 7\r\nDone."));
        QCOMPARE(link_.timeoutsSet, QList<int>{750});
        if (EepromMode(mode) == EepromMode::Normal)
            QCOMPARE(link_.commands()[1].left(7), QString("0600080"));
        else
            QCOMPARE(link_.commands()[17].left(7), QString("270A210"));
    }

    void writeErrorAndStop()
    {
        const QString file = Path("img.bin");
        WriteFile(file, QByteArray(kEeSize, '\x11'));
        link_.respond([this](const QString &c) {
            return c.startsWith("06003") ? QString("06E") : model_.Handle(c);
        });
        QCOMPARE(WriteEeprom(link_, EepromMode::Normal, prompter_, status_.Hooks(), file), EeOutcome::WriteError);
        QCOMPARE(status_.text, QString("Writing Page 3 - Write Error!"));
        QCOMPARE(link_.sent.size(), 7);

        init();
        // I2C writes need 39 characters back, whatever they hold.
        link_.respond([this](const QString &c) { return c.startsWith("270A") ? QString(38, 'x') : model_.Handle(c); });
        QCOMPARE(WriteEeprom(link_, EepromMode::I2C, prompter_, status_.Hooks(), file), EeOutcome::WriteError);
        QCOMPARE(status_.text, QString("Writing Page 0 - Write Error!"));

        init();
        status_.stopAfterChecks = 2;
        QCOMPARE(WriteEeprom(link_, EepromMode::Normal, prompter_, status_.Hooks(), file), EeOutcome::UserBreak);
        QCOMPARE(status_.text, QString("Writing Page 2 - User Break!"));
        QCOMPARE(link_.sent.size(), 4);
    }

    void replyParsingIsBoundsSafe()
    {
        EeImage image{};
        QVERIFY(!StoreEeSaveReply(EepromMode::Normal, 0, 0, QString(262, 'F'), image));
        QVERIFY(!StoreEeSaveReply(EepromMode::I2C, 7, 16, QString(41, 'F'), image));
        QVERIFY(StoreEeSaveReply(EepromMode::I2C, 7, 15, QString(9, '0') + QString(32, 'F'), image));
        QCOMPARE(int(image[kEeSize - 1]), 0xFF);
        QCOMPARE(int(image[kEeSize - 17]), 0);
        QVERIFY(EeWriteReplyOk(EepromMode::Normal, "060"));
        QVERIFY(!EeWriteReplyOk(EepromMode::Normal, "061"));
    }
};

QTEST_GUILESS_MAIN(TestEepromOps)
#include "test_eeprom_ops.moc"
