#include "app/dialogs/InsertDialogs.h"

#include "app/core/AppHost.h"
#include "app/document/Child.h"
#include "app/core/LanguageModule.h"
#include "app/core/Prompts.h"
#include "app/core/Settings.h"
#include "authoring/WtInsertFragments.h"
#include "editor/SrcEdit.h"
#include "files/FrComboBox.h"
#include "images/AnimPicture.h"
#include "images/PlatformPicture.h"

#include <QButtonGroup>
#include <array>
#include <QCheckBox>
#include <QColorDialog>
#include <QEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QShortcut>
#include <QSpinBox>
#include <QStackedWidget>
#include <QToolButton>
#include <QVBoxLayout>

using namespace InsertFragments;

namespace {

QString Lang(const char* key) { return LangText(QLatin1String(key)); }

template <typename T>
T* Named(T* widget, const char* name) {
  widget->setObjectName(QLatin1String(name));
  return widget;
}

QLineEdit* Edit(const char* name, const QString& text = QString()) {
  auto* e = Named(new QLineEdit(text), name);
  return e;
}

// A spin box over `min`..`max` (the default maximum would be 99).
QSpinBox* Spin(const char* name, int min, int max, int value) {
  auto* s = Named(new QSpinBox, name);
  s->setRange(min, max);
  s->setValue(value);
  return s;
}

// OK and Cancel at the right; `ok` and `cancel` run before the dialog closes.
QHBoxLayout* OkCancel(QDialog* d, QPushButton*& okButton, const char* okName, QPushButton*& cancelButton,
                      const char* cancelName, std::function<bool()> ok, std::function<void()> cancel) {
  okButton = Named(new QPushButton(Lang("btOk")), okName);
  cancelButton = Named(new QPushButton(Lang("btCancel")), cancelName);
  okButton->setDefault(true);
  QObject::connect(okButton, &QPushButton::clicked, d, [d, ok] {
    if (ok()) d->accept();
  });
  QObject::connect(cancelButton, &QPushButton::clicked, d, [d, cancel] {
    cancel();
    d->reject();
  });
  auto* row = new QHBoxLayout;
  row->addStretch();
  row->addWidget(okButton);
  row->addWidget(cancelButton);
  return row;
}

// OK and Cancel setting and clearing `ok`.
QHBoxLayout* OkFlag(QDialog* d, bool& ok, QPushButton*& okButton, const char* okName, QPushButton*& cancelButton,
                    const char* cancelName) {
  return OkCancel(
      d, okButton, okName, cancelButton, cancelName,
      [&ok] {
        ok = true;
        return true;
      },
      [&ok] { ok = false; });
}

// An open dialog through the prompts; empty when cancelled.
QString ChooseFile(const QString& filter) {
  QFileDialog dialog;
  dialog.setObjectName(QStringLiteral("OpenDialog1"));
  dialog.setOption(QFileDialog::DontUseNativeDialog);
  dialog.setFileMode(QFileDialog::ExistingFile);
  if (!filter.isEmpty()) dialog.setNameFilter(filter);
  if (Prompts().ExecModal(dialog) != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
  return dialog.selectedFiles().constFirst();
}

QString PictureFilter() {
  return Lang("ADIMPicture") + QStringLiteral(" (*.jpg *.jpeg *.gif *.bmp *.ico *.png)");
}

}  // namespace

// ---------------------------------------------------------------- colour panel

TColorPanel::TColorPanel(TColor color, QWidget* parent) : QPushButton(parent), color_(~color) {
  setMinimumSize(48, 22);
  setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
  SetColor(color);
  connect(this, &QPushButton::clicked, this, [this] {
    QColorDialog dialog(window());
    dialog.setObjectName(QStringLiteral("ColorDialog1"));
    dialog.setOption(QColorDialog::DontUseNativeDialog);
    dialog.setCurrentColor(ToQColor(color_));
    if (Prompts().ExecModal(dialog) != QDialog::Accepted) return;
    SetColor(FromQColor(dialog.currentColor()));
    emit Chosen();
  });
}

void TColorPanel::SetColor(TColor color) {
  if (color == color_) return;
  color_ = color;
  setStyleSheet(QStringLiteral("QPushButton { background-color: %1; border: 1px solid palette(dark); }")
                    .arg(ToQColor(color).name()));
}

// ---------------------------------------------------------------- table

TfTable::TfTable(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("fTable"));
  setWindowTitle(Lang("TB59"));
  auto* layout = new QVBoxLayout(this);

  auto* size = Named(new QGroupBox(Lang("tbCreaGB1")), "GroupBox1");
  auto* sizeForm = new QFormLayout(size);
  sizeForm->addRow(Lang("tbLB1"), Edit1 = Edit("Edit1", QStringLiteral("1")));
  sizeForm->addRow(Lang("tbLB2"), Edit2 = Edit("Edit2", QStringLiteral("1")));
  sizeForm->addRow(Lang("tbLB3"), Edit3 = Edit("Edit3", QStringLiteral("100%")));

