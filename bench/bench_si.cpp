// The SI section: command 31 captures from the simulated decoder beside the
// wire time of their replies, and the split and decoding of a 32 KB capture
// of many tables.
#include "bench_support.h"

#include "si/si_capture.h"
#include "si/si_decode.h"

#include <QElapsedTimer>
#include <cstdio>

namespace {

// Tune commands of four transponders (IF, code rate, symbol rate, band) of the simulated satellite.
const char *const kTunes[4] = {"070097900022750002002", "070102425022750001002", "070107700042200002002",
                               "070111125022750001002"};

// One capture as the SI window makes it: "310" straight to the port, the
// reply's end or 30 s of silence.
bool Capture(Link &link, QString &reply)
{
    reply = link.transactLines(kSiRequest, kSiSilenceMs, SiReplyComplete).text;
    return SiReplyComplete(reply);
}

double DecodeMs(const QString &capture, int &tables, int &channels)
{
    static SiStore store;
    const double best = BestMs([&] {
        SplitCapture(store, capture, false);
        for (int t = 0; t < store.TableCount; ++t)
            TableText(store, t);
        for (int c = 0; c < store.ChannelCount; ++c)
            ChDisp(store, c, {});
        return true;
    });
    tables = store.TableCount;
    channels = store.ChannelCount;
    return best;
}

}   // namespace

bool BenchSi()
{
    SimLink s;
    if (!s.start("--pace --speed 115200", 115200))
        return false;
    std::printf("si: command 31 captures, paced at 115200 bit/s\n");
    QString body;
    for (const char *tune : kTunes) {
        s.link->SetCmdTimeout(5000);
        if (s.link->SendCmd(tune, false) != QString(tune).left(3) + '0')
            return false;
        QElapsedTimer timer;
        timer.start();
        QString reply;
        if (!Capture(*s.link, reply))
            return false;
        const double wall = double(timer.nsecsElapsed()) / 1e9;
        // The request's 4 characters go out before the reply starts.
        const double wire = WireSeconds(double(reply.size() + 4), s.baud);
        std::printf("  capture of %6lld characters  %6.2f s  wire %6.2f s  to the wire %.3f\n", qlonglong(reply.size()),
                    wall, wire, wire / wall);
        body += reply.mid(3).chopped(1);
    }
    const QString capture = kSiRequest + body + '\n';
    int tables = 0, channels = 0;
    const double ms = DecodeMs(capture, tables, channels);
    std::printf("  split and decode of %lld characters (%d tables, %d channels): %.2f ms\n", qlonglong(capture.size()),
                tables, channels, ms);
    return true;
}
