// The document window: the editor page with its status bar and bars, the
// preview page, the settings and captions it shows, and its keys.
#include "app/document/Child.h"

#include <QAbstractButton>
#include <QAction>
#include <QFile>
#include <QFileInfo>
#include <QFontDatabase>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QSplitter>
#include <QStatusBar>
#include <QStyle>
#include <QTabWidget>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

#include "app/core/AppHost.h"
#include "app/core/LanguageModule.h"
#include "app/core/Prompts.h"
#include "app/core/Settings.h"
#include "app/dialogs/FramePictures.h"
#include "app/dialogs/LinkCheck.h"
#include "app/document/DocumentFile.h"
#include "app/document/Documents.h"
#include "app/document/HighlighterCodes.h"
#include "app/look/Icons.h"
#include "authoring/tidy.h"
#include "editor/SrcEditAutoComplete.h"
#include "editor/SrcEditHighlighter.h"
#include "platform/Exceptions.h"
#include "platform/ProgramFolder.h"
#include "platform/VirtualKeys.h"

namespace {

// The command of `window` that `key` is a window-wide shortcut of, or null.
const QAction* WindowCommandFor(const QWidget* window, const QKeyEvent& key) {
  const QKeySequence pressed(QKeyCombination(key.modifiers() & ~Qt::KeypadModifier, Qt::Key(key.key())));
  for (const QAction* a : window->actions()) {
    if (a->shortcutContext() != Qt::WindowShortcut && a->shortcutContext() != Qt::ApplicationShortcut) continue;
    for (const QKeySequence& s : a->shortcuts())
      if (s.matches(pressed) == QKeySequence::ExactMatch) return a;
  }
  return nullptr;
}

// Whether a selection of `editor` is shown on `line`.
bool SelectionTouches(const TSrcEdit& editor, int line) {
  if (!editor.SelAvail() || (editor.HideSelection() && !editor.hasFocus())) return false;
  return line >= editor.BlockBegin().Y && line <= editor.BlockEnd().Y;
}

}  // namespace

struct TChildForm::Highlighters {
  QHash<QString, TSrcCustomHighlighter*> byCode;
};

TChildForm::TChildForm(IAppHost* host, QWidget* parent)
    : QMdiSubWindow(parent), host_(host), highlighters_(std::make_unique<Highlighters>()) {
  setAttribute(Qt::WA_DeleteOnClose);
  setObjectName(QStringLiteral("ChildForm"));
  auto* body = new QWidget(this);
  auto* layout = new QVBoxLayout(body);
  layout->setContentsMargins(0, 0, 0, 0);
  PageControl1 = new QTabWidget(body);
  PageControl1->setObjectName(QStringLiteral("PageControl1"));
  PageControl1->setTabPosition(QTabWidget::South);
  layout->addWidget(PageControl1);
  setWidget(body);
  BuildEditorPage();
  body->setFocusProxy(Memo1);  // an activated document window types into its editor
  BuildPreviewPage();
  LinkPage = new TLinkCheckPage(
      Memo1, [this] { PageControl1->setCurrentIndex(0); }, PageControl1);
  LinkPage->DocumentPath = [this] { return QFileInfo(Caption()).isAbsolute() ? Caption() : QString(); };
  PageControl1->addTab(LinkPage, QString());
  connect(PageControl1, &QTabWidget::currentChanged, this, [this](int index) {
    if (index == 1) ShowPreview();
  });

  // One highlighter of each language this program has.
  highlighters_->byCode = CreateHighlighters(this);
  SrcHTMLHighlighter1 = highlighters_->byCode.value(QStringLiteral("HTML"));

  ApplySettings();
  LoadTidyConfig();
  AutoComplete = new TSrcAutoComplete(this);
  AutoComplete->setObjectName(QStringLiteral("AutoComplete"));
  LoadCodeTemplates();
  AutoComplete->AddEditor(Memo1);
  ApplyLanguage();
}

