#include "app/shell/Frame.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QHash>
#include <QInputDialog>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenuBar>
#include <QMimeData>
#include <QScreen>
#include <QSet>
#include <QSignalBlocker>
#include <QSplitter>
#include <QStatusBar>
#include <QTabWidget>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>

#include "app/core/LanguageModule.h"
#include "app/core/Launcher.h"
#include "app/core/Prompts.h"
#include "app/core/RecentFiles.h"
#include "app/core/Settings.h"
#include "app/dialogs/FramePictures.h"
#include "app/dialogs/ShellDialogs.h"
#include "app/dialogs/UpdateConsole.h"
#include "app/dialogs/uAbout.h"
#include "app/dialogs/uPrintDlg.h"
#include "app/document/DocumentFile.h"
#include "app/document/Documents.h"
#include "app/document/EmbeddedBrowser.h"
#include "app/look/FlatLook.h"
#include "app/look/Icons.h"
#include "app/options/uconfig.h"
#include "app/shell/OwnFileNotices.h"
#include "app/sidepane/ProjectPages.h"
#include "editor/SrcExportRTF.h"
#include "images/uImageLoad.h"
#include "platform/BrowserView.h"
#include "platform/Exceptions.h"
#include "platform/ProgramFolder.h"
#include "platform/RegularFile.h"
#include "platform/SafeFile.h"
#include "platform/TextCodec.h"

namespace {
// Pictures of the tab strip's tabs: a document and an image browser.
constexpr int kDocumentTabImage = 69;
constexpr int kImageBrowserTabImage = 110;

// Rich-text and word-processor documents, which open as HTML made from them.
bool IsImportedDocument(const QString& path) {
  const QString ext = Documents::ExtractFileExt(path);
  return ext == u".doc" || ext == u".rtf";
}
}  // namespace

TfMain::TfMain(QWidget* parent) : QMainWindow(parent) {
  setObjectName(QStringLiteral("fMain"));
  // The main window says what goes wrong with the program's own files.
  Settings::SetTroubleReport(OwnFileNotices());
  connect(&signals_, &TAppSignals::LanguageChanged, this, &TfMain::ApplyLanguage);
  connect(&signals_, &TAppSignals::CharsetChanged, this, &TfMain::ApplyCharset);
  connect(&signals_, &TAppSignals::BrowserListChanged, this, &TfMain::LoadBrowserList);
  connect(&signals_, &TAppSignals::RecentFilesCleared, this, [this] { RecentFiles2->clear(); });
  connect(&signals_, &TAppSignals::TagLibraryChosen, this, [this](const QString& file) {
    if (TagPage) TagPage->Load(file);  // a damaged file is reported there
  });
  BuildString = QStringLiteral("1.0.0");
  setAcceptDrops(true);
  ProgramFolder = ::ProgramFolder();

  auto* split = new QSplitter(Qt::Horizontal, this);
  Panel1 = new QWidget(split);
  Panel1->setObjectName(QStringLiteral("Panel1"));

  auto* right = new QWidget(split);
  auto* layout = new QVBoxLayout(right);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  PageControl1 = new QTabWidget(right);
  PageControl1->setObjectName(QStringLiteral("PageControl1"));
  for (const char* page : {"Common", "HTML", "Forms"}) {
    auto* bar = new QToolBar(PageControl1);
    PageControl1->addTab(bar, QLatin1String(page));
  }
  PageControl1->setCurrentIndex(0);
  // As tall as its tabs and a bar of whole pictures need (60 pixels at
  // least), however large the font.
  PageControl1->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
  PageControl1->setMinimumHeight(60);
  MDIClient = new QMdiArea(right);
  MDIClient->setObjectName(QStringLiteral("MDIClient"));
  layout->addWidget(PageControl1);
  split->addWidget(Panel1);
  split->addWidget(right);
  split->setStretchFactor(1, 1);
  setCentralWidget(split);
  MDITab1 = new TMDITab(this, MDIClient);
  MDITab1->setShape(QTabBar::RoundedNorth);
  layout->addWidget(MDITab1);
  layout->addWidget(MDIClient, 1);
  Panel1->hide();

  BuildMenusAndBars();
  BuildSidePane();
  connect(MDIClient, &QMdiArea::subWindowActivated, this, [this](QMdiSubWindow*) { UpdateSaveActions(); });
  // The last tab goes only when its window is destroyed.
  connect(MDITab1, &QTabBar::currentChanged, this, [this](int) { UpdateSaveActions(); });
  // The texts come with the language module, when the window is first shown.
  resize(1000, 700);
}

