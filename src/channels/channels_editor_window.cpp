#include "channels/channels_editor_window.h"

#include "channels/channel_scan.h"
#include "channels/channel_tuning.h"
#include "link/conversions.h"
#include "link/link.h"
#include "channels/scan_service.h"
#include "tune/tune_service.h"
#include "ui/controls.h"
#include "ui/session.h"

#include <QCheckBox>
#include <QFile>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>
#include <algorithm>

namespace {

const char *const kCmdCaptions[6] = {"Bin Load", "Bin Save",      "Txt Load",
                                     "Txt Save", "Channels Scan", "Transponders Scan"};
const char *const kChannelOptions[5] = {"Skip duplicates", "Skip radio", "Skip interactive services",
                                        "FTA or MediaG**rd only", "Save SI Data to file"};
const char *const kBandOptions[5] = {"Vertical Down", "Horizzontal Down", "Vertical Up", "Horizzontal Up",
                                     "Take LNB control"};
struct ColumnLabel {
    int index;
    const char *text;
};
const ColumnLabel kTcsColumns[10] = {{0, "Pn"},   {1, "Name"}, {2, "Use"},  {3, "TP"},   {4, "SID"},
                                     {5, "VPID"}, {6, "APID"}, {7, "Vecm"}, {8, "Aecm"}, {9, "PCR"}};
const ColumnLabel kTptColumns[8] = {{10, "TPn"}, {11, "Frequency"}, {13, "TID"}, {14, "NID"},
                                    {15, "Chn"}, {16, "SR"},        {17, "Fec"}, {18, "LNB"}};

template <size_t N>
QHBoxLayout *Columns(QWidget *parent, const ColumnLabel (&labels)[N])
{
    auto *row = new QHBoxLayout;
    for (const ColumnLabel &label : labels)
        row->addWidget(NamedLabel(parent, IndexedName("L1", label.index), label.text));
    row->addStretch();
    return row;
}

QStringList ListTexts(const QListWidget *list)
{
    QStringList texts;
    for (int i = 0; i < list->count(); ++i)
        texts << list->item(i)->text();
    return texts;
}

}   // namespace

ChannelsEditorWindow::ChannelsEditorWindow(Session &session) : ToolWindow(session, "DL_TCS", "Channels list editor")
{
    auto *layout = new QVBoxLayout(this);
    auto *frame1 = NamedFrame(this, "Frame1", "TCS Table");
    auto *tcsLayout = new QVBoxLayout(frame1);
    tcsLayout->addLayout(Columns(frame1, kTcsColumns));
    lTcs_ = NamedList(frame1, "LTcs", "Double click to Tune & Demux");
    tcsLayout->addWidget(lTcs_);
    layout->addWidget(frame1, 2);
    auto *f1 = NamedFrame(this, "F1", "TPT Table");
    auto *tptLayout = new QVBoxLayout(f1);
    tptLayout->addLayout(Columns(f1, kTptColumns));
    lTpt_ = NamedList(f1, "LTpt", "Double click to Tune");
    tptLayout->addWidget(lTpt_);
    layout->addWidget(f1, 1);

    auto *files = new QHBoxLayout;
    files->addWidget(NamedLabel(this, IndexedName("L1", 20), "TCS File:"));
    fn1_ = NamedLineEdit(this, "FN1", "TCS");
    files->addWidget(fn1_);
    files->addWidget(NamedLabel(this, IndexedName("L1", 19), "TPT File:"));
    fn2_ = NamedLineEdit(this, "FN2", "TPT");
    files->addWidget(fn2_);
    layout->addLayout(files);

    auto *buttons = new QGridLayout;
    for (int i = 0; i < 6; ++i) {
        cmd_[i] = NamedButton(this, IndexedName("Cmd", i), kCmdCaptions[i]);
        buttons->addWidget(cmd_[i], i / 4, i % 4);
        connect(cmd_[i], &QPushButton::clicked, this, [this, i] { Cmd_Click(i); });
    }
    auto *stop = NamedButton(this, "Cmd_Stp", "Stop");
    buttons->addWidget(stop, 1, 3);
    connect(stop, &QPushButton::clicked, this, [this] { StopFlag = true; });
    layout->addLayout(buttons);

    auto *options = new QGridLayout;
    for (int i = 0; i < 5; ++i) {
        chk_[i] = NamedCheck(this, IndexedName("Chk", i), kChannelOptions[i], true);
        chk2_[i] = NamedCheck(this, IndexedName("Chk2", i), kBandOptions[i], true);
        options->addWidget(chk_[i], i, 0);
        options->addWidget(chk2_[i], i, 2);
    }
    o1_[0] = NamedOption(this, IndexedName("O1", 0), "Selected TP only", false);
    o1_[1] = NamedOption(this, IndexedName("O1", 1), "All TPs from selected", true);
    options->addWidget(o1_[0], 0, 1);
    options->addWidget(o1_[1], 1, 1);
    layout->addLayout(options);
    l2_ = NamedLabel(this, "L2", QString());
    l3_ = NamedLabel(this, "L3", QString());
    layout->addWidget(l2_);
    layout->addWidget(l3_);

    connect(lTcs_, &QListWidget::currentRowChanged, this, &ChannelsEditorWindow::LTcs_Click);
    connect(lTcs_, &QListWidget::itemDoubleClicked, this, &ChannelsEditorWindow::TuneAndDemux);
    connect(lTpt_, &QListWidget::itemDoubleClicked, this, &ChannelsEditorWindow::LTpt_DblClick);

    show();
    Cmd_Click(0);
    if (tables.TcsCount == 0 || tables.TptCount == 0)
        l2_->setText(l2_->text() + " - Please extract TCS/TPT from your flash.");
}

