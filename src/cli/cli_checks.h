#pragma once
// What kestrel-cli adds around reads and writes: the backups and read-backs
// of the commands that write, and the checked reads (--verify) of the
// commands that save decoder memory to a file.
#include "cli/cli.h"
#include "link/memread.h"
#include "si/si_capture.h"

// --no-backup and --no-verify: the commands that write back up and verify
// unless told not to.
struct WriteChecks {
    bool backup = true;
    bool verify = true;
};
WriteChecks TakeWriteChecks(CliArgs &args);

// SHA-256 of the file in lower-case hexadecimal; empty when it cannot be read.
QString FileSha256(const QString &name);
// After a checked read of file: the pages read again, and the file's
// SHA-256 as sha256sum prints it ("HEX  FILE"); both in the JSON result.
void ReportCheckedRead(CliContext &c, const QString &file, const ReadCheck &check);
// "Backup: PATH" when a backup was written, and "backup" in the JSON result.
void ReportBackup(CliContext &c, const QString &path);

// The SI sections whose CRC-32 failed: the capture's status on standard
// error with a line for each such table; "crcFailures" and
// "crcFailedTables" (their numbers from 0) in the JSON result.
void ReportCrcFailures(CliContext &c, const SiCaptureResult &result);

// kestrel-cli backups: the backup folder, newest first.
int ListBackupFolder(CliContext &c);
