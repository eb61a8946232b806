#pragma once
// The manual tuning window DL_Tune: tunes the front end to one transponder
// and sets the demultiplexer's PIDs. It is the program's tuning service:
// other windows fill its boxes and press its buttons through Cmd_Dec_Click.
// Created hidden at start; closed by the user, it comes back with its start
// values the next time anyone asks for it.
#include "tune/tune_command.h"
#include "ui/tool_window.h"

class QCheckBox;
class QComboBox;
class QLineEdit;
class QPushButton;
class QRadioButton;

class TuneWindow : public ToolWindow {
    Q_OBJECT
public:
    explicit TuneWindow(Session &session);

    // 0 TUNE, 1 V-PID, 2 A-PID, 3 Text, 4 PCR; another index only corrects
    // the boxes. Ignored while a transaction or an operation runs.
    void Cmd_Dec_Click(int index);
    // PCR, audio, and after a pause video: the PIDs of a channel change.
    void SetChannelPids();
    // The boxes as the controls hold them, and set as a user would type and
    // click them (the oscillator boxes stay complementary).
    TuneBoxes boxes() const;
    void setBoxes(const TuneBoxes &boxes);
    // The tuning window, loaded hidden when it is not: other windows tune through it.
    static TuneWindow *service(Session &session);
    // The code of the last tune, "070" or "071"; empty before the first.
    static QString lastTunePrefix;

private:
    void Auto_Click();
    void setOscillator(bool high);
    void tune(const TuneBoxes &boxes);

    QRadioButton *op_[2] = {};
    QLineEdit *txtTune_[3] = {};
    QComboBox *cmbFec_ = nullptr;
    QLineEdit *txtDmx_[4] = {};
    QCheckBox *auto_ = nullptr;
    QCheckBox *lh_ = nullptr;
    QCheckBox *lo_ = nullptr;
};
