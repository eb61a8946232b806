#pragma once
// The channels list editor DL_TCS: the channel and transponder tables in two
// lists, their binary and text files, tuning to a transponder or a channel
// through the tuning service, the scans, and the edits of the lists with
// their undo and redo.
#include "channels/channel_edit.h"
#include "channels/edit_history.h"
#include "ui/tool_window.h"

#include <QPointer>
#include <functional>

class QAction;
class QCheckBox;
class QGridLayout;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QRadioButton;
class QVBoxLayout;
struct ScanHooks;

class ChannelsEditorWindow : public ToolWindow {
    Q_OBJECT
public:
    explicit ChannelsEditorWindow(Session &session);

    // 0 Bin Load, 1 Bin Save, 2 Txt Load, 3 Txt Save, 4 Channels Scan,
    // 5 Transponders Scan. Ignored while a transaction or an operation runs.
    void Cmd_Click(int index);

    ChannelTables tables;

protected:
    void closeEvent(QCloseEvent *event) override;
    // The editing keys of the two lists and the channels dropped in LTcs.
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    // What an edit leaves selected: channel records and a transponder record.
    struct Selection {
        QList<int> channels;
        int transponder = -1;
    };
    // The files the tables were last loaded from or saved to.
    struct TableFiles {
        QString tcs, tpt;
        bool text = false;
    };

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
    void relistTables(const Selection &select);
    void TuneAndDemux();
    // Bin Save and Txt Save; the files become the tables' own when both were written.
    TableResult saveTables(bool text, Prompter &prompter, const QString &tcsName, const QString &tptName);
    // Before a load or a close over unsaved changes: saves them when the user agrees.
    void askSaveFirst();

    // The edits (channels_editor_edits_window.cpp).
    // The find box above the channels, the edit buttons in a row of buttons.
    void buildEditControls(QVBoxLayout *frame, QGridLayout *buttons);
    bool editable();
    // Runs an edit as one step of the history, then lists the tables again.
    void applyEdit(const std::function<Selection()> &change);
    void updateChanges();
    int currentChannel() const;
    QList<int> selectedChannels() const;
    void removeChannels();
    void moveChannels(int step);
    void dropChannels(const QList<int> &records, int before);
    void renameChannel();
    void addChannel();
    void sortChannels(ChannelOrder by);
    void selectDuplicates();
    void orderLike();
    void removeTransponder();
    void moveTransponder(int step);
    void editTransponder();
    void undo();
    void redo();

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
    QLineEdit *find_ = nullptr;
    QLabel *changes_ = nullptr;
    QAction *undo_ = nullptr;
    QAction *redo_ = nullptr;
    QList<int> shown_;   // the record of each line of LTcs
    EditHistory history_;
    TableFiles files_;
};
