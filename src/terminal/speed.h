#pragma once
// The speed change of PC and decoder together, and the service mode: the
// main window's commands that are more than one transaction.
#include "link/channel.h"

#include <QString>
#include <QStringList>
#include <functional>

inline const QStringList kSpeeds = {"9600", "19200", "38400", "57600", "115200"};
// The decoder's command monitor takes this text to enter its service mode.
inline constexpr char kServiceAccessText[] = "TRABUNE";

// The port settings text of a speed: "9600,E,7,1".
QString SpeedSettings(const QString &speed);
// The 16-bit write into the decoder's speed register for kSpeeds[speedIndex].
QString SpeedCommand(int speedIndex);

enum class SpeedOutcome { Connected, NoReply, CannotOpen };
struct SpeedResult {
    SpeedOutcome outcome = SpeedOutcome::NoReply;
    QString why;   // with CannotOpen: the system's reason
};
struct SpeedHooks {
    std::function<void(const QString &)> say = [](const QString &) {};           // a line of progress
    std::function<void(const QString &)> showCommand = [](const QString &) {};   // the command box's text
};
// Writes the speed command at the old speed, lets it go out, reopens device
// at kSpeeds[speedIndex] and tests the line with "09" (the decoder's syntax
// error "09E" means it hears the new speed). The caller holds the link.
[[nodiscard]] SpeedResult ChangeSpeed(CommandChannel &link, const QString &device, int speedIndex,
                                      const SpeedHooks &hooks);

// Enter (true) or leave the service mode; the reply goes to the display.
void ServiceMode(CommandChannel &link, bool enter);
