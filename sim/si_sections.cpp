#include "si_sections.h"

#include "hex_text.h"

#include <iterator>
#include <string_view>

namespace sim {

namespace {

constexpr uint8_t kServiceDescriptionActual = 0x42;
constexpr uint8_t kProgramMap = 0x02;
constexpr uint8_t kNetworkInformationActual = 0x40;
// Section syntax indicator and the reserved bits above the section length.
constexpr uint8_t kSiLengthFlags = 0xF0;
constexpr uint8_t kPsiLengthFlags = 0xB0;
constexpr uint8_t kVersion = 1;
// Length field to section number, then the CRC.
constexpr size_t kLongHeaderSize = 3 + 5;
constexpr size_t kCrcSize = 4;

namespace tag {
constexpr uint8_t kCa = 0x09;
constexpr uint8_t kLanguage = 0x0A;
constexpr uint8_t kNetworkName = 0x40;
constexpr uint8_t kServiceList = 0x41;
constexpr uint8_t kSatelliteDelivery = 0x43;
constexpr uint8_t kService = 0x48;
constexpr uint8_t kStreamIdentifier = 0x52;
constexpr uint8_t kTeletext = 0x56;
constexpr uint8_t kPrivateDataSpecifier = 0x5F;
constexpr uint8_t kDataBroadcastId = 0x66;
constexpr uint8_t kOperatorTitles = 0xC1;
constexpr uint8_t kOperatorThemes = 0xC2;
constexpr uint8_t kChannelInfo = 0xC3;
constexpr uint8_t kOperatorPrivate = 0x90;
}  // namespace tag

namespace stream {
constexpr uint8_t kMpeg1Video = 0x01;
constexpr uint8_t kMpeg2Video = 0x02;
constexpr uint8_t kMpeg1Audio = 0x03;
constexpr uint8_t kMpeg2Audio = 0x04;
constexpr uint8_t kPrivateSections = 0x05;
constexpr uint8_t kPrivatePes = 0x06;
constexpr uint8_t kUserPrivate = 0x80;
}  // namespace stream

constexpr uint8_t kMedGrdFamily = 0x01;
constexpr size_t kMedGrdRecordSize = 15;
constexpr uint8_t kRunning = 4;
constexpr uint8_t kNotRunning = 1;
constexpr uint16_t kOrbitalPositionBcd = 0x0235;  // 23.5 degrees east
// FEC_inner codes of the front end's code rates 1/2, 2/3, 3/4, 4/5, 5/6, 7/8.
constexpr uint8_t kFecInner[] = {1, 2, 3, 8, 4, 5};

const char* const kLanguages[] = {"eng", "deu", "fra", "ita", "spa", "nld", "pol", "tur"};

using Bytes = std::vector<uint8_t>;

struct Writer {
    Bytes bytes;

