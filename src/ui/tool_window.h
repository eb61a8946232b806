#pragma once
// Base of the tool windows: the STOP flag, the common start of a command
// action, and a close that is safe while an action waits for the decoder.
#include <QWidget>
#include <functional>

class Session;
class Link;

class ToolWindow : public QWidget {
    Q_OBJECT
public:
    ToolWindow(Session &session, const QString &windowName, const QString &caption);

    bool StopFlag = false;
    // True once the window was closed; it may still be unwinding an action.
    bool isClosing() const { return closing_; }

protected:
    // Common start of a click that sends commands: ignored (false) while a
    // transaction or an operation runs or the window is closing; clears
    // StopFlag; with holdBusy holds the link's lease for the action's run,
    // released however the action ends.
    bool runAction(const std::function<void()> &action, bool holdBusy = true);
    void closeEvent(QCloseEvent *event) override;
    Link &link();

    Session &session_;

private:
    int actionDepth_ = 0;
    bool closing_ = false;
};
