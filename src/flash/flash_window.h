#pragma once
// The flash window DL_Flh: identifies the two flash chips and their block
// protection, saves the data area, the firmware or the whole 2 MB flash to
// files, and erases and programs the 512 KB data area from an image file.
#include "flash/flash_checks.h"
#include "link/operation.h"
#include "ui/tool_window.h"

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;

class FlashWindow : public ToolWindow {
    Q_OBJECT
public:
    explicit FlashWindow(Session &session);

    // Button actions by index: 0..2 "Read Flash" of the data area, the
    // firmware or both, 3 "Read FlashType", 4 "Erase DataFlash (Cmd 280)",
    // 5 "Program DataFlash". Ignored while a transaction or another
    // operation runs.
    void Cmd_Click(int index);
    // STOP: the running action ends at its next page or word.
    void Cmd_Stp_Click() { StopFlag = true; }
    // A block check box was clicked: on top-boot chips Chk(0) and Chk(1)
    // move together, as they share one erase block.
    void Chk_Click(int index);

    // The chips of the last successful "Read FlashType" are bottom-boot.
    bool BottomBoot = false;

    QString closeQuestion() const override;

private:
    void readFlash(int index);
    void readFlashType();
    void eraseDataFlash();
    void programDataFlash();
    void setChecked(int index, bool checked);
    OperationHooks hooks();
    FlashWriteOptions writeOptions() const;
    void tellStateLeft(FlashOutcome outcome);

    QPushButton *cmd_[6] = {};
    QPushButton *cmdStp_ = nullptr;
    QLineEdit *fn1_[3] = {};
    QLineEdit *fn2_ = nullptr;
    // 0-4 the blocks, 5 "Ignore empty space", 6 "Back up first", 7 "Skip unchanged blocks".
    QCheckBox *chk_[8] = {};
    QLabel *lState_ = nullptr;
    QString decoderState_;   // the last state an erase or a program told
    bool writing_ = false;   // an erase or a program runs
    QLabel *l1_ = nullptr;
};
