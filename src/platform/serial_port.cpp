#include "platform/serial_port.h"

#include <QFile>
#include <QFileInfo>
#include <QSerialPort>
#include <QSocketNotifier>
#include <QStringList>
#include <cerrno>
#include <csignal>
#include <unistd.h>

namespace {

// The folders serial-port lock files are kept in, where the serial port
// library looks for them.
const char *const kLockFolders[] = {"/var/lock", "/etc/locks", "/var/spool/locks",  "/var/spool/uucp",
                                    "/tmp",      "/var/tmp",   "/var/lock/lockdev", "/run/lock"};

// "LCK..ttyUSB0" for /dev/ttyUSB0, "LCK..pts_3" for /dev/pts/3.
QString LockFileName(const QString &device)
{
    QString name = device.startsWith(QLatin1String("/dev/")) ? device.mid(5) : device;
    return QStringLiteral("LCK..") + name.replace(QLatin1Char('/'), QLatin1Char('_'));
}

bool IsRunning(qint64 pid) { return ::kill(pid_t(pid), 0) == 0 || errno == EPERM; }

QString ProcessName(qint64 pid)
{
    QFile comm(QStringLiteral("/proc/%1/comm").arg(pid));
    return comm.open(QIODevice::ReadOnly) ? QString::fromLocal8Bit(comm.readAll()).trimmed() : QString();
}

// "process 1234 (minicom)" when a lock file names a process other than this
// one that still runs; a lock left by a process that ended means nothing.
QString PortHolder(const QString &device)
{
    for (const char *folder : kLockFolders) {
        QFile lock(QLatin1String(folder) + QLatin1Char('/') + LockFileName(device));
        if (!lock.open(QIODevice::ReadOnly))
            continue;
        // The first line holds the process number, in text.
        bool ok = false;
        const qint64 pid = QString::fromLatin1(lock.readLine(64)).trimmed().toLongLong(&ok);
        if (!ok || pid <= 0 || pid == ::getpid() || !IsRunning(pid))
            continue;
        const QString name = ProcessName(pid);
        return QStringLiteral("process %1").arg(pid) + (name.isEmpty() ? QString() : " (" + name + ")");
    }
    return QString();
}

// Why the port library refused the device, in the words of a user: a lock
// held by another program, or a device another program keeps to itself,
// reads as "in use" rather than as a permission error.
QString OpenFailure(const QSerialPort &port, const QString &device)
{
    if (port.error() != QSerialPort::PermissionError)
        return port.errorString();
    const bool permitted = ::access(QFile::encodeName(device).constData(), R_OK | W_OK) == 0;
    return permitted ? QStringLiteral("in use by another program") : port.errorString();
}

}   // namespace

bool ParsePortSettings(const QString &text, PortSettings &out)
{
    const QStringList parts = text.split(',');
    if (parts.size() != 4)
        return false;
    bool ok = false;
    const qint32 baud = parts[0].toInt(&ok);
    if (!ok || baud <= 0)
        return false;
    const QString parity = parts[1].toUpper();
    if (parity != "E" && parity != "O" && parity != "N")
        return false;
    const int data = parts[2].toInt(&ok);
    if (!ok || data < 5 || data > 8)
        return false;
    const int stop = parts[3].toInt(&ok);
    if (!ok || (stop != 1 && stop != 2))
        return false;
    out = {baud, parity[0].toLatin1(), data, stop};
    return true;
}

QSerialPortAdapter::QSerialPortAdapter(QObject *parent) : SerialPort(parent), port_(new QSerialPort(this))
{
    // Only append here: this Qt version does not emit readyRead again while
    // a slot of it is still running, so the receiver must never wait in it.
    connect(port_, &QSerialPort::readyRead, this, &SerialPort::dataReceived);
    connect(port_, &QSerialPort::errorOccurred, this, [this](QSerialPort::SerialPortError error) {
        // A hang-up shows as a stream of read errors (or a resource error
        // after a failed write); any error but a time-out means the device
        // is gone. Report it once; the owner closes the port.
        if (error != QSerialPort::NoError && error != QSerialPort::TimeoutError)
            reportLost();
    });
}

