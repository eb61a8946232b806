#pragma once
// The volume window DL_Vol: sets the attenuation of the decoder's audio
// output, with the +6 dB flag and the matrix value, by one command per click
// on an attenuation. It never reads the setting back, so no attenuation
// shows as selected until one is clicked.
#include "screenshot/volume.h"
#include "ui/tool_window.h"

class QCheckBox;
class QLineEdit;
class QRadioButton;

class VolWindow : public ToolWindow {
    Q_OBJECT
public:
    explicit VolWindow(Session &session);

    // Selects attenuation index alone and sends it; false (nothing sent,
    // nothing selected) while a transaction or an operation runs.
    bool O1_Click(int index);

private:
    QRadioButton *o1_[kAttenuationSteps] = {};
    QCheckBox *chk_ = nullptr;
    QLineEdit *txt_ = nullptr;
};
