#include "channels/channel_tables.h"

#include "link/conversions.h"

#include <algorithm>
#include <cmath>
#include <tuple>

namespace {

const QStringList kFecTexts = {"1/2", "2/3", "3/4", "4/5", "5/6", "7/8"};
const QStringList kLnbTexts = {"V/D", "V/U", "H/D", "H/U"};

std::span<const quint8> tcsRecord(const ChannelTables &t, int record)
{
    return std::span<const quint8>(t.TcsTable).subspan(size_t(record) * kTcsRecordSize, kTcsRecordSize);
}

std::span<const quint8> tptRecord(const ChannelTables &t, int record)
{
    return std::span<const quint8>(t.TptTable).subspan(size_t(record) * kTptRecordSize, kTptRecordSize);
}

// Characters from..to of text, counted from 1; what lies past its end is missing.
QString chars(const QString &text, int from, int to) { return text.mid(from - 1, to - from + 1); }

int mod65536(qint64 v) { return int(((v % 65536) + 65536) % 65536); }

// Reads the whole text file; the empty result and a failure text when it cannot.
bool readText(const QString &name, QStringList &lines, QString &why)
{
    QByteArray data;
    if (!ReadFileBytes(name, data, why)) {
        why += "  ";
        return false;
    }
    lines = QString::fromLatin1(data).split('\n');
    for (QString &line : lines)
        if (line.endsWith('\r'))
            line.chop(1);
    if (!lines.isEmpty() && lines.back().isEmpty())
        lines.removeLast();
    return true;
}

// "TCS Table file not found! " with the reason when something of that name
// cannot be read.
QString tableNotFound(const char *table, const QString &name)
{
    return WithReason(QLatin1String(table) + QStringLiteral(" Table file not found!"), UnreadableReason(name)) + ' ';
}

// True when the file may be written; a name that cannot be written at all
// adds why to status, a refused overwrite adds nothing.
bool mayWrite(Prompter &prompter, const QString &name, QString &status)
{
    QString why;
    const OverwriteAnswer answer = CheckOverwrite(prompter, name, &why);
    if (answer == OverwriteAnswer::CannotWrite)
        status += "Cannot write " + name + " - " + why + "  ";
    return answer == OverwriteAnswer::MayWrite;
}

bool writeFile(const QString &name, const QByteArray &data, QString &why)
{
    const bool ok = WriteFileBytes(name, data, why);
    if (!ok)
        why += "  ";
    return ok;
}

QByteArray linesText(const QStringList &rows, int count)
{
    QByteArray text;
    for (int i = 0; i < std::min<qsizetype>(count, rows.size()); ++i)
        text += rows[i].toLatin1() + "\r\n";
    return text;
}

void readTptItem(ChannelTables &t, const QString &item)
{
    const QString s = RemoveSpaces(item).toUpper();
    if (s.isEmpty())
        return;
    const qint32 kHz = qint32(std::clamp<qint64>(NumericValue(chars(s, 3, 10)), kLowestKHz, kHighestKHz));
    int lnb = std::max<int>(0, int(kLnbTexts.indexOf(chars(s, 28, 30))));
    if (kHz < kAlwaysLowBelowKHz)
        lnb &= ~1;
    if (kHz > kAlwaysHighAboveKHz)
        lnb |= 1;
    const std::span<quint8> table(t.TptTable);
    const int r = t.TptCount * kTptRecordSize;
    PutFreqKHz(table, r + kTptFrequency, kHz - ((lnb & 1) ? kHighOscillatorKHz : kLowOscillatorKHz));
    PutBE16(table, r + kTptTid, mod65536(NumericValue(chars(s, 11, 15))));
    PutBE16(table, r + kTptNid, mod65536(NumericValue(chars(s, 16, 20))));
    table[size_t(r + kTptChn)] = quint8(HexToByte(chars(s, 21, 22)));
    table[size_t(r + kTptSr)] = quint8(HexToByte(chars(s, 23, 24)));
    table[size_t(r + kTptFec)] = quint8(std::max<qsizetype>(0, kFecTexts.indexOf(chars(s, 25, 27))));
    table[size_t(r + kTptLnb)] = quint8(lnb);
    ++t.TptCount;
}

// The name of a record below 1000 starts at character 5; a longer number
// (record 1000 on) pushes it to just after the number and its blank.
int nameStart(const QString &item)
{
    int digits = 0;
    while (digits < item.size() && item[digits].isDigit())
        ++digits;
    return std::max(5, digits + 2);
}

void readTcsItem(ChannelTables &t, const QString &item)
{
    if (item.size() < 22)
        return;
    const int start = nameStart(item);
    PutName(t, t.TcsCount, item.mid(start - 1, kNameSize));
    const QString rest = RemoveSpaces(item.mid(start - 1 + kNameSize)).toUpper();
    const std::span<quint8> table(t.TcsTable);
    const int r = t.TcsCount * kTcsRecordSize;
    table[size_t(r + kTcsUse)] = quint8(HexToByte(chars(rest, 1, 2)));
    table[size_t(r + kTcsTp)] = quint8(HexToByte(chars(rest, 3, 4)));
    int field = kTcsSid;
    for (int from = 5; from <= 30; from += 5, field += 2)
        PutBE16(table, r + field, mod65536(NumericValue(chars(rest, from, from + 4))));
    ++t.TcsCount;
}

}   // namespace

