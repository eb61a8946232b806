#pragma once
// The typed results of si_tables.h as the texts the SI window shows and
// saves: a heading and dump per table, and per channel its service line and
// program map (streams, descriptors, conditional access). A loop or entry
// list that stopped at the table's end ends with kBeyondTable.
#include "si/si_tables.h"

inline const QString kCrLf = QStringLiteral("\r\n");
inline const QString kBeyondTable = QStringLiteral("!! The lengths lead past the end of the table.\r\n");

struct DecodeOptions {
    bool avOnly = false;        // Show Audio and Video PIDs only
    bool hideUnknown = false;   // Don't show 'unknow' ES_Info
};

QString FormatHeading(const TableHeading &heading);
QString FormatSectionBytes(const SectionBytes &body);
QString FormatDescriptorLoop(const DescriptorLoop &loop, const DecodeOptions &options);
QString FormatProgramMap(const ProgramMap &map, const DecodeOptions &options);
QString FormatChannel(const ChannelInfo &channel, const DecodeOptions &options);
