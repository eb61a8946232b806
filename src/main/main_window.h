#pragma once
// DL_Main: the port and its speed, service mode, the terminal and macro
// files, the Options menu and the launcher of the tool windows.
#include "main/command_history.h"

#include <QMainWindow>

class QAction;
class QComboBox;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;
class Session;
class SimProcess;

class MainWindow : public QMainWindow {
    Q_OBJECT
public:
    // simulator: the one started for --sim, which port 1 is connected to.
    explicit MainWindow(Session &session, SimProcess *simulator = nullptr);

    // The button array Cmd_Dec: 0 service mode Enter, 1 Exit, 2 Set Speed,
    // 3 SEND, 4 Exec Macro File. Also called by other windows.
    void Cmd_Dec_Click(int index);
    void Wait(int ms);

protected:
    void closeEvent(QCloseEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void buildConnectionFrame(class QGridLayout *grid);
    void buildTerminalFrames(class QGridLayout *grid);
    void buildLauncher(class QGridLayout *grid);
    void buildOptionsMenu();

    void openClick();
    void closeClick();
    void launcherClick(int index);
    void serviceMode(int index);
    void setSpeed();
    void sendClick();
    void execMacro();

    void SetLinkControls(bool enabled);
    void showClosedState();
    void showOpenState();
    void closeLinkWindows();
    void onDeviceLost();
    int selectedPort() const;
    QString selectedDevice() const;
    void listDevices();
    void takeChosenDevice();
    [[nodiscard]] bool restartSimulator();
    void onSimulatorEnded(const QString &how);
    void keepInHistory(const QString &command);
    void walkHistory(bool back);

    Session &s_;
    SimProcess *simulator_;
    QString simEnded_;   // how the simulator ended, until it runs again
    CommandHistory history_;
    bool historyFailureReported_ = false;
    QRadioButton *optCom_[2];
    QComboBox *cmbCom_;
    QComboBox *cmbPort_ = nullptr;
    QPushButton *cmdOpen_;
    QPushButton *cmdClose_;
    QPushButton *cmdDec_[5];
    QPushButton *cmdWin_[10];
    QLineEdit *txtP2D_;
    QLineEdit *fnp_;
    QPlainTextEdit *txtD2P_;
};
