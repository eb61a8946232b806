// The backup folder: where it is, the names of its files, that a backup
// never replaces a file, and the listing newest first.
#include "link/backups.h"
#include "support/test_helpers.h"

#include <QDir>
#include <QTemporaryDir>
#include <QtTest>

class TestBackups : public QObject {
    Q_OBJECT
    QTemporaryDir dir_;

private slots:
    void folder()
    {
        qputenv("XDG_STATE_HOME", "relative/ignored");
        QCOMPARE(BackupFolder(), QDir::homePath() + "/.local/state/kestrel/backups");
        qputenv("XDG_STATE_HOME", dir_.path().toLocal8Bit());
        QCOMPARE(BackupFolder(), dir_.path() + "/kestrel/backups");
        SetBackupSettingsFolder("/settings");
        QCOMPARE(BackupFolder(), QString("/settings/backups"));
        SetBackupSettingsFolder(QString());
        QCOMPARE(BackupName(kFlashBackupPrefix, QDateTime(QDate(2025, 1, 31), QTime(14, 25, 1))),
                 QString("flash512k-20250131-142501.bin"));
    }

    // Backups made within one second each get a name of their own; the
    // folder is created when missing; the listing starts with the newest.
    void writeAndList()
    {
        qputenv("XDG_STATE_HOME", dir_.filePath("state").toLocal8Bit());
        const QDateTime when(QDate(2025, 1, 31), QTime(14, 25, 1));
        QStringList names;
        for (const char *data : {"first", "second", "third"}) {
            QString path, why;
            QVERIFY2(WriteBackup(kEepromBackupPrefix, data, path, why, when), qPrintable(why));
            QCOMPARE(ReadFile(path), QByteArray(data));
            names << QFileInfo(path).fileName();
        }
        QCOMPARE(names,
                 (QStringList{"eeprom-20250131-142501.bin", "eeprom-20250131-142501-2.bin",
                              "eeprom-20250131-142501-3.bin"}));
        WriteFile(BackupFolder() + "/flash512k-20000101-000000.bin", QByteArray(3, 'x'));
        const QList<BackupEntry> list = ListBackups();
        QCOMPARE(list.size(), 4);
        QCOMPARE(QFileInfo(list[0].path).fileName(), names[2]);
        QCOMPARE(list[0].what, QString("EEPROM"));
        QCOMPARE(list[0].when, when);
        QCOMPARE(list[3].what, QString("flash data area"));
        QCOMPARE(list[3].size, 3);
    }
};

QTEST_GUILESS_MAIN(TestBackups)
#include "test_backups.moc"
