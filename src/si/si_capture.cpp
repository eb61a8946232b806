#include "si/si_capture.h"

#include "link/conversions.h"
#include "si/si_crc.h"

#include <cctype>

namespace {

int SectionLength(const SiStore &s, int t) { return (s.at(t, 1) & 0x0F) * 256 + s.at(t, 2); }
int Extension(const SiStore &s, int t) { return s.at(t, 3) * 256 + s.at(t, 4); }

// Exactly 16 characters from the length byte at q and the bytes after it:
// cut, padded with blanks, control bytes as blanks.
QString Name16(const SiStore &s, int t, int q)
{
    QString name;
    const int length = s.at(t, q);
    for (int n = 0; n < 16; ++n) {
        const quint8 b = s.at(t, q + 1 + n);
        name += n < length && b >= 32 && SiStore::fits(q + 1 + n, 1) ? QChar(b) : QChar(' ');
    }
    return name;
}

// Splits the lines of data into tables; false on a line of odd length.
// Returns the number of lines cut at the table size.
bool SplitLines(SiStore &s, const QString &data, int &cutLines)
{
    int p = 0;
    cutLines = 0;
    for (int t = 0; t < s.TableCount; ++t) {
        int j = 0;
        bool cut = false;
        while (p < data.size() && data[p] != '\r') {
            if (p + 1 >= data.size() || data[p + 1] == '\r')
                return false;
            if (j < kTableSize)
                (*s.Tables)[size_t(t)][size_t(j++)] = quint8(HexDigit(data[p]) * 16 + HexDigit(data[p + 1]));
            else
                cut = true;
            p += 2;
        }
        s.TableLengths[size_t(t)] = qint16(j);
        cutLines += cut ? 1 : 0;
        ++p;
    }
    return true;
}

// The service entries of the TS info table t, appended to the channel list.
void ExtractChannels(SiStore &s, int t, QStringList &lines, bool &full)
{
    const int length = SectionLength(s, t);
    for (int i = 11; i <= length - 9;) {   // i <= 4086: the entry's 5 bytes lie inside the table
        if (s.ChannelCount >= kMaxChannels) {
            full = true;
            return;
        }
        const int c = s.ChannelCount;
        s.ServiceIds[size_t(c)] = s.at(t, i) * 256 + s.at(t, i + 1);
        s.CaFlags[size_t(c)] = s.at(t, i + 3) & 0x10;
        const int loop = (s.at(t, i + 3) & 0x0F) * 256 + s.at(t, i + 4);
        int k = 5;
        bool found = false;
        while (k <= loop - 1 && SiStore::fits(i + k, 2)) {
            if (s.at(t, i + k) == 0x48) {
                found = true;
                break;
            }
            k += 2 + s.at(t, i + k + 1);
        }
        QString provider, service;
        if (found) {
            const int q = i + k + 3;
            provider = Name16(s, t, q);
            service = Name16(s, t, q + 1 + s.at(t, q));
        }
        s.ProviderNames[size_t(c)] = provider;
        s.ServiceNames[size_t(c)] = service;
        lines << ChannelListLine(s, c);
        ++s.ChannelCount;
        i += 5 + loop;
    }
}

// The CRC-32 of every table that carries one.
void CheckCrcs(SiStore &s, SiCaptureResult &r)
{
    s.CrcFailed.fill(false);
    for (int t = 0; t < s.TableCount; ++t) {
        const std::span<const quint8> line((*s.Tables)[size_t(t)].data(), size_t(s.TableLengths[size_t(t)]));
        const bool failed = CheckSectionCrc(line) == SectionCrc::Bad;
        s.CrcFailed[size_t(t)] = failed;
        r.crcFailed << failed;
        r.crcFailures += failed ? 1 : 0;
    }
}

}   // namespace

bool SiReplyComplete(const QString &rxBuf) { return rxBuf.endsWith(QStringLiteral("\r\n")); }

std::optional<SiCaptureResult> CaptureSi(CommandChannel &link, SiStore &store,
                                         const std::function<void(qsizetype)> &progress)
{
    // "3101" ends the wait only while the reply is still coming: a complete
    // reply that happens to start so is split as it is.
    const auto notTuned = [](const QString &rx) { return !SiReplyComplete(rx) && rx.startsWith(kNotTuned); };
    const LinesReply reply = link.transactLines(
        kSiRequest, kSiSilenceMs, [&](const QString &rx) { return SiReplyComplete(rx) || notTuned(rx); }, progress);
    if (notTuned(reply.text))
        return std::nullopt;
    return SplitCapture(store, reply.text, !SiReplyComplete(reply.text));
}

