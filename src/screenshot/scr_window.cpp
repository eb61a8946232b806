#include "screenshot/scr_window.h"

#include "link/conversions.h"
#include "link/link.h"
#include "link/prompts.h"
#include "screenshot/frame_buffers.h"
#include "screenshot/image_window.h"
#include "ui/controls.h"
#include "ui/job_progress.h"
#include "ui/session.h"

#include <QButtonGroup>
#include <QCloseEvent>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

namespace {

const QString kPictureFile = QStringLiteral("screenshot.bmp");
const char *const kBufferLabels[4] = {"Lu_Buffer1:", "Lu_Buffer2:", "Cr_Buffer1:", "Cr_Buffer2:"};
const qint32 kBufferPages[4] = {kLumaBuffer1, kLumaBuffer2, kChromaBuffer1, kChromaBuffer2};
const QStringList kWidths = {"720", "704", "544", "528", "480", "352"};
const QStringList kHeights = {"576", "512", "288"};
// The image window is drawn again at most this often while a capture runs.
constexpr int kRepaintIntervalMs = 40;

QComboBox *SizeBox(QWidget *parent, const char *name, const QStringList &entries)
{
    auto *box = new QComboBox(parent);
    box->setObjectName(name);
    box->setEditable(true);
    box->setInsertPolicy(QComboBox::NoInsert);
    box->addItems(entries);
    box->setCurrentIndex(0);
    return box;
}

// A size box holds a list entry unless the user typed into it.
bool HoldsEntry(const QComboBox *box)
{
    return box->currentIndex() >= 0 && box->currentText() == box->itemText(box->currentIndex());
}

int BlocksOf(QComboBox *box, BlockCount (*correct)(const QString &))
{
    if (HoldsEntry(box))
        return box->currentText().toInt() / kMacroblockPixels;
    const BlockCount corrected = correct(box->currentText());
    box->setEditText(corrected.text);
    return corrected.blocks;
}

}   // namespace

ScrWindow::ScrWindow(Session &session) : ToolWindow(session, "DL_Scr", "ScreenShot - control window")
{
    auto *grid = new QGridLayout(this);
    buildBufferBoxes(grid);
    buildSizeBoxes(grid);
    buildButtons(grid);
}

void ScrWindow::buildBufferBoxes(QGridLayout *grid)
{
    // Luminance boxes on the first row, chrominance on the second; buffer 1 left, buffer 2 right.
    for (int i = 0; i < 4; ++i) {
        const int row = i / 2, col = i % 2 * 3;
        txt_[i] = NamedLineEdit(this, IndexedName("Txt", i), Hex6(kBufferPages[i]));
        txt_[i]->setToolTip("6 digits only");
        grid->addWidget(NamedLabel(this, IndexedName("LB", i), kBufferLabels[i]), row, col);
        grid->addWidget(txt_[i], row, col + 1);
        grid->addWidget(NamedLabel(this, IndexedName("L00", i), "00"), row, col + 2);
    }
    auto *pair = new QButtonGroup(this);
    for (int i = 0; i < 2; ++i) {
        o1_[i] = NamedOption(this, IndexedName("O1", i), i == 0 ? "Buffer1" : "Buffer2", i == 0);
        pair->addButton(o1_[i], i);
        grid->addWidget(o1_[i], 2, i * 3, 1, 3);
    }
}

void ScrWindow::buildSizeBoxes(QGridLayout *grid)
{
    cmbW_ = SizeBox(this, "Cmb_W", kWidths);
    cmbH_ = SizeBox(this, "Cmb_H", kHeights);
    grid->addWidget(NamedLabel(this, "L_W", "Width:"), 3, 0);
    grid->addWidget(cmbW_, 3, 1);
    grid->addWidget(NamedLabel(this, "L_H", "Height:"), 3, 3);
    grid->addWidget(cmbH_, 3, 4);
}

void ScrWindow::buildButtons(QGridLayout *grid)
{
    auto *row = new QHBoxLayout;
    cmdRead_ = NamedButton(this, "Cmd_Read", "Read");
    cmdStop_ = NamedButton(this, "Cmd_Stop", "Stop");
    cmdFrz_ = NamedButton(this, "Cmd_Frz", "Freeze");
    cmdDei_ = NamedButton(this, "Cmd_Dei", "Delace");
    cmdSave_ = NamedButton(this, "Cmd_Save", "Save");
    for (QPushButton *b : {cmdRead_, cmdStop_, cmdFrz_, cmdDei_, cmdSave_})
        row->addWidget(b);
    grid->addLayout(row, 4, 0, 1, 6);
    for (int i = 0; i < 2; ++i) {
        l1_[i] = NamedLabel(this, IndexedName("L1", i), QString());
        grid->addWidget(l1_[i], 5 + i, 0, 1, 6);
    }
    grid->addWidget(progressBar(), 7, 0, 1, 6);
    connect(cmdRead_, &QPushButton::clicked, this, [this] { Cmd_Read_Click(); });
    connect(cmdStop_, &QPushButton::clicked, this, [this] { Cmd_Stop_Click(); });
    connect(cmdFrz_, &QPushButton::clicked, this, [this] { Cmd_Frz_Click(); });
    connect(cmdDei_, &QPushButton::clicked, this, [this] { Cmd_Dei_Click(); });
    connect(cmdSave_, &QPushButton::clicked, this, [this] { Cmd_Save_Click(); });
}