TfMain::~TfMain() {
  Settings::SetTroubleReport({});
  // The windows go after this object's own fields: they must not call back.
  MDIClient->disconnect(this);
  MDITab1->disconnect(this);
  for (TChildForm* c : Documents()) c->OnModifiedChange = nullptr;
}

// ------------------------------------------------------------ show and exit

void TfMain::setVisible(bool visible) {
  if (visible && !shown_) FormShow();
  QMainWindow::setVisible(visible);
}

void TfMain::FormShow() {
  if (shown_) return;
  shown_ = true;
  LoadBrowserList();
  RecentFiles2->clear();
  LoadLanguageModule();
  ApplyLanguage();
  ApplyCharset();
  if (Settings::Open().TooLarge())
    ShowMessageDlg(ComposeText({LangText(QStringLiteral("IniTooLarge")), Settings::FileName()}), 2);
  BuildRecentMenu();
  try {
    const TIniFile ini = Settings::Open();
    options_.DoubleClickOpen =
        ini.ReadBool(QStringLiteral("DoubleClick"), QStringLiteral("Open"), options_.DoubleClickOpen);
    LastFolder = ini.ReadString(QStringLiteral("Last"), QStringLiteral("Folder"), QDir::homePath());
    options_.NoDoubles = ini.ReadBool(QStringLiteral("Files"), QStringLiteral("NoDoubles"), options_.NoDoubles);
    RestoreSidePane(ini);
    Settings::ElementsPath();
    HelpPath = Settings::HelpPath();
  } catch (const Exception& e) {
    ShowMessageDlg(e.Message(), 2);
  }
  StartSidePane();
  LoadToolbarPositions();
  ApplyFlatLook(this, FlatLookSetting());
}

bool TfMain::FormCloseQuery() {
  if (ProjectPage) ProjectPage->Save();  // reports a failure itself
  if (ShowMessageDlg(LangText(QStringLiteral("ExitMsg")), 10) != 6) return false;
  try {
    SaveToolbarPositions();
  } catch (const Exception& e) {
    ShowMessageDlg(e.Message(), 2);
  }
  DeleteTempFiles();
  return true;
}

void TfMain::closeEvent(QCloseEvent* event) {
  // The options screen closes first: it asks about unsaved code-library
  // edits and writes the program paths typed; a refusal ends the exit.
  if (TfConfig* options = TfConfig::Instance(); options && !options->close()) {
    event->ignore();
    return;
  }
  // Every document is asked first; the first that refuses ends the exit.
  const QList<QMdiSubWindow*> windows = MDIClient->subWindowList();
  for (QMdiSubWindow* w : windows) {
    if (auto* c = qobject_cast<TChildForm*>(w); c && !c->FormCloseQuery()) {
      event->ignore();
      return;
    }
  }
  if (!FormCloseQuery()) {
    event->ignore();
    return;
  }
  for (QMdiSubWindow* w : windows) {
    if (auto* c = qobject_cast<TChildForm*>(w)) c->CloseApproved = true;
    w->close();
  }
  event->accept();
}

// ------------------------------------------------------------ documents

TChildForm* TfMain::ActiveDocument() const {
  QMdiSubWindow* w = MDIClient->currentSubWindow();
  if (!w) w = MDITab1->ActiveForm();
  return qobject_cast<TChildForm*>(w);
}

QList<TChildForm*> TfMain::Documents() const {
  QList<TChildForm*> out;
  for (QMdiSubWindow* w : MDIClient->subWindowList())
    if (auto* c = qobject_cast<TChildForm*>(w)) out << c;
  return out;
}

