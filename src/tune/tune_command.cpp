#include "tune/tune_command.h"

#include "link/conversions.h"

#include <cmath>

namespace {

const char *const kDemuxCodes[4] = {"090", "091", "093", "094"};

// Text of a value the way the tune command carries it: no sign, no blanks.
QString NumberText(double v)
{
    v = std::fabs(v);
    return v == std::floor(v) && v < 1e15 ? QString::number(qint64(v)) : QString::number(v, 'g', 15);
}

void Limit(QString &text, double lowest, double highest, const QString &lowText, const QString &highText)
{
    if (LeadingValue(text) > highest)
        text = highText;
    if (LeadingValue(text) < lowest)
        text = lowText;
}

}   // namespace

void CorrectTuneBoxes(TuneBoxes &b)
{
    Limit(b.frequency, kTuneLowestKHz, kTuneHighestKHz, "10700000", "12755000");
    Limit(b.symbolRate, 220000, 300000, "220000", "300000");
    for (QString &pid : b.pids)
        Limit(pid, 0, 65535, "0", "65535");
    const double kHz = LeadingValue(b.frequency);
    if (!b.autoSwitch) {
        if (!b.highOscillator && kHz > kLowBandHighestKHz)
            b.frequency = "11905000";
        if (b.highOscillator && LeadingValue(b.frequency) < kHighBandLowestKHz)
            b.frequency = "11550000";
    } else {
        b.highOscillator = kHz > kAutoSwitchKHz;
    }
}

QString TunePrefix(TuneSyntax syntax) { return syntax == TuneSyntax::SevenDigits ? "070" : "071"; }

QString TuneCommand(const TuneBoxes &b, TuneSyntax syntax)
{
    const double oscillator = b.highOscillator ? kHighOscillatorKHz : kLowOscillatorKHz;
    QString intermediate = NumberText(LeadingValue(b.frequency) - oscillator);
    if (intermediate.size() == 6)
        intermediate.prepend('0');
    if (syntax == TuneSyntax::FourDigits)
        intermediate = intermediate.left(4);
    const int band = 1 + (b.highOscillator ? 2 : 0) + (b.horizontal ? 1 : 0);
    return TunePrefix(syntax) + intermediate + QString::number(b.fec) + b.symbolRate + QString::number(band) + b.diseqc
        + '2';
}

QString DemuxCommand(const TuneBoxes &b, int button)
{
    const auto pid = qint64(std::nearbyint(LeadingValue(b.pids[size_t(button - 1)])));   // a half to the even one
    return kDemuxCodes[button - 1] + QString::number(pid, 16).toUpper().rightJustified(4, '0');
}

QString CarrierVerdict(const QString &reply, const QString &prefix)
{
    if (reply == prefix + '0')
        return QStringLiteral(" : Carrier found.");
    if (reply == prefix + '1')
        return QStringLiteral(" : No Carrier!");
    return QString();
}
