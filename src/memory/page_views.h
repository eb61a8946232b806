#pragma once
// Text views of one memory page for the memory dump window, and the handling
// of its Start/End page boxes.
#include "link/memread.h"
#include "memory/disassembler.h"

#include <QString>
#include <QtGlobal>

enum class MemView { Byte = 0, Word = 1, DWord = 2, St20Asm = 3 };

// 16 rows of 16 bytes, joined by CR LF. Each row starts with the 8-digit
// address of its first byte (Hex6(pageNumber), the row digit, "0") and " : ".
// Byte:  16 x (Hex2 + " "), ": ", then the 16 bytes as printable characters.
// Word:  8 little-endian 16-bit values, each followed by " ".
// DWord: 4 little-endian 32-bit values, each followed by " ".
QString ShowBytes(const Page &page, qint32 pageNumber);
QString ShowWords(const Page &page, qint32 pageNumber);
QString ShowDWords(const Page &page, qint32 pageNumber);

// The chosen view of the page; St20Asm runs the disassembler on state.
QString RenderPage(MemView view, const Page &page, qint32 pageNumber, DisasmState &state);

// Text of a Start/End box as the buttons leave it: upper case, and padded on
// the left with "0" to 6 characters ("abc" -> "000ABC"). A longer text is left
// as it is (upper-cased); PageFromBox reads it as page 0, because a page
// number is exactly 6 digits. Characters that are not hex digits count as 0
// ("12G456" reads as page 120456). The box value only ever labels rows and
// forms command addresses, so no text can make a view index outside a page.
QString NormaliseAddressBox(const QString &text);

// Page number of a (normalised) box text, 0..FFFFFF.
qint32 PageFromBox(const QString &text);

// Box text of the page delta pages away, wrapping within 24 bits:
// "--" on 000000 gives FFFFFF, "+" on FFFFFF gives 000000.
QString StepPageBox(const QString &text, int delta);

// Command time-out set by the common start of every button of the memory dump
// window (read, step, save); it stays in effect after the action.
constexpr int kMemDumpCmdTimeoutMs = 750;
