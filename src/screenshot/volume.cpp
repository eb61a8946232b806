#include "screenshot/volume.h"

QString VolumeCommand(int step, bool plus6dB, const QString &matrix)
{
    const int level = (step * 2 + (plus6dB ? 1 : 0)) & 0xF;
    return QStringLiteral("2709400") + QString::number(level, 16).toUpper() + matrix;
}
