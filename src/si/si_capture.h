#pragma once
// The reply of command 31 ("310", one line of hexadecimal byte pairs per
// section, each ended by CR, then LF) split into the store's tables, the
// table list and the channels of the TS info tables (table id 0x42).
#include "link/channel.h"
#include "si/si_decode.h"
#include "si/si_store.h"

#include <functional>
#include <optional>

inline const QString kSiRequest = QStringLiteral("310");
inline const QString kNotTuned = QStringLiteral("3101");
constexpr int kSiSilenceMs = 30000;   // counted from the last character received

// What the window shows once the reply is in.
struct SiCaptureResult {
    QString status;             // L1
    QString textAppend;         // appended to Txt ("No readback!")
    QStringList tableLines;     // LLst
    QStringList channelLines;   // CLst
    bool tsInfo = false;        // channels were looked for: select the first table, enable Save
    QString fileName;           // FN, with tsInfo
    // Per line of tableLines: the section carries a CRC-32 that does not
    // match. The status then ends with " - N tables failed their CRC check".
    QList<bool> crcFailed;
    int crcFailures = 0;
};

// True once the reply is complete: it ends with CR LF.
bool SiReplyComplete(const QString &rxBuf);
// Steps after the wait: splits rxBuf (received so far; timedOut when the
// decoder fell silent) into store. A line longer than a table is cut, more
// than 255 lines or 256 channels are cut, each with a note in the status.
SiCaptureResult SplitCapture(SiStore &store, const QString &rxBuf, bool timedOut);
// The whole capture: "310" written as it is, its reply taken until it
// ends with CR LF or the decoder stays silent for kSiSilenceMs, then split
// into store. progress(characters so far) hears of each piece. Nothing
// (nullopt) when the decoder answered "3101": it is not tuned, the store
// keeps what it held.
std::optional<SiCaptureResult> CaptureSi(CommandChannel &link, SiStore &store,
                                         const std::function<void(qsizetype)> &progress = {});
// The LLst line of table t.
QString TableListLine(const SiStore &store, int t);
QString ChannelListLine(const SiStore &store, int c);

// The report "Save to text file" writes: with raw each table's dump,
// otherwise each listed channel's service line and program map (at most
// listedChannels), each followed by CR LF. Empty when there is nothing to report.
QString SiReport(SiStore &store, bool raw, int listedChannels, const DecodeOptions &options);
// Sections given one a line in hexadecimal (blanks between the digits, CR
// LF line ends, blank lines and lines starting with # skipped) as the reply
// of "310" carries them. False with the line and the reason in why.
[[nodiscard]] bool SectionTextAsReply(const QByteArray &text, QString &reply, QString &why);
