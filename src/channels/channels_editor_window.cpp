#include "channels/channels_editor_window.h"

#include "channels/channel_scan.h"
#include "channels/channel_tuning.h"
#include "link/conversions.h"
#include "link/link.h"
#include "si/si_window.h"
#include "tune/tune_window.h"
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

namespace {

const char *const kCmdCaptions[6] = {"Bin Load", "Bin Save", "Txt Load", "Txt Save", "Channels Scan",
                                     "Transponders Scan"};
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

} // namespace

ChannelsEditorWindow::ChannelsEditorWindow(Session &session)
    : ToolWindow(session, "DL_TCS", "Channels list editor")
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
    case 3:
        result = SaveText(tables, ListTexts(lTcs_), ListTexts(lTpt_), prompter, fn1_->text(), fn2_->text());
        break;
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
    runAction([this] { TuneTransponder(lTpt_->currentRow()); }, false);
}

void ChannelsEditorWindow::TuneTransponder(int index)
{
    QPointer<TuneWindow> tune = TuneWindow::service(session_);
    if (!tune)
        return;
    TuneBoxes boxes = tune->boxes();
    if (!FillTransponder(tables, index, boxes))
        return;
    tune->setBoxes(boxes);
    if (link().portIsOpen())
        tune->Cmd_Dec_Click(0);
}

void ChannelsEditorWindow::TuneAndDemux()
{
    // Busy stays clear: the tuning window's buttons hold it for each of their commands.
    runAction([this] {
        link().SetCmdTimeout(kChannelDemuxTimeoutMs);
        QPointer<TuneWindow> tune = TuneWindow::service(session_);
        if (!tune)
            return;
        TuneBoxes boxes = tune->boxes();
        int transponder = 0;
        if (!FillChannel(tables, lTcs_->currentRow(), boxes, transponder))
            return;
        tune->setBoxes(boxes);
        // With the port closed the transponder still fills the tuning boxes; nothing is sent.
        const bool open = link().portIsOpen();
        if (open)
            for (const char *off : {"090FFFF", "091FFFF", "094FFFF"})
                link().SendCmd(off, false);
        TuneTransponder(transponder);
        if (!open)
            return;
        link().Wait(100);
        // The tuning window may have been closed meanwhile: the one the tune went to gets the PIDs.
        tune = TuneWindow::service(session_);
        if (!tune || isClosing() || link().received().left(4) != TuneWindow::lastTunePrefix + '0')
            return;
        tune->SetChannelPids();
    }, false);
}

void ChannelsEditorWindow::transponderScan()
{
    if (!chk2_[0]->isChecked() && !chk2_[1]->isChecked() && !chk2_[2]->isChecked() && !chk2_[3]->isChecked())
        return;
    runAction([this] {
        const bool lnbControl = chk2_[4]->isChecked();
        if (lnbControl)
            lnbByteFound_ = HexToByte(link().SendCmd("151", false).right(2));
        bool completed = true;
        for (int band = 1; band <= 4 && completed; ++band)
            if (chk2_[band - 1]->isChecked())
                completed = sweepBand(band, lnbControl);
        // The LNB gets back the control byte it had before the scan.
        if (lnbControl && !endedByLostLink())
            link().SendCmd("150" + Hex2(lnbByteFound_), true);
        if (completed && !endedByLostLink()) {
            l2_->setText("Done.");
            l3_->clear();
        }
    });
}

bool ChannelsEditorWindow::sweepBand(int band, bool lnbControl)
{
    Link &l = link();
    l3_->clear();
    l2_->setText(ScanningText(band));
    // Set before the band as well as after each carrier, so the first carrier is
    // already found on the band's polarisation and the bits of another band are gone.
    if (lnbControl)
        l.SendCmd("150" + Hex2((lnbByteFound_ & ~(kLnbHorizontalBit | kLnbHighBandBit)) | LnbBitsForBand(band)),
                  true);
    QString status = SweepStatus(l.SendCmd(SweepCommand(band, lnbControl), true));
    while (SweepGoesOn(status)) {
        if (endedByLostLink())
            return false;
        if (StopFlag || tables.TptCount >= kTptMaxRecords) {
            // The decoder still sends the result it is searching for: taken
            // here, it cannot pass for the reply of the next command.
            awaitSweepResult();
            l2_->setText(StopFlag ? "User Break." : "Too many transponders!");
            return false;
        }
        if (!awaitSweepResult())
            continue;
        const std::optional<SweepResult> result = ParseSweepResult(l.received(), status);
        if (!result)
            break;
        l3_->setText(ProgressText(result->intermediateKHz));
        AppendTransponder(tables, *result, band);
        lTpt_->clear();
        lTpt_->addItems(TptLines(tables));
        lTpt_->setCurrentRow(lTpt_->count() - 1);
        if (lnbControl && (band == 2 || band == 4))
            setLnbBits(band);
        status = SweepStatus(l.SendCmd(kSweepNext, true));
    }
    return true;
}

