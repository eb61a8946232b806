#include "terminal/speed.h"

namespace {

// Values of the speed register, by speed index.
const QStringList kSpeedValues = {"145", "0A3", "051", "036", "01B"};
constexpr int kSpeedTimeoutMs = 5000;
constexpr int kServiceTimeoutMs = 2000;
constexpr int kDrainMs = 500;   // the command leaves at the old speed
constexpr int kSettleMs = 100;

}   // namespace

QString SpeedSettings(const QString &speed) { return speed + QStringLiteral(",E,7,1"); }

QString SpeedCommand(int speedIndex) { return QStringLiteral("0210200040000") + kSpeedValues.value(speedIndex); }

SpeedResult ChangeSpeed(CommandChannel &link, const QString &device, int speedIndex, const SpeedHooks &hooks)
{
    link.SetCmdTimeout(kSpeedTimeoutMs);
    hooks.showCommand(QString());
    hooks.say(QStringLiteral("Changing COM & Decoder speed...\r\n"));
    const QString command = SpeedCommand(speedIndex);
    // A failed write shows in the test of the line below.
    (void)link.writeRaw(command);
    hooks.showCommand(command);
    link.Wait(kDrainMs);
    if (const QString why = link.reopen(device, SpeedSettings(kSpeeds.value(speedIndex))); !why.isEmpty())
        return {SpeedOutcome::CannotOpen, why};
    hooks.say(QStringLiteral("Testing connection...\r\n"));
    link.Wait(kSettleMs);
    hooks.showCommand(QString());
    if (link.SendCmd(QStringLiteral("09"), false) != QLatin1String("09E")) {
        hooks.say(QStringLiteral("No reply from decoder...\r\nPower off then on the decoder and restart the program."));
        return {SpeedOutcome::NoReply, QString()};
    }
    hooks.say("OK, connected at " + kSpeeds.value(speedIndex));
    return {SpeedOutcome::Connected, QString()};
}

void ServiceMode(CommandChannel &link, bool enter)
{
    link.SetCmdTimeout(kServiceTimeoutMs);
    link.SendCmd(enter ? QString::fromLatin1(kServiceAccessText) : QStringLiteral("100"), true);
}