    Writer& u8(uint32_t v)
    {
        bytes.push_back(static_cast<uint8_t>(v));
        return *this;
    }
    Writer& u16(uint32_t v) { return u8(v >> 8).u8(v); }
    Writer& u32(uint32_t v) { return u16(v >> 16).u16(v); }
    Writer& text(std::string_view s)
    {
        bytes.insert(bytes.end(), s.begin(), s.end());
        return *this;
    }
    Writer& append(const Bytes& b)
    {
        bytes.insert(bytes.end(), b.begin(), b.end());
        return *this;
    }
    // Four reserved bits, a 12-bit length and what it counts.
    Writer& withLength(const Bytes& b) { return u16(0xF000u | uint32_t(b.size())).append(b); }
    Writer& pid(uint16_t value) { return u16(0xE000u | value); }  // three reserved bits above
};

Bytes descriptor(uint8_t tagValue, const Bytes& body)
{
    return Writer{}.u8(tagValue).u8(uint32_t(body.size())).append(body).bytes;
}

Bytes descriptor(uint8_t tagValue, std::string_view text) { return descriptor(tagValue, Writer{}.text(text).bytes); }

uint32_t bcd(uint32_t value, int digits)
{
    uint32_t out = 0;
    for (int i = 0; i < digits; ++i, value /= 10)
        out |= (value % 10) << (4 * i);
    return out;
}

std::string_view language(uint32_t n) { return kLanguages[n % std::size(kLanguages)]; }

Section finishSection(uint8_t tableId, uint8_t lengthFlags, const Bytes& afterLength)
{
    const size_t length = afterLength.size() + kCrcSize;
    Section s = Writer{}.u8(tableId).u16(uint32_t(lengthFlags) << 8 | uint32_t(length)).append(afterLength).bytes;
    const uint32_t crc = sectionCrc(s);
    return Writer{std::move(s)}.u32(crc).bytes;
}

Bytes longHeader(uint16_t extension, size_t number, size_t last)
{
    return Writer{}.u16(extension).u8(0xC1u | kVersion << 1).u8(uint32_t(number)).u8(uint32_t(last)).bytes;
}

// A table whose entries may spread over several sections, each repeating
// the fixed part.
struct LoopTable {
    uint8_t tableId;
    uint16_t extension;
    Bytes fixedPart;
    bool loopLengthField;  // the entries follow a 12-bit loop length
    std::vector<Bytes> entries;
};

std::vector<Section> packLoopTable(const LoopTable& table)
{
    const size_t room =
        kMaxSectionSize - kLongHeaderSize - kCrcSize - table.fixedPart.size() - (table.loopLengthField ? 2 : 0);
    std::vector<Bytes> loops(1);
    for (const Bytes& entry : table.entries) {
        if (!loops.back().empty() && loops.back().size() + entry.size() > room)
            loops.emplace_back();
        loops.back().insert(loops.back().end(), entry.begin(), entry.end());
    }
    std::vector<Section> sections;
    for (size_t n = 0; n < loops.size(); ++n) {
        Writer body;
        body.append(longHeader(table.extension, n, loops.size() - 1)).append(table.fixedPart);
        if (table.loopLengthField)
            body.withLength(loops[n]);
        else
            body.append(loops[n]);
        sections.push_back(finishSection(table.tableId, kSiLengthFlags, body.bytes));
    }
    return sections;
}

// ---- service description ----

uint8_t serviceType(ServiceKind kind)
{
    switch (kind) {
    case ServiceKind::Tv: return 0x01;
    case ServiceKind::Radio: return 0x02;
    case ServiceKind::Data: return 0x0C;
    }
    return 0;
}

// Broadcasters announce the character table of a name with a leading
// selector byte; Latin letters read the same in all of these.
std::string withCharacterTable(const std::string& name, uint32_t choice)
{
    if (choice % 5 == 1)
        return "\x05" + name;  // ISO/IEC 8859-9
    if (choice % 5 == 3)
        return std::string("\x10\x00\x05", 3) + name;  // ISO/IEC 8859-5 by number
    return name;
}

Bytes serviceDescriptionEntry(const Service& s)
{
    const std::string provider = withCharacterTable(s.provider, s.sid / 7 + 1);
    const std::string name = withCharacterTable(s.name, s.sid);
    const Bytes serviceDescriptor = descriptor(tag::kService,
                                               Writer{}
                                                   .u8(serviceType(s.kind))
                                                   .u8(uint32_t(provider.size()))
                                                   .text(provider)
                                                   .u8(uint32_t(name.size()))
                                                   .text(name)
                                                   .bytes);
    const bool tv = s.kind == ServiceKind::Tv;
    // Data services only run while a download is on air.
    const uint32_t running = s.kind == ServiceKind::Data ? kNotRunning : kRunning;
    Writer entry;
    entry.u16(s.sid).u8(0xFCu | (tv ? 2u : 0u) | (s.kind != ServiceKind::Data ? 1u : 0u));
    entry.u16(running << 13 | (s.scrambled ? 0x1000u : 0u) | uint32_t(serviceDescriptor.size()));
    return entry.append(serviceDescriptor).bytes;
}

// ---- conditional access ----

// Pay-TV packages as a bitmap, with the date the subscription data was cut.
void appendMedGrdSubscription(Writer& d, uint16_t ecmPid, uint16_t sid)
{
    const uint64_t packages = 0x8040201008040201ULL >> (sid % 8) | uint64_t(sid) << 40;
    d.pid(ecmPid).u16(0x0100u + sid % 0x40).u8(0x80u | sid % 4);
    d.u32(uint32_t(packages >> 32)).u32(uint32_t(packages)).u16(0xB000u + sid % 0x800);
}

// An event sold by itself: its pay-per-view id, the record filled up.
void appendMedGrdPayPerView(Writer& d, uint16_t ecmPid, uint16_t sid)
{
    d.pid(ecmPid).u16(0x0140u + sid % 0x40).u8(0x10u | sid % 8);
    d.u8(0x00).u16(sid);
    const size_t filler = kMedGrdRecordSize - 8;
    d.bytes.insert(d.bytes.end(), filler, 0xFF);
}

Bytes caDescriptor(uint16_t system, uint16_t ecmPid, uint16_t sid)
{
    Writer d;
    d.u16(system);
    if (system >> 8 == kMedGrdFamily) {
        appendMedGrdSubscription(d, ecmPid, sid);
        if (sid % 2 == 0)
            appendMedGrdPayPerView(d, ecmPid, sid);
    } else {
        d.pid(ecmPid);
        if (sid % 3 != 0)
            d.u8(0x14).u8(0x03).u16(sid).u8(0x10);  // operator's provider record
    }
    return descriptor(tag::kCa, d.bytes);
}

// Each CA system has its own ECM stream, the first one the service's.
Bytes caDescriptors(const Service& s)
{
    Bytes out;
    for (size_t i = 0; i < s.caSystems.size(); ++i) {
        const Bytes d = caDescriptor(s.caSystems[i], static_cast<uint16_t>(s.ecmPid + i), s.sid);
        out.insert(out.end(), d.begin(), d.end());
    }
    return out;
}

// Some services scramble video and audio each under its own CA descriptors
// instead of the whole programme.
bool scrambledPerStream(const Service& s) { return s.scrambled && s.kind == ServiceKind::Tv && s.sid % 4 == 3; }

// ---- program map ----

struct ElementaryStream {
    uint8_t type;
    uint16_t pid;
    Bytes descriptors;
};

Bytes concat(std::initializer_list<Bytes> parts)
{
    Bytes out;
    for (const Bytes& p : parts)
        out.insert(out.end(), p.begin(), p.end());
    return out;
}

Bytes componentTag(uint8_t component) { return descriptor(tag::kStreamIdentifier, Bytes{component}); }

Bytes audioLanguage(uint32_t n, uint8_t audioType)
{
    return descriptor(tag::kLanguage, Writer{}.text(language(n)).u8(audioType).bytes);
}

// Eight characters per entry, zero filled.
Bytes eightCharacterEntries(std::initializer_list<std::string_view> words)
{
    Bytes out;
    for (std::string_view w : words) {
        const std::string_view cut = w.substr(0, 8);
        out.insert(out.end(), cut.begin(), cut.end());
        out.insert(out.end(), 8 - cut.size(), 0);
    }
    return out;
}

std::string_view firstWord(const std::string& name) { return std::string_view(name).substr(0, name.find(' ')); }

std::string_view lastWord(const std::string& name) { return std::string_view(name).substr(name.rfind(' ') + 1); }

// The operator's programme guide data: titles, themes and channel info.
Bytes operatorGuideDescriptors(const Service& s)
{
    return concat({descriptor(tag::kOperatorTitles, eightCharacterEntries({firstWord(s.name), lastWord(s.name)})),
                   descriptor(tag::kOperatorThemes, eightCharacterEntries({firstWord(s.provider)})),
                   descriptor(tag::kChannelInfo, s.provider)});
}

// Descriptors the receiver does not know, one longer than a dump line.
Bytes foreignDescriptors(const Service& s)
{
    Writer opaque;
    for (uint32_t i = 0; i < 20; ++i)
        opaque.u8(s.sid * 31u + i * 17u);
    return concat({descriptor(tag::kPrivateDataSpecifier, Writer{}.u32(0x00000040u + s.sid % 8).bytes),
                   descriptor(tag::kOperatorPrivate, opaque.bytes)});
}

ElementaryStream teletextStream(const Service& s)
{
    Writer pages;
    pages.text(language(s.sid)).u8(0x01 << 3 | 1).u8(0x00);  // initial page 100
    if (s.sid % 2 == 1)
        pages.text(language(s.sid)).u8(0x02 << 3 | 0).u8(0x88);  // subtitles on page 888
    return {stream::kPrivatePes, s.teletextPid, concat({descriptor(tag::kTeletext, pages.bytes), componentTag(3)})};
}

std::vector<ElementaryStream> tvStreams(const Service& s)
{
    const Bytes ca = scrambledPerStream(s) ? caDescriptors(s) : Bytes{};
    const auto extraPid = [&](uint16_t offset) { return static_cast<uint16_t>(s.pmtPid + offset); };
    std::vector<ElementaryStream> streams;
    streams.push_back(
        {s.sid % 7 == 0 ? stream::kMpeg1Video : stream::kMpeg2Video, s.videoPid, concat({componentTag(1), ca})});
    streams.push_back({s.sid % 3 == 0 ? stream::kMpeg2Audio : stream::kMpeg1Audio, s.audioPid,
                       concat({audioLanguage(s.sid, 0x00), componentTag(2), ca})});
    if (s.sid % 3 == 1)  // a second language
        streams.push_back(
            {stream::kMpeg1Audio, extraPid(4), concat({audioLanguage(s.sid + 1, 0x00), componentTag(4)})});
    if (s.teletextPid)
        streams.push_back(teletextStream(s));
    if (s.sid % 4 == 1)
        streams.push_back({uint8_t(stream::kUserPrivate + s.sid % 8), extraPid(5), foreignDescriptors(s)});
    else if (s.sid % 4 == 2)
        streams.push_back({uint8_t(stream::kUserPrivate + 6), extraPid(5), operatorGuideDescriptors(s)});
    return streams;
}

std::vector<ElementaryStream> radioStreams(const Service& s)
{
    return {{s.sid % 3 == 0 ? stream::kMpeg2Audio : stream::kMpeg1Audio, s.audioPid, audioLanguage(s.sid, 0x00)}};
}

// A software download carousel and the operator's guide data beside it.
std::vector<ElementaryStream> dataStreams(const Service& s)
{
    const Bytes carousel = descriptor(tag::kDataBroadcastId, Writer{}.u16(0x000A).u32(0x0000FF00u | s.sid % 256).bytes);
    return {
        {stream::kPrivateSections, s.pcrPid, concat({carousel, componentTag(0x10)})},
        {uint8_t(stream::kUserPrivate + s.sid % 16), static_cast<uint16_t>(s.pmtPid + 5), operatorGuideDescriptors(s)}};
}

std::vector<ElementaryStream> elementaryStreams(const Service& s)
{
    switch (s.kind) {
    case ServiceKind::Tv: return tvStreams(s);
    case ServiceKind::Radio: return radioStreams(s);
    case ServiceKind::Data: return dataStreams(s);
    }
    return {};
}

// ---- network information ----

Bytes satelliteDelivery(const Transponder& tp)
{
    const uint32_t vertical = tp.polarisation == 'V' ? 1 : 0;
    Writer d;
    d.u32(bcd(tp.frequencyKHz / 10, 8)).u16(kOrbitalPositionBcd);
    d.u8(0x80u | vertical << 5 | 0x01);  // east, linear, DVB-S, QPSK
    d.u32(bcd(tp.symbolRate * 10, 7) << 4 | kFecInner[tp.fecCode % std::size(kFecInner)]);
    return descriptor(tag::kSatelliteDelivery, d.bytes);
}

Bytes serviceList(const Transponder& tp)
{
    Writer d;
    for (const Service& s : tp.services)
        d.u16(s.sid).u8(serviceType(s.kind));
    return descriptor(tag::kServiceList, d.bytes);
}

Bytes networkEntry(const Transponder& tp)
{
    return Writer{}.u16(tp.tsid).u16(tp.onid).withLength(concat({satelliteDelivery(tp), serviceList(tp)})).bytes;
}

}  // namespace

uint32_t sectionCrc(const uint8_t* data, size_t size)
{
    uint32_t crc = 0xFFFFFFFFu;
    for (size_t i = 0; i < size; ++i) {
        crc ^= uint32_t(data[i]) << 24;
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc & 0x80000000u) ? (crc << 1) ^ 0x04C11DB7u : crc << 1;
    }
    return crc;
}

