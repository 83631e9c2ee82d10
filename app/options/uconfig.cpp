#include "app/options/uconfig.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QColorDialog>
#include <QComboBox>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QFontInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPointer>
#include <QPushButton>
#include <QShortcut>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QTabWidget>
#include <QVBoxLayout>

#include "app/core/AppHost.h"
#include "app/core/LanguageModule.h"
#include "app/core/Prompts.h"
#include "app/core/RecentFiles.h"
#include "app/core/Settings.h"
#include "app/look/FlatLook.h"
#include "app/options/CodeInsidePage.h"
#include "files/FrComboBox.h"
#include "files/PromptDialogs.h"
#include "platform/ProgramFolder.h"
#include "platform/SafeFile.h"

namespace {

QPointer<TfConfig> gInstance;

// Programs on this system carry no extension of their own.
const QString kProgramFilter = QStringLiteral("Executables (*)");
const QString kHelpFilter = QStringLiteral("Help File (*.chm *.html *.htm)");
const QString kElementsFilter = QStringLiteral("Element Files ( *.dat )");
const QString kLanguageFilter = QStringLiteral("Korvex Vantar - Language Modules (*.lms)");

QString L(const char* text) { return QLatin1String(text); }

// A font picker that tells when its list opens and closes.
class TPickerComboBox : public TFrFontComboBox {
 public:
  using TFrFontComboBox::TFrFontComboBox;
  std::function<void(bool open)> OnDropDown;
  void showPopup() override {
    if (OnDropDown) OnDropDown(true);
    TFrFontComboBox::showPopup();
  }
  void hidePopup() override {
    TFrFontComboBox::hidePopup();
    if (OnDropDown) OnDropDown(false);
  }
};

template <class T>
T* Named(QWidget* parent, const char* name) {
  auto* w = new T(parent);
  w->setObjectName(L(name));
  return w;
}

QSpinBox* Spin(QWidget* parent, const char* name, int min, int max, int value) {
  auto* s = Named<QSpinBox>(parent, name);
  s->setRange(min, max);
  s->setValue(value);
  return s;
}

// A path box with its "..." button in one row.
QHBoxLayout* PathRow(QLineEdit* edit, QPushButton* button) {
  auto* row = new QHBoxLayout;
  button->setText(QStringLiteral("..."));
  row->addWidget(edit, 1);
  row->addWidget(button);
  return row;
}

}  // namespace

void ReportFailures(const std::function<void()>& job) {
  try {
    job();
  } catch (const ENotRegularFile& e) {
    ShowMessageDlg(NotRegularFileText(e.FileName()), 2);
  } catch (const Exception& e) {
    ShowMessageDlg(e.Message(), 2);
  }
}

void WriteSettings(const std::function<void(TIniFile&)>& write) {
  ReportFailures([&write] {
    TIniFile ini = Settings::Open();
    write(ini);
  });
}

void OpenOptionsScreen(IAppHost* host, int page, int innerPage) {
  if (AppServices().OptionsScreen)
    AppServices().OptionsScreen(page, innerPage);
  else
    TfConfig::Execute(host, page, innerPage);
}

TfConfig* TfConfig::Instance() { return gInstance.data(); }

TfConfig* TfConfig::Execute(IAppHost* host, int page, int innerPage) {
  TfConfig* screen = gInstance.data();
  if (!screen) {
    screen = new TfConfig(host);
    gInstance = screen;
  }
  screen->SelectPage(page, innerPage);
  screen->show();
  screen->raise();
  screen->activateWindow();
  return screen;
}

TfConfig::TfConfig(IAppHost* host) : QWidget(host ? host->HostWindow() : nullptr, Qt::Window), host_(host) {
  setObjectName(QStringLiteral("fConfig"));
  setAttribute(Qt::WA_DeleteOnClose);
  if (host_) setFont(host_->HostWindow()->font());
  setWindowTitle(LangText(QStringLiteral("CfgScreen")));
  resize(640, 520);
  // Escape closes the screen as it closes a dialog, whichever control has the focus.
  connect(new QShortcut(QKeySequence(Qt::Key_Escape), this), &QShortcut::activated, this, &QWidget::close);
  PageControl1 = Named<QTabWidget>(this, "PageControl1");
  const char* pages[] = {"TabSheet1", "TabSheet4", "TabSheet6", "TabSheet9"};
  QWidget* built[4];
  for (int i = 0; i < 4; ++i) {
    built[i] = Named<QWidget>(PageControl1, pages[i]);
    PageControl1->addTab(built[i], QString());
  }
  BuildEditorPage(built[0]);
  BuildOperationsPage(built[1]);
  BuildLanguagePage(built[2]);
  BuildPathPages(built[3]);
  CodeInside = new TCodeInsidePage(host_, PageControl1);
  PageControl1->addTab(CodeInside, QString());
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(PageControl1);
  ReadSettings();
  if (QWidget* screen = host_ ? host_->HostWindow()->window() : nullptr)
    move(screen->geometry().center() - rect().center());
}

