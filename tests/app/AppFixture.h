// A program folder of its own for each test, a language module whose texts
// equal their keys (so that questions are answered by key) and scripted
// answers for every question, dialog and program start.
#pragma once

#include <gtest/gtest.h>

#include <QDir>
#include <QFileDialog>
#include <QTemporaryDir>
#include <memory>
#include <ostream>

#include "app/core/LanguageModule.h"
#include "app/core/Launcher.h"
#include "app/core/Prompts.h"
#include "app/core/Settings.h"
#include "app/shell/Frame.h"
#include "highlighters/SrcHighlighters.h"
#include "platform/BrowserView.h"
#include "platform/ProgramFolder.h"
#include "tests/common/TestUtil.h"

// Readable texts in failure messages.
inline void PrintTo(const QString& s, std::ostream* os) { *os << '"' << s.toStdString() << '"'; }
inline void PrintTo(const QStringList& l, std::ostream* os) {
  *os << "{\n";
  for (const QString& s : l) *os << "  \"" << s.toStdString() << "\"\n";
  *os << "}";
}

inline const QStringList& ModuleKeys() {
  static const QStringList keys = {"DefCharSet",
                                   "btOk",
                                   "btCancel",
                                   "ExitMsg",
                                   "OutOfMemory",
                                   "Sluiten1",
                                   "Sluiten2",
                                   "NoLines",
                                   "NoLines2",
                                   "GLineTo",
                                   "GiveLineNO",
                                   "CCUpARLstb",
                                   "IniTooLarge",
                                   "DocStatusNow",
                                   "DocStateI",
                                   "DocStateO",
                                   "FtpLoadError",
                                   "LowerCase",
                                   "NoOpenFile",
                                   "FltWebPages",
                                   "FltStyleSheets",
                                   "FltScripts",
                                   "FltAllFiles",
                                   "JavaCloseWindow",
                                   "DoBrowser",
                                   "DoPreview",
                                   "DoRefresh",
                                   "DoStop",
                                   "DoBack",
                                   "DoPrevious",
                                   "PreviewWriteErr",
                                   "ImpIntDoc1",
                                   "ErrorImp",
                                   "ErrorImpNoConv",
                                   "ErrorImpConv",
                                   "STextNotFound",
                                   "ZeroHttp",
                                   "ZeroImg",
                                   "rmdOk",
                                   "rmdError",
                                   "LinkCheckDone",
                                   "InformMsg1Lib",
                                   "HT_Warning",
                                   "HTAccess",
                                   "ErrorMsg1Lib",
                                   "HtBadDoc",
                                   "HtFatal",
                                   "HTMLTidyCannotFix",
                                   "SAskRep1",
                                   "SearchLineBreak",
                                   "fmHeading",
                                   "RowError",
                                   "ColError",
                                   "TblWidth",
                                   "BdWidth",
                                   "ListType",
                                   "UpdOn1",
                                   "FCheck",
                                   "FRadio",
                                   "FButton",
                                   "FEdit",
                                   "FPwBox",
                                   "FTA",
                                   "FImage",
                                   "FHText",
                                   "FExample",
                                   "DelFile1",
                                   "DelFile2",
                                   "PMLoadErr",
                                   "PMKeptAs",
                                   "PMSaveErr",
                                   "PMBadFolder",
                                   "ElementsLE",
                                   "DocCap",
                                   "DocCapTab1",
                                   "DocCapTab2",
                                   "DocCapCHK",
                                   "FileExists2",
                                   "SaveReplace",
                                   "TplNameBad",
                                   "ONummie",
                                   "ChildEDTBSH"};
  return keys;
}

// A browser view that only remembers where it was sent.
class TRecordingView : public IBrowserView {
 public:
  explicit TRecordingView(QWidget* parent) : widget_(new QWidget(parent)) {}
  QWidget* Widget() override { return widget_; }
  void Navigate(const QUrl& url) override { url_ = url; }
  QUrl Url() const override { return url_; }
  QString Title() const override { return QString(); }
  void Apply(const TBrowserViewSettings&) override {}

 private:
  QWidget* widget_;
  QUrl url_;
};

class AppFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    SetBrowserViewFactory([](QWidget* parent, TBrowserViewHost) { return std::make_unique<TRecordingView>(parent); });
    RegisterBuiltinHighlighters();
    root = dir.path() + u'/';
    SetProgramFolder(root);
    Settings::NewRun();
    QDir(root).mkpath(QStringLiteral("Language Modules"));
    QByteArray module;
    for (const QString& key : ModuleKeys()) {
      const QByteArray k = key.toLatin1();
      module += k.leftJustified(20, ' ') + (key == u"DefCharSet" ? QByteArray("DEFAULT_CHARSET") : k) + "\r\n";
    }
    WriteFileBytes(root + QStringLiteral("Language Modules/test.lms"), module);
    WriteFileBytes(root + QStringLiteral("Language Modules/english.lms"), module);
    Ini().WriteString(QStringLiteral("TranslationModule"), QStringLiteral("Path"),
                      root + QStringLiteral("Language Modules/test.lms"));
    LoadLanguageModule();
  }
  void TearDown() override {
    main.reset();
    AppServices() = TAppServices();
    SetBrowserViewFactory({});
    SetProgramFolder(QString());
  }

  TIniFile Ini() { return Settings::Open(); }
  // A file in a folder of the test; returns its path.
  QString MakeFile(const QString& name, const QByteArray& bytes = "<html></html>\r\n") {
    const QString path = root + QStringLiteral("docs/") + name;
    QDir().mkpath(QFileInfo(path).absolutePath());
    WriteFileBytes(path, bytes);
    return path;
  }
  TfMain& Main() {
    if (!main) {
      main = std::make_unique<TfMain>();
      main->show();
    }
    return *main;
  }
  // Answers the next save or open dialog with `files`.
  void AnswerFileDialog(const QString& name, const QStringList& files) {
    prompts.AnswerDialog(name, [files](QDialog& d) {
      auto& fd = static_cast<QFileDialog&>(d);
      if (files.size() == 1) {
        fd.selectFile(files.first());
      } else {
        QStringList quoted;
        for (const QString& f : files) quoted << u'"' + QFileInfo(f).fileName() + u'"';
        fd.setDirectory(QFileInfo(files.first()).absolutePath());
        fd.selectFile(quoted.join(u' '));
      }
      return int(QDialog::Accepted);
    });
  }

  QTemporaryDir dir;
  QString root;
  TScriptedPrompts prompts;
  TPromptsScope promptsScope{prompts};
  TRecordingLauncher launcher;
  TLauncherScope launcherScope{launcher};
  std::unique_ptr<TfMain> main;
};