void ChannelsEditorWindow::Cmd_Click(int index)
{
    if (link().linkBusy() || index < 0 || index > 5)
        return;
    l3_->clear();
    StopFlag = false;
    Prompter &prompter = *session_.prompter;
    TableResult result;
    switch (index) {
    case 0: result = LoadBinary(tables, fn1_->text(), fn2_->text()); break;
    case 1: result = SaveBinary(tables, prompter, fn1_->text(), fn2_->text()); break;
    case 2: result = LoadText(tables, fn1_->text(), fn2_->text()); break;
    case 3: result = SaveText(tables, ListTexts(lTcs_), ListTexts(lTpt_), prompter, fn1_->text(), fn2_->text()); break;
    case 4: channelScan(); return;
    default: transponderScan(); return;
    }
    l2_->setText(result.status);
    // A binary load empties the lists whatever it finds; a failed text load changes nothing.
    if (index == 0 && !result.relist) {
        lTcs_->clear();
        lTpt_->clear();
    }
    if (result.relist)
        relistTables();
}

void ChannelsEditorWindow::relistTables()
{
    lTcs_->clear();
    lTpt_->clear();
    lTcs_->addItems(TcsLines(tables));
    lTpt_->addItems(TptLines(tables));
}

void ChannelsEditorWindow::LTcs_Click()
{
    const std::optional<int> line = TransponderOfChannel(tables, lTcs_->currentRow(), lTpt_->count());
    if (!line)
        return;
    if (*line < 0)
        lTpt_->setCurrentRow(-1);
    else
        lTpt_->setCurrentRow(*line);
}

void ChannelsEditorWindow::LTpt_DblClick()
{
    if (link().linkBusy() || lTpt_->currentRow() < 0)
        return;
    runAction([this] { TuneTransponder(lTpt_->currentRow()); });
}

bool ChannelsEditorWindow::TuneTransponder(int index)
{
    // The tuning window, loaded hidden when it is not, shows what was tuned.
    session_.windows.create("DL_Tune", true);
    const std::optional<TuneResult> tuned = TuneToTransponder(session_.service<TuneService>(), link(), tables, index);
    return tuned && tuned->carrier;
}

void ChannelsEditorWindow::TuneAndDemux()
{
    runAction([this] {
        link().SetCmdTimeout(kChannelDemuxTimeoutMs);
        session_.windows.create("DL_Tune", true);
        TuneService &tuning = session_.service<TuneService>();
        TuneBoxes boxes = tuning.boxes();
        int transponder = 0;
        if (!FillChannel(tables, lTcs_->currentRow(), boxes, transponder))
            return;
        tuning.setBoxes(boxes);
        // With the port closed the transponder still fills the tuning boxes; nothing is sent.
        const bool open = link().portIsOpen();
        if (open)
            tuning.clearChannelPids();
        const bool carrier = TuneTransponder(transponder);
        if (!open)
            return;
        link().Wait(100);
        if (carrier && !isClosing())
            tuning.setChannelPids([this] { return !isClosing(); });
    });
}

ScanHooks ChannelsEditorWindow::scanHooks()
{
    ScanHooks h;
    h.stopRequested = [this] { return StopFlag; };
    h.setStatus = [this](const QString &text) { l2_->setText(text); };
    h.setDetail = [this](const QString &text) { l3_->setText(text); };
    h.status = [this] { return l2_->text(); };
    h.transponderAdded = [this] {
        lTpt_->clear();
        lTpt_->addItems(TptLines(tables));
        lTpt_->setCurrentRow(lTpt_->count() - 1);
    };
    h.transponderScanned = [this](int tp) { lTpt_->setCurrentRow(tp); };
    h.channelsAdded = [this] {
        relistTables();
        lTcs_->setCurrentRow(lTcs_->count() - 1);
    };
    return h;
}

ScanService ChannelsEditorWindow::scanService()
{
    return ScanService(link(), session_.options, session_.service<TuneService>(), tables);
}

void ChannelsEditorWindow::transponderScan()
{
    const std::array<bool, 4> bands = {chk2_[0]->isChecked(), chk2_[1]->isChecked(), chk2_[2]->isChecked(),
                                       chk2_[3]->isChecked()};
    if (std::none_of(bands.begin(), bands.end(), [](bool on) { return on; }))
        return;
    runAction([this, bands] { scanService().scanTransponders(bands, chk2_[4]->isChecked(), scanHooks()); });
}

void ChannelsEditorWindow::channelScan()
{
    const int selected = lTpt_->currentRow();
    if (tables.TptCount == 0 || selected < 0)
        return;
    runAction([this, selected] {
        ChannelScanRequest request;
        request.first = selected;
        request.last = o1_[0]->isChecked() ? selected : tables.TptCount - 1;
        request.filters = {chk_[0]->isChecked(), chk_[1]->isChecked(), chk_[2]->isChecked(), chk_[3]->isChecked()};
        request.satMap = chk_[4]->isChecked();
        scanService().scanChannels(request, scanHooks());
    });
}
