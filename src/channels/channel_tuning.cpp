#include "channels/channel_tuning.h"

#include "link/conversions.h"

bool FillTransponder(const ChannelTables &tables, int index, TuneBoxes &b)
{
    if (index < 0 || index >= kTptMaxRecords)
        return false;
    const std::span<const quint8> r =
        std::span<const quint8>(tables.TptTable).subspan(size_t(index) * kTptRecordSize, kTptRecordSize);
    b.autoSwitch = false;
    b.highOscillator = r[kTptLnb] & 1;
    b.frequency = QString::number(ReceivedKHz(tables, index));
    if (r[kTptSr] == 0)
        b.symbolRate = QStringLiteral("275000");
    else if (r[kTptSr] == 2)
        b.symbolRate = QStringLiteral("220000");
    // A code rate the list does not hold leaves the list as it is.
    if (r[kTptFec] <= 5)
        b.fec = r[kTptFec];
    b.horizontal = r[kTptLnb] & 2;
    b.diseqc = QStringLiteral("00");
    return true;
}

bool FillChannel(const ChannelTables &tables, int record, TuneBoxes &b, int &transponder)
{
    if (record < 0 || record >= tables.TcsCount)
        return false;
    const int r = record * kTcsRecordSize;
    const int tp = tables.TcsTable[size_t(r + kTcsTp)];
    if (tables.TcsTable[size_t(r + kTcsUse)] == 0 || tp == 0 || tp == kNoTransponder)
        return false;
    const std::span<const quint8> table(tables.TcsTable);
    b.pids[0] = Dec5(GetBE16(table, r + kTcsVpid));
    b.pids[1] = Dec5(GetBE16(table, r + kTcsApid));
    b.pids[3] = Dec5(GetBE16(table, r + kTcsPcr));
    transponder = tp - 1;
    return true;
}

std::optional<int> TransponderOfChannel(const ChannelTables &tables, int record, int transponderLines)
{
    if (record < 0 || record >= tables.TcsCount)
        return std::nullopt;
    const int tp = tables.TcsTable[size_t(record * kTcsRecordSize + kTcsTp)];
    if (tp == 0)
        return -1;
    if (tp <= transponderLines)
        return tp - 1;
    return std::nullopt;
}

std::optional<TuneResult> TuneToTransponder(TuneService &tuning, const CommandChannel &link,
                                            const ChannelTables &tables, int index)
{
    TuneBoxes boxes = tuning.boxes();
    if (!FillTransponder(tables, index, boxes))
        return std::nullopt;
    tuning.setBoxes(boxes);
    return link.portIsOpen() ? tuning.press(0) : TuneResult{};
}
