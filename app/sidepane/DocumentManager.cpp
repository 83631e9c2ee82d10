#include "app/sidepane/DocumentManager.h"

#include <QAction>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QStatusBar>
#include <QTabWidget>
#include <QToolButton>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <functional>

#include "app/core/AppHost.h"
#include "app/core/LanguageModule.h"
#include "app/core/Prompts.h"
#include "app/core/Settings.h"
#include "app/look/Icons.h"
#include "app/sidepane/TemplateEditor.h"
#include "files/FrListView.h"
#include "platform/Exceptions.h"
#include "platform/OwnFile.h"
#include "platform/ProgramFolder.h"
#include "platform/RegularFile.h"
#include "platform/TextCodec.h"

namespace UserTemplates {

QString Folder() { return ProgramFolder() + QStringLiteral("MyDocuments/"); }
QString IndexFile() { return Folder() + QStringLiteral("index.dat"); }
QString PathOf(const QString& name) { return Folder() + name + QStringLiteral(".mds"); }

TEntry Split(const QString& line) {
  const qsizetype at = line.lastIndexOf(u'$');
  if (at < 0) return {};
  return {line.left(at).trimmed(), line.mid(at + 1).trimmed()};
}

QString Join(const QString& path, const QString& kind) { return path + u'$' + kind; }

QString DisplayName(const QString& line) { return QFileInfo(Split(line).path).completeBaseName(); }

bool IsTemplateName(const QString& name) {
  if (name.trimmed().isEmpty() || name == QLatin1String(".") || name == QLatin1String("..")) return false;
  return std::none_of(name.begin(), name.end(),
                      [](QChar c) { return c == u'/' || c == u'\\' || c.unicode() < 32 || c.unicode() == 127; });
}

QStringList ReadIndex() {
  // A FIFO or device in the file's place is not waited on: no templates. A
  // list that waits for the folder's lock is what the file will hold.
  QByteArray bytes;
  if (const std::optional<QByteArray> kept = SafeFile::PendingOwn(IndexFile()))
    bytes = *kept;
  else if (ReadRegularFile(IndexFile(), bytes) != TRegularOpen::Opened)
    return {};
  QStringList lines = TextCodec::decodeFileLines(bytes);
  lines.removeIf([](const QString& l) { return l.trimmed().isEmpty(); });
  return lines;
}

void WriteIndex(const QStringList& lines) {
  QByteArray bytes;
  for (const QString& line : lines) bytes += line.toUtf8() + "\r\n";
  SafeFile::WriteOwn(IndexFile(), bytes);
}

}  // namespace UserTemplates

namespace {

using namespace UserTemplates;

// A one-column framed list view of templates with their icons.
TFrListView* TemplateList(QWidget* parent, const char* name) {
  auto* list = new TFrListView(parent);
  list->setObjectName(QLatin1String(name));
  list->setHeaderHidden(true);
  list->setColumnCount(1);
  list->setRootIsDecorated(false);
  list->setIconSize(QSize(32, 32));
  list->setSelectionMode(QAbstractItemView::SingleSelection);
  return list;
}

void AddItem(TFrListView* list, const QString& caption) {
  auto* item = new QTreeWidgetItem(list, QStringList(caption));
  item->setIcon(0, ThemeIcon(QStringLiteral("text-html")));
}

void WriteTemplate(const QString& path, const QStringList& lines) {
  QByteArray bytes;
  for (const QString& line : lines) bytes += line.toUtf8() + "\r\n";
  SafeFile::WriteOwn(path, bytes);
}

// The position of the first index line naming the file `path`.
qsizetype IndexOfPath(const QStringList& index, const QString& path) {
  for (qsizetype i = 0; i < index.size(); ++i)
    if (!path.isEmpty() && Split(index[i]).path == path) return i;
  return -1;
}

// The position of `line` itself, else of the first line naming the same file.
qsizetype FindLine(const QStringList& index, const QString& line) {
  const qsizetype at = index.indexOf(line);
  return at >= 0 ? at : IndexOfPath(index, Split(line).path);
}

}  // namespace

