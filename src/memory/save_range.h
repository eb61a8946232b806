#pragma once
// "MEM --> File": saving a range of decoder memory pages to a binary file,
// the memory from start * 256 upward in address order, without header.
#include "link/channel.h"
#include "link/memread.h"
#include "link/operation.h"
#include "link/options.h"

#include <QIODevice>
#include <QString>
#include <QtGlobal>
#include <functional>

class Prompter;

enum class SaveOutcome {
    Done,           // every page read and written
    AddressError,   // end page not above start page; nothing read or written
    Declined,       // mayWrite refused the file; nothing read or written
    CannotCreate,   // the file could not be opened for writing; nothing read
    UserBreak,      // stop requested; pages written so far stay in the file
    ReadError,      // a page failed 9 reads; pages before it stay in the file
    WriteError,     // a page could not be written; earlier pages stay in the file
};

// Status texts shown in the window's status line.
inline const QString kAddressErrorText = QStringLiteral("Address error !");
inline const QString kCannotCreatePrefix = QStringLiteral("Cannot create ");
inline const QString kUserBreakSuffix = QStringLiteral(" - User Break.");
inline const QString kReadErrorSuffix = QStringLiteral(" - Read Error !!!");
inline const QString kWriteErrorSuffix = QStringLiteral(" - Write Error !!!");

// True when the range spans at least two pages (end - start >= 1); a range
// of one page is refused too.
bool SaveRangeValid(qint32 startPage, qint32 endPage);

// Reads pages startPage..endPage (0..FFFFFF) into pageBuf one by one and
// writes each complete page to out, which must be open for writing. Tests
// hooks.stopRequested before each page. Status: "Reading " + Hex6(page) +
// "XX" per page, then " - User Break.", " - Read Error !!!" or
// " - Write Error !!!" with outName (when given) and the system's reason
// appended to it; nothing on success (the caller shows "Done."). A page
// whose reads all failed is never written.
// With a check, every page is read until two readings agree
// (MemReadChecked); none agreeing is a read error with " (no two of 9
// readings agree)" after it.
SaveOutcome SavePages(CommandChannel &link, MemReadMode mode, qint32 startPage, qint32 endPage, QIODevice &out,
                      Page &pageBuf, const OperationHooks &hooks, const QString &outName = {},
                      ReadCheck *check = nullptr);

// The window's question before a save, its mayWrite: true when the save may
// go on, because the user agreed to overwrite the file (which is then gone)
// or there was nothing to agree to. A name that cannot be written is let
// through, so that the save reports it ("Cannot create ...").
bool MaySaveTo(Prompter &prompter, const QString &fileName);

// The whole "MEM --> File" action after the window's common start (which
// sets the 750 ms command time-out, kMemDumpCmdTimeoutMs in
// memory/page_views.h): refuses a bad range with "Address error !", asks
// mayWrite(fileName) (the window's overwrite question; an empty function
// means yes), creates or truncates the file ("Cannot create " + name + " - "
// + the system's reason when it cannot), shows "Saving to " + name, runs SavePages and closes the file with
// "Done." only when every page was read and written.
SaveOutcome SaveRange(CommandChannel &link, MemReadMode mode, qint32 startPage, qint32 endPage, const QString &fileName,
                      Page &pageBuf, const OperationHooks &hooks,
                      const std::function<bool(const QString &)> &mayWrite = {}, ReadCheck *check = nullptr);
