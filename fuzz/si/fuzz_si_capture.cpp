// Fuzz target: a command 31 reply split into tables and decoded. Input: 1
// byte of options (bit 0 audio and video only, bit 1 no unknown
// descriptors), then the reply's bytes. Every table and channel is decoded;
// reads outside a table would be caught by the sanitizers.
#include "fuzz_support.h"
#include "si/si_capture.h"
#include "si/si_decode.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 1)
        return 0;
    static SiStore store;   // kept across runs, as the window keeps its tables across captures
    const DecodeOptions options{bool(data[0] & 1), bool(data[0] & 2)};
    const QString reply = QString::fromLatin1(reinterpret_cast<const char *>(data + 1), qsizetype(size - 1));
    const SiCaptureResult r = SplitCapture(store, reply, false);
    check(store.TableCount <= kMaxTables && store.ChannelCount <= kMaxChannels);
    check(r.channelLines.size() == (r.tsInfo ? store.ChannelCount : 0));
    for (int t = 0; t < store.TableCount; ++t)
        check(!TableText(store, t).isEmpty());
    for (int c = 0; c < store.ChannelCount; ++c) {
        check(ChDisp(store, c, options).startsWith("----- SID="));
        for (int entry : {kVideoEcm, kAudioEcm})
            check(store.DemuxPids[size_t(entry)] != kEcmAwaited);
    }
    return 0;
}
