#include "tune/tune_window.h"

#include "link/link.h"
#include "ui/controls.h"
#include "ui/session.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScopedValueRollback>
#include <QVBoxLayout>

namespace {

struct TuneBox {
    const char *label, *start, *tooltip;
    int maxLength;
};
const TuneBox kTuneBoxes[3] = {
    {"Frequency", "10700000", "10700000 - 12755000", 8},
    {"SmbRate", "275000", "Symbol Rate: 220000 - 300000", 6},
    {"DiSEqC", "00", "Hex Value", 2},
};
const char *const kDemuxCaptions[4] = {"V-PID", "A-PID", "Text", "PCR"};

}   // namespace

TuneWindow::TuneWindow(Session &session)
    : ToolWindow(session, "DL_Tune", "Manual Tuning (Command 07)"), tuning_(session.service<TuneService>())
{
    auto *layout = new QVBoxLayout(this);
    auto *polarisation = new QHBoxLayout;
    op_[0] = NamedOption(this, IndexedName("OP", 0), "Vertical", true);
    op_[1] = NamedOption(this, IndexedName("OP", 1), "Horizzontal", false);
    polarisation->addWidget(op_[0]);
    polarisation->addWidget(op_[1]);
    layout->addLayout(polarisation);

    auto *grid = new QGridLayout;
    for (int i = 0; i < 3; ++i) {
        grid->addWidget(new QLabel(kTuneBoxes[i].label, this), 0, i);
        txtTune_[i] = NamedLineEdit(this, IndexedName("Txt_Tune", i), kTuneBoxes[i].start, kTuneBoxes[i].maxLength);
        txtTune_[i]->setToolTip(kTuneBoxes[i].tooltip);
        grid->addWidget(txtTune_[i], 1, i);
    }
    grid->addWidget(new QLabel("FEC", this), 0, 3);
    cmbFec_ = new QComboBox(this);
    cmbFec_->setObjectName("Cmb_FEC");
    cmbFec_->addItems({"1/2", "2/3", "3/4", "4/5", "5/6", "7/8"});
    cmbFec_->setCurrentIndex(2);   // "3/4" when the window loads
    grid->addWidget(cmbFec_, 1, 3);
    layout->addLayout(grid);
    auto *tuneButton = NamedButton(this, IndexedName("Cmd_Dec", 0), "TUNE");
    layout->addWidget(tuneButton);

    auto *demux = NamedFrame(this, "Frame_Dmx", "DEMUX PIDs");
    auto *demuxGrid = new QGridLayout(demux);
    QPushButton *pidButtons[4];
    for (int i = 0; i < 4; ++i) {
        txtDmx_[i] = NamedLineEdit(demux, IndexedName("Txt_Dmx", i), "0", 5);
        pidButtons[i] = NamedButton(demux, IndexedName("Cmd_Dec", i + 1), kDemuxCaptions[i]);
        demuxGrid->addWidget(txtDmx_[i], 0, i);
        demuxGrid->addWidget(pidButtons[i], 1, i);
    }
    layout->addWidget(demux);

    auto *lnb = NamedFrame(this, "Frame_Lnb", "LNB Mode");
    auto *lnbLayout = new QHBoxLayout(lnb);
    auto_ = NamedCheck(lnb, "Auto", "Auto switch at 11.700", true);
    lh_ = NamedCheck(lnb, "LH", "LO=10.600", false);
    lo_ = NamedCheck(lnb, "LO", "LO=9.750", true);
    lh_->setEnabled(false);
    lo_->setEnabled(false);
    lnbLayout->addWidget(auto_);
    lnbLayout->addWidget(lh_);
    lnbLayout->addWidget(lo_);
    layout->addWidget(lnb);
    // The last tune's reply and verdict, here as well as in the terminal.
    lCarrier_ = NamedLabel(this, "L_Carrier", QString());
    layout->addWidget(lCarrier_);

    connect(tuneButton, &QPushButton::clicked, this, [this] { Cmd_Dec_Click(0); });
    for (int i = 0; i < 4; ++i)
        connect(pidButtons[i], &QPushButton::clicked, this, [this, i] { Cmd_Dec_Click(i + 1); });
    connect(auto_, &QCheckBox::clicked, this, &TuneWindow::Auto_Click);
    connect(lo_, &QCheckBox::clicked, this, [this] { setOscillator(!lo_->isChecked()); });
    connect(lh_, &QCheckBox::clicked, this, [this] { setOscillator(lh_->isChecked()); });
    for (QLineEdit *box : {txtTune_[0], txtTune_[1], txtTune_[2], txtDmx_[0], txtDmx_[1], txtDmx_[2], txtDmx_[3]})
        connect(box, &QLineEdit::textEdited, this, &TuneWindow::keepBoxes);
    connect(cmbFec_, &QComboBox::currentIndexChanged, this, &TuneWindow::keepBoxes);
    for (QAbstractButton *b : std::initializer_list<QAbstractButton *>{op_[0], op_[1], auto_, lo_, lh_})
        connect(b, &QAbstractButton::toggled, this, &TuneWindow::keepBoxes);
    showBoxes(tuning_.boxes());
    connect(&tuning_, &TuneService::boxesChanged, this, [this] { showBoxes(tuning_.boxes()); });
    connect(&tuning_, &TuneService::tuned, lCarrier_, &QLabel::setText);
}

void TuneWindow::keepBoxes()
{
    if (!showing_)
        tuning_.setBoxes(boxes());
}

void TuneWindow::closeEvent(QCloseEvent *event)
{
    tuning_.reset();
    ToolWindow::closeEvent(event);
}

void TuneWindow::Auto_Click()
{
    lo_->setEnabled(!auto_->isChecked());
    lh_->setEnabled(!auto_->isChecked());
}

void TuneWindow::setOscillator(bool high)
{
    lh_->setChecked(high);
    lo_->setChecked(!high);
}

TuneBoxes TuneWindow::boxes() const
{
    TuneBoxes b;
    b.frequency = txtTune_[0]->text();
    b.symbolRate = txtTune_[1]->text();
    b.diseqc = txtTune_[2]->text();
    for (int i = 0; i < 4; ++i)
        b.pids[size_t(i)] = txtDmx_[i]->text();
    b.autoSwitch = auto_->isChecked();
    b.highOscillator = lh_->isChecked();
    b.horizontal = op_[1]->isChecked();
    b.fec = cmbFec_->currentIndex();
    return b;
}

void TuneWindow::showBoxes(const TuneBoxes &b)
{
    const QScopedValueRollback<bool> showing(showing_, true);
    txtTune_[0]->setText(b.frequency);
    txtTune_[1]->setText(b.symbolRate);
    txtTune_[2]->setText(b.diseqc);
    for (int i = 0; i < 4; ++i)
        txtDmx_[i]->setText(b.pids[size_t(i)]);
    auto_->setChecked(b.autoSwitch);
    Auto_Click();
    setOscillator(b.highOscillator);
    op_[b.horizontal ? 1 : 0]->setChecked(true);
    cmbFec_->setCurrentIndex(b.fec);
}

void TuneWindow::Cmd_Dec_Click(int index)
{
    runPortAction([this](const QString &text) { lCarrier_->setText(text); },
                  [this, index] {
                      tuning_.setBoxes(boxes());
                      tuning_.press(index);
                  });
}
