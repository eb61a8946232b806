#pragma once
// How far a long job is: a bar (objectName "Progress") with its percentage
// and the time left, and the buttons a window shows disabled while any job
// holds the link.
#include <QElapsedTimer>
#include <QProgressBar>

class Link;

class JobProgress : public QProgressBar {
    Q_OBJECT
public:
    explicit JobProgress(QWidget *parent);

    // A new job: the bar empties and its clock starts.
    void begin();
    // done of total units finished; the time left follows from the pace so far.
    void report(qint64 done, qint64 total);
    // A job whose size is not known beforehand: the bar moves to and fro
    // and tells what has come so far; finished fills it.
    void working(const QString &sofar);
    void finished();

private:
    QElapsedTimer clock_;
};

// "1 h 05 min", "4 min 10 s", "12 s".
QString DurationText(qint64 seconds);

// While an operation holds the link's lease, the push buttons of window are
// shown disabled, except its STOP buttons (named Cmd_Stp or Cmd_Stop); they
// come back when it ends, unless the window has set them itself meanwhile.
void DisableButtonsWhileBusy(QWidget *window, Link &link);
