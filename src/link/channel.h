#pragma once
#include <QString>

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
};
