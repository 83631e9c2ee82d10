// What the user is told of troubles with the program's own files (settings,
// recent files and the other lists the program keeps), which the settings
// store reports (Settings::SetTroubleReport).
#pragma once

#include "platform/OwnFile.h"

// The first trouble of each kind that the returned report is given, and only
// that: a failed write as an error naming the file and the reason, and that
// the program goes on with what it holds; a write that went ahead without
// its folder's lock as a notice naming the folder. Each report made counts
// afresh (one for each run of the program).
TOwnFileReport OwnFileNotices();
