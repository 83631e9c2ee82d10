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

// The process's resident size and the most it has been since the peak was
// last reset (or the process started), in bytes; -1 when the system does
// not tell.
qint64 Resident();
qint64 PeakResident();
// Starts a new peak at the present resident size; false where the system
// cannot.
bool ResetPeakResident();

// "12.3 MB" for a byte count.
QString Megabytes(qint64 bytes);

}  // namespace Memory
