#pragma once
// The captured tables as text: a heading and dump per table, and per channel
// its service line and program map (streams, descriptors, conditional
// access). Decoding a channel records the PIDs it needs in DemuxPids. Every
// read stays inside its table: a length that leads past the table's end
// stops that loop or descriptor with kBeyondTable. Each is a thin wrapper:
// decoding in si_tables.h, through the reader of si_reader.h; texts in
// si_format.h.
#include "si/si_format.h"
#include "si/si_store.h"

QString TableText(const SiStore &store, int t);
// Dump of the section body whose 12-bit length field is at pos, pos+1.
QString HexDisp(const SiStore &store, int pos, int t);
// Service line and program map of channel c; refills DemuxPids 0 to 6.
QString ChDisp(SiStore &store, int c, const DecodeOptions &options);
QString PmtText(SiStore &store, int t, const DecodeOptions &options);
// The descriptor loop whose 12-bit length field is at pos, pos+1.
QString IDsp(SiStore &store, int pos, int t, const DecodeOptions &options);
