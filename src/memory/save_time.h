#pragma once
// How long a save of memory pages takes on the line, so that a person is
// asked before a save of hours starts.
#include "link/memread.h"

#include <QtGlobal>

// Seconds the commands and replies of pages page reads in mode take on a
// line of bitRate bits per second (ten bits a character): the least the save
// can take. 0 when the bit rate is unknown.
qint64 PageReadWireSeconds(MemReadMode mode, qint64 pages, qint32 bitRate);
