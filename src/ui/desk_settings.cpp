#include "ui/desk_settings.h"

#include "link/prompts.h"

#include <QDir>
#include <QFile>
#include <QSettings>
#include <QStandardPaths>
#include <QWidget>

namespace {

QString DeviceKey(int port) { return QStringLiteral("ports/port%1").arg(port + 1); }
QString GeometryKey(const QWidget *window) { return "geometry/" + window->objectName(); }

}   // namespace

DeskSettings::DeskSettings() = default;
DeskSettings::~DeskSettings() = default;

QString DeskSettings::UserFolder()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) + QStringLiteral("/kestrel");
}

void DeskSettings::useFolder(const QString &folder)
{
    folder_ = folder;
    store_ = std::make_unique<QSettings>(folder + QStringLiteral("/kestrel.conf"), QSettings::IniFormat);
}

QString DeskSettings::device(int port) const { return store_ ? store_->value(DeviceKey(port)).toString() : QString(); }

void DeskSettings::setDevice(int port, const QString &device)
{
    if (store_)
        store_->setValue(DeviceKey(port), device);
}

bool DeskSettings::checked(const QString &window, const QString &box) const
{
    return store_ && store_->value("checks/" + window + "/" + box).toBool();
}

void DeskSettings::setChecked(const QString &window, const QString &box, bool checked)
{
    if (store_)
        store_->setValue("checks/" + window + "/" + box, checked);
}

void DeskSettings::restoreGeometry(QWidget *window) const
{
    if (store_)
        window->restoreGeometry(store_->value(GeometryKey(window)).toByteArray());
}

void DeskSettings::saveGeometry(const QWidget *window)
{
    if (store_)
        store_->setValue(GeometryKey(window), window->saveGeometry());
}

QStringList DeskSettings::history() const
{
    QByteArray data;
    QString why;
    if (!store_ || !ReadFileBytes(folder_ + QStringLiteral("/history"), data, why))
        return {};
    return QString::fromUtf8(data).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

QString DeskSettings::saveHistory(const QStringList &commands) const
{
    if (!store_)
        return QString();
    QString why;
    if (!QDir().mkpath(folder_))
        return "Cannot create " + folder_;
    const QByteArray text = commands.isEmpty() ? QByteArray() : (commands.join(QLatin1Char('\n')) + '\n').toUtf8();
    return WriteFileBytes(folder_ + QStringLiteral("/history"), text, why) ? QString() : why;
}

QString DeskSettings::flush()
{
    if (!store_)
        return QString();
    store_->sync();
    if (store_->status() == QSettings::NoError)
        return QString();
    // The settings library gives no reason; opening the file does.
    const QString name = store_->fileName();
    QFile probe(name);
    QDir().mkpath(folder_);
    const QString reason = probe.open(QIODevice::ReadWrite) ? QStringLiteral("not replaced") : FileReason(name, probe);
    return "Cannot write " + name + " - " + reason;
}
