#pragma once
// The command link: the one place that talks to the decoder's serial port.
// It owns the shared link state, the transaction SendCmd, the delay Wait,
// the receive path, the timer and the log file.
#include "link/channel.h"
#include "link/options.h"

#include <QObject>
#include <QString>
#include <QTimer>
#include <functional>

class SerialPort;

class Link : public QObject, public CommandChannel {
    Q_OBJECT
public:
    // Takes ownership of port.
    Link(const Options &options, SerialPort *port, QObject *parent = nullptr);
    ~Link() override;

    // Shared link state, one instance for the program.
    QString RxBuf;          // received and not yet consumed
    bool TimedOut = false;  // set by the timer tick
    qint32 CmdTimeout = 4000;
    bool InCommand = false; // a transaction is in progress
    bool Busy = false;      // a multi-command operation is running
    bool PortIsOpen = false;

    QString SendCmd(const QString &command, bool show) override;
    void SetCmdTimeout(int ms) override { CmdTimeout = ms; }
    void Wait(int ms) override;
    // True when a click that would send commands must be ignored.
    bool linkBusy() const { return InCommand || Busy; }
    // "Connection lost on DEVICE: reason - port closed." from the loss of
    // the device until the port is opened again.
    QString linkLost() const override { return lost_; }

    // The port itself. openPort returns the empty text or why it failed.
    QString openPort(const QString &device, const QString &settings);
    void closePort();
    QString device() const;
    // Writes text + CR without a transaction (the speed change).
    bool writeRaw(const QString &text);

    // Timer1 for waits that watch RxBuf themselves (multi-line replies).
    void armTimer(int ms);
    void disarmTimer();
    // Lets the event loop run until done() holds, the port is gone or the
    // link was shut down. Never spins: it sleeps in the event loop until
    // characters, a timer tick, a click or a close wake it.
    void runUntil(const std::function<bool()> &done);
    // Ends every wait at once and refuses further traffic (program exit).
    void shutDown();

    QString logFileName = QStringLiteral("Kestrel.log");

signals:
    void commandShown(const QString &command);   // the command box shows command, the reply box empties
    void replyShown(const QString &text);        // the reply box shows text
    void replyAppended(const QString &text);     // text follows the reply on display
    void deviceLost(const QString &device, const QString &reason);
    void logFailed(const QString &reason);
    // A command has gone to the port; its reply is still to come.
    void commandWritten();

private:
    void onData();
    void onTick();
    void onDeviceLost(const QString &reason);
    void log(const QString &line);

    const Options &options_;
    SerialPort *port_;
    QTimer timer_;
    bool shutDown_ = false;
    QString lost_;
    bool logFailureReported_ = false;
    QString logFailure_;   // to report when the transaction ends
};
