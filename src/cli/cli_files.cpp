// tables show, tables to-text, tables to-binary, si decode: the channel
// tables and SI sections as files, with no decoder.
#include "cli/cli.h"
#include "cli/cli_checks.h"

#include "channels/channel_tables.h"
#include "link/prompts.h"
#include "si/si_capture.h"

#include <QJsonArray>

namespace {

// The two names TCS TPT, and the tables read from their binary files as
// "Bin Load" reads them. The empty text, or why they cannot be used.
[[nodiscard]] QString LoadNamed(CliContext &c, ChannelTables &tables, QString &tcs, QString &tpt, bool binary)
{
    tcs = c.args.next(QStringLiteral("TCS"));
    tpt = c.args.next(QStringLiteral("TPT"));
    if (const QString error = c.args.finish(); !error.isEmpty())
        return error;
    const TableResult loaded = binary ? LoadBinary(tables, tcs, tpt) : LoadText(tables, tcs, tpt);
    return loaded.relist ? QString() : loaded.status.trimmed();
}

// The end of a save: refused when a file cannot be written or an overwrite was declined.
int EndSave(CliContext &c, const TableResult &saved, const RecordingPrompter &prompter)
{
    const QString status = saved.status.trimmed();
    c.result.insert(QStringLiteral("status"), status);
    if (status.contains(QLatin1String("Cannot write")))
        return c.refuse(status);
    if (prompter.declined)
        return c.refuse(status.isEmpty() ? QStringLiteral("Not Saved.") : status + " The other file was not saved.");
    if (status.isEmpty())
        return c.fail(QStringLiteral("Nothing to save: both tables are empty."));
    c.print(status);
    return kCliDone;
}

int TablesShow(CliContext &c)
{
    ChannelTables tables;
    QString tcs, tpt;
    if (const QString error = LoadNamed(c, tables, tcs, tpt, true); !error.isEmpty())
        return c.refuse(error);
    const QStringList channels = TcsLines(tables);
    const QStringList transponders = TptLines(tables);
    c.result.insert(QStringLiteral("channels"), QJsonArray::fromStringList(channels));
    c.result.insert(QStringLiteral("transponders"), QJsonArray::fromStringList(transponders));
    for (const QString &line : channels)
        c.print(line);
    c.print(QString());
    for (const QString &line : transponders)
        c.print(line);
    return kCliDone;
}

// "Bin Load", then "Txt Save" of the lines the editor lists.
int TablesToText(CliContext &c)
{
    ChannelTables tables;
    QString tcs, tpt;
    if (const QString error = LoadNamed(c, tables, tcs, tpt, true); !error.isEmpty())
        return c.refuse(error);
    RecordingPrompter prompter(c.prompter);
    return EndSave(c, SaveText(tables, TcsLines(tables), TptLines(tables), prompter, tcs, tpt), prompter);
}

// "Txt Load", then "Bin Save".
int TablesToBinary(CliContext &c)
{
    ChannelTables tables;
    QString tcs, tpt;
    if (const QString error = LoadNamed(c, tables, tcs, tpt, false); !error.isEmpty())
        return c.refuse(error);
    RecordingPrompter prompter(c.prompter);
    return EndSave(c, SaveBinary(tables, prompter, tcs, tpt), prompter);
}

// The sections of a file decoded as a capture, and the report the SI window saves.
int SiDecode(CliContext &c)
{
    const QString name = c.args.next(QStringLiteral("SECTIONS"));
    const bool raw = c.args.flag(QStringLiteral("--raw"));
    if (const QString error = c.args.finish(); !error.isEmpty())
        return c.refuse(error);
    QByteArray text;
    QString why;
    if (!FileExists(name))
        return c.refuse(WithReason(name + ": file not found!", UnreadableReason(name)));
    if (!ReadFileBytes(name, text, why))
        return c.refuse(why);
    QString reply;
    if (!SectionTextAsReply(text, reply, why))
        return c.refuse(name + ": " + why);
    SiStore store;
    const SiCaptureResult result = SplitCapture(store, reply, false);
    c.result.insert(QStringLiteral("status"), result.status);
    ReportCrcFailures(c, result);
    c.result.insert(QStringLiteral("tables"), QJsonArray::fromStringList(result.tableLines));
    c.result.insert(QStringLiteral("channels"), QJsonArray::fromStringList(result.channelLines));
    if (!result.tsInfo)
        return c.fail(result.status);
    const QString report = SiReport(store, raw, int(result.channelLines.size()), DecodeOptions{});
    c.result.insert(QStringLiteral("report"), report);
    for (const QString &line : report.split(kCrLf).mid(0, report.count(kCrLf)))
        c.print(line);
    return kCliDone;
}

const CliCommand kCommands[] = {
    {"tables show", "TCS TPT", "prints the channel and transponder lines of the two binary tables", false, TablesShow},
    {"tables to-text", "TCS TPT", "writes the binary tables as TCS.txt and TPT.txt, as the editor's Txt Save", false,
     TablesToText},
    {"tables to-binary", "TCS TPT", "reads TCS.txt and TPT.txt and writes the binary tables, as the editor's Bin Save",
     false, TablesToBinary},
    {"si decode", "SECTIONS [--raw]",
     "decodes sections given one a line in hexadecimal and prints the SI window's report; sections whose\n"
     "      CRC-32 fails are named on standard error",
     false, SiDecode},
};

}   // namespace

std::span<const CliCommand> FileCommands() { return kCommands; }