  RadioGroup1 = Named(new QGroupBox(Lang("tbCreaRG1")), "RadioGroup1");
  auto* alignBox = new QVBoxLayout(RadioGroup1);
  alignGroup = new QButtonGroup(this);
  for (const char* key : {"TB57", "TB56", "TB55"}) {  // right, center, left
    auto* b = new QRadioButton(Lang(key));
    alignGroup->addButton(b, alignGroup->buttons().size());
    alignBox->addWidget(b);
  }
  alignGroup->button(0)->setChecked(true);
  auto* top = new QHBoxLayout;
  top->addWidget(size, 1);
  top->addWidget(RadioGroup1);
  layout->addLayout(top);

  auto* back = Named(new QGroupBox(Lang("tbCreaGB2")), "GroupBox2");
  auto* backForm = new QFormLayout(back);
  backForm->addRow(Lang("tbLB5"), Panel2 = Named(new TColorPanel(clWhite), "Panel2"));
  auto* imageRow = new QHBoxLayout;
  imageRow->addWidget(Edit5 = Edit("Edit5"), 1);
  imageRow->addWidget(Button3 = Named(new QPushButton(QStringLiteral("...")), "Button3"));
  backForm->addRow(Lang("bgimagetab"), imageRow);
  connect(Button3, &QPushButton::clicked, this, [this] {
    const QString file = ChooseFile(PictureFilter());
    if (!file.isEmpty()) Edit5->setText(file);
  });

  auto* cells = Named(new QGroupBox(Lang("tblbprop")), "GroupBox4");
  auto* cellForm = new QFormLayout(cells);
  cellForm->addRow(Lang("tbLB6"), SpinEdit1 = Spin("SpinEdit1", 0, 1000, 0));
  cellForm->addRow(Lang("tbLB8"), SpinEdit2 = Spin("SpinEdit2", 0, 1000, 0));
  auto* middle = new QHBoxLayout;
  middle->addWidget(back, 1);
  middle->addWidget(cells);
  layout->addLayout(middle);

  auto* border = Named(new QGroupBox(Lang("tbCreaGB3")), "GroupBox3");
  auto* borderGrid = new QGridLayout(border);
  borderGrid->addWidget(Border = Named(new QCheckBox(Lang("tbCBUn")), "Border"), 0, 0, 1, 3);
  const auto label = [this](const char* name, const char* key) {
    QLabel* l = Named(new QLabel(Lang(key)), name);
    BorderControls << l;
    return l;
  };
  borderGrid->addWidget(label("Label4", "mtSize"), 1, 0);
  borderGrid->addWidget(edit4 = Edit("edit4", QStringLiteral("1")), 1, 1);
  borderGrid->addWidget(label("Label7", "tbLB7"), 2, 0);
  borderGrid->addWidget(Panel1 = Named(new TColorPanel(clBlack), "Panel1"), 2, 1);
  borderGrid->addWidget(label("Label10", "bclight"), 3, 0);
  borderGrid->addWidget(Panel3 = Named(new TColorPanel(clWhite), "Panel3"), 3, 1);
  borderGrid->addWidget(label("Label11", "bclightexp"), 3, 2);
  borderGrid->addWidget(label("Label12", "bcdark"), 4, 0);
  borderGrid->addWidget(Panel4 = Named(new TColorPanel(clWhite), "Panel4"), 4, 1);
  borderGrid->addWidget(label("Label13", "bcdarkexp"), 4, 2);
  borderGrid->setColumnStretch(2, 1);
  BorderControls << edit4 << Panel1 << Panel3 << Panel4;
  for (QWidget* w : BorderControls) w->setEnabled(false);
  connect(Border, &QCheckBox::toggled, this, [this](bool on) {
    for (QWidget* w : BorderControls) w->setEnabled(on);
  });
  connect(Panel3, &TColorPanel::Chosen, this, [this] { lightChosen_ = true; });
  connect(Panel4, &TColorPanel::Chosen, this, [this] { darkChosen_ = true; });
  layout->addWidget(border);

  layout->addLayout(OkCancel(
      this, Button1, "Button1", Button2, "Button2",
      [this] {
        Button1Click();
        return false;  // Button1Click closes by itself
      },
      [this] { Ok = false; }));
}

TTableOptions TfTable::Options() const {
  TTableOptions o;
  o.rows = Edit1->text();
  o.cols = Edit2->text();
  o.width = Edit3->text();
  o.background = Panel2->Color();
  o.backgroundImage = Edit5->text();
  o.backgroundExists = !Edit5->text().isEmpty() && QFileInfo(Edit5->text()).isFile();
  o.align = std::max(0, alignGroup->checkedId());
  o.cellPadding = SpinEdit1->value();
  o.cellSpacing = SpinEdit2->value();
  o.border = Border->isChecked();
  o.borderWidth = edit4->text();
  o.borderColor = Panel1->Color();
  o.lightChosen = lightChosen_;
  o.lightColor = Panel3->Color();
  o.darkChosen = darkChosen_;
  o.darkColor = Panel4->Color();
  return o;
}