TfConfig::~TfConfig() = default;

QCheckBox* TfConfig::BoolBox(QWidget* parent, const char* name, const char* section, const char* key,
                             std::function<void(bool)> after) {
  auto* box = Named<QCheckBox>(parent, name);
  boolOptions_.append({box, L(section), L(key)});
  connect(box, &QCheckBox::clicked, this, [box, section, key, after = std::move(after)] {
    const bool on = box->isChecked();
    WriteSettings([&](TIniFile& ini) { ini.WriteBool(L(section), L(key), on); });
    if (after) after(on);
  });
  return box;
}

void TfConfig::BuildEditorPage(QWidget* page) {
  auto* options = Named<QGroupBox>(page, "GroupBox3");
  captions_ << qMakePair(static_cast<QWidget*>(options), L("GB3"));
  CheckBox7 = BoolBox(options, "CheckBox7", "Autoindent", "Enabled");
  CheckBox5 = BoolBox(options, "CheckBox5", "Scrollhint", "Enabled");
  CheckBox3 = BoolBox(options, "CheckBox3", "LN", "Enabled");
  CheckBox4 = BoolBox(options, "CheckBox4", "SHigh", "Enabled");
  CheckBox2 = BoolBox(options, "CheckBox2", "Gutter", "Vis");
  CheckBox11 = BoolBox(options, "CheckBox11", "TtoSpaces", "Enabled");
  CheckBox10 = BoolBox(options, "CheckBox10", "SpecialChar", "Vis");
  CheckBox9 = Named<QCheckBox>(options, "CheckBox9");
  SpinEdit4 = Spin(options, "SpinEdit4", -1, 1024, 80);
  SpinEdit2 = Spin(options, "SpinEdit2", 0, 1000, 30);
  SpinEdit3 = Spin(options, "SpinEdit3", 1, 64, 8);
  Label2 = Named<QLabel>(options, "Label2");
  Label10 = Named<QLabel>(options, "Label10");
  auto* grid = new QGridLayout(options);
  int row = 0;
  for (QCheckBox* box : {CheckBox7, CheckBox5, CheckBox3, CheckBox4, CheckBox2, CheckBox11, CheckBox10})
    grid->addWidget(box, row++, 0, 1, 2);
  grid->addWidget(CheckBox9, row, 0);
  grid->addWidget(SpinEdit4, row++, 1);
  grid->addWidget(Label2, row, 0);
  grid->addWidget(SpinEdit2, row++, 1);
  grid->addWidget(Label10, row, 0);
  grid->addWidget(SpinEdit3, row++, 1);

  connect(CheckBox9, &QCheckBox::clicked, this, [this](bool on) {
    const int right = on ? 80 : -1;
    WriteSettings([&](TIniFile& ini) {
      ini.WriteBool(L("Margin"), L("Enabled"), on);
      ini.WriteInteger(L("Margin"), L("Right"), right);
    });
    const QSignalBlocker quiet(SpinEdit4);
    SpinEdit4->setValue(right);
    SpinEdit4->setVisible(on);
  });
  const auto writeInt = [this](QSpinBox* spin, const char* section, const char* key, std::function<int(int)> stored) {
    connect(spin, &QSpinBox::valueChanged, this, [this, section, key, stored = std::move(stored)](int v) {
      if (!reading_) WriteSettings([&](TIniFile& ini) { ini.WriteInteger(L(section), L(key), stored(v)); });
    });
  };
  writeInt(SpinEdit4, "Margin", "Right", [](int v) { return v; });
  writeInt(SpinEdit2, "Gutter", "Width", ConfigModel::GutterStored);
  writeInt(SpinEdit3, "BlockIndent", "Width", [](int v) { return v; });

  // The editor font and its colour.
  auto* fontBox = Named<QGroupBox>(page, "GroupBox1");
  captions_ << qMakePair(static_cast<QWidget*>(fontBox), L("GB1"));
  auto* cbFont = Named<TPickerComboBox>(fontBox, "CBFont");
  cbFont->SetFontType(TFontType::ftFixedPitch);
  CBFont = cbFont;
  FontSize = Spin(fontBox, "FontSize", 1, 200, 8);
  Label9 = Named<QLabel>(fontBox, "Label9");
  Label29 = Named<QLabel>(fontBox, "Label29");
  Label29->hide();
  Panel7 = Named<QPushButton>(fontBox, "Panel7");
  SpeedButton13 = Named<QPushButton>(fontBox, "SpeedButton13");
  auto* fontGrid = new QGridLayout(fontBox);
  fontGrid->addWidget(CBFont, 0, 0, 1, 3);
  fontGrid->addWidget(Label29, 1, 0, 1, 3);
  fontGrid->addWidget(Label9, 2, 0);
  fontGrid->addWidget(FontSize, 2, 1);
  fontGrid->addWidget(Panel7, 3, 0);
  fontGrid->addWidget(SpeedButton13, 3, 1);

  auto* background = Named<QGroupBox>(page, "GroupBox2");
  captions_ << qMakePair(static_cast<QWidget*>(background), L("GB2"));
  Panel6 = Named<QPushButton>(background, "Panel6");
  SpeedButton11 = Named<QPushButton>(background, "SpeedButton11");
  auto* bgRow = new QHBoxLayout(background);
  bgRow->addWidget(Panel6);
  bgRow->addWidget(SpeedButton11);
  for (QPushButton* swatch : {Panel6, Panel7}) {
    swatch->setMinimumWidth(60);
    connect(swatch, &QPushButton::clicked, this, [this, swatch] { ChooseColor(swatch); });
  }
  connect(SpeedButton11, &QPushButton::clicked, this, [this] { ClearColor(Panel6); });
  connect(SpeedButton13, &QPushButton::clicked, this, [this] { ClearColor(Panel7); });
  connect(CBFont, &QComboBox::activated, this, [this] {
    const QString name = CBFont->FontName();
    WriteSettings([&](TIniFile& ini) { ini.WriteString(L("Font"), L("Style"), name); });
  });
  connect(FontSize, &QSpinBox::valueChanged, this, [this](int v) {
    CBFont->SetFontSize(v);
    if (!reading_) WriteSettings([&](TIniFile& ini) { ini.WriteString(L("Font"), L("Size"), QString::number(v)); });
  });

  auto* charsetBox = Named<QGroupBox>(page, "GroupBox4");
  captions_ << qMakePair(static_cast<QWidget*>(charsetBox), L("GB4"));
  ComboBox1 = Named<QComboBox>(charsetBox, "ComboBox1");
  for (const ConfigModel::TCharsetName& c : ConfigModel::Charsets()) ComboBox1->addItem(L(c.name));
  (new QVBoxLayout(charsetBox))->addWidget(ComboBox1);
  connect(ComboBox1, &QComboBox::currentIndexChanged, this, [this](int index) {
    if (!reading_)
      WriteSettings(
          [&](TIniFile& ini) { ini.WriteInteger(L("Font"), L("CharSet"), ConfigModel::CharsetValue(index)); });
  });

  // The font the text-format dialog offers.
  auto* textStyles = Named<QGroupBox>(page, "GroupBox8");
  captions_ << qMakePair(static_cast<QWidget*>(textStyles), L("GB8"));
  auto* typeFont = Named<TPickerComboBox>(textStyles, "FrFontComboBox1");
  FrFontComboBox1 = typeFont;
  SpinEdit1 = Spin(textStyles, "SpinEdit1", 1, 7, 2);
  Label11 = Named<QLabel>(textStyles, "Label11");
  Label20 = Named<QLabel>(textStyles, "Label20");
  Label20->hide();
  auto* typeGrid = new QGridLayout(textStyles);
  typeGrid->addWidget(FrFontComboBox1, 0, 0, 1, 2);
  typeGrid->addWidget(Label20, 1, 0, 1, 2);
  typeGrid->addWidget(Label11, 2, 0);
  typeGrid->addWidget(SpinEdit1, 2, 1);
  connect(FrFontComboBox1, &QComboBox::activated, this, [this] {
    const QString name = FrFontComboBox1->FontName();
    WriteSettings([&](TIniFile& ini) { ini.WriteString(L("Font"), L("Type"), name); });
  });
  connect(SpinEdit1, &QSpinBox::valueChanged, this, [this](int v) {
    if (!reading_) WriteSettings([&](TIniFile& ini) { ini.WriteString(L("Font"), L("Size2"), QString::number(v)); });
  });
  // While a font list is open, its label names the font in use.
  for (auto [picker, label] : {std::pair{cbFont, Label29}, std::pair{typeFont, Label20}}) {
    picker->OnDropDown = [picker = static_cast<TFrFontComboBox*>(picker), label = label](bool open) {
      if (open) {
        label->setProperty("saved", label->text());
        label->setText(label->text() + u' ' + picker->FontName());
      } else {
        label->setText(label->property("saved").toString());
      }
      label->setVisible(open);
    };
  }

  auto* layout = new QGridLayout(page);
  layout->addWidget(options, 0, 0, 3, 1);
  layout->addWidget(fontBox, 0, 1);
  layout->addWidget(background, 1, 1);
  layout->addWidget(charsetBox, 2, 1);
  layout->addWidget(textStyles, 3, 0, 1, 2);
}

