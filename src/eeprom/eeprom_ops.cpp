#include "eeprom/eeprom_ops.h"

#include "link/backups.h"
#include "link/conversions.h"
#include <QFile>
#include <QFileInfo>
#include <algorithm>
#include <vector>

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

// The page's commands of "EE --> File"; false at a reply of the wrong length.
bool ReadPage(CommandChannel &link, EepromMode mode, int page, EeImage &image)
{
    const QStringList commands = EeSavePageCommands(mode, page);
    for (int i = 0; i < commands.size(); ++i)
        if (!StoreEeSaveReply(mode, page, i, link.SendCmd(commands[i], false), image))
            return false;
    return true;
}

// The page read until two readings agree; true on failure.
bool ReadPageChecked(CommandChannel &link, EepromMode mode, int page, EeImage &image, ReadCheck &check)
{
    using PageBytes = std::array<quint8, 256>;
    std::vector<PageBytes> readings;
    check.unsettled = false;
    for (int n = 0; n < kCheckedReadings; ++n) {
        if (!ReadPage(link, mode, page, image))
            return true;
        PageBytes reading{};
        std::copy_n(image.begin() + page * 256, 256, reading.begin());
        if (std::find(readings.begin(), readings.end(), reading) != readings.end()) {
            check.pagesReread += n > 1 ? 1 : 0;
            check.extraReadings += n - 1;
            return false;
        }
        readings.push_back(reading);
    }
    ++check.pagesReread;
    check.extraReadings += kCheckedReadings - 2;
    check.unsettled = true;
    return true;
}

// Hooks whose status texts carry prefix; shown keeps the text without it.
OperationHooks Prefixed(const OperationHooks &hooks, const QString &prefix, QString &shown)
{
    OperationHooks prefixed = hooks;
    prefixed.setStatus = [&hooks, prefix, &shown](const QString &text) {
        shown = text;
        hooks.setStatus(prefix + text);
    };
    prefixed.status = [&shown] { return shown; };
    return prefixed;
}

// "File --> EE" up to the question: the file's checks and bytes.
EeOutcome LoadImageFile(const OperationHooks &hooks, const QString &fileName, EeImage &image)
{
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
    if (!ReadImageFile(file, image)) {
        Append(hooks, WithReason(" - Cannot read file!", file.errorString()));
        return EeOutcome::FileError;
    }
    return EeOutcome::Done;
}

// "File --> EE" after the question: page by page, with what is left told.
EeOutcome WritePages(CommandChannel &link, EepromMode mode, const OperationHooks &hooks, const QString &fileName,
                     const EeImage &image)
{
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

EeOutcome ReadEeprom(CommandChannel &link, EepromMode mode, const OperationHooks &hooks, EeImage &image,
                     ReadCheck *check)
{
    for (int page = 0; page < kEePages; ++page) {
        hooks.progress(page, kEePages);
        hooks.setStatus("Reading Page " + Digit(page));
        if (hooks.stopRequested()) {
            Append(hooks, " - User Break!");
            return EeOutcome::UserBreak;
        }
        if (check ? ReadPageChecked(link, mode, page, image, *check) : !ReadPage(link, mode, page, image)) {
            const bool unsettled = check && check->unsettled;
            Append(hooks,
                   QString(" - Read Error!")
                       + (unsettled ? QString(" (no two of %1 readings agree)").arg(kCheckedReadings) : ""));
            return EeOutcome::ReadError;
        }
    }
    hooks.progress(kEePages, kEePages);
    return EeOutcome::Done;
}

EeOutcome SaveEeprom(CommandChannel &link, EepromMode mode, Prompter &prompter, const OperationHooks &hooks,
                     const QString &fileName, ReadCheck *check)
{
    link.SetCmdTimeout(kFileTimeoutMs);
    EeImage image{};
    const EeOutcome read = ReadEeprom(link, mode, hooks, image, check);
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
    EeImage image{};
    if (const EeOutcome loaded = LoadImageFile(hooks, fileName, image); loaded != EeOutcome::Done)
        return loaded;
    if (AskSure(prompter, "This will write your I2C EEPROM."))
        return EeOutcome::Declined;
    return WritePages(link, mode, hooks, fileName, image);
}

EeWriteResult WriteEeprom(CommandChannel &link, EepromMode mode, Prompter &prompter, const OperationHooks &hooks,
                          const QString &fileName, const EeWriteOptions &options)
{
    EeWriteResult result;
    if (!options.backUpFirst && !options.verify) {
        result.outcome = WriteEeprom(link, mode, prompter, hooks, fileName);
        return result;
    }
    link.SetCmdTimeout(kFileTimeoutMs);
    EeImage image{};
    if (result.outcome = LoadImageFile(hooks, fileName, image); result.outcome != EeOutcome::Done)
        return result;
    if (AskSure(prompter, "This will write your I2C EEPROM.")) {
        result.outcome = EeOutcome::Declined;
        return result;
    }
    QString after;
    if (options.backUpFirst) {
        QString shown;
        EeImage current{};
        if (result.outcome = ReadEeprom(link, mode, Prefixed(hooks, "Backup: ", shown), current);
            result.outcome != EeOutcome::Done) {
            Append(hooks, " Nothing written.");
            return result;
        }
        QString why;
        const QByteArray bytes(reinterpret_cast<const char *>(current.data()), kEeSize);
        if (!WriteBackup(kEepromBackupPrefix, bytes, result.backupFile, why)) {
            hooks.setStatus(why + " Nothing written.");
            result.outcome = EeOutcome::FileError;
            result.backupFile.clear();
            return result;
        }
        after = "\r\nBackup: " + QFileInfo(result.backupFile).fileName();
        hooks.setStatus(after.mid(2));
    }
    if (result.outcome = WritePages(link, mode, hooks, fileName, image); result.outcome != EeOutcome::Done)
        return result;
    const QString done = hooks.status() + after;
    hooks.setStatus(done);
    if (options.verify) {
        QString shown;
        EeImage back{};
        if (result.outcome = ReadEeprom(link, mode, Prefixed(hooks, done + "\r\nVerify: ", shown), back);
            result.outcome != EeOutcome::Done)
            return result;
        const auto differs = std::mismatch(image.begin(), image.end(), back.begin());
        if (differs.first != image.end()) {
            const int at = int(differs.first - image.begin());
            result.firstDifference = at;
            result.written = *differs.first;
            result.found = *differs.second;
            hooks.setStatus(done
                            + QString("\r\nVerify Error at %1 (read %2, written %3)!")
                                  .arg(Hex2(at >> 8) + Hex2(at & 0xFF), Hex2(result.found), Hex2(result.written)));
            result.outcome = EeOutcome::VerifyError;
            return result;
        }
        result.verified = true;
        hooks.setStatus(done + "\r\nVerified.");
    }
    return result;
}