TChildForm::~TChildForm() {
  AutoComplete->RemoveEditor(Memo1);  // while both are whole
  Memo1->SetHighlighter(nullptr);
}

void TChildForm::BuildEditorPage() {
  auto* page = new QWidget(PageControl1);
  auto* layout = new QVBoxLayout(page);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  auto* bar = new QToolBar(page);
  bar->setObjectName(QStringLiteral("EditorToolBar"));
  layout->addWidget(bar);

  Memo1 = new TSrcEdit(page);
  Memo1->setObjectName(QStringLiteral("Memo1"));
  Memo1->SetFont(DefaultEditorFont());
  Memo1->Gutter().SetLeftOffset(15);
  Memo1->Gutter().SetShowLineNumbers(true);
  Memo1->SetTabWidth(1);
  Memo1->SetWantTabs(true);
  Memo1->SetMaxLeftChar(16384);
  Memo1->SetMaxUndo(16384);
  Memo1->SetOptions(eoAutoIndent | eoDragDropEditing | eoGroupUndo | eoScrollPastEol | eoShowScrollHint |
                    eoTrimTrailingSpaces);
  editorKeys_.SetDocumentDefaults();
  Memo1->SetKeystrokes(editorKeys_);  // among them Ctrl+J, the code templates
  // Tab and Shift+Tab indent a selected block; line numbers are never cut.
  Memo1->SetOptions(Memo1->Options() | eoTabIndent);
  Memo1->Gutter().SetAutoSize(true);
  Memo1->installEventFilter(this);
  Memo1->viewport()->installEventFilter(this);
  Memo1->OnChange = [this](TObject*) { Memo1Change(); };
  Memo1->OnStatusChange = [this](TObject*, TSrcStatusChanges changes) { Memo1StatusChange(changes); };
  Memo1->OnSpecialLineColors = [this](TObject*, int line, bool& special, TColor& fg, TColor& bg) {
    // A selection on the marked line is shown as a selection.
    if (line == HighlightLine && !SelectionTouches(*Memo1, line)) {
      special = true;
      fg = 0xFFFFFF;
      bg = 0xFF0000;
    }
  };

  TidyPanel = new QWidget(page);
  TidyPanel->setObjectName(QStringLiteral("TidyPanel"));
  auto* tidyLayout = new QVBoxLayout(TidyPanel);
  tidyLayout->setContentsMargins(0, 0, 0, 0);
  Memo2 = new QListWidget(TidyPanel);
  Memo2->setObjectName(QStringLiteral("Memo2"));
  tidyLayout->addWidget(Memo2);
  auto* split = new QSplitter(Qt::Vertical, page);
  split->addWidget(Memo1);
  split->addWidget(TidyPanel);
  split->setStretchFactor(0, 1);
  layout->addWidget(split, 1);

  StatusBar1 = EditorStatusBar(page, Panels);
  layout->addWidget(StatusBar1);

  // Highlighter and selection-mode menus of the editor tool bar.
  HighlighterMenu = new QMenu(this);
  highlighterItems_ = AddHighlighterItems(HighlighterMenu, [this](const QString& code) { AttachHighlighter(code); });
  auto* hlButton = new QToolButton(bar);
  hlButton->setObjectName(QStringLiteral("ToolButton10"));
  hlButton->setMenu(HighlighterMenu);
  hlButton->setPopupMode(QToolButton::InstantPopup);
  bar->addWidget(hlButton);

  SelectionMenu = new QMenu(this);
  const char* modes[3] = {"Normal", "Line", "Block"};
  for (int i = 0; i < 3; ++i) {
    SelectionItems[i] = SelectionMenu->addAction(QLatin1String(modes[i]));
    SelectionItems[i]->setCheckable(true);
    connect(SelectionItems[i], &QAction::triggered, this, [this, i] {
      Memo1->SetSelectionMode(static_cast<TSrcSelectionMode>(i));
      SetSelectionModeSetting(i);
    });
  }
  auto* selButton = new QToolButton(bar);
  selButton->setObjectName(QStringLiteral("ToolButton5"));
  selButton->setMenu(SelectionMenu);
  selButton->setPopupMode(QToolButton::InstantPopup);
  bar->addWidget(selButton);
  bar->addAction(ThemeIcon(QStringLiteral("zoom-in")), QString(), this, [this] { ChangeFontSize(1); })
      ->setObjectName("ToolButton1");
  bar->addAction(ThemeIcon(QStringLiteral("zoom-out")), QString(), this, [this] { ChangeFontSize(-1); })
      ->setObjectName("ToolButton2");
  BuildTidyCommands(bar);

  // The editor's pop-up menu.
  PopupMenu1 = new QMenu(this);
  const auto item = [this](const char* name, const char* icon, const char* keys, auto handler) {
    QAction* a = PopupMenu1->addAction(QString(), this, handler);
    a->setObjectName(QLatin1String(name));
    if (*icon) a->setIcon(ThemeIcon(QLatin1String(icon)));
    if (*keys) a->setShortcut(QKeySequence(QLatin1String(keys)));
    return a;
  };
  item("Copy1", "edit-copy", "", [this] { Memo1->CopyToClipboard(); });
  item("Paste1", "edit-paste", "", [this] { Memo1->PasteFromClipboard(); });
  item("Cut1", "edit-cut", "", [this] { Memo1->CutToClipboard(); });
  // The tag and table commands are the main window's own actions.
  if (host_) {
    PopupMenu1->addSeparator();
    for (const char* name : {"Bold1", "Italic1", "Underline1", "Left1", "Center1", "Right1", "Table1"})
      if (QAction* shared = host_->Action(QLatin1String(name))) PopupMenu1->addAction(shared);
    item("TextFormattinh1", "preferences-desktop-font", "", [this] {
      if (QAction* format = host_->Action(QStringLiteral("ToolButton60"))) format->trigger();
    });
  }
  PopupMenu1->addSeparator();
  item("GotoLine1", "go-jump", "Ctrl+G", [this] { GotoLine1Click(); });
  PopupMenu1->addSeparator();
  QAction* img = item("IMG1", "", "Alt+T", [this] { InsertFixedText("<img></img>"); });
  QAction* br = item("Insertaspace1", "", "Alt+B", [this] { InsertFixedText("<br>"); });
  QAction* hr = item("Insertaline1", "", "Alt+H", [this] { InsertFixedText("<hr>"); });
  item("URL1", "", "", [this] {
    if (host_) InsertLink(*host_);
  });
  item("Image1", "", "", [this] {
    if (host_) InsertImage(*host_);
  });
  item("Insertflashmovie1", "", "", [this] { InsertFlashMovie(*this); });
  // The tag and address inserts each in a sub-menu of their own.
  const auto group = [this](const char* name, std::initializer_list<const char*> items) {
    QMenu* sub = new QMenu(PopupMenu1);
    sub->setObjectName(QLatin1String(name));
    for (const char* itemName : items) {
      QAction* a = PopupMenu1->findChild<QAction*>(QLatin1String(itemName));
      PopupMenu1->removeAction(a);
      sub->addAction(a);
    }
    PopupMenu1->insertMenu(PopupMenu1->actions().value(PopupMenu1->actions().size()), sub);
    return sub;
  };
  group("Tags1", {"IMG1", "Insertaspace1", "Insertaline1"});
  group("Address1", {"URL1", "Image1", "Insertflashmovie1"});
  item("Commenttext1", "", "", [this] { Commenttext1Click(); });
  item("Setdocumentinlowercase1", "", "", [this] { Setdocumentinlowercase1Click(); });
  for (QAction* a : {img, br, hr}) {
    a->setShortcutContext(Qt::WidgetWithChildrenShortcut);
    Memo1->addAction(a);
  }
  Memo1->setContextMenuPolicy(Qt::CustomContextMenu);
  connect(Memo1, &QWidget::customContextMenuRequested, this,
          [this](const QPoint& pos) { PopupMenu1->popup(Memo1->mapToGlobal(pos)); });

  PageControl1->addTab(page, QString());
}

