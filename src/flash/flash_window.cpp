#include "flash/flash_window.h"

#include "flash/flash_ops.h"
#include "link/link.h"
#include "ui/controls.h"
#include "ui/job_progress.h"
#include "ui/session.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

constexpr int kClickTimeoutMs = 750;

struct ReadButton {
    const char *caption;
    const char *tooltip;
};
const ReadButton kReadButtons[3] = {
    {"Data (512KB)", "7FE00000 - 7FE7FFFF"},
    {"Firmware (1.5MB)", "7FE80000 - 7FFFFFFF"},
    {"Data+Firmware (2MB)", "7FE00000 - 7FFFFFFF"},
};

const char *const kCheckCaptions[6] = {
    "7FE00000 - 7FE0FFFF", "7FE10000 - 7FE1FFFF", "7FE20000 - 7FE3FFFF",
    "7FE40000 - 7FE5FFFF", "7FE60000 - 7FE7FFFF", "Ignore empty space",
};

}   // namespace

FlashWindow::FlashWindow(Session &session) : ToolWindow(session, "DL_Flh", "Flash Eeprom Read/Write")
{
    auto *layout = new QVBoxLayout(this);

    auto *readFrame = NamedFrame(this, IndexedName("F1", 0), "Read Flash");
    auto *readGrid = new QGridLayout(readFrame);
    for (int i = 0; i < 3; ++i) {
        cmd_[i] = NamedButton(readFrame, IndexedName("Cmd", i), kReadButtons[i].caption, kReadButtons[i].tooltip);
        fn1_[i] = NamedLineEdit(readFrame, IndexedName("FN1", i), QString::fromLatin1(FlashRegionFor(i).defaultFile));
        readGrid->addWidget(cmd_[i], i, 0);
        readGrid->addWidget(fn1_[i], i, 1);
    }
    layout->addWidget(readFrame);

    auto *typeRow = new QHBoxLayout;
    cmd_[3] = NamedButton(this, IndexedName("Cmd", 3), "Read FlashType");
    cmd_[4] = NamedButton(this, IndexedName("Cmd", 4), "Erase DataFlash (Cmd 280)", "7FE00000 - 7FE7FFFF");
    cmd_[4]->setEnabled(false);
    typeRow->addWidget(cmd_[3]);
    typeRow->addWidget(cmd_[4]);
    layout->addLayout(typeRow);

    auto *writeFrame = NamedFrame(this, IndexedName("F1", 1), "Write DATA Flash only");
    auto *writeGrid = new QGridLayout(writeFrame);
    cmd_[5] =
        NamedButton(writeFrame, IndexedName("Cmd", 5), "Program DataFlash", "Erase and Write the selected blocks only");
    cmd_[5]->setEnabled(false);
    fn2_ = NamedLineEdit(writeFrame, "FN2", "flash512k.bin");
    writeGrid->addWidget(cmd_[5], 0, 0);
    writeGrid->addWidget(fn2_, 0, 1);
    for (int i = 0; i < 6; ++i) {
        // Chk(0) starts unchecked: on top-boot chips it shares its erase block with Chk(1).
        chk_[i] = NamedCheck(writeFrame, IndexedName("Chk", i), kCheckCaptions[i], i != 0);
        chk_[i]->setEnabled(false);
        writeGrid->addWidget(chk_[i], 1 + i / 2, i % 2);
        connect(chk_[i], &QCheckBox::clicked, this, [this, i] { Chk_Click(i); });
    }
    // Beside them, what the person may ask for around a write.
    chk_[6] = keptCheck(writeFrame, IndexedName("Chk", 6), "Back up first");
    chk_[6]->setToolTip("Save the whole data area into the backup folder before anything is erased");
    chk_[7] = keptCheck(writeFrame, IndexedName("Chk", 7), "Skip unchanged blocks");
    chk_[7]->setToolTip("Leave alone the blocks that already hold the image");
    chk_[6]->setEnabled(false);
    chk_[7]->setEnabled(false);
    writeGrid->addWidget(chk_[6], 4, 0);
    writeGrid->addWidget(chk_[7], 4, 1);
    layout->addWidget(writeFrame);

    auto *statusRow = new QHBoxLayout;
    cmdStp_ = NamedButton(this, "Cmd_Stp", "STOP");
    l1_ = NamedLabel(this, "L1", QString());
    l1_->setMinimumWidth(360);
    statusRow->addWidget(cmdStp_);
    statusRow->addWidget(l1_, 1);
    layout->addLayout(statusRow);
    layout->addWidget(progressBar());
    // Beside the status: what a program cut short leaves in the flash.
    lState_ = NamedLabel(this, "L_State", QString());
    lState_->setWordWrap(true);
    layout->addWidget(lState_);

    for (int i = 0; i < 6; ++i)
        connect(cmd_[i], &QPushButton::clicked, this, [this, i] { Cmd_Click(i); });
    connect(cmdStp_, &QPushButton::clicked, this, [this] { Cmd_Stp_Click(); });
}

