#include "eeprom/eeprom_ops.h"

#include "link/conversions.h"
#include <QFile>

namespace {

constexpr int kNormalReadTimeoutMs = 500;
constexpr int kFileTimeoutMs = 750;
constexpr int kHalfPage = 128;
constexpr int kRowBytes = 16;

QString Digit(int v) { return QString::number(v & 0xF, 16).toUpper(); }

// Byte address as 4 digits: "0", the page digit and two more digits.
QString Addr4(int page, int lowByte) { return "0" + Digit(page) + Hex2(lowByte); }

// I2C device address and block-internal address of a row: A0 + 2 x page, row x 16.
QString I2cRowAddress(int page, int row) { return Digit(2 * page) + Digit(row) + "0"; }

void Append(const OperationHooks &hooks, const QString &text) { hooks.setStatus(hooks.status() + text); }

QString HexBytes(const EeImage &image, int start, int count)
{
    QString text;
    text.reserve(2 * count);
    for (int k = 0; k < count; ++k)
        text += Hex2(image[start + k]);
    return text;
}

// The empty text, or the system's reason why the file was not written.
[[nodiscard]] QString WriteImageFile(const QString &fileName, const EeImage &image)
{
    QFile file;
    QString why;
    if (!OpenForWrite(file, fileName, QIODevice::WriteOnly | QIODevice::Truncate, why))
        return why;
    if (file.write(reinterpret_cast<const char *>(image.data()), kEeSize) == kEeSize && file.flush())
        return QString();
    return FileReason(fileName, file);
}

// What a write has left in the EEPROM: pages below page written from the
// file, page itself perhaps partly (while it is being written), the rest as
// it was.
QString EeWrittenState(const QString &fileName, int page, bool partly)
{
    QString state = "the EEPROM";
    if (page > 0)
        state += (page == 1 ? " page 0" : " pages 0-" + Digit(page - 1)) + " written from " + fileName;
    if (partly)
        state += (page > 0 ? ", page " : " page ") + Digit(page) + " perhaps partly written";
    if (page + (partly ? 1 : 0) < kEePages)
        state += (page == 0 && !partly ? QString(" as it was") : ", the rest as it was");
    return state;
}

bool ReadImageFile(QFile &file, EeImage &image)
{
    return file.read(reinterpret_cast<char *>(image.data()), kEeSize) == kEeSize;
}

}   // namespace

QString NormalizeEePageText(const QString &text)
{
    if (QString::compare(text, "0") < 0 || QString::compare(text, "7") > 0)
        return "0";
    return text;
}

int EePageNumber(const QString &text) { return NormalizeEePageText(text).at(0).unicode() - '0'; }

QString PreviousEePageText(const QString &text) { return Digit((EePageNumber(text) - 1) & 7); }

QString NextEePageText(const QString &text) { return Digit((EePageNumber(text) + 1) & 7); }

QString EeReadRowCommand(EepromMode mode, int page, int row)
{
    if (mode == EepromMode::Normal)
        return "061" + Addr4(page, row * kRowBytes) + "10";
    return "272A" + I2cRowAddress(page, row) + "10";
}

int EeRowReplyLength(EepromMode mode) { return mode == EepromMode::Normal ? 39 : 41; }

int EeRowDataStart(EepromMode mode) { return mode == EepromMode::Normal ? 7 : 9; }

QString EeRowView(EepromMode mode, int page, int row, const QString &reply)
{
    const int start = EeRowDataStart(mode);
    QString data = reply;
    if (data.size() != EeRowReplyLength(mode))
        data = QString(start, '0') + QString(2 * kRowBytes, '-');

    QString line = Addr4(page, row * kRowBytes) + " : ";
    QString chars;
    for (int k = 0; k < kRowBytes; ++k) {
        const QString pair = data.mid(start + 2 * k, 2);
        line += pair + " ";
        chars += PrnChar(HexToByte(pair));
    }
    return line + ": " + chars;
}

QStringList EeSavePageCommands(EepromMode mode, int page)
{
    QStringList commands;
    if (mode == EepromMode::Normal) {
        for (int h = 0; h < 2; ++h)
            commands << "061" + Addr4(page, h * kHalfPage) + "80";
    } else {
        for (int row = 0; row < kEeRowsPerPage; ++row)
            commands << EeReadRowCommand(mode, page, row);
    }
    return commands;
}

int EeSaveReplyLength(EepromMode mode) { return mode == EepromMode::Normal ? 263 : 41; }

bool StoreEeSaveReply(EepromMode mode, int page, int index, const QString &reply, EeImage &image)
{
    if (reply.size() != EeSaveReplyLength(mode))
        return false;
    const int count = mode == EepromMode::Normal ? kHalfPage : kRowBytes;
    const int base = (page & 7) * 256 + index * count;
    if (index < 0 || base + count > kEeSize)
        return false;
    const int start = EeRowDataStart(mode);
    for (int k = 0; k < count; ++k)
        image[base + k] = HexByteAt(reply, start + 2 * k);
    return true;
}

