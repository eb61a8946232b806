#include "satellite.h"

#include <iterator>

namespace sim {

namespace {

struct TransponderRow {
    uint32_t frequencyKHz;
    char polarisation;
    uint32_t symbolRate;
    uint8_t fecCode;
};

// Both bands and both polarisations, rising frequency.
const TransponderRow kTransponders[] = {
    {10729000, 'H', 27500, 2}, {10774250, 'V', 27500, 2}, {10827000, 'H', 22000, 4}, {10861250, 'V', 27500, 2},
    {10914000, 'V', 27500, 2}, {10948250, 'H', 22000, 4}, {11001000, 'V', 27500, 4}, {11054000, 'H', 29900, 1},
    {11088000, 'H', 27500, 2}, {11140750, 'V', 22000, 4}, {11175000, 'H', 27500, 2}, {11227750, 'V', 30000, 2},
    {11280750, 'V', 27500, 1}, {11314750, 'H', 22000, 5}, {11367750, 'H', 27500, 2}, {11401750, 'V', 27500, 4},
    {11454500, 'H', 22000, 4}, {11507500, 'V', 27500, 2}, {11541500, 'V', 5632, 0},  {11594500, 'H', 27500, 2},
    {11628500, 'V', 22000, 4}, {11681500, 'H', 27500, 2}, {11719250, 'V', 27500, 2}, {11762750, 'H', 22000, 4},
    {11813750, 'V', 27500, 4}, {11846250, 'H', 27500, 2}, {11897250, 'H', 22000, 5}, {11929500, 'V', 27500, 2},
    {11980750, 'H', 22000, 4}, {12031750, 'V', 30000, 3}, {12064000, 'V', 27500, 2}, {12115250, 'H', 22000, 4},
    {12147500, 'V', 27500, 2}, {12198500, 'H', 27500, 4}, {12249750, 'H', 22000, 4}, {12282000, 'V', 27500, 2},
    {12333000, 'V', 29900, 1}, {12365500, 'H', 22000, 5}, {12416500, 'V', 27500, 2}, {12467500, 'H', 27500, 2},
    {12500000, 'H', 22000, 4}, {12551000, 'V', 30000, 2}, {12583250, 'H', 27500, 2}, {12634500, 'V', 22000, 4},
    {12685500, 'H', 27500, 4}, {12721750, 'V', 22000, 4},
};

const char* const kBrands[] = {"Aurel",  "Borevo", "Calimar", "Dravena", "Estrion", "Fennic", "Galvora", "Hollin",
                               "Irvada", "Jovel",  "Korrin",  "Lunessa", "Marvane", "Norrow", "Ostrel",  "Pallida"};
const char* const kTvWords[] = {"One",  "Two",    "News",   "Sport",  "Cinema",  "Kids",    "Music",  "Documentary",
                                "Life", "Action", "Comedy", "Travel", "Kitchen", "History", "Nature", "Weather"};
const char* const kTvEditions[] = {"", " HD", " International"};
const char* const kRadioWords[] = {"Radio", "FM", "Classic", "Jazz", "Talk", "Hits", "Folk", "Gold"};
const char* const kDataWords[] = {"Update", "Guide", "Data", "Loader"};
const char* const kHouses[] = {" Media", " Digital", " Broadcast", " Group"};
const uint16_t kCaSystems[] = {0x0100, 0x0500, 0x0604, 0x0B00, 0x1800};
// Systems some transponders add on top, for simulcrypt.
const uint16_t kSimulcryptSystems[] = {0x0900, 0x0D02, 0x0E00};

constexpr uint16_t kNetworkId = 0x00A5;

// Names run through the word tables so that no two services of a kind share one:
// the nth name of a kind takes brand n % 16 and a word that moves on by one
// every 16 names.
struct Namer {
    size_t tv = 0, radio = 0, data = 0;

