#include "platform/serial_port.h"

#include <QFileInfo>
#include <QSerialPort>
#include <QStringList>
#include <cerrno>
#include <unistd.h>

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

QSerialPortAdapter::QSerialPortAdapter(QObject *parent)
    : SerialPort(parent), port_(new QSerialPort(this))
{
    // Only append here: this Qt version does not emit readyRead again while
    // a slot of it is still running, so the receiver must never wait in it.
    connect(port_, &QSerialPort::readyRead, this, &SerialPort::dataReceived);
    connect(port_, &QSerialPort::errorOccurred, this, [this](QSerialPort::SerialPortError error) {
        // A hang-up shows as a stream of read errors (or a resource error
        // after a failed write); any error but a time-out means the device
        // is gone. Report it once; the owner closes the port.
        if (error == QSerialPort::NoError || error == QSerialPort::TimeoutError)
            return;
        if (!port_->isOpen() || lostReported_)
            return;
        lostReported_ = true;
        emit deviceLost(port_->errorString());
    });
}

QSerialPortAdapter::~QSerialPortAdapter() = default;

QString QSerialPortAdapter::open(const QString &device, const QString &settings)
{
    close();
    PortSettings s;
    if (!ParsePortSettings(settings, s))
        return QStringLiteral("invalid port settings \"%1\"").arg(settings);
    port_->setPortName(device);
    if (!port_->open(QIODevice::ReadWrite)) {
        const QString why = port_->errorString();
        port_->clearError();
        return why;
    }
    // A pseudo-terminal keeps the speed but forces 8 data bits without
    // parity; the far end judges the line by the speed alone.
    const bool pseudo = QFileInfo(device).canonicalFilePath().startsWith(QLatin1String("/dev/pts/"));
    const bool framed = pseudo
        || (port_->setParity(s.parity == 'E' ? QSerialPort::EvenParity
                             : s.parity == 'O' ? QSerialPort::OddParity : QSerialPort::NoParity)
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
    return QString();
}

void QSerialPortAdapter::close()
{
    if (port_->isOpen())
        port_->close();
    port_->clearError();
}

bool QSerialPortAdapter::isOpen() const { return port_->isOpen(); }

QString QSerialPortAdapter::device() const { return port_->portName(); }

bool QSerialPortAdapter::write(const QByteArray &data)
{
    if (!port_->isOpen())
        return false;
    // Straight to the driver: a command fits in its buffer, and going through
    // the port's own write buffer would switch a write notifier on and off
    // for every command, each switch waking the event loop once more.
    qint64 done = 0;
    while (done < data.size()) {
        const ssize_t n = ::write(port_->handle(), data.constData() + done, size_t(data.size() - done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        done += n;
    }
    if (done == data.size())
        return true;
    // The driver's buffer is full (or it failed): the port queues the rest
    // and reports a failure through its error signal.
    const QByteArray rest = data.mid(done);
    const bool queued = port_->write(rest) == rest.size();
    port_->flush();
    return queued;
}

QByteArray QSerialPortAdapter::readAll()
{
    return port_->isOpen() ? port_->readAll() : QByteArray();
}
