#include "app/core/Settings.h"

#include <QDebug>
#include <algorithm>
#include <utility>

#include "platform/ProgramFolder.h"

namespace Settings {

namespace {
TOwnFileReport& TroubleReport() {
  static TOwnFileReport report;
  return report;
}
}  // namespace

QString FileName() { return ProgramFolder() + QStringLiteral("settings.ini"); }

TIniFile Open() { return TIniFile(FileName(), ReportOwnFileTrouble); }

void SetTroubleReport(TOwnFileReport report) { TroubleReport() = std::move(report); }

void ReportOwnFileTrouble(TOwnFileTrouble trouble, const QString& fileName, const Exception* failure) {
  if (const TOwnFileReport& report = TroubleReport()) {
    report(trouble, fileName, failure);
    return;
  }
  qWarning().noquote() << (trouble == TOwnFileTrouble::Unlocked ? QStringLiteral("Written without its folder's lock:")
                                                                : QStringLiteral("Not written:"))
                       << (failure ? failure->Message() : fileName);
}

void NewRun() { TFolderLock::NewRun(); }

QString TranslationModulePath() {
  TIniFile ini = Open();
  // A settings file that is not read leaves the default module.
  if (ini.TooLarge()) return ProgramFolder() + QStringLiteral("Language Modules/english.lms");
  if (!ini.SectionExists(QStringLiteral("TranslationModule")))
    ini.WriteString(QStringLiteral("TranslationModule"), QStringLiteral("Path"),
                    ProgramFolder() + QStringLiteral("Language Modules/english.lms"));
  return ini.ReadString(QStringLiteral("TranslationModule"), QStringLiteral("Path"), QString());
}

QString ElementsPath() {
  TIniFile ini = Open();
  QString path = ini.ReadString(QStringLiteral("Elements"), QStringLiteral("Path"), QString());
  if (path.isEmpty()) {
    path = ProgramFolder() + QStringLiteral("elements/elements.dat");
    ini.WriteString(QStringLiteral("Elements"), QStringLiteral("Path"), path);
  }
  return path;
}

QString DefaultHelpPath() { return ProgramFolder() + QStringLiteral("Help/english.html"); }

QString HelpPath() {
  TIniFile ini = Open();
  QString path = ini.ReadString(QStringLiteral("Help"), QStringLiteral("Path"), QString()).trimmed();
  if (path.isEmpty()) {
    path = DefaultHelpPath();
    ini.WriteString(QStringLiteral("Help"), QStringLiteral("Path"), path);
  }
  return path;
}

TEditorSettings ReadEditorSettings(const TEditorSettings& current) {
  const TIniFile ini = Open();
  TEditorSettings s = current;
  const auto integer = [&ini](const char* section, const char* key, int def) {
    return ini.ReadInteger(QLatin1String(section), QLatin1String(key), def);
  };
  const auto boolean = [&ini](const char* section, const char* key, bool def) {
    return ini.ReadBool(QLatin1String(section), QLatin1String(key), def);
  };
  s.BackgroundColor = integer("EditWindow", "BGCol", current.BackgroundColor);
  s.FontColor = integer("Font", "Color", current.FontColor);
  s.FontName = ini.ReadString(QStringLiteral("Font"), QStringLiteral("Style"), current.FontName);
  const int size = integer("Font", "Size", current.FontSize);
  if (size >= 1 && size <= 200) s.FontSize = size;
  s.FontCharset = integer("Font", "CharSet", current.FontCharset);
  s.GutterVisible = boolean("Gutter", "Vis", current.GutterVisible);
  const int gutter = integer("Gutter", "Width", current.GutterWidth);
  if (gutter >= 0) s.GutterWidth = gutter;
  s.LineNumbers = boolean("LN", "Enabled", current.LineNumbers);
  const int tab = integer("BlockIndent", "Width", current.TabWidth);
  if (tab >= 1) s.TabWidth = tab;
  s.RightEdgeColor = boolean("Margin", "Enabled", true) ? 0xC0C0C0 : 0xFFFFFF;
  s.RightEdge = integer("Margin", "Right", current.RightEdge);
  s.ScrollHint = boolean("Scrollhint", "Enabled", false);
  s.AutoIndent = boolean("Autoindent", "Enabled", false);
  s.TabsToSpaces = boolean("TtoSpaces", "Enabled", false);
  s.SpecialChars = boolean("SpecialChar", "Vis", false);
  s.HighlightByExtension = HighlightByExtension();
  const int mode = integer("SelectionMode", "Set", 0);
  if (mode >= 0 && mode <= 2) s.SelectionMode = mode;
  s.TidyPanel = boolean("HTMLTidy", "Enabled", current.TidyPanel);
  s.TidyPanelSize = integer("HTMLTidy", "Size", current.TidyPanelSize);
  return s;
}

bool HighlightByExtension() { return Open().ReadBool(QStringLiteral("SHigh"), QStringLiteral("Enabled"), true); }

TPreviewBarLayout ReadPreviewBarLayout(const TPreviewBarLayout& current) {
  const TIniFile ini = Open();
  const auto offset = [&ini](const char* section, const char* key, int def) {
    return std::clamp(ini.ReadInteger(QLatin1String(section), QLatin1String(key), def), 0, MaxPreviewOffset);
  };
  return {offset("pvtb", "left", current.BarLeft), offset("pvtb", "top", current.BarTop),
          offset("pvEdit", "left", current.EditLeft), offset("pvEdit", "top", current.EditTop)};
}

void WritePreviewBarLayout(TIniFile& ini, const TPreviewBarLayout& layout) {
  ini.WriteInteger(QStringLiteral("pvEdit"), QStringLiteral("left"), layout.EditLeft);
  ini.WriteInteger(QStringLiteral("pvEdit"), QStringLiteral("top"), layout.EditTop);
  ini.WriteInteger(QStringLiteral("pvtb"), QStringLiteral("left"), layout.BarLeft);
  ini.WriteInteger(QStringLiteral("pvtb"), QStringLiteral("top"), layout.BarTop);
}

TMainWindowLayout ReadMainWindowLayout(const TMainWindowLayout& current) {
  const TIniFile ini = Open();
  TMainWindowLayout l = current;
  l.LastFolder = ini.ReadString(QStringLiteral("Last"), QStringLiteral("Folder"), current.LastFolder);
  l.DirectoryHeight = ini.ReadInteger(QStringLiteral("Directory"), QStringLiteral("Height"), current.DirectoryHeight);
  l.FileManWidth = ini.ReadInteger(QStringLiteral("FileMan"), QStringLiteral("Width"), current.FileManWidth);
  for (size_t i = 0; i < ToolBarSections.size(); ++i) {
    const QString section = QLatin1String(ToolBarSections[i]);
    l.ToolBars[i].Left = ini.ReadInteger(section, QStringLiteral("left"), current.ToolBars[i].Left);
    l.ToolBars[i].Top = ini.ReadInteger(section, QStringLiteral("top"), current.ToolBars[i].Top);
    l.ToolBars[i].Height = ini.ReadInteger(section, QStringLiteral("height"), current.ToolBars[i].Height);
  }
  return l;
}

void WriteMainWindowLayout(const TMainWindowLayout& layout) {
  TIniFile ini = Open();
  for (size_t i = 0; i < ToolBarSections.size(); ++i) {
    const QString section = QLatin1String(ToolBarSections[i]);
    ini.WriteInteger(section, QStringLiteral("left"), layout.ToolBars[i].Left);
    ini.WriteInteger(section, QStringLiteral("top"), layout.ToolBars[i].Top);
    ini.WriteInteger(section, QStringLiteral("height"), layout.ToolBars[i].Height);
  }
  ini.WriteString(QStringLiteral("Last"), QStringLiteral("Folder"), layout.LastFolder);
  ini.WriteInteger(QStringLiteral("Directory"), QStringLiteral("Height"), layout.DirectoryHeight);
  ini.WriteInteger(QStringLiteral("FileMan"), QStringLiteral("Width"), layout.FileManWidth);
}

}  // namespace Settings