void TfMain::UpdateSaveActions() {
  TChildForm* c = ActiveDocument();
  const bool modified = c && c->Modified;
  actions_.value(QStringLiteral("Save2"))->setEnabled(modified);
  actions_.value(QStringLiteral("ToolButton35"))->setEnabled(modified);
  actions_.value(QStringLiteral("SaveAs1"))->setEnabled(c != nullptr);
  UpdateDocumentCommands();
}

bool TfMain::CheckRegularFile(const QString& path) {
  if (QFileInfo(path).isFile()) return true;
  ShowMessageDlg(ComposeText({LangText(QStringLiteral("NoFileOpen")), path}), 2);
  return false;
}

void TfMain::LoadXhtmlTemplate() { NewDocSkeleton = Documents::XhtmlSkeleton(Documents::Now()); }
void TfMain::LoadHtmlTemplate() { NewDocSkeleton = Documents::HtmlSkeleton(Documents::Now()); }
void TfMain::LoadPhpTemplate() { NewDocSkeleton = Documents::PhpSkeleton(Documents::Now()); }
void TfMain::LoadCssTemplate() { NewDocSkeleton = Documents::CssSkeleton(Documents::Now()); }

TChildForm* TfMain::CreateDocument(bool FromTemplate, bool IsFile, const QString& Kind, const QString& FileName) {
  if (!Documents::IsTextDocument(FileName)) return nullptr;
  QString path = FileName;
  if (IsFile) {
    if (!CheckRegularFile(FileName)) return nullptr;
    path = QFileInfo(FileName).absoluteFilePath();
  }
  const bool imported = IsFile && IsImportedDocument(path);
  const QString name = Documents::NewDocumentName(LangText(QStringLiteral("NewDocName")), ++DocumentCounter);
  auto* child = new TChildForm(this);
  child->setFont(font());
  child->OnModifiedChange = [this](TChildForm*) { UpdateSaveActions(); };
  const QString ext = Documents::ExtractFileExt(path);
  try {
    if (FromTemplate) {
      if (!FileName.isEmpty()) child->LoadFile(FileName);
      child->SetHighlighterForFile(QFileInfo(FileName).completeBaseName() + Kind);
      child->SetDocumentKind(Kind);
      child->SetCaption(name);
    } else if (imported) {
      // The window holds HTML made from the document, so it is named like a
      // new document: a plain save must not write over the source.
      child->SetHighlighterForFile(path);
      child->SetDocumentKind(QStringLiteral(".html"));
      LoadHtmlTemplate();
      child->Memo1->SetLines(NewDocSkeleton);
      child->SetCaption(name);
    } else if (IsFile) {
      child->LoadFile(path);
      child->SetCaption(path);
      child->SetHighlighterForFile(path);
    } else {
      child->SetCaption(name);
      child->Memo1->SetLines(NewDocSkeleton);
      child->SetHighlighterForFile(Kind);
      // A kind without an extension ("HTML" of the new-page button) is a page.
      child->SetDocumentKind(Documents::ExtractFileExt(Kind).isEmpty() ? QStringLiteral(".html") : Kind);
    }
  } catch (const Exception& e) {
    delete child;
    ShowMessageDlg(e.Message(), 2);
    return nullptr;
  }
  MDIClient->addSubWindow(child);
  child->showMaximized();
  if (imported && !ImportDocument(path, ext == u".doc", child)) return nullptr;  // the page is closed again
  if (IsFile) AddRecentFile(path);
  AddTabFor(child, kDocumentTabImage);
  child->Memo1->setFocus();  // a new or opened document is ready for typing
  actions_.value(QStringLiteral("Save2"))->setEnabled(true);
  actions_.value(QStringLiteral("ToolButton35"))->setEnabled(true);
  actions_.value(QStringLiteral("SaveAs1"))->setEnabled(true);
  return child;
}

