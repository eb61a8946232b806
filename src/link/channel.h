#pragma once
#include <QString>
#include <functional>

// The reply of a command whose answer runs over many lines.
struct LinesReply {
    QString text;
    bool silent = false;   // ended by the silence of the line
    bool done = false;     // ended because the caller's test held
};

// What the operations of the tool windows need of the link. The
// application's Link implements it over the serial port; unit tests
// implement it with scripted replies or a model of the decoder.
class CommandChannel {
public:
    virtual ~CommandChannel() = default;
    // Sends command + CR and returns the reply without its CR, or the empty
    // text after a time-out.
    virtual QString SendCmd(const QString &command, bool show) = 0;
    // Time-out of the following transactions, in milliseconds; it stays
    // until set again.
    virtual void SetCmdTimeout(int ms) = 0;
    // Delay that keeps the user interface running.
    virtual void Wait(int ms) = 0;
    // Why no command can reach the decoder any more (its device went away),
    // as the message to show; empty while the link works. A long loop ends
    // with this message as soon as a step fails, rather than going on
    // against a line that is gone.
    virtual QString linkLost() const { return QString(); }

    // The port is open: commands can go out.
    virtual bool portIsOpen() const { return true; }
    // Text that follows the reply on display (a carrier verdict).
    virtual void appendToDisplay(const QString &text) { Q_UNUSED(text); }

    // The port beneath, for the speed change: text + CR written without a
    // transaction, and the port opened again on device at other settings
    // (the empty text, or why it could not be). A channel without a port
    // refuses both.
    [[nodiscard]] virtual bool writeRaw(const QString &text)
    {
        Q_UNUSED(text);
        return false;
    }
    [[nodiscard]] virtual QString reopen(const QString &device, const QString &settings)
    {
        Q_UNUSED(device);
        Q_UNUSED(settings);
        return QStringLiteral("no port");
    }

    // Replies of several lines. received() is the reply of the last
    // transaction with its CR, and whatever arrived after it; awaitMore waits
    // up to ms more until done(received()) holds, false when it did not.
    // A channel of single-line replies keeps the defaults: nothing more comes.
    virtual const QString &received() const
    {
        static const QString none;
        return none;
    }
    [[nodiscard]] virtual bool awaitMore(int ms, const std::function<bool(const QString &)> &done)
    {
        Q_UNUSED(ms);
        return done(received());
    }
    // A command whose reply comes at the decoder's pace, written as it is
    // (no display, no log), then received until done(text so far) holds,
    // the line stays silent for silenceMs counted from the last character,
    // or the link is lost. progress(characters so far) hears of each piece.
    virtual LinesReply transactLines(const QString &command, int silenceMs,
                                     const std::function<bool(const QString &)> &done,
                                     const std::function<void(qsizetype)> &progress = {})
    {
        Q_UNUSED(command);
        Q_UNUSED(silenceMs);
        Q_UNUSED(done);
        Q_UNUSED(progress);
        return {};
    }
};
