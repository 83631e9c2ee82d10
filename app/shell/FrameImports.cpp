// The main window's previews in external browsers and its imports of
// rich-text and word-processor documents.
#include <QAction>
#include <QCoreApplication>
#include <QFile>
#include <QFileDialog>
#include <QFileIconProvider>
#include <QFileInfo>
#include <QMenu>
#include <QProgressDialog>
#include <QTemporaryDir>
#include <algorithm>

#include "app/core/LanguageModule.h"
#include "app/core/Prompts.h"
#include "app/core/Settings.h"
#include "app/document/Documents.h"
#include "app/document/ImportsPreviews.h"
#include "app/options/uconfig.h"
#include "app/shell/Frame.h"
#include "authoring/WtInsertFragments.h"
#include "platform/Exceptions.h"
#include "platform/ScopeExit.h"

// ------------------------------------------------------------ external previews

void TfMain::PreviewInBrowser(const QString& program) {
  TChildForm* c = ActiveDocument();
  if (!c || c->Caption().isEmpty() || program.isEmpty()) return;
  const Documents::TPreviewPlace place = Documents::PreviewPlace(c->Caption(), ProgramFolder);
  const QString name = ExternalPreviews::FileName(++PreviewCounter);
  const QByteArray bytes = Preview::PageBytes(c->Memo1->Lines());
  Preview::TPreviewFile made;
  QString error;
  if (!Preview::CreateNear(place.folder, name, bytes, made, error)) {
    ShowMessageDlg(LangText(QStringLiteral("PreviewWriteErr")) + u'\n' + error, 2);
    return;
  }
  previewTempMade_ << made;
  PreviewTempFiles << made.path;
  OpenWithProgram(program, made.path);
}

void TfMain::LoadBrowserExecute() {
  const QString program = Settings::Open().ReadString(QStringLiteral("WEB"), QStringLiteral("Path"), QString());
  if (program.isEmpty()) {
    ShowOptions(3, 2);
    return;
  }
  if (!ActiveDocument()) return;
  PreviewInBrowser(program);
}

void TfMain::LoadBrowserList() {
  TBrowserList browsers;
  if (!browsers.Load(TBrowserList::FileName())) return;
  BrowserPop->clear();
  QFileIconProvider icons;
  for (const ExternalPreviews::TBrowserEntry& entry : browsers.Entries()) {
    QAction* item = BrowserPop->addAction(entry.caption);
    item->setData(entry.program);
    if (QFileInfo(entry.program).exists()) item->setIcon(icons.icon(QFileInfo(entry.program)));
    connect(item, &QAction::triggered, this, [this, item] { BrowserItemClick(item); });
  }
}

void TfMain::BrowserItemClick(QAction* item) {
  if (item) PreviewInBrowser(item->data().toString());
}

void TfMain::DeleteTempFiles() {
  for (const Preview::TPreviewFile& file : std::as_const(previewTempMade_)) Preview::Remove(file);
  previewTempMade_.clear();
  PreviewTempFiles.clear();
}

// ------------------------------------------------------------ imports

bool TfMain::ImportDocument(const QString& path, bool word, TChildForm* newDocument) {
  if (!AppServices().Import) return ImportInto(path, word, newDocument);
  AppServices().Import(path, word, newDocument);
  return true;
}

bool TfMain::ImportRtf(const QString& path, TChildForm* newDocument) { return ImportInto(path, false, newDocument); }

bool TfMain::ImportWordDoc(const QString& path, TChildForm* newDocument) { return ImportInto(path, true, newDocument); }

