#pragma once
// The satellite the simulated decoder receives: its transponders in rising
// frequency order and the services each one carries. The default channel and
// transponder tables of the data area are written from it.

#include <cstdint>
#include <string>
#include <vector>

namespace sim {

enum class ServiceKind { Tv, Radio, Data };

struct Service {
    std::string name;
    std::string provider;
    uint16_t sid = 0;
    ServiceKind kind = ServiceKind::Tv;
    uint16_t pmtPid = 0;
    uint16_t pcrPid = 0;
    uint16_t videoPid = 0;     // 0 = none
    uint16_t audioPid = 0;     // 0 = none
    uint16_t teletextPid = 0;  // 0 = none
    bool scrambled = false;
    std::vector<uint16_t> caSystems;  // empty when free
    uint16_t ecmPid = 0;              // 0 when free
};

constexpr uint32_t kLowOscillatorKHz = 9750000;
constexpr uint32_t kHighOscillatorKHz = 10600000;
constexpr uint32_t kBandSwitchKHz = 11700000;

struct Transponder {
    uint32_t frequencyKHz = 0;  // received, 10700000..12750000
    char polarisation = 'H';    // 'H' or 'V'
    uint32_t symbolRate = 0;    // ksym/s
    uint8_t fecCode = 0;        // 0 "1/2" 1 "2/3" 2 "3/4" 3 "4/5" 4 "5/6" 5 "7/8"
    uint16_t tsid = 0;
    uint16_t onid = 0;
    std::vector<Service> services;

    bool highBand() const { return frequencyKHz >= kBandSwitchKHz; }
    uint32_t intermediateKHz() const { return frequencyKHz - (highBand() ? kHighOscillatorKHz : kLowOscillatorKHz); }
    // As the LNB byte of a transponder record: bit 0 high band, bit 1 horizontal.
    uint8_t lnbCode() const { return static_cast<uint8_t>((highBand() ? 1 : 0) | (polarisation == 'H' ? 2 : 0)); }
};

struct Satellite {
    std::string name;
    uint16_t networkId = 0;
    std::string networkName;
    std::vector<Transponder> transponders;  // rising frequency order
};

// The same model on every call.
const Satellite& defaultSatellite();

}  // namespace sim