void TfConfig::BuildOperationsPage(QWidget* page) {
  auto* operations = Named<QGroupBox>(page, "GroupBox7");
  captions_ << qMakePair(static_cast<QWidget*>(operations), L("GB7"));
  CheckBox8 = BoolBox(operations, "CheckBox8", "DoubleClick", "Open", [this](bool on) {
    if (!host_) return;
    host_->Options().DoubleClickOpen = on;
    host_->Options().DoubleClickOpen = Settings::Open().ReadBool(L("DoubleClick"), L("Open"), on);
  });
  CheckBox6 = BoolBox(operations, "CheckBox6", "Files", "NoDoubles", [this](bool on) {
    if (host_) host_->Options().NoDoubles = on;
  });
  CheckBox1 = BoolBox(operations, "CheckBox1", "Ask", "ToSave?");
  auto* opsLayout = new QVBoxLayout(operations);
  for (QCheckBox* box : {CheckBox8, CheckBox6, CheckBox1}) opsLayout->addWidget(box);

  auto* look = Named<QGroupBox>(page, "GroupBox6");
  captions_ << qMakePair(static_cast<QWidget*>(look), L("VStyle"));
  CheckBox12 = BoolBox(look, "CheckBox12", "XPLook", "Enabled?",
                       [this](bool on) { ApplyFlatLook(host_ ? host_->HostWindow() : nullptr, on); });
  (new QVBoxLayout(look))->addWidget(CheckBox12);

  auto* start = Named<QGroupBox>(page, "GroupBox10");
  captions_ << qMakePair(static_cast<QWidget*>(start), L("stOps"));
  CheckBox13 = BoolBox(start, "CheckBox13", "Show", "DocMan?");
  (new QVBoxLayout(start))->addWidget(CheckBox13);

  auto* history = Named<QGroupBox>(page, "GroupBox9");
  captions_ << qMakePair(static_cast<QWidget*>(history), L("GB9"));
  SpeedButton10 = Named<QPushButton>(history, "SpeedButton10");
  (new QVBoxLayout(history))->addWidget(SpeedButton10);
  connect(SpeedButton10, &QPushButton::clicked, this, [this] { SpeedButton10Click(); });

  auto* layout = new QVBoxLayout(page);
  for (QWidget* w : {operations, look, start, history}) layout->addWidget(w);
  layout->addStretch();
}