void QSerialPortAdapter::reportLost()
{
    if (!port_->isOpen() || lostReported_)
        return;
    lostReported_ = true;
    // The system's words for a vanished device name an ioctl or an I/O
    // error; what the user needs to know is that the device went away.
    emit deviceLost(QStringLiteral("the device is gone (unplugged or hung up)"));
}

QSerialPortAdapter::~QSerialPortAdapter() = default;

QString QSerialPortAdapter::open(const QString &device, const QString &settings)
{
    close();
    PortSettings s;
    if (!ParsePortSettings(settings, s))
        return QStringLiteral("invalid port settings \"%1\"").arg(settings);
    // A lock naming a running program refuses the port before the device
    // is touched at all.
    if (const QString holder = PortHolder(device); !holder.isEmpty())
        return "in use by " + holder;
    port_->setPortName(device);
    if (!port_->open(QIODevice::ReadWrite)) {
        const QString why = OpenFailure(*port_, device);
        port_->clearError();
        return why;
    }
    // A pseudo-terminal keeps the speed but forces 8 data bits without
    // parity; the far end judges the line by the speed alone.
    const bool pseudo = QFileInfo(device).canonicalFilePath().startsWith(QLatin1String("/dev/pts/"));
    const bool framed = pseudo
        || (port_->setParity(s.parity == 'E'       ? QSerialPort::EvenParity
                                 : s.parity == 'O' ? QSerialPort::OddParity
                                                   : QSerialPort::NoParity)
            && port_->setDataBits(static_cast<QSerialPort::DataBits>(s.dataBits)));
    const bool configured = port_->setBaudRate(s.baud) && framed
        && port_->setStopBits(s.stopBits == 2 ? QSerialPort::TwoStop : QSerialPort::OneStop)
        && port_->setFlowControl(QSerialPort::NoFlowControl);
    if (!configured) {
        const QString why = port_->errorString();
        port_->close();
        port_->clearError();
        return why;
    }
    // Opening does not flush what arrived before: start from an empty line.
    port_->clear();
    port_->readAll();
    lostReported_ = false;
    writable_ = new QSocketNotifier(port_->handle(), QSocketNotifier::Write, this);
    writable_->setEnabled(false);
    connect(writable_, &QSocketNotifier::activated, this, [this] { writePending(); });
    return QString();
}

void QSerialPortAdapter::close()
{
    delete writable_;
    writable_ = nullptr;
    pending_.clear();
    if (port_->isOpen())
        port_->close();
    port_->clearError();
}

bool QSerialPortAdapter::isOpen() const { return port_->isOpen(); }

QString QSerialPortAdapter::device() const { return port_->portName(); }

bool QSerialPortAdapter::write(const QByteArray &data)
{
    if (!port_->isOpen() || !writable_)
        return false;
    pending_ += data;
    return writePending();
}

// Straight to the driver, as much as it takes now: a long command (a macro
// line of many kilobytes) fills its buffer, and the rest waits for the
// notifier, never counted as a failure of the device.
bool QSerialPortAdapter::writePending()
{
    if (!port_->isOpen()) {
        pending_.clear();
        return false;
    }
    qsizetype done = 0;
    while (done < pending_.size()) {
        const ssize_t n = ::write(port_->handle(), pending_.constData() + done, size_t(pending_.size() - done));
        if (n > 0) {
            done += n;
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK))
            break;
        pending_.clear();
        writable_->setEnabled(false);
        reportLost();
        return false;
    }
    pending_.remove(0, done);
    writable_->setEnabled(!pending_.isEmpty());
    return true;
}

QByteArray QSerialPortAdapter::readAll() { return port_->isOpen() ? port_->readAll() : QByteArray(); }
