#pragma once
// Confirmations and file checks. Questions go through a Prompter, so that
// the application shows modal boxes while tests and scripts answer them.
#include <QString>

#include <QIODevice>
#include <optional>

class QFile;
class QFileDevice;

class Prompter {
public:
    virtual ~Prompter() = default;
    // Modal OK/Cancel question; true when the user pressed OK.
    virtual bool confirm(const QString &title, const QString &text) = 0;
    // Modal message with an OK button.
    virtual void inform(const QString &title, const QString &text) = 0;
    // Modal line of text to fill in, starting from initial; nullopt when the
    // user cancelled. Without a person to ask, there is no answer.
    virtual std::optional<QString> askText(const QString &title, const QString &label, const QString &initial)
    {
        (void)title, (void)label, (void)initial;
        return std::nullopt;
    }
};

// False when the user confirmed, true when the user declined.
bool AskSure(Prompter &prompter, const QString &prompt);
// True when the file exists and holds at least one byte; an empty file is deleted.
bool FileExists(const QString &name);
// True when the caller may now write the file (an existing one the user
// agreed to overwrite has been deleted), false when the user refused.
bool AskOverwrite(Prompter &prompter, const QString &name);

// AskOverwrite with the reason of a "no": the user refused, or the name
// cannot be written at all (a folder, a missing folder, no permission).
// With CannotWrite, reason (when given) receives the system's reason.
enum class OverwriteAnswer { MayWrite, Refused, CannotWrite };
OverwriteAnswer CheckOverwrite(Prompter &prompter, const QString &name, QString *reason = nullptr);

// The system's reason ("Is a directory", "Permission denied") why something
// of that name exists but cannot be read as a file; empty when the name is
// simply missing, or can be read.
QString UnreadableReason(const QString &name);
// Why file, opened or used under name, failed, in the system's words.
QString FileReason(const QString &name, const QFileDevice &file);
// text followed by " (reason)", or text alone when there is no reason.
QString WithReason(const QString &text, const QString &reason);

// The one rule for a name about to be written: a regular file or a new name
// may be, anything else (a folder, a named pipe, a device) may not, since
// writing would block or replace a node of the system. Returns the reason a
// name is refused ("Is a directory", "Not a regular file"), or the empty
// text. Never blocks.
QString WriteRefusal(const QString &name);
// Opens name to write under that rule, in mode (WriteOnly with Truncate,
// Append or Unbuffered), without ever blocking on the open. False with the
// reason in why.
[[nodiscard]] bool OpenForWrite(QFile &file, const QString &name, QIODevice::OpenMode mode, QString &why);

// Whole-file reads and writes. On failure why says "Cannot read NAME - reason"
// or "Cannot write NAME - reason". A read takes at most maxBytes (all when
// negative); a write goes to a temporary file first where the folder allows,
// so a failed write never leaves a cut file behind.
bool ReadFileBytes(const QString &name, QByteArray &data, QString &why, qint64 maxBytes = -1);
bool WriteFileBytes(const QString &name, const QByteArray &data, QString &why);
