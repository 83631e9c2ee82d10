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

// Hands the memory the allocator keeps free (in the arenas of every thread)
// back to the system; false where the allocator cannot.
bool GiveBackFreed();

// From now on, blocks of at least `bytes` are taken from the system and
// given back to it each on its own, instead of being kept by the allocator
// for the thread that freed them; false where the allocator cannot.
bool GiveBackBlocksFrom(qint64 bytes);

// "12.3 MB" for a byte count.
QString Megabytes(qint64 bytes);

}  // namespace Memory
