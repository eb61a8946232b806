#include "link/link.h"

#include "link/prompts.h"
#include "platform/serial_port.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QFile>
#include <utility>

Link::Link(const Options &options, SerialPort *port, QObject *parent) : QObject(parent), options_(options), port_(port)
{
    port_->setParent(this);
    connect(port_, &SerialPort::dataReceived, this, &Link::onData);
    // Queued: the port must not be closed inside its own error handler.
    connect(port_, &SerialPort::deviceLost, this, &Link::onDeviceLost, Qt::QueuedConnection);
    connect(&timer_, &QTimer::timeout, this, [this] { timedOut_ = true; });
}

Link::~Link() = default;

void Link::onData() { rxBuf_.append(QLatin1StringView(port_->readAll())); }

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
    timedOut_ = false;
    timer_.start();
}

QString Link::SendCmd(const QString &command, bool show)
{
    inCommand_ = true;
    show = show || options_.Asc;
    if (show)
        emit commandShown(command);
    if (options_.Glf)
        log(">" + command);
    // Emptied but kept: the reply is taken as a copy, so the buffer serves
    // the next transaction without a new allocation.
    rxBuf_.truncate(0);

    const bool sent = !shutDown_ && port_->isOpen() && port_->write((command + '\r').toLatin1());
    if (sent) {
        armTimer(cmdTimeout_);
        emit commandWritten();
        runUntil([this] { return rxBuf_.endsWith('\r') || timedOut_ || !port_->isOpen(); });
        timer_.stop();
    } else {
        timedOut_ = false;
    }

    QString reply;
    // A reply that is complete counts even when the time-out fell due
    // meanwhile (a question asked in the middle of an operation holds the
    // loop); only a reply still missing is a time-out.
    const bool complete = rxBuf_.endsWith('\r');
    if (timedOut_ && !complete) {
        if (show)
            emit replyShown(QStringLiteral("TimeOut!"));
    } else if (!complete) {
        // The port is closed or went away: no reason to wait for a reply.
        if (show)
            emit replyShown(lost_.isEmpty() ? QStringLiteral("Port not open!") : lost_);
    } else {
        reply = rxBuf_.left(rxBuf_.size() - 1);
        if (show) {
            QString text = reply;
            if (reply.size() == 3 && reply.endsWith('E'))
                text += QStringLiteral(" : Syntax error!");
            emit replyShown(text);
        }
    }
    if (options_.Glf)
        log("<" + reply);
    inCommand_ = false;
    // Reported after the reply is shown, so the display keeps the notice.
    if (!logFailure_.isEmpty())
        emit logFailed(std::exchange(logFailure_, QString()));
    return reply;
}

void Link::Wait(int ms)
{
    armTimer(ms);
    runUntil([this] { return timedOut_; });
    timer_.stop();
}

QString Link::openPort(const QString &device, const QString &settings)
{
    if (shutDown_)
        return QStringLiteral("the program is closing");
    const QString why = port_->open(device, settings);
    if (why.isEmpty()) {
        lost_.clear();
        PortSettings parsed;
        bitRate_ = ParsePortSettings(settings, parsed) ? parsed.baud : 0;
    }
    return why;
}

QString Link::reopen(const QString &device, const QString &settings)
{
    closePort();
    return openPort(device, settings);
}

void Link::closePort() { port_->close(); }

bool Link::portIsOpen() const { return port_->isOpen(); }

QString Link::device() const { return port_->device(); }

bool Link::writeRaw(const QString &text)
{
    return !shutDown_ && port_->isOpen() && port_->write((text + '\r').toLatin1());
}

void Link::shutDown()
{
    shutDown_ = true;
    timer_.stop();
    closePort();
}

void Link::countLease(int delta)
{
    leases_ += delta;
    if (leases_ == (delta > 0 ? 1 : 0))
        emit leaseChanged(leases_ > 0);
}

std::optional<Link::Lease> Link::tryLease()
{
    if (linkBusy())
        return std::nullopt;
    return Lease(this);
}

bool Link::awaitMore(int ms, const std::function<bool(const QString &)> &done)
{
    armTimer(ms);
    runUntil([&] { return done(rxBuf_) || timedOut_ || !port_->isOpen(); });
    timer_.stop();
    return done(rxBuf_);
}

LinesReply Link::transactLines(const QString &command, int silenceMs, const std::function<bool(const QString &)> &done,
                               const std::function<void(qsizetype)> &progress)
{
    // One transaction however long the reply takes: no other sender gets in.
    inCommand_ = true;
    rxBuf_.clear();
    LinesReply reply;
    if (writeRaw(command)) {
        armTimer(silenceMs);
        qsizetype seen = 0;
        for (;;) {
            runUntil([&] { return done(rxBuf_) || timedOut_ || rxBuf_.size() != seen || !port_->isOpen(); });
            reply.done = done(rxBuf_);
            if (reply.done || timedOut_ || !port_->isOpen() || shutDown_)
                break;
            seen = rxBuf_.size();
            if (progress)
                progress(seen);
            armTimer(silenceMs);   // the silence counts from the last character
        }
        reply.silent = !reply.done && timedOut_;
        timer_.stop();
    }
    reply.text = rxBuf_;
    inCommand_ = false;
    return reply;
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