TChildForm* TfMain::OpenDocument(bool FromTemplate, bool IsFile, const QString& FileName) {
  const QString path = IsFile ? QFileInfo(FileName).absoluteFilePath() : FileName;
  if (options_.NoDoubles && !MDIClient->subWindowList().isEmpty()) {
    TChildForm* match = nullptr;
    for (TChildForm* c : Documents())
      if (c->Caption() == path) match = c;
    if (match) {
      if (match->isMinimized()) match->showNormal();
      MDIClient->setActiveSubWindow(match);
      AddRecentFile(path);
      return match;
    }
  }
  return CreateDocument(FromTemplate, IsFile, QString(), FileName);
}

void TfMain::AddRecentFile(const QString& path) {
  // The list holds one path a line: a name with a line break in it stays out.
  if (path.contains(u'\n') || path.contains(u'\r')) return;
  try {
    RecentFiles::Write(Documents::AddRecentEntry(RecentFiles::Read(), path));
  } catch (const ENotRegularFile& e) {
    ShowMessageDlg(NotRegularFileText(e.FileName()), 2);
  } catch (const Exception& e) {
    ShowMessageDlg(e.Message(), 2);
  }
  RecentFiles2->clear();
  BuildRecentMenu();
}

void TfMain::BuildRecentMenu() {
  RecentFiles2->clear();
  int position = 0;
  for (const QString& path : RecentFiles::Read()) {
    if (!QFileInfo(path).isFile()) continue;
    if (position == Documents::MaxRecentFiles) break;
    QString shown = path;
    shown.replace(u'&', QStringLiteral("&&"));
    QAction* item = RecentFiles2->addAction(QString::number(position + 1) + QStringLiteral("  ") + shown);
    item->setData(path);  // the path itself, never read back from the caption
    connect(item, &QAction::triggered, this, [this, item] { RecentFileClick(item); });
    ++position;
  }
}

void TfMain::RecentFileClick(QAction* sender) { OpenDocument(false, true, sender->data().toString()); }

QString TfMain::StartFolder() const { return QFileInfo(LastFolder).isDir() ? LastFolder : QDir::homePath(); }

namespace {

// File types of the open and save dialogs: the module key of the caption, the
// patterns, and the extensions a document of the type is saved with.
struct TFileType {
  const char* key;
  const char* patterns;
};
constexpr TFileType kFileTypes[] = {
    {"FltWebPages", "*.html *.htm *.xhtml *.shtml *.php *.php3 *.phtml *.inc *.xml *.xsl *.xslt *.dtd *.xsd"},
    {"FltStyleSheets", "*.css"},
    {"FltScripts", "*.js *.vbs *.sql"},
    {"FltAllFiles", "*"},
};

// The extension a document with the highlighter `code` is saved with.
QString ExtensionForHighlighter(const QString& code) {
  static const QHash<QString, QString> extensions = {{"CSS", ".css"}, {"JS", ".js"},   {"PHP", ".php"},
                                                     {"XML", ".xml"}, {"SQL", ".sql"}, {"VBS", ".vbs"}};
  return extensions.value(code, QStringLiteral(".html"));
}

}  // namespace

QStringList TfMain::DocumentFilters() const {
  QStringList filters;
  for (const TFileType& t : kFileTypes)
    filters << LangText(QLatin1String(t.key)) + QStringLiteral(" (") + QLatin1String(t.patterns) + u')';
  return filters;
}

QString TfMain::ProposedSaveName(const QString& name, const QString& highlighter) {
  if (!QFileInfo(name).suffix().isEmpty()) return name;
  return name + ExtensionForHighlighter(highlighter);
}

void TfMain::PrepareSaveDialog(QFileDialog& dialog, const TChildForm& document, bool SaveAs) {
  const QString proposed = ProposedSaveName(document.PanelText(3), document.CheckedHighlighter());
  const QStringList filters = DocumentFilters();
  dialog.setNameFilters(filters);
  const QString pattern = u'*' + Documents::ExtractFileExt(proposed);
  for (int i = 0; i < std::ssize(kFileTypes); ++i) {
    if (QString::fromLatin1(kFileTypes[i].patterns).split(u' ').contains(pattern) || i + 1 == std::ssize(kFileTypes)) {
      dialog.selectNameFilter(filters[i]);
      break;
    }
  }
  // A name typed without an extension gets the document's.
  dialog.setDefaultSuffix(QFileInfo(proposed).suffix());
  dialog.setDirectory(FileManagerFolder());
  // Where the file manager's folder is gone, the next dialog starts where this one saved.
  connect(&dialog, &QFileDialog::fileSelected, this,
          [this](const QString& file) { LastFolder = QFileInfo(file).absolutePath(); });
  const bool saved = QFileInfo(document.PanelText(3)).isFile();
  if (!SaveAs || !saved) dialog.selectFile(proposed);
}

