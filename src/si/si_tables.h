#pragma once
// The stored tables decoded into typed results, every byte read through a
// SectionReader: a table's heading and body, descriptor loops, a program
// map, and a channel with the PIDs the demultiplexer needs. A length that
// leads past the table's end stops that loop or entry list and is noted in
// beyondTable. No text is made here (see si_format.h).
#include "si/si_reader.h"

#include <QList>
#include <array>
#include <optional>

using DemuxPidList = std::array<qint32, 8>;   // as SiStore::DemuxPids, indexed by DemuxEntry

constexpr int kCaMedGrd = 0x01;   // CA system (high byte) whose descriptor holds ECM records

// The bytes after a 12-bit length field, as far as the table holds them.
struct SectionBytes {
    QByteArray bytes;
    bool beyondTable = false;   // the length (or the field itself) leads past the table's end
};

struct TableHeading {
    quint8 id = 0;
    quint8 flags = 0;   // the high 4 bits of byte 1
    int sectionLength = 0;
    quint16 extension = 0;   // TS id, service id or network id
    QByteArray leading;      // bytes 0 to 3, all an unavailable table (id 0x31) shows
    SectionBytes body;       // after the section length
};

// A MedGrd record: 15 bytes from 2 + 15 * r in the CA descriptor.
struct CaRecord {
    qint32 ecmPid = 0;
    QByteArray provider;   // 2 bytes
    quint8 flag = 0;
    QByteArray data;   // the 10 bytes after the flag: package bitmap and date, or pay-per-view id first
};

// A CA descriptor of 4 bytes or more.
struct CaEntry {
    quint16 system = 0;
    qint32 ecmPid = 0;         // 12 bits
    QByteArray data;           // after the ECM PID
    QList<CaRecord> records;   // MedGrd only
    bool medGrd() const { return system >> 8 == kCaMedGrd; }
};

struct Descriptor {
    quint8 tag = 0;
    QByteArray body;
    // Teletext pages (tag 0x56, 5 bytes) and private names (0xC1, 0xC2, 8 bytes), one per started
    // entry: the last may reach past the body into the table, never past the table.
    QList<QByteArray> entries;
    bool entriesBeyondTable = false;
    std::optional<CaEntry> ca;   // tag 0x09
};

struct DescriptorLoop {
    QList<Descriptor> descriptors;
    bool beyondTable = false;   // the loop stopped at a descriptor the table does not hold
};

struct Stream {
    quint8 type = 0;
    qint32 pid = 0;
    DescriptorLoop descriptors;
    bool video() const { return type == 1 || type == 2; }
    bool audio() const { return type == 3 || type == 4; }
};

struct ProgramMap {
    qint32 pcrPid = 0;
    DescriptorLoop descriptors;   // the program's own
    QList<Stream> streams;
    bool beyondTable = false;
};

// A channel of the TS info tables: its service line, its program map and the PIDs it needs.
struct ChannelInfo {
    qint32 serviceId = 0;
    QString provider;
    QString name;
    std::optional<ProgramMap> map;   // none when no program map has the service id
    DemuxPidList pids = {kNoPid, kNoPid, kNoPid, kNoPid, kNoPid, kNoPid, kNoPid, kNoPid};   // 0 to 6 decoded
};

// The descriptor tags decoded by name; others are shown as unknown.
bool KnownTag(int tag);

// Nothing when the table is not in the store.
[[nodiscard]] std::optional<TableHeading> DecodeHeading(const SectionReader &table);
SectionBytes DecodeSectionBytes(const SectionReader &table, int pos);
// The loop whose 12-bit length field is at pos, pos + 1.
DescriptorLoop DecodeDescriptorLoop(const SectionReader &table, int pos);
ProgramMap DecodeProgramMap(const SectionReader &table);
// The first of the store's tables that is the program map of the service.
[[nodiscard]] std::optional<int> FindProgramMap(const SiStore &store, qint32 serviceId);
// Audio and video only (avOnly) leaves the other streams out of the PIDs, as out of the text.
ChannelInfo DecodeChannel(const SiStore &store, int c, bool avOnly);

// What the CA entries of a loop change in the PIDs: the CA kind, and ECM PIDs awaited (kEcmAwaited)
// take the PIDs of MedGrd records.
void ApplyCaPids(const DescriptorLoop &loop, DemuxPidList &pids);
// PCR, video and audio PIDs and their ECM PIDs; an ECM PID still awaited afterwards is the caller's.
void ApplyProgramPids(const ProgramMap &map, bool avOnly, DemuxPidList &pids);
