#include "channels/channel_scan.h"

#include "link/conversions.h"

namespace {

const char *const kBandNames[4] = {"Vertical Down", "Horizzontal Down", "Vertical Up", "Horizzontal Up"};
const int kBandLnbCodes[4] = {0, 2, 1, 3};
constexpr qint32 kNoPid = 65535;
constexpr qint32 kOtherCaSystem = 1;

}   // namespace

QString ScanningText(int band) { return QStringLiteral("Scanning %1...").arg(kBandNames[band - 1]); }

QString SweepCommand(int band, bool lnbControl)
{
    const int digit = lnbControl ? (band <= 2 ? 1 : 3) : band;
    return "07209502155275000220000275000220000" + QString::number(digit) + "00";
}

int LnbBitsForBand(int band)
{
    return (band == 2 || band == 4 ? kLnbHorizontalBit : 0) | (band == 4 ? kLnbHighBandBit : 0);
}

QString SweepStatus(const QString &reply) { return reply.section('\r', 0, 0); }

bool SweepGoesOn(const QString &status) { return status.startsWith("072") && !status.startsWith("072000000"); }

std::optional<SweepResult> ParseSweepResult(const QString &rxBuf, const QString &status)
{
    QString line = rxBuf.mid(status.size() + 1);
    if (!line.isEmpty())
        line.chop(1);
    if (line.size() != kSweepResultLength)
        return std::nullopt;
    SweepResult r;
    r.intermediateKHz = HexToAddr(QStringView(line).mid(3, 6));
    r.srCode = line.mid(9, 6) == "220000" ? 2 : 0;
    r.fec = line[15].unicode() - '0';
    return r;
}

QString ProgressText(qint32 intermediateKHz) { return ' ' + QString::number((intermediateKHz - 950000) / 12050) + '%'; }

void AppendTransponder(ChannelTables &t, const SweepResult &result, int band)
{
    const std::span<quint8> table(t.TptTable);
    const int r = t.TptCount * kTptRecordSize;
    PutFreqKHz(table, r + kTptFrequency, result.intermediateKHz);
    PutBE16(table, r + kTptTid, 0);
    PutBE16(table, r + kTptNid, 0);
    table[size_t(r + kTptChn)] = 0;
    table[size_t(r + kTptSr)] = quint8(result.srCode);
    table[size_t(r + kTptFec)] = quint8(result.fec);
    table[size_t(r + kTptLnb)] = quint8(kBandLnbCodes[band - 1]);
    ++t.TptCount;
}

bool AddScannedService(ChannelTables &t, int tp, const QString &name, const ServicePids &pids, const ScanFilters &f)
{
    const int record = t.TcsCount;
    PutName(t, record, name);
    const std::span<quint8> table(t.TcsTable);
    bool duplicate = false;
    for (int i = 0; i < record && f.skipDuplicates && !duplicate; ++i)
        duplicate = table[size_t(i * kTcsRecordSize + kTcsTp)] == tp + 1
            && GetBE16(table, i * kTcsRecordSize + kTcsSid) == (pids[3] & 0xFFFF);
    const bool noVideo = pids[0] == kNoPid, noAudio = pids[1] == kNoPid;
    if (duplicate || (f.skipRadio && noVideo) || (f.skipInteractive && noVideo && noAudio)
        || (f.freeOrMedGrdOnly && pids[6] == kOtherCaSystem))
        return false;
    const int r = record * kTcsRecordSize;
    table[size_t(r + kTcsUse)] = 4;
    table[size_t(r + kTcsTp)] = quint8(tp + 1);
    const int fields[6][2] = {{kTcsSid, 3}, {kTcsVpid, 0}, {kTcsApid, 1}, {kTcsVecm, 4}, {kTcsAecm, 5}, {kTcsPcr, 2}};
    for (const auto &field : fields)
        PutBE16(table, r + field[0], pids[size_t(field[1])]);
    ++t.TcsCount;
    return true;
}

void UpdateScannedTransponder(ChannelTables &t, int tp, qint32 tsid, qint32 networkId, int channels)
{
    const std::span<quint8> table(t.TptTable);
    const int r = tp * kTptRecordSize;
    if (tsid != -1)
        PutBE16(table, r + kTptTid, tsid);
    if (networkId != -1)
        PutBE16(table, r + kTptNid, networkId);
    table[size_t(r + kTptChn)] = quint8(std::min(channels, 254));
}

QString ScanSummary(int tp, int channels, int skipped, int added)
{
    return QStringLiteral("TP:%1  Channels:%2  Skipped:%3  Added:%4")
        .arg(Hex2(tp + 1))
        .arg(channels)
        .arg(skipped)
        .arg(added);
}