bool TfMain::SaveDocument(bool SaveAs) {
  TChildForm* c = ActiveDocument();
  if (!c) return false;
  if (!SaveAs && QFileInfo(c->PanelText(3)).isFile()) {
    try {
      if (!c->SaveFile()) return false;
    } catch (const Exception& e) {
      ShowMessageDlg(e.Message(), 2);
      return false;
    }
    AddRecentFile(c->Caption());
    UpdateSaveActions();
    return true;
  }
  QFileDialog dialog(this);
  dialog.setObjectName(QStringLiteral("SaveDialog1"));
  dialog.setOption(QFileDialog::DontUseNativeDialog);
  PrepareSaveDialog(dialog, *c, SaveAs);
  const QString name = DocumentFile::ChooseSaveFile(dialog);
  if (name.isEmpty()) return false;
  const QString old = c->Caption();
  c->SetCaption(name);
  try {
    if (!c->SaveFile()) {
      c->SetCaption(old);
      return false;
    }
  } catch (const Exception& e) {
    c->SetCaption(old);
    ShowMessageDlg(e.Message(), 2);
    return false;
  }
  MDITab1->SetTabCaption(MDITab1->IndexOf(c), TMDITab::FileNamePart(name));
  MDITab1->setTabToolTip(MDITab1->IndexOf(c), name);
  AddRecentFile(name);
  UpdateSaveActions();
  return true;
}

void TfMain::SaveAllExecute() {
  QMdiSubWindow* remembered = MDITab1->ActiveForm();
  for (TChildForm* c : Documents()) {
    if (c->isMinimized()) c->showNormal();
    MDIClient->setActiveSubWindow(c);
    SaveDocument(false);
  }
  if (remembered) {
    MDITab1->setCurrentIndex(MDITab1->IndexOf(remembered));
    MDIClient->setActiveSubWindow(remembered);
  }
}

void TfMain::CloseAllExecute() { MDITab1->CloseAll(); }

void TfMain::Documenttortf1Click() {
  TChildForm* c = ActiveDocument();
  if (!c) return;
  TSrcExporterRTF exporter;
  QFileDialog dialog(this);
  dialog.setObjectName(QStringLiteral("SaveDialog2"));
  dialog.setOption(QFileDialog::DontUseNativeDialog);
  dialog.setNameFilter(exporter.DefaultFilter().section(u'|', 0, 0));
  dialog.setDefaultSuffix(QStringLiteral("rtf"));
  dialog.setDirectory(FileManagerFolder());
  dialog.selectFile(QFileInfo(c->Caption()).completeBaseName() + QStringLiteral(".rtf"));
  const QString target = DocumentFile::ChooseSaveFile(dialog);
  if (target.isEmpty()) return;
  // The document is exported as it is shown: its own highlighter (none: plain
  // text) and its editor's font.
  exporter.Font = c->Memo1->Font();
  exporter.SetHighlighter(c->Memo1->Highlighter());
  exporter.ExportAll(c->Memo1->Lines());
  QString error;
  if (!exporter.SaveToFile(target, &error)) {
    // A pipe or device chosen (or a link to one) is named and left alone.
    if (IsNotRegularFile(target)) error = NotRegularFileText(target);
    ShowMessageDlg(ComposeText({LangText(QStringLiteral("ExpError")), error}), 2);
    return;
  }
  ShowMessageDlg(LangText(QStringLiteral("ExpComp")), 0);
}

