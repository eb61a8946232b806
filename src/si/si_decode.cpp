#include "si/si_decode.h"

#include "link/conversions.h"

namespace {

const QString k18Blanks = QString(18, ' ');

int Length12(const SiStore &s, int t, int pos) { return (s.at(t, pos) & 0x0F) * 256 + s.at(t, pos + 1); }

QString HexBytes(const SiStore &s, int t, int pos, int n, const QString &sep)
{
    QString text;
    for (int i = 0; i < n; ++i)
        text += Hex2(s.at(t, pos + i)) + sep;
    return text;
}

QString QuotedText(const SiStore &s, int t, int pos, int n, bool stopAtZero)
{
    QString text = "'";
    for (int i = 0; i < n; ++i) {
        const quint8 b = s.at(t, pos + i);
        if (stopAtZero && b == 0)
            break;
        text += PrnChar(b);
    }
    return text + "'";
}

QString HexAndText(const SiStore &s, int t, int pos, int n)
{
    if (n < 1)
        return QString();
    n = std::min(n, 16);
    return HexBytes(s, t, pos, n, " ").leftJustified(48, ' ') + QuotedText(s, t, pos, n, false);
}

QString StreamName(int type)
{
    static const char *const kNames[15] = {"Resr.", "VIDEO", "VIDEO", "AUDIO", "AUDIO", "PrSec", "PrPES", "MHEG.",
                                           "D_S_M", "Type9", "TypeA", "TypeB", "TypeC", "TypeD", "A_U_X"};
    return type < 15 ? kNames[type] : type < 0x80 ? "Resr." : "Priv.";
}

QString CaSystemName(int high)
{
    switch (high) {
    case 0x01: return "(MedGrd) ";
    case 0x05: return "(ViaAcc)";
    case 0x06: return "(Ird_to)";
    case 0x09: return "(VidGrd)";
    case 0x0D: return "(CryptW)";
    case 0x0E: return "(Pwr_Vu)";
    case 0x18: return "(NagVis)";
    default: return "(?\?\?\?\?\?)";
    }
}

// The MedGrd records after the CA system id: 15 bytes each.
QString MedGrdRecords(SiStore &s, int t, int d, int n)
{
    QString text;
    for (int r = 0; r < (n - 2) / 15; ++r) {
        const int b = d + 15 * r;   // whole records lie inside the descriptor
        const qint32 ecm = (s.at(t, b + 2) & 0x0F) * 256 + s.at(t, b + 3);
        for (int entry : {kVideoEcm, kAudioEcm})
            if (s.DemuxPids[size_t(entry)] == kEcmAwaited)
                s.DemuxPids[size_t(entry)] = ecm;
        text += kCrLf + k18Blanks + "ECM_PID=" + Dec5(ecm) + " Prov=" + HexBytes(s, t, b + 4, 2, "") + " Flag="
            + Hex2(s.at(t, b + 6)) + " ";
        if (s.at(t, b + 6) > 0x7F)
            text += "PkgBmp=" + HexBytes(s, t, b + 7, 8, "") + " Date=" + HexBytes(s, t, b + 15, 2, "");
        else
            text += "PPV_ID=" + HexBytes(s, t, b + 7, 3, " ");
    }
    return text;
}

QString CaDetails(SiStore &s, int t, int d, int n)
{
    if (n <= 3)
        return QStringLiteral("Err!");
    QString text = "Type=" + HexBytes(s, t, d, 2, "") + CaSystemName(s.at(t, d));
    if (s.at(t, d) == 0x01) {
        s.DemuxPids[kCaKind] = 0;
        return text + MedGrdRecords(s, t, d, n);
    }
    if (s.DemuxPids[kCaKind] == kNoPid)
        s.DemuxPids[kCaKind] = 1;
    text += " ECM_PID=" + Dec5((s.at(t, d + 2) & 0x0F) * 256 + s.at(t, d + 3)) + " ";
    if (n > 4)
        text += "Data=" + HexBytes(s, t, d + 4, n - 4, "");
    return text;
}

// Entries of a fixed size: teletext pages (5 bytes), private names (8 bytes).
// They may run past the descriptor into the table, never past the table.
QString Entries(const SiStore &s, int t, int d, int n, int size)
{
    QString text;
    for (int e = 0; n > 0 && e <= (n - 1) / size; ++e) {
        const int at = d + size * e;
        if (!SiStore::fits(at, size))
            return text + kCrLf + kBeyondTable.chopped(2);
        text += size == 5 ? QuotedText(s, t, at, 3, false) + " " + HexBytes(s, t, at + 3, 2, "") + " "
                          : QuotedText(s, t, at, 8, true) + " ";
    }
    return text;
}

QString UnknownEntry(const SiStore &s, int t, int d, int n)
{
    QString text = "(Unknown): " + HexAndText(s, t, d, n);
    for (int done = 16; done < n; done += 16)
        text += kCrLf + k18Blanks + HexAndText(s, t, d + done, n - done);
    return text;
}

// The entry of one descriptor after its prefix; empty for an unknown tag hidden.
QString DescriptorEntry(SiStore &s, int t, int tag, int d, int n)
{
    switch (tag) {
    case 0x09: return "(CAccess): " + CaDetails(s, t, d, n);
    case 0x0A: return "(Lang_id): " + QuotedText(s, t, d, n, true);
    case 0x52: return "(Lang_nn): " + HexBytes(s, t, d, n, " ");
    case 0x56: return "(PES_Inf): " + Entries(s, t, d, n, 5);
    case 0xC1: return "(MHWInf1): " + Entries(s, t, d, n, 8);
    case 0xC2: return "(MHWInf2): " + Entries(s, t, d, n, 8);
    case 0xC3: return "(Ch_Info): " + QuotedText(s, t, d, n, true);
    default: return UnknownEntry(s, t, d, n);
    }
}

bool KnownTag(int tag)
{
    return tag == 0x09 || tag == 0x0A || tag == 0x52 || tag == 0x56 || tag == 0xC1 || tag == 0xC2 || tag == 0xC3;
}

} // namespace

