#include "ui/tool_window.h"

#include "link/prompts.h"
#include "ui/controls.h"
#include "ui/job_progress.h"
#include "ui/session.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QLabel>

ToolWindow::ToolWindow(Session &session, const QString &windowName, const QString &caption) : session_(session)
{
    setObjectName(windowName);
    setWindowTitle(caption);
    DisableButtonsWhileBusy(this, session.link);
}

JobProgress *ToolWindow::progressBar()
{
    if (!progress_)
        progress_ = new JobProgress(this);
    return progress_;
}

OperationHooks ToolWindow::jobHooks(QLabel *status)
{
    OperationHooks h;
    h.stopRequested = [this] { return StopFlag; };
    if (status) {
        h.setStatus = [status](const QString &text) { status->setText(text); };
        h.status = [status] { return status->text(); };
    }
    h.progress = [bar = progressBar()](qint64 done, qint64 total) { bar->report(done, total); };
    return h;
}

QCheckBox *ToolWindow::keptCheck(QWidget *parent, const QString &name, const QString &caption)
{
    DeskSettings &settings = session_.settings;
    QCheckBox *box = NamedCheck(parent, name, caption, settings.checked(objectName(), name));
    connect(box, &QCheckBox::toggled, this,
            [this, name](bool on) { session_.settings.setChecked(objectName(), name, on); });
    return box;
}

QString ToolWindow::closeQuestion() const
{
    return windowTitle() + " is still at work: closing stops it. Close anyway?";
}

QString ToolWindow::ReadCloseQuestion()
{
    return QStringLiteral("Closing stops the read; the file keeps only the pages read so far. Close anyway?");
}

QString ToolWindow::WriteCloseQuestion(const QString &memory, const QString &left)
{
    return "Closing stops the write to " + memory + ": it would be left with " + left
        + ", and the decoder may not start. Close anyway?";
}

Link &ToolWindow::link() { return session_.link; }

bool ToolWindow::runAction(const std::function<void()> &action, bool holdBusy)
{
    Link &l = session_.link;
    if (l.linkBusy() || closing_ || session_.quitting())
        return false;
    StopFlag = false;
    std::optional<Link::Lease> lease;
    if (holdBusy)
        lease = l.tryLease();
    if (lease && progress_)
        progress_->begin();
    ++actionDepth_;
    action();
    --actionDepth_;
    lease.reset();
    // A close during the action only hid the window; finish it now that
    // nothing of it is on the stack.
    if (closing_ && actionDepth_ == 0)
        deleteLater();
    return true;
}

void ToolWindow::showEvent(QShowEvent *event)
{
    if (!mnemonicsGiven_) {
        mnemonicsGiven_ = true;
        AssignMnemonics(this);
    }
    QWidget::showEvent(event);
}

bool ToolWindow::runPortAction(const std::function<void(const QString &)> &say, const std::function<void()> &action,
                               bool holdBusy)
{
    return runAction(
        [&] {
            if (session_.link.portIsOpen())
                action();
            else
                say(QStringLiteral("Port not open!"));
        },
        holdBusy);
}

void ToolWindow::closeEvent(QCloseEvent *event)
{
    // A person closing the window in the middle of a job is told what it
    // leaves behind first; the program's own closes are not questioned.
    if (jobRunning() && !closing_ && !std::exchange(unasked_, false) && !session_.quitting()
        && !session_.prompter->confirm(windowTitle(), closeQuestion())) {
        event->ignore();
        return;
    }
    // A window never shown (the tuning window kept hidden) keeps the place
    // it was last seen at.
    if (isVisible())
        session_.settings.saveGeometry(this);
    StopFlag = true;
    closing_ = true;
    event->accept();
    if (actionDepth_ == 0)
        deleteLater();
}