int GetBE16(std::span<const quint8> table, int index) { return table[size_t(index)] * 256 + table[size_t(index) + 1]; }

void PutBE16(std::span<quint8> table, int index, qint64 value)
{
    table[size_t(index)] = quint8((value >> 8) & 0xFF);
    table[size_t(index) + 1] = quint8(value & 0xFF);
}

qint64 GetFreqKHz(std::span<const quint8> table, int index)
{
    const quint32 hz = quint32(GetBE16(table, index)) << 16 | quint32(GetBE16(table, index + 2));
    return hz / 1000;
}

void PutFreqKHz(std::span<quint8> table, int index, qint32 kHz)
{
    const quint32 hz = quint32(Mul32(kHz, 1000));
    PutBE16(table, index, hz >> 16);
    PutBE16(table, index + 2, hz & 0xFFFF);
}

void PutName(ChannelTables &tables, int record, const QString &text)
{
    QString name = text;
    while (name.endsWith(' '))
        name.chop(1);
    const std::span<quint8> bytes =
        std::span<quint8>(tables.TcsTable).subspan(size_t(record) * kTcsRecordSize, kNameSize);
    std::fill(bytes.begin(), bytes.end(), 0);
    const QByteArray latin = name.left(kNameSize).toLatin1();
    std::copy(latin.begin(), latin.end(), bytes.begin());
}

void BlankTcsRecord(std::span<quint8> record)
{
    std::fill(record.begin(), record.end(), 0xFF);
    std::fill(record.begin(), record.begin() + kTcsTp, 0);
    record[kTcsSid] = record[kTcsSid + 1] = 0;
}

QString TcsLine(const ChannelTables &tables, int record)
{
    const std::span<const quint8> r = tcsRecord(tables, record);
    QString line = record < kTcsFileRecords ? QStringLiteral(" %1 ").arg(record + 1, 3, 10, QLatin1Char('0'))
                                            : QString::number(record + 1) + ' ';
    // A comma would split the text file's line, a control character (a line
    // feed above all) would break it: both show as blanks.
    QString name;
    for (int k = 0; k < kNameSize && r[size_t(k)] != 0; ++k) {
        const quint8 c = r[size_t(k)];
        name += c == ',' || c < 0x20 || c == 0x7F ? QChar(' ') : QChar(c);
    }
    line += name.leftJustified(kNameSize, ' ');
    line += ' ' + Hex2(r[kTcsUse]) + ' ' + Hex2(r[kTcsTp]);
    for (int field = kTcsSid; field <= kTcsPcr; field += 2)
        line += ' ' + Dec5(GetBE16(r, field));
    return line;
}

qint64 ReceivedKHz(const ChannelTables &tables, int record)
{
    const std::span<const quint8> r = tptRecord(tables, record);
    return GetFreqKHz(r, kTptFrequency) + ((r[kTptLnb] & 1) ? kHighOscillatorKHz : kLowOscillatorKHz);
}

