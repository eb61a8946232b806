#pragma once
// The decoder's persistent state in a folder: eeprom.bin (2048 bytes in
// EEPROM address order), flash.bin (2 MB in decoder address order from
// 7FE00000, as command 02 reads it) and memory.bin (written RAM pages).

#include "decoder.h"

#include <string>
#include <vector>

namespace sim {

// Makes sure the folder can keep the state: creates it when missing and
// writes a trial file into it. False with error (the folder and the
// system's reason) when it cannot be used.
bool prepareStateDir(const std::string& dir, std::string& error);

// Loads whichever of the three files exist. Files of the wrong size or
// format are ignored and reported in problems.
void loadState(const std::string& dir, Decoder& decoder, std::vector<std::string>& problems);

// Writes all three files, each through a temporary file and a rename.
bool saveState(const std::string& dir, Decoder& decoder, std::string& error);

bool readWholeFile(const std::string& path, std::vector<uint8_t>& data);
bool writeFileAtomically(const std::string& path, const std::vector<uint8_t>& data, std::string& error);

}  // namespace sim
