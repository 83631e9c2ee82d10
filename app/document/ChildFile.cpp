// The document window's file handling: loading, saving with its questions,
// following changes on disk, and the question before the window closes.
#include <QCloseEvent>
#include <QFileInfo>
#include <QLabel>

#include "app/core/LanguageModule.h"
#include "app/core/Prompts.h"
#include "app/core/Settings.h"
#include "app/dialogs/LinkCheck.h"
#include "app/document/Child.h"
#include "app/document/DocumentFile.h"
#include "platform/Exceptions.h"
#include "platform/RegularFile.h"
#include "platform/SafeFile.h"

void TChildForm::LoadFile(const QString& fileName) {
  Memo1->Lines().LoadFromFile(fileName);
  Memo1->ClearUndo();
  Memo1->SetModified(false);
  Modified = false;
  Panels[1]->clear();
  TrackFile(fileName);
}

void TChildForm::TrackFile(const QString& fileName) {
  if (!DiskWatch) {
    DiskWatch = new TFileWatch(this);
    DiskWatch->OnChanged = [this] { CheckDiskChange(); };
  }
  DiskWatch->Track(fileName);
  SetDocumentKind(fileName);  // a page saved as a picture is no page any more
}

bool TChildForm::SaveFile() {
  const QString path = Caption();
  // Another program's changes are not overwritten unasked.
  if (DiskWatch && DiskWatch->Path() == path && DiskWatch->Changed() &&
      ShowMessageDlg(DocumentFile::Question(path, QStringLiteral("DiskChangedSave")), 1) != 6)
    return false;
  // A single-byte document that gained characters it cannot hold becomes
  // UTF-8 only when the user says so.
  if (!Memo1->Lines().CanEncode()) {
    if (ShowMessageDlg(DocumentFile::Question(path, QStringLiteral("SaveAsUtf8")), 1) != 6) return false;
    DocumentFile::ConvertToUtf8(Memo1->Lines());
  }
  try {
    Memo1->Lines().SaveToFile(path, DocumentFile::AskSaveInPlace);
  } catch (const ESaveCancelled&) {
    return false;
  }
  TrackFile(path);
  Memo1->SetModified(false);
  Modified = false;
  Panels[1]->clear();
  if (OnModifiedChange) OnModifiedChange(this);
  return true;
}

void TChildForm::CheckDiskChange() {
  static bool asking = false;
  if (asking || Modified || !DiskWatch || DiskWatch->Path() != Caption() || !DiskWatch->TakeNewChange()) return;
  asking = true;
  const bool reload = ShowMessageDlg(DocumentFile::Question(Caption(), QStringLiteral("DiskChangedReload")), 1) == 6;
  asking = false;
  if (!reload) return;
  if (IsNotRegularFile(Caption())) {
    // A pipe or device put in the file's place is named, never read.
    ShowMessageDlg(NotRegularFileText(Caption()), 2);
    return;
  }
  const TPoint caret = Memo1->CaretXY();
  try {
    LoadFile(Caption());
  } catch (const Exception& e) {
    ShowMessageDlg(e.Message(), 2);  // the text stays as it was
    return;
  }
  Memo1->SetCaretXY(caret);
}

bool TChildForm::FormCloseQuery() {
  {
    TIniFile ini = Settings::Open();
    try {
      Settings::WritePreviewBarLayout(ini, previewBar_);
      if (TidyPanel->isVisible()) tidyPanelSize_ = TidyPanel->height();
      if (tidyPanelSize_ > 0) ini.WriteInteger(QStringLiteral("HTMLTidy"), QStringLiteral("Size"), tidyPanelSize_);
    } catch (const Exception&) {
      // The window layout is not worth keeping a document open for.
    }
  }
  LoadTidyConfig();
  DeletePreviewFiles();
  // Asking is the rule unless the user switched it off.
  const bool ask = Settings::Open().ReadBool(QStringLiteral("Ask"), QStringLiteral("ToSave?"), true);
  if (!ask || !Modified) return true;
  const QString question = ComposeText(
      {LangText(QStringLiteral("Sluiten1")), QFileInfo(Caption()).fileName(), LangText(QStringLiteral("Sluiten2"))});
  return ShowMessageDlg(question, 10) == 6;
}

void TChildForm::closeEvent(QCloseEvent* event) {
  if (!CloseApproved && !FormCloseQuery()) {
    event->ignore();
    return;
  }
  LinkPage->Cancel();
  QMdiSubWindow::closeEvent(event);
}
