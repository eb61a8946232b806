#include "si/si_tables.h"

namespace {

constexpr int kMedGrdRecord = 15;

// The entries of a teletext or private name descriptor, read from the table.
void ReadEntries(const SectionReader &table, int d, int n, int size, Descriptor &descriptor)
{
    for (int e = 0; n > 0 && e <= (n - 1) / size; ++e) {
        const std::optional<QByteArray> entry = table.bytes(d + size * e, size);
        if (!entry) {
            descriptor.entriesBeyondTable = true;
            return;
        }
        descriptor.entries.append(*entry);
    }
}

// The CA descriptor of n bytes at d; nothing below 4 bytes. Whole MedGrd records lie inside it.
[[nodiscard]] std::optional<CaEntry> ReadCa(const SectionReader &table, int d, int n)
{
    if (n <= 3)
        return std::nullopt;
    const std::optional<quint16> system = table.u16(d), ecm = table.u16(d + 2);
    if (!system || !ecm)
        return std::nullopt;
    CaEntry ca;
    ca.system = *system;
    ca.ecmPid = *ecm & 0x0FFF;
    if (!ca.medGrd()) {
        ca.data = table.bytes(d + 4, n - 4).value_or(QByteArray());   // inside: n bytes from d were read
        return ca;
    }
    for (int r = 0; r < (n - 2) / kMedGrdRecord; ++r) {
        const int b = d + 2 + kMedGrdRecord * r;
        const std::optional<quint16> recordEcm = table.u16(b);
        const std::optional<QByteArray> provider = table.bytes(b + 2, 2), data = table.bytes(b + 5, 10);
        const std::optional<quint8> flag = table.u8(b + 4);
        if (!recordEcm || !provider || !flag || !data)
            break;
        ca.records.append({*recordEcm & 0x0FFF, *provider, *flag, *data});
    }
    return ca;
}

}   // namespace

bool KnownTag(int tag)
{
    return tag == 0x09 || tag == 0x0A || tag == 0x52 || tag == 0x56 || tag == 0xC1 || tag == 0xC2 || tag == 0xC3;
}

std::optional<TableHeading> DecodeHeading(const SectionReader &table)
{
    const std::optional<quint8> id = table.u8(0), byte1 = table.u8(1);
    const std::optional<int> length = table.length12(1);
    const std::optional<quint16> extension = table.u16(3);
    const std::optional<QByteArray> leading = table.bytes(0, 4);
    if (!id || !byte1 || !length || !extension || !leading)
        return std::nullopt;
    return TableHeading{*id, quint8(*byte1 >> 4), *length, *extension, *leading, DecodeSectionBytes(table, 1)};
}

SectionBytes DecodeSectionBytes(const SectionReader &table, int pos)
{
    SectionBytes result;
    const std::optional<int> length = table.length12(pos);
    if (!length) {
        result.beyondTable = true;
        return result;
    }
    for (int i = 0; i < *length; ++i) {
        const std::optional<quint8> b = table.u8(pos + 2 + i);
        if (!b) {
            result.beyondTable = true;
            break;
        }
        result.bytes += char(*b);
    }
    return result;
}

DescriptorLoop DecodeDescriptorLoop(const SectionReader &table, int pos)
{
    DescriptorLoop loop;
    const std::optional<int> length = table.length12(pos);
    if (!length) {
        loop.beyondTable = true;
        return loop;
    }
    // A descriptor may run past the loop's length; only the table's end stops it.
    for (int k = 0; k <= *length - 1;) {
        const int d = pos + 4 + k;
        const std::optional<quint8> tag = table.u8(pos + 2 + k), n = table.u8(pos + 3 + k);
        const std::optional<QByteArray> body = n ? table.bytes(d, *n) : std::nullopt;
        if (!tag || !body) {
            loop.beyondTable = true;
            break;
        }
        Descriptor descriptor{*tag, *body, {}, false, std::nullopt};
        if (*tag == 0x56)
            ReadEntries(table, d, *n, 5, descriptor);
        else if (*tag == 0xC1 || *tag == 0xC2)
            ReadEntries(table, d, *n, 8, descriptor);
        else if (*tag == 0x09)
            descriptor.ca = ReadCa(table, d, *n);
        loop.descriptors.append(descriptor);
        k += 2 + *n;
    }
    return loop;
}

