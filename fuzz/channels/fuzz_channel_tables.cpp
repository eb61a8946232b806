// Fuzz target: binary tables read, saved as text, read back and saved again. Input:
// 1 byte (TPT records, modulo 171), the TPT bytes, then the TCS bytes. Channel lines
// survive the text file unchanged; transponder lines may change once (the reader
// brings frequency and band into line), then never.
#include "fuzz_support.h"
#include "channels/channel_tables.h"

#include <QFile>
#include <QTemporaryDir>

namespace {

struct YesPrompter : Prompter {
    bool confirm(const QString &, const QString &) override { return true; }
    void inform(const QString &, const QString &) override {}
};

void writeFile(const QString &name, const uint8_t *data, size_t size)
{
    QFile file(name);
    check(file.open(QIODevice::WriteOnly) && file.write(reinterpret_cast<const char *>(data), qint64(size)) == qint64(size));
}

// Saves the tables as text, with nothing left of an earlier input.
void saveText(const ChannelTables &tables, const QString &tcs, const QString &tpt)
{
    YesPrompter yes;
    QFile::remove(tcs + ".txt");
    QFile::remove(tpt + ".txt");
    SaveText(tables, TcsLines(tables), TptLines(tables), yes, tcs, tpt);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static QTemporaryDir dir;
    if (size < 1 || !dir.isValid())
        return 0;
    const QString tcs = dir.filePath("TCS"), tpt = dir.filePath("TPT");
    const size_t tptBytes = std::min(size - 1, size_t(data[0] % (kTptMaxRecords + 1)) * kTptRecordSize);
    writeFile(tpt, data + 1, tptBytes);
    writeFile(tcs, data + 1 + tptBytes, size - 1 - tptBytes);

    ChannelTables binary, once, twice;
    if (!LoadBinary(binary, tcs, tpt).relist)
        return 0;
    check(binary.TcsCount <= kTcsMaxRecords && binary.TptCount <= kTptMaxRecords);
    saveText(binary, tcs, tpt);
    if (!LoadText(once, tcs, tpt).relist)
        return 0;
    check(TcsLines(once) == TcsLines(binary));
    saveText(once, tcs, tpt);
    check(LoadText(twice, tcs, tpt).relist && TcsLines(twice) == TcsLines(once) && TptLines(twice) == TptLines(once));
    return 0;
}
