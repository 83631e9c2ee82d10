// The form-control dialog of the insert commands: one page per kind of
// control (check box, radio button, button, edit, password, text area,
// picture, hidden field), each giving its fragment.
#include <QButtonGroup>
#include <QCheckBox>
#include <QFileInfo>
#include <QFormLayout>
#include <QGroupBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QStackedWidget>
#include <QVBoxLayout>
#include <array>

#include "app/core/LanguageModule.h"
#include "app/core/Prompts.h"
#include "app/dialogs/InsertDialogParts.h"
#include "app/dialogs/InsertDialogs.h"
#include "authoring/WtInsertFragments.h"
#include "images/AnimPicture.h"
#include "images/PlatformPicture.h"

using namespace InsertFragments;
using namespace InsertDialogParts;

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

  editPage(
      "TextSheet",
      {&TextEName, &textevalue, &textEMaxLen, &TexteSize, &texteOnBlur, &TexteOnchange, &TexteOnFocus, &TexteOnSelect},
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
