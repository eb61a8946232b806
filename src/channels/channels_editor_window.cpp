#include "channels/channels_editor_window.h"

#include "channels/channel_scan.h"
#include "channels/channel_tuning.h"
#include "channels/edit_questions.h"
#include "channels/scan_service.h"
#include "link/conversions.h"
#include "link/link.h"
#include "tune/tune_service.h"
#include "ui/controls.h"
#include "ui/job_progress.h"
#include "ui/session.h"

#include <QCheckBox>
#include <QCloseEvent>
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
// The column labels L1(i) over the characters of the list lines their
// columns start at, a label wider than its column a character to one side,
// with a character and some room free before the next.
const QList<ColumnLabel> kTcsColumns = {
    {"L1(0)", "Pn", 1},    {"L1(1)", "Name", 5},  {"L1(2)", "Use", 20},  {"L1(3)", "TP", 25},   {"L1(4)", "SID", 29},
    {"L1(5)", "VPID", 34}, {"L1(6)", "APID", 40}, {"L1(7)", "Vecm", 46}, {"L1(8)", "Aecm", 52}, {"L1(9)", "PCR", 58}};
const QList<ColumnLabel> kTptColumns = {{"L1(10)", "TPn", 0},  {"L1(11)", "Frequency", 5}, {"L1(13)", "TID", 16},
                                        {"L1(14)", "NID", 22}, {"L1(15)", "Chn", 27},      {"L1(16)", "SR", 32},
                                        {"L1(17)", "Fec", 36}, {"L1(18)", "LNB", 41}};
constexpr int kTcsLineChars = 64;   // a line of a record below 999, and a margin
constexpr int kTcsListLines = 12;
constexpr int kTptLineChars = 44;
constexpr int kTptListLines = 10;

}   // namespace

ChannelsEditorWindow::ChannelsEditorWindow(Session &session) : ToolWindow(session, "DL_TCS", "Channels list editor")
{
    auto *layout = new QVBoxLayout(this);
    auto *frame1 = NamedFrame(this, "Frame1", "TCS Table");
    auto *tcsLayout = new QVBoxLayout(frame1);
    lTcs_ = NamedList(frame1, "LTcs", "Double click to Tune & Demux");
    ShowLines(lTcs_, kTcsLineChars, kTcsListLines);
    tcsLayout->addWidget(ColumnLabels(frame1, lTcs_, kTcsColumns));
    tcsLayout->addWidget(lTcs_);
    layout->addWidget(frame1, 2);
    auto *f1 = NamedFrame(this, "F1", "TPT Table");
    auto *tptLayout = new QVBoxLayout(f1);
    lTpt_ = NamedList(f1, "LTpt", "Double click to Tune");
    ShowLines(lTpt_, kTptLineChars, kTptListLines);
    tptLayout->addWidget(ColumnLabels(f1, lTpt_, kTptColumns));
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
    buildEditControls(tcsLayout, buttons);
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
    layout->addWidget(progressBar());

    connect(lTcs_, &QListWidget::currentRowChanged, this, &ChannelsEditorWindow::LTcs_Click);
    connect(lTcs_, &QListWidget::itemDoubleClicked, this, &ChannelsEditorWindow::TuneAndDemux);
    connect(lTpt_, &QListWidget::itemDoubleClicked, this, &ChannelsEditorWindow::LTpt_DblClick);

    show();
    Cmd_Click(0);
    history_.clear();   // the tables the window opens with are its first state
    updateChanges();
    if (tables.TcsCount == 0 || tables.TptCount == 0)
        l2_->setText(l2_->text() + " - Please extract TCS/TPT from your flash.");
}

void ChannelsEditorWindow::closeEvent(QCloseEvent *event)
{
    // The program's own end does not ask.
    if (!isClosing() && !session_.quitting())
        askSaveFirst();
    ToolWindow::closeEvent(event);
}

void ChannelsEditorWindow::askSaveFirst()
{
    if (!history_.modified(tables))
        return;
    const QString suffix = files_.text ? QStringLiteral(".txt") : QString();
    if (!session_.prompter->confirm(windowTitle(), SaveFirstQuestion(files_.tcs + suffix, files_.tpt + suffix)))
        return;
    AgreeingPrompter agreeing(*session_.prompter);
    l2_->setText(saveTables(files_.text, agreeing, files_.tcs, files_.tpt).status);
}

TableResult ChannelsEditorWindow::saveTables(bool text, Prompter &prompter, const QString &tcsName,
                                             const QString &tptName)
{
    const TableResult result = text ? SaveText(tables, TcsLines(tables), TptLines(tables), prompter, tcsName, tptName)
                                    : SaveBinary(tables, prompter, tcsName, tptName);
    const int tablesToWrite = (tables.TcsCount > 0 ? 1 : 0) + (tables.TptCount > 0 ? 1 : 0);
    if (tablesToWrite > 0 && result.status.count(QLatin1String(" Saved.")) == tablesToWrite) {
        history_.markSaved(tables);
        files_ = {tcsName, tptName, text};
    }
    updateChanges();
    return result;
}

