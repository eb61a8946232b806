#pragma once
// The serial devices present on this machine, by the names a person can
// trust from one plug-in to the next.
#include <QList>
#include <QString>

struct SerialDevice {
    QString path;          // /dev/serial/by-id/... where the system gives one, else /dev/ttyXXX
    QString description;   // "FT232R USB UART (FTDI)", or empty
};

// Present devices, those with a stable name first, then by path.
QList<SerialDevice> SerialDevices();

// What to do when an open failed for want of permission, on this system;
// empty for any other failure.
QString PermissionAdvice(const QString &openError);
