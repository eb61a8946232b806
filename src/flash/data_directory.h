#pragma once
// The directory of a 512 KB data-flash image: eight 64 KB blocks, each with
// 16 little-endian module pointers; a module holds a name, a non-zero word
// at +10, its entry count at +12 and 20-byte file entries from +16 (name,
// offset from module + 12, length). Listing, saving one file and putting the
// channel (TCS) and transponder (TPT) tables back, as plain code.
#include "flash/image.h"
#include "link/prompts.h"

#include <QByteArray>
#include <QString>
#include <vector>

constexpr int kDirectoryMaxRows = 10000;

// One row of the listing. Block and module rows have offset and length 0.
struct DirectoryRow {
    QString text;
    qint32 RowOffset = 0;
    qint32 RowLength = 0;
    bool RowIsTPT = false;
    bool RowIsTCS = false;
    // The entry's data would lie outside the image, or its name is not
    // printable (junk read as a directory): listed, never copied.
    bool damaged = false;
    bool unprintable = false;

    bool isFile() const { return RowOffset != 0 && !damaged; }
};

struct DirectoryListing {
    std::vector<DirectoryRow> rows;
    int damaged = 0;                // modules and entries that lead outside the image
    int unprintable = 0;            // entries whose name is not printable: damaged too, never saved
    int entries = 0;                // file entries found
    bool cut = false;               // the row table was full
    qint64 fileSize = kImageSize;   // the size of the file the image was read from
};

// image must hold kImageSize bytes.
DirectoryListing ListDirectory(const QByteArray &image);
// "Done." or "Done." with what was damaged or left out, and a warning when
// the file does not look like a data-flash image (not 512 KB, or most entries
// damaged).
QString ListingStatus(const DirectoryListing &listing);

// Reads the image file (its first 512 KB); the status text of a failure in
// why. fileSize, when given, receives the size of the whole file.
[[nodiscard]] bool ReadDataImage(const QString &name, QByteArray &image, QString &why, qint64 *fileSize = nullptr);

// The file name of a row: its first 12 characters without the blanks around.
QString RowFileName(const DirectoryRow &row);
// Saves the row's data to a file of its name; the status text.
QString SaveDirectoryFile(const QByteArray &image, const DirectoryRow &row, Prompter &prompter);
// Saves the row's data to the file outName; the status text in status. True
// when the file was written.
[[nodiscard]] bool SaveDirectoryFileAs(const QByteArray &image, const DirectoryRow &row, const QString &outName,
                                       Prompter &prompter, QString &status);
// Replaces every TPT and TCS entry of the listing with the start of the two
// files, then writes the image file; image changes only when the file was
// written. The status text.
QString UpdateTables(QByteArray &image, const std::vector<DirectoryRow> &rows, const QString &tptName,
                     const QString &tcsName, const QString &imageName, Prompter &prompter);
// UpdateTables with the status text in status; true when the image file was written.
[[nodiscard]] bool WriteUpdatedTables(QByteArray &image, const std::vector<DirectoryRow> &rows, const QString &tptName,
                                      const QString &tcsName, const QString &imageName, Prompter &prompter,
                                      QString &status);
