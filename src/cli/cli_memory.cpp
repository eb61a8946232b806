// mem read, mem save, regs, disasm, diff: the memory and registers windows'
// procedures, and the EEPROM window's (cli_eeprom.cpp).
#include "cli/cli.h"
#include "cli/cli_checks.h"

#include "link/conversions.h"
#include "link/memread.h"
#include "memory/disassembler.h"
#include "memory/image_diff.h"
#include "memory/page_views.h"
#include "memory/register_dump.h"
#include "memory/save_range.h"

#include <QFileInfo>
#include <QJsonArray>

// The EEPROM window's "EE --> File" and "File --> EE", in cli_eeprom.cpp.
int CliEepromRead(CliContext &c);
int CliEepromWrite(CliContext &c);

namespace {

constexpr int kPageBytes = 256;
constexpr int kDiffShownBytes = 16;

// The windows' text as lines: CR LF becomes LF.
QString AsLines(QString text) { return text.replace(QStringLiteral("\r\n"), QStringLiteral("\n")); }

QJsonArray LinesArray(const QString &text)
{
    return QJsonArray::fromStringList(AsLines(text).split(QLatin1Char('\n')));
}

// A failure's message, with the link's loss when that is what happened.
QString WithLinkLost(CliContext &c, const QString &text)
{
    const QString lost = c.channel().linkLost();
    return lost.isEmpty() ? text : text + QStringLiteral(" (") + lost + QLatin1Char(')');
}

std::optional<MemView> ParseView(const QString &text)
{
    if (text == QLatin1String("bytes"))
        return MemView::Byte;
    if (text == QLatin1String("words"))
        return MemView::Word;
    if (text == QLatin1String("dwords"))
        return MemView::DWord;
    if (text == QLatin1String("st20"))
        return MemView::St20Asm;
    return std::nullopt;
}

// A page number as the Start and End boxes take it: at most 6 hexadecimal digits.
std::optional<qint32> ParsePage(const QString &text, const QString &what, QString &error)
{
    if (const std::optional<qint64> page = ParseHex(text, 6))
        return qint32(*page);
    if (error.isEmpty())
        error = what + " must be a page number of 1 to 6 hexadecimal digits: " + text;
    return std::nullopt;
}

// An address of 32 bits, 8 hexadecimal digits at most.
std::optional<qint32> ParseAddress(const QString &text, QString &error)
{
    if (const std::optional<qint64> address = ParseHex(text, 8))
        return qint32(quint32(*address));
    error = "--address must be 1 to 8 hexadecimal digits: " + text;
    return std::nullopt;
}

std::span<const quint8> Bytes(const QByteArray &data)
{
    return {reinterpret_cast<const quint8 *>(data.constData()), std::size_t(data.size())};
}

// mem read PAGE: "Read Page" in the chosen view, the ST20 view from an empty
// operand register.
int MemReadPage(CliContext &c)
{
    const QString pageText = c.args.next(QStringLiteral("PAGE"));
    const QString viewText = c.args.value(QStringLiteral("--as"), QStringLiteral("bytes"));
    c.options.Mrm = c.args.readMode();
    QString error = c.args.finish();
    const std::optional<qint32> page = ParsePage(pageText, QStringLiteral("PAGE"), error);
    const std::optional<MemView> view = ParseView(viewText);
    if (error.isEmpty() && !view)
        error = "--as takes bytes, words, dwords or st20, not " + viewText;
    if (!error.isEmpty())
        return c.refuse(error);

    c.channel().SetCmdTimeout(kMemDumpCmdTimeoutMs);
    Page buffer{};
    c.setStatus(QStringLiteral("Reading..."));
    if (MemRead(c.channel(), c.options.Mrm, buffer, *page))
        return c.fail(WithLinkLost(c, "Page " + Hex6(*page) + ": Read Error!"));
    c.setStatus(QStringLiteral("Done."));
    DisasmState state;
    const QString text = RenderPage(*view, buffer, *page, state);
    c.print(AsLines(text));
    QString data;
    for (const quint8 b : buffer)
        data += Hex2(b);
    c.result.insert(QStringLiteral("page"), Hex6(*page));
    c.result.insert(QStringLiteral("data"), data);
    c.result.insert(QStringLiteral("lines"), LinesArray(text));
    c.result.insert(QStringLiteral("status"), c.status());
    return kCliDone;
}

// mem save START END FILE: "MEM --> File".
int MemSave(CliContext &c)
{
    const QString startText = c.args.next(QStringLiteral("START"));
    const QString endText = c.args.next(QStringLiteral("END"));
    const QString file = c.args.next(QStringLiteral("FILE"));
    c.options.Mrm = c.args.readMode();
    const bool verify = c.args.flag(QStringLiteral("--verify"));
    QString error = c.args.finish();
    const std::optional<qint32> start = ParsePage(startText, QStringLiteral("START"), error);
    const std::optional<qint32> end = ParsePage(endText, QStringLiteral("END"), error);
    if (!error.isEmpty())
        return c.refuse(error);

    c.channel().SetCmdTimeout(kMemDumpCmdTimeoutMs);
    Page buffer{};
    Prompter &prompter = c.prompter;
    ReadCheck check;
    const SaveOutcome outcome = SaveRange(
        c.channel(), c.options.Mrm, *start, *end, file, buffer, c.hooks("pages"),
        [&prompter](const QString &name) { return MaySaveTo(prompter, name); }, verify ? &check : nullptr);
    c.result.insert(QStringLiteral("file"), file);
    c.result.insert(QStringLiteral("start"), Hex6(*start));
    c.result.insert(QStringLiteral("end"), Hex6(*end));
    const qint64 kept = QFileInfo(file).size() / kPageBytes;
    const QString keptText =
        QStringLiteral("%1 whole page%2 kept in %3").arg(kept).arg(kept == 1 ? QString() : QStringLiteral("s"), file);
    switch (outcome) {
    case SaveOutcome::Done:
        c.result.insert(QStringLiteral("pages"), kept);
        c.setStatus(
            QStringLiteral("Done. %1 pages (%2 bytes) saved to %3.").arg(kept).arg(kept * kPageBytes).arg(file));
        c.finish(true, false, false);
        if (verify)
            ReportCheckedRead(c, file, check);
        return kCliDone;
    case SaveOutcome::AddressError:
        return c.refuse(c.status() + " (END must be above START: a save takes two pages at least)");
    case SaveOutcome::Declined:
        c.setStatus("Not saved: " + file + " is kept (overwrite not confirmed).");
        return c.finish(false, true, false);
    case SaveOutcome::CannotCreate: return c.finish(false, true, false);
    case SaveOutcome::UserBreak:
        c.result.insert(QStringLiteral("pages"), kept);
        c.setStatus(c.status() + QLatin1Char(' ') + keptText + QLatin1Char('.'));
        return c.finish(false, false, true);
    case SaveOutcome::ReadError:
    case SaveOutcome::WriteError:
        c.result.insert(QStringLiteral("pages"), kept);
        c.setStatus(c.status() + QStringLiteral("; ") + keptText + QLatin1Char('.'));
        return c.finish(false, false, false);
    }
    return c.finish(false, false, false);
}

// The registers window has no STOP: a dump runs through all its rows. Here
// Ctrl-C answers the rows still to come empty at once, and the dump is not
// shown.
class StoppableChannel : public CommandChannel {
public:
    explicit StoppableChannel(CliContext &c) : c_(c) {}
    QString SendCmd(const QString &command, bool show) override
    {
        return c_.stopRequested() ? QString() : c_.channel().SendCmd(command, show);
    }
    void SetCmdTimeout(int ms) override { c_.channel().SetCmdTimeout(ms); }
    void Wait(int ms) override
    {
        if (!c_.stopRequested())
            c_.channel().Wait(ms);
    }
    QString linkLost() const override { return c_.channel().linkLost(); }

private:
    CliContext &c_;
};

int DumpRegisters(CliContext &c, RegisterSpace space, const QString &slave)
{
    constexpr int kRows = 16;
    StoppableChannel channel(c);
    const OperationHooks hooks = c.hooks(QStringLiteral("rows"));
    hooks.progress(0, kRows);
    const RegisterDump dump = ReadRegisters(
        channel, space, slave, [&hooks](const QString &bar) { hooks.progress(kRows - bar.size(), kRows); });
    if (c.stopRequested())
        return c.fail(QStringLiteral("Stopped - the registers were not all read."), kCliStopped);
    if (const QString lost = c.channel().linkLost(); !lost.isEmpty())
        return c.fail(lost);
    if (space == RegisterSpace::I2CBus)
        c.result.insert(QStringLiteral("slave"), dump.slave);
    c.result.insert(QStringLiteral("lines"), LinesArray(dump.text));
    c.finish(true, false, false);
    c.print(AsLines(dump.text));
    return kCliDone;
}

// regs demod: READ with "Demod_IC".
int RegsDemod(CliContext &c)
{
    if (const QString error = c.args.finish(); !error.isEmpty())
        return c.refuse(error);
    return DumpRegisters(c, RegisterSpace::Demodulator, QString());
}

// regs i2c SLAVE: READ with "I2C_Bus" and the slave box.
int RegsI2C(CliContext &c)
{
    const QString slave = c.args.next(QStringLiteral("SLAVE"));
    QString error = c.args.finish();
    if (error.isEmpty() && !ParseHex(slave, 2))
        error = "SLAVE must be an I2C device address of 1 or 2 hexadecimal digits: " + slave;
    if (!error.isEmpty())
        return c.refuse(error);
    return DumpRegisters(c, RegisterSpace::I2CBus, slave);
}

// disasm FILE: the ST20 view of a binary file, page piece by page piece as
// "+" steps through them.
int Disasm(CliContext &c)
{
    const QString file = c.args.next(QStringLiteral("FILE"));
    const QString addressText = c.args.value(QStringLiteral("--address"), QStringLiteral("0"));
    QString error = c.args.finish();
    const std::optional<qint32> address = error.isEmpty() ? ParseAddress(addressText, error) : std::nullopt;
    if (!error.isEmpty())
        return c.refuse(error);
    QByteArray data;
    if (!ReadFileBytes(file, data, error))
        return c.refuse(error);
    QJsonArray lines;
    DisassembleRun(Bytes(data), *address, [&](const QString &piece) {
        c.print(AsLines(piece));
        if (c.json)
            for (const QString &line : piece.split(QStringLiteral("\r\n")))
                lines.append(line);
    });
    c.result.insert(QStringLiteral("address"), Hex8(*address));
    c.result.insert(QStringLiteral("bytes"), qint64(data.size()));
    c.result.insert(QStringLiteral("lines"), lines);
    return kCliDone;
}

// Up to kDiffShownBytes bytes of one side of a range in hexadecimal, "..."
// when the range is longer, "-" when the side has none there.
QString ShownBytes(const QByteArray &side, const DiffRange &range)
{
    const qint64 available = qBound(qint64(0), qint64(side.size()) - range.offset, range.length);
    if (available == 0)
        return QStringLiteral("-");
    const QByteArray shown = side.mid(range.offset, qMin(available, qint64(kDiffShownBytes)));
    QString text = QString::fromLatin1(shown.toHex(' ').toUpper());
    if (range.length > kDiffShownBytes)
        text += QStringLiteral(" ...");
    return text;
}

// diff A B: the ranges where two binary files differ; 0 equal, 1 different.
int Diff(CliContext &c)
{
    const QString nameA = c.args.next(QStringLiteral("A"));
    const QString nameB = c.args.next(QStringLiteral("B"));
    const QString addressText = c.args.value(QStringLiteral("--address"), QStringLiteral("0"));
    QString error = c.args.finish();
    const std::optional<qint32> address = error.isEmpty() ? ParseAddress(addressText, error) : std::nullopt;
    if (!error.isEmpty())
        return c.refuse(error);
    QByteArray a, b;
    if (!ReadFileBytes(nameA, a, error) || !ReadFileBytes(nameB, b, error))
        return c.refuse(error);

    const std::vector<DiffRange> ranges = DiffImages(Bytes(a), Bytes(b));
    QJsonArray found;
    qint64 differing = 0;
    for (const DiffRange &range : ranges) {
        const QString at = Hex8(qint32(quint32(*address) + quint32(range.offset)));
        const QString shownA = ShownBytes(a, range), shownB = ShownBytes(b, range);
        c.print(QStringLiteral("%1  %2 byte%3  A: %4  B: %5")
                    .arg(at)
                    .arg(range.length)
                    .arg(range.length == 1 ? QString() : QStringLiteral("s"), shownA, shownB));
        found.append(QJsonObject{{QStringLiteral("address"), at},
                                 {QStringLiteral("length"), range.length},
                                 {QStringLiteral("a"), shownA},
                                 {QStringLiteral("b"), shownB}});
        differing += range.length;
    }
    const QString sizes = QStringLiteral("A: %1 bytes, B: %2 bytes").arg(a.size()).arg(b.size());
    if (ranges.empty())
        c.print(QStringLiteral("Equal (%1).").arg(sizes));
    else
        c.print(QStringLiteral("%1 range%2 differ%3, %4 byte%5 in all (%6).")
                    .arg(ranges.size())
                    .arg(ranges.size() == 1 ? QString() : QStringLiteral("s"),
                         ranges.size() == 1 ? QStringLiteral("s") : QString())
                    .arg(differing)
                    .arg(differing == 1 ? QString() : QStringLiteral("s"), sizes));
    c.result.insert(QStringLiteral("equal"), ranges.empty());
    c.result.insert(QStringLiteral("ranges"), found);
    c.result.insert(QStringLiteral("differing"), differing);
    c.result.insert(QStringLiteral("sizeA"), qint64(a.size()));
    c.result.insert(QStringLiteral("sizeB"), qint64(b.size()));
    return ranges.empty() ? kCliDone : kCliFailed;
}

const CliCommand kCommands[] = {
    {"mem read", "PAGE [--as bytes|words|dwords|st20] [--mode multi|dword|word|byte]",
     "prints the page (6 hexadecimal digits at most) as the memory window shows it in that view", true, MemReadPage},
    {"mem save", "START END FILE [--mode multi|dword|word|byte] [--verify]",
     "saves pages START to END to FILE as \"MEM --> File\" does; Ctrl-C keeps the whole pages read;\n"
     "      --verify reads every page until two readings agree and prints the file's SHA-256",
     true, MemSave},
    {"regs demod", "", "prints the demodulator's 256 registers as the registers window shows them", true, RegsDemod},
    {"regs i2c", "SLAVE", "prints 256 registers of the I2C device SLAVE as the registers window shows them", true,
     RegsI2C},
    {"eeprom read", "FILE [--i2c] [--verify]",
     "saves the 2048-byte EEPROM to FILE as \"EE --> File\" does; --verify reads every page until two\n"
     "      readings agree and prints the file's SHA-256",
     true, CliEepromRead},
    {"eeprom write", "FILE [--i2c] [--no-backup] [--no-verify]",
     "writes a 2048-byte FILE into the EEPROM as \"File --> EE\" does, after its question; first saves the\n"
     "      EEPROM to the backup folder, and afterwards reads it back and compares (unless told not to)",
     true, CliEepromWrite},
    {"disasm", "FILE [--address HEX]",
     "the ST20 listing of a binary file as the memory window's ST20 view shows it (first byte at HEX, default 0)",
     false, Disasm},
    {"diff", "A B [--address HEX]",
     "the ranges where two binary files differ; exit 0 equal, 1 different, 2 a file not read", false, Diff},
};

}   // namespace

std::span<const CliCommand> MemoryCommands() { return kCommands; }
