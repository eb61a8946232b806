#pragma once
#include <QString>

// What the operations of the tool windows need of the link: one command
// transaction. The application's Link implements it over the serial port;
// unit tests implement it with scripted replies.
class CommandChannel {
public:
    virtual ~CommandChannel() = default;
    // Sends command + CR and returns the reply without its CR, or the empty
    // text after a time-out.
    virtual QString SendCmd(const QString &command, bool show) = 0;
};
