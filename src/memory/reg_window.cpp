#include "memory/reg_window.h"

#include "link/link.h"
#include "ui/controls.h"
#include "ui/session.h"

#include <QButtonGroup>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>

namespace {

// A read has no STOP button and always runs through all its rows. Once its
// window is closed nobody will see the table, so the rows still to come are
// answered empty at once instead of keeping the link busy for them.
class ClosableChannel : public CommandChannel {
public:
    ClosableChannel(CommandChannel &link, const ToolWindow &window) : link_(link), window_(window) {}
    QString SendCmd(const QString &command, bool show) override
    {
        return window_.isClosing() ? QString() : link_.SendCmd(command, show);
    }
    void SetCmdTimeout(int ms) override { link_.SetCmdTimeout(ms); }
    void Wait(int ms) override
    {
        if (!window_.isClosing())
            link_.Wait(ms);
    }

private:
    CommandChannel &link_;
    const ToolWindow &window_;
};

}   // namespace

RegWindow::RegWindow(Session &session) : ToolWindow(session, "DL_Reg", "View Registers  (Command 25 & 27)")
{
    auto *grid = new QGridLayout(this);
    auto *group = new QButtonGroup(this);
    o1_[0] = NamedOption(this, IndexedName("O1", 0), "Demod_IC", true);
    o1_[1] = NamedOption(this, IndexedName("O1", 1), "I2C_Bus", false);
    for (int i = 0; i < 2; ++i) {
        group->addButton(o1_[i], i);
        connect(o1_[i], &QRadioButton::clicked, this, [this, i] { O1_Click(i); });
    }
    txtPG_ = NamedLineEdit(this, "Txt_PG", "D0");
    txtPG_->setEnabled(false);
    txtPG_->setMaximumWidth(60);
    cmdRead_ = NamedButton(this, "Cmd_Read", "READ");
    cmdX_ = NamedButton(this, "Cmd_X", "EXIT");
    connect(cmdRead_, &QPushButton::clicked, this, [this] { Cmd_Read_Click(); });
    connect(cmdX_, &QPushButton::clicked, this, &QWidget::close);

    grid->addWidget(o1_[0], 0, 0);
    grid->addWidget(o1_[1], 0, 1);
    grid->addWidget(NamedLabel(this, "Label1", "Slave:"), 0, 2);
    grid->addWidget(txtPG_, 0, 3);
    grid->addWidget(cmdRead_, 0, 4);
    grid->addWidget(cmdX_, 0, 5);

    txt_ = NamedTextArea(this, "Txt", true);
    txt_->setLineWrapMode(QPlainTextEdit::NoWrap);
    txt_->setMinimumSize(560, 280);
    grid->addWidget(txt_, 1, 0, 1, 6);
    lS_ = NamedLabel(this, "L_S", QString());
    grid->addWidget(lS_, 2, 0, 1, 6);
}

RegisterSpace RegWindow::space() const
{
    return o1_[1]->isChecked() ? RegisterSpace::I2CBus : RegisterSpace::Demodulator;
}

void RegWindow::O1_Click(int index)
{
    if (index < 0 || index > 1)
        return;
    o1_[index]->setChecked(true);
    txtPG_->setEnabled(index == 1);
}

void RegWindow::setControlsEnabled(bool enabled)
{
    cmdRead_->setEnabled(enabled);
    cmdX_->setEnabled(enabled);
    o1_[0]->setEnabled(enabled);
    o1_[1]->setEnabled(enabled);
}

void RegWindow::Cmd_Read_Click()
{
    runPortAction([this](const QString &text) { SetBoxText(txt_, text); },
                  [this] {
                      setControlsEnabled(false);
                      const RegisterSpace chosen = space();
                      // The slave box shows the address as it is used before the first row is read.
                      if (chosen == RegisterSpace::I2CBus)
                          txtPG_->setText(NormaliseSlave(txtPG_->text()));
                      ClosableChannel channel(link(), *this);
                      const RegisterDump dump = ReadRegisters(channel, chosen, txtPG_->text(),
                                                              [this](const QString &bar) { lS_->setText(bar); });
                      SetBoxText(txt_, dump.text);
                      setControlsEnabled(true);
                  });
}
