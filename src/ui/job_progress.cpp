#include "ui/job_progress.h"

#include "link/link.h"

#include <QEvent>
#include <QPointer>
#include <QPushButton>

JobProgress::JobProgress(QWidget *parent) : QProgressBar(parent)
{
    setObjectName("Progress");
    setRange(0, 1000);
    setTextVisible(true);
    reset();
}

void JobProgress::begin()
{
    reset();
    setFormat("%p%");
    clock_.start();
}

void JobProgress::report(qint64 done, qint64 total)
{
    if (total <= 0)
        return;
    if (maximum() == 0)
        setRange(0, 1000);
    done = std::clamp<qint64>(done, 0, total);
    if (!clock_.isValid())
        clock_.start();
    setValue(int(done * 1000 / total));
    // The time left is told once the pace is known: a second and a
    // hundredth of the job.
    const qint64 elapsedMs = clock_.elapsed();
    if (done < total && elapsedMs >= 1000 && done * 100 >= total) {
        const qint64 leftSeconds = (elapsedMs * (total - done) / done + 999) / 1000;
        setFormat("%p% - " + DurationText(leftSeconds) + " left");
    } else {
        setFormat("%p%");
    }
}

void JobProgress::working(const QString &sofar)
{
    setRange(0, 0);
    setFormat(sofar);
}

void JobProgress::finished()
{
    setRange(0, 1000);
    setFormat("%p%");
    setValue(1000);
}

QString DurationText(qint64 seconds)
{
    if (seconds >= 3600)
        return QStringLiteral("%1 h %2 min").arg(seconds / 3600).arg(seconds / 60 % 60, 2, 10, QChar('0'));
    if (seconds >= 60)
        return QStringLiteral("%1 min %2 s").arg(seconds / 60).arg(seconds % 60, 2, 10, QChar('0'));
    return QStringLiteral("%1 s").arg(seconds);
}

namespace {

// The buttons a job disabled, given back when it ends; one that the window
// itself enables meanwhile is the window's again.
class BusyButtons : public QObject {
public:
    explicit BusyButtons(QWidget *window) : QObject(window), window_(window) {}

    void leaseChanged(bool held)
    {
        if (!held) {
            for (const QPointer<QPushButton> &b : std::exchange(disabled_, {}))
                if (b) {
                    b->removeEventFilter(this);
                    b->setEnabled(true);
                }
            return;
        }
        for (QPushButton *b : window_->findChildren<QPushButton *>()) {
            const QString name = b->objectName();
            if (b->isEnabled() && name != "Cmd_Stp" && name != "Cmd_Stop") {
                b->setEnabled(false);
                b->installEventFilter(this);
                disabled_.append(b);
            }
        }
    }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::EnabledChange) {
            auto *b = static_cast<QPushButton *>(watched);
            if (b->isEnabled()) {
                b->removeEventFilter(this);
                disabled_.removeAll(b);
            }
        }
        return false;
    }

private:
    QWidget *window_;
    QList<QPointer<QPushButton>> disabled_;
};

}   // namespace

void DisableButtonsWhileBusy(QWidget *window, Link &link)
{
    auto *buttons = new BusyButtons(window);
    QObject::connect(&link, &Link::leaseChanged, buttons, &BusyButtons::leaseChanged);
}