QString FecText(int code) { return code >= 0 && code < kFecTexts.size() ? kFecTexts[code] : QStringLiteral("Err"); }

QString LnbText(int code) { return kLnbTexts[code & 3]; }

QString TptLine(const ChannelTables &tables, int record)
{
    const std::span<const quint8> r = tptRecord(tables, record);
    QString frequency = QString::number(ReceivedKHz(tables, record));
    if (frequency.size() == 7)
        frequency.prepend('0');
    const QString gap = QStringLiteral("  ");
    return Hex2(record + 1) + gap + frequency + gap + Dec5(GetBE16(r, kTptTid)) + gap + Dec5(GetBE16(r, kTptNid)) + gap
        + Hex2(r[kTptChn]) + gap + Hex2(r[kTptSr]) + gap + FecText(r[kTptFec]) + gap + LnbText(r[kTptLnb]);
}

QStringList TcsLines(const ChannelTables &tables)
{
    QStringList lines;
    for (int i = 0; i < tables.TcsCount; ++i)
        lines << TcsLine(tables, i);
    return lines;
}

QStringList TptLines(const ChannelTables &tables)
{
    QStringList lines;
    for (int i = 0; i < tables.TptCount; ++i)
        lines << TptLine(tables, i);
    return lines;
}

int HighestTP(const ChannelTables &tables)
{
    int highest = 0;
    for (int i = 0; i < tables.TcsCount; ++i) {
        const int tp = tcsRecord(tables, i)[kTcsTp];
        if (tp != kNoTransponder)
            highest = std::max(highest, tp);
    }
    return highest;
}

QString RemoveSpaces(const QString &text)
{
    QString out = text;
    out.remove(' ');
    return out;
}

qint64 NumericValue(const QString &text) { return std::llround(LeadingValue(text)); }

QStringList LineItems(const QString &line)
{
    QStringList items;
    for (const QString &piece : line.split(',')) {
        qsizetype lead = 0;
        while (lead < piece.size() && piece[lead] == ' ')
            ++lead;
        items << piece.mid(lead);
    }
    return items;
}

TableResult LoadBinary(ChannelTables &tables, const QString &tcsName, const QString &tptName)
{
    tables = ChannelTables();
    if (!FileExists(tcsName))
        return {tableNotFound("TCS", tcsName)};
    QByteArray channels;
    QString why;
    if (!ReadFileBytes(tcsName, channels, why, qint64(tables.TcsTable.size())))
        return {why + "  "};
    std::copy(channels.begin(), channels.end(), tables.TcsTable.begin());
    tables.TcsCount = qint32(channels.size() / kTcsRecordSize);
    if (!FileExists(tptName))
        return {tableNotFound("TPT", tptName)};
    QByteArray transponders;
    if (!ReadFileBytes(tptName, transponders, why, qint64(tables.TptTable.size())))
        return {why + "  "};
    std::copy(transponders.begin(), transponders.end(), tables.TptTable.begin());
    tables.TptCount = qint16(std::min(HighestTP(tables), kTptMaxRecords));
    return {QString(), true};
}

TableResult LoadBinaryForScan(ChannelTables &tables, const QString &tcsName, const QString &tptName)
{
    tables = ChannelTables();
    QByteArray channels;
    QByteArray transponders;
    QString why;
    for (const auto &[table, name, data, size] : {std::tuple{"TCS", tcsName, &channels, tables.TcsTable.size()},
                                                  std::tuple{"TPT", tptName, &transponders, tables.TptTable.size()}}) {
        if (!FileExists(name)) {
            if (!UnreadableReason(name).isEmpty())
                return {tableNotFound(table, name)};
        } else if (!ReadFileBytes(name, *data, why, qint64(size))) {
            return {why};
        }
    }
    std::copy(channels.begin(), channels.end(), tables.TcsTable.begin());
    tables.TcsCount = qint32(channels.size() / kTcsRecordSize);
    std::copy(transponders.begin(), transponders.end(), tables.TptTable.begin());
    int filled = 0;
    for (; filled < int(transponders.size() / kTptRecordSize); ++filled) {
        const std::span<const quint8> r = tptRecord(tables, filled);
        if (std::all_of(r.begin(), r.end(), [](quint8 b) { return b == 0; })
            || std::all_of(r.begin(), r.end(), [](quint8 b) { return b == 0xFF; }))
            break;
    }
    tables.TptCount = qint16(std::min(std::max(HighestTP(tables), filled), kTptMaxRecords));
    return {QString(), true};
}

