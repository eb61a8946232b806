#pragma once
// A serial port double that answers on the event loop, as a real port does:
// a reply arrives only when the waiting code lets events run.
#include "platform/serial_port.h"

#include <QList>
#include <QStringList>
#include <QTimer>
#include <functional>

class FakeSerialPort : public SerialPort {
public:
    // Reply (without its CR) to each command; an empty reply sends nothing,
    // which the link sees as a time-out.
    std::function<QByteArray(const QString &)> answer;
    // Called with each command before it is answered.
    std::function<void(const QString &)> onCommand;
    QStringList commands;        // every command, without its CR
    QList<QByteArray> written;   // every write, as written
    QString openError;           // open() fails with this text when set

    QString open(const QString &dev, const QString &) override
    {
        if (!openError.isEmpty())
            return openError;
        device_ = dev;
        open_ = true;
        return QString();
    }
    void close() override { open_ = false; }
    bool isOpen() const override { return open_; }
    QString device() const override { return device_; }
    bool write(const QByteArray &data) override
    {
        written << data;
        const QString command = QString::fromLatin1(data).chopped(data.endsWith('\r') ? 1 : 0);
        commands << command;
        if (onCommand)
            onCommand(command);
        const QByteArray reply = answer ? answer(command) : QByteArray();
        if (!reply.isEmpty())
            deliver(reply + '\r');
        return true;
    }
    QByteArray readAll() override { return std::exchange(pending_, QByteArray()); }

    // Characters that arrive delayMs from now.
    void deliver(const QByteArray &data, int delayMs = 0)
    {
        QTimer::singleShot(delayMs, this, [this, data] {
            pending_ += data;
            emit dataReceived();
        });
    }
    void lose(const QString &reason) { emit deviceLost(reason); }

private:
    QString device_;
    QByteArray pending_;
    bool open_ = false;
};
