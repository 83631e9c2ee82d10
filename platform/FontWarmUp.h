// The desktop's font configuration and font cache, read ahead.
//
// The first text the program measures or draws waits for the font library
// to read its configuration files and its cache of the installed fonts
// (some 5 ms here, more on a desktop with many fonts). That needs no
// display, so it is done on a thread of its own while the program connects
// to the display, and the start-up waits for it before its first text.
#pragma once

namespace FontWarmUp {
// Starts the reading, once a run; does nothing when the toolkit's font
// library is not in the process.
void Start();
// Returns once the reading is through (at once when none was started);
// call before the first text is measured or drawn.
void Wait();
}  // namespace FontWarmUp
