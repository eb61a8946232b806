#include "memory/mem_window.h"

#include "link/link.h"
#include "link/prompts.h"
#include "memory/save_time.h"
#include "ui/controls.h"
#include "ui/job_progress.h"
#include "ui/session.h"
#include "memory/save_range.h"

#include <QButtonGroup>
#include <QFontDatabase>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace {

// A save longer than this asks first.
constexpr qint64 kAskAboveSeconds = 120;

const char *const kButtonCaptions[4] = {"Read Page", "--", "+", "MEM --> File"};
const char *const kViewCaptions[4] = {"Byte", "Word", "DWord", "ST20_ASM"};

}   // namespace

MemWindow::MemWindow(Session &session) : ToolWindow(session, "DL_Mem", "Memory Dump  (Command 02)")
{
    auto *layout = new QVBoxLayout(this);

    auto *range = new QHBoxLayout;
    txtS_ = NamedLineEdit(this, "Txt_S", "402800", 6);
    txtS_->setToolTip("6 digits only");
    txtE_ = NamedLineEdit(this, "Txt_E", "403FFF", 6);
    txtE_->setToolTip("6 digits only");
    for (QLineEdit *box : {txtS_, txtE_})
        box->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    // Enter in the Start box reads, as "Read Page" does.
    connect(txtS_, &QLineEdit::returnPressed, this, [this] { Cmd_Click(0); });
    range->addWidget(NamedLabel(this, IndexedName("L1", 0), "Start:"));
    range->addWidget(txtS_);
    range->addWidget(NamedLabel(this, IndexedName("L1", 2), "00"));
    range->addSpacing(12);
    range->addWidget(NamedLabel(this, IndexedName("L1", 1), "End:"));
    range->addWidget(txtE_);
    range->addWidget(NamedLabel(this, IndexedName("L1", 3), "FF"));
    range->addStretch();
    layout->addLayout(range);

    auto *buttons = new QHBoxLayout;
    for (int i = 0; i < 4; ++i) {
        cmd_[i] = NamedButton(this, IndexedName("Cmd", i), kButtonCaptions[i]);
        buttons->addWidget(cmd_[i]);
        connect(cmd_[i], &QPushButton::clicked, this, [this, i] { Cmd_Click(i); });
    }
    cmdStop_ = NamedButton(this, "Cmd_Stop", "STOP");
    buttons->addWidget(cmdStop_);
    connect(cmdStop_, &QPushButton::clicked, this, [this] { Cmd_Stop_Click(); });
    txtFile_ = NamedLineEdit(this, "Txt_File", "memdump.bin");
    buttons->addWidget(txtFile_);
    layout->addLayout(buttons);

    auto *views = new QHBoxLayout;
    views->addWidget(NamedLabel(this, IndexedName("L1", 4), "View as:"));
    auto *group = new QButtonGroup(this);
    for (int i = 0; i < 4; ++i) {
        o1_[i] = NamedOption(this, IndexedName("O1", i), kViewCaptions[i], i == 0);
        group->addButton(o1_[i], i);
        views->addWidget(o1_[i]);
        connect(o1_[i], &QRadioButton::clicked, this, [this, i] { O1_Click(i); });
    }
    views->addStretch();
    layout->addLayout(views);

    txt_ = NamedTextArea(this, "Txt", true);
    txt_->setLineWrapMode(QPlainTextEdit::NoWrap);
    txt_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    txt_->setMinimumSize(640, 300);
    layout->addWidget(txt_, 1);

    l2_ = NamedLabel(this, "L2", QString());
    layout->addWidget(l2_);
    layout->addWidget(progressBar());
}

MemView MemWindow::view() const
{
    for (int i = 0; i < 4; ++i)
        if (o1_[i]->isChecked())
            return static_cast<MemView>(i);
    return MemView::Byte;
}

void MemWindow::Cmd_Click(int index)
{
    if (index < 0 || index > 3)
        return;
    runPortAction([this](const QString &text) { l2_->setText(text); },
                  [this, index] {
                      link().SetCmdTimeout(kMemDumpCmdTimeoutMs);
                      normaliseBoxes();
                      switch (index) {
                      case 0: readPage(); break;
                      case 1: stepPage(-1); break;
                      case 2: stepPage(+1); break;
                      case 3: saveRange(); break;
                      }
                  });
}

void MemWindow::normaliseBoxes()
{
    txtS_->setText(NormaliseAddressBox(txtS_->text()));
    txtE_->setText(NormaliseAddressBox(txtE_->text()));
}

// "--" and "+": the neighbouring page, wrapping within 24 bits, then what
// "Read Page" does, within the same action. "+" lets the ST20 view continue
// a prefix sequence that runs over the page boundary.
void MemWindow::stepPage(int delta)
{
    txtS_->setText(StepPageBox(txtS_->text(), delta));
    if (delta > 0)
        Disasm.KeepOreg = true;
    normaliseBoxes();
    readPage();
}

void MemWindow::readPage()
{
    txt_->clear();
    const qint32 page = PageFromBox(txtS_->text());
    l2_->setText("Reading...");
    if (MemRead(link(), session_.options.Mrm, PageBuf, page)) {
        l2_->setText("Read Error!");
        return;
    }
    PageValid = true;
    l2_->setText("Done.");
    render();
}

// Row addresses come from the Start box as it reads now.
void MemWindow::render() { SetBoxText(txt_, RenderPage(view(), PageBuf, PageFromBox(txtS_->text()), Disasm)); }

void MemWindow::O1_Click(int index)
{
    if (index < 0 || index > 3)
        return;
    o1_[index]->setChecked(true);
    if (!PageValid)
        return;
    if (static_cast<MemView>(index) == MemView::St20Asm)
        Disasm.Oreg = 0;
    render();
}

void MemWindow::saveRange()
{
    Prompter &prompter = *session_.prompter;
    const qint32 start = PageFromBox(txtS_->text());
    const qint32 end = PageFromBox(txtE_->text());
    // Once the file may be written, a save of hours starts only when the
    // person agrees to the time.
    const auto mayWrite = [&](const QString &name) {
        const OverwriteAnswer answer = CheckOverwrite(prompter, name);
        if (answer != OverwriteAnswer::MayWrite)
            return answer == OverwriteAnswer::CannotWrite;   // the save says why
        const qint64 pages = qint64(end) - start + 1;
        const qint64 seconds = PageReadWireSeconds(session_.options.Mrm, pages, link().bitRate());
        if (seconds <= kAskAboveSeconds
            || prompter.confirm(windowTitle(),
                                QStringLiteral("Saving %1 pages takes at least %2 at %3 bit/s. Start it?")
                                    .arg(pages)
                                    .arg(DurationText(seconds))
                                    .arg(link().bitRate())))
            return true;
        FileExists(name);   // the empty file the check made goes again
        return false;
    };
    if (SaveRange(link(), session_.options.Mrm, start, end, txtFile_->text(), PageBuf, jobHooks(l2_), mayWrite)
        == SaveOutcome::Done)
        progressBar()->finished();
}
