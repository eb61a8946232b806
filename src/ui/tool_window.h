#pragma once
// Base of the tool windows: the STOP flag, the common start of a command
// action, and a close that is safe while an action waits for the decoder.
#include "link/operation.h"

#include <QWidget>
#include <functional>

class JobProgress;
class QLabel;
class Session;
class Link;

class ToolWindow : public QWidget {
    Q_OBJECT
public:
    ToolWindow(Session &session, const QString &windowName, const QString &caption);

    bool StopFlag = false;
    // True once the window was closed; it may still be unwinding an action.
    bool isClosing() const { return closing_; }
    // An action of this window is under way (it waits for the decoder).
    bool jobRunning() const { return actionDepth_ > 0; }
    // The question asked before a close stops the job under way: what the
    // job leaves behind. A window that writes to the decoder names the state
    // it leaves.
    virtual QString closeQuestion() const;
    // The question of a window whose job reads into a file, or writes to
    // memory ("the flash"), which would be left with left.
    static QString ReadCloseQuestion();
    static QString WriteCloseQuestion(const QString &memory, const QString &left);
    // The next close is the program's own (a new port, the end): no question.
    void closeUnasked() { unasked_ = true; }

protected:
    // Common start of a click that sends commands: ignored (false) while a
    // transaction or an operation runs or the window is closing; clears
    // StopFlag; with holdBusy holds the link's lease for the action's run,
    // released however the action ends.
    bool runAction(const std::function<void()> &action, bool holdBusy = true);
    // runAction for an action that talks to the decoder: with the port
    // closed it does not start, and say shows "Port not open!" in this
    // window.
    bool runPortAction(const std::function<void(const QString &)> &say, const std::function<void()> &action,
                       bool holdBusy = true);
    void closeEvent(QCloseEvent *event) override;
    void showEvent(QShowEvent *event) override;
    Link &link();
    // The bar of the window's long jobs, made on first use; the window lays it out.
    JobProgress *progressBar();
    // A check box whose state is kept between runs (see DeskSettings::checked).
    class QCheckBox *keptCheck(QWidget *parent, const QString &name, const QString &caption);
    // Hooks of an operation run by this window: STOP, the progress bar and,
    // when given, the status label.
    OperationHooks jobHooks(QLabel *status = nullptr);

    Session &session_;

private:
    int actionDepth_ = 0;
    bool closing_ = false;
    bool unasked_ = false;
    bool mnemonicsGiven_ = false;
    JobProgress *progress_ = nullptr;
};