bool TfMain::ImportInto(const QString& path, bool word, TChildForm* newDocument) {
  QCoreApplication::processEvents();
  TChildForm* target = newDocument;
  TChildForm* made = newDocument;  // the window made to take the import
  if (!target) {
    target = ActiveDocument();
    if (target && ShowMessageDlg(LangText(QStringLiteral("ImpIntDoc1")), 1) == 7) target = nullptr;
    if (!target) {
      ToolButton33Click();
      made = target = ActiveDocument();
      if (!target) return false;
    }
  }
  QString failure;  // why nothing was imported; empty when stopped by the user
  bool imported = false;
  try {
    QTemporaryDir temporary;
    QString rtf = path;
    if (word) {
      if (!temporary.isValid()) throw Exception(temporary.errorString());
      // The converter may take a while: shown, and the user may stop it.
      QProgressDialog progress(LangText(QStringLiteral("ImpConverting")), LangText(QStringLiteral("btCancel")), 0, 0,
                               this);
      progress.setObjectName(QStringLiteral("ImportProgress"));
      progress.setWindowModality(Qt::WindowModal);
      progress.setMinimumDuration(500);
      rtf = Imports::WordToRtf(path, temporary.path(), [&progress] {
        progress.setValue(0);
        QCoreApplication::processEvents();
        return !progress.wasCanceled();
      });
    }
    const QStringList html = Imports::RtfToHtml(rtf, target->Memo1->font().family());
    TSrcEdit* e = target->Memo1;
    // Undo gives back the caret and the selection from before.
    e->BeginUndoBlock();
    ScopeExit endBlock([e] { e->EndUndoBlock(); });
    if (made) {
      // The empty body line of the new document's skeleton.
      const int line = std::clamp(13, 1, std::max(1, e->Lines().Count()));
      e->SetCaretXY(TPoint{std::min(e->CaretX(), e->Lines().LineLength(line - 1) + 1), line});
    }
    // In at the caret: a selection there is kept, not replaced.
    e->SetBlockBegin(e->CaretXY());
    e->SetBlockEnd(e->CaretXY());
    const TSrcSelectionMode mode = e->SelectionMode();
    e->SetSelectionMode(smNormal);
    e->SetSelText(InsertFragments::JoinLines(html));
    e->SetSelectionMode(mode);
    imported = true;
  } catch (const Imports::EImportStopped&) {
    // Stopped by the user: nothing to report.
  } catch (const Imports::ENoConverter&) {
    failure = LangText(QStringLiteral("ErrorImpNoConv"));
  } catch (const Imports::EConverterFailed& e) {
    failure = LangText(QStringLiteral("ErrorImpConv"));
    if (!e.Message().isEmpty()) failure += u'\n' + e.Message();
  } catch (const Exception& e) {
    failure = e.Message();
  }
  if (!imported && made) {
    // No empty page is left behind.
    made->CloseApproved = true;
    made->close();
  }
  if (!imported && !failure.isEmpty()) ShowMessageDlg(LangText(QStringLiteral("ErrorImp")) + u'\n' + failure, 0);
  QCoreApplication::processEvents();
  return imported;
}

namespace {
QString ChooseImport(TfMain* main, const char* titleKey, const char* filterKey, const char* pattern,
                     const QString& folder) {
  QFileDialog dialog(main);
  dialog.setWindowTitle(LangText(QLatin1String(titleKey)).remove(QStringLiteral("...")));
  dialog.setObjectName(QStringLiteral("OpenDialog2"));
  dialog.setOption(QFileDialog::DontUseNativeDialog);
  dialog.setFileMode(QFileDialog::ExistingFile);
  dialog.setDirectory(folder);
  dialog.setNameFilter(LangText(QLatin1String(filterKey)) + QStringLiteral(" (") + QLatin1String(pattern) + u')');
  if (Prompts().ExecModal(dialog) != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
  return dialog.selectedFiles().first();
}
}  // namespace

void TfMain::ImportRTFExecute() {
  const QString file = ChooseImport(this, "ImpRTF1", "FltRichText", "*.rtf", FileManagerFolder());
  if (!file.isEmpty()) ImportDocument(file, false, nullptr);
}

void TfMain::ImportWordExecute() {
  const QString file = ChooseImport(this, "ImpDoc1", "FltWordDocs", "*.doc", FileManagerFolder());
  if (!file.isEmpty()) ImportDocument(file, true, nullptr);
}