QStringList EeWritePageCommands(EepromMode mode, int page, const EeImage &image)
{
    QStringList commands;
    const int base = (page & 7) * 256;
    if (mode == EepromMode::Normal) {
        for (int h = 0; h < 2; ++h)
            commands << "060" + Addr4(page, h * kHalfPage) + HexBytes(image, base + h * kHalfPage, kHalfPage);
    } else {
        for (int row = 0; row < kEeRowsPerPage; ++row)
            commands << "270A" + I2cRowAddress(page, row) + HexBytes(image, base + row * kRowBytes, kRowBytes);
    }
    return commands;
}

bool EeWriteReplyOk(EepromMode mode, const QString &reply)
{
    if (mode == EepromMode::Normal)
        return reply == "060";
    return reply.size() == 39;
}

EeOutcome ShowEePage(CommandChannel &link, EepromMode mode, int page, const OperationHooks &hooks,
                     const std::function<void(const QString &)> &progress)
{
    link.SetCmdTimeout(kNormalReadTimeoutMs);
    QString view;
    for (int row = 0; row < kEeRowsPerPage; ++row) {
        if (hooks.stopRequested()) {
            Append(hooks, " - User Break!");
            return EeOutcome::UserBreak;
        }
        const QString reply = link.SendCmd(EeReadRowCommand(mode, page, row), false);
        view += EeRowView(mode, page, row, reply);
        if (row < kEeRowsPerPage - 1)
            view += "\r\n";
        if (progress)
            progress(QString(kEeRowsPerPage - 1 - row, '='));
    }
    hooks.setStatus(view);
    return EeOutcome::Done;
}

EeOutcome ReadEeprom(CommandChannel &link, EepromMode mode, const OperationHooks &hooks, EeImage &image)
{
    for (int page = 0; page < kEePages; ++page) {
        hooks.progress(page, kEePages);
        hooks.setStatus("Reading Page " + Digit(page));
        if (hooks.stopRequested()) {
            Append(hooks, " - User Break!");
            return EeOutcome::UserBreak;
        }
        const QStringList commands = EeSavePageCommands(mode, page);
        for (int i = 0; i < commands.size(); ++i) {
            if (!StoreEeSaveReply(mode, page, i, link.SendCmd(commands[i], false), image)) {
                Append(hooks, " - Read Error!");
                return EeOutcome::ReadError;
            }
        }
    }
    hooks.progress(kEePages, kEePages);
    return EeOutcome::Done;
}

EeOutcome SaveEeprom(CommandChannel &link, EepromMode mode, Prompter &prompter, const OperationHooks &hooks,
                     const QString &fileName)
{
    link.SetCmdTimeout(kFileTimeoutMs);
    EeImage image{};
    const EeOutcome read = ReadEeprom(link, mode, hooks, image);
    if (read != EeOutcome::Done)
        return read;

    Append(hooks, "\r\nSaving " + fileName);
    // A name that cannot be written says why, so it reads apart from a refusal.
    QString why;
    switch (CheckOverwrite(prompter, fileName, &why)) {
    case OverwriteAnswer::Refused: Append(hooks, " - Not saved."); return EeOutcome::NotSaved;
    case OverwriteAnswer::CannotWrite: Append(hooks, WithReason(" - Not saved.", why)); return EeOutcome::FileError;
    case OverwriteAnswer::MayWrite: break;
    }
    why = WriteImageFile(fileName, image);
    if (!why.isEmpty()) {
        Append(hooks, WithReason(" - Cannot write file!", why));
        return EeOutcome::FileError;
    }
    Append(hooks, " - Done.");
    return EeOutcome::Done;
}

EeOutcome WriteEeprom(CommandChannel &link, EepromMode mode, Prompter &prompter, const OperationHooks &hooks,
                      const QString &fileName)
{
    link.SetCmdTimeout(kFileTimeoutMs);
    if (!FileExists(fileName)) {
        hooks.setStatus(WithReason(fileName + " not found!", UnreadableReason(fileName)));
        return EeOutcome::NotFound;
    }

    hooks.setStatus("Reading " + fileName);
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly)) {
        Append(hooks, WithReason(" - Cannot read file!", FileReason(fileName, file)));
        return EeOutcome::FileError;
    }
    if (file.size() != kEeSize) {
        Append(hooks, " - File is not 2048 bytes !!!");
        return EeOutcome::WrongLength;
    }
    EeImage image{};
    if (!ReadImageFile(file, image)) {
        Append(hooks, WithReason(" - Cannot read file!", file.errorString()));
        return EeOutcome::FileError;
    }
    file.close();

    if (AskSure(prompter, "This will write your I2C EEPROM."))
        return EeOutcome::Declined;

    for (int page = 0; page < kEePages; ++page) {
        hooks.progress(page, kEePages);
        hooks.setStatus("Writing Page " + Digit(page));
        if (hooks.stopRequested()) {
            Append(hooks, " - User Break!");
            return EeOutcome::UserBreak;
        }
        hooks.decoderState(EeWrittenState(fileName, page, true));
        for (const QString &command : EeWritePageCommands(mode, page, image)) {
            if (!EeWriteReplyOk(mode, link.SendCmd(command, false))) {
                Append(hooks, " - Write Error!");
                return EeOutcome::WriteError;
            }
        }
        hooks.decoderState(EeWrittenState(fileName, page + 1, false));
    }
    hooks.progress(kEePages, kEePages);
    Append(hooks, "\r\nDone.");
    return EeOutcome::Done;
}
