// What the machine can still give the program, for jobs that must refuse
// early instead of running out of memory half-way.
#pragma once

#include <QtGlobal>

namespace Memory {

// Bytes the process can still allocate: the smaller of the system's
// available memory (with free swap) and what the address-space limit
// leaves; -1 when neither is known.
qint64 Available();

// Puts a fixed answer in place of the machine's (tests); -1 restores it.
void SetAvailableForTesting(qint64 bytes);

// "12.3 MB" for a byte count.
QString Megabytes(qint64 bytes);

}  // namespace Memory
