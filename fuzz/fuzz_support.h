#pragma once
// What the fuzz targets share: a failed check is a finding, and a channel
// that answers with the fuzzer's replies in order, then with time-outs.
#include "link/channel.h"

#include <QStringList>
#include <cstdlib>

inline void check(bool condition)
{
    if (!condition)
        std::abort();
}

struct ScriptedChannel : CommandChannel {
    explicit ScriptedChannel(QStringList replies) : replies(std::move(replies)) {}
    QString SendCmd(const QString &command, bool) override
    {
        sent << command;
        return replies.value(sent.size() - 1);
    }
    void SetCmdTimeout(int) override {}
    void Wait(int) override {}
    QStringList replies, sent;
};
