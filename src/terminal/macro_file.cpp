#include "terminal/macro_file.h"

#include "link/prompts.h"

namespace {

bool IsLineEnd(QChar c) { return c == QLatin1Char('\r') || c == QLatin1Char('\n'); }

bool IsBlank(QChar c) { return c == QLatin1Char(' ') || c == QLatin1Char('\t'); }

bool EndsField(QChar c) { return c == QLatin1Char(',') || IsLineEnd(c); }

// Steps over the comma or line end that closed a field.
qsizetype SkipDelimiter(const QString &text, qsizetype i)
{
    if (i >= text.size())
        return i;
    if (text[i] == QLatin1Char('\r') && i + 1 < text.size() && text[i + 1] == QLatin1Char('\n'))
        return i + 2;
    return i + 1;
}

QString TrimTrailingBlanks(QString field)
{
    qsizetype end = field.size();
    while (end > 0 && IsBlank(field[end - 1]))
        --end;
    field.truncate(end);
    return field;
}

}   // namespace

QStringList ReadMacroItems(const QByteArray &content)
{
    const QString text = QString::fromLatin1(content);
    const qsizetype n = text.size();
    QStringList items;
    qsizetype i = 0;
    while (i < n) {
        while (i < n && IsBlank(text[i]))
            ++i;
        QString item;
        if (i < n && text[i] == QLatin1Char('"')) {
            const qsizetype start = ++i;
            // An unclosed quote ends with its line, so one item never carries a
            // line end into a command.
            while (i < n && text[i] != QLatin1Char('"') && !IsLineEnd(text[i]))
                ++i;
            item = text.mid(start, i - start);
            // Whatever follows the closing quote up to the delimiter is dropped.
            while (i < n && !EndsField(text[i]))
                ++i;
        } else {
            const qsizetype start = i;
            while (i < n && !EndsField(text[i]))
                ++i;
            item = TrimTrailingBlanks(text.mid(start, i - start));
        }
        items << item;
        i = SkipDelimiter(text, i);
    }
    return items;
}

QString MacroLine(const QString &item)
{
    QString line = item;
    for (QChar &c : line)
        c = c.toUpper();
    return line;
}

std::optional<QString> MacroCommand(const QString &line)
{
    // Characters 3-10 hold the address, 11 a separator, the data follow from 12.
    const QString prefix = line.left(2);
    const QString address = line.mid(2, 8);
    if (prefix == QLatin1String("B$"))
        return QStringLiteral("0200") + address + line.mid(11, 2);
    if (prefix == QLatin1String("W$"))
        return QStringLiteral("0210") + address + line.mid(11, 4);
    if (prefix == QLatin1String("D$"))
        return QStringLiteral("0220") + address + line.mid(11, 8);
    if (prefix == QLatin1String("C$"))
        return line.mid(2);
    return std::nullopt;
}

bool MacroReplyFailed(const QString &reply)
{
    return reply.isEmpty() || (reply.size() == 3 && reply.endsWith(QLatin1Char('E')));
}

QString MacroResult::message() const { return failed ? QStringLiteral("Command error: ") + failedLine : QString(); }

MacroResult RunMacro(CommandChannel &link, const QStringList &items)
{
    MacroResult result;
    for (const QString &item : items) {
        const QString line = MacroLine(item);
        const std::optional<QString> command = MacroCommand(line);
        if (!command)
            continue;
        ++result.commandsSent;
        if (MacroReplyFailed(link.SendCmd(*command, true))) {
            result.failed = true;
            result.failedLine = line;
            return result;
        }
    }
    return result;
}

MacroFileResult RunMacroFile(CommandChannel &link, const QString &name)
{
    MacroFileResult result;
    QByteArray content;
    if (!FileExists(name)) {
        const QString reason = UnreadableReason(name);
        result.unusable = true;
        result.message = WithReason("File not found!", reason.isEmpty() ? reason : name + " - " + reason);
        return result;
    }
    if (!ReadFileBytes(name, content, result.message)) {
        result.unusable = true;
        return result;
    }
    result.run = RunMacro(link, ReadMacroItems(content));
    if (result.run.failed)
        result.message = result.run.message();
    else if (result.run.commandsSent == 0)
        result.message = "No command in " + name + ": a command line begins B$, W$, D$ or C$.";
    return result;
}
