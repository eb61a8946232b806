#pragma once
// Sections captured elsewhere, fed to the decoder in place of the satellite's
// own: one section per line in hexadecimal digits (either case; blanks and
// tabs between them are ignored), blank lines and lines whose first
// character other than a blank is '#' skipped.

#include "si_sections.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace sim {

// nullopt, with error naming the line, for a character that is not a digit,
// an odd number of digits, or a text without any section.
std::optional<std::vector<Section>> parseSectionText(std::string_view text, std::string& error);
std::optional<std::vector<Section>> loadSectionFile(const std::string& path, std::string& error);

}  // namespace sim