void TChildForm::BuildPreviewPage() {
  auto* page = new QWidget(PageControl1);
  auto* layout = new QVBoxLayout(page);
  layout->setContentsMargins(0, 0, 0, 0);
  auto* bar = new QToolBar(page);
  bar->setObjectName(QStringLiteral("pvtb"));
  Edit1 = new QLineEdit(bar);
  Edit1->setObjectName(QStringLiteral("pvEdit"));
  bar->addWidget(Edit1);
  wb = new TEmbeddedBrowser(page);
  wb->setObjectName(QStringLiteral("wb"));
  wb->SetUserAgent(QStringLiteral("Korvex Vantar - Preview Browser"));
  wb->SetEnableDDE(true);
  wb->PrintOptions().Header = QStringLiteral("&w&bPage &p of &P");
  wb->PrintOptions().Footer = QStringLiteral("&u&b&d");
  const auto go = [this] { wb->Go(Edit1->text()); };
  connect(Edit1, &QLineEdit::returnPressed, this, go);
  bar->addAction(LangText(QStringLiteral("DoBrowser")), this, go)->setObjectName("ToolButton6");
  bar->addAction(LangText(QStringLiteral("DoPreview")), this, [this] { ShowPreview(); })->setObjectName("ToolButton12");
  // The browser's own buttons, driven by the view's history. Refresh shows
  // the document as it is now while the view shows its preview.
  const auto browserButton = [&](const char* name, QStyle::StandardPixmap icon, const char* key, auto slot) {
    QAction* a = bar->addAction(style()->standardIcon(icon), LangText(QLatin1String(key)), this, slot);
    a->setObjectName(QLatin1String(name));
    return a;
  };
  browserButton("ToolButton8", QStyle::SP_BrowserReload, "DoRefresh", [this] {
    if (!PreviewPath.isEmpty() && wb->LocationURL() == QUrl::fromLocalFile(PreviewPath))
      ShowPreview();
    else
      wb->Refresh();
  });
  browserButton("ToolButton9", QStyle::SP_BrowserStop, "DoStop", [this] { wb->Stop(); });
  QAction* back = browserButton("ToolButton14", QStyle::SP_ArrowBack, "DoBack", [this] { wb->GoBack(); });
  QAction* forward = browserButton("ToolButton15", QStyle::SP_ArrowForward, "DoPrevious", [this] { wb->GoForward(); });
  back->setEnabled(false);
  forward->setEnabled(false);
  wb->OnCommandStateChange = [this, back, forward](TObject*) {
    back->setEnabled(wb->CanGoBack());
    forward->setEnabled(wb->CanGoForward());
  };
  layout->addWidget(bar);
  layout->addWidget(wb, 1);
  StatusBar2 = new QStatusBar(page);
  StatusBar2->setSizeGripEnabled(false);
  layout->addWidget(StatusBar2);
  wb->OnStatusTextChange = [this](TObject*, const QString& text) { StatusBar2->showMessage(text); };
  wb->OnCloseQuery = [](TObject*, bool& canClose) {
    ShowMessageDlg(LangText(QStringLiteral("JavaCloseWindow")), 0);
    canClose = false;
  };
  PageControl1->addTab(page, QString());
}

