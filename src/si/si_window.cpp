#include "si/si_window.h"

#include "link/conversions.h"
#include "link/link.h"
#include "link/prompts.h"
#include "si/si_capture.h"
#include "tune/tune_service.h"
#include "ui/controls.h"
#include "ui/job_progress.h"
#include "ui/session.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace {

// A framed list with its column labels; lines is how many lines it shows at least.
QListWidget *ListFrame(QWidget *parent, QVBoxLayout *layout, const char *name, const char *caption,
                       const QList<ColumnLabel> &columns, int lineChars, int lines)
{
    auto *frame = new QGroupBox(caption, parent);
    auto *inner = new QVBoxLayout(frame);
    auto *list = NamedList(frame, name);
    ShowLines(list, lineChars, lines);
    inner->addWidget(ColumnLabels(frame, list, columns));
    inner->addWidget(list);
    layout->addWidget(frame, 1);
    return list;
}

}   // namespace

SiWindow::SiWindow(Session &session) : ToolWindow(session, "DL_Pid", "SI Data (Command 31)")
{
    auto *layout = new QHBoxLayout(this);
    auto *left = new QVBoxLayout;
    cmdRead_ = NamedButton(this, "Cmd_Read", "Read SI Data");
    left->addWidget(cmdRead_);
    txt_ = NamedTextArea(this, "Txt", true);
    txt_->setLineWrapMode(QPlainTextEdit::NoWrap);   // hex lines keep their columns
    txt_->setMinimumWidth(txt_->fontMetrics().horizontalAdvance(QString(56, '0')));
    left->addWidget(txt_, 1);
    l1_ = NamedLabel(this, "L1", QString());
    left->addWidget(l1_);
    left->addWidget(progressBar());
    layout->addLayout(left, 3);

    auto *right = new QVBoxLayout;
    lLst_ = ListFrame(this, right, "LLst", "Tables (Click to show raw data)",
                      {{{}, "ContentID", 1}, {{}, "Len", 5}, {{}, "TableID", 10}}, 20, 10);
    cLst_ = ListFrame(this, right, "CLst",
                      "Channels list from TS Info Table (Click to show details, DoubleClick to set Demux)",
                      {{{}, "SID", 0}, {{}, "Provider Name", 7}, {{}, "Service Name", 24}, {{}, "CAMode", 42}}, 48, 10);
    auto *saveRow = new QHBoxLayout;
    fn_ = NamedLineEdit(this, "FN", QString());
    cmdSave_ = NamedButton(this, "Cmd_Save", "Save to text file");
    cmdSave_->setEnabled(false);
    o1_[1] = NamedOption(this, IndexedName("O1", 1), "Details", true);
    o1_[0] = NamedOption(this, IndexedName("O1", 0), "Raw Data", false);
    for (QWidget *w : {static_cast<QWidget *>(fn_), static_cast<QWidget *>(cmdSave_), static_cast<QWidget *>(o1_[1]),
                       static_cast<QWidget *>(o1_[0])})
        saveRow->addWidget(w);
    right->addLayout(saveRow);
    auto *details = NamedFrame(this, "Frame_Details", "Details");
    auto *detailsLayout = new QHBoxLayout(details);
    chk_[1] = NamedCheck(details, IndexedName("Chk", 1), "Don't show 'unknow' ES_Info", false);
    chk_[0] = NamedCheck(details, IndexedName("Chk", 0), "Show Audio and Video PIDs only", false);
    detailsLayout->addWidget(chk_[1]);
    detailsLayout->addWidget(chk_[0]);
    right->addWidget(details);
    layout->addLayout(right, 2);

    connect(cmdRead_, &QPushButton::clicked, this, &SiWindow::Cmd_Read_Click);
    connect(lLst_, &QListWidget::currentRowChanged, this, &SiWindow::LLst_Click);
    connect(lLst_, &QListWidget::itemClicked, this, &SiWindow::LLst_Click);
    connect(cLst_, &QListWidget::currentRowChanged, this, &SiWindow::CLst_Click);
    connect(cLst_, &QListWidget::itemClicked, this, &SiWindow::CLst_Click);
    connect(cLst_, &QListWidget::itemDoubleClicked, this, &SiWindow::CLst_DblClick);
    connect(cmdSave_, &QPushButton::clicked, this, &SiWindow::Cmd_Save_Click);
}