void TfTable::Button1Click() {
  const TTableCheck check = CheckTable(Options());
  if (!check.key.isEmpty()) {
    ShowMessageDlg(LangText(check.key), check.kind);
    if (check.key == u"BdWidth") edit4->setFocus();
    return;
  }
  Ok = true;
  accept();
}

// ---------------------------------------------------------------- list

TfNumber::TfNumber(bool ordered, QWidget* parent) : QDialog(parent), ordered_(ordered) {
  setObjectName(QStringLiteral("fNumber"));
  setWindowTitle(Lang(ordered ? "LetterForm" : "BulForm"));
  auto* layout = new QVBoxLayout(this);
  auto* props = Named(new QGroupBox(Lang("lpProp")), "GroupBox1");
  auto* form = new QFormLayout(props);
  form->addRow(Lang("lpItem"), SpinEdit1 = Spin("SpinEdit1", 0, 1000, 1));
  Label2 = Named(new QLabel(Lang("lpStart")), "Label2");
  form->addRow(Label2, SpinEdit2 = Spin("SpinEdit2", -1000000, 1000000, 1));
  layout->addWidget(props);

  struct Type {
    const char* text;
    const char* sample;
  };
  static const Type types[] = {{"default", "1. 2. 3."}, {"a", "a. b. c."},   {"A", "A. B. C."},
                               {"i", "i. ii. iii."},    {"I", "I. II. III."}, {"disc", "\u25CF"},
                               {"circle", "\u25CB"},    {"square", "\u25A0"}};
  static const char* const speedNames[] = {"SpeedButton1", "SpeedButton3", "SpeedButton4", "SpeedButton5",
                                           "SpeedButton6", "SpeedButton2", "SpeedButton7", "SpeedButton8"};
  static const char* const radioNames[] = {"RadioButton1", "RadioButton2", "RadioButton3", "RadioButton4",
                                           "RadioButton5", "RadioButton6", "RadioButton7", "RadioButton8"};
  GroupBox2 = Named(new QGroupBox(Lang("lpType")), "GroupBox2");
  GroupBox3 = Named(new QGroupBox(Lang("lpType")), "GroupBox3");
  auto* orderedGrid = new QGridLayout(GroupBox2);
  auto* unorderedGrid = new QGridLayout(GroupBox3);
  auto* exclusive = new QButtonGroup(this);
  for (int i = 0; i < 8; ++i) {
    auto* picture = Named(new QToolButton, speedNames[i]);
    picture->setText(QString::fromUtf8(types[i].sample));
    picture->setMinimumSize(64, 40);
    auto* radio = Named(new QRadioButton, radioNames[i]);
    exclusive->addButton(radio);
    QGridLayout* grid = i < 5 ? orderedGrid : unorderedGrid;
    const int column = i < 5 ? i : i - 5;
    grid->addWidget(picture, 0, column);
    grid->addWidget(radio, 1, column, Qt::AlignHCenter);
    SpeedButtons << picture;
    RadioButtons << radio;
    const QString text = QString::fromUtf8(types[i].text);
    connect(picture, &QToolButton::clicked, this, [this, i, text] {
      TypeText = text;
      RadioButtons[i]->setChecked(true);
    });
    // A click on the radio button is a click on its picture.
    connect(radio, &QRadioButton::clicked, picture, &QToolButton::click);
  }
  layout->addWidget(GroupBox2);
  layout->addWidget(GroupBox3);
  GroupBox2->setVisible(ordered);
  GroupBox3->setVisible(!ordered);
  Label2->setVisible(ordered);
  SpinEdit2->setVisible(ordered);
  layout->addLayout(OkCancel(
      this, Button1, "Button1", Button2, "Button2",
      [this] {
        Button1Click();
        return false;
      },
      [this] { Cancelled = true; }));
}

void TfNumber::Button1Click() {
  bool chosen = false;
  for (int i = ordered_ ? 0 : 5; i < (ordered_ ? 5 : 8); ++i) chosen = chosen || RadioButtons[i]->isChecked();
  if (!chosen) {
    ShowMessageDlg(Lang("ListType"), 0);
    return;
  }
  accept();
}

TListOptions TfNumber::Options() const { return {ordered_, TypeText, SpinEdit1->value(), SpinEdit2->value()}; }

// ---------------------------------------------------------------- horizontal line

TfHorLine::TfHorLine(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("fHorLine"));
  setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
  setWindowTitle(Lang("TB27"));
  auto* layout = new QVBoxLayout(this);
  auto* form = new QFormLayout;
  form->addRow(Lang("mtColor"), Panel1 = Named(new TColorPanel(clBlack), "Panel1"));
  auto* widthRow = new QHBoxLayout;
  widthRow->addWidget(Edit1 = Edit("Edit1", QStringLiteral("100")), 1);
  widthRow->addWidget(CheckBox1 = Named(new QCheckBox(QStringLiteral("%")), "CheckBox1"));
  CheckBox1->setChecked(true);
  form->addRow(Lang("mtWidth"), widthRow);
  form->addRow(Lang("mtSize"), Edit2 = Edit("Edit2", QStringLiteral("1")));
  layout->addLayout(form);
  layout->addLayout(OkCancel(
      this, Button1, "Button1", Button2, "Button2", [] { return true; }, [this] { Cancelled = true; }));
}