QStatusBar* EditorStatusBar(QWidget* parent, std::array<QLabel*, 4>& panels) {
  auto* bar = new QStatusBar(parent);
  bar->setObjectName(QStringLiteral("StatusBar1"));
  bar->setSizeGripEnabled(false);
  constexpr int widths[4] = {100, 80, 80, 50};
  for (int i = 0; i < 4; ++i) {
    panels[i] = new QLabel(bar);
    panels[i]->setMinimumWidth(widths[i]);
    bar->addWidget(panels[i], i == 3 ? 1 : 0);
  }
  return bar;
}

Settings::TEditorSettings ApplyEditorSettings(TSrcEdit& editor) {
  Settings::TEditorSettings current;
  current.FontName = editor.Font().family();
  current.BackgroundColor = editor.Color();
  current.FontColor = editor.FontColor();
  const Settings::TEditorSettings s = Settings::ReadEditorSettings(current);
  // The editor paints with its own colours, not with the widget palette.
  editor.SetColor(s.BackgroundColor);
  editor.SetFontColor(s.FontColor);
  editor.Gutter().SetVisible(s.GutterVisible);
  editor.Gutter().SetShowLineNumbers(s.LineNumbers);
  QFont font = editor.Font();
  if (QFontDatabase::families().contains(s.FontName)) font.setFamily(s.FontName);
  font.setPointSize(s.FontSize);
  editor.SetFont(font);
  editor.SetTabWidth(s.TabWidth);
  editor.SetRightEdgeColor(s.RightEdgeColor);
  editor.SetRightEdge(s.RightEdge);
  TSrcEditorOptions options = editor.Options();
  const auto set = [&options](TSrcEditorOptions o, bool on) { options = on ? (options | o) : (options & ~o); };
  set(eoShowScrollHint, s.ScrollHint);
  set(eoShowSpecialChars, s.SpecialChars);
  set(eoAutoIndent, s.AutoIndent);
  editor.SetOptions(options);
  editor.Gutter().SetLeftOffset(s.GutterWidth);
  return s;
}