ProgramMap DecodeProgramMap(const SectionReader &table)
{
    ProgramMap map;
    const std::optional<int> length = table.length12(1), programLength = table.length12(10);
    const std::optional<quint16> pcr = table.u16(8);
    if (!length || !programLength || !pcr) {
        map.beyondTable = true;
        return map;
    }
    map.pcrPid = *pcr & 0x1FFF;
    map.descriptors = DecodeDescriptorLoop(table, 10);
    for (int i = 12 + *programLength; i <= *length - 2;) {
        const std::optional<quint8> type = table.u8(i);
        const std::optional<quint16> pid = table.u16(i + 1);
        const std::optional<int> esLength = table.length12(i + 3);
        if (!type || !pid || !esLength) {
            map.beyondTable = true;
            break;
        }
        map.streams.append({*type, *pid & 0x1FFF, DecodeDescriptorLoop(table, i + 3)});
        i += 5 + *esLength;
    }
    return map;
}

std::optional<int> FindProgramMap(const SiStore &store, qint32 serviceId)
{
    for (int t = 0; t < store.TableCount; ++t) {
        const SectionReader table(store, t);
        const std::optional<quint8> id = table.u8(0);
        const std::optional<quint16> extension = table.u16(3);
        if (id && extension && *id == 0x02 && *extension == serviceId)
            return t;
    }
    return std::nullopt;
}

ChannelInfo DecodeChannel(const SiStore &store, int c, bool avOnly)
{
    ChannelInfo channel;
    channel.serviceId = store.ServiceIds[size_t(c)];
    channel.provider = store.ProviderNames[size_t(c)];
    channel.name = store.ServiceNames[size_t(c)];
    channel.pids[kServiceId] = channel.serviceId;
    if (const std::optional<int> t = FindProgramMap(store, channel.serviceId)) {
        channel.map = DecodeProgramMap(SectionReader(store, *t));
        ApplyProgramPids(*channel.map, avOnly, channel.pids);
    }
    for (int entry : {kVideoEcm, kAudioEcm})
        if (channel.pids[size_t(entry)] == kEcmAwaited)
            channel.pids[size_t(entry)] = kNoPid;
    return channel;
}

void ApplyCaPids(const DescriptorLoop &loop, DemuxPidList &pids)
{
    for (const Descriptor &descriptor : loop.descriptors) {
        if (!descriptor.ca)
            continue;
        if (!descriptor.ca->medGrd()) {
            if (pids[kCaKind] == kNoPid)
                pids[kCaKind] = 1;
            continue;
        }
        pids[kCaKind] = 0;
        for (const CaRecord &record : descriptor.ca->records)
            for (int entry : {kVideoEcm, kAudioEcm})
                if (pids[size_t(entry)] == kEcmAwaited)
                    pids[size_t(entry)] = record.ecmPid;
    }
}

void ApplyProgramPids(const ProgramMap &map, bool avOnly, DemuxPidList &pids)
{
    pids[kPcrPid] = map.pcrPid;
    // An ECM PID of the program's own CA descriptors serves video and audio.
    pids[kVideoEcm] = pids[kAudioEcm] = kEcmAwaited;
    ApplyCaPids(map.descriptors, pids);
    if (pids[kVideoEcm] == kEcmAwaited)
        pids[kVideoEcm] = pids[kAudioEcm] = kNoPid;
    for (const Stream &stream : map.streams) {
        if (avOnly && !stream.video() && !stream.audio())
            continue;
        if (stream.video() || stream.audio()) {
            const size_t pidEntry = stream.video() ? kVideoPid : kAudioPid;
            const size_t ecmEntry = stream.video() ? kVideoEcm : kAudioEcm;
            if (pids[pidEntry] == kNoPid)
                pids[pidEntry] = stream.pid;
            if (pids[ecmEntry] == kNoPid)
                pids[ecmEntry] = kEcmAwaited;
        }
        ApplyCaPids(stream.descriptors, pids);
    }
}