THorLineOptions TfHorLine::Options() const {
  return {Edit2->text(), Edit1->text(), CheckBox1->isChecked(), Panel1->Color()};
}

// ---------------------------------------------------------------- text formatting

TfTextFormat::TfTextFormat(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("fTextFormat"));
  setWindowTitle(Lang("TB60"));
  const TIniFile ini = Settings::Open();
  const QString storedFace = ini.ReadString(QStringLiteral("Font"), QStringLiteral("Type"), QStringLiteral("Verdana"));
  const int storedSize = ini.ReadInteger(QStringLiteral("Font"), QStringLiteral("Size2"), 2);

  auto* layout = new QVBoxLayout(this);
  auto* font = Named(new QGroupBox(Lang("tfGB1")), "GroupBox1");
  auto* fontForm = new QFormLayout(font);
  fontForm->addRow(Lang("tfLB1"), FrFontComboBox1 = Named(new TFrFontComboBox, "FrFontComboBox1"));
  FrFontComboBox1->SetFontName(storedFace);
  if (FrFontComboBox1->currentIndex() < 0 && !storedFace.isEmpty()) {
    // A face this system lacks is still offered, as the pages may name it.
    FrFontComboBox1->insertItem(0, storedFace);
    FrFontComboBox1->setCurrentIndex(0);
  }
  fontForm->addRow(Lang("tfLB3"), SpinEdit1 = Spin("SpinEdit1", -1000, 1000, storedSize));
  layout->addWidget(font);

  auto* colour = Named(new QGroupBox(Lang("tfGB2")), "GroupBox2");
  auto* colourRow = new QHBoxLayout(colour);
  colourRow->addWidget(Panel1 = Named(new TColorPanel(clBlack), "Panel1"));
  colourRow->addWidget(Label2 = Named(new QLabel(QStringLiteral("#000000")), "Label2"), 1);
  connect(Panel1, &TColorPanel::Chosen, this, [this] { Label2->setText(ColorToHtml(Panel1->Color())); });
  layout->addWidget(colour);

  auto* style = Named(new QGroupBox(Lang("tfGB3")), "GroupBox3");
  auto* styleGrid = new QGridLayout(style);
  styleGrid->addWidget(CB_Bold = Named(new QCheckBox(Lang("TB46")), "CB_Bold"), 0, 0);
  styleGrid->addWidget(CB_Italic = Named(new QCheckBox(Lang("TB47")), "CB_Italic"), 0, 1);
  styleGrid->addWidget(CB_Underline = Named(new QCheckBox(Lang("TB48")), "CB_Underline"), 1, 0);
  styleGrid->addWidget(CB_Centered = Named(new QCheckBox(Lang("TB56")), "CB_Centered"), 1, 1);
  auto* quote = Named(new QGroupBox(Lang("tfRG1")), "RadioGroup1");
  auto* quoteRow = new QHBoxLayout(quote);
  quoteRow->addWidget(DoubleQuote = new QRadioButton(QStringLiteral("\"")));
  quoteRow->addWidget(SingleQuote = new QRadioButton(QStringLiteral("'")));
  DoubleQuote->setChecked(true);
  auto* row = new QHBoxLayout;
  row->addWidget(style, 1);
  row->addWidget(quote);
  layout->addLayout(row);
  layout->addLayout(OkFlag(this, Ok, Button2, "Button2", Button1, "Button1"));
  // Escape cancels the dialog even in the font box, whose own Escape would pick the first font.
  connect(new QShortcut(QKeySequence(Qt::Key_Escape), this), &QShortcut::activated, Button1, &QPushButton::click);
}

TFontOptions TfTextFormat::Options() const {
  TFontOptions o;
  o.face = FrFontComboBox1->FontName();
  o.size = SpinEdit1->text();
  o.color = Label2->text();
  o.bold = CB_Bold->isChecked();
  o.italic = CB_Italic->isChecked();
  o.underline = CB_Underline->isChecked();
  o.centered = CB_Centered->isChecked();
  o.singleQuote = SingleQuote->isChecked();
  return o;
}

// ---------------------------------------------------------------- date and time

