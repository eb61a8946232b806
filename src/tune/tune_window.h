#pragma once
// The manual tuning window DL_Tune: shows and edits the boxes of the tuning
// service and presses its buttons. Other tools tune through the service;
// the window shows what they left in the boxes. Created hidden at start;
// closed by the user, it comes back with its start values the next time.
#include "tune/tune_service.h"
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

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void Auto_Click();
    void setOscillator(bool high);
    // The boxes as the controls hold them, and shown as a user would type
    // and click them (the oscillator boxes stay complementary).
    TuneBoxes boxes() const;
    void showBoxes(const TuneBoxes &boxes);
    // What the user typed or clicked goes to the service at once.
    void keepBoxes();

    TuneService &tuning_;
    class QLabel *lCarrier_ = nullptr;
    bool showing_ = false;

    QRadioButton *op_[2] = {};
    QLineEdit *txtTune_[3] = {};
    QComboBox *cmbFec_ = nullptr;
    QLineEdit *txtDmx_[4] = {};
    QCheckBox *auto_ = nullptr;
    QCheckBox *lh_ = nullptr;
    QCheckBox *lo_ = nullptr;
};
