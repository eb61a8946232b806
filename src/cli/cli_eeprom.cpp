// eeprom read, eeprom write: the EEPROM window's "EE --> File" and
// "File --> EE". Their rows are in the table of cli_memory.cpp.
#include "cli/cli.h"

#include "eeprom/eeprom_ops.h"

int CliEepromRead(CliContext &c);
int CliEepromWrite(CliContext &c);

namespace {

using EeOperation = EeOutcome (*)(CommandChannel &, EepromMode, Prompter &, const OperationHooks &, const QString &);

// FILE [--i2c], the operation, and its end as the window's text tells it.
int RunEeprom(CliContext &c, EeOperation operation)
{
    const QString file = c.args.next(QStringLiteral("FILE"));
    const bool i2c = c.args.flag(QStringLiteral("--i2c"));
    if (const QString error = c.args.finish(); !error.isEmpty())
        return c.refuse(error);
    if (i2c)
        c.options.Eem = EepromMode::I2C;

    const EeOutcome outcome = operation(c.channel(), c.options.Eem, c.prompter, c.hooks(QStringLiteral("pages")), file);
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
    case EeOutcome::WriteError: return c.finish(false, false, false);
    case EeOutcome::NotSaved:
    case EeOutcome::NotFound:
    case EeOutcome::WrongLength:
    case EeOutcome::Declined:
    case EeOutcome::FileError: return c.finish(false, true, false);
    }
    return c.finish(false, false, false);
}

}   // namespace

int CliEepromRead(CliContext &c) { return RunEeprom(c, SaveEeprom); }

int CliEepromWrite(CliContext &c) { return RunEeprom(c, WriteEeprom); }