TfDT::TfDT(const QLocale& locale, const QDateTime& now, QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("fDT"));
  setWindowTitle(Lang("rbBT3"));
  auto* layout = new QVBoxLayout(this);
  auto* form = new QFormLayout;
  form->addRow(Lang("rblb1"), label3 = Edit("label3", DateText(locale, now)));
  form->addRow(Lang("rblb2"), label4 = Edit("label4", TimeText(locale, now)));
  layout->addLayout(form);
  layout->addWidget(RadioButton1 = Named(new QRadioButton(Lang("rblb1")), "RadioButton1"));
  layout->addWidget(RadioButton2 = Named(new QRadioButton(Lang("rblb2")), "RadioButton2"));
  layout->addWidget(RadioButton3 = Named(new QRadioButton(Lang("rbBT3")), "RadioButton3"));
  RadioButton3->setChecked(true);
  DateTimeText = label3->text() + u' ' + label4->text();
  // The text is taken when a button is clicked, not when a box changes.
  connect(RadioButton1, &QRadioButton::clicked, this, [this] { DateTimeText = label3->text(); });
  connect(RadioButton2, &QRadioButton::clicked, this, [this] { DateTimeText = label4->text(); });
  connect(RadioButton3, &QRadioButton::clicked, this,
          [this] { DateTimeText = label3->text() + u' ' + label4->text(); });
  layout->addLayout(OkFlag(this, Ok, Button1, "Button1", Button2, "Button2"));
}

// ---------------------------------------------------------------- last-updated script

TfUpdateScript::TfUpdateScript(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("fUpdateScript"));
  setWindowTitle(Lang("LUS"));
  auto* layout = new QVBoxLayout(this);
  auto* styles = new QHBoxLayout;
  styles->addWidget(CheckBox1 = Named(new QCheckBox(Lang("TB46")), "CheckBox1"));
  styles->addWidget(CheckBox2 = Named(new QCheckBox(Lang("TB47")), "CheckBox2"));
  styles->addWidget(CheckBox3 = Named(new QCheckBox(Lang("TB48")), "CheckBox3"));
  layout->addLayout(styles);
  auto* text = Named(new QGroupBox(Lang("updSText")), "GroupBox1");
  auto* textRow = new QHBoxLayout(text);
  textRow->addWidget(Edit1 = Edit("Edit1"));
  layout->addWidget(text);
  layout->addLayout(OkFlag(this, Ok, Button1, "Button1", Button2, "Button2"));
}

// ---------------------------------------------------------------- form controls