bool ChannelsEditorWindow::endedByLostLink()
{
    const QString lost = link().linkLost();
    if (lost.isEmpty())
        return false;
    l2_->setText(lost);
    l3_->clear();
    return true;
}

bool ChannelsEditorWindow::awaitSweepResult()
{
    return link().awaitMore(kSweepResultWaitMs, [](const QString &rx) { return CountCR(rx) >= 2; });
}

void ChannelsEditorWindow::setLnbBits(int band)
{
    const int byte = HexToByte(link().SendCmd("151", false).right(2)) | LnbBitsForBand(band);
    link().SendCmd("150" + Hex2(byte), true);
}

void ChannelsEditorWindow::channelScan()
{
    const int selected = lTpt_->currentRow();
    if (tables.TptCount == 0 || selected < 0)
        return;
    // Busy stays clear: the tuning and SI windows refuse to work while it is set.
    runAction([this, selected] {
        const int last = o1_[0]->isChecked() ? selected : tables.TptCount - 1;
        bool full = false;
        for (int tp = selected; tp <= last; ++tp) {
            if (endedByLostLink())
                return;
            if (StopFlag) {
                l2_->setText("User Break.");
                return;
            }
            lTpt_->setCurrentRow(tp);
            ScanTransponder(tp);
            full = full || tables.TcsCount >= kTcsMaxRecords;
        }
        if (endedByLostLink())
            return;
        // A full channel table is the scan's last word, not "Done.": services were left out.
        l2_->setText(full ? "MAX 2000 channels!" : "Done.");
    }, false);
}

void ChannelsEditorWindow::ScanTransponder(int tp)
{
    if (tp > tables.TptCount - 1)
        return;
    l2_->setText("Tuning transponder " + Hex2(tp));
    TuneTransponder(tp);
    link().Wait(100);
    if (link().received().left(4) != TuneWindow::lastTunePrefix + '0') {
        l2_->setText(l2_->text() + " - No Carrier!");
        link().Wait(500);
        return;
    }
    l2_->setText("TP:" + Hex2(tp + 1) + " Reading SI Data, wait...");
    QPointer<SiWindow> si = qobject_cast<SiWindow *>(session_.windows.create("DL_Pid", true));
    if (!si)
        return;
    si->Cmd_Read_Click();
    if (!si || isClosing())
        return;
    const SiStore &found = si->store();
    const int channels = found.ChannelCount;
    if (channels == 0) {
        l2_->setText(l2_->text() + "SI Data error!");
        return;
    }
    UpdateScannedTransponder(tables, tp, found.FirstTsId, found.FirstNetId, channels);
    const ScanFilters filters{chk_[0]->isChecked(), chk_[1]->isChecked(), chk_[2]->isChecked(), chk_[3]->isChecked()};
    int added = 0;
    for (int k = 0; k < channels; ++k) {
        if (tables.TcsCount >= kTcsMaxRecords) {
            l2_->setText("MAX 2000 channels!");
            return;
        }
        si->ChDisp(k);
        added += AddScannedService(tables, tp, found.ServiceNames[size_t(k)], found.DemuxPids, filters) ? 1 : 0;
    }
    l3_->setText(ScanSummary(tp, channels, channels - added, added));
    relistTables();
    lTcs_->setCurrentRow(lTcs_->count() - 1);
    if (chk_[4]->isChecked())
        appendSatMap(*si, tp, channels);
}

void ChannelsEditorWindow::appendSatMap(SiWindow &si, int tp, int channels)
{
    QString text = kCrLf + "===== " + lTpt_->item(tp)->text().right(40) + " =====" + kCrLf + kCrLf;
    si.setHideUnknown(true);
    for (int k = 0; k < channels; ++k)
        text += si.ChDisp(k) + kCrLf;
    QFile file;
    QString why;
    if (!OpenForWrite(file, kSatMapFile, QIODevice::WriteOnly | QIODevice::Append, why))
        l2_->setText("Cannot write " + kSatMapFile + " - " + why);
    else if (file.write(text.toLatin1()) < 0 || !file.flush())
        l2_->setText("Cannot write " + kSatMapFile + " - " + file.errorString());
}
