#include "link/backups.h"

#include "link/prompts.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <algorithm>

namespace {

constexpr int kMaxSuffix = 1000;
const QString kTimeFormat = QStringLiteral("yyyyMMdd-HHmmss");

QString &SettingsFolder()
{
    static QString folder;
    return folder;
}

// The XDG rule: a relative or empty XDG_STATE_HOME is ignored.
QString StateHome()
{
    const QString state = qEnvironmentVariable("XDG_STATE_HOME");
    if (!state.isEmpty() && QDir::isAbsolutePath(state))
        return state;
    return QDir::homePath() + QStringLiteral("/.local/state");
}

QString Describe(const QString &prefix)
{
    if (prefix == kFlashBackupPrefix)
        return QStringLiteral("flash data area");
    if (prefix == kEepromBackupPrefix)
        return QStringLiteral("EEPROM");
    return prefix;
}

}   // namespace

QString BackupFolder()
{
    const QString &settings = SettingsFolder();
    return settings.isEmpty() ? StateHome() + QStringLiteral("/kestrel/backups")
                              : settings + QStringLiteral("/backups");
}

void SetBackupSettingsFolder(const QString &settingsDir) { SettingsFolder() = settingsDir; }

QString BackupName(const QString &prefix, const QDateTime &when)
{
    return prefix + QLatin1Char('-') + when.toString(kTimeFormat) + QStringLiteral(".bin");
}

bool WriteBackup(const QString &prefix, const QByteArray &data, QString &path, QString &why, const QDateTime &when)
{
    const QString folder = BackupFolder();
    if (!QDir().mkpath(folder)) {
        why = QStringLiteral("Cannot write ") + folder + QStringLiteral(" - ")
            + WithReason(QStringLiteral("cannot create the folder"), WriteRefusal(folder));
        return false;
    }
    const QString base = folder + QLatin1Char('/') + BackupName(prefix, when).chopped(4);
    for (int n = 1; n <= kMaxSuffix; ++n) {
        path = base + (n == 1 ? QString() : QStringLiteral("-%1").arg(n)) + QStringLiteral(".bin");
        // The name is taken first, so that no other backup can land on it;
        // the data then replaces the empty file in one step.
        QFile reserved(path);
        if (!reserved.open(QIODevice::WriteOnly | QIODevice::NewOnly)) {
            if (QFileInfo::exists(path))
                continue;
            why = QStringLiteral("Cannot write ") + path + QStringLiteral(" - ") + FileReason(path, reserved);
            return false;
        }
        reserved.close();
        if (WriteFileBytes(path, data, why))
            return true;
        QFile::remove(path);
        return false;
    }
    why = QStringLiteral("Cannot write ") + base + QStringLiteral(".bin - every suffix is taken");
    return false;
}

QList<BackupEntry> ListBackups()
{
    static const QRegularExpression pattern(QStringLiteral("^(.+)-(\\d{8}-\\d{6})(?:-(\\d+))?\\.bin$"));
    struct Sorted {
        BackupEntry entry;
        int suffix;
    };
    QList<Sorted> found;
    const QFileInfoList files = QDir(BackupFolder()).entryInfoList({QStringLiteral("*.bin")}, QDir::Files);
    for (const QFileInfo &info : files) {
        const QRegularExpressionMatch m = pattern.match(info.fileName());
        BackupEntry entry{info.filePath(), info.completeBaseName(), info.lastModified(), info.size()};
        int suffix = 1;
        if (m.hasMatch()) {
            entry.what = Describe(m.captured(1));
            if (const QDateTime when = QDateTime::fromString(m.captured(2), kTimeFormat); when.isValid())
                entry.when = when;
            suffix = m.captured(3).isEmpty() ? 1 : m.captured(3).toInt();
        }
        found.append({entry, suffix});
    }
    std::sort(found.begin(), found.end(), [](const Sorted &a, const Sorted &b) {
        if (a.entry.when != b.entry.when)
            return a.entry.when > b.entry.when;
        return a.suffix != b.suffix ? a.suffix > b.suffix : a.entry.path > b.entry.path;
    });
    QList<BackupEntry> entries;
    for (const Sorted &s : found)
        entries.append(s.entry);
    return entries;
}
