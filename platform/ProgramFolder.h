// The program folder: where settings.ini, the language modules and the other
// data files live. In a build tree it is the folder of the executable; when
// that folder cannot be written, and always for an installed program, a
// per-user folder ($XDG_DATA_HOME/korvex-vantar, by default
// ~/.local/share/korvex-vantar) takes its place, filled once with a copy of
// the data files shipped with the program (language modules, code library,
// element file, help, the templates' folder): never the state another user
// left there.
#pragma once

#include <QString>

// The program folder, ending in "/".
QString ProgramFolder();

// Makes ProgramFolder() return `folder` (tests point it at a temporary
// folder); an empty text returns to the normal choice.
void SetProgramFolder(const QString& folder);

// The folder of the data shipped with the program, ending in "/": the
// executable's folder in a build tree (its data lies beside it), the
// installed data folder (../share/korvex-vantar from the executable's folder)
// in an installation.
QString ShippedDataFolder(const QString& executableFolder);

// The choice ProgramFolder() makes: `executableFolder` itself when it holds
// the shipped data and files can be created in it; else the per-user folder,
// which is created and seeded from the shipped data when it does not exist
// yet. Installed data is read-only: an installed program always takes the
// per-user folder.
QString ChooseProgramFolder(const QString& executableFolder);
