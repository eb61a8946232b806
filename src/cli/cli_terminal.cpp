// send, macro: the terminal's commands.
#include "cli/cli.h"

#include "link/link.h"
#include "terminal/macro_file.h"

#include <QJsonArray>
#include <QObject>

namespace {

constexpr int kTerminalTimeoutMs = 5000;

// Each command as the terminal sends it; each reply as the terminal shows
// it, on a line of its own.
int Send(CliContext &c)
{
    QStringList commands;
    while (const std::optional<QString> command = c.args.nextOptional())
        commands << *command;
    if (const QString error = c.args.finish(); !error.isEmpty() || commands.isEmpty())
        return c.refuse(error.isEmpty() ? QStringLiteral("missing COMMAND") : error);
    QString shown;
    const QMetaObject::Connection connection =
        QObject::connect(c.link, &Link::replyShown, [&shown](const QString &text) { shown = text; });
    QStringList replies;
    int status = kCliDone;
    for (const QString &command : commands) {
        c.channel().SetCmdTimeout(kTerminalTimeoutMs);
        shown.clear();
        const QString reply = c.channel().SendCmd(command, true);
        c.print(shown);
        replies << reply;
        if (reply.isEmpty()) {
            status = c.fail(command + ": " + shown);
            break;
        }
    }
    QObject::disconnect(connection);
    c.result.insert(QStringLiteral("replies"), QJsonArray::fromStringList(replies));
    return status;
}

// A macro file, as "Exec Macro File" runs it: to the first failing command.
int Macro(CliContext &c)
{
    const QString name = c.args.next(QStringLiteral("FILE"));
    if (const QString error = c.args.finish(); !error.isEmpty())
        return c.refuse(error);
    c.channel().SetCmdTimeout(kTerminalTimeoutMs);
    const MacroFileResult result = RunMacroFile(c.channel(), name);
    if (result.unusable)
        return c.refuse(result.message);
    c.result.insert(QStringLiteral("commands"), result.run.commandsSent);
    if (!result.message.isEmpty())
        return c.fail(result.message);
    c.print(QStringLiteral("%1 commands sent.").arg(result.run.commandsSent));
    return kCliDone;
}

const CliCommand kCommands[] = {
    {"send", "COMMAND...", "sends each command as the terminal does and prints each reply", true, Send},
    {"macro", "FILE", "runs a macro file (B$, W$, D$, C$ items) to its first failing command", true, Macro},
};

}   // namespace

std::span<const CliCommand> TerminalCommands() { return kCommands; }
