// settings.ini: its place, the keys that are written back with a default on
// first use, and the groups of keys read together. Every function goes
// through the process's one in-memory copy of the file (TIniFile), which is
// read once and again only when the file changed on disk; writes go to the
// file at once.
#pragma once

#include <QString>
#include <array>

#include "editor/SrcEditColors.h"
#include "platform/Colors.h"
#include "platform/IniFile.h"

namespace Settings {

// ProgramFolder() + "settings.ini".
QString FileName();
// The file, with its failures told through ReportOwnFileTrouble: a write
// that fails raises nothing, and the program goes on with what it holds.
TIniFile Open();

// Where the troubles with the program's own files go (a failed write, a
// write that went ahead without the folder's lock): the application sets
// what tells the user; with none set they go to the log. The store itself
// says nothing to the user.
void SetTroubleReport(TOwnFileReport report);
// Hands a trouble with one of the program's own files to that report.
void ReportOwnFileTrouble(TOwnFileTrouble trouble, const QString& fileName, const Exception* failure);
// A held lock is waited on again, as in a new run of the program (for tests).
void NewRun();

// Path of the language module (TranslationModule / Path). When the whole
// section is missing, "Language Modules/english.lms" in the program folder
// is written first; an empty key is returned as it is (first run). A file
// too large to be read gives that default module.
QString TranslationModulePath();
// Tag-library file (Elements / Path); when missing or empty,
// "elements/elements.dat" in the program folder is written and returned.
QString ElementsPath();
// Help file (Help / Path); when empty after trimming, DefaultHelpPath() is
// written and returned.
QString HelpPath();
// The manual shipped with the program: "Help/english.html" in the program folder.
QString DefaultHelpPath();

// The editor options a document window takes when it is created. A missing
// key keeps the value passed in ("current"), except where a key has a fixed
// default of its own; values out of range keep the current value too.
struct TEditorSettings {
  TColor BackgroundColor = kSrcEditDefaultColor;     // EditWindow / BGCol
  TColor FontColor = kSrcEditDefaultFontColor;       // Font / Color
  QString FontName = QStringLiteral("Courier New");  // Font / Style
  int FontSize = 10;                                 // Font / Size, 1 to 200
  int FontCharset = 1;                               // Font / CharSet
  bool GutterVisible = true;                         // Gutter / Vis
  int GutterWidth = 15;                              // Gutter / Width, not negative
  bool LineNumbers = true;                           // LN / Enabled
  int TabWidth = 1;                                  // BlockIndent / Width, at least 1
  TColor RightEdgeColor = 0xC0C0C0;                  // Margin / Enabled: grey when on, white when off
  int RightEdge = 80;                                // Margin / Right
  bool ScrollHint = false;                           // Scrollhint / Enabled
  bool AutoIndent = false;                           // Autoindent / Enabled
  bool TabsToSpaces = false;                         // TtoSpaces / Enabled
  bool SpecialChars = false;                         // SpecialChar / Vis
  bool HighlightByExtension = true;                  // SHigh / Enabled
  int SelectionMode = 0;                             // SelectionMode / Set: 0 normal, 1 line, 2 column
  bool TidyPanel = false;                            // HTMLTidy / Enabled
  int TidyPanelSize = 0;                             // HTMLTidy / Size
};
TEditorSettings ReadEditorSettings(const TEditorSettings& current);

// SHigh / Enabled: choose the highlighter from the file extension. A missing
// key counts as on, as the options screen shows it.
bool HighlightByExtension();

// Where the preview tool bar sits in its page (pvtb) and the address box on
// the bar (pvEdit): left and top, read with `current` as default and kept
// within 0 to MaxPreviewOffset pixels.
inline constexpr int MaxPreviewOffset = 200;
struct TPreviewBarLayout {
  int BarLeft = 0, BarTop = 0;
  int EditLeft = 0, EditTop = 0;
};
TPreviewBarLayout ReadPreviewBarLayout(const TPreviewBarLayout& current);
void WritePreviewBarLayout(TIniFile& ini, const TPreviewBarLayout& layout);

// Window state written when the main window closes and read when it shows.
struct TToolBarPlacement {
  int Left = 0;
  int Top = 0;
  int Height = 0;
};
inline constexpr std::array<const char*, 5> ToolBarSections = {"tb1", "tb5", "tb6", "tb7", "tb8"};
struct TMainWindowLayout {
  QString LastFolder;                         // Last / Folder
  int DirectoryHeight = 0;                    // Directory / Height
  int FileManWidth = 0;                       // FileMan / Width
  std::array<TToolBarPlacement, 5> ToolBars;  // tb1, tb5, tb6, tb7, tb8: left, top, height
};
TMainWindowLayout ReadMainWindowLayout(const TMainWindowLayout& current);
void WriteMainWindowLayout(const TMainWindowLayout& layout);

}  // namespace Settings