void TChildForm::ApplySettings() {
  const Settings::TEditorSettings s = ApplyEditorSettings(*Memo1);
  TidyPanel->setVisible(s.TidyPanel);
  tidyPanelSize_ = std::max(0, s.TidyPanelSize);
  if (auto* split = qobject_cast<QSplitter*>(TidyPanel->parentWidget()); split && s.TidyPanelSize > 0) {
    // The panel keeps its height; the editor takes what the window gains or loses.
    split->setStretchFactor(1, 0);
    split->setSizes({std::max(1, split->height() - s.TidyPanelSize), s.TidyPanelSize});
  }
  for (int i = 0; i < 3; ++i) SelectionItems[i]->setChecked(i == s.SelectionMode);
  Memo1->SetSelectionMode(static_cast<TSrcSelectionMode>(s.SelectionMode));
  Memo1->SetOptions(s.TabsToSpaces ? (Memo1->Options() | eoTabsToSpaces) : (Memo1->Options() & ~eoTabsToSpaces));
  previewBar_ = Settings::ReadPreviewBarLayout(previewBar_);
  PlacePreviewBar();
}

namespace {

// The holder that places `w` at an offset (its layout margins) where `w`
// was, in a tool bar or a box layout; made the first time it is asked for.
QWidget* OffsetHolder(QWidget* w) {
  if (w->parentWidget() && w->parentWidget()->objectName() == w->objectName() + QStringLiteral("Holder"))
    return w->parentWidget();
  auto* holder = new QWidget;
  holder->setObjectName(w->objectName() + QStringLiteral("Holder"));
  auto* layout = new QHBoxLayout(holder);
  layout->setSpacing(0);
  if (auto* bar = qobject_cast<QToolBar*>(w->parentWidget())) {
    for (QAction* a : bar->actions()) {
      if (bar->widgetForAction(a) != w) continue;
      bar->insertWidget(a, holder);
      bar->removeAction(a);
      break;
    }
  } else if (auto* box = qobject_cast<QBoxLayout*>(w->parentWidget()->layout())) {
    box->insertWidget(box->indexOf(w), holder);
  }
  layout->addWidget(w, 0, Qt::AlignTop);  // at its offset however tall the bar is
  w->show();
  return holder;
}

}  // namespace

