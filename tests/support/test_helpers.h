#pragma once
// Small helpers of the operation tests: a status line with its history and a
// STOP that becomes visible at a chosen check, and whole-file reads and writes.
#include "link/operation.h"

#include <QFile>
#include <QStringList>
#include <QtTest>

struct StatusHooks {
    QString text;
    QStringList history;
    QString state;              // the last decoder state told
    int stopAfterChecks = -1;   // STOP is seen at this check (0 = the first)
    int checks = 0;
    OperationHooks Hooks()
    {
        OperationHooks h;
        h.setStatus = [this](const QString &t) {
            text = t;
            history << t;
        };
        h.status = [this] { return text; };
        h.decoderState = [this](const QString &s) { state = s; };
        h.stopRequested = [this] { return stopAfterChecks >= 0 && checks++ >= stopAfterChecks; };
        return h;
    }
};

inline void WriteFile(const QString &name, const QByteArray &data)
{
    QFile f(name);
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QCOMPARE(f.write(data), data.size());
}

inline QByteArray ReadFile(const QString &name)
{
    QFile f(name);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}
