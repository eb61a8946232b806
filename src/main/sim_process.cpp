#include "main/sim_process.h"

#include <QElapsedTimer>

#include <QCoreApplication>
#include <QFileInfo>
#include <QStandardPaths>

#ifdef Q_OS_LINUX
#include <csignal>
#include <sys/prctl.h>
#endif

QString FindSimulator()
{
    const QString beside = QCoreApplication::applicationDirPath() + "/kestrel-sim";
    if (QFileInfo(beside).isExecutable())
        return beside;
    const QString env = qEnvironmentVariable("KESTREL_SIM");
    if (!env.isEmpty() && QFileInfo(env).isExecutable())
        return env;
    return QStandardPaths::findExecutable("kestrel-sim");
}

SimProcess::~SimProcess() { stop(); }

QString SimProcess::start(const QString &extraArgs, QString &error)
{
    const QString program = FindSimulator();
    if (program.isEmpty()) {
        error = "kestrel-sim not found";
        return QString();
    }
    process_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
#ifdef Q_OS_LINUX
    // Should this program die without its clean-up, the simulator goes too.
    process_.setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGTERM); });
#endif
    process_.start(program, QProcess::splitCommand(extraArgs));
    if (!process_.waitForStarted(10000)) {
        error = "cannot start " + program + ": " + process_.errorString();
        return QString();
    }
    // Start-up only: the first line names the terminal to open. A slow start
    // (a loaded machine, a sanitized build) is waited for as long as the
    // simulator runs; only one that ended or hung for two minutes fails.
    QElapsedTimer waited;
    waited.start();
    while (!process_.canReadLine()) {
        if (process_.waitForReadyRead(1000))
            continue;
        if (process_.state() == QProcess::NotRunning || waited.elapsed() > 120000) {
            error = program + " did not report its terminal";
            stop();
            return QString();
        }
    }
    return QString::fromLocal8Bit(process_.readLine()).trimmed();
}

void SimProcess::stop()
{
    if (process_.state() == QProcess::NotRunning)
        return;
    // SIGTERM lets the simulator save its state.
    process_.terminate();
    if (!process_.waitForFinished(10000)) {
        process_.kill();
        process_.waitForFinished(2000);
    }
}