void ChannelsEditorWindow::Cmd_Click(int index)
{
    if (link().linkBusy() || index < 0 || index > 5)
        return;
    l3_->clear();
    StopFlag = false;
    Prompter &prompter = *session_.prompter;
    const bool load = index == 0 || index == 2;
    if (load)
        askSaveFirst();
    // A load and a whole scan are one step of the history each.
    const auto before = std::make_unique<ChannelTables>(tables);
    TableResult result;
    switch (index) {
    case 0: result = LoadBinary(tables, fn1_->text(), fn2_->text()); break;
    case 1: result = saveTables(false, prompter, fn1_->text(), fn2_->text()); break;
    case 2: result = LoadText(tables, fn1_->text(), fn2_->text()); break;
    case 3: result = saveTables(true, prompter, fn1_->text(), fn2_->text()); break;
    case 4: channelScan(); break;
    default: transponderScan(); break;
    }
    history_.record(*before, tables);
    if (index >= 4) {
        updateChanges();
        return;
    }
    // A binary load empties the lists whatever it finds; a failed text load changes nothing.
    if (index == 0 || result.relist) {
        history_.markSaved(tables);
        if (result.relist)
            files_ = {fn1_->text(), fn2_->text(), index == 2};
    }
    l2_->setText(result.status);
    if (index == 0 && !result.relist) {
        lTcs_->clear();
        lTpt_->clear();
        shown_.clear();
    }
    if (result.relist)
        relistTables();
    updateChanges();
}

void ChannelsEditorWindow::relistTables() { relistTables(Selection()); }

void ChannelsEditorWindow::relistTables(const Selection &select)
{
    // The find box shows the channels whose name holds its text or whose SID it is.
    const QString find = find_->text().trimmed();
    bool isNumber = false;
    const int sid = find.toInt(&isNumber);
    shown_.clear();
    QStringList lines;
    for (int r = 0; r < tables.TcsCount; ++r) {
        if (!find.isEmpty() && !ChannelName(tables, r).contains(find, Qt::CaseInsensitive)
            && !(isNumber && GetBE16(tables.TcsTable, r * kTcsRecordSize + kTcsSid) == sid))
            continue;
        shown_ << r;
        lines << TcsLine(tables, r);
    }
    lTcs_->clear();
    lTpt_->clear();
    lTcs_->addItems(lines);
    lTpt_->addItems(TptLines(tables));
    for (int record : select.channels) {
        const qsizetype row = std::lower_bound(shown_.begin(), shown_.end(), record) - shown_.begin();
        if (row < shown_.size() && shown_[row] == record && lTcs_->currentRow() < 0)
            lTcs_->setCurrentRow(int(row));
        else if (row < shown_.size() && shown_[row] == record)
            lTcs_->item(int(row))->setSelected(true);
    }
    if (select.transponder >= 0 && select.transponder < lTpt_->count())
        lTpt_->setCurrentRow(select.transponder);
    updateChanges();
}

void ChannelsEditorWindow::LTcs_Click()
{
    const std::optional<int> line = TransponderOfChannel(tables, currentChannel(), lTpt_->count());
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
    runPortAction([this](const QString &text) { l2_->setText(text); },
                  [this] { TuneTransponder(lTpt_->currentRow()); });
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
        if (!FillChannel(tables, currentChannel(), boxes, transponder))
            return;
        tuning.setBoxes(boxes);
        // With the port closed the transponder still fills the tuning boxes; nothing is sent.
        const bool open = link().portIsOpen();
        if (open)
            tuning.clearChannelPids();
        const bool carrier = TuneTransponder(transponder);
        if (!open) {
            l2_->setText("Port not open!");
            return;
        }
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
        updateChanges();
    };
    h.transponderScanned = [this](int tp) { lTpt_->setCurrentRow(tp); };
    h.progress = jobHooks().progress;
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
    runPortAction([this](const QString &text) { l2_->setText(text); },
                  [this, bands] { scanService().scanTransponders(bands, chk2_[4]->isChecked(), scanHooks()); });
}

void ChannelsEditorWindow::channelScan()
{
    const int selected = lTpt_->currentRow();
    if (tables.TptCount == 0 || selected < 0)
        return;
    runPortAction(
        [this](const QString &text) { l2_->setText(text); },
        [this, selected] {
            ChannelScanRequest request;
            request.first = selected;
            request.last = o1_[0]->isChecked() ? selected : tables.TptCount - 1;
            request.filters = {chk_[0]->isChecked(), chk_[1]->isChecked(), chk_[2]->isChecked(), chk_[3]->isChecked()};
            request.satMap = chk_[4]->isChecked();
            scanService().scanChannels(request, scanHooks());
        });
}