QGroupBox* TfConfig::PathGroup(QWidget* parent, const char* name, const char* key, QLabel*& label,
                               const char* labelName, QLineEdit*& edit, const char* editName, QPushButton*& button,
                               const char* buttonName) {
  auto* box = Named<QGroupBox>(parent, name);
  captions_ << qMakePair(static_cast<QWidget*>(box), L(key));
  label = Named<QLabel>(box, labelName);
  edit = Named<QLineEdit>(box, editName);
  button = Named<QPushButton>(box, buttonName);
  auto* layout = new QVBoxLayout(box);
  layout->addWidget(label);
  layout->addLayout(PathRow(edit, button));
  return box;
}

void TfConfig::BuildLanguagePage(QWidget* page) {
  QGroupBox* module =
      PathGroup(page, "GroupBox11", "GB11", Label31, "Label31", Edit10, "Edit10", SpeedButton5, "SpeedButton5");
  QGroupBox* help =
      PathGroup(page, "GroupBox34", "GB34", Label8, "Label8", Edit7, "Edit7", SpeedButton12, "SpeedButton12");
  Edit10->setReadOnly(true);  // changed through the chooser only
  Edit7->setReadOnly(true);
  connect(SpeedButton5, &QPushButton::clicked, this, [this] { SpeedButton5Click(); });
  connect(SpeedButton12, &QPushButton::clicked, this, [this] { SpeedButton12Click(); });

  auto* layout = new QVBoxLayout(page);
  layout->addWidget(module);
  layout->addWidget(help);
  layout->addStretch();
}