void TChildForm::PlacePreviewBar() {
  auto* bar = findChild<QToolBar*>(QStringLiteral("pvtb"));
  if (!bar) return;
  OffsetHolder(bar)->layout()->setContentsMargins(previewBar_.BarLeft, previewBar_.BarTop, 0, 0);
  OffsetHolder(Edit1)->layout()->setContentsMargins(previewBar_.EditLeft, previewBar_.EditTop, 0, 0);
}

void TChildForm::SetCaption(const QString& caption) {
  setWindowTitle(caption);
  Panels[3]->setText(caption);
}

QString TChildForm::PanelText(int index) const { return Panels[index]->text(); }

QString TChildForm::CaretText(int line, int column) { return QString::asprintf("Ln:%6d, Col:%3d", line, column); }

void TChildForm::Memo1Change() {
  Modified = true;
  Panels[1]->setText(DocStatusNow);
  if (OnModifiedChange) OnModifiedChange(this);
}

void TChildForm::Memo1StatusChange(TSrcStatusChanges changes) {
  if ((changes & (scAll | scCaretY)) && HighlightLine != -1 && Memo1->CaretY() != HighlightLine) {
    HighlightLine = -1;  // the caret left the marked line
    Memo1->viewport()->update();
  }
  if (changes & (scAll | scCaretX | scCaretY | scLeftChar | scTopLine)) {
    const QString text = CaretText(Memo1->CaretY(), Memo1->CaretX());
    Panels[0]->setText(text);
    Panels[0]->setMinimumWidth(6 * static_cast<int>(text.size()));
  }
  if (changes & scInsertMode) Panels[2]->setText(Memo1->InsertMode() ? DocStateI : DocStateO);
}

void TChildForm::ToggleInsertMode() { Memo1->SetInsertMode(!Memo1->InsertMode()); }

void TChildForm::ChangeFontSize(int delta) {
  QFont font = Memo1->Font();
  font.setPointSize(std::clamp(font.pointSize() + delta, 1, 200));
  Memo1->SetFont(font);
}

void TChildForm::AttachHighlighter(const QString& code) {
  Memo1->SetHighlighter(highlighters_->byCode.value(code));
  CheckHighlighterMenu(code);
  if (!TidyApplies()) StopTidy();  // a script or a style sheet is no page for Tidy
  UpdateTidyCommands();
}

void TChildForm::SetHighlighterForFile(const QString& name) {
  if (!Settings::HighlightByExtension()) return;
  AttachHighlighter(HighlighterCodeFor(name));
}

void TChildForm::CheckHighlighterMenu(const QString& code) {
  for (QAction* a : highlighterItems_) a->setChecked(a->data().toString() == code);
}

QString TChildForm::CheckedHighlighter() const {
  for (QAction* a : highlighterItems_)
    if (a->isChecked()) return a->data().toString();
  return QString();
}

void TChildForm::SetSelectionModeSetting(int mode) {
  try {
    Settings::Open().WriteInteger(QStringLiteral("SelectionMode"), QStringLiteral("Set"), mode);
  } catch (const Exception& e) {
    ShowMessageDlg(e.Message(), 2);
  }
  for (int i = 0; i < 3; ++i) SelectionItems[i]->setChecked(i == mode);
}

