#pragma once
// The channels list editor DL_TCS: the channel and transponder tables in two
// lists, their binary and text files, and tuning to a transponder or a
// channel through the manual tuning window.
#include "channels/channel_tables.h"
#include "ui/tool_window.h"

#include <QPointer>

class QCheckBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QRadioButton;
class SiWindow;
class TuneWindow;

class ChannelsEditorWindow : public ToolWindow {
    Q_OBJECT
public:
    explicit ChannelsEditorWindow(Session &session);

    // 0 Bin Load, 1 Bin Save, 2 Txt Load, 3 Txt Save, 4 Channels Scan,
    // 5 Transponders Scan. Ignored while a transaction or an operation runs.
    void Cmd_Click(int index);

    ChannelTables tables;

private:
    void LTcs_Click();
    void LTpt_DblClick();
    void TuneTransponder(int index);
    void transponderScan();
    // Sweeps one band; false when the whole scan ends (STOP, a full table).
    bool sweepBand(int band, bool lnbControl);
    void setLnbBits(int band);
    // True when the result line came within its wait.
    bool awaitSweepResult();
    // True, with the link's message as the status, once the link is lost.
    bool endedByLostLink();
    void channelScan();
    void ScanTransponder(int tp);
    void appendSatMap(SiWindow &si, int tp, int channels);
    void relistTables();
    void TuneAndDemux();

    QListWidget *lTcs_ = nullptr;
    QListWidget *lTpt_ = nullptr;
    QLineEdit *fn1_ = nullptr;
    QLineEdit *fn2_ = nullptr;
    QPushButton *cmd_[6] = {};
    QCheckBox *chk_[5] = {};
    QRadioButton *o1_[2] = {};
    QCheckBox *chk2_[5] = {};
    QLabel *l2_ = nullptr;
    QLabel *l3_ = nullptr;
    int lnbByteFound_ = 0;   // the LNB control byte before a scan that drives the LNB
};