TfDocumentManager::TfDocumentManager(IAppHost* host) : QDialog(host ? host->HostWindow() : nullptr), host_(host) {
  setObjectName(QStringLiteral("fDocumentManager"));
  resize(520, 380);
  auto* layout = new QVBoxLayout(this);
  PageControl1 = new QTabWidget(this);
  FrListView1 = TemplateList(PageControl1, "FrListView1");
  PageControl1->addTab(FrListView1, QString());
  auto* userPage = new QWidget(PageControl1);
  auto* userLayout = new QHBoxLayout(userPage);
  userLayout->setContentsMargins(0, 0, 0, 0);
  FrListView2 = TemplateList(userPage, "FrListView2");
  userLayout->addWidget(FrListView2, 1);
  auto* buttons = new QVBoxLayout;
  const auto button = [&](const char* name, const char* icon) {
    auto* b = new QToolButton(userPage);
    b->setObjectName(QLatin1String(name));
    b->setIcon(ThemeIcon(QLatin1String(icon)));
    b->setAutoRaise(true);
    buttons->addWidget(b);
    return b;
  };
  SpeedButton1 = button("SpeedButton1", "document-new");
  SpeedButton2 = button("SpeedButton2", "document-edit");
  SpeedButton3 = button("SpeedButton3", "edit-delete");
  buttons->addStretch();
  userLayout->addLayout(buttons);
  PageControl1->addTab(userPage, QString());
  layout->addWidget(PageControl1, 1);
  CheckBox1 = new QCheckBox(QStringLiteral("Do not show on startup"), this);
  CheckBox1->setObjectName(QStringLiteral("CheckBox1"));
  layout->addWidget(CheckBox1);
  StatusBar1 = new QStatusBar(this);
  StatusBar1->setSizeGripEnabled(false);
  layout->addWidget(StatusBar1);

  // The standard documents: the empty one has no caption.
  for (const char* caption : {"", "HTML", "PHP", "CSS", "XHTML"}) AddItem(FrListView1, QLatin1String(caption));

  connect(FrListView1, &QTreeWidget::itemDoubleClicked, this,
          [this](QTreeWidgetItem* item) { OpenStandard(FrListView1->indexOfTopLevelItem(item)); });
  connect(FrListView2, &QTreeWidget::itemDoubleClicked, this,
          [this](QTreeWidgetItem* item) { OpenUserTemplate(FrListView2->indexOfTopLevelItem(item)); });
  connect(FrListView2, &QTreeWidget::currentItemChanged, this, [this](QTreeWidgetItem* item) {
    const int row = FrListView2->indexOfTopLevelItem(item);
    StatusBar1->showMessage(row >= 0 && row < paths_.size() ? Split(paths_[row]).path : QString());
  });
  connect(SpeedButton1, &QToolButton::clicked, this, [this] { NewTemplate(); });
  connect(SpeedButton2, &QToolButton::clicked, this, [this] { EditTemplate(); });
  connect(SpeedButton3, &QToolButton::clicked, this, [this] { DeleteTemplate(); });
  connect(CheckBox1, &QCheckBox::clicked, this, [this] { CheckBox1Click(); });
  auto* del = new QAction(FrListView2);
  del->setShortcut(QKeySequence::Delete);
  del->setShortcutContext(Qt::WidgetShortcut);
  connect(del, &QAction::triggered, SpeedButton3, &QToolButton::click);
  FrListView2->addAction(del);
  // Enter opens the selected item as a double click does.
  const auto enterOpens = [this](TFrListView* list, std::function<void(int)> open) {
    auto* enter = new QAction(list);
    enter->setShortcuts({QKeySequence(Qt::Key_Return), QKeySequence(Qt::Key_Enter)});
    enter->setShortcutContext(Qt::WidgetShortcut);
    connect(enter, &QAction::triggered, this, [list, open] {
      if (QTreeWidgetItem* item = list->currentItem(); item && item->isSelected())
        open(list->indexOfTopLevelItem(item));
    });
    list->addAction(enter);
  };
  enterOpens(FrListView1, [this](int row) { OpenStandard(row); });
  enterOpens(FrListView2, [this](int row) { OpenUserTemplate(row); });

  setWindowTitle(LangText(QStringLiteral("DocCap")));
  PageControl1->setTabText(0, LangText(QStringLiteral("DocCapTab1")));
  PageControl1->setTabText(1, LangText(QStringLiteral("DocCapTab2")));
  CheckBox1->setText(LangText(QStringLiteral("DocCapCHK")));
  SpeedButton1->setToolTip(LangText(QStringLiteral("DocCapNewDoc")));
  SpeedButton2->setToolTip(LangText(QStringLiteral("DocCapEditDoc")));
  SpeedButton3->setToolTip(LangText(QStringLiteral("DocCapDeleteDoc")));
  CheckBox1->setChecked(
      Settings::Open().ReadBool(QStringLiteral("Show"), QStringLiteral("DocMan?"), CheckBox1->isChecked()));
  LoadUserTemplates();
}

void TfDocumentManager::LoadUserTemplates() {
  FrListView2->clear();
  paths_ = ReadIndex();
  for (const QString& line : std::as_const(paths_)) AddItem(FrListView2, DisplayName(line));
}

void TfDocumentManager::CheckBox1Click() {
  try {
    Settings::Open().WriteBool(QStringLiteral("Show"), QStringLiteral("DocMan?"), CheckBox1->isChecked());
  } catch (const Exception& e) {
    ShowMessageDlg(e.Message(), 2);
  }
}

