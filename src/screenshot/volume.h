#pragma once
// The decoder's audio attenuation: one write to register 0 of the audio
// device (I2C address 94) of a level digit and the matrix text.
#include <QString>

constexpr int kAttenuationSteps = 8;   // 0 to -14 dB in 2 dB steps

// "2709400" + the level digit (step * 2, plus 1 for +6 dB) + matrix as typed.
QString VolumeCommand(int step, bool plus6dB, const QString &matrix);