void TChildForm::ApplyLanguage() {
  DocStatusNow = LangText(QStringLiteral("DocStatusNow"));
  DocStateI = LangText(QStringLiteral("DocStateI"));
  DocStateO = LangText(QStringLiteral("DocStateO"));
  // Controls by object name: the key of the caption (none for icon-only
  // buttons) and of the hint.
  static const char* const texts[][3] = {
      {"Copy1", "Copy", ""},
      {"Paste1", "Paste", ""},
      {"Cut1", "Cut", ""},
      {"GotoLine1", "GotoLine1", ""},
      {"IMG1", "rmIMGTag", ""},
      {"Insertaspace1", "TB15", ""},
      {"Insertaline1", "TB26", ""},
      {"TextFormattinh1", "TB60", ""},
      {"URL1", "LinkToDoc", "TB23"},
      {"Image1", "AddImgMain", "TB31"},
      {"Insertflashmovie1", "TB32", ""},
      {"Commenttext1", "rmComment", ""},
      {"Setdocumentinlowercase1", "rmLowerC", ""},
      {"ToolButton10", "chg_HighLighter", "chg_HighLighter"},
      {"ToolButton5", "SelModeSel", "SelModeSel"},
      {"ToolButton1", "", "ChildFontUp"},
      {"ToolButton2", "", "ChildFontDown"},
      {"ToolButton6", "DoBrowser", "DoBrowser"},
      {"ToolButton12", "DoPreview", "DoPreview"},
      {"ToolButton8", "DoRefresh", "DoRefresh"},
      {"ToolButton9", "DoStop", "DoStop"},
      {"ToolButton14", "DoBack", "DoBack"},
      {"ToolButton15", "DoPrevious", "DoPrevious"},
      {"HT_Check", "HT_Check", "HT_Check"},
      {"HT_Repair", "HT_Repair", "HT_Repair"},
      {"HT_Force", "HT_Force", "HT_Force"},
      {"ToolButton20", "HT_Panel", "HT_Panel"},
      {"HT_Stop", "DoStop", "DoStop"},
  };
  for (const auto& t : texts) {
    const QString name = QLatin1String(t[0]);
    const QString text = *t[1] ? LangText(QLatin1String(t[1])) : QString();
    const QString hint = *t[2] ? LangText(QLatin1String(t[2])) : QString();
    for (QAction* a : findChildren<QAction*>(name)) {
      a->setText(text);
      a->setToolTip(hint.isEmpty() ? text : hint);
    }
    for (QAbstractButton* b : findChildren<QAbstractButton*>(name)) {
      b->setText(text);
      b->setToolTip(hint);
    }
  }
  for (const auto& [name, key] : {std::pair{"Tags1", "rmTags"}, std::pair{"Address1", "rmAddie"}})
    if (QMenu* sub = PopupMenu1->findChild<QMenu*>(QLatin1String(name))) sub->setTitle(LangText(QLatin1String(key)));
  const char* pages[] = {"ChildEDTBSH", "ChildPVTBSH", "rmvfLinks"};
  for (int i = 0; i < PageControl1->count() && i < 3; ++i)
    PageControl1->setTabText(i, LangText(QLatin1String(pages[i])));
  // The window's own menu (restore, move, size, minimise, maximise, stay
  // on top, close), in the order the window builds it.
  if (QMenu* system = systemMenu()) {
    const char* keys[] = {"WinRestore", "WinMove", "WinSize", "WinMinimize", "WinMaximize", "WinOnTop", "WinClose"};
    int next = 0;
    for (QAction* a : system->actions())
      if (!a->isSeparator() && next < 7) a->setText(LangText(QLatin1String(keys[next++])));
  }
  SelectionItems[0]->setText(LangText(QStringLiteral("SelNormal")));
  SelectionItems[1]->setText(LangText(QStringLiteral("SelLine")));
  SelectionItems[2]->setText(LangText(QStringLiteral("SelBlock")));
  LinkPage->ApplyLanguage();
  if (Panels[2]) Panels[2]->setText(Memo1->InsertMode() ? DocStateI : DocStateO);
  if (Modified) Panels[1]->setText(DocStatusNow);
}

void TChildForm::LoadCodeTemplates() {
  AutoComplete->LoadFromFile(ProgramFolder() + QStringLiteral("CodeC/codeinside.dci"));
}

void TChildForm::GotoLine1Click() {
  if (host_) host_->GotoLine(this);
}

void TChildForm::showEvent(QShowEvent* event) {
  QMdiSubWindow::showEvent(event);
  if (shown_) return;
  shown_ = true;
  ApplyLanguage();
  Panels[2]->setText(Memo1->InsertMode() ? DocStateI : DocStateO);
  Panels[0]->setText(CaretText(Memo1->CaretY(), Memo1->CaretX()));
}

