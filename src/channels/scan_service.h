#pragma once
// The two scans of a satellite, with no window: the transponder scan sweeps
// the chosen bands and appends what it finds to the transponder table; the
// channel scan tunes to transponders in turn, captures and decodes their
// service information and adds the services to the channel table. Both
// report through hooks, stop at STOP between steps and end with the link's
// message once the link is lost.
#include "channels/channel_scan.h"
#include "link/channel.h"
#include "link/options.h"

#include <array>
#include <functional>

struct SiStore;
class TuneService;

struct ScanHooks {
    std::function<bool()> stopRequested = [] { return false; };
    std::function<void(const QString &)> setStatus = [](const QString &) {};   // the status line
    std::function<void(const QString &)> setDetail = [](const QString &) {};   // the line under it
    std::function<QString()> status = [] { return QString(); };
    std::function<void()> transponderAdded = [] {};             // the table grew by one record
    std::function<void(int)> transponderScanned = [](int) {};   // the channel scan moves to record tp
    std::function<void()> channelsAdded = [] {};                // services went into the channel table
    // done of total: per mille of the bands swept, or transponders scanned.
    std::function<void(qint64 done, qint64 total)> progress = [](qint64, qint64) {};
};

struct ChannelScanRequest {
    int first = 0;   // transponder records first..last
    int last = 0;
    ScanFilters filters;
    bool satMap = false;   // the decoded services are appended to satMapFile
    QString satMapFile = kSatMapFile;
};

class ScanService {
public:
    ScanService(CommandChannel &link, const Options &options, TuneService &tuning, ChannelTables &tables);

    // Bands 1..4 where bands[band - 1] is set; with lnbControl the PC drives
    // the LNB and gives it back its control byte at the end.
    void scanTransponders(const std::array<bool, 4> &bands, bool lnbControl, const ScanHooks &hooks);
    void scanChannels(const ChannelScanRequest &request, const ScanHooks &hooks);

private:
    bool sweepBand(int band, bool lnbControl, const ScanHooks &hooks);
    bool awaitSweepResult();
    void setLnbBits(int band);
    bool endedByLostLink(const ScanHooks &hooks);
    void scanTransponder(int tp, const ChannelScanRequest &request, const ScanHooks &hooks);
    void appendSatMap(SiStore &store, int tp, int channels, const QString &name, const ScanHooks &hooks);

    CommandChannel &link_;
    const Options &options_;
    TuneService &tuning_;
    ChannelTables &tables_;
    int lnbByteFound_ = 0;   // the LNB control byte before a scan that drives the LNB
};
