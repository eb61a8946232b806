#pragma once
#include <QString>
#include <functional>

// Hooks through which a long operation (page loops, dumps, erase and
// program) talks to its window: the STOP flag and the status text. The
// operations themselves are plain functions, tested without widgets.
struct OperationHooks {
    std::function<bool()> stopRequested = [] { return false; };
    std::function<void(const QString &)> setStatus = [](const QString &) {};
    std::function<QString()> status = [] { return QString(); };
};
