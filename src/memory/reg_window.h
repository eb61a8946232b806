#pragma once
// The registers window DL_Reg: a 16 x 16 table of the demodulator chip's
// registers (command 25) or of 256 registers of a device on the I2C bus
// (command 27). It only reads.
#include "ui/tool_window.h"
#include "memory/register_dump.h"

class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;

class RegWindow : public ToolWindow {
    Q_OBJECT
public:
    explicit RegWindow(Session &session);

    // Register space by index (RegisterSpace); the slave box is for the I2C bus only.
    void O1_Click(int index);
    // READ: the whole dump, shown when every row has been read. Ignored while
    // a transaction or another operation runs.
    void Cmd_Read_Click();

private:
    void setControlsEnabled(bool enabled);
    RegisterSpace space() const;

    QRadioButton *o1_[2] = {};
    QLineEdit *txtPG_ = nullptr;
    QPushButton *cmdRead_ = nullptr;
    QPushButton *cmdX_ = nullptr;
    QPlainTextEdit *txt_ = nullptr;
    QLabel *lS_ = nullptr;
};