TableResult SaveBinary(const ChannelTables &tables, Prompter &prompter, const QString &tcsName, const QString &tptName)
{
    TableResult result;
    QString why;
    if (tables.TcsCount > 0 && mayWrite(prompter, tcsName, result.status)) {
        if (tables.TcsCount > kTcsFileRecords)
            prompter.inform(QStringLiteral("Warning!"), QStringLiteral("More that 999 channels!"));
        const int records = std::max(tables.TcsCount, kTcsFileRecords);
        QByteArray data(records * kTcsRecordSize, '\0');
        auto *bytes = reinterpret_cast<quint8 *>(data.data());
        std::copy_n(tables.TcsTable.begin(), tables.TcsCount * kTcsRecordSize, bytes);
        for (int i = tables.TcsCount; i < records; ++i)
            BlankTcsRecord(std::span<quint8>(bytes + i * kTcsRecordSize, kTcsRecordSize));
        result.status = writeFile(tcsName, data, why) ? tcsName + " Saved.  " : why;
    }
    if (tables.TptCount > 0 && mayWrite(prompter, tptName, result.status)) {
        const QByteArray data(reinterpret_cast<const char *>(tables.TptTable.data()),
                              qsizetype(tables.TptTable.size()));
        result.status += writeFile(tptName, data, why) ? tptName + " Saved." : why;
    }
    return result;
}

TableResult LoadText(ChannelTables &tables, const QString &tcsName, const QString &tptName)
{
    const QString tcsText = tcsName + ".txt";
    const QString tptText = tptName + ".txt";
    if (!FileExists(tptText))
        return {tableNotFound("TPT", tptText)};
    if (!FileExists(tcsText))
        return {tableNotFound("TCS", tcsText)};
    // Both files are read before anything changes, so a failure leaves the tables as they were.
    QStringList tptLines;
    QStringList tcsLines;
    QString why;
    if (!readText(tptText, tptLines, why) || !readText(tcsText, tcsLines, why))
        return {why};

    tables = ChannelTables();
    TableResult result{QString(), true};
    for (const QString &line : std::as_const(tptLines)) {
        if (tables.TptCount >= kTptMaxRecords)
            break;
        for (const QString &item : LineItems(line)) {
            readTptItem(tables, item);
            if (tables.TptCount >= kTptMaxRecords) {
                result.status = QStringLiteral("Too many transponders!");
                break;
            }
        }
    }
    for (const QString &line : std::as_const(tcsLines)) {
        if (tables.TcsCount >= kTcsMaxRecords)
            break;
        for (const QString &item : LineItems(line)) {
            readTcsItem(tables, item);
            if (tables.TcsCount >= kTcsMaxRecords) {
                result.status = QStringLiteral("Too many channels!");
                break;
            }
        }
    }
    tables.TptCount = qint16(std::max<int>(tables.TptCount, std::min(HighestTP(tables), kTptMaxRecords)));
    return result;
}

TableResult SaveText(const ChannelTables &tables, const QStringList &tcsRows, const QStringList &tptRows,
                     Prompter &prompter, const QString &tcsName, const QString &tptName)
{
    TableResult result;
    QString why;
    if (tables.TcsCount > 0 && mayWrite(prompter, tcsName + ".txt", result.status))
        result.status =
            writeFile(tcsName + ".txt", linesText(tcsRows, tables.TcsCount), why) ? tcsName + ".txt Saved." : why;
    if (tables.TptCount > 0 && mayWrite(prompter, tptName + ".txt", result.status))
        result.status +=
            writeFile(tptName + ".txt", linesText(tptRows, tables.TptCount), why) ? tptName + ".txt Saved." : why;
    return result;
}
