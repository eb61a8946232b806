#include "si/si_format.h"

#include "link/conversions.h"

namespace {

const QString k18Blanks = QString(18, ' ');

QString HexBytes(const QByteArray &bytes, const QString &sep)
{
    QString text;
    for (char b : bytes)
        text += Hex2(quint8(b)) + sep;
    return text;
}

QString QuotedText(const QByteArray &bytes, bool stopAtZero)
{
    QString text = "'";
    for (char b : bytes) {
        if (stopAtZero && b == 0)
            break;
        text += PrnChar(quint8(b));
    }
    return text + "'";
}

// Up to 16 bytes as hexadecimal, then as text.
QString HexAndText(const QByteArray &bytes)
{
    if (bytes.isEmpty())
        return QString();
    const QByteArray line = bytes.left(16);
    return HexBytes(line, " ").leftJustified(48, ' ') + QuotedText(line, false);
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
    case kCaMedGrd: return "(MedGrd) ";
    case 0x05: return "(ViaAcc)";
    case 0x06: return "(Ird_to)";
    case 0x09: return "(VidGrd)";
    case 0x0D: return "(CryptW)";
    case 0x0E: return "(Pwr_Vu)";
    case 0x18: return "(NagVis)";
    default: return "(?\?\?\?\?\?)";
    }
}

QString MedGrdRecords(const CaEntry &ca)
{
    QString text;
    for (const CaRecord &r : ca.records) {
        text += kCrLf + k18Blanks + "ECM_PID=" + Dec5(r.ecmPid) + " Prov=" + HexBytes(r.provider, "")
            + " Flag=" + Hex2(r.flag) + " ";
        if (r.flag > 0x7F)
            text += "PkgBmp=" + HexBytes(r.data.left(8), "") + " Date=" + HexBytes(r.data.mid(8, 2), "");
        else
            text += "PPV_ID=" + HexBytes(r.data.left(3), " ");
    }
    return text;
}

QString CaDetails(const std::optional<CaEntry> &ca)
{
    if (!ca)
        return QStringLiteral("Err!");
    const QString text = "Type=" + Hex2(ca->system >> 8) + Hex2(ca->system) + CaSystemName(ca->system >> 8);
    if (ca->medGrd())
        return text + MedGrdRecords(*ca);
    return text + " ECM_PID=" + Dec5(ca->ecmPid) + " "
        + (ca->data.isEmpty() ? QString() : "Data=" + HexBytes(ca->data, ""));
}

// Teletext pages: language and type; private names.
QString Entries(const Descriptor &d)
{
    QString text;
    for (const QByteArray &e : d.entries)
        text += d.tag == 0x56 ? QuotedText(e.left(3), false) + " " + HexBytes(e.mid(3, 2), "") + " "
                              : QuotedText(e, true) + " ";
    if (d.entriesBeyondTable)
        text += kCrLf + kBeyondTable.chopped(2);
    return text;
}

QString UnknownEntry(const QByteArray &body)
{
    QString text = "(Unknown): " + HexAndText(body);
    for (int done = 16; done < body.size(); done += 16)
        text += kCrLf + k18Blanks + HexAndText(body.mid(done));
    return text;
}

// The entry of one descriptor after its prefix.
QString DescriptorEntry(const Descriptor &d)
{
    switch (d.tag) {
    case 0x09: return "(CAccess): " + CaDetails(d.ca);
    case 0x0A: return "(Lang_id): " + QuotedText(d.body, true);
    case 0x52: return "(Lang_nn): " + HexBytes(d.body, " ");
    case 0x56: return "(PES_Inf): " + Entries(d);
    case 0xC1: return "(MHWInf1): " + Entries(d);
    case 0xC2: return "(MHWInf2): " + Entries(d);
    case 0xC3: return "(Ch_Info): " + QuotedText(d.body, true);
    default: return UnknownEntry(d.body);
    }
}

}   // namespace

QString FormatHeading(const TableHeading &h)
{
    if (h.id == 0x31)
        return HexBytes(h.leading, "") + " - Unavaiable Data" + kCrLf;
    const QString name = h.id == 0x42 ? "TS Info Table  TID="
        : h.id == 0x02                ? "TS Program Map  SID="
        : h.id == 0x40                ? "Net Info Table  NID="
                                      : "Unknown Table  ?ID=";
    return "Table_ID=" + Hex2(h.id) + " " + QString::number(h.flags, 16).toUpper() + " "
        + QString::number(h.sectionLength >> 8, 16).toUpper() + Hex2(h.sectionLength) + " - " + name + Dec5(h.extension)
        + FormatSectionBytes(h.body);
}

QString FormatSectionBytes(const SectionBytes &body)
{
    if (body.bytes.isEmpty() && !body.beyondTable)
        return "None" + kCrLf;
    QString text = kCrLf;
    for (qsizetype line = 0; line < body.bytes.size(); line += 16) {
        const QByteArray bytes = body.bytes.mid(line, 16);
        QString column;
        for (char b : bytes) {
            text += Hex2(quint8(b)) + " ";
            column += PrnChar(quint8(b));
        }
        text += QString(3 * (16 - bytes.size()), ' ') + ": " + column + kCrLf;
    }
    return body.beyondTable ? text + kBeyondTable : text;
}

QString FormatDescriptorLoop(const DescriptorLoop &loop, const DecodeOptions &options)
{
    QString text;
    for (const Descriptor &d : loop.descriptors)
        if (!(options.hideUnknown && !KnownTag(d.tag)))
            text += "ID=" + Hex2(d.tag) + Hex2(int(d.body.size())) + DescriptorEntry(d) + kCrLf;
    return loop.beyondTable ? text + kBeyondTable : text;
}

QString FormatProgramMap(const ProgramMap &map, const DecodeOptions &options)
{
    QString text =
        "PCR=" + Dec5(map.pcrPid) + " -----" + kCrLf + FormatDescriptorLoop(map.descriptors, options) + kCrLf;
    for (const Stream &s : map.streams) {
        if (options.avOnly && !s.video() && !s.audio())
            continue;
        text += "PID=" + Dec5(s.pid) + " Type=" + Hex2(s.type) + "(" + StreamName(s.type) + ")" + kCrLf
            + FormatDescriptorLoop(s.descriptors, options) + kCrLf;
    }
    return map.beyondTable ? text + kBeyondTable : text;
}

QString FormatChannel(const ChannelInfo &channel, const DecodeOptions &options)
{
    const QString line =
        "----- SID=" + Dec5(channel.serviceId) + " Owner=" + channel.provider + " Name=" + channel.name + " ";
    if (!channel.map)
        return line + kCrLf + "No Map Table avaiable!" + kCrLf + kCrLf;
    return line + FormatProgramMap(*channel.map, options);
}
