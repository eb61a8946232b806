#pragma once
// The decoder's channel list: the channel table TCS (30-byte records) and
// the transponder table TPT (12-byte records), both big-endian, as the
// channels list editor holds them, their list lines and their binary and
// text files. Plain code: the editor window only calls these.
#include "link/prompts.h"
#include "tune/tune_command.h"

#include <QString>
#include <QStringList>
#include <array>
#include <span>

constexpr int kTcsRecordSize = 30;
constexpr int kTcsMaxRecords = 2000;
constexpr int kTcsFileRecords = 999;   // a table file written for the decoder
constexpr int kTptRecordSize = 12;
constexpr int kTptMaxRecords = 170;
constexpr int kNameSize = 16;
constexpr int kNoTransponder = 0xFF;
// The received frequencies a transponder record holds, and the band the text
// form puts them on whatever it says: low below, high above.
constexpr qint32 kLowestKHz = 10700000;
constexpr qint32 kHighestKHz = 12755000;
constexpr qint32 kAlwaysLowBelowKHz = 11550000;
constexpr qint32 kAlwaysHighAboveKHz = 11905000;

// Offsets inside a TCS record.
enum TcsField {
    kTcsUse = 16,
    kTcsTp = 17,
    kTcsSid = 18,
    kTcsVpid = 20,
    kTcsApid = 22,
    kTcsVecm = 24,
    kTcsAecm = 26,
    kTcsPcr = 28
};
// Offsets inside a TPT record.
enum TptField { kTptFrequency = 0, kTptTid = 4, kTptNid = 6, kTptChn = 8, kTptSr = 9, kTptFec = 10, kTptLnb = 11 };

struct ChannelTables {
    std::array<quint8, kTcsMaxRecords * kTcsRecordSize> TcsTable{};
    qint32 TcsCount = 0;
    std::array<quint8, kTptMaxRecords * kTptRecordSize> TptTable{};
    qint16 TptCount = 0;
};

int GetBE16(std::span<const quint8> table, int index);
void PutBE16(std::span<quint8> table, int index, qint64 value);
qint64 GetFreqKHz(std::span<const quint8> table, int index);
void PutFreqKHz(std::span<quint8> table, int index, qint32 kHz);
// Zeroes the record's 16 name bytes, then stores text without trailing blanks, at most 16 characters.
void PutName(ChannelTables &tables, int record, const QString &text);
// A blank record: name and Use zero, no transponder, SID 0, no streams.
void BlankTcsRecord(std::span<quint8> record);

QString TcsLine(const ChannelTables &tables, int record);
QString TptLine(const ChannelTables &tables, int record);
QStringList TcsLines(const ChannelTables &tables);   // records 0..TcsCount-1
QStringList TptLines(const ChannelTables &tables);   // records 0..TptCount-1
// Received frequency in kHz: the intermediate one plus the oscillator of the LNB code's band.
qint64 ReceivedKHz(const ChannelTables &tables, int record);
QString FecText(int code);
QString LnbText(int code);

// The largest TP below FF among the valid channel records, or 0.
int HighestTP(const ChannelTables &tables);
QString RemoveSpaces(const QString &text);
// The leading decimal number of text, rounded; 0 when there is none.
qint64 NumericValue(const QString &text);

// What an operation leaves in the editor's status line, and whether the
// editor lists the tables again.
struct TableResult {
    QString status;
    bool relist = false;
};

TableResult LoadBinary(ChannelTables &tables, const QString &tcsName, const QString &tptName);
TableResult SaveBinary(const ChannelTables &tables, Prompter &prompter, const QString &tcsName, const QString &tptName);
// The tables a scan without a window goes on from: as LoadBinary, but a
// missing file is an empty table (the other is read all the same), and the
// transponder table holds at least its records before the first blank one
// (all 00 or all FF), so a table a transponder scan saved before any channel
// was added keeps its transponders. relist is false when a file exists but
// cannot be read; status says why.
TableResult LoadBinaryForScan(ChannelTables &tables, const QString &tcsName, const QString &tptName);
// Reads tcsName + ".txt" and tptName + ".txt".
TableResult LoadText(ChannelTables &tables, const QString &tcsName, const QString &tptName);
// Writes the rows the editor lists (at most the valid records of each table).
TableResult SaveText(const ChannelTables &tables, const QStringList &tcsRows, const QStringList &tptRows,
                     Prompter &prompter, const QString &tcsName, const QString &tptName);
// The items of one text line as a comma-separated reader takes unquoted
// items: leading blanks skipped, each item ending at a comma or the line's end.
QStringList LineItems(const QString &line);
