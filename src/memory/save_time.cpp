#include "memory/save_time.h"

#include <QStringList>

qint64 PageReadWireSeconds(MemReadMode mode, qint64 pages, qint32 bitRate)
{
    if (bitRate <= 0 || pages <= 0)
        return 0;
    const QStringList commands = PageReadCommands(mode, 0);
    qint64 characters = 0;
    for (const QString &command : commands)
        characters += command.size() + 1 + PageReadReplyLength(mode) + 1;   // each ends in CR
    return (pages * characters * 10 + bitRate - 1) / bitRate;
}