DecodeOptions SiWindow::options() const { return {chk_[0]->isChecked(), chk_[1]->isChecked()}; }

QString SiWindow::ChDisp(int c) { return ::ChDisp(store_, c, options()); }

void SiWindow::setHideUnknown(bool hide) { chk_[1]->setChecked(hide); }

void SiWindow::Cmd_Read_Click()
{
    // The capture holds the link's lease, so the buttons it would ignore show disabled meanwhile;
    // Save comes back only with a capture to save.
    if (!link().linkBusy() && link().portIsOpen())
        cmdSave_->setEnabled(false);
    runPortAction([this](const QString &text) { l1_->setText(text); },
                  [this] {
                      lLst_->clear();
                      cLst_->clear();
                      store_.ChannelCount = 0;
                      SetBoxText(txt_, "Please wait (about 60 sec.) command 31 can't be stopped.");
                      l1_->clear();
                      JobProgress *bar = progressBar();
                      const std::optional<SiCaptureResult> result =
                          CaptureSi(link(), store_, [this, bar](qsizetype received) {
                              l1_->setText(' ' + QString::number(received));
                              bar->working(QString::number(received) + " characters received");
                          });
                      result ? bar->finished() : bar->reset();
                      if (result)
                          showCapture(*result);
                      else
                          SetBoxText(txt_, kNotTuned + " : Not Tuned!");
                  });
}

void SiWindow::showCapture(const SiCaptureResult &r)
{
    if (!r.textAppend.isEmpty())
        SetBoxText(txt_, BoxText(txt_) + r.textAppend);
    l1_->setText(r.status);
    lLst_->addItems(r.tableLines);
    // A section whose CRC failed keeps its line, marked.
    for (qsizetype i = 0; i < r.crcFailed.size() && i < lLst_->count(); ++i) {
        if (r.crcFailed[i]) {
            lLst_->item(int(i))->setForeground(Qt::red);
            lLst_->item(int(i))->setToolTip("This table failed its CRC check");
        }
    }
    cLst_->addItems(r.channelLines);
    if (!r.tsInfo)
        return;
    lLst_->setCurrentRow(0);   // shows the first table
    fn_->setText(r.fileName);
    cmdSave_->setEnabled(true);
}

void SiWindow::LLst_Click()
{
    const int row = lLst_->currentRow();
    if (row >= 0 && row < store_.TableCount)
        SetBoxText(txt_, TableText(store_, row));
}

void SiWindow::CLst_Click()
{
    const int row = cLst_->currentRow();
    if (row >= 0 && row < store_.ChannelCount)
        SetBoxText(txt_, ChDisp(row));
}

void SiWindow::CLst_DblClick()
{
    runAction([this] {
        const std::array<qint32, 8> pids = store_.DemuxPids;
        QString status;
        if (pids[kAudioPid] != kNoPid)
            status = "Audio-OK ";
        if (pids[kVideoPid] != kNoPid)
            status += "Video-OK ";
        l1_->setText(status.isEmpty() ? QStringLiteral("Nothing to Demux!") : status);
        if (status.isEmpty())
            return;
        TuneService &tuning = session_.service<TuneService>();
        tuning.clearChannelPids();
        if (isClosing())
            return;
        // The tuning window, loaded hidden when it is not, shows the PIDs set.
        session_.windows.create("DL_Tune", true);
        TuneBoxes boxes = tuning.boxes();
        boxes.pids[0] = Dec5(pids[kVideoPid]);
        boxes.pids[1] = Dec5(pids[kAudioPid]);
        boxes.pids[3] = Dec5(pids[kPcrPid]);
        tuning.setBoxes(boxes);
        tuning.setChannelPids([this] { return !isClosing(); });
    });
}

void SiWindow::Cmd_Save_Click()
{
    if (link().linkBusy())
        return;
    const QString name = fn_->text();
    QString why;
    switch (CheckOverwrite(*session_.prompter, name, &why)) {
    case OverwriteAnswer::Refused: return;
    case OverwriteAnswer::CannotWrite: l1_->setText("Cannot write " + name + " - " + why); return;
    case OverwriteAnswer::MayWrite: break;
    }
    const QString report = SiReport(store_, o1_[0]->isChecked(), cLst_->count(), options());
    if (report.isEmpty())
        return;   // nothing to report: the file stays empty
    l1_->setText(WriteFileBytes(name, report.toLatin1(), why) ? QStringLiteral("Text Saved.") : why);
}
