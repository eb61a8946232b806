#pragma once
// The edits of the channels list editor on the two tables, as plain
// functions: channels removed, moved, renamed, added, sorted, their
// duplicates found and their order copied from a reference list;
// transponders moved, removed and changed with the TP field of every
// channel renumbered. A channel's Use 0 marks a padding record (the blank
// records of a decoder file): sorts and the reference order leave those
// after the channels, duplicates ignore them.
#include "channels/channel_tables.h"

#include <QList>
#include <optional>

// The Use of a channel added by hand, as a scan gives it.
constexpr int kScannedUse = 4;

bool IsPadding(const ChannelTables &tables, int record);
// The index just after the last channel that is not padding (0 when none).
int EndOfChannels(const ChannelTables &tables);
// Every record 0..TcsCount-1.
QList<int> AllChannels(const ChannelTables &tables);
// The channel's name bytes up to the first zero, blanks at its end removed.
QString ChannelName(const ChannelTables &tables, int record);

// Puts the channel records in a new order in the same places
// (ascending record indices): the record at places[i] becomes the one that
// was at order[i]; order holds the records of places, each once.
void PlaceChannels(ChannelTables &tables, const QList<int> &places, const QList<int> &order);
// Removes the records; those after them close up.
void RemoveChannels(ChannelTables &tables, const QList<int> &records);
// Moves the records, in their table order, to just before record before
// (TcsCount: to the end; before may not be one of them). Their new indices.
QList<int> MoveChannels(ChannelTables &tables, const QList<int> &records, int before);
// Each of selected moves one place up (step -1) or down (+1) among the shown
// records (ascending): it trades places with its neighbour there unless that
// one is selected too. Records not shown keep their places. The new indices
// of selected.
QList<int> StepChannels(ChannelTables &tables, const QList<int> &shown, const QList<int> &selected, int step);

// Why the text cannot be a channel name (more than 16 characters, a
// character that is not printable ASCII, nothing at all), or the empty text.
QString NameRefusal(const QString &name);
// Renames the record; the refusal (nothing changed), or the empty text.
[[nodiscard]] QString RenameChannel(ChannelTables &tables, int record, const QString &name);

struct NewChannel {
    QString name;
    int tp = 1;   // the transponder's number, 1-based
    int sid = 0, vpid = 0xFFFF, apid = 0xFFFF, vecm = 0xFFFF, aecm = 0xFFFF, pcr = 0xFFFF;
};
// Inserts the channel with Use 4 before record at; a padding record at the
// end of the table makes room, so a decoder's table keeps its length. The
// refusal (nothing changed), or the empty text.
[[nodiscard]] QString AddChannel(ChannelTables &tables, int at, const NewChannel &channel);

enum class ChannelOrder { Name, Transponder, Sid };
// "name", "tp" or "sid".
std::optional<ChannelOrder> ChannelOrderNamed(const QString &name);
// Sorts the records among their own places (padding after the channels);
// records of equal keys keep their order.
void SortChannels(ChannelTables &tables, const QList<int> &records, ChannelOrder by);
// The records of a transponder and SID that an earlier one of records has.
QList<int> DuplicateChannels(const ChannelTables &tables, const QList<int> &records);
// Puts the records among their own places in the order of the reference:
// first those it also holds, in its order, then the rest in their own. A
// reference channel matches by the transport stream id and network id of
// its transponder and its SID, or by its name when its SID is 0. The
// number matched.
int OrderLike(ChannelTables &tables, const QList<int> &records, const ChannelTables &reference);
// The reference tables: binary files, or the text forms when both names end in ".txt".
TableResult LoadReference(ChannelTables &reference, const QString &tcsName, const QString &tptName);
QString OrderLikeSummary(const QString &reference, int matched, int channels);

// Puts the transponder records 0..TptCount-1 in a new order (new record i
// is the one at order[i]); every channel follows its transponder.
void ReorderTransponders(ChannelTables &tables, const QList<int> &order);
void MoveTransponder(ChannelTables &tables, int from, int to);
int ChannelsOnTransponder(const ChannelTables &tables, int index);
// Removes the record (those after move up, the freed last one is zeroed)
// and, with removeChannels, the channels on it; without, they keep no
// transponder (TP FF).
void RemoveTransponder(ChannelTables &tables, int index, bool removeChannels);

struct TransponderFields {
    qint64 kHz = 0;   // the received frequency
    int sr = 0;       // symbol-rate code
    int fec = 0;      // code rate 0..5
    bool horizontal = false;
};
TransponderFields TransponderFieldsOf(const ChannelTables &tables, int index);
// Stores the fields in the record: the band follows the frequency as the
// text form reads it (low below 11550000 kHz, high above 11905000, as it
// was in between). The refusal (nothing changed), or the empty text.
[[nodiscard]] QString SetTransponder(ChannelTables &tables, int index, const TransponderFields &fields);