QString TableText(const SiStore &s, int t)
{
    const int id = s.at(t, 0);
    if (id == 0x31)
        return HexBytes(s, t, 0, 4, "") + " - Unavaiable Data" + kCrLf;
    const QString name = id == 0x42 ? "TS Info Table  TID=" : id == 0x02 ? "TS Program Map  SID="
                       : id == 0x40 ? "Net Info Table  NID=" : "Unknown Table  ?ID=";
    return "Table_ID=" + Hex2(id) + " " + QString::number(s.at(t, 1) >> 4, 16).toUpper() + " "
        + QString::number(s.at(t, 1) & 0x0F, 16).toUpper() + Hex2(s.at(t, 2)) + " - " + name
        + Dec5(s.at(t, 3) * 256 + s.at(t, 4)) + HexDisp(s, 1, t);
}

QString HexDisp(const SiStore &s, int pos, int t)
{
    const int length = Length12(s, t, pos);
    if (length == 0)
        return "None" + kCrLf;
    QString text = kCrLf, column;
    for (int i = 0; i < length; ++i) {
        if (!SiStore::fits(pos + 2 + i, 1))
            return text + (column.isEmpty() ? QString() : QString(3 * (16 - i % 16), ' ') + ": " + column + kCrLf)
                + kBeyondTable;
        const quint8 b = s.at(t, pos + 2 + i);
        text += Hex2(b) + " ";
        column += PrnChar(b);
        if (i % 16 == 15) {
            text += ": " + column + kCrLf;
            column.clear();
        }
    }
    if (!column.isEmpty())
        text += QString(3 * (16 - column.size()), ' ') + ": " + column + kCrLf;
    return text;
}

