#pragma once
// What a transponder record or a channel record puts into the tuning
// window's boxes when the channels list editor tunes to it. Plain code.
#include "channels/channel_tables.h"
#include "link/channel.h"
#include "tune/tune_service.h"

#include <optional>

constexpr int kChannelDemuxTimeoutMs = 200;

// The record's band, frequency, symbol rate, code rate and polarisation, with
// Auto off and DiSEqC "00". False (boxes untouched) for an index past the table.
bool FillTransponder(const ChannelTables &tables, int index, TuneBoxes &boxes);
// The tuning boxes filled from transponder record index and, with the port
// open, the tune; with the port closed the boxes are filled and nothing is
// sent (no carrier). Nothing for an index past the table.
std::optional<TuneResult> TuneToTransponder(TuneService &tuning, const CommandChannel &link,
                                            const ChannelTables &tables, int index);
// The channel's video, audio and PCR PIDs (teletext untouched), and its
// transponder record's index. False (boxes untouched) for a padding record:
// Use 0, or no transponder (TP 0 or FF).
bool FillChannel(const ChannelTables &tables, int record, TuneBoxes &boxes, int &transponder);
// The transponder line a channel's TP selects: its index, -1 for none (TP
// 0), or nullopt to leave the selection as it is.
std::optional<int> TransponderOfChannel(const ChannelTables &tables, int record, int transponderLines);
