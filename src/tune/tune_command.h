#pragma once
// The tune command and the demultiplexer commands of the manual tuning
// window, built from its box texts. The corrections bring every box into
// range in place, the way the window then shows it. Plain code.
#include "link/options.h"

#include <QString>
#include <array>

constexpr double kTuneLowestKHz = 10700000;
constexpr double kTuneHighestKHz = 12755000;
constexpr double kLowBandHighestKHz = 11905000;   // highest with the 9.750 oscillator
constexpr double kHighBandLowestKHz = 11550000;   // lowest with the 10.600 oscillator
constexpr double kAutoSwitchKHz = 11700000;       // above it Auto takes the 10.600 oscillator
constexpr qint32 kLowOscillatorKHz = 9750000;     // the LNB's two local oscillators
constexpr qint32 kHighOscillatorKHz = 10600000;
constexpr int kTuneTimeoutMs = 5000;
constexpr int kDemuxTimeoutMs = 500;

// What the tuning window's controls hold.
struct TuneBoxes {
    QString frequency = QStringLiteral("10700000");
    QString symbolRate = QStringLiteral("275000");
    QString diseqc = QStringLiteral("00");
    std::array<QString, 4> pids = {"0", "0", "0", "0"};   // video, audio, teletext, PCR
    bool autoSwitch = true;
    bool highOscillator = false;   // LH ticked; LO ticked otherwise
    bool horizontal = false;
    int fec = 2;   // list position of the code rate
};

// Range corrections and the oscillator choice, in the window's order; each
// step reads the texts as the step before left them.
void CorrectTuneBoxes(TuneBoxes &boxes);

QString TunePrefix(TuneSyntax syntax);   // "070" or "071"
// The tune command of corrected boxes.
QString TuneCommand(const TuneBoxes &boxes, TuneSyntax syntax);
// The command of PID button 1..4 (V-PID, A-PID, Text, PCR) of corrected boxes.
QString DemuxCommand(const TuneBoxes &boxes, int button);
// What the window adds to the reply on display: the carrier verdict, or nothing.
QString CarrierVerdict(const QString &reply, const QString &prefix);
