#include "screenshot/vol_window.h"

#include "link/link.h"
#include "ui/controls.h"
#include "ui/session.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QRadioButton>
#include <QVBoxLayout>

VolWindow::VolWindow(Session &session) : ToolWindow(session, "DL_Vol", "Set Audio Volume")
{
    auto *layout = new QHBoxLayout(this);
    auto *levels = NamedFrame(this, IndexedName("F1", 0), "Audio dB");
    auto *grid = new QGridLayout(levels);
    for (int i = 0; i < kAttenuationSteps; ++i) {
        o1_[i] = NamedOption(levels, IndexedName("O1", i), i == 0 ? "0" : QString::number(-2 * i), false);
        // The window decides the selection: a refused click must change nothing.
        o1_[i]->setAutoExclusive(false);
        grid->addWidget(o1_[i], i % 4, i / 4);
        connect(o1_[i], &QRadioButton::clicked, this, [this, i](bool checked) {
            if (!O1_Click(i))
                o1_[i]->setChecked(!checked);
        });
    }
    chk_ = NamedCheck(levels, "Chk", "+6dB", false);
    grid->addWidget(chk_, 4, 0, 1, 2);
    layout->addWidget(levels);

    auto *matrix = NamedFrame(this, IndexedName("F1", 1), "Matrix");
    auto *matrixLayout = new QVBoxLayout(matrix);
    txt_ = NamedLineEdit(matrix, "Txt", "5");
    txt_->setMaximumWidth(48);
    matrixLayout->addWidget(txt_);
    matrixLayout->addStretch();
    layout->addWidget(matrix);
}

bool VolWindow::O1_Click(int index)
{
    if (index < 0 || index >= kAttenuationSteps)
        return false;
    return runAction(
        [this, index] {
            for (int k = 0; k < kAttenuationSteps; ++k)
                o1_[k]->setChecked(k == index);
            link().SendCmd(VolumeCommand(index, chk_->isChecked(), txt_->text()), false);
        },
        false);
}
