#include "eeprom/ee_window.h"

#include "eeprom/eeprom_ops.h"
#include "link/link.h"
#include "ui/controls.h"
#include "ui/job_progress.h"
#include "ui/session.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

const char *const kButtonCaptions[5] = {"READ", "--", "+", "EE --> File", "File --> EE"};

}   // namespace

EeWindow::EeWindow(Session &session) : ToolWindow(session, "DL_EE", "EEPROM Data  (Command 06 or 27)")
{
    auto *layout = new QVBoxLayout(this);

    auto *pageRow = new QHBoxLayout;
    pageRow->addWidget(NamedLabel(this, "L1", "PAGE:"));
    txtPG_ = NamedLineEdit(this, "Txt_PG", "0", 1);
    txtPG_->setMaximumWidth(32);
    // Enter in the page box reads, as READ does.
    connect(txtPG_, &QLineEdit::returnPressed, this, [this] { Cmd_Click(0); });
    pageRow->addWidget(txtPG_);
    for (int i = 0; i < 3; ++i) {
        cmd_[i] = NamedButton(this, IndexedName("Cmd", i), kButtonCaptions[i]);
        pageRow->addWidget(cmd_[i]);
    }
    lS_ = NamedLabel(this, "L_S", QString());
    pageRow->addWidget(lS_, 1);
    layout->addLayout(pageRow);

    txt_ = NamedTextArea(this, "Txt", true);
    txt_->setLineWrapMode(QPlainTextEdit::NoWrap);
    // A whole page, its 16 rows and the status line, without scrolling.
    ShowLines(txt_, 74, 18);   // "0000 : " 16 bytes ": " 16 characters, and a margin
    layout->addWidget(txt_, 1);

    auto *fileRow = new QHBoxLayout;
    for (int i = 3; i < 5; ++i) {
        cmd_[i] = NamedButton(this, IndexedName("Cmd", i), kButtonCaptions[i]);
        fileRow->addWidget(cmd_[i]);
    }
    txtFile_ = NamedLineEdit(this, "Txt_File", "eeprom.bin");
    fileRow->addWidget(txtFile_, 1);
    cmdStp_ = NamedButton(this, "Cmd_Stp", "STOP");
    fileRow->addWidget(cmdStp_);
    layout->addLayout(fileRow);
    // What "File --> EE" may do besides: keep what was there, read back what it wrote.
    auto *checks = new QHBoxLayout;
    chkBak_ = keptCheck(this, "Chk_Bak", "Back up first");
    chkBak_->setToolTip("Save the EEPROM into the backup folder before writing");
    chkVfy_ = keptCheck(this, "Chk_Vfy", "Verify");
    chkVfy_->setToolTip("Read the EEPROM back after writing and compare");
    checks->addWidget(chkBak_);
    checks->addWidget(chkVfy_);
    checks->addStretch();
    layout->addLayout(checks);
    // Beside the text: what a write cut short leaves in the EEPROM.
    lState_ = NamedLabel(this, "L_State", QString());
    lState_->setWordWrap(true);
    layout->addWidget(lState_);
    layout->addWidget(progressBar());

    for (int i = 0; i < 5; ++i)
        connect(cmd_[i], &QPushButton::clicked, this, [this, i] { Cmd_Click(i); });
    connect(cmdStp_, &QPushButton::clicked, this, [this] { Cmd_Stp_Click(); });
}

OperationHooks EeWindow::hooks()
{
    OperationHooks h = jobHooks();
    h.setStatus = [this](const QString &text) { SetBoxText(txt_, text); };
    h.status = [this] { return BoxText(txt_); };
    h.decoderState = [this](const QString &state) { decoderState_ = state; };
    return h;
}

QString EeWindow::closeQuestion() const
{
    if (!writing_)
        return ReadCloseQuestion();
    return WriteCloseQuestion("the EEPROM", decoderState_.isEmpty() ? "the EEPROM as it is now" : decoderState_);
}

void EeWindow::Cmd_Click(int index)
{
    if (index < 0 || index > 4)
        return;
    runPortAction([this](const QString &text) { SetBoxText(txt_, text); },
                  [this, index] {
                      txt_->clear();
                      txtPG_->setText(NormalizeEePageText(txtPG_->text()));
                      const EepromMode mode = session_.options.Eem;
                      switch (index) {
                      case 0: readPage(); break;
                      case 1: stepPage(PreviousEePageText(txtPG_->text())); break;
                      case 2: stepPage(NextEePageText(txtPG_->text())); break;
                      case 3: SaveEeprom(link(), mode, *session_.prompter, hooks(), txtFile_->text()); break;
                      case 4: writeEeprom(mode); break;
                      }
                      lS_->clear();
                  });
}

// "File --> EE"; cut short once writing began, it says what is left in the
// EEPROM and what to do about it.
void EeWindow::writeEeprom(EepromMode mode)
{
    decoderState_.clear();
    lState_->clear();
    writing_ = true;
    const EeOutcome outcome = WriteEeprom(link(), mode, *session_.prompter, hooks(), txtFile_->text(),
                                          {chkBak_->isChecked(), chkVfy_->isChecked()})
                                  .outcome;
    writing_ = false;
    if (outcome == EeOutcome::VerifyError)
        lState_->setText("The EEPROM does not hold " + txtFile_->text()
                         + " after the write: write it again, or your backup, before switching the decoder off.");
    else if (outcome != EeOutcome::Done && !decoderState_.isEmpty())
        lState_->setText("Cut short, " + decoderState_
                         + ": write it again, or your backup, before switching the decoder off.");
}

// "--" and "+": the neighbouring page, then what READ does, within the
// same action.
void EeWindow::stepPage(const QString &pageText)
{
    txt_->clear();
    txtPG_->setText(NormalizeEePageText(pageText));
    readPage();
}

void EeWindow::readPage()
{
    ShowEePage(link(), session_.options.Eem, EePageNumber(txtPG_->text()), hooks(),
               [this](const QString &bar) { lS_->setText(bar); });
}
