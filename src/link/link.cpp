#include "link/link.h"

#include "link/prompts.h"
#include "platform/serial_port.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QFile>
#include <utility>

Link::Link(const Options &options, SerialPort *port, QObject *parent)
    : QObject(parent), options_(options), port_(port)
{
    port_->setParent(this);
    connect(port_, &SerialPort::dataReceived, this, &Link::onData);
    // Queued: the port must not be closed inside its own error handler.
    connect(port_, &SerialPort::deviceLost, this, &Link::onDeviceLost, Qt::QueuedConnection);
    connect(&timer_, &QTimer::timeout, this, &Link::onTick);
}

Link::~Link() = default;

void Link::onData()
{
    RxBuf.append(QLatin1StringView(port_->readAll()));
}

void Link::onTick()
{
    TimedOut = true;
}

void Link::onDeviceLost(const QString &reason)
{
    if (!port_->isOpen())
        return;
    const QString dev = port_->device();
    port_->close();
    lost_ = "Connection lost on " + dev + ": " + reason + " - port closed.";
    emit deviceLost(dev, reason);
}

void Link::runUntil(const std::function<bool()> &done)
{
    // Each pass sleeps until something happens (characters, a tick, a
    // click, a close), handles it and looks again.
    while (!shutDown_ && !done())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
}

void Link::armTimer(int ms)
{
    timer_.stop();
    timer_.setInterval(ms < 0 ? 0 : ms);
    TimedOut = false;
    timer_.start();
}

void Link::disarmTimer() { timer_.stop(); }

QString Link::SendCmd(const QString &command, bool show)
{
    InCommand = true;
    show = show || options_.Asc;
    if (show)
        emit commandShown(command);
    if (options_.Glf)
        log(">" + command);
    // Emptied but kept: the reply is taken as a copy, so the buffer serves
    // the next transaction without a new allocation.
    RxBuf.truncate(0);

    const bool sent = !shutDown_ && port_->isOpen() && port_->write((command + '\r').toLatin1());
    if (sent) {
        armTimer(CmdTimeout);
        emit commandWritten();
        runUntil([this] { return RxBuf.endsWith('\r') || TimedOut || !port_->isOpen(); });
        disarmTimer();
    } else {
        TimedOut = false;
    }

    QString reply;
    if (TimedOut) {
        if (show)
            emit replyShown(QStringLiteral("TimeOut!"));
    } else if (!RxBuf.endsWith('\r')) {
        // The port is closed or went away: no reason to wait for a reply.
        if (show)
            emit replyShown(lost_.isEmpty() ? QStringLiteral("Port not open!") : lost_);
    } else {
        reply = RxBuf.left(RxBuf.size() - 1);
        if (show) {
            QString text = reply;
            if (reply.size() == 3 && reply.endsWith('E'))
                text += QStringLiteral(" : Syntax error!");
            emit replyShown(text);
        }
    }
    if (options_.Glf)
        log("<" + reply);
    InCommand = false;
    // Reported after the reply is shown, so the display keeps the notice.
    if (!logFailure_.isEmpty())
        emit logFailed(std::exchange(logFailure_, QString()));
    return reply;
}

void Link::Wait(int ms)
{
    armTimer(ms);
    runUntil([this] { return TimedOut; });
    disarmTimer();
}

QString Link::openPort(const QString &device, const QString &settings)
{
    if (shutDown_)
        return QStringLiteral("the program is closing");
    const QString why = port_->open(device, settings);
    if (why.isEmpty())
        lost_.clear();
    return why;
}

void Link::closePort()
{
    port_->close();
}

QString Link::device() const { return port_->device(); }

bool Link::writeRaw(const QString &text)
{
    return !shutDown_ && port_->isOpen() && port_->write((text + '\r').toLatin1());
}

void Link::shutDown()
{
    shutDown_ = true;
    timer_.stop();
    port_->close();
}

void Link::log(const QString &line)
{
    QFile file;
    QString why;
    const bool ok = OpenForWrite(file, logFileName, QIODevice::WriteOnly | QIODevice::Append, why)
        && file.write((line + QStringLiteral("\r\n")).toLatin1()) == line.size() + 2;
    if (why.isEmpty())
        why = file.errorString();
    if (ok) {
        logFailureReported_ = false;
        return;
    }
    // Logging is a convenience: the transaction goes on, the user hears once.
    if (!logFailureReported_) {
        logFailureReported_ = true;
        logFailure_ = logFileName + ": " + why;
    }
}