QString IDsp(SiStore &s, int pos, int t, const DecodeOptions &options)
{
    if (!SiStore::fits(pos, 2))
        return kBeyondTable;
    const int length = Length12(s, t, pos);
    QString text;
    for (int k = 0; k <= length - 1; ) {
        const int tag = s.at(t, pos + 2 + k);
        const int n = s.at(t, pos + 3 + k);
        const int d = pos + 4 + k;
        if (!SiStore::fits(pos + 2 + k, 2) || !SiStore::fits(d, n))
            return text + kBeyondTable;
        if (!(options.hideUnknown && !KnownTag(tag)))
            text += "ID=" + Hex2(tag) + Hex2(n) + DescriptorEntry(s, t, tag, d, n) + kCrLf;
        k += 2 + n;
    }
    return text;
}

QString PmtText(SiStore &s, int t, const DecodeOptions &options)
{
    const int length = Length12(s, t, 1);
    const qint32 pcr = (s.at(t, 8) & 0x1F) * 256 + s.at(t, 9);
    s.DemuxPids[kPcrPid] = pcr;
    QString text = "PCR=" + Dec5(pcr) + " -----" + kCrLf;
    // An ECM PID of the program's own CA descriptors serves video and audio.
    s.DemuxPids[kVideoEcm] = s.DemuxPids[kAudioEcm] = kEcmAwaited;
    text += IDsp(s, 10, t, options) + kCrLf;
    if (s.DemuxPids[kVideoEcm] == kEcmAwaited)
        s.DemuxPids[kVideoEcm] = s.DemuxPids[kAudioEcm] = kNoPid;
    for (int i = 12 + Length12(s, t, 10); i <= length - 2; i += 5 + Length12(s, t, i + 3)) {
        const int type = s.at(t, i);   // i <= 4093: the entry's 5 bytes lie inside the table
        const bool video = type == 1 || type == 2, audio = type == 3 || type == 4;
        if (options.avOnly && !video && !audio)
            continue;
        const qint32 pid = (s.at(t, i + 1) & 0x1F) * 256 + s.at(t, i + 2);
        text += "PID=" + Dec5(pid) + " Type=" + Hex2(type) + "(" + StreamName(type) + ")" + kCrLf;
        if (video || audio) {
            const size_t pidEntry = video ? kVideoPid : kAudioPid, ecmEntry = video ? kVideoEcm : kAudioEcm;
            if (s.DemuxPids[pidEntry] == kNoPid)
                s.DemuxPids[pidEntry] = pid;
            if (s.DemuxPids[ecmEntry] == kNoPid)
                s.DemuxPids[ecmEntry] = kEcmAwaited;
        }
        text += IDsp(s, i + 3, t, options) + kCrLf;
    }
    return text;
}

QString ChDisp(SiStore &s, int c, const DecodeOptions &options)
{
    std::fill(s.DemuxPids.begin(), s.DemuxPids.begin() + 7, kNoPid);
    const qint32 sid = s.ServiceIds[size_t(c)];
    QString text = "----- SID=" + Dec5(sid) + " Owner=" + s.ProviderNames[size_t(c)] + " Name="
        + s.ServiceNames[size_t(c)] + " ";
    s.DemuxPids[kServiceId] = sid;
    int map = -1;
    for (int t = 0; t < s.TableCount && map < 0; ++t)
        if (s.at(t, 0) == 0x02 && s.at(t, 3) * 256 + s.at(t, 4) == sid)
            map = t;
    if (map >= 0)
        text += PmtText(s, map, options);
    else
        text += kCrLf + "No Map Table avaiable!" + kCrLf + kCrLf;
    for (int entry : {kVideoEcm, kAudioEcm})
        if (s.DemuxPids[size_t(entry)] == kEcmAwaited)
            s.DemuxPids[size_t(entry)] = kNoPid;
    return text;
}
