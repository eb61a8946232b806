// eeprom read, eeprom write: the EEPROM window's "EE --> File" and
// "File --> EE". Their rows are in the table of cli_memory.cpp.
#include "cli/cli.h"
#include "cli/cli_checks.h"

#include "eeprom/eeprom_ops.h"

int CliEepromRead(CliContext &c);
int CliEepromWrite(CliContext &c);

namespace {

// FILE [--i2c], and the options of the one or the other.
struct EeArgs {
    QString file;
    bool verify = false;   // eeprom read --verify
    WriteChecks checks;    // eeprom write
};

[[nodiscard]] QString TakeEeArgs(CliContext &c, bool write, EeArgs &a)
{
    a.file = c.args.next(QStringLiteral("FILE"));
    if (c.args.flag(QStringLiteral("--i2c")))
        c.options.Eem = EepromMode::I2C;
    if (write)
        a.checks = TakeWriteChecks(c.args);
    else
        a.verify = c.args.flag(QStringLiteral("--verify"));
    return c.args.finish();
}

// The end as the window's text tells it.
int FinishEeprom(CliContext &c, const QString &file, EeOutcome outcome)
{
    // Done: the window's text a line for each of its lines; otherwise its
    // last line, which tells what went wrong.
    QString status = c.status().replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    if (outcome != EeOutcome::Done)
        status = status.section(QLatin1Char('\n'), -1);
    if (const QString lost = c.channel().linkLost();
        !lost.isEmpty() && (outcome == EeOutcome::ReadError || outcome == EeOutcome::WriteError))
        status += QStringLiteral(" (") + lost + QLatin1Char(')');
    if (outcome == EeOutcome::Declined)
        status += QStringLiteral(" - Not written.");
    c.setStatus(status);
    c.result.insert(QStringLiteral("file"), file);
    c.result.insert(QStringLiteral("mode"),
                    c.options.Eem == EepromMode::I2C ? QStringLiteral("i2c") : QStringLiteral("normal"));
    switch (outcome) {
    case EeOutcome::Done: return c.finish(true, false, false);
    case EeOutcome::UserBreak: return c.finish(false, false, true);
    case EeOutcome::ReadError:
    case EeOutcome::WriteError:
    case EeOutcome::VerifyError: return c.finish(false, false, false);
    case EeOutcome::NotSaved:
    case EeOutcome::NotFound:
    case EeOutcome::WrongLength:
    case EeOutcome::Declined:
    case EeOutcome::FileError: return c.finish(false, true, false);
    }
    return c.finish(false, false, false);
}

}   // namespace

int CliEepromRead(CliContext &c)
{
    EeArgs a;
    if (const QString error = TakeEeArgs(c, false, a); !error.isEmpty())
        return c.refuse(error);
    ReadCheck check;
    const EeOutcome outcome = SaveEeprom(c.channel(), c.options.Eem, c.prompter, c.hooks(QStringLiteral("pages")),
                                         a.file, a.verify ? &check : nullptr);
    const int status = FinishEeprom(c, a.file, outcome);
    if (a.verify && outcome == EeOutcome::Done)
        ReportCheckedRead(c, a.file, check);
    return status;
}

int CliEepromWrite(CliContext &c)
{
    EeArgs a;
    if (const QString error = TakeEeArgs(c, true, a); !error.isEmpty())
        return c.refuse(error);
    const EeWriteResult r = WriteEeprom(c.channel(), c.options.Eem, c.prompter, c.hooks(QStringLiteral("pages")),
                                        a.file, EeWriteOptions{a.checks.backup, a.checks.verify});
    ReportBackup(c, r.backupFile);
    c.result.insert(QStringLiteral("verified"), r.verified);
    if (r.firstDifference)
        c.result.insert(QStringLiteral("firstDifference"), *r.firstDifference);
    return FinishEeprom(c, a.file, r.outcome);
}
