#include "platform/serial_devices.h"

#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <QSerialPortInfo>
#include <algorithm>

QList<SerialDevice> SerialDevices()
{
    // The stable names are links to the kernel's names.
    QHash<QString, QString> stableName;
    const QDir byId(QStringLiteral("/dev/serial/by-id"));
    for (const QFileInfo &link : byId.entryInfoList(QDir::Files | QDir::System | QDir::NoDotAndDotDot))
        stableName.insert(link.canonicalFilePath(), link.absoluteFilePath());

    QList<SerialDevice> devices;
    for (const QSerialPortInfo &info : QSerialPortInfo::availablePorts()) {
        SerialDevice d;
        d.path = stableName.value(QFileInfo(info.systemLocation()).canonicalFilePath(), info.systemLocation());
        d.description = info.description();
        if (!info.manufacturer().isEmpty() && !d.description.contains(info.manufacturer()))
            d.description +=
                (d.description.isEmpty() ? "" : " (") + info.manufacturer() + (d.description.isEmpty() ? "" : ")");
        devices.append(d);
    }
    std::sort(devices.begin(), devices.end(), [](const SerialDevice &a, const SerialDevice &b) {
        const bool aStable = a.path.startsWith("/dev/serial/");
        const bool bStable = b.path.startsWith("/dev/serial/");
        return aStable != bStable ? aStable : a.path < b.path;
    });
    return devices;
}

QString PermissionAdvice(const QString &openError)
{
    if (!openError.contains(QStringLiteral("ermission denied")))
        return QString();
    return QStringLiteral("Serial ports belong to the dialout group: join it with \"sudo adduser $USER dialout\", "
                          "then log out and in again.");
}
