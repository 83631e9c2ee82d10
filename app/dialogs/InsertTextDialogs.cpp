// The text dialogs of the insert commands: text formatting, date and time,
// and the last-updated script.
#include <QCheckBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QRadioButton>
#include <QShortcut>
#include <QVBoxLayout>

#include "app/core/LanguageModule.h"
#include "app/core/Settings.h"
#include "app/dialogs/InsertDialogParts.h"
#include "app/dialogs/InsertDialogs.h"
#include "authoring/WtInsertFragments.h"
#include "files/FrComboBox.h"

using namespace InsertFragments;
using namespace InsertDialogParts;

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