    void name(Service& s)
    {
        size_t n = s.kind == ServiceKind::Tv ? tv++ : s.kind == ServiceKind::Radio ? radio++ : data++;
        const size_t brand = n % std::size(kBrands);
        const size_t word = n / std::size(kBrands) + n;
        s.provider = std::string(kBrands[brand]) + kHouses[brand % std::size(kHouses)];
        s.name = std::string(kBrands[brand]) + " ";
        if (s.kind == ServiceKind::Tv)
            s.name += std::string(kTvWords[word % std::size(kTvWords)]) + kTvEditions[n / 256 % std::size(kTvEditions)];
        else if (s.kind == ServiceKind::Radio)
            s.name += kRadioWords[word % std::size(kRadioWords)];
        else
            s.name += kDataWords[word % std::size(kDataWords)];
    }
};

// Service k of transponder t. Each service owns the 32 PIDs from its base:
// PMT, video, audio, teletext and ECM at base + 0, 1, 2, 3, 6.
Service makeService(size_t t, size_t k, uint16_t tsid, Namer& namer)
{
    Service s;
    const size_t h = (t * 11 + k * 7) % 20;
    s.kind = h < 3 ? ServiceKind::Radio : h == 3 && k % 2 == 1 ? ServiceKind::Data : ServiceKind::Tv;
    s.sid = static_cast<uint16_t>(tsid * 10 + k + 1);
    const auto base = static_cast<uint16_t>(0x0100 + (t % 5) * 0x0400 + k * 0x20);
    s.pmtPid = base;
    switch (s.kind) {
    case ServiceKind::Tv:
        s.videoPid = s.pcrPid = static_cast<uint16_t>(base + 1);
        s.audioPid = static_cast<uint16_t>(base + 2);
        if ((t + k) % 3 != 0)
            s.teletextPid = static_cast<uint16_t>(base + 3);
        s.scrambled = t % 8 != 0 && (t * 3 + k * 2) % 5 < 2;
        break;
    case ServiceKind::Radio:
        s.audioPid = s.pcrPid = static_cast<uint16_t>(base + 2);
        s.scrambled = (t + k) % 9 == 0;
        break;
    case ServiceKind::Data:
        s.pcrPid = static_cast<uint16_t>(base + 1);  // the data stream carries the clock
        break;
    }
    if (s.scrambled) {
        s.ecmPid = static_cast<uint16_t>(base + 6);
        s.caSystems.push_back(kCaSystems[t % std::size(kCaSystems)]);
        if (t % 3 == 0)
            s.caSystems.push_back(kCaSystems[(t + 2) % std::size(kCaSystems)]);
        if (t % 4 == 1)
            s.caSystems.push_back(kSimulcryptSystems[t / 4 % std::size(kSimulcryptSystems)]);
    }
    namer.name(s);
    return s;
}

Satellite build()
{
    Satellite sat{"Halvard 2B", kNetworkId, "Halvard Digital", {}};
    Namer namer;
    for (size_t t = 0; t < std::size(kTransponders); ++t) {
        const TransponderRow& row = kTransponders[t];
        Transponder tp;
        tp.frequencyKHz = row.frequencyKHz;
        tp.polarisation = row.polarisation;
        tp.symbolRate = row.symbolRate;
        tp.fecCode = row.fecCode;
        tp.tsid = static_cast<uint16_t>(1100 + 11 * t);
        tp.onid = kNetworkId;
        // A narrow carrier holds a handful of services, a full one 6 to 20.
        const size_t count = row.symbolRate < 10000 ? 5 : 6 + (t * 7 + 3) % 15;
        for (size_t k = 0; k < count; ++k)
            tp.services.push_back(makeService(t, k, tp.tsid, namer));
        sat.transponders.push_back(std::move(tp));
    }
    return sat;
}

}  // namespace

const Satellite& defaultSatellite()
{
    static const Satellite satellite = build();
    return satellite;
}

}  // namespace sim
