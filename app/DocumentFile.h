// The questions a document's save and load put to the user, and what the
// document remembers of its file on disk.
#pragma once

#include "platform/SafeFile.h"

#include <QString>

namespace DocumentFile {

// Asks whether `fileName` may be written in place, saying why a normal save
// cannot keep what the file has (kind 1; true on Yes).
bool AskSaveInPlace(const QString& fileName, TInPlaceReason reason);

// A question about `fileName`: the quoted name on its own line, then the
// module text of `key`.
QString Question(const QString& fileName, const QString& key);

}  // namespace DocumentFile
