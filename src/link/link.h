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
#include <optional>
#include <utility>

class SerialPort;

class Link : public QObject, public CommandChannel {
    Q_OBJECT
public:
    // Takes ownership of port.
    Link(const Options &options, SerialPort *port, QObject *parent = nullptr);
    ~Link() override;

    // The transaction: command + CR out, the reply line back without its
    // CR; empty after a time-out or when the port is closed.
    QString SendCmd(const QString &command, bool show) override;
    // Time-out of the following transactions; it stays until set again.
    void SetCmdTimeout(int ms) override { cmdTimeout_ = ms; }
    int cmdTimeout() const { return cmdTimeout_; }
    void Wait(int ms) override;
    // "Connection lost on DEVICE: reason - port closed." from the loss of
    // the device until the port is opened again.
    QString linkLost() const override { return lost_; }

    void appendToDisplay(const QString &text) override { emit replyAppended(text); }
    const QString &received() const override { return rxBuf_; }
    [[nodiscard]] bool awaitMore(int ms, const std::function<bool(const QString &)> &done) override;
    LinesReply transactLines(const QString &command, int silenceMs, const std::function<bool(const QString &)> &done,
                             const std::function<void(qsizetype)> &progress = {}) override;

    // Exactly one place decides whether a click may send commands: a
    // transaction is in progress, or an operation holds the lease.
    bool linkBusy() const { return inCommand_ || leases_ > 0; }
    // While a lease lives, every other click that would send commands is
    // refused; the operation that holds it sends freely.
    class Lease {
    public:
        Lease(Lease &&other) noexcept : link_(std::exchange(other.link_, nullptr)) {}
        Lease &operator=(Lease &&other) noexcept
        {
            if (this != &other) {
                release();
                link_ = std::exchange(other.link_, nullptr);
            }
            return *this;
        }
        ~Lease() { release(); }
        void release()
        {
            if (link_)
                std::exchange(link_, nullptr)->countLease(-1);
        }

    private:
        friend class Link;
        explicit Lease(Link *link) : link_(link) { link_->countLease(1); }
        Link *link_;
    };
    // A lease, or nothing while the link is busy.
    [[nodiscard]] std::optional<Lease> tryLease();

    // The port was opened with Open and is still open.
    bool portIsOpen() const override;
    // openPort returns the empty text or why it failed.
    [[nodiscard]] QString openPort(const QString &device, const QString &settings);
    // Bits per second of the port as last opened (0 before any open).
    qint32 bitRate() const { return bitRate_; }
    void closePort();
    QString device() const;
    [[nodiscard]] bool writeRaw(const QString &text) override;
    [[nodiscard]] QString reopen(const QString &device, const QString &settings) override;
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
    // An operation took the lease (true) or gave it back (false).
    void leaseChanged(bool held);

private:
    void countLease(int delta);
    void onData();
    void onDeviceLost(const QString &reason);
    void log(const QString &line);
    void armTimer(int ms);
    // Lets the event loop run until done() holds, the port is gone or the
    // link was shut down. Never spins: it sleeps in the event loop until
    // characters, a timer tick, a click or a close wake it.
    void runUntil(const std::function<bool()> &done);

    const Options &options_;
    SerialPort *port_;
    QTimer timer_;
    QString rxBuf_;           // received and not yet consumed
    bool timedOut_ = false;   // set by the timer tick
    qint32 cmdTimeout_ = 4000;
    bool inCommand_ = false;
    int leases_ = 0;
    qint32 bitRate_ = 0;
    bool shutDown_ = false;
    bool logFailureReported_ = false;
    QString logFailure_;   // to report when the transaction ends
    QString lost_;
};
