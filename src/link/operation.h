#pragma once
#include <QString>
#include <functional>

// Hooks through which a long operation (page loops, dumps, erase and
// program) talks to whoever runs it, a window, the command line or a test:
// the STOP flag, the status text, how far it is, and the state it leaves the
// decoder in. The operations themselves are plain functions.
struct OperationHooks {
    std::function<bool()> stopRequested = [] { return false; };
    std::function<void(const QString &)> setStatus = [](const QString &) {};
    std::function<QString()> status = [] { return QString(); };
    // done of total units (pages, words) finished.
    std::function<void(qint64 done, qint64 total)> progress = [](qint64, qint64) {};
    // What the decoder holds now where the operation writes, told as it
    // changes ("block 7FE20000-7FE3FFFF erased and partly written"), so that
    // an operation cut short says what it left.
    std::function<void(const QString &)> decoderState = [](const QString &) {};
};
