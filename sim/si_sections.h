#pragma once
// The service information the decoder gathers from the tuned transport
// stream, as the sections travel in it: the service description table of the
// actual stream (0x42), one program map table (0x02) per service and the
// network information table of the actual network (0x40), each section with
// its section length and CRC-32.

#include "satellite.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace sim {

using Section = std::vector<uint8_t>;

// A whole section, header and CRC included, never exceeds this size.
constexpr size_t kMaxSectionSize = 1024;

// The CRC of the sections: polynomial 04C11DB7, register preset to all ones,
// most significant bit first, no final inversion. Over a whole section, its
// CRC included, the result is 0.
uint32_t sectionCrc(const uint8_t* data, size_t size);
inline uint32_t sectionCrc(const Section& section) { return sectionCrc(section.data(), section.size()); }

std::vector<Section> serviceDescriptionSections(const Transponder& transponder);
Section programMapSection(const Service& service);
std::vector<Section> networkInformationSections(const Satellite& satellite);

// Service description first, then the program maps in service order, then
// the network information. Only as many program maps are taken as keep the
// sections' text (two digits a byte, a CR a section) within textBudget
// characters: those of the last services are the ones left out.
std::vector<Section> transponderSections(const Satellite& satellite, const Transponder& transponder, size_t textBudget);

// One line of upper-case digit pairs per section, each ended by CR.
std::string sectionLines(const std::vector<Section>& sections);
size_t sectionLinesLength(const std::vector<Section>& sections);

}  // namespace sim