void TfDocumentManager::OpenStandard(int index) {
  if (!host_ || index < 0 || index > 4) return;
  static const char* const kinds[] = {".html", ".html", ".php", ".css", ".xhtml"};
  static const TNewSkeleton skeletons[] = {TNewSkeleton::Empty, TNewSkeleton::Html, TNewSkeleton::Php,
                                           TNewSkeleton::Css, TNewSkeleton::Xhtml};
  host_->ChooseNewSkeleton(skeletons[index]);
  host_->CreateDocument(false, false, QLatin1String(kinds[index]), QString());
}

void TfDocumentManager::OpenUserTemplate(int row) {
  if (!host_ || row < 0 || row >= paths_.size()) return;
  const TEntry entry = Split(paths_[row]);
  if (entry.path.isEmpty()) return;  // a line without a template
  host_->CreateDocument(true, false, entry.kind, entry.path);
}

void TfDocumentManager::NewTemplate() {
  TfMyDocumentsCreator editor(Folder(), this);
  Prompts().ExecModal(editor);
  if (!editor.Ok) return;
  const QString path = PathOf(editor.Edit1->text());
  try {
    QDir().mkpath(Folder());
    WriteTemplate(path, editor.Memo1->Lines().ToStringList());
    QStringList index = ReadIndex();
    // A template written over keeps its line (and its kind).
    if (IndexOfPath(index, path) < 0) {
      index << Join(path, editor.TemplateExt);
      WriteIndex(index);
    }
  } catch (const Exception& e) {
    ShowMessageDlg(e.Message(), 2);
  }
  LoadUserTemplates();
  FrListView2->setCurrentItem(FrListView2->topLevelItem(int(IndexOfPath(paths_, path))));
}

void TfDocumentManager::EditTemplate() {
  const int row = FrListView2->indexOfTopLevelItem(FrListView2->currentItem());
  if (row < 0 || row >= paths_.size()) return;
  const QString line = paths_[row];
  const TEntry entry = Split(line);
  if (entry.path.isEmpty()) return;
  TfMyDocumentsCreator editor(Folder(), this);
  editor.EditMode = true;
  editor.Edit1->setText(FrListView2->topLevelItem(row)->text(0));
  editor.Edit1->setEnabled(false);
  try {
    editor.Memo1->Lines().LoadFromFile(entry.path);
  } catch (const Exception& e) {
    // A pipe or device in the template's place is named in the module's words.
    ShowMessageDlg(IsNotRegularFile(entry.path) ? NotRegularFileText(entry.path) : e.Message(), 2);
    return;
  }
  editor.Memo1->ClearUndo();
  editor.SetHighlighterByExt(QFileInfo(entry.path).completeBaseName() + entry.kind);
  editor.TemplateExt = entry.kind;  // the kind stays until another highlighter is picked
  Prompts().ExecModal(editor);
  if (editor.Ok) {
    try {
      WriteTemplate(entry.path, editor.Memo1->Lines().ToStringList());
      QStringList index = ReadIndex();
      if (const qsizetype at = FindLine(index, line); at >= 0) {
        index[at] = Join(entry.path, editor.TemplateExt);
        WriteIndex(index);
      }
    } catch (const Exception& e) {
      ShowMessageDlg(e.Message(), 2);
    }
  }
  LoadUserTemplates();
  FrListView2->setCurrentItem(FrListView2->topLevelItem(row));
}

void TfDocumentManager::DeleteTemplate() {
  const int row = FrListView2->indexOfTopLevelItem(FrListView2->currentItem());
  if (row < 0 || row >= paths_.size()) return;
  const QString line = paths_[row];
  const QString question = LangText(QStringLiteral("DelFile1")) + QStringLiteral(" [ ") +
                           FrListView2->topLevelItem(row)->text(0) + QStringLiteral(" ] ") +
                           LangText(QStringLiteral("DelFile2"));
  if (ShowMessageDlg(question, 1) == 6) {
    try {
      QStringList index = ReadIndex();
      if (const qsizetype at = index.indexOf(line); at >= 0) {
        index.removeAt(at);
        WriteIndex(index);
      }
      // Only a template file goes, whatever a hand-edited line names.
      const QString path = Split(line).path;
      if (path.endsWith(QLatin1String(".mds")) && QFileInfo(path).isFile() && !QFile::remove(path))
        throw EWriteError(path);
    } catch (const Exception& e) {
      ShowMessageDlg(e.Message(), 2);
    }
  }
  LoadUserTemplates();
}

void ShowDocumentManager(IAppHost& host) {
  TfDocumentManager manager(&host);
  Prompts().ExecModal(manager);
}
