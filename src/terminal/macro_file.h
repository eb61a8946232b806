#pragma once
// Macro files: text files of items, each item one command in a short
// notation ("B$", "W$", "D$" memory writes, "C$" any command).
#include "link/channel.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <optional>

// The items of a macro file in file order, read as text fields: an item ends
// at a comma or a line end (CR LF, LF or CR), leading blanks are skipped and
// trailing blanks of an unquoted item dropped; an item starting with a double
// quote runs to the closing quote and may hold commas. A quoted item never
// runs past its line. The bytes are Latin-1 text.
QStringList ReadMacroItems(const QByteArray &content);

// The item in upper case, character for character (positions unchanged).
QString MacroLine(const QString &item);

// The command of an upper-cased item, or nothing for an item that is skipped.
std::optional<QString> MacroCommand(const QString &line);

// True for a reply that ends a macro: a time-out (empty) or a syntax error
// (exactly three characters ending in "E").
bool MacroReplyFailed(const QString &reply);

struct MacroResult {
    bool failed = false;
    QString failedLine;   // the upper-cased item whose command failed
    int commandsSent = 0;
    // "Command error: " + failedLine after a failure, else empty.
    QString message() const;
};

// Sends the command of every item in order with the display on and stops at
// the first failing reply; skipped items send nothing.
MacroResult RunMacro(CommandChannel &link, const QStringList &items);

// "Exec Macro File": the file read, then its macro run. unusable: the file
// could not be read and nothing was sent. message: what the terminal shows
// afterwards ("File not found!", the read failure, the command error, a file
// without a command), empty when every command went well.
struct MacroFileResult {
    bool unusable = false;
    MacroResult run;
    QString message;
};
MacroFileResult RunMacroFile(CommandChannel &link, const QString &name);