void TfConfig::BuildPathPages(QWidget* page) {
  PageControl2 = Named<QTabWidget>(page, "PageControl2");
  (new QVBoxLayout(page))->addWidget(PageControl2);
  const auto tab = [this](const char* name) {
    auto* sheet = Named<QWidget>(PageControl2, name);
    PageControl2->addTab(sheet, QString());
    return sheet;
  };

  QWidget* ftp = tab("TabSheet10");
  Label6 = Named<QLabel>(ftp, "Label6");
  Edit4 = Named<QLineEdit>(ftp, "Edit4");
  SpeedButtn6 = Named<QPushButton>(ftp, "SpeedButtn6");
  auto* ftpLayout = new QVBoxLayout(ftp);
  ftpLayout->addWidget(Label6);
  ftpLayout->addLayout(PathRow(Edit4, SpeedButtn6));
  ftpLayout->addStretch();

  QWidget* gfx = tab("TabSheet2");
  QGroupBox* gfxBox =
      PathGroup(gfx, "GroupBox12", "GFX", Label7, "Label7", Edit11, "Edit11", SpeedButton20, "SpeedButton20");
  auto* gfxLayout = new QVBoxLayout(gfx);
  gfxLayout->addWidget(gfxBox);
  gfxLayout->addStretch();

  QWidget* browsers = tab("TabSheet11");
  Label4 = Named<QLabel>(browsers, "Label4");
  Edit5 = Named<QLineEdit>(browsers, "Edit5");
  SpeedButton8 = Named<QPushButton>(browsers, "SpeedButton8");
  Label3 = Named<QLabel>(browsers, "Label3");
  ListBox3 = Named<QListWidget>(browsers, "ListBox3");
  SpeedButton7 = Named<QPushButton>(browsers, "SpeedButton7");
  Label5 = Named<QLabel>(browsers, "Label5");
  auto* browserLayout = new QVBoxLayout(browsers);
  browserLayout->addWidget(Label4);
  browserLayout->addLayout(PathRow(Edit5, SpeedButton8));
  browserLayout->addWidget(Label3);
  browserLayout->addWidget(ListBox3, 1);
  browserLayout->addWidget(SpeedButton7, 0, Qt::AlignLeft);
  browserLayout->addWidget(Label5);

  QWidget* elements = tab("TabSheet5");
  QGroupBox* elementsBox =
      PathGroup(elements, "GroupBox5", "ElFil", Label12, "Label12", Edit1, "Edit1", SpeedButton4, "SpeedButton4");
  auto* elementsLayout = new QVBoxLayout(elements);
  elementsLayout->addWidget(elementsBox);
  elementsLayout->addStretch();

  for (QLineEdit* edit : {Edit4, Edit11, Edit1})
    connect(edit, &QLineEdit::textEdited, this, [this] { programPathEdited_ = true; });
  connect(Edit5, &QLineEdit::textEdited, this, [this] { browserPathEdited_ = true; });
  connect(SpeedButtn6, &QPushButton::clicked, this, [this] { SpeedButtn6Click(); });
  connect(SpeedButton20, &QPushButton::clicked, this, [this] { SpeedButton20Click(); });
  connect(SpeedButton4, &QPushButton::clicked, this, [this] { SpeedButton4Click(); });
  connect(SpeedButton8, &QPushButton::clicked, this, [this] { SpeedButton8Click(); });
  connect(SpeedButton7, &QPushButton::clicked, this, [this] { SpeedButton7Click(); });
  connect(ListBox3, &QListWidget::itemDoubleClicked, this, [this] { ListBox3DblClick(); });
}

