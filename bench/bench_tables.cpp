// The tables section: the directory of the decoder's 512 KB data area and
// the channel list's text files of 2000 channels, each beside the time that
// reading its files from disk alone takes.
#include "bench_support.h"

#include "channels/channel_tables.h"
#include "flash/data_directory.h"
#include "memory/save_range.h"

#include <QFile>
#include <QTemporaryDir>
#include <cstdio>
#include <functional>

namespace {

bool ReadAlone(const QStringList &names)
{
    for (const QString &name : names) {
        QFile file(name);
        if (!file.open(QIODevice::ReadOnly) || file.readAll().isEmpty())
            return false;
    }
    return true;
}

void Report(const char *what, double ms, double diskMs)
{
    std::printf("  %-44s %8.2f ms   files from disk alone %6.2f ms\n", what, ms, diskMs);
}

}   // namespace

bool BenchTables()
{
    QTemporaryDir dir;
    const QString image = dir.filePath("flash512k.bin");
    {
        SimLink s;   // the data area of the simulated decoder, read at full speed
        if (!s.start(QString(), 9600))
            return false;
        Page buf{};
        const SaveOutcome outcome =
            SaveRange(*s.link, MemReadMode::MultiByte, 0x7FE000, 0x7FE7FF, image, buf, OperationHooks());
        if (outcome != SaveOutcome::Done) {
            std::fprintf(stderr, "tables: the data area could not be read (%d)\n", int(outcome));
            return false;
        }
    }
    std::printf("tables: the simulated decoder's data area and 2000 channels\n");
    QByteArray data;
    QString why;
    size_t rows = 0;
    const double list = BestMs([&] {
        if (!ReadDataImage(image, data, why))
            return false;
        rows = ListDirectory(data).rows.size();
        return rows > 0;
    });
    Report(qPrintable(QString("directory listing of 512 KB (%1 rows)").arg(rows)), list,
           BestMs([&] { return ReadAlone({image}); }));

    ChannelTables tables;
    for (int i = 0; i < kTcsMaxRecords; ++i) {
        PutName(tables, i, QString("Channel %1").arg(i + 1));
        tables.TcsTable[size_t(i * kTcsRecordSize + kTcsTp)] = quint8(1 + i % kTptMaxRecords);
    }
    tables.TcsCount = kTcsMaxRecords;
    tables.TptCount = kTptMaxRecords;
    const QString tcs = dir.filePath("TCS");
    const QString tpt = dir.filePath("TPT");
    AgreeingPrompter yes;
    const double save =
        BestMs([&] { return !SaveText(tables, TcsLines(tables), TptLines(tables), yes, tcs, tpt).status.isEmpty(); });
    const double disk = BestMs([&] { return ReadAlone({tcs + ".txt", tpt + ".txt"}); });
    Report("text save of 2000 channels, 170 transponders", save, disk);
    ChannelTables loaded;
    Report("text load of the same",
           BestMs([&] { return LoadText(loaded, tcs, tpt).relist && loaded.TcsCount == kTcsMaxRecords; }), disk);
    return true;
}
