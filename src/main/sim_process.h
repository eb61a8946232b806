#pragma once
// Starts kestrel-sim as a child process for --sim, learns the path of its
// terminal from its first line of output, and ends it on exit.
#include <QProcess>
#include <QString>

class SimProcess {
public:
    ~SimProcess();
    // Starts the simulator with extra options; returns its terminal path, or
    // the empty text with error set.
    QString start(const QString &extraArgs, QString &error);
    void stop();

private:
    QProcess process_;
};

// The kestrel-sim binary: next to this program, else $KESTREL_SIM, else PATH.
QString FindSimulator();