void TChildForm::InsertFixedText(const QString& text) { Memo1->InsertFragment(text); }

void TChildForm::Commenttext1Click() {
  // A column block over several lines: each line's piece is commented out in
  // its own line, as the other wrapping commands do.
  if (Memo1->WrapColumnRows(QStringLiteral("<!-- "), QStringLiteral(" -->"))) {
    Memo1->setFocus();
    return;
  }
  const int start = Memo1->SelStart();
  const int end = Memo1->SelEnd();
  Memo1->SetSelText(QStringLiteral("<!-- ") + Memo1->SelText() + QStringLiteral(" -->"));
  Memo1->SetSelStart(end + 5);
  Memo1->SetSelEnd(end + 5);
  Q_UNUSED(start);
  Memo1->setFocus();
}

void TChildForm::Setdocumentinlowercase1Click() {
  if (ShowMessageDlg(LangText(QStringLiteral("LowerCase")), 1) != 6) return;
  ReplaceTextInPlace(Memo1->Text().toLower());
}

void TChildForm::ReplaceTextInPlace(const QString& text) {
  const TPoint caret = Memo1->CaretXY();
  const int top = Memo1->TopLine();
  Memo1->ReplaceWholeText(text);
  Memo1->SetCaretXYEx(false, caret);
  Memo1->SetTopLine(top);
  Memo1->EnsureCursorPosVisible();
}

void TChildForm::ShowPreview() {
  if (!previewsMade_.isEmpty() && previewsMade_.last().path == PreviewPath) Preview::Remove(previewsMade_.takeLast());
  const Documents::TPreviewPlace place = Documents::PreviewPlace(Caption(), ProgramFolder());
  const QByteArray bytes = Preview::PageBytes(Memo1->Lines());
  Preview::TPreviewFile made;
  QString error;
  if (!Preview::CreateNear(place.folder, place.fileName, bytes, made, error)) {
    ShowMessageDlg(LangText(QStringLiteral("PreviewWriteErr")) + u'\n' + error, 2);
    return;
  }
  previewsMade_ << made;
  PreviewName = QFileInfo(made.path).fileName();
  PreviewPath = made.path;
  PreviewFiles << made.path;
  wb->Go(made.path);
}

void TChildForm::DeletePreviewFiles() {
  for (const Preview::TPreviewFile& file : std::as_const(previewsMade_)) Preview::Remove(file);
  previewsMade_.clear();
  PreviewFiles.clear();
}

bool TChildForm::eventFilter(QObject* watched, QEvent* event) {
  if (watched == Memo1->viewport() && event->type() == QEvent::MouseButtonPress && HighlightLine != -1) {
    HighlightLine = -1;  // a click ends the line marking of goto line
    Memo1->viewport()->update();
  }
  if (watched == Memo1 && (event->type() == QEvent::ShortcutOverride || event->type() == QEvent::KeyPress)) {
    auto* key = static_cast<QKeyEvent*>(event);
    // The main window's menu sees a key first: a key of one of its commands
    // runs the command, even with the caret in the editor, and a key whose
    // command is disabled does nothing at all.
    if (const QAction* command = WindowCommandFor(window(), *key)) {
      if (event->type() == QEvent::ShortcutOverride) return false;  // to the window's shortcuts
      return !command->isEnabled();                                 // a disabled command swallows its key
    }
    if (event->type() == QEvent::KeyPress) return QMdiSubWindow::eventFilter(watched, event);
    const std::uint16_t vk = QtKeyToVirtualKey(*key);
    if (vk && editorKeys_.FindKeycode(vk, QtModifiersToShiftState(key->modifiers())) >= 0) {
      event->accept();
      return true;
    }
  }
  return QMdiSubWindow::eventFilter(watched, event);
}
