#pragma once
// The serial port as the link uses it: open with a settings text, write,
// read what has arrived, and two notifications. The application uses the
// QSerialPort implementation; unit tests substitute their own.
#include <QByteArray>
#include <QObject>
#include <QString>

class SerialPort : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;
    // Opens device with a settings text such as "9600,E,7,1". Returns the
    // empty text on success, otherwise why it failed.
    virtual QString open(const QString &device, const QString &settings) = 0;
    virtual void close() = 0;
    virtual bool isOpen() const = 0;
    virtual QString device() const = 0;
    // Hands data to the line; what the driver cannot take at once goes out
    // as it makes room, in order. False when the port is closed or failed.
    virtual bool write(const QByteArray &data) = 0;
    virtual QByteArray readAll() = 0;

signals:
    // Characters have arrived.
    void dataReceived();
    // The device failed while open (unplugged, hung up); emitted once per
    // failure, the port is left for the owner to close.
    void deviceLost(const QString &reason);
};

struct PortSettings {
    qint32 baud = 0;
    char parity = 'E';
    int dataBits = 7;
    int stopBits = 1;
};
// Parses "9600,E,7,1"; false when the text is not a valid settings text.
bool ParsePortSettings(const QString &text, PortSettings &out);

class QSerialPortAdapter : public SerialPort {
    Q_OBJECT
public:
    explicit QSerialPortAdapter(QObject *parent = nullptr);
    ~QSerialPortAdapter() override;
    QString open(const QString &device, const QString &settings) override;
    void close() override;
    bool isOpen() const override;
    QString device() const override;
    bool write(const QByteArray &data) override;
    QByteArray readAll() override;

private:
    bool writePending();
    void reportLost();

    class QSerialPort *port_;
    class QSocketNotifier *writable_ = nullptr;   // on while output waits for the driver
    QByteArray pending_;                          // output the driver has not taken yet
    bool lostReported_ = false;
};
