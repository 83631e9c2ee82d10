#include "app/dialogs/FramePictures.h"

#include <QAction>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QMdiArea>
#include <QPointer>

#include "app/core/AppHost.h"
#include "app/core/LanguageModule.h"
#include "app/core/Launcher.h"
#include "app/core/Prompts.h"
#include "app/core/Settings.h"
#include "app/dialogs/InsertDialogs.h"
#include "app/document/Child.h"
#include "app/options/uconfig.h"
#include "app/sidepane/FileManagerPane.h"
#include "authoring/uPictureInserts.h"
#include "editor/SrcEdit.h"
#include "images/uImageLoad.h"

QString NoPicturesLine(const QString& folder) {
  return ComposeText({LangText(QStringLiteral("ImgNoPictures")), QDir::toNativeSeparators(folder)});
}

QMdiSubWindow* OpenImageBrowser(IAppHost& host, const QStringList& files) {
  TImageBrowserHooks& hooks = ImageBrowserHooks();
  hooks.LangText = [](const QString& key) { return LangText(key); };
  hooks.GraphicsProgram = [] {
    return Settings::Open().ReadString(QStringLiteral("GFX"), QStringLiteral("Path"), QString()).trimmed();
  };
  hooks.OpenWithProgram = [&host](const QString& program, const QString& file) {
    if (!file.isEmpty()) return host.OpenWithProgram(program, file);
    if (Launcher().Start(program, {})) return true;
    ShowMessageDlg(ComposeText({LangText(QStringLiteral("NoProgramStart")), program}), 2);
    return false;
  };
  hooks.ShowGraphicsOptions = [&host] { host.ShowOptions(3, 1); };
  hooks.ShowError = [](const QString& message) { ShowMessageDlg(message, 2); };
  // A browser that follows the folder tree lists the folder as one opened on it.
  hooks.ListPictures = [](const QString& folder) { return TFileManagerPane::PicturesIn(folder); };
  hooks.NoPicturesText = NoPicturesLine;
  auto* browser = new TfImageBrowser;
  browser->setFont(host.HostWindow()->font());
  browser->AddFiles(files);
  return browser;
}

namespace {

QString PictureFilter() {
  return LangText(QStringLiteral("ADIMPicture")) +
         QStringLiteral(" (*.jpg *.jpeg *.gif *.bmp *.ico *.emf *.wmf *.png)");
}

// An open dialog through the prompts, filtered by `filter`, starting in `folder`.
QString ChooseFile(const char* name, const QString& folder, const QString& filter) {
  QFileDialog dialog;
  dialog.setObjectName(QLatin1String(name));
  dialog.setOption(QFileDialog::DontUseNativeDialog);
  dialog.setFileMode(QFileDialog::ExistingFile);
  if (!folder.isEmpty()) dialog.setDirectory(folder);
  if (!filter.isEmpty()) dialog.setNameFilter(filter);
  if (Prompts().ExecModal(dialog) != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
  return dialog.selectedFiles().constFirst();
}

const TLangFunction& Lang() {
  static const TLangFunction lang = [](const QString& key) { return LangText(key); };
  return lang;
}

}  // namespace

void InsertLink(IAppHost& host) {
  TChildForm* c = InsertTarget(host);
  if (!c) return;
  TfUrl dialog(Lang());
  dialog.setFont(host.HostWindow()->font());
  Prompts().ExecModal(dialog);
  if (dialog.Ok) c->Memo1->InsertFragment(dialog.Fragment());
}

namespace {

// The document window the picture goes into: the active one or, with an
// image browser in front, the document window used last.
TChildForm* PictureTarget(IAppHost& host) {
  if (TChildForm* c = host.ActiveDocument()) return c;
  const QList<QMdiSubWindow*> used = host.DocumentArea()->subWindowList(QMdiArea::ActivationHistoryOrder);
  for (auto it = used.rbegin(); it != used.rend(); ++it)
    if (auto* c = qobject_cast<TChildForm*>(*it)) return c;
  return nullptr;
}

}  // namespace

void InsertImage(IAppHost& host, const QString& fileName) {
  if (host.DocumentArea()->subWindowList().isEmpty()) return;
  QPointer<TChildForm> target = PictureTarget(host);
  if (!target) {
    // Only image browsers are open: say so before a picture is chosen.
    ShowMessageDlg(LangText(QStringLiteral("NoDocOpen")), 0);
    return;
  }
  if (target->Memo1->ReadOnly()) return;  // while Tidy works on it
  TfImage dialog(Lang());
  dialog.setFont(host.HostWindow()->font());
  dialog.StartFolder = host.LastUsedFolder();
  dialog.DocumentFolder = PageFolder(*target);
  dialog.ShowError = [](const QString& message) { ShowMessageDlg(message, 2); };
  dialog.Browse = [](const QString& folder) { return ChooseFile("OpenDialog1", folder, PictureFilter()); };
  if (!fileName.isEmpty()) dialog.TryLoad(fileName);
  Prompts().ExecModal(dialog);
  if (!dialog.Ok || !target) return;
  // The picture is seen where it went in.
  if (host.DocumentArea()->activeSubWindow() != target) host.DocumentArea()->setActiveSubWindow(target);
  target->Memo1->InsertFragment(dialog.Fragment());
}

void InsertFlashMovie(TChildForm& child) {
  if (child.Memo1->ReadOnly()) return;  // while Tidy works on it
  TfFlash dialog(Lang());
  dialog.setFont(child.font());
  dialog.Browse = [] { return ChooseFile("OpenDialog1", QString(), QString()); };
  if (Prompts().ExecModal(dialog) != QDialog::Accepted) return;
  child.Memo1->InsertFragment(PictureInserts::JoinLines(dialog.Lines()));
}
