#pragma once
// What one capture of the decoder's service information leaves behind: the
// sections as tables of bytes, the channels of the TS info tables, and the
// PIDs the last decoded channel needs. Plain code; the SI window owns one,
// the scans read it.
#include <QString>
#include <QStringList>
#include <array>
#include <memory>

constexpr int kTableSize = 4098;    // bytes of one stored section
constexpr int kMaxTables = 255;     // sections of one capture
constexpr int kMaxChannels = 256;   // channels of one capture
constexpr qint32 kNoPid = 65535;
constexpr qint32 kEcmAwaited = 65534;

enum DemuxEntry {
    kVideoPid = 0,
    kAudioPid = 1,
    kPcrPid = 2,
    kServiceId = 3,
    kVideoEcm = 4,
    kAudioEcm = 5,
    kCaKind = 6
};

using Table = std::array<quint8, kTableSize>;

struct SiStore {
    SiStore() : Tables(std::make_unique<std::array<Table, kMaxTables + 1>>()) {}
    // Bounds-checked: a byte outside the table reads as 0 (callers check with fits first).
    quint8 at(int table, int pos) const { return fits(pos, 1) ? (*Tables)[size_t(table)][size_t(pos)] : 0; }
    static bool fits(int pos, int count) { return pos >= 0 && count >= 0 && pos <= kTableSize - count; }

    std::unique_ptr<std::array<Table, kMaxTables + 1>> Tables;   // 256 tables; a capture fills at most 255
    qint16 TableCount = 0;
    // Per table of the last capture: the bytes its line brought, and whether
    // it carries a CRC that does not match (or is cut short).
    std::array<qint16, kMaxTables + 1> TableLengths{};
    std::array<bool, kMaxTables + 1> CrcFailed{};
    qint32 FirstTsId = -1;
    qint32 FirstNetId = -1;
    qint16 ChannelCount = 0;
    std::array<qint32, kMaxChannels> ServiceIds{};
    std::array<QString, kMaxChannels> ProviderNames;
    std::array<QString, kMaxChannels> ServiceNames;
    std::array<bool, kMaxChannels> CaFlags{};
    std::array<qint32, 8> DemuxPids = {kNoPid, kNoPid, kNoPid, kNoPid, kNoPid, kNoPid, kNoPid, kNoPid};
};
