// The block dialogs of the insert commands: table, ordered or unordered
// list, and horizontal line.
#include <QButtonGroup>
#include <QCheckBox>
#include <QFileInfo>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QRadioButton>
#include <QToolButton>
#include <QVBoxLayout>

#include "app/core/LanguageModule.h"
#include "app/core/Prompts.h"
#include "app/dialogs/InsertDialogParts.h"
#include "app/dialogs/InsertDialogs.h"
#include "authoring/PictureInserts.h"
#include "authoring/WtInsertFragments.h"

using namespace InsertFragments;
using namespace InsertDialogParts;

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
  o.backgroundExists =
      !Edit5->text().isEmpty() && QFileInfo(PictureInserts::FileFromFolder(DocumentFolder, Edit5->text())).isFile();
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
  static const Type types[] = {{"default", "1. 2. 3."}, {"a", "a. b. c."},  {"A", "A. B. C."},    {"i", "i. ii. iii."},
                               {"I", "I. II. III."},    {"disc", "\u25CF"}, {"circle", "\u25CB"}, {"square", "\u25A0"}};
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
