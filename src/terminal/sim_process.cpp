#include "terminal/sim_process.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTimer>

#ifdef Q_OS_LINUX
#include <csignal>
#include <sys/prctl.h>
#include <unistd.h>
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

QString SimProcess::start(const QStringList &extraArgs, QString &error)
{
    stop();
    args_ = extraArgs;
    ended_ = false;
    const QString program = FindSimulator();
    if (program.isEmpty()) {
        error = "kestrel-sim not found";
        return QString();
    }
    process_.disconnect(this);
    process_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
#ifdef Q_OS_LINUX
    // Should this program die without its clean-up, the simulator goes too.
    // In a process group of its own, a Ctrl-C at the terminal reaches this
    // program alone, which decides what it means (STOP, or the end).
    process_.setChildProcessModifier([] {
        ::prctl(PR_SET_PDEATHSIG, SIGTERM);
        ::setpgid(0, 0);
    });
#endif
    // The first line names the terminal to open. A slow start (a loaded
    // machine, a sanitized build) is waited for in the event loop as long as
    // the simulator runs; only one that ended or hung for two minutes fails.
    QEventLoop loop;
    const auto quitWhenLine = [this, &loop] {
        if (process_.canReadLine())
            loop.quit();
    };
    connect(&process_, &QProcess::readyReadStandardOutput, &loop, quitWhenLine);
    connect(&process_, &QProcess::finished, &loop, &QEventLoop::quit);
    connect(&process_, &QProcess::errorOccurred, &loop, [&loop](QProcess::ProcessError e) {
        if (e == QProcess::FailedToStart)
            loop.quit();
    });
    QTimer::singleShot(120000, &loop, &QEventLoop::quit);
    process_.start(program, extraArgs);
    loop.exec();
    if (!process_.canReadLine()) {
        error = process_.error() == QProcess::FailedToStart ? "cannot start " + program + ": " + process_.errorString()
                                                            : program + " did not report its terminal";
        stop();
        return QString();
    }
    running_ = true;
    connect(&process_, &QProcess::finished, this, &SimProcess::onFinished);
    return QString::fromLocal8Bit(process_.readLine()).trimmed();
}

void SimProcess::onFinished(int code, QProcess::ExitStatus status)
{
    if (!running_)
        return;
    running_ = false;
    ended_ = true;
    emit ended(status == QProcess::NormalExit ? QStringLiteral("exit status %1").arg(code)
                                              : QStringLiteral("ended by a signal"));
}

void SimProcess::stop()
{
    running_ = false;
    if (process_.state() == QProcess::NotRunning)
        return;
    // SIGTERM lets the simulator save its state.
    process_.terminate();
    if (!process_.waitForFinished(10000)) {
        process_.kill();
        process_.waitForFinished(2000);
    }
}

int SimProcess::speed() const
{
    const qsizetype at = args_.indexOf(QStringLiteral("--speed"));
    const int given = at >= 0 ? args_.value(at + 1).toInt() : 0;
    return given > 0 ? given : 9600;
}