void TfConfig::ReadSettings() {
  reading_ = true;
  const TIniFile ini = Settings::Open();
  const auto str = [&ini](const char* section, const char* key, const QString& def = QString()) {
    return ini.ReadString(L(section), L(key), def);
  };
  Edit11->setText(str("GFX", "Path"));
  Edit4->setText(str("FTP", "Path"));
  Edit5->setText(str("WEB", "Path"));
  SetSwatch(Panel6, ini.ReadInteger(L("EditWindow"), L("BGCol"), Settings::TEditorSettings().BackgroundColor));
  SetSwatch(Panel7, ini.ReadInteger(L("Font"), L("Color"), Settings::TEditorSettings().FontColor));
  CBFont->SetFontName(str("Font", "Style", QStringLiteral("Courier New")));
  // Without a stored name the editors use the system's fixed font when there is no Courier New: the box
  // shows the family really drawn.
  if (CBFont->currentIndex() < 0 && !ini.ValueExists(L("Font"), L("Style"))) {
    const QFont fixed = DefaultEditorFont();
    int at = CBFont->findText(fixed.family(), Qt::MatchFixedString);  // "monospace" is listed as "Monospace"
    if (at < 0) at = CBFont->findText(QFontInfo(fixed).family(), Qt::MatchFixedString);
    CBFont->setCurrentIndex(at);
  }
  FontSize->setValue(ini.ReadInteger(L("Font"), L("Size"), FontSize->value()));
  SpinEdit1->setValue(ini.ReadInteger(L("Font"), L("Size2"), SpinEdit1->value()));
  // A missing key shows the state the rest of the program takes for it.
  const Settings::TEditorSettings editor;
  const QHash<QCheckBox*, bool> defaults = {{CheckBox1, true},
                                            {CheckBox2, editor.GutterVisible},
                                            {CheckBox3, editor.LineNumbers},
                                            {CheckBox4, true},
                                            {CheckBox5, editor.ScrollHint},
                                            {CheckBox7, editor.AutoIndent},
                                            {CheckBox10, editor.SpecialChars},
                                            {CheckBox11, editor.TabsToSpaces},
                                            {CheckBox8, host_ ? host_->Options().DoubleClickOpen : true},
                                            {CheckBox6, host_ ? host_->Options().NoDoubles : false},
                                            {CheckBox12, false},
                                            {CheckBox13, false}};
  for (const TBoolOption& o : std::as_const(boolOptions_))
    o.box->setChecked(ini.ReadBool(o.section, o.key, defaults.value(o.box)));
  FrFontComboBox1->SetFontName(str("Font", "Type", QStringLiteral("Verdana")));
  // Without Verdana and a stored name: the family the system draws for it.
  if (FrFontComboBox1->currentIndex() < 0 && !ini.ValueExists(L("Font"), L("Type")))
    FrFontComboBox1->setCurrentIndex(
        FrFontComboBox1->findText(QFontInfo(QFont(QStringLiteral("Verdana"))).family(), Qt::MatchFixedString));
  // The tab width documents use: theirs when the key is missing or unusable.
  const int tabWidth = ini.ReadInteger(L("BlockIndent"), L("Width"), editor.TabWidth);
  SpinEdit3->setValue(tabWidth >= 1 ? tabWidth : editor.TabWidth);
  Edit10->setText(str("TranslationModule", "Path"));
  Edit1->setText(str("Elements", "Path"));
  ComboBox1->setCurrentIndex(ConfigModel::CharsetIndex(ini.ReadInteger(L("Font"), L("CharSet"), 1)));
  const bool margin = ini.ReadBool(L("Margin"), L("Enabled"), true);
  CheckBox9->setChecked(margin);
  SpinEdit4->setVisible(margin);
  if (margin) SpinEdit4->setValue(ini.ReadInteger(L("Margin"), L("Right"), SpinEdit4->value()));
  SpinEdit2->setValue(ConfigModel::GutterShown(ini.ReadInteger(L("Gutter"), L("Width"), SpinEdit2->value())));
  reading_ = false;
}

void TfConfig::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  if (property("shown").toBool()) return;
  setProperty("shown", true);
  setWindowTitle(LangText(QStringLiteral("CfgScreen")));
  FillBrowserList();
  ApplyLanguage();
  Edit7->setText(Settings::Open().ReadString(L("Help"), L("Path"), QString()));
}

void TfConfig::FillBrowserList() {
  browsers_.Load(TBrowserList::FileName());
  ListBox3->clear();
  ListBox3->addItems(browsers_.Lines());
}

