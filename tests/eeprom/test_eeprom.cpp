// The EEPROM operations against a model of the decoder's EEPROM (command 06
// by byte address, command 27 to the I2C chip).
#include "eeprom/eeprom_ops.h"
#include "link/backups.h"
#include "link/conversions.h"
#include "support/fake_channel.h"
#include "support/test_helpers.h"

#include <QTemporaryDir>
#include <QtTest>

namespace {

// Reads answer the command as header, then the data digits; writes store the
// digits after the address and answer "060" or, in I2C mode, the command.
struct Eeprom {
    EeImage mem{};
    QString Handle(const QString &c)
    {
        const bool i2c = c.startsWith("27");
        const int at = i2c ? c.mid(4, 1).toInt(nullptr, 16) / 2 * 256 + c.mid(5, 1).toInt(nullptr, 16) * 16
                           : c.mid(3, 4).toInt(nullptr, 16);
        if (c.size() == 9 && (c.startsWith("061") || c.startsWith("272A"))) {
            QString reply = i2c ? c : c.left(7);
            for (int k = 0; k < (i2c ? 16 : c.mid(7).toInt(nullptr, 16)); ++k)
                reply += Hex2(mem[(at + k) % kEeSize]);
            return reply;
        }
        if (!c.startsWith("060") && !(c.startsWith("270A") && c.size() == 39))
            return "06E";
        for (int k = 0; 8 + 2 * k < c.size(); ++k)
            mem[(at + k) % kEeSize] = quint8(c.mid(7 + 2 * k, 2).toInt(nullptr, 16));
        return i2c ? c : "060";
    }
};

QByteArray Bytes(const EeImage &image) { return QByteArray(reinterpret_cast<const char *>(image.data()), kEeSize); }
QString BadRow(const QString &at) { return at + " : " + QString("-- ").repeated(16) + ": " + QString(16, '.'); }

// write: "File --> EE", else "EE --> File"; fileSize -1: no file before;
// commands starting with command are answered with reply; FILE in status
// stands for the file's path; sent: commands sent.
struct Failure {
    bool write;
    EepromMode mode;
    int fileSize;
    bool answer;
    QString command, reply;
    int stopAt;
    EeOutcome outcome;
    QString status;
    int sent;
};

}   // namespace

Q_DECLARE_METATYPE(Failure)

class TestEeprom : public QObject {
    Q_OBJECT

    QTemporaryDir dir_;
    Eeprom model_;
    FakeChannel link_;
    FakePrompter prompter_;
    StatusHooks status_;

private slots:
    void init()
    {
        for (int i = 0; i < kEeSize; ++i)
            model_.mem[i] = quint8(i * 7 + i / 256);
        link_ = FakeChannel{};
        link_.respond([this](const QString &c) { return model_.Handle(c); });
        prompter_ = FakePrompter{}, status_ = StatusHooks{};
    }

    // A row of a bad length shows dashes; I2C mode shows the same page, and a
    // reply of the Normal length is a bad row there. The page box takes 0..7.
    void pageView()
    {
        QCOMPARE(NormalizeEePageText("9") + PreviousEePageText("") + NextEePageText("7"), "070");
        for (int k = 0; k < 16; ++k)
            model_.mem[0x300 + k] = quint8(0x41 + k);
        link_.replyOnce("061032010", "061E");
        QCOMPARE(ShowEePage(link_, EepromMode::Normal, 3, status_.Hooks()), EeOutcome::Done);
        const QStringList rows = status_.text.split("\r\n");
        QCOMPARE(rows[0], "0300 : 41 42 43 44 45 46 47 48 49 4A 4B 4C 4D 4E 4F 50 : ABCDEFGHIJKLMNOP");
        QCOMPARE(rows[2], BadRow("0320"));
        link_.replyOnce("272A60010", QString(39, '0'));
        QCOMPARE(ShowEePage(link_, EepromMode::I2C, 3, status_.Hooks()), EeOutcome::Done);
        QCOMPARE(status_.text.split("\r\n").mid(3), rows.mid(3));
        QCOMPARE(status_.text.left(73), BadRow("0300"));
    }

    void roundTrip_data()
    {
        QTest::addColumn<EepromMode>("mode");
        QTest::addColumn<int>("commands");   // of a backup, and of a restore
        QTest::newRow("normal") << EepromMode::Normal << 16;
        QTest::newRow("i2c") << EepromMode::I2C << 128;
    }
    // A backup holds the whole EEPROM; a restore writes every byte of the file.
    void roundTrip()
    {
        QFETCH(EepromMode, mode);
        QFETCH(int, commands);
        const QString file = dir_.filePath(QTest::currentDataTag());
        QCOMPARE(SaveEeprom(link_, mode, prompter_, status_.Hooks(), file), EeOutcome::Done);
        QCOMPARE(ReadFile(file), Bytes(model_.mem));
        QCOMPARE(status_.text, "Reading Page 7\r\nSaving " + file + " - Done.");
        EeImage image{};
        for (int i = 0; i < kEeSize; ++i)
            image[i] = quint8(~model_.mem[i]);
        WriteFile(file, Bytes(image));
        QCOMPARE(WriteEeprom(link_, mode, prompter_, status_.Hooks(), file), EeOutcome::Done);
        QCOMPARE(Bytes(model_.mem), Bytes(image));
        QCOMPARE(status_.text, "Writing Page 7\r\nDone.");
        QCOMPARE(link_.sent.size(), 2 * commands);
        QCOMPARE(prompter_.questions.size(), 1);   // the restore is confirmed, a new backup file is not
    }