void TfMain::PrintDocument1Click() {
  TChildForm* c = ActiveDocument();
  if (!c) return;
  TSrcEdit* editor = c->Memo1;
  const bool whole = !editor->SelAvail() || ShowMessageDlg(LangText(QStringLiteral("PrDoc")), 1) == 6;
  TfPrintdoc dialog(this);
  dialog.StartFolder = FileManagerFolder();
  TSrcEditPrint& print = dialog.SrcEditPrint1;
  print.Title = print.DocTitle = QFileInfo(c->Caption()).fileName();
  print.SetFont(editor->Font());
  print.TabWidth = editor->TabWidth();
  QStringList lines;
  for (int i = 0; i < editor->Lines().Count(); ++i) lines << editor->Lines().Get(i);
  print.SetLines(lines);
  // The selection is printed from the whole text, so that its colours and
  // line numbers are those of the document.
  print.SelectedOnly = !whole;
  if (!whole) print.SetSelection(editor->BlockBegin(), editor->BlockEnd(), editor->SelectionMode());
  print.SetHighlighter(editor->Highlighter());
  Prompts().ExecModal(dialog);
}

void TfMain::ActionOpenExecute() {
  QFileDialog dialog(this);
  dialog.setObjectName(QStringLiteral("OpenDialog1"));
  dialog.setOption(QFileDialog::DontUseNativeDialog);
  dialog.setFileMode(QFileDialog::ExistingFiles);
  dialog.setDirectory(FileManagerFolder());
  dialog.setNameFilters(DocumentFilters());
  if (Prompts().ExecModal(dialog) != QDialog::Accepted) return;
  LastFolder = dialog.directory().absolutePath();  // where the file manager's folder is gone
  QStringList images;
  for (const QString& file : dialog.selectedFiles()) {
    if (Documents::IsImageFile(file))
      images << file;
    else
      OpenDocument(false, true, file);
  }
  if (!images.isEmpty()) OpenImages(images);
}

void TfMain::New1Click() {
  if (AppServices().DocumentManager)
    AppServices().DocumentManager(*this);
  else
    ToolButton33Click();
}

void TfMain::ToolButton33Click() {
  LoadHtmlTemplate();
  CreateDocument(false, false, QStringLiteral("HTML"), QString());
}

// ------------------------------------------------------------ hand-over

void TfMain::OpenImages(const QStringList& files, const QString& folder) {
  if (files.isEmpty() && folder.isEmpty()) return;
  QMdiSubWindow* browser =
      AppServices().ImageBrowser ? AppServices().ImageBrowser(files) : OpenImageBrowser(*this, files);
  if (!browser) return;
  if (files.isEmpty()) {  // the folder holds none: the browser says so
    const QString none = NoPicturesLine(folder);
    if (auto* images = qobject_cast<TfImageBrowser*>(browser)) images->StatusBar1->showMessage(none);
    browser->setStatusTip(none);
  }
  MDIClient->addSubWindow(browser);
  browser->showMaximized();
  AddTabFor(browser, kImageBrowserTabImage);
}

TImageList* TfMain::TabImages() {
  if (tabImages_) return tabImages_;
  tabImages_ = new TImageList(16, 16, this);
  for (int i = 0; i <= kImageBrowserTabImage; ++i) {
    const char* name = i == kDocumentTabImage ? "text-html" : i == kImageBrowserTabImage ? "image-x-generic" : nullptr;
    tabImages_->Add(name ? ThemeIcon(QLatin1String(name)).pixmap(16, 16).toImage() : QImage());
  }
  return tabImages_;
}

void TfMain::AddTabFor(QMdiSubWindow* window, int imageIndex) {
  MDITab1->SetImages(TabImages());
  // The window shows the picture of its kind (in its title and, maximised,
  // in the menu bar), never the toolkit's own.
  window->setWindowIcon(QIcon(QPixmap::fromImage(TabImages()->Image(imageIndex))));
  MDITab1->AddChild(window, imageIndex, true);
  // The area may still list a window while it is being destroyed: the
  // commands are brought up to date once it is gone.
  connect(window, &QObject::destroyed, this, [this] {
    QMetaObject::invokeMethod(
        this, [this] { UpdateSaveActions(); }, Qt::QueuedConnection);
  });
}

