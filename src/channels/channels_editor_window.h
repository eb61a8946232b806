#pragma once
// The channels list editor DL_TCS: the channel and transponder tables in two
// lists, their binary and text files, tuning to a transponder or a channel
// through the tuning service, and the scans.
#include "channels/channel_tables.h"
#include "ui/tool_window.h"

#include <QPointer>

class QCheckBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QRadioButton;
struct ScanHooks;

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
    // Fills the tuning boxes from the record and tunes, with the port open;
    // true when the reply told of a carrier.
    bool TuneTransponder(int index);
    void transponderScan();
    void channelScan();
    ScanHooks scanHooks();
    class ScanService scanService();
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
};