TfHTMLButton::TfHTMLButton(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("fHTMLButton"));
  auto* layout = new QVBoxLayout(this);
  PageControl1 = Named(new QStackedWidget, "PageControl1");
  const auto page = [this](const char* name) {
    auto* w = Named(new QWidget, name);
    PageControl1->addWidget(w);
    return new QFormLayout(w);
  };
  // The text and password pages: name, value, maximum length, size and four scripts.
  const auto editPage = [&page](const char* name, std::array<QLineEdit**, 8> boxes,
                                const std::array<const char*, 8>& names) {
    static const char* const labels[] = {"ALName",   "htmlValue",  "htmlmxl", "mtSize",
                                         "htmlBlur", "htmlChange", "htmlFoc", "htmlSel"};
    QFormLayout* f = page(name);
    for (int i = 0; i < 8; ++i) f->addRow(Lang(labels[i]), *boxes[i] = Edit(names[i]));
  };
  // A group of radio buttons in a row, captioned by `key`.
  const auto radioRow = [this](QButtonGroup*& group, const char* name, const char* key,
                               std::initializer_list<const char*> items) {
    auto* box = Named(new QGroupBox(Lang(key)), name);
    auto* row = new QHBoxLayout(box);
    group = new QButtonGroup(this);
    for (const char* item : items) {
      auto* b = new QRadioButton(QLatin1String(item));
      group->addButton(b, group->buttons().size());
      row->addWidget(b);
    }
    return box;
  };

  QFormLayout* f = page("cbr");
  f->addRow(Lang("ALName"), cbrName = Edit("cbrName"));
  f->addRow(Lang("htmlValue"), cbrValue = Edit("cbrValue"));
  f->addRow(Lang("htmlOnClick"), cbrOnClick = Edit("cbrOnClick"));
  f->addRow(cbrChecked = Named(new QCheckBox(Lang("htmlChecked")), "cbrChecked"));

  f = page("Buttons");
  f->addRow(radioRow(btSelType, "btSelTypeBox", "btSelType", {"Button", "Reset", "Submit"}));
  btSelType->button(0)->setChecked(true);
  f->addRow(Lang("ALName"), bteName = Edit("bteName"));
  f->addRow(Lang("htmlValue"), bteValue = Edit("bteValue"));
  f->addRow(Lang("htmlOnClick"), bteOnclick = Edit("bteOnclick"));

  editPage("TextSheet",
           {&TextEName, &textevalue, &textEMaxLen, &TexteSize, &texteOnBlur, &TexteOnchange, &TexteOnFocus,
            &TexteOnSelect},
           {"TextEName", "textevalue", "textEMaxLen", "TexteSize", "texteOnBlur", "TexteOnchange", "TexteOnFocus",
            "TexteOnSelect"});
  editPage("PassSheet",
           {&pwlename, &pwleValue, &pwleMaxLaneg, &pwleSize, &pwleOnblur, &pwleOnChange, &pwleOnFocus, &pwleOnSelect},
           {"pwlename", "pwleValue", "pwleMaxLaneg", "pwleSize", "pwleOnblur", "pwleOnChange", "pwleOnFocus",
            "pwleOnSelect"});

  f = page("TextArea");
  f->addRow(Lang("ALName"), taeName = Edit("taeName"));
  f->addRow(Lang("tbLB1"), taeRows = Edit("taeRows"));
  f->addRow(Lang("tbLB2"), taeCols = Edit("taeCols"));
  f->addRow(radioRow(rgWrap, "rgWrapBox", "htmlWrap", {"Virtual", "physical"}));
  f->addRow(Memo1 = Named(new QPlainTextEdit, "Memo1"));

  f = page("ImgSheet");
  auto* srcRow = new QHBoxLayout;
  srcRow->addWidget(imgESrc = Edit("imgESrc"), 1);
  srcRow->addWidget(SpeedButton1 = Named(new QPushButton(QStringLiteral("...")), "SpeedButton1"));
  f->addRow(Lang("UCCP_Filen"), srcRow);
  f->addRow(Lang("ALName"), imgeName = Edit("imgeName"));
  f->addRow(CheckBox1 = Named(new QCheckBox(Lang("htmlBorder")), "CheckBox1"));
  f->addRow(Lang("htmlOnClick"), imgeOnclick = Edit("imgeOnclick"));
  f->addRow(Lang("ADIMAlt"), Memo2 = Named(new QPlainTextEdit, "Memo2"));
  Memo2->setMaximumHeight(60);
  auto* previews = Named(new QGroupBox(Lang("ADIMPicture")), "GroupBox1");
  auto* previewRow = new QHBoxLayout(previews);
  AnimPicture1 = Named(new TAnimPicture, "AnimPicture1");
  AnimPicture2 = Named(new TAnimPicture, "AnimPicture2");
  for (TAnimPicture* p : {AnimPicture1, AnimPicture2}) {
    p->setMinimumSize(96, 96);
    p->SetPicturePosition(TAnimPicture::bpCenter);
    p->SetStretchMode(TAnimPicture::smShrink);
    p->Picture().LogPixelsX = p->Picture().LogPixelsY = 96;  // sizes in pixels
    previewRow->addWidget(p);
  }
  // One preview on screen, so that the picture is drawn once.
  AnimPicture2->hide();
  auto* dims = new QFormLayout;
  dims->addRow(Lang("mtWidth"), Label1 = Named(new QLabel, "Label1"));
  dims->addRow(Lang("ADIMHeight"), Label2 = Named(new QLabel, "Label2"));
  auto* dimBox = Named(new QGroupBox(Lang("ADIMDim")), "GroupBox2");
  dimBox->setLayout(dims);
  previewRow->addWidget(dimBox);
  f->addRow(previews);
  connect(SpeedButton1, &QPushButton::clicked, this, [this] {
    const QString file = ChooseFile(PictureFilter());
    if (!file.isEmpty()) LoadPicture(file);
  });

  f = page("HidSh");
  f->addRow(Lang("ALName"), hdeName = Edit("hdeName"));
  f->addRow(Lang("htmlValue"), hdeValue = Edit("hdeValue"));

  layout->addWidget(PageControl1, 1);
  layout->addLayout(OkFlag(this, Ok, Button1, "Button1", Button2, "Button2"));
}

void TfHTMLButton::ShowPage(TPage page) {
  // Only the page shown counts for the dialog's size.
  for (int i = 0; i < PageControl1->count(); ++i)
    PageControl1->widget(i)->setSizePolicy(i == page ? QSizePolicy::Preferred : QSizePolicy::Ignored,
                                           i == page ? QSizePolicy::Preferred : QSizePolicy::Ignored);
  PageControl1->setCurrentIndex(page);
}

bool TfHTMLButton::LoadPicture(const QString& fileName) {
  try {
    LoadPictureFile(AnimPicture1->Picture(), fileName);
  } catch (const std::exception& e) {
    ShowMessageDlg(QString::fromUtf8(e.what()), 2);
    return false;
  }
  AnimPicture1->update();
  AnimPicture2->SetPicture(AnimPicture1->Picture());
  Label1->setText(QString::number(AnimPicture1->Picture().GetWidth()));
  Label2->setText(QString::number(AnimPicture1->Picture().GetHeight()));
  imgESrc->setText(QFileInfo(fileName).fileName());
  return true;
}

