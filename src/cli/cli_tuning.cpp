// tune, demux, scan, si capture, screenshot, volume: the decoder's tuning,
// channel and picture tools.
#include "cli/cli.h"
#include "cli/cli_checks.h"

#include "channels/channel_tuning.h"
#include "channels/scan_service.h"
#include "link/conversions.h"
#include "link/link.h"
#include "screenshot/capture.h"
#include "screenshot/frame_buffers.h"
#include "screenshot/volume.h"
#include "si/si_capture.h"
#include "tune/tune_service.h"

#include <QJsonArray>
#include <QObject>

namespace {

const QStringList kFecCodes = {"1/2", "2/3", "3/4", "4/5", "5/6", "7/8"};
const QStringList kBandNames = {"vd", "hd", "vu", "hu"};

// What the link shows while it lives: each reply, with the text that follows it.
class ShownReplies {
public:
    explicit ShownReplies(Link *link)
    {
        shown_ = QObject::connect(link, &Link::replyShown, [this](const QString &text) { lines << text; });
        appended_ = QObject::connect(link, &Link::replyAppended, [this](const QString &text) {
            if (!lines.isEmpty())
                lines.back() += text;
        });
    }
    ~ShownReplies()
    {
        QObject::disconnect(shown_);
        QObject::disconnect(appended_);
    }
    ShownReplies(const ShownReplies &) = delete;
    ShownReplies &operator=(const ShownReplies &) = delete;
    QStringList lines;

private:
    QMetaObject::Connection shown_, appended_;
};

bool IsNumber(const QString &text)
{
    bool ok = false;
    text.trimmed().toDouble(&ok);
    return ok;
}

// --syntax 7|4: the tune command's syntax, as the Options menu sets it.
[[nodiscard]] QString TakeSyntax(CliContext &c)
{
    const QString syntax = c.args.value(QStringLiteral("--syntax"), QStringLiteral("7"));
    if (syntax != "7" && syntax != "4")
        return "--syntax takes 7 or 4, not " + syntax;
    c.options.Tmd = syntax == "4" ? TuneSyntax::FourDigits : TuneSyntax::SevenDigits;
    return QString();
}

// The tuning window's TUNE with the boxes given.
int Tune(CliContext &c)
{
    TuneBoxes boxes;
    boxes.frequency = c.args.next(QStringLiteral("FREQ_KHZ"));
    boxes.symbolRate = c.args.next(QStringLiteral("SYMBOL_RATE"));
    const QString pol = c.args.value(QStringLiteral("--pol"));
    const QString fec = c.args.value(QStringLiteral("--fec"), QStringLiteral("3/4"));
    const QString lo = c.args.value(QStringLiteral("--lo"), QStringLiteral("auto"));
    QString error = TakeSyntax(c);
    if (const QString rest = c.args.finish(); !rest.isEmpty())
        error = rest;
    else if (!IsNumber(boxes.frequency) || !IsNumber(boxes.symbolRate))
        error = "FREQ_KHZ and SYMBOL_RATE are numbers: " + boxes.frequency + " " + boxes.symbolRate;
    else if (pol != "v" && pol != "h")
        error = QStringLiteral("--pol v|h is needed");
    else if (!kFecCodes.contains(fec))
        error = "--fec takes " + kFecCodes.join('|') + ", not " + fec;
    else if (lo != "auto" && lo != "9750" && lo != "10600")
        error = "--lo takes auto, 9750 or 10600, not " + lo;
    if (!error.isEmpty())
        return c.refuse(error);
    boxes.horizontal = pol == "h";
    boxes.fec = int(kFecCodes.indexOf(fec));
    boxes.autoSwitch = lo == "auto";
    boxes.highOscillator = lo == "10600";

    TuneService tuning(c.channel(), c.options);
    tuning.setBoxes(boxes);
    const ShownReplies shown(c.link);
    const TuneResult result = tuning.press(0);
    const QString line = shown.lines.value(0);
    c.result.insert(QStringLiteral("frequency"), tuning.boxes().frequency);
    c.result.insert(QStringLiteral("symbolRate"), tuning.boxes().symbolRate);
    c.result.insert(QStringLiteral("oscillator"), tuning.boxes().highOscillator ? 10600 : 9750);
    c.result.insert(QStringLiteral("reply"), result.reply);
    c.result.insert(QStringLiteral("carrier"), result.carrier);
    if (tuning.boxes().frequency != boxes.frequency || tuning.boxes().symbolRate != boxes.symbolRate)
        c.print("Tuned " + tuning.boxes().frequency + " kHz at " + tuning.boxes().symbolRate + ", as corrected.");
    if (!result.carrier)
        return c.fail(c.channel().linkLost().isEmpty() ? line : c.channel().linkLost());
    c.print(line);
    return kCliDone;
}

// The PIDs of a channel change: off first, then PCR, audio and video.
int Demux(CliContext &c)
{
    TuneBoxes boxes;
    boxes.pids[0] = c.args.next(QStringLiteral("VPID"));
    boxes.pids[1] = c.args.next(QStringLiteral("APID"));
    boxes.pids[3] = c.args.next(QStringLiteral("PCR"));
    if (const QString error = c.args.finish(); !error.isEmpty())
        return c.refuse(error);
    for (const size_t i : {0, 1, 3})
        if (!IsNumber(boxes.pids[i]))
            return c.refuse("a PID is a number: " + boxes.pids[i]);
    TuneService tuning(c.channel(), c.options);
    tuning.setBoxes(boxes);
    const ShownReplies shown(c.link);
    c.channel().SetCmdTimeout(kChannelDemuxTimeoutMs);
    tuning.clearChannelPids();
    tuning.setChannelPids();
    c.result.insert(QStringLiteral("replies"), QJsonArray::fromStringList(shown.lines));
    if (const QString lost = c.channel().linkLost(); !lost.isEmpty())
        return c.fail(lost);
    for (const QString &reply : shown.lines)
        if (reply == "TimeOut!" || reply.endsWith(QLatin1String(" : Syntax error!")))
            return c.fail("the decoder answered " + reply);
    const std::array<QString, 4> &set = tuning.boxes().pids;
    c.print("PIDs set: video " + set[0] + ", audio " + set[1] + ", PCR " + set[3] + ".");
    return kCliDone;
}

// Answers the overwrite questions of the table files named on the command line.
class OwnFilesPrompter : public Prompter {
public:
    explicit OwnFilesPrompter(Prompter &inner) : inner_(inner) {}
    bool confirm(const QString &, const QString &) override { return true; }
    void inform(const QString &title, const QString &text) override { inner_.inform(title, text); }

private:
    Prompter &inner_;
};

// The tables of a scan, named TCS TPT on the command line.
struct ScanTables {
    QString tcs, tpt;
    ChannelTables tables;
    QStringList added;
};

[[nodiscard]] QString LoadScanTables(CliContext &c, ScanTables &s)
{
    s.tcs = c.args.next(QStringLiteral("TCS"));
    s.tpt = c.args.next(QStringLiteral("TPT"));
    if (const QString error = c.args.finish(); !error.isEmpty())
        return error;
    for (const QString &name : {s.tcs, s.tpt})
        if (const QString why = WriteRefusal(name); !why.isEmpty())
            return "Cannot write " + name + " - " + why;
    const TableResult loaded = LoadBinaryForScan(s.tables, s.tcs, s.tpt);
    return loaded.relist ? QString() : loaded.status.trimmed();
}

ScanHooks HooksFor(CliContext &c, ScanTables &s, bool printDetails)
{
    ScanHooks h;
    h.stopRequested = [&c] { return c.stopRequested(); };
    h.setStatus = [&c](const QString &text) {
        c.setStatus(text);
        if (text.endsWith(QLatin1String("No Carrier!")) || text.endsWith(QLatin1String("SI Data error!")))
            c.print(text);
    };
    h.status = [&c] { return c.status(); };
    h.setDetail = [&c, printDetails](const QString &text) {
        if (printDetails && !text.isEmpty())
            c.print(text);
    };
    h.transponderAdded = [&c, &s] {
        s.added << TptLine(s.tables, s.tables.TptCount - 1);
        c.print(s.added.back());
    };
    h.channelsAdded = [&c, &s, listed = s.tables.TcsCount]() mutable {
        for (; listed < s.tables.TcsCount; ++listed) {
            s.added << TcsLine(s.tables, listed);
            c.print(s.added.back());
        }
    };
    return h;
}

// Saves what the scan found and ends with the scan's last word.
int EndScan(CliContext &c, ScanTables &s)
{
    c.result.insert(QStringLiteral("added"), QJsonArray::fromStringList(s.added));
    const QString status = c.status();
    OwnFilesPrompter prompter(c.prompter);
    const TableResult saved = SaveBinary(s.tables, prompter, s.tcs, s.tpt);
    if (saved.status.contains(QLatin1String("Cannot write")))
        return c.refuse(status + " " + saved.status.trimmed());
    if (!saved.status.isEmpty())
        c.print(saved.status.trimmed());
    return c.finish(status == "Done.", false, status == "User Break.");
}

int ScanTransponders(CliContext &c)
{
    const QStringList bands = c.args.value(QStringLiteral("--bands"), kBandNames.join(',')).split(',');
    const bool lnbControl = !c.args.flag(QStringLiteral("--no-lnb-control"));
    ScanTables s;
    if (const QString error = LoadScanTables(c, s); !error.isEmpty())
        return c.refuse(error);
    std::array<bool, 4> chosen = {};
    for (const QString &band : bands) {
        if (!kBandNames.contains(band))
            return c.refuse("--bands takes " + kBandNames.join(',') + ", not " + band);
        chosen[size_t(kBandNames.indexOf(band))] = true;
    }
    TuneService tuning(c.channel(), c.options);
    ScanService(c.channel(), c.options, tuning, s.tables).scanTransponders(chosen, lnbControl, HooksFor(c, s, false));
    return EndScan(c, s);
}

int ScanChannels(CliContext &c)
{
    const QString from = c.args.value(QStringLiteral("--from"), QStringLiteral("0"));
    ChannelScanRequest request;
    const bool only = c.args.flag(QStringLiteral("--only"));
    request.filters.skipDuplicates = !c.args.flag(QStringLiteral("--keep-duplicates"));
    request.filters.skipRadio = !c.args.flag(QStringLiteral("--keep-radio"));
    request.filters.skipInteractive = !c.args.flag(QStringLiteral("--keep-interactive"));
    request.filters.freeOrMedGrdOnly = !c.args.flag(QStringLiteral("--any-ca"));
    request.satMapFile = c.args.value(QStringLiteral("--satmap"));
    request.satMap = !request.satMapFile.isEmpty();
    QString error = TakeSyntax(c);
    ScanTables s;
    if (const QString loaded = LoadScanTables(c, s); !loaded.isEmpty())
        error = loaded;
    bool ok = false;
    request.first = from.toInt(&ok);
    if (error.isEmpty() && request.satMap)
        if (const QString why = WriteRefusal(request.satMapFile); !why.isEmpty())
            error = "Cannot write " + request.satMapFile + " - " + why;
    if (error.isEmpty() && s.tables.TptCount == 0)
        error = s.tpt + " holds no transponder to scan";
    else if (error.isEmpty() && (!ok || request.first < 0 || request.first >= s.tables.TptCount))
        error = QStringLiteral("--from takes a record 0 to %1, not %2").arg(s.tables.TptCount - 1).arg(from);
    if (!error.isEmpty())
        return c.refuse(error);
    request.last = only ? request.first : s.tables.TptCount - 1;
    TuneService tuning(c.channel(), c.options);
    ScanService(c.channel(), c.options, tuning, s.tables).scanChannels(request, HooksFor(c, s, true));
    return EndScan(c, s);
}

// "Read SI Data", and the report "Save to text file" writes.
int SiCapture(CliContext &c)
{
    const QString name = c.args.value(QStringLiteral("--report"));
    const bool raw = c.args.flag(QStringLiteral("--raw"));
    if (const QString error = c.args.finish(); !error.isEmpty())
        return c.refuse(error);
    if (const QString why = name.isEmpty() ? QString() : WriteRefusal(name); !why.isEmpty())
        return c.refuse("Cannot write " + name + " - " + why);
    SiStore store;
    const std::optional<SiCaptureResult> result = CaptureSi(c.channel(), store);
    if (!result)
        return c.fail(kNotTuned + " : Not Tuned!");
    if (const QString lost = c.channel().linkLost(); !lost.isEmpty())
        return c.fail(lost);
    if (!result->textAppend.isEmpty())
        return c.fail(result->textAppend);
    c.result.insert(QStringLiteral("status"), result->status);
    ReportCrcFailures(c, *result);
    c.result.insert(QStringLiteral("tables"), QJsonArray::fromStringList(result->tableLines));
    c.result.insert(QStringLiteral("channels"), QJsonArray::fromStringList(result->channelLines));
    if (!result->tsInfo)
        return c.fail(result->status);
    c.result.insert(QStringLiteral("fileName"), result->fileName);
    const QString report = SiReport(store, raw, int(result->channelLines.size()), DecodeOptions{});
    c.result.insert(QStringLiteral("report"), report);
    for (const QString &line : report.split(kCrLf).mid(0, report.count(kCrLf)))
        c.print(line);
    if (name.isEmpty() || report.isEmpty())
        return kCliDone;
    QString why;
    switch (CheckOverwrite(c.prompter, name, &why)) {
    case OverwriteAnswer::Refused: return c.refuse(name + " not saved.");
    case OverwriteAnswer::CannotWrite: return c.refuse("Cannot write " + name + " - " + why);
    case OverwriteAnswer::MayWrite: break;
    }
    return WriteFileBytes(name, report.toLatin1(), why) ? kCliDone : c.fail(why);
}

// How many steps (luminance groups, chrominance blocks) a capture takes.
qint64 CaptureSteps(const CaptureRequest &request)
{
    Picture none;
    qint64 steps = 0;
    const std::array<quint8, kLumaGroupBytes> group{};
    LumaWalk luma(request.widthBlocks, request.heightBlocks);
    do {
        luma.draw(none, group);
        ++steps;
    } while (!luma.done());
    const std::array<quint8, kChromaPageBytes> page{};
    ChromaWalk chroma(request.widthBlocks, request.heightBlocks);
    do {
        chroma.draw(none, page);
        ++steps;
    } while (!chroma.done());
    return steps;
}

// The screenshot window's Read, Delace if asked, and Save to FILE.
int Screenshot(CliContext &c)
{
    const QString name = c.args.next(QStringLiteral("FILE"));
    const QString buffer = c.args.value(QStringLiteral("--buffer"), QStringLiteral("1"));
    const QString width = c.args.value(QStringLiteral("--width"), QStringLiteral("720"));
    const QString height = c.args.value(QStringLiteral("--height"), QStringLiteral("576"));
    const bool delace = c.args.flag(QStringLiteral("--delace"));
    c.options.Mrm = c.args.readMode();
    QString error = c.args.finish();
    if (error.isEmpty() && buffer != "1" && buffer != "2")
        error = "--buffer takes 1 or 2, not " + buffer;
    else if (error.isEmpty() && (!IsNumber(width) || !IsNumber(height)))
        error = "--width and --height are numbers: " + width + " " + height;
    else if (const QString why = error.isEmpty() ? WriteRefusal(name) : QString(); !why.isEmpty())
        error = "Cannot write " + name + " - " + why;
    if (!error.isEmpty())
        return c.refuse(error);
    const bool second = buffer == "2";
    CaptureRequest request;
    request.lumaPage = second ? kLumaBuffer2 : kLumaBuffer1;
    request.chromaPage = second ? kChromaBuffer2 : kChromaBuffer1;
    request.widthBlocks = CorrectWidth(width).blocks;
    request.heightBlocks = CorrectHeight(height).blocks;
    Picture picture(request.widthBlocks * kMacroblockPixels, request.heightBlocks * kMacroblockPixels);
    const OperationHooks operation = c.hooks(QStringLiteral("steps"));
    const qint64 total = CaptureSteps(request);
    qint64 done = 0;
    CaptureHooks hooks;
    hooks.stopRequested = operation.stopRequested;
    hooks.setStatus = operation.setStatus;
    hooks.pictureChanged = [&] { operation.progress(++done, total); };
    const CaptureResult result = CapturePicture(c.channel(), c.options.Mrm, request, picture, hooks);
    c.setStatus(CaptureStatus(result));
    c.result.insert(QStringLiteral("width"), picture.width());
    c.result.insert(QStringLiteral("height"), picture.height());
    c.result.insert(QStringLiteral("failedPages"), result.failedPages);
    if (result.outcome != CaptureOutcome::Done)
        return c.finish(false, false, result.outcome == CaptureOutcome::Break);
    c.print(c.status());
    if (delace)
        Delace(picture);
    if (CheckOverwrite(c.prompter, name) == OverwriteAnswer::Refused)
        return c.refuse(QStringLiteral("Not Saved."));
    QString why;
    if (!WriteFileBytes(name, BmpFile(picture), why))
        return c.fail(why);
    c.setStatus(QStringLiteral("Saved."));
    return c.finish(true, false, false);
}

// One click of the volume window's attenuation options.
int Volume(CliContext &c)
{
    const QString step = c.args.next(QStringLiteral("STEP"));
    const bool plus6 = c.args.flag(QStringLiteral("--plus6"));
    const QString matrix = c.args.value(QStringLiteral("--matrix"), QStringLiteral("5"));
    if (const QString error = c.args.finish(); !error.isEmpty())
        return c.refuse(error);
    bool ok = false;
    const int index = step.toInt(&ok);
    if (!ok || index < 0 || index >= kAttenuationSteps)
        return c.refuse(QStringLiteral("STEP is 0 to %1 (0 to -%2 dB), not %3")
                            .arg(kAttenuationSteps - 1)
                            .arg(2 * (kAttenuationSteps - 1))
                            .arg(step));
    const QString command = VolumeCommand(index, plus6, matrix);
    const QString reply = c.channel().SendCmd(command, false);
    c.result.insert(QStringLiteral("command"), command);
    c.result.insert(QStringLiteral("reply"), reply);
    if (reply.isEmpty())
        return c.fail(c.channel().linkLost().isEmpty() ? command + ": TimeOut!" : c.channel().linkLost());
    c.print(QStringLiteral("%1 dB%2: %3").arg(-2 * index).arg(plus6 ? " +6dB" : "").arg(reply));
    return kCliDone;
}

const CliCommand kCommands[] = {
    {"tune", "FREQ_KHZ SYMBOL_RATE --pol v|h [--fec 1/2|2/3|3/4|4/5|5/6|7/8] [--lo auto|9750|10600] [--syntax 7|4]",
     "tunes as the tuning window's TUNE and prints the carrier verdict (exit 1 without a carrier)", true, Tune},
    {"demux", "VPID APID PCR", "sets the three PIDs as a channel change does", true, Demux},
    {"scan transponders", "TCS TPT [--bands vd,hd,vu,hu] [--no-lnb-control]",
     "sweeps the bands, appends the transponders found to TPT and saves both tables", true, ScanTransponders},
    {"scan channels",
     "TCS TPT [--from N] [--only] [--keep-duplicates] [--keep-radio] [--keep-interactive] [--any-ca] "
     "[--satmap FILE] [--syntax 7|4]",
     "scans TPT records N (default 0) to the end, or N only, appends the services and saves both tables", true,
     ScanChannels},
    {"si capture", "[--report FILE] [--raw]",
     "captures the tuned transponder's SI and prints the report (Details, or Raw Data with --raw); sections\n"
     "      whose CRC-32 fails are named on standard error",
     true, SiCapture},
    {"screenshot", "FILE [--buffer 1|2] [--width W] [--height H] [--delace] [--mode multi|dword|word|byte]",
     "reads the picture from the frame buffers and saves it as a bitmap", true, Screenshot},
    {"volume", "STEP [--plus6] [--matrix M]", "sets the audio attenuation: STEP 0 to 7 is 0 to -14 dB", true, Volume},
};

}   // namespace

std::span<const CliCommand> TuningCommands() { return kCommands; }
