// The road section: the end of the road of a channel list on the paced
// simulator. The data area is read, its TCS and TPT extracted, edited and
// put back, and the image is programmed back twice, each time on a decoder
// that still holds the old tables: once with the flash window's selection
// after "Read FlashType" (every block, "Ignore empty space"), once with
// "Back up first" and "Skip unchanged blocks" as well.
#include "bench_support.h"

#include "flash/data_directory.h"
#include "flash/flash_checks.h"
#include "link/backups.h"

#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <cstdio>

namespace {

const QString kPaced = QStringLiteral("--pace --speed 115200");

// Counts what goes over the line, command and reply with their CRs, and the
// waits asked for; the count before the backup was written apart from the rest.
class CountingChannel : public CommandChannel {
public:
    explicit CountingChannel(Link &link) : link_(link) {}
    QString SendCmd(const QString &command, bool show) override
    {
        const QString reply = link_.SendCmd(command, show);
        characters += double(command.size() + 1 + (reply.isEmpty() ? 0 : reply.size() + 1));
        ++transactions;
        return reply;
    }
    void SetCmdTimeout(int ms) override { link_.SetCmdTimeout(ms); }
    void Wait(int ms) override
    {
        waitedSeconds += ms / 1000.0;
        link_.Wait(ms);
    }
    double characters = 0;
    double waitedSeconds = 0;
    qint64 transactions = 0;

private:
    Link &link_;
};

// The image of the road: the data area read, TCS and TPT saved, edited (a
// channel renamed, a transponder's frequency moved) and put back.
bool RoadImage(const QTemporaryDir &dir, const QString &imageName)
{
    AgreeingPrompter yes;
    {
        SimLink fast;   // reading the image is not what is measured
        if (!fast.start(QString(), 9600)
            || SaveFlashRange(*fast.link, MemReadMode::MultiByte, yes, OperationHooks(), 0x7FE000, 0x7FE7FF, imageName)
                != FlashOutcome::Done)
            return false;
    }
    QByteArray image;
    QString why;
    if (!ReadDataImage(imageName, image, why))
        return false;
    const DirectoryListing listing = ListDirectory(image);
    const QString tcs = dir.filePath("TCS"), tpt = dir.filePath("TPT");
    for (const DirectoryRow &row : listing.rows) {
        if (row.RowIsTCS || row.RowIsTPT) {
            QString status;
            if (!SaveDirectoryFileAs(image, row, row.RowIsTCS ? tcs : tpt, yes, status))
                return false;
        }
    }
    QFile tcsFile(tcs), tptFile(tpt);
    if (!tcsFile.open(QIODevice::ReadWrite) || !tptFile.open(QIODevice::ReadWrite))
        return false;
    tcsFile.write("KESTREL ROAD    ");
    tptFile.seek(3);
    tptFile.write("\x01");
    tcsFile.close();
    tptFile.close();
    QString status;
    return WriteUpdatedTables(image, listing.rows, tpt, tcs, imageName, yes, status);
}

struct RoadRun {
    double seconds = 0;
    double backupCharacters = 0;   // the backup read's part of channel->characters
    FlashWriteResult result;
};

// Identifies the chips of a fresh decoder and programs the image with the
// selection "Read FlashType" leaves and the options given.
bool Program(const QString &imageName, const FlashWriteOptions &options, RoadRun &run)
{
    SimLink s;
    if (!s.start(kPaced, 115200))
        return false;
    CountingChannel channel(*s.link);
    AgreeingPrompter yes;
    QElapsedTimer timer;
    timer.start();
    const FlashTypeResult type = ReadFlashType(channel);
    if (!type.ok)
        return false;
    std::array<bool, kDataFlashBlocks> selected = {!type.bottomBoot, true, true, true, true};
    OperationHooks hooks;
    hooks.setStatus = [&](const QString &text) {
        if (text.startsWith(QLatin1String("Backup: ")))
            run.backupCharacters = channel.characters;
    };
    run.result = ProgramDataFlash(
        channel, yes, hooks, imageName, selected, type.bottomBoot, [] { return true; }, options);
    run.seconds = double(timer.nsecsElapsed()) / 1e9;
    std::printf("  %-40s %7.1f s  %7lld transactions, wire %7.1f s + waits %4.1f s%s\n",
                options.backUpFirst ? "Back up first, Skip unchanged blocks" : "default selection", run.seconds,
                qlonglong(channel.transactions), WireSeconds(channel.characters, 115200), channel.waitedSeconds,
                run.result.outcome == FlashOutcome::Done ? "" : "  [failed]");
    const double wire = WireSeconds(channel.characters, 115200) + channel.waitedSeconds;
    if (options.skipUnchanged) {
        QString left;
        for (int i = 0; i < kDataFlashBlocks; ++i)
            if (run.result.unchanged[size_t(i)])
                left += QLatin1Char(' ') + QString::number(i);
        std::printf("  %-40s blocks left alone:%s; backup read %.1f s of wire\n", "", qPrintable(left),
                    WireSeconds(run.backupCharacters, 115200));
        std::printf("  %-40s the unavoidable (backup read, changed blocks, waits): %.1f s; "
                    "%.3f of it (goal <= 1.1)\n",
                    "", wire, run.seconds / wire);
    }
    return run.result.outcome == FlashOutcome::Done;
}

}   // namespace

bool BenchRoad()
{
    QTemporaryDir dir;
    const QString imageName = dir.filePath("flash512k.bin");
    if (!RoadImage(dir, imageName)) {
        std::fprintf(stderr, "road: the image could not be prepared\n");
        return false;
    }
    SetBackupSettingsFolder(dir.path());   // the backups of the run stay out of the user's folder
    std::printf("road: Program DataFlash of the updated TCS and TPT, paced at 115200 bit/s\n");
    RoadRun first, second;
    const bool ok = Program(imageName, FlashWriteOptions{}, first)
        && Program(imageName, FlashWriteOptions{true, true, false, MemReadMode::MultiByte}, second);
    SetBackupSettingsFolder(QString());
    if (ok)
        std::printf("  second / first: %.3f (goal <= 0.5)\n", second.seconds / first.seconds);
    return ok;
}