std::vector<Section> serviceDescriptionSections(const Transponder& transponder)
{
    const Bytes networkAndReserved = Writer{}.u16(transponder.onid).u8(0xFF).bytes;
    LoopTable table{kServiceDescriptionActual, transponder.tsid, networkAndReserved, false, {}};
    for (const Service& s : transponder.services)
        table.entries.push_back(serviceDescriptionEntry(s));
    return packLoopTable(table);
}

Section programMapSection(const Service& service)
{
    Writer body;
    body.append(longHeader(service.sid, 0, 0)).pid(service.pcrPid);
    body.withLength(scrambledPerStream(service) ? Bytes{} : caDescriptors(service));
    for (const ElementaryStream& es : elementaryStreams(service))
        body.u8(es.type).pid(es.pid).withLength(es.descriptors);
    return finishSection(kProgramMap, kPsiLengthFlags, body.bytes);
}

std::vector<Section> networkInformationSections(const Satellite& satellite)
{
    const Bytes networkDescriptors = descriptor(tag::kNetworkName, satellite.networkName);
    LoopTable table{
        kNetworkInformationActual, satellite.networkId, Writer{}.withLength(networkDescriptors).bytes, true, {}};
    for (const Transponder& tp : satellite.transponders)
        table.entries.push_back(networkEntry(tp));
    return packLoopTable(table);
}

std::vector<Section> transponderSections(const Satellite& satellite, const Transponder& transponder, size_t textBudget)
{
    std::vector<Section> sections = serviceDescriptionSections(transponder);
    const std::vector<Section> network = networkInformationSections(satellite);
    size_t used = sectionLinesLength(sections) + sectionLinesLength(network);
    for (const Service& s : transponder.services) {
        Section map = programMapSection(s);
        used += 2 * map.size() + 1;
        if (used > textBudget)
            break;
        sections.push_back(std::move(map));
    }
    sections.insert(sections.end(), network.begin(), network.end());
    return sections;
}

std::string sectionLines(const std::vector<Section>& sections)
{
    std::string text;
    text.reserve(sectionLinesLength(sections));
    for (const Section& s : sections) {
        for (uint8_t b : s)
            text += toHex(b, 2);
        text += '\r';
    }
    return text;
}

size_t sectionLinesLength(const std::vector<Section>& sections)
{
    size_t n = 0;
    for (const Section& s : sections)
        n += 2 * s.size() + 1;
    return n;
}

}  // namespace sim
