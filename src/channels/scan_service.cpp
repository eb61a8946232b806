#include "channels/scan_service.h"

#include "channels/channel_tuning.h"
#include "link/conversions.h"
#include "link/prompts.h"
#include "si/si_capture.h"
#include "si/si_decode.h"
#include "tune/tune_service.h"

#include <QFile>
#include <memory>

namespace {

constexpr int kTuneSettleMs = 100;
constexpr int kNoCarrierPauseMs = 500;

}   // namespace

ScanService::ScanService(CommandChannel &link, const Options &options, TuneService &tuning, ChannelTables &tables)
    : link_(link), options_(options), tuning_(tuning), tables_(tables)
{}

bool ScanService::endedByLostLink(const ScanHooks &hooks)
{
    const QString lost = link_.linkLost();
    if (lost.isEmpty())
        return false;
    hooks.setStatus(lost);
    hooks.setDetail(QString());
    return true;
}

void ScanService::scanTransponders(const std::array<bool, 4> &bands, bool lnbControl, const ScanHooks &hooks)
{
    if (lnbControl)
        lnbByteFound_ = HexToByte(link_.SendCmd("151", false).right(2));
    bool completed = true;
    // A band's sweep runs over the intermediate frequencies 950 to 2150 MHz.
    const qint64 sweeps = std::count(bands.begin(), bands.end(), true);
    qint64 swept = 0;
    ScanHooks whole = hooks;
    whole.progress = [&](qint64 perMille, qint64) { hooks.progress(swept * 1000 + perMille, sweeps * 1000); };
    for (int band = 1; band <= 4 && completed; ++band)
        if (bands[size_t(band - 1)]) {
            completed = sweepBand(band, lnbControl, whole);
            ++swept;
        }
    if (completed)
        hooks.progress(sweeps, sweeps);
    // The LNB gets back the control byte it had before the scan.
    if (lnbControl && !endedByLostLink(hooks))
        link_.SendCmd("150" + Hex2(lnbByteFound_), true);
    if (completed && !endedByLostLink(hooks)) {
        hooks.setStatus("Done.");
        hooks.setDetail(QString());
    }
}

// False when the whole scan ends (STOP, a full table, a lost link).
bool ScanService::sweepBand(int band, bool lnbControl, const ScanHooks &hooks)
{
    hooks.setDetail(QString());
    hooks.setStatus(ScanningText(band));
    // Set before the band as well as after each carrier, so the first carrier is
    // already found on the band's polarisation and the bits of another band are gone.
    if (lnbControl)
        link_.SendCmd("150" + Hex2((lnbByteFound_ & ~(kLnbHorizontalBit | kLnbHighBandBit)) | LnbBitsForBand(band)),
                      true);
    QString status = SweepStatus(link_.SendCmd(SweepCommand(band, lnbControl), true));
    while (SweepGoesOn(status)) {
        if (endedByLostLink(hooks))
            return false;
        const bool stop = hooks.stopRequested();
        if (stop || tables_.TptCount >= kTptMaxRecords) {
            // The decoder still sends the result it is searching for: taken
            // here, it cannot pass for the reply of the next command.
            awaitSweepResult();
            hooks.setStatus(stop ? "User Break." : "Too many transponders!");
            return false;
        }
        if (!awaitSweepResult())
            continue;
        const std::optional<SweepResult> result = ParseSweepResult(link_.received(), status);
        if (!result)
            break;
        hooks.setDetail(ProgressText(result->intermediateKHz));
        hooks.progress(std::clamp<qint64>((result->intermediateKHz - 950000) / 1200, 0, 1000), 1000);
        AppendTransponder(tables_, *result, band);
        hooks.transponderAdded();
        if (lnbControl && (band == 2 || band == 4))
            setLnbBits(band);
        status = SweepStatus(link_.SendCmd(kSweepNext, true));
    }
    return !endedByLostLink(hooks);
}

bool ScanService::awaitSweepResult()
{
    return link_.awaitMore(kSweepResultWaitMs, [](const QString &rx) { return CountCR(rx) >= 2; });
}

void ScanService::setLnbBits(int band)
{
    const int byte = HexToByte(link_.SendCmd("151", false).right(2)) | LnbBitsForBand(band);
    link_.SendCmd("150" + Hex2(byte), true);
}

void ScanService::scanChannels(const ChannelScanRequest &request, const ScanHooks &hooks)
{
    bool full = false;
    for (int tp = request.first; tp <= request.last; ++tp) {
        if (endedByLostLink(hooks))
            return;
        if (hooks.stopRequested()) {
            hooks.setStatus("User Break.");
            return;
        }
        hooks.transponderScanned(tp);
        hooks.progress(tp - request.first, request.last - request.first + 1);
        scanTransponder(tp, request, hooks);
        full = full || tables_.TcsCount >= kTcsMaxRecords;
    }
    if (endedByLostLink(hooks))
        return;
    // A full channel table is the scan's last word, not "Done.": services were left out.
    hooks.setStatus(full ? "MAX 2000 channels!" : "Done.");
    hooks.progress(1, 1);
}

void ScanService::scanTransponder(int tp, const ChannelScanRequest &request, const ScanHooks &hooks)
{
    if (tp > tables_.TptCount - 1)
        return;
    hooks.setStatus("Tuning transponder " + Hex2(tp));
    const std::optional<TuneResult> tuned = TuneToTransponder(tuning_, link_, tables_, tp);
    if (!tuned)
        return;
    link_.Wait(kTuneSettleMs);
    if (!tuned->carrier) {
        hooks.setStatus(hooks.status() + " - No Carrier!");
        link_.Wait(kNoCarrierPauseMs);
        return;
    }
    hooks.setStatus("TP:" + Hex2(tp + 1) + " Reading SI Data, wait...");
    const auto store = std::make_unique<SiStore>();
    const int channels = CaptureSi(link_, *store) ? store->ChannelCount : 0;
    if (channels == 0) {
        hooks.setStatus(hooks.status() + "SI Data error!");
        return;
    }
    UpdateScannedTransponder(tables_, tp, store->FirstTsId, store->FirstNetId, channels);
    int added = 0;
    for (int k = 0; k < channels; ++k) {
        if (tables_.TcsCount >= kTcsMaxRecords) {
            hooks.setStatus("MAX 2000 channels!");
            return;
        }
        ChDisp(*store, k, DecodeOptions{});
        added +=
            AddScannedService(tables_, tp, store->ServiceNames[size_t(k)], store->DemuxPids, request.filters) ? 1 : 0;
    }
    hooks.setDetail(ScanSummary(tp, channels, channels - added, added));
    hooks.channelsAdded();
    if (request.satMap)
        appendSatMap(*store, tp, channels, request.satMapFile, hooks);
}

void ScanService::appendSatMap(SiStore &store, int tp, int channels, const QString &name, const ScanHooks &hooks)
{
    QString text = kCrLf + "===== " + TptLines(tables_).value(tp).right(40) + " =====" + kCrLf + kCrLf;
    for (int k = 0; k < channels; ++k)
        text += ChDisp(store, k, DecodeOptions{false, true}) + kCrLf;
    QFile file;
    QString why;
    if (!OpenForWrite(file, name, QIODevice::WriteOnly | QIODevice::Append, why))
        hooks.setStatus("Cannot write " + name + " - " + why);
    else if (file.write(text.toLatin1()) < 0 || !file.flush())
        hooks.setStatus("Cannot write " + name + " - " + file.errorString());
}