    // "Back up first" keeps the EEPROM as it was before the write; "Verify"
    // finds a bit that does not take the written value.
    void backUpAndVerify_data()
    {
        QTest::addColumn<int>("stuck");   // address whose bit 0 stays 0, or -1
        QTest::addColumn<QString>("end");
        QTest::newRow("verified") << -1 << "Verified.";
        QTest::newRow("stuck bit") << 0x1A3 << "Verify Error at 01A3 (read 10, written 11)!";
    }
    void backUpAndVerify()
    {
        QFETCH(int, stuck);
        QFETCH(QString, end);
        SetBackupSettingsFolder(dir_.path());
        const EeImage before = model_.mem;
        const QString file = dir_.filePath("image.bin");
        WriteFile(file, QByteArray(kEeSize, '\x11'));
        link_.respond([&](const QString &c) {
            const QString reply = model_.Handle(c);
            if (stuck >= 0)
                model_.mem[stuck] &= 0xFE;
            return reply;
        });
        const EeWriteResult r =
            WriteEeprom(link_, EepromMode::Normal, prompter_, status_.Hooks(), file, EeWriteOptions{true, true});
        SetBackupSettingsFolder(QString());
        QCOMPARE(r.outcome, stuck < 0 ? EeOutcome::Done : EeOutcome::VerifyError);
        QCOMPARE(ReadFile(r.backupFile), Bytes(before));
        QCOMPARE(status_.text.section("\r\n", -2), "Backup: " + QFileInfo(r.backupFile).fileName() + "\r\n" + end);
        QCOMPARE(r.firstDifference.value_or(-1), stuck);
        QCOMPARE(link_.sent.size(), 16 + 16 + 16);   // backup, write, read-back
        QFile::remove(r.backupFile);
    }

    // Nothing of a failed backup reaches the file; a file to restore stays as it was.
    void failures_data()
    {
        const EepromMode normal = EepromMode::Normal, i2c = EepromMode::I2C;
        QTest::addColumn<Failure>("row");
        const std::pair<const char *, Failure> rows[] = {
            {"read error",
             {false, normal, -1, true, "061020080", QString(262, '0'), -1, EeOutcome::ReadError,
              "Reading Page 2 - Read Error!", 5}},
            {"read time-out",
             {false, i2c, -1, true, "272A25", "", -1, EeOutcome::ReadError, "Reading Page 1 - Read Error!", 22}},
            {"read stop", {false, i2c, -1, true, "", "", 1, EeOutcome::UserBreak, "Reading Page 1 - User Break!", 16}},
            {"overwrite refused",
             {false, normal, 3, false, "", "", -1, EeOutcome::NotSaved, "Reading Page 7\r\nSaving FILE - Not saved.",
              16}},
            {"write refused",
             {true, normal, kEeSize, true, "06003", "06E", -1, EeOutcome::WriteError, "Writing Page 3 - Write Error!",
              7}},
            {"write time-out",
             {true, i2c, kEeSize, true, "270A2", "", -1, EeOutcome::WriteError, "Writing Page 1 - Write Error!", 17}},
            {"write stop",
             {true, normal, kEeSize, true, "", "", 2, EeOutcome::UserBreak, "Writing Page 2 - User Break!", 4}},
            {"not confirmed", {true, normal, kEeSize, false, "", "", -1, EeOutcome::Declined, "Reading FILE", 0}},
        };
        for (const auto &[name, row] : rows)
            QTest::newRow(name) << row;
    }
    void failures()
    {
        QFETCH(Failure, row);
        const QString file = dir_.filePath(QTest::currentDataTag());
        if (row.fileSize >= 0)
            WriteFile(file, QByteArray(row.fileSize, '\x11'));
        prompter_.answers = {row.answer};
        status_.stopAfterChecks = row.stopAt;
        link_.respond([&](const QString &c) {
            return !row.command.isEmpty() && c.startsWith(row.command) ? row.reply : model_.Handle(c);
        });
        const OperationHooks hooks = status_.Hooks();
        QCOMPARE(row.write ? WriteEeprom(link_, row.mode, prompter_, hooks, file)
                           : SaveEeprom(link_, row.mode, prompter_, hooks, file),
                 row.outcome);
        QCOMPARE(status_.text, QString(row.status).replace("FILE", file));
        QCOMPARE(link_.sent.size(), row.sent);
        QCOMPARE(QFileInfo::exists(file) ? QFileInfo(file).size() : -1, qint64(row.fileSize));
    }
};

QTEST_GUILESS_MAIN(TestEeprom)
#include "test_eeprom.moc"
