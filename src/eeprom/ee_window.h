#pragma once
// The EEPROM window DL_EE: shows one 256-byte page of the decoder's serial
// EEPROM, saves the whole EEPROM to a file and writes a 2048-byte file back,
// with command 06 or straight over the I2C bus (command 27) as the Options
// menu says at the start of each operation.
#include "link/operation.h"
#include "link/options.h"
#include "ui/tool_window.h"

class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;

class EeWindow : public ToolWindow {
    Q_OBJECT
public:
    explicit EeWindow(Session &session);

    // Button actions by index: 0 "READ", 1 "--", 2 "+", 3 "EE --> File",
    // 4 "File --> EE". Ignored while a transaction or another operation runs.
    void Cmd_Click(int index);
    // STOP: the running action ends at its next row or page.
    void Cmd_Stp_Click() { StopFlag = true; }

    QString closeQuestion() const override;

private:
    void stepPage(const QString &pageText);
    void readPage();
    void writeEeprom(EepromMode mode);
    OperationHooks hooks();

    QPushButton *cmd_[5] = {};
    QPushButton *cmdStp_ = nullptr;
    QLineEdit *txtPG_ = nullptr;
    QLineEdit *txtFile_ = nullptr;
    QPlainTextEdit *txt_ = nullptr;
    QLabel *lS_ = nullptr;
    QLabel *lState_ = nullptr;
    class QCheckBox *chkBak_ = nullptr;
    class QCheckBox *chkVfy_ = nullptr;
    QString decoderState_;   // the last state a write told
    bool writing_ = false;   // "File --> EE" runs
};
