#pragma once
// The SI window DL_Pid: asks the tuned decoder for the service information
// it has gathered (command 31), lists the sections and the channels of the
// TS info tables, decodes them, saves a report, and sets the demultiplexer
// to a channel through the tuning window. The scans capture through it too.
#include "si/si_capture.h"
#include "si/si_decode.h"
#include "ui/tool_window.h"

class QCheckBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;

class SiWindow : public ToolWindow {
    Q_OBJECT
public:
    explicit SiWindow(Session &session);

    // The capture; ignored while a transaction or an operation runs. It
    // cannot be stopped: it ends with the reply, "3101", or 30 s of silence.
    void Cmd_Read_Click();
    QString ChDisp(int c);
    // Ticks "Don't show 'unknow' ES_Info", as the scans' report wants it.
    void setHideUnknown(bool hide);
    SiStore &store() { return store_; }

private:
    // Waits for the reply; false when the decoder said it is not tuned.
    void showCapture(const SiCaptureResult &result);
    void LLst_Click();
    void CLst_Click();
    void CLst_DblClick();
    void Cmd_Save_Click();
    DecodeOptions options() const;

    SiStore store_;
    QPushButton *cmdRead_ = nullptr;
    QPlainTextEdit *txt_ = nullptr;
    QLabel *l1_ = nullptr;
    QListWidget *lLst_ = nullptr;
    QListWidget *cLst_ = nullptr;
    QLineEdit *fn_ = nullptr;
    QPushButton *cmdSave_ = nullptr;
    QRadioButton *o1_[2] = {};
    QCheckBox *chk_[2] = {};
};