void TfMain::WMOpenParamFile(const QString& path) {
  if (!QFileInfo(path).exists() && !QFileInfo(path).isSymLink() && !path.endsWith(u'/')) {
    OpenNewFile(path);
    return;
  }
  if (!CheckRegularFile(path)) return;
  const QString ext = Documents::ExtractFileExt(path);
  if (ext == u".doc" || ext == u".rtf") {
    ImportDocument(path, ext == u".doc", nullptr);
  } else if (Documents::IsImageFile(path)) {
    OpenImages({path});
  } else {
    OpenDocument(false, true, path);
  }
}

TChildForm* TfMain::OpenNewFile(const QString& path) {
  const QString name = QFileInfo(path).absoluteFilePath();
  if (!Documents::IsTextDocument(name)) return nullptr;  // refused as an existing file would be
  // An empty document (not the skeleton of the next new one) named `name`.
  const QStringList skeleton = std::exchange(NewDocSkeleton, {});
  TChildForm* c = CreateDocument(false, false, Documents::ExtractFileExt(name), QString());
  NewDocSkeleton = skeleton;
  if (!c) return nullptr;
  c->SetDocumentKind(name);
  c->SetCaption(name);
  MDITab1->SetTabCaption(MDITab1->IndexOf(c), TMDITab::FileNamePart(name));
  MDITab1->setTabToolTip(MDITab1->IndexOf(c), name);
  return c;
}

void TfMain::WMDropFiles(const QStringList& files) {
  QStringList images;
  for (const QString& file : files) {
    if (!CheckRegularFile(file)) continue;
    const QString ext = Documents::ExtractFileExt(file);
    if (ext == u".doc" || ext == u".rtf") {
      ImportDocument(file, ext == u".doc", nullptr);
    } else if (Documents::IsImageFile(file)) {
      images << file;
    } else {
      OpenDocument(false, true, file);
    }
  }
  if (!images.isEmpty()) OpenImages(images);
}

void TfMain::dragEnterEvent(QDragEnterEvent* event) {
  if (event->mimeData()->hasUrls()) event->acceptProposedAction();
}

void TfMain::dropEvent(QDropEvent* event) {
  QStringList files;
  for (const QUrl& url : event->mimeData()->urls())
    if (url.isLocalFile()) files << url.toLocalFile();
  event->acceptProposedAction();
  WMDropFiles(files);
}

// ------------------------------------------------------------ small commands

void TfMain::GotoLine(TChildForm* child) {
  QString text;
  if (!child || !AskLineNumber(this, text)) return;
  int line = 0;
  if (Documents::CheckGotoLine(text, child->Memo1->Lines().Count(), line) != Documents::TGotoCheck::Ok) {
    ShowMessageDlg(
        ComposeText({LangText(QStringLiteral("NoLines")), text.trimmed(), LangText(QStringLiteral("NoLines2"))}), 0);
    return;
  }
  child->HighlightLine = line;
  // A caret move like any without Shift: the selection ends where it goes.
  TSrcEdit* editor = child->Memo1;
  editor->MoveCaretWithSelection(editor->CaretXY(), TPoint{editor->CaretX(), line}, false);
  editor->viewport()->update();
  editor->setFocus();
}

void TfMain::Wordwrap1Click() {
  TChildForm* c = ActiveDocument();
  if (!c) return;
  TSrcEdit* e = c->Memo1;
  const QStringList wrapped = Documents::WrapLines(e->Lines().ToStringList(), e->CharsInWindow());
  if (wrapped == e->Lines().ToStringList()) return;
  // One change that undo takes back whole; the document counts as changed.
  c->ReplaceTextInPlace(wrapped.join(QStringLiteral("\r\n")));
}

void TfMain::FTPExecute() {
  const QString path = Settings::Open().ReadString(QStringLiteral("FTP"), QStringLiteral("Path"), QString());
  if (path.isEmpty()) {  // the options screen names the program
    ShowOptions(3, 0);
    return;
  }
  if (QFileInfo(path).isFile()) {
    if (!Launcher().Start(path, {}))
      ShowMessageDlg(LangText(QStringLiteral("FtpLoadError")) + QStringLiteral("\n\r") + path, 0);
    return;
  }
  ShowMessageDlg(LangText(QStringLiteral("FtpLoadError")) + QStringLiteral("\n\r") + path, 0);
}

