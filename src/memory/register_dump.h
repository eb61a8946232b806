#pragma once
// Register dumps of the registers view: the 256 registers of the demodulator
// chip (command 25, one register per transaction) or 256 consecutive
// registers of a device on the I2C bus (command 27, 16 per transaction),
// shown as a 16 x 16 hexadecimal table.
#include "link/channel.h"

#include <QString>
#include <functional>

enum class RegisterSpace { Demodulator = 0, I2CBus = 1 };

struct RegisterDump {
    QString text;    // 16 rows joined by CR LF, each value followed by " "
    QString slave;   // slave text as normalised (the I2C box shows it); empty for the demodulator
};

// Called after each row with the progress bar: 15 - row "=" characters.
using RowProgress = std::function<void(const QString &)>;

// Command time-out of a register read, set when READ starts.
constexpr int kRegisterCmdTimeoutMs = 500;

// The slave box as READ leaves it: upper case, and a single character gets a
// leading "0" ("8" -> "08"). Other lengths are kept as they are.
QString NormaliseSlave(const QString &text);

// Demodulator: "251" + row digit + column digit per register; a reply that is
// not 5 characters long shows "--". Row label: row digit + "0 : ".
QString DumpDemodulator(CommandChannel &link, const RowProgress &progress = {});

// I2C bus: "272" + slave + row digit + "0" + "10" per row; a reply that is not
// 41 characters long shows the whole row as "--". Row label: slave + row
// digit + "0 : ". slave is used as given (normalise it first).
QString DumpI2C(CommandChannel &link, const QString &slave, const RowProgress &progress = {});

// The whole READ: sets the 500 ms time-out, normalises the slave for the I2C
// bus and reads all rows.
RegisterDump ReadRegisters(CommandChannel &link, RegisterSpace space, const QString &slaveText,
                           const RowProgress &progress = {});