void TfConfig::ApplyLanguage() {
  const struct {
    QWidget* widget;
    const char* key;
  } captions[] = {
      {SpeedButton7, "fconfigSetSelBrw"},
      {Label5, "fconfigRemBrw"},
      {SpeedButton10, "fconfigclHist"},
      {Label8, "fconfiglb8"},
      {Label6, "FTPLabel"},
      {Label4, "BRWLabel"},
      {Label31, "LangText"},
      {Label11, "GB6"},
      {CheckBox7, "CBConf7"},
      {CheckBox5, "CBConf5"},
      {CheckBox3, "CBConf3"},
      {CheckBox4, "CBConf4"},
      {CheckBox2, "CBConf2"},
      {CheckBox9, "CBConf9"},
      {CheckBox8, "CBConf8"},
      {CheckBox1, "CBConf1"},
      {Label2, "LBConf2"},
      {Label10, "LBConf10"},
      {Label29, "CFontUse"},
      {Label20, "CFontUse"},
      {Label9, "LBConf9"},
      {SpeedButton13, "clClear"},
      {SpeedButton11, "clClear"},
      {CheckBox11, "CFG_TtS"},
      {CheckBox10, "CFG_SSC"},
      {CheckBox6, "CFG_OTSFT"},
      {CheckBox12, "CFG_UXPL"},
      {CheckBox13, "DocCapCHK"},
      {Label12, "ElFilCap"},
      {Label7, "GFXCap"},
      {Label3, "bList"},
  };
  for (const auto& c : captions) c.widget->setProperty("text", LangText(L(c.key)));
  for (const auto& [box, key] : std::as_const(captions_)) box->setProperty("title", LangText(key));
  const char* outer[] = {"GB3", "GB7", "TabSH6", "TabSH9", "TabSH3"};
  for (int i = 0; i < 5; ++i) PageControl1->setTabText(i, LangText(L(outer[i])));
  const char* inner[] = {"TabSH10", "GFX", "TabSH11", "ElementsTab"};
  for (int i = 0; i < 4; ++i) PageControl2->setTabText(i, LangText(L(inner[i])));
  CodeInside->ApplyLanguage();
}

void TfConfig::SelectPage(int page, int innerPage) {
  if (page >= 0 && page < PageControl1->count()) PageControl1->setCurrentIndex(page);
  if (innerPage >= 0 && innerPage < PageControl2->count()) PageControl2->setCurrentIndex(innerPage);
  if (page == 3 && innerPage == 0) Edit4->setFocus();
}

void TfConfig::closeEvent(QCloseEvent* event) {
  if (!CodeInside->SettlePendingEdits()) {  // refused or not written: the edits stay on screen
    event->ignore();
    return;
  }
  if (programPathEdited_)
    WriteSettings([this](TIniFile& ini) {
      ini.WriteString(L("FTP"), L("Path"), Edit4->text());
      ini.WriteString(L("GFX"), L("Path"), Edit11->text());
      ini.WriteString(L("Elements"), L("Path"), Edit1->text());
    });
  if (browserPathEdited_) WriteSettings([this](TIniFile& ini) { ini.WriteString(L("WEB"), L("Path"), Edit5->text()); });
  programPathEdited_ = browserPathEdited_ = false;
  QWidget::closeEvent(event);
}