QString TableListLine(const SiStore &s, int t)
{
    const int id = s.at(t, 0);
    if (id == 0x31)
        return QStringLiteral("-- --");
    const QString letter = id == 0x42 ? "T" : id == 0x02 ? "S" : id == 0x40 ? "N" : "?";
    return ' ' + Hex2(id) + "  " + QString::number(s.at(t, 1) & 0x0F, 16).toUpper() + Hex2(s.at(t, 2)) + "  " + letter
        + "ID=" + Dec5(Extension(s, t));
}

QString ChannelListLine(const SiStore &s, int c)
{
    return Dec5(s.ServiceIds[size_t(c)]) + "  " + s.ProviderNames[size_t(c)] + ' ' + s.ServiceNames[size_t(c)] + "  "
        + (s.CaFlags[size_t(c)] ? "CA" : "Free");
}

SiCaptureResult SplitCapture(SiStore &s, const QString &rxBuf, bool timedOut)
{
    SiCaptureResult r;
    s.ChannelCount = 0;
    if (rxBuf.size() < 3 || !rxBuf.startsWith(kSiRequest)) {
        r.textAppend = QStringLiteral("No readback!");
        return r;
    }
    r.status = timedOut ? QStringLiteral("Timeout!") : QStringLiteral("Read OK.");
    QString data = rxBuf.chopped(1).mid(3);
    // A body that ends with an empty line keeps the "310" in front of it.
    if (data.endsWith(QStringLiteral("\r\r")))
        data = rxBuf.chopped(1);
    const qsizetype lines = data.count('\r');
    if (lines == 0) {
        r.status = QStringLiteral("No Tables!");
        return r;
    }
    s.TableCount = qint16(std::min<qsizetype>(lines, kMaxTables));
    if (lines > kMaxTables)
        r.status = QStringLiteral("Too many Tables!");
    int cutLines = 0;
    if (!SplitLines(s, data, cutLines)) {
        r.status = QStringLiteral("Odd data len!");
        return r;
    }
    if (cutLines > 0)
        r.status += QStringLiteral(" %1 tables cut at %2 bytes.").arg(cutLines).arg(kTableSize);
    CheckCrcs(s, r);
    const QString crcNote =
        r.crcFailures > 0 ? QStringLiteral(" - %1 tables failed their CRC check").arg(r.crcFailures) : QString();

    s.FirstTsId = -1;
    s.FirstNetId = -1;
    for (int t = 0; t < s.TableCount; ++t) {
        r.tableLines << TableListLine(s, t);
        if (s.at(t, 0) == 0x42 && s.FirstTsId == -1)
            s.FirstTsId = Extension(s, t);
        if (s.at(t, 0) == 0x40 && s.FirstNetId == -1)
            s.FirstNetId = Extension(s, t);
    }
    if (s.FirstTsId == -1) {
        r.status = QStringLiteral("No TSInfo!") + crcNote;
        return r;
    }
    r.tsInfo = true;
    bool full = false;
    for (int t = 0; t < s.TableCount && !full; ++t)
        if (s.at(t, 0) == 0x42)
            ExtractChannels(s, t, r.channelLines, full);
    if (full)
        r.status += QStringLiteral(" Only the first %1 channels are listed.").arg(kMaxChannels);
    r.fileName = "SI_Data_TID_" + Dec5(s.FirstTsId) + ".txt";
    r.status += crcNote;
    return r;
}

QString SiReport(SiStore &store, bool raw, int listedChannels, const DecodeOptions &options)
{
    QString report;
    if (raw) {
        for (int t = 0; t < store.TableCount; ++t)
            report += TableText(store, t) + kCrLf;
    } else {
        for (int c = 0; c < listedChannels && c < store.ChannelCount; ++c)
            report += ChDisp(store, c, options) + kCrLf;
    }
    return report;
}

bool SectionTextAsReply(const QByteArray &text, QString &reply, QString &why)
{
    reply = kSiRequest;
    const QList<QByteArray> lines = text.split('\n');
    for (qsizetype n = 0; n < lines.size(); ++n) {
        const QByteArray line = lines[n].trimmed();
        if (line.isEmpty() || line.startsWith('#'))
            continue;
        QString digits;
        for (const char c : line) {
            if (c == ' ' || c == '\t' || c == '\r')
                continue;
            if (!std::isxdigit(static_cast<unsigned char>(c))) {
                why = QStringLiteral("line %1: '%2' is not a hexadecimal digit").arg(n + 1).arg(QChar(c));
                return false;
            }
            digits += QChar(c).toUpper();
        }
        if (digits.size() % 2 != 0) {
            why = QStringLiteral("line %1: odd number of hexadecimal digits").arg(n + 1);
            return false;
        }
        reply += digits + '\r';
    }
    reply += '\n';
    return true;
}
