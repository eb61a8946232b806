#pragma once

// Program options: the check marks of the main window's Options menu. The
// menu writes them; every reader looks at them each time it runs.
enum class MemReadMode { MultiByte = 0, SingleDWord = 1, SingleWord = 2, SingleByte = 3 };
enum class EepromMode { Normal = 0, I2C = 1 };
enum class TuneSyntax { SevenDigits = 0, FourDigits = 1 };

struct Options {
    MemReadMode Mrm = MemReadMode::MultiByte;
    EepromMode Eem = EepromMode::Normal;
    TuneSyntax Tmd = TuneSyntax::SevenDigits;
    bool Asc = false;   // always show commands
    bool Glf = false;   // generate log file
};