QString TfConfig::ChooseFile(const char* name, const QString& filter, const QString& current) {
  QFileDialog dialog(this);
  dialog.setObjectName(L(name));
  dialog.setOption(QFileDialog::DontUseNativeDialog);
  dialog.setFileMode(QFileDialog::ExistingFile);
  dialog.setNameFilter(filter);
  if (!current.isEmpty()) dialog.setDirectory(QFileInfo(current).absolutePath());
  if (Prompts().ExecModal(dialog) != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
  return dialog.selectedFiles().constFirst();
}

QString TfConfig::ChoosePath(QLineEdit* edit, const QString& filter, const char* section) {
  const QString file = ChooseFile("OpenDialog1", filter, edit->text());
  if (file.isEmpty()) return file;
  edit->setText(file);
  WriteSettings([&](TIniFile& ini) { ini.WriteString(L(section), L("Path"), file); });
  return file;
}

namespace {
// A language module knows texts the program asks for: at least one of its
// keys is one of the present module's or the shipped English module's.
// Any other file would leave every caption of the program empty.
bool IsLanguageModule(const QString& file) {
  TLanguageModule chosen;
  if (!chosen.LoadFromFile(file)) return false;
  TLanguageModule shipped;
  shipped.LoadFromFile(ProgramFolder() + QStringLiteral("Language Modules/english.lms"));
  return SharesAKey(chosen, Language()) || SharesAKey(chosen, shipped);
}
}  // namespace

void TfConfig::SpeedButton5Click() {
  const QString file = ChooseFile("OpenDialog1", kLanguageFilter, Edit10->text());
  if (!file.isEmpty() && !IsLanguageModule(file)) {
    ShowMessageDlg(ComposeText({LangText(QStringLiteral("LangModBad")), file}), 2);
  } else if (!file.isEmpty()) {
    Edit10->setText(file);
    WriteSettings([&](TIniFile& ini) { ini.WriteString(L("TranslationModule"), L("Path"), file); });
    LoadLanguageModule();
    if (host_) emit host_->Signals().LanguageChanged();
    ApplyLanguage();
    ShowMessageDlg(LangText(QStringLiteral("SyncReady")), 0);
  }
  if (host_) emit host_->Signals().CharsetChanged();
}

void TfConfig::SpeedButton12Click() { ChoosePath(Edit7, kHelpFilter, "Help"); }
void TfConfig::SpeedButtn6Click() { ChoosePath(Edit4, kProgramFilter, "FTP"); }
void TfConfig::SpeedButton20Click() { ChoosePath(Edit11, kProgramFilter, "GFX"); }

void TfConfig::SpeedButton4Click() {
  const QString file = ChoosePath(Edit1, kElementsFilter, "Elements");
  if (!file.isEmpty() && host_) emit host_->Signals().TagLibraryChosen(file);
}

void TfConfig::SpeedButton8Click() {
  const QString program = ChoosePath(Edit5, kProgramFilter, "WEB");
  if (program.isEmpty()) return;
  const QString listFile = TBrowserList::FileName();
  browsers_.Load(listFile);
  if (browsers_.IndexOfPath(program) < 0) {
    // Asked until the name can be stored; Cancel adds nothing.
    QString name;
    for (;;) {
      TfDosPrompt prompt(this);
      prompt.setFont(font());
      prompt.Setup(LangText(QStringLiteral("cfgBrEN")), LangText(QStringLiteral("ALName")), name);
      if (Prompts().ExecModal(prompt) != QDialog::Accepted) break;
      name = prompt.Text().trimmed();
      if (TBrowserList::ValidName(name)) {
        browsers_.Add(name, program);
        ReportFailures([&] { browsers_.Save(listFile); });
        break;
      }
      ShowMessageDlg(LangText(QStringLiteral("BrwNameHash")), 0);
    }
  }
  FillBrowserList();
  if (host_) emit host_->Signals().BrowserListChanged();
}

void TfConfig::ListBox3DblClick() {
  const int row = ListBox3->currentRow();
  if (row < 0) return;
  const QString listFile = TBrowserList::FileName();
  browsers_.Remove(row);
  ReportFailures([&] { browsers_.Save(listFile); });
  FillBrowserList();
  if (host_) emit host_->Signals().BrowserListChanged();
}

void TfConfig::SpeedButton7Click() {
  const int row = ListBox3->currentRow();
  if (row < 0 || row >= browsers_.Entries().size()) {
    Edit5->clear();
    return;
  }
  const QString program = browsers_.Entries()[row].program;
  WriteSettings([&](TIniFile& ini) { ini.WriteString(L("WEB"), L("Path"), program); });
  Edit5->setText(program);
}

void TfConfig::SpeedButton10Click() {
  RecentFiles::Clear();
  if (host_) emit host_->Signals().RecentFilesCleared();
}

void TfConfig::SetSwatch(QPushButton* swatch, TColor color) {
  swatch->setProperty("color", static_cast<int>(color));
  swatch->setStyleSheet(QStringLiteral("background-color: %1;").arg(ToQColor(color).name()));
}

void TfConfig::ChooseColor(QPushButton* swatch) {
  QColorDialog dialog(ToQColor(static_cast<TColor>(swatch->property("color").toInt())), this);
  dialog.setObjectName(QStringLiteral("ColorDialog1"));
  dialog.setOption(QColorDialog::DontUseNativeDialog);
  if (Prompts().ExecModal(dialog) != QDialog::Accepted) return;
  const TColor color = FromQColor(dialog.selectedColor());
  SetSwatch(swatch, color);
  const bool background = swatch == Panel6;
  WriteSettings([&](TIniFile& ini) {
    ini.WriteInteger(background ? L("EditWindow") : L("Font"), background ? L("BGCol") : L("Color"), color);
  });
}

void TfConfig::ClearColor(QPushButton* swatch) {
  SetSwatch(swatch, clBtnFace);
  const bool background = swatch == Panel6;
  WriteSettings([&](TIniFile& ini) {
    ini.WriteString(background ? L("EditWindow") : L("Font"), background ? L("BGCol") : L("Color"), QString());
  });
}
