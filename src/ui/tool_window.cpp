#include "ui/tool_window.h"

#include "ui/session.h"

#include <QCloseEvent>

ToolWindow::ToolWindow(Session &session, const QString &windowName, const QString &caption) : session_(session)
{
    setObjectName(windowName);
    setWindowTitle(caption);
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

void ToolWindow::closeEvent(QCloseEvent *event)
{
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