OperationHooks FlashWindow::hooks()
{
    OperationHooks h = jobHooks(l1_);
    h.decoderState = [this](const QString &state) { decoderState_ = state; };
    return h;
}

QString FlashWindow::closeQuestion() const
{
    if (!writing_)
        return ReadCloseQuestion();
    return WriteCloseQuestion("the flash", decoderState_.isEmpty() ? "the data area as it is now" : decoderState_);
}

void FlashWindow::Cmd_Click(int index)
{
    if (index < 0 || index > 5)
        return;
    runPortAction([this](const QString &text) { l1_->setText(text); },
                  [this, index] {
                      link().SetCmdTimeout(kClickTimeoutMs);
                      switch (index) {
                      case 0:
                      case 1:
                      case 2: readFlash(index); break;
                      case 3: readFlashType(); break;
                      case 4: eraseDataFlash(); break;
                      case 5: programDataFlash(); break;
                      }
                  });
}

void FlashWindow::Chk_Click(int index)
{
    if (index < 0 || index > 5)
        return;
    if (const std::optional<int> coupled = CoupledCheckBox(index, BottomBoot))
        chk_[*coupled]->setChecked(chk_[index]->isChecked());
}

// A change made by the window itself follows the same coupling as a click.
void FlashWindow::setChecked(int index, bool checked)
{
    chk_[index]->setChecked(checked);
    Chk_Click(index);
}

void FlashWindow::readFlash(int index)
{
    const FlashRegion region = FlashRegionFor(index);
    if (SaveFlashRange(link(), session_.options.Mrm, *session_.prompter, hooks(), region.firstPage, region.lastPage,
                       fn1_[index]->text())
        == FlashOutcome::Done)
        progressBar()->finished();
}

void FlashWindow::readFlashType()
{
    const FlashTypeResult result = ReadFlashType(link());
    l1_->setText(result.status);
    if (!result.ok)
        return;
    BottomBoot = result.bottomBoot;
    cmd_[4]->setEnabled(true);
    cmd_[5]->setEnabled(true);
    if (!BottomBoot)
        setChecked(0, true);
    for (QCheckBox *box : chk_)
        box->setEnabled(true);
}

void FlashWindow::eraseDataFlash()
{
    writing_ = true;
    // One command erases the whole area: cut short, any part of it may be erased.
    decoderState_ = "the data area 7FE00000-7FE7FFFF erased in part or whole";
    lState_->clear();
    const FlashOutcome outcome = EraseDataFlash(link(), *session_.prompter, hooks(), writeOptions()).outcome;
    writing_ = false;
    tellStateLeft(outcome);
}

void FlashWindow::programDataFlash()
{
    std::array<bool, kDataFlashBlocks> selected{};
    for (int i = 0; i < kDataFlashBlocks; ++i)
        selected[i] = chk_[i]->isChecked();
    // The box may be changed while programming runs; it is asked at every word.
    QCheckBox *ignoreEmpty = chk_[5];
    writing_ = true;
    decoderState_.clear();
    lState_->clear();
    const FlashOutcome outcome = ProgramDataFlash(
                                     link(), *session_.prompter, hooks(), fn2_->text(), selected, BottomBoot,
                                     [ignoreEmpty] { return ignoreEmpty->isChecked(); }, writeOptions())
                                     .outcome;
    writing_ = false;
    tellStateLeft(outcome);
}

FlashWriteOptions FlashWindow::writeOptions() const
{
    FlashWriteOptions options;
    options.backUpFirst = chk_[6]->isChecked();
    options.skipUnchanged = chk_[7]->isChecked();
    options.readMode = session_.options.Mrm;
    return options;
}

// Cut short after an erase: the person at the bench must know before
// switching the decoder off.
void FlashWindow::tellStateLeft(FlashOutcome outcome)
{
    if (outcome != FlashOutcome::Done && outcome != FlashOutcome::Declined && !decoderState_.isEmpty()
        && !decoderState_.endsWith("written and verified"))
        lState_->setText("The flash is left with " + decoderState_
                         + ": program it again before switching the decoder off.");
}
