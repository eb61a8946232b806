// Fuzz target: binary tables read, saved as text, read back and saved again. Input:
// 1 byte (TPT records, modulo 171), 1 byte (the TCS record the input's channels
// start at: record 0 below 0x80, else 2000 - 8 * (0x100 - byte), 976 to 1992, so
// that small inputs reach the lines of records 1000 on), the TPT bytes, then the
// TCS bytes. Blank records fill the TCS file before that record, and the text file
// holds the channel lines from it on. The table lists as many transponders as the
// highest TP of a channel, so the input sizes it: a TP past the TPT records given
// plus one wraps around below that. Channel lines survive the text file unchanged
// but for their record number; transponder lines may change once (the reader
// brings frequency and band into line), then never.
#include "fuzz_support.h"
#include "channels/channel_tables.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

namespace {

struct YesPrompter : Prompter {
    bool confirm(const QString &, const QString &) override { return true; }
    void inform(const QString &, const QString &) override {}
};

// The files go to memory where the system has a memory file system: every
// save syncs its file, and a disk makes that the slowest part of a run.
QString tempTemplate()
{
    const QString memory = QStringLiteral("/dev/shm");
    return (QDir(memory).exists() ? memory : QDir::tempPath()) + QStringLiteral("/kestrel-fuzz-XXXXXX");
}

void writeFile(const QString &name, const QByteArray &data)
{
    QFile file(name);
    check(file.open(QIODevice::WriteOnly) && file.write(data) == data.size());
}

// count blank records in a row.
QByteArray blankRecords(int count)
{
    QByteArray records(qsizetype(count) * kTcsRecordSize, '\0');
    for (int i = 0; i < count; ++i)
        BlankTcsRecord(
            std::span<quint8>(reinterpret_cast<quint8 *>(records.data()) + i * kTcsRecordSize, kTcsRecordSize));
    return records;
}

// The channel lines of records first..TcsCount-1.
QStringList tcsRows(const ChannelTables &tables, int first)
{
    QStringList rows;
    for (int i = first; i < tables.TcsCount; ++i)
        rows << TcsLine(tables, i);
    return rows;
}

// The lines without their record numbers: up to record 2000, the number
// and the blanks around it take the first 5 characters.
QStringList unnumbered(QStringList lines)
{
    for (QString &line : lines)
        line.remove(0, 5);
    return lines;
}

// The input's channel records, each TP past transponders + 1 (other than
// "no transponder") wrapped around below it.
QByteArray channelRecords(const uint8_t *data, size_t size, int transponders)
{
    QByteArray records(reinterpret_cast<const char *>(data), qsizetype(size));
    for (qsizetype tp = kTcsTp; tp < records.size(); tp += kTcsRecordSize) {
        const int number = quint8(records[tp]);
        if (number != kNoTransponder && number > transponders + 1)
            records[tp] = char(number % (transponders + 2));
    }
    return records;
}

// Saves the tables as text, with nothing left of an earlier input.
void saveText(const ChannelTables &tables, const QStringList &tcsRows, const QStringList &tptRows, const QString &tcs,
              const QString &tpt)
{
    YesPrompter yes;
    QFile::remove(tcs + ".txt");
    QFile::remove(tpt + ".txt");
    SaveText(tables, tcsRows, tptRows, yes, tcs, tpt);
}

}   // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static QTemporaryDir dir(tempTemplate());
    static const QByteArray blanks = blankRecords(kTcsMaxRecords);
    if (size < 2 || !dir.isValid())
        return 0;
    const QString tcs = dir.filePath("TCS"), tpt = dir.filePath("TPT");
    const size_t tptBytes = std::min(size - 2, size_t(data[0] % (kTptMaxRecords + 1)) * kTptRecordSize);
    const int first = data[1] < 0x80 ? 0 : kTcsMaxRecords - (0x100 - data[1]) * 8;
    const auto *bytes = reinterpret_cast<const char *>(data + 2);
    writeFile(tpt, QByteArray(bytes, qsizetype(tptBytes)));
    const int tptRecords = int((tptBytes + kTptRecordSize - 1) / kTptRecordSize);
    writeFile(tcs,
              blanks.left(qsizetype(first) * kTcsRecordSize)
                  + channelRecords(data + 2 + tptBytes, size - 2 - tptBytes, tptRecords));

    ChannelTables binary, once, twice;
    if (!LoadBinary(binary, tcs, tpt).relist)
        return 0;
    check(binary.TcsCount <= kTcsMaxRecords && binary.TptCount <= std::min(tptRecords + 1, kTptMaxRecords));
    const QStringList rows = tcsRows(binary, first);
    saveText(binary, rows, TptLines(binary), tcs, tpt);
    if (!LoadText(once, tcs, tpt).relist)
        return 0;
    const QStringList onceRows = TcsLines(once), onceTransponders = TptLines(once);
    check(unnumbered(onceRows) == unnumbered(rows));
    saveText(once, onceRows, onceTransponders, tcs, tpt);
    check(LoadText(twice, tcs, tpt).relist && TcsLines(twice) == onceRows && TptLines(twice) == onceTransponders);
    return 0;
}
