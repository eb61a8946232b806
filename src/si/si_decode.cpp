#include "si/si_decode.h"

QString TableText(const SiStore &store, int t)
{
    const std::optional<TableHeading> heading = DecodeHeading(SectionReader(store, t));
    return heading ? FormatHeading(*heading) : kBeyondTable;
}

QString HexDisp(const SiStore &store, int pos, int t)
{
    return FormatSectionBytes(DecodeSectionBytes(SectionReader(store, t), pos));
}

QString IDsp(SiStore &store, int pos, int t, const DecodeOptions &options)
{
    const DescriptorLoop loop = DecodeDescriptorLoop(SectionReader(store, t), pos);
    ApplyCaPids(loop, store.DemuxPids);
    return FormatDescriptorLoop(loop, options);
}

QString PmtText(SiStore &store, int t, const DecodeOptions &options)
{
    const ProgramMap map = DecodeProgramMap(SectionReader(store, t));
    ApplyProgramPids(map, options.avOnly, store.DemuxPids);
    return FormatProgramMap(map, options);
}

QString ChDisp(SiStore &store, int c, const DecodeOptions &options)
{
    const ChannelInfo channel = DecodeChannel(store, c, options.avOnly);
    std::copy(channel.pids.begin(), channel.pids.begin() + kCaKind + 1, store.DemuxPids.begin());
    return FormatChannel(channel, options);
}
