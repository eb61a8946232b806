// Fuzz target: binary channel and transponder tables read, saved as text,
// read back and saved again. Input: 1 byte (the number of TPT records,
// modulo 171), the TPT bytes, then the TCS bytes. The channel lines survive
// the text file unchanged; transponder lines may change once (the reader
// brings a frequency into the band and the band into line with it), never again.
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

void writeFile(const QString &name, const char *data, size_t size)
{
    QFile file(name);
    check(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    check(file.write(data, qint64(size)) == qint64(size));
}

QByteArray readFile(const QString &name)
{
    QFile file(name);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

struct Text {
    QByteArray tcs, tpt;
};

// Saves the tables as text and returns both files' contents.
Text textOf(const ChannelTables &tables, const QString &tcs, const QString &tpt)
{
    QFile::remove(tcs + ".txt");
    QFile::remove(tpt + ".txt");
    YesPrompter yes;
    SaveText(tables, TcsLines(tables), TptLines(tables), yes, tcs, tpt);
    return {readFile(tcs + ".txt"), readFile(tpt + ".txt")};
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static QTemporaryDir dir;
    if (size < 1 || !dir.isValid())
        return 0;
    const QString tcs = dir.filePath("TCS");
    const QString tpt = dir.filePath("TPT");
    const size_t tptBytes = std::min(size - 1, size_t(data[0] % (kTptMaxRecords + 1)) * kTptRecordSize);
    writeFile(tpt, reinterpret_cast<const char *>(data + 1), tptBytes);
    writeFile(tcs, reinterpret_cast<const char *>(data + 1 + tptBytes), size - 1 - tptBytes);

    ChannelTables binary;
    if (!LoadBinary(binary, tcs, tpt).relist)
        return 0;
    check(binary.TcsCount <= kTcsMaxRecords && binary.TptCount <= kTptMaxRecords);
    const Text first = textOf(binary, tcs, tpt);
    ChannelTables once, twice;
    if (!LoadText(once, tcs, tpt).relist)
        return 0;
    const Text second = textOf(once, tcs, tpt);
    check(once.TcsCount == binary.TcsCount && second.tcs == first.tcs);
    check(LoadText(twice, tcs, tpt).relist);
    const Text third = textOf(twice, tcs, tpt);
    check(third.tcs == second.tcs && third.tpt == second.tpt);
    return 0;
}
