#pragma once
// The backup folder: what the decoder held before a write, kept as dated
// files. $XDG_STATE_HOME/kestrel/backups (normally
// ~/.local/state/kestrel/backups), or DIR/backups when the program keeps its
// settings in DIR. A backup never replaces a file: a name already taken
// gets a suffix.
#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QString>

// The name prefixes of the two kinds of backup.
inline const QString kFlashBackupPrefix = QStringLiteral("flash512k");
inline const QString kEepromBackupPrefix = QStringLiteral("eeprom");

// The folder backups go to now (not created by asking).
QString BackupFolder();
// Backups go to settingsDir/backups from now on; an empty text returns to
// the folder of the XDG rule.
void SetBackupSettingsFolder(const QString &settingsDir);

// The file name of a backup made at when: prefix + "-YYYYMMDD-HHMMSS.bin"
// ("flash512k-20250131-142501.bin"), without the folder.
QString BackupName(const QString &prefix, const QDateTime &when = QDateTime::currentDateTime());

// Writes data as a new backup named by prefix and the time when, in a
// folder created when missing, under a name not used before (a second backup
// within the same second gets "-2", "-3", ...). True with the full path in
// path; false with "Cannot write NAME - reason" in why.
[[nodiscard]] bool WriteBackup(const QString &prefix, const QByteArray &data, QString &path, QString &why,
                               const QDateTime &when = QDateTime::currentDateTime());

struct BackupEntry {
    QString path;
    QString what;     // "flash data area", "EEPROM", or the prefix of the name
    QDateTime when;   // from the name, else the file's time
    qint64 size = 0;
};
// The backups in the folder, newest first.
QList<BackupEntry> ListBackups();
