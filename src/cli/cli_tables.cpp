// tables sort, tables dedupe, tables order-like: the channels list editor's
// edits of a whole list, on its binary files, written back in place.
#include "cli/cli.h"

#include "channels/channel_edit.h"

namespace {

struct NamedTables {
    QString tcs, tpt;
    ChannelTables tables;
};

// The tables of two named binary files, as "Bin Load" reads them; the empty text, or why not.
[[nodiscard]] QString LoadNamed(CliContext &c, NamedTables &named)
{
    named.tcs = c.args.next(QStringLiteral("TCS"));
    named.tpt = c.args.next(QStringLiteral("TPT"));
    if (named.tcs.isEmpty() || named.tpt.isEmpty())
        return QString();
    const TableResult loaded = LoadBinary(named.tables, named.tcs, named.tpt);
    return loaded.relist ? QString() : loaded.status.trimmed();
}

// Writes the edited tables back as "Bin Save" does, after the line saying what was done.
int SaveBack(CliContext &c, const NamedTables &named, const QString &done)
{
    c.result.insert(QStringLiteral("done"), done);
    RecordingPrompter prompter(c.prompter);
    const QString status = SaveBinary(named.tables, prompter, named.tcs, named.tpt).status.trimmed();
    c.result.insert(QStringLiteral("status"), status);
    if (status.contains(QLatin1String("Cannot write")))
        return c.refuse(status);
    if (prompter.declined)
        return c.refuse(done + " Not saved.");
    c.print(done);
    c.print(status);
    return kCliDone;
}

int TablesSort(CliContext &c)
{
    const QString by = c.args.value(QStringLiteral("--by"), QStringLiteral("name"));
    NamedTables named;
    const QString error = LoadNamed(c, named);
    if (const QString argsError = c.args.finish(); !argsError.isEmpty())
        return c.refuse(argsError);
    if (!error.isEmpty())
        return c.refuse(error);
    const std::optional<ChannelOrder> order = ChannelOrderNamed(by);
    if (!order)
        return c.refuse("--by takes name, tp or sid, not " + by);
    SortChannels(named.tables, AllChannels(named.tables), *order);
    return SaveBack(c, named, QStringLiteral("Sorted %1 channels by %2.").arg(EndOfChannels(named.tables)).arg(by));
}

int TablesDedupe(CliContext &c)
{
    NamedTables named;
    const QString error = LoadNamed(c, named);
    if (const QString argsError = c.args.finish(); !argsError.isEmpty())
        return c.refuse(argsError);
    if (!error.isEmpty())
        return c.refuse(error);
    const QList<int> duplicates = DuplicateChannels(named.tables, AllChannels(named.tables));
    c.result.insert(QStringLiteral("removed"), int(duplicates.size()));
    if (duplicates.isEmpty()) {
        c.print(QStringLiteral("No duplicates: nothing written."));
        return kCliDone;
    }
    RemoveChannels(named.tables, duplicates);
    return SaveBack(c, named, QStringLiteral("Removed %1 duplicates.").arg(duplicates.size()));
}

int TablesOrderLike(CliContext &c)
{
    NamedTables named, reference;
    const QString error = LoadNamed(c, named);
    reference.tcs = c.args.next(QStringLiteral("REF_TCS"));
    reference.tpt = c.args.next(QStringLiteral("REF_TPT"));
    if (const QString argsError = c.args.finish(); !argsError.isEmpty())
        return c.refuse(argsError);
    if (!error.isEmpty())
        return c.refuse(error);
    if (const TableResult loaded = LoadReference(reference.tables, reference.tcs, reference.tpt); !loaded.relist)
        return c.refuse(reference.tcs + ": " + loaded.status.trimmed());
    const int matched = OrderLike(named.tables, AllChannels(named.tables), reference.tables);
    c.result.insert(QStringLiteral("matched"), matched);
    return SaveBack(c, named, OrderLikeSummary(reference.tcs, matched, EndOfChannels(named.tables)));
}

const CliCommand kCommands[] = {
    {"tables sort", "TCS TPT [--by name|tp|sid]",
     "sorts the channels by name, by transponder then SID, or by SID, and writes the tables back", false, TablesSort},
    {"tables dedupe", "TCS TPT",
     "removes the channels of a transponder and SID an earlier channel has, and writes the tables back", false,
     TablesDedupe},
    {"tables order-like", "TCS TPT REF_TCS REF_TPT",
     "puts the channels the reference tables also hold first, in its order (binary, or both .txt), and writes the "
     "tables back",
     false, TablesOrderLike},
};

}   // namespace

std::span<const CliCommand> TableCommands() { return kCommands; }