QString TfHTMLButton::Fragment(bool radio) const {
  switch (PageControl1->currentIndex()) {
    case cbr:
      return CheckBoxFragment({cbrName->text(), cbrValue->text(), cbrOnClick->text(), cbrChecked->isChecked()}, radio);
    case Buttons:
      return ButtonFragment({btSelType->checkedId(), bteName->text(), bteValue->text(), bteOnclick->text()});
    case TextSheet:
      return EditFragment({TextEName->text(), textevalue->text(), textEMaxLen->text(), TexteSize->text(),
                           texteOnBlur->text(), TexteOnchange->text(), TexteOnFocus->text(), TexteOnSelect->text()},
                          false);
    case PassSheet:
      return EditFragment({pwlename->text(), pwleValue->text(), pwleMaxLaneg->text(), pwleSize->text(),
                           pwleOnblur->text(), pwleOnChange->text(), pwleOnFocus->text(), pwleOnSelect->text()},
                          true);
    case TextArea:
      return TextAreaFragment(
          {taeName->text(), taeRows->text(), taeCols->text(), rgWrap->checkedId(), Memo1->toPlainText()});
    case ImgSheet:
      return ImageButtonFragment({imgESrc->text(), imgeName->text(), imgeOnclick->text(), Label1->text(),
                                  Label2->text(), Memo2->toPlainText(), CheckBox1->isChecked()});
    default:
      return HiddenFragment(hdeName->text(), hdeValue->text());
  }
}

// ---------------------------------------------------------------- character map

TfCharacter::TfCharacter(std::function<void(const QString&)> insertText, QWidget* parent)
    : QDialog(parent), insertText_(std::move(insertText)) {
  setObjectName(QStringLiteral("fCharacter"));
  setWindowTitle(Lang("TB5"));
  auto* layout = new QVBoxLayout(this);
  GroupBox1 = Named(new QGroupBox, "GroupBox1");
  GroupBox1->setMouseTracking(true);
  GroupBox1->installEventFilter(this);
  auto* grid = new QGridLayout(GroupBox1);
  grid->setSpacing(1);
  const QList<TCharButton>& buttons = CharacterButtons();
  for (int i = 0; i < buttons.size(); ++i) {
    auto* b = new QToolButton;
    b->setObjectName(QStringLiteral("SpeedButton%1").arg(i + 1));
    b->setText(QString(buttons[i].caption).replace(u'&', QStringLiteral("&&")));  // no mnemonic
    b->setAutoRaise(true);
    b->setFixedSize(30, 26);
    b->installEventFilter(this);
    connect(b, &QToolButton::clicked, this, [this, i] { ButtonClick(i); });
    grid->addWidget(b, i / 16, i % 16);
    SpeedButtons << b;
  }
  layout->addWidget(GroupBox1);

  auto* bottom = new QHBoxLayout;
  auto* mode = Named(new QGroupBox, "RadioGroup1");
  auto* modeBox = new QVBoxLayout(mode);
  modeBox->addWidget(HtmlMode = new QRadioButton(QStringLiteral("HTML")));
  modeBox->addWidget(CharMode = new QRadioButton(Lang("DocChar")));
  HtmlMode->setChecked(true);
  bottom->addWidget(mode);
  label1 = Named(new QLabel(QStringLiteral("&Copy")), "label1");
  label1->setTextFormat(Qt::PlainText);
  label1->setFrameShape(QFrame::Panel);
  label1->setFrameShadow(QFrame::Sunken);
  label1->setMinimumWidth(70);
  label1->setAlignment(Qt::AlignCenter);
  bottom->addWidget(label1);
  connect(HtmlMode, &QRadioButton::toggled, this,
          [this](bool html) { label1->setText(html ? QStringLiteral("&Copy") : QStringLiteral("\u00A9")); });
  Panel1 = Named(new QLabel, "Panel1");
  Panel1->setTextFormat(Qt::PlainText);
  QFont preview(QStringLiteral("Verdana"));
  preview.setPixelSize(35);
  Panel1->setFont(preview);
  Panel1->setFixedSize(70, 60);
  Panel1->setAlignment(Qt::AlignCenter);
  Panel1->setFrameShape(QFrame::Panel);
  Panel1->setFrameShadow(QFrame::Raised);
  bottom->addWidget(Panel1);
  bottom->addStretch();
  bottom->addWidget(Button1 = Named(new QPushButton(Lang("Close")), "Button1"), 0, Qt::AlignBottom);
  connect(Button1, &QPushButton::clicked, this, &QDialog::accept);
  layout->addLayout(bottom);
}

QString TfCharacter::ButtonText(int index) const {
  const TCharButton& b = CharacterButtons().at(index);
  return HtmlMode->isChecked() ? b.entity : b.character;
}

void TfCharacter::ButtonClick(int index) {
  if (insertText_) insertText_(ButtonText(index));
}

bool TfCharacter::eventFilter(QObject* watched, QEvent* event) {
  if (watched == GroupBox1 && event->type() == QEvent::MouseMove) {
    Panel1->clear();
  } else if (event->type() == QEvent::Enter || event->type() == QEvent::MouseMove) {
    if (const int i = SpeedButtons.indexOf(qobject_cast<QToolButton*>(watched)); i >= 0)
      Panel1->setText(CharacterButtons().at(i).caption);
  }
  return QDialog::eventFilter(watched, event);
}

// ---------------------------------------------------------------- commands

TInsertClock& InsertClock() {
  static TInsertClock clock{[] { return QLocale::system(); }, [] { return QDateTime::currentDateTime(); }};
  return clock;
}

