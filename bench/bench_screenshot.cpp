// The screenshot section: the capture of a 720 x 576 picture from the paced
// simulated decoder against the wire limit of its page reads, and the
// rebuild of the same picture from its buffers alone.
#include "bench_support.h"

#include "screenshot/capture.h"
#include "screenshot/frame_buffers.h"

#include <QElapsedTimer>
#include <cstdio>
#include <vector>

namespace {

// Forwards to the link, counting the characters on the wire and keeping the
// bytes of every page read, in the order read.
class KeepingChannel : public CommandChannel {
public:
    explicit KeepingChannel(Link &link) : link_(link) {}
    QString SendCmd(const QString &command, bool show) override
    {
        const QString reply = link_.SendCmd(command, show);
        ++transactions;
        characters += double(command.size() + 1 + reply.size() + 1);
        for (int i = 3; i + 1 < reply.size(); i += 2)
            bytes.push_back(quint8(reply.mid(i, 2).toUInt(nullptr, 16)));
        return reply;
    }
    void SetCmdTimeout(int ms) override { link_.SetCmdTimeout(ms); }
    void Wait(int ms) override { link_.Wait(ms); }

    int transactions = 0;
    double characters = 0;
    std::vector<quint8> bytes;

private:
    Link &link_;
};

}   // namespace

bool BenchScreenshot()
{
    constexpr int kWidthBlocks = 45, kHeightBlocks = 36;
    SimLink s;
    if (!s.start("--pace --speed 115200", 115200))
        return false;
    KeepingChannel channel(*s.link);
    Picture captured(kWidthBlocks * kMacroblockPixels, kHeightBlocks * kMacroblockPixels);
    const double cpu0 = CpuSeconds();
    QElapsedTimer timer;
    timer.start();
    const CaptureResult result =
        CapturePicture(channel, MemReadMode::MultiByte, {kLumaBuffer1, kChromaBuffer1, kWidthBlocks, kHeightBlocks},
                       captured, CaptureHooks());
    const double wall = timer.nsecsElapsed() / 1e9;
    const double cpu = CpuSeconds() - cpu0;
    const double wire = WireSeconds(channel.characters, 115200);
    std::printf("screenshot: 720 x 576 from buffer 1, Multi Byte (128), paced at 115200 bit/s\n");
    std::printf("  capture   %d transactions, %s\n", channel.transactions, qPrintable(CaptureStatus(result)));
    std::printf("  wall %.2f s, wire limit %.2f s: %.3f of the wire limit (target >= 0.95)\n", wall, wire, wire / wall);
    std::printf("  CPU %.2f s = %.1f%% of wall time\n", cpu, 100.0 * cpu / wall);

    // The bytes in the order read: the luminance groups, then the chrominance pages.
    const size_t lumaBytes = size_t(kWidthBlocks * kHeightBlocks / 2 / 2) * kLumaGroupBytes;
    const std::span<const quint8> all(channel.bytes);
    Picture rebuilt;
    const double best = BestMs([&] {
        rebuilt = RebuildPicture(all.first(lumaBytes), all.subspan(lumaBytes), kWidthBlocks, kHeightBlocks);
        return true;
    });
    std::printf("  rebuild from the buffers alone: best of 20 %.2f ms (target < 20 ms), %s picture\n", best,
                rebuilt == captured ? "the same" : "a different");
    return true;
}
