#pragma once
// Starts kestrel-sim as a child process for --sim, learns the path of its
// terminal from its first line of output, tells when it has ended, and ends
// it on exit.
#include <QObject>
#include <QProcess>
#include <QString>
#include <QStringList>

class SimProcess : public QObject {
    Q_OBJECT
public:
    ~SimProcess() override;
    // Starts the simulator with extra options; returns its terminal path, or
    // the empty text with error set. Waits in the event loop, so the caller
    // must expect any event meanwhile (the program may be closing when it
    // returns).
    QString start(const QStringList &extraArgs, QString &error);
    // Starts it again with the options of the last start.
    QString restart(QString &error) { return start(args_, error); }
    void stop();
    // The speed the simulator listens at when it starts (its --speed).
    int speed() const;
    // A simulator was started and has ended by itself since.
    bool hasEnded() const { return ended_; }

signals:
    // how: "exit status N" or the signal that ended it.
    void ended(const QString &how);

private:
    void onFinished(int code, QProcess::ExitStatus status);

    QProcess process_;
    QStringList args_;
    bool running_ = false;   // started, and not stopped by this program
    bool ended_ = false;
};

// The kestrel-sim binary: next to this program, else $KESTREL_SIM, else PATH.
QString FindSimulator();
