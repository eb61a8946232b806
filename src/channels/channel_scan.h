#pragma once
// The pieces of the two scans that are plain code: the sweep command and its
// result lines, the transponder records they append, and the filters and
// records of the channel scan.
#include "channels/channel_tables.h"

#include <array>
#include <optional>

constexpr int kSweepResultLength = 17;
constexpr int kSweepResultWaitMs = 10000;
constexpr int kLnbHorizontalBit = 0x08;
constexpr int kLnbHighBandBit = 0x10;
inline const QString kSweepNext = QStringLiteral("072");
inline const QString kSatMapFile = QStringLiteral("SatMap.Txt");

// Bands 1..4: Vertical Down, Horizzontal Down, Vertical Up, Horizzontal Up.
QString ScanningText(int band);
// With the PC driving the LNB the command names the vertical band of the same height.
QString SweepCommand(int band, bool lnbControl);
// The LNB control bits the PC sets for a band while it drives the LNB.
int LnbBitsForBand(int band);
// The status line of a sweep command's reply. A slow turn of the event loop
// can let the result line arrive before the reply is looked at; it stays in
// RxBuf for the result wait.
QString SweepStatus(const QString &reply);
// True while the status line says the sweep goes on.
bool SweepGoesOn(const QString &status);

struct SweepResult {
    qint32 intermediateKHz = 0;
    int srCode = 0;
    int fec = 0;
};
// The result line after the status line in rxBuf; nullopt unless 17 characters.
std::optional<SweepResult> ParseSweepResult(const QString &rxBuf, const QString &status);
QString ProgressText(qint32 intermediateKHz);   // " 4%"
void AppendTransponder(ChannelTables &tables, const SweepResult &result, int band);

struct ScanFilters {
    bool skipDuplicates = true;
    bool skipRadio = true;
    bool skipInteractive = true;
    bool freeOrMedGrdOnly = true;
};
// The decoded service's PIDs: video, audio, PCR, service id, video ECM, audio ECM, CA kind.
using ServicePids = std::array<qint32, 8>;
// Writes the name into the free record, then adds the service on transponder
// record tp unless a filter skips it. The table must have a free record.
bool AddScannedService(ChannelTables &tables, int tp, const QString &name, const ServicePids &pids,
                       const ScanFilters &filters);
// TID, NID (-1 leaves them) and the channel count of a scanned transponder.
void UpdateScannedTransponder(ChannelTables &tables, int tp, qint32 tsid, qint32 networkId, int channels);
QString ScanSummary(int tp, int channels, int skipped, int added);