void TfMain::OpenHelp() {
  QString path = Settings::HelpPath();
  // A help file named in older settings that is not there gives way to the manual shipped with the program.
  if (!QFileInfo(path).isFile() && QFileInfo(Settings::DefaultHelpPath()).isFile()) path = Settings::DefaultHelpPath();
  if (!QFileInfo(path).isFile()) {
    ShowMessageDlg(ComposeText({LangText(QStringLiteral("NoOpenFile")), path}), 2);
    return;
  }
  OpenInBrowser(path);
}

bool TfMain::OpenInBrowser(const QString& target) {
  const QString browser = Settings::Open().ReadString(QStringLiteral("WEB"), QStringLiteral("Path"), QString());
  const TShownIn shown = ShowInBrowser(target, browser, [this](const QUrl& url) { return OpenOwnBrowser(url); });
  if (shown != TShownIn::Nothing) return true;
  const QString key = QFileInfo::exists(target) ? QStringLiteral("NoOpenFile") : QStringLiteral("NoOpenAddress");
  const QString reason = BrowserModuleError();
  ShowMessageDlg(ComposeText({LangText(key), target}) + (reason.isEmpty() ? QString() : u'\n' + reason), 2);
  return false;
}

QMdiSubWindow* TfMain::OpenOwnBrowser(const QUrl& url) {
  auto* browser = new TEmbeddedBrowser;
  browser->View();
  if (!browser->HasEngine()) {  // no engine: the caller says so
    delete browser;
    return nullptr;
  }
  auto* window = new QMdiSubWindow;
  window->setAttribute(Qt::WA_DeleteOnClose);
  window->setObjectName(QStringLiteral("OwnBrowser"));
  window->setWidget(browser);
  window->setWindowTitle(url.isLocalFile() ? QFileInfo(url.toLocalFile()).fileName() : url.toString());
  browser->Go(url.toString());
  MDIClient->addSubWindow(window);
  window->showMaximized();
  AddTabFor(window, kDocumentTabImage);
  return window;
}

void TfMain::ShowOptions(int page, int innerPage) {
  ++DocumentCounter;
  OpenOptionsScreen(this, page, innerPage);
}

void TfMain::ChooseNewSkeleton(TNewSkeleton skeleton) {
  switch (skeleton) {
    case TNewSkeleton::Empty:
      NewDocSkeleton.clear();
      break;
    case TNewSkeleton::Html:
      LoadHtmlTemplate();
      break;
    case TNewSkeleton::Php:
      LoadPhpTemplate();
      break;
    case TNewSkeleton::Css:
      LoadCssTemplate();
      break;
    case TNewSkeleton::Xhtml:
      LoadXhtmlTemplate();
      break;
  }
}

void TfMain::ReloadCodeInsideLists() {
  for (TChildForm* c : Documents()) c->LoadCodeTemplates();
  ShowMessageDlg(LangText(QStringLiteral("CCUpARLstb")), 0);
}

void TfMain::SendEmail() {
  if (!Launcher().Open(QStringLiteral("mailto:"))) ShowMessageDlg(LangText(QStringLiteral("NoMailProgram")), 2);
}

bool TfMain::OpenWithProgram(const QString& program, const QString& file) {
  if (Launcher().Start(program, {file})) return true;
  ShowMessageDlg(ComposeText({LangText(QStringLiteral("NoProgramStart")), program}), 2);
  return false;
}

void TfMain::previewExecute() {
  TChildForm* c = ActiveDocument();
  if (!c) return;
  c->PageControl1->setCurrentIndex(c->PageControl1->currentIndex() == 0 ? 1 : 0);
}

void TfMain::nopreviewExecute() {
  if (TChildForm* c = ActiveDocument()) c->PageControl1->setCurrentIndex(0);
}