namespace {

// Shows `dialog` with the main window's font; its result.
int Run(IAppHost& host, QDialog& dialog) {
  dialog.setFont(host.HostWindow()->font());
  return Prompts().ExecModal(dialog);
}

}  // namespace

void InsertTable(IAppHost& host) {
  if (!host.ActiveDocument()) return;
  TfTable dialog(host.HostWindow());
  Run(host, dialog);
  if (dialog.Ok) host.InsertTextAtCursor(TableFragment(dialog.Options()));
}

void InsertList(IAppHost& host, bool ordered) {
  if (!host.ActiveDocument()) return;
  TfNumber dialog(ordered, host.HostWindow());
  if (Run(host, dialog) == QDialog::Accepted && !dialog.Cancelled)
    host.InsertTextAtCursor(ListFragment(dialog.Options()));
}

void InsertHorLine(IAppHost& host) {
  if (!host.ActiveDocument()) return;
  TfHorLine dialog(host.HostWindow());
  if (Run(host, dialog) == QDialog::Accepted && !dialog.Cancelled)
    host.InsertTextAtCursor(HorLineFragment(dialog.Options()));
}

void InsertTextFormatting(IAppHost& host) {
  TChildForm* c = host.ActiveDocument();
  if (!c) return;
  TSrcEdit* e = c->Memo1;
  host.RememberSelection(e->SelStart(), e->SelEnd());
  TfTextFormat dialog(host.HostWindow());
  Run(host, dialog);
  if (!dialog.Ok) {
    // Nothing changed: the selection (a column block too) or a caret past
    // the line end stays as it was.
    e->setFocus();
    return;
  }
  // The old text selected again inside the tags, as by the wrap commands.
  const TFontTags tags = FontTags(dialog.Options());
  host.WrapSelection(tags.open, tags.close);
}

void InsertDateTime(IAppHost& host) {
  if (!host.ActiveDocument()) return;
  TfDT dialog(InsertClock().Locale(), InsertClock().Now(), host.HostWindow());
  Run(host, dialog);
  if (dialog.Ok) host.InsertTextAtCursor(dialog.DateTimeText);
}

void InsertUpdateScript(IAppHost& host) {
  if (!host.ActiveDocument()) return;
  TfUpdateScript dialog(host.HostWindow());
  dialog.Edit1->setText(Lang("UpdOn1"));
  Run(host, dialog);
  if (!dialog.Ok) return;
  const QString format = InsertClock().Locale().dateFormat(QLocale::ShortFormat);
  host.InsertTextAtCursor(UpdateScript({dialog.CheckBox1->isChecked(), dialog.CheckBox2->isChecked(),
                                        dialog.CheckBox3->isChecked(), dialog.Edit1->text(), Lang("UpdOn1"), format,
                                        DateSeparator(format)}));
}

void InsertFormControl(IAppHost& host, const QString& kind) {
  struct Kind {
    const char* key;
    TfHTMLButton::TPage page;
    int height, width;
  };
  static const Kind kinds[] = {
      {"FCheck", TfHTMLButton::cbr, 188, 533},        {"FRadio", TfHTMLButton::cbr, 188, 533},
      {"FButton", TfHTMLButton::Buttons, 259, 556},   {"FEdit", TfHTMLButton::TextSheet, 341, 594},
      {"FPwBox", TfHTMLButton::PassSheet, 359, 606},  {"FTA", TfHTMLButton::TextArea, 320, 429},
      {"FImage", TfHTMLButton::ImgSheet, 411, 639},   {"FHText", TfHTMLButton::HidSh, 135, 512},
  };
  if (!host.ActiveDocument()) return;
  for (const Kind& k : kinds) {
    if (kind != QLatin1String(k.key)) continue;
    TfHTMLButton dialog(host.HostWindow());
    dialog.ShowPage(k.page);
    dialog.resize(k.width, k.height);
    dialog.setWindowTitle(Lang(k.key));
    Run(host, dialog);
    if (dialog.Ok) host.InsertTextAtCursor(dialog.Fragment(kind == u"FRadio"));
    return;
  }
}

void InsertMailForm(IAppHost& host) {
  if (!host.ActiveDocument()) return;
  QInputDialog dialog(host.HostWindow());
  dialog.setObjectName(QStringLiteral("fDosPrompt"));
  dialog.setWindowTitle(Lang("FExample"));
  dialog.setLabelText(Lang("ALEmailAdres"));
  dialog.setMinimumWidth(360);
  dialog.setOkButtonText(Lang("btOk"));
  dialog.setCancelButtonText(Lang("btCancel"));
  if (Prompts().ExecModal(dialog) != QDialog::Accepted) return;
  host.InsertTextAtCursor(MailForm(dialog.textValue()));
}

void InsertCharacters(IAppHost& host) {
  if (!host.ActiveDocument()) return;
  TfCharacter dialog([&host](const QString& text) { host.InsertTextAtCursor(text); }, host.HostWindow());
  Run(host, dialog);
}
