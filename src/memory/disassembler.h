#pragma once
// ST20 disassembler of the memory dump window's "ST20_ASM" view: one line per
// byte of a 256-byte page, decoding the one-byte instruction format (function
// code in the high nibble, data in the low nibble) with the PFIX/NFIX operand
// build-up and the secondary operations of the operate function.
#include "link/memread.h"

#include <QString>
#include <QtGlobal>
#include <functional>
#include <span>

// Operand register carried between calls, owned by the dump window. The "+"
// button sets KeepOreg so that a prefix sequence running over the end of a
// page continues on the next one.
struct DisasmState {
    qint32 Oreg = 0;
    bool KeepOreg = false;
};

// The listing of the page at pageNumber * 256 (modulo 2^32), lines joined by
// CR LF, no CR LF after the last line. Starts from state.Oreg when
// state.KeepOreg is set (and clears it), from 0 otherwise; leaves in
// state.Oreg the prefix value built by a trailing PFIX/NFIX, else 0.
QString Disassemble(const Page &page, qint32 pageNumber, DisasmState &state);

// The same listing for any run of bytes, the first at firstAddress, in one
// call: Disassemble is this on the page at pageNumber * 256.
QString DisassembleBytes(std::span<const quint8> bytes, qint32 firstAddress, DisasmState &state);

// A listing of any length, as the ST20 view shows the pages stepped through
// with "+": the bytes from firstAddress on are cut at the page boundaries
// (addresses that are multiples of 256, wrapping at 2^32) and each piece is
// disassembled in a call of its own, the operand register carried from piece
// to piece, the remembered LDC value not. The first piece starts from an
// empty operand register. piece receives each piece's lines joined by CR LF.
void DisassembleRun(std::span<const quint8> bytes, qint32 firstAddress,
                    const std::function<void(const QString &piece)> &piece);

// Name of the secondary operation selected by operand code through the
// operate function (fn 15); "UNKNOWN" for codes without one.
QString SecondaryName(qint32 code);

// Number of entries in the secondary-operation table.
int SecondaryTableSize();
