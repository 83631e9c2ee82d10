// The program folder: where settings.ini, the language modules and the other
// data files live. It is the folder of the executable; when that folder
// cannot be written, a per-user folder ($XDG_DATA_HOME/korvex-vantar, by
// default ~/.local/share/korvex-vantar) takes its place, filled once with a
// copy of the data files shipped beside the executable (language modules,
// code library, element file, help, the templates' folder): never the state
// another user left there.
#pragma once

#include <QString>

// The program folder, ending in "/".
QString ProgramFolder();

// Makes ProgramFolder() return `folder` (tests point it at a temporary
// folder); an empty text returns to the normal choice.
void SetProgramFolder(const QString& folder);

// The choice ProgramFolder() makes: `executableFolder` itself when files can
// be created in it, else the per-user folder, which is created and seeded
// from `executableFolder` when it does not exist yet.
QString ChooseProgramFolder(const QString& executableFolder);