void ScrWindow::EnableControls(bool enabled)
{
    for (QWidget *w : std::initializer_list<QWidget *>{cmdRead_, cmdFrz_, cmdDei_, cmbW_, cmbH_, cmdSave_, o1_[0],
                                                       o1_[1], txt_[0], txt_[1], txt_[2], txt_[3]})
        w->setEnabled(enabled);
}

// The boxes as the capture uses them: buffer boxes normalised, sizes
// corrected where the user typed them.
CaptureRequest ScrWindow::takeRequest()
{
    for (QLineEdit *box : txt_)
        box->setText(NormaliseBufferBox(box->text()));
    const int pair = o1_[0]->isChecked() ? 0 : 1;
    CaptureRequest request;
    request.lumaPage = HexToAddr(txt_[pair]->text());
    request.chromaPage = HexToAddr(txt_[2 + pair]->text());
    request.widthBlocks = BlocksOf(cmbW_, CorrectWidth);
    request.heightBlocks = BlocksOf(cmbH_, CorrectHeight);
    return request;
}

void ScrWindow::showImageWindow()
{
    if (!image_)
        image_ = new ImageWindow(this);
    image_->showPicture(&picture_);
    sinceRepaint_.start();
}

void ScrWindow::pictureChanged()
{
    if (image_ && sinceRepaint_.elapsed() >= kRepaintIntervalMs) {
        image_->refresh();
        sinceRepaint_.restart();
    }
}

CaptureHooks ScrWindow::hooks()
{
    CaptureHooks h;
    h.stopRequested = [this] { return StopFlag; };
    h.setStatus = [this](const QString &text) { l1_[0]->setText(text); };
    h.setPageLine = [this](const QString &text) { l1_[1]->setText(text); };
    h.pictureChanged = [this] { pictureChanged(); };
    h.progress = jobHooks().progress;
    return h;
}

void ScrWindow::Cmd_Read_Click()
{
    runPortAction([this](const QString &text) { l1_[0]->setText(text); },
                  [this] {
                      EnableControls(false);
                      const CaptureRequest request = takeRequest();
                      picture_ =
                          Picture(request.widthBlocks * kMacroblockPixels, request.heightBlocks * kMacroblockPixels);
                      showImageWindow();
                      const CaptureResult result =
                          CapturePicture(link(), session_.options.Mrm, request, picture_, hooks());
                      EnableControls(true);
                      l1_[0]->setText(CaptureStatus(result));
                      if (result.outcome == CaptureOutcome::Done)
                          l1_[1]->clear();
                      if (image_)
                          image_->refresh();
                  });
}

void ScrWindow::Cmd_Frz_Click()
{
    runPortAction([this](const QString &text) { l1_[0]->setText(text); },
                  [this] {
                      const QString caption = ToggleFreeze(link(), session_.options.Mrm);
                      if (!caption.isEmpty())
                          cmdFrz_->setText(caption);
                  },
                  false);
}

void ScrWindow::Cmd_Dei_Click()
{
    runAction([this] {
        l1_[0]->setText("Delacing...");
        l1_[1]->clear();
        Delace(picture_);
        if (image_)
            image_->refresh();
        l1_[0]->setText("Done.");
    });
}

void ScrWindow::Cmd_Save_Click()
{
    if (picture_.isEmpty()) {
        l1_[0]->setText("Nothing to save.");
        return;
    }
    if (CheckOverwrite(*session_.prompter, kPictureFile) == OverwriteAnswer::Refused) {
        l1_[0]->setText("Not Saved.");
        return;
    }
    QString why;
    l1_[0]->setText(WriteFileBytes(kPictureFile, BmpFile(picture_), why) ? QStringLiteral("Saved.") : why);
}

void ScrWindow::closeEvent(QCloseEvent *event)
{
    if (image_)
        image_->close();
    ToolWindow::closeEvent(event);
}
