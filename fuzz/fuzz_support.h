#pragma once
// What the fuzz targets share: a failed check is a finding, and a channel
// that answers the commands with the fuzzer's replies in order.
#include "link/channel.h"

#include <QStringList>
#include <cstdlib>

inline void check(bool condition)
{
    if (!condition)
        std::abort();
}

// Replies in order, then time-outs; records the commands sent.
class ScriptedChannel : public CommandChannel {
public:
    explicit ScriptedChannel(QStringList replies) : replies_(std::move(replies)) {}
    QString SendCmd(const QString &command, bool) override
    {
        sent << command;
        return next_ < replies_.size() ? replies_[next_++] : QString();
    }
    void SetCmdTimeout(int) override {}
    void Wait(int) override {}
    QStringList sent;

private:
    QStringList replies_;
    qsizetype next_ = 0;
};
