#include "authoring/uPictureInserts.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QFileInfo>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QStackedWidget>
#include <QStyle>
#include <QTabBar>
#include <QVBoxLayout>

#include "images/AnimPicture.h"
#include "images/PicturePending.h"
#include "images/PictureThreads.h"
#include "platform/WmfPicture.h"

namespace {

template <typename T>
T* Named(T* widget, const char* name) {
  widget->setObjectName(QLatin1String(name));
  return widget;
}

// A browse button: the folder symbol, no text.
QPushButton* BrowseButton() {
  auto* b = new QPushButton;
  QIcon icon = QIcon::fromTheme(QStringLiteral("document-open"));
  b->setIcon(icon.isNull() ? b->style()->standardIcon(QStyle::SP_DirOpenIcon) : icon);
  return b;
}

QHBoxLayout* ButtonRow(QPushButton* ok, QPushButton* cancel) {
  auto* row = new QHBoxLayout;
  row->addStretch();
  row->addWidget(ok);
  row->addWidget(cancel);
  return row;
}

}  // namespace

// ---------------------------------------------------------------- link

TfUrl::TfUrl(const TLangFunction& lang, QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("fUrl"));
  setWindowTitle(lang(QStringLiteral("ALAddMailLink")));
  auto* layout = new QVBoxLayout(this);
  TabSet1 = Named(new QTabBar, "TabSet1");
  TabSet1->addTab(lang(QStringLiteral("ALUrl")));
  TabSet1->addTab(lang(QStringLiteral("ALMailTo")));
  PageControl1 = Named(new QStackedWidget, "PageControl1");
  auto* link = new QWidget;
  auto* linkForm = new QFormLayout(link);
  linkForm->addRow(lang(QStringLiteral("ALUrl")), Edit2 = Named(new QLineEdit, "Edit2"));
  linkForm->addRow(lang(QStringLiteral("ALName")), Edit3 = Named(new QLineEdit, "Edit3"));
  linkForm->addRow(newwd = Named(new QCheckBox(lang(QStringLiteral("ALNewWindow"))), "newwd"));
  auto* mail = new QWidget;
  auto* mailForm = new QFormLayout(mail);
  mailForm->addRow(lang(QStringLiteral("ALEmailAdres")), Edit1 = Named(new QLineEdit, "Edit1"));
  mailForm->addRow(lang(QStringLiteral("mltosub")), Edit5 = Named(new QLineEdit, "Edit5"));
  mailForm->addRow(lang(QStringLiteral("ALName")), Edit4 = Named(new QLineEdit, "Edit4"));
  PageControl1->addWidget(link);
  PageControl1->addWidget(mail);
  connect(TabSet1, &QTabBar::currentChanged, PageControl1, &QStackedWidget::setCurrentIndex);
  Button1 = Named(new QPushButton(lang(QStringLiteral("btOk"))), "Button1");
  Button2 = Named(new QPushButton(lang(QStringLiteral("btCancel"))), "Button2");
  connect(Button1, &QPushButton::clicked, this, [this] {
    Ok = true;
    accept();
  });
  connect(Button2, &QPushButton::clicked, this, [this] {
    Ok = false;
    reject();
  });
  layout->addWidget(TabSet1);
  layout->addWidget(PageControl1);
  layout->addLayout(ButtonRow(Button1, Button2));
}

QString TfUrl::Fragment() const {
  if (PageControl1->currentIndex() == 0)
    return PictureInserts::LinkFragment(Edit2->text(), Edit3->text(), newwd->isChecked());
  return PictureInserts::MailLinkFragment(Edit1->text(), Edit5->text(), Edit4->text());
}

// ---------------------------------------------------------------- picture

TfImage::TfImage(const TLangFunction& lang, QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("fImage"));
  setWindowTitle(lang(QStringLiteral("ADIMCapt")));
  auto* layout = new QVBoxLayout(this);
  auto* fileRow = new QHBoxLayout;
  fileRow->addWidget(Edit1 = Named(new QLineEdit, "Edit1"), 1);
  fileRow->addWidget(Button1 = Named(BrowseButton(), "Button1"));
  layout->addLayout(fileRow);

  auto* previews = Named(new QGroupBox(lang(QStringLiteral("ADIMPicture"))), "GroupBox1");
  auto* previewRow = new QHBoxLayout(previews);
  AnimPicture1 = Named(new TAnimPicture, "AnimPicture1");
  AnimPicture2 = Named(new TAnimPicture, "AnimPicture2");
  for (TAnimPicture* p : {AnimPicture1, AnimPicture2}) {
    p->setMinimumSize(120, 120);
    p->SetPicturePosition(TAnimPicture::bpCenter);
    p->SetStretchMode(TAnimPicture::smShrink);
    p->Picture().LogPixelsX = p->Picture().LogPixelsY = 96;  // sizes in pixels
  }
  pending_ = new TPicturePending;
  preview_ = new QStackedWidget;
  preview_->addWidget(AnimPicture2);
  preview_->addWidget(pending_);
  previewRow->addWidget(AnimPicture1);
  previewRow->addWidget(preview_);
  AnimPicture2->SetAnimate(true);
  AnimPicture1->hide();
  layout->addWidget(previews);

  auto* dims = Named(new QGroupBox(lang(QStringLiteral("ADIMDim"))), "GroupBox2");
  auto* dimForm = new QFormLayout(dims);
  dimForm->addRow(Named(new QLabel(lang(QStringLiteral("mtWidth"))), "Label1"), Label3 = Named(new QLabel, "Label3"));
  dimForm->addRow(Named(new QLabel(lang(QStringLiteral("ADIMHeight"))), "Label2"),
                  Label4 = Named(new QLabel, "Label4"));
  layout->addWidget(dims);

  auto* styles = Named(new QGroupBox(lang(QStringLiteral("ADIMPtStyle"))), "GroupBox3");
  auto* styleRow = new QVBoxLayout(styles);
  styleRow->addWidget(full = Named(new QRadioButton(lang(QStringLiteral("ADIMPtFull"))), "full"));
  styleRow->addWidget(nofull = Named(new QRadioButton(lang(QStringLiteral("ADIMPtNofull"))), "nofull"));
  styleRow->addWidget(comp = Named(new QRadioButton(lang(QStringLiteral("ADIMPtComp"))), "comp"));
  nofull->setChecked(true);
  layout->addWidget(styles);

  auto* altForm = new QFormLayout;
  altForm->addRow(lang(QStringLiteral("ADIMAlt")), AltText = Named(new QLineEdit, "AltText"));
  layout->addLayout(altForm);
  layout->addWidget(CheckBox1 = Named(new QCheckBox(lang(QStringLiteral("ADIMNoBorder"))), "CheckBox1"));
  CheckBox1->setChecked(true);

  Button2 = Named(new QPushButton(lang(QStringLiteral("ADIMAddImg"))), "Button2");
  Button3 = Named(new QPushButton(lang(QStringLiteral("Close"))), "Button3");
  Button2->setEnabled(false);
  layout->addLayout(ButtonRow(Button2, Button3));
  connect(Edit1, &QLineEdit::textChanged, this,
          [this](const QString& text) { Button2->setEnabled(!text.trimmed().isEmpty()); });
  connect(Edit1, &QLineEdit::editingFinished, this, &TfImage::Edit1Exit);
  connect(Button1, &QPushButton::clicked, this, [this] { Button1Click(); });
  connect(Button2, &QPushButton::clicked, this, [this] { Button2Click(); });
  connect(Button3, &QPushButton::clicked, this, [this] {
    Ok = false;
    reject();
  });
  // Closed while a picture is drawn: it is no longer wanted.
  connect(this, &QDialog::finished, this, [this] { StopLoading(); });
}

TfImage::~TfImage() {
  // The field loses the focus while the dialog goes: nothing is loaded then.
  disconnect(Edit1, &QLineEdit::editingFinished, this, &TfImage::Edit1Exit);
  StopLoading();
}

void TfImage::LoadFile(const QString& fileName) { Load(fileName, lfTell); }

void TfImage::Load(const QString& fileName, TLoadFor purpose) {
  StopLoading();
  const QString file = PictureInserts::FileFromFolder(DocumentFolder, fileName);
  if (!WmfPicture::IsWmf(ReadPictureFile(file))) {
    LoadPictureFile(AnimPicture1->Picture(), file);
    ShowLoaded(fileName);
    return;
  }
  ClearPicture();
  shownFile_ = fileName;
  Edit1->setText(fileName);
  preview_->setCurrentWidget(pending_);
  loading_ = PictureThreads::LoadPicture(
      file, [this, fileName, purpose](const TPlatformPicture& picture, const QString& error) {
        Loaded(fileName, picture, error, purpose);
      });
}

void TfImage::Loaded(const QString& fileName, const TPlatformPicture& picture, const QString& error, TLoadFor purpose) {
  loading_.reset();
  preview_->setCurrentWidget(AnimPicture2);
  if (!error.isEmpty()) {
    ClearPicture();
    if (purpose != lfQuiet && ShowError) ShowError(error);
    return;
  }
  AnimPicture1->SetPicture(picture);
  ShowLoaded(fileName);
  if (purpose == lfAdd) {
    Ok = true;
    accept();
  }
}

void TfImage::ShowLoaded(const QString& fileName) {
  Label3->setText(QString::number(AnimPicture1->Picture().GetWidth()));
  Label4->setText(QString::number(AnimPicture1->Picture().GetHeight()));
  AnimPicture2->SetPicture(AnimPicture1->Picture());
  shownFile_ = fileName;
  Edit1->setText(fileName);
}

void TfImage::StopLoading() {
  if (loading_) loading_->Cancel();
  loading_.reset();
  if (preview_) preview_->setCurrentWidget(AnimPicture2);
}

bool TfImage::WaitForPicture(int ms) {
  return PictureThreads::RunEventsWhile([this] { return loading_ != nullptr; }, ms);
}

void TfImage::Edit1Exit() {
  const QString typed = Edit1->text().trimmed();
  if (typed == shownFile_ && !typed.isEmpty()) return;  // shown already, or being drawn
  try {
    if (typed.isEmpty()) {
      StopLoading();
      ClearPicture();
    } else {
      Load(typed, lfQuiet);
    }
  } catch (const std::exception&) {
    // No picture there: nothing of the one before stays. Add says why.
    ClearPicture();
  }
}

void TfImage::ClearPicture() {
  AnimPicture1->Picture().Clear();
  AnimPicture2->Picture().Clear();
  Label3->clear();
  Label4->clear();
  shownFile_.clear();
}

bool TfImage::TryLoad(const QString& fileName) {
  try {
    LoadFile(fileName);
    return true;
  } catch (const std::exception& e) {
    if (ShowError) ShowError(QString::fromUtf8(e.what()));
    return false;
  }
}

void TfImage::Button1Click() {
  if (!Browse) return;
  const QString typed = Edit1->text().trimmed();
  const QString file = Browse(typed.isEmpty() ? StartFolder : QFileInfo(PictureInserts::FileFromFolder(DocumentFolder, typed)).absolutePath());
  if (!file.isEmpty()) TryLoad(file);
}

void TfImage::Button2Click() {
  try {
    Load(Edit1->text().trimmed(), lfAdd);
  } catch (const std::exception& e) {
    if (ShowError) ShowError(QString::fromUtf8(e.what()));
    return;  // the dialog stays open
  }
  if (loading_) return;  // added once the metafile is drawn
  Ok = true;
  accept();
}

PictureInserts::TPathStyle TfImage::PathStyle() const {
  if (full->isChecked()) return PictureInserts::psFull;
  if (comp->isChecked()) return PictureInserts::psComp;
  return PictureInserts::psNoFull;
}

QString TfImage::Fragment() const {
  return PictureInserts::ImageFragment(PictureInserts::PicturePath(Edit1->text(), PathStyle(), DocumentFolder),
                                       AltText->text(), AnimPicture1->Picture().GetWidth(),
                                       AnimPicture1->Picture().GetHeight());
}

// ---------------------------------------------------------------- flash

TfFlash::TfFlash(const TLangFunction& lang, QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("fFlash"));
  setWindowTitle(lang(QStringLiteral("Flash")));
  auto* layout = new QVBoxLayout(this);
  auto* fileRow = new QHBoxLayout;
  fileRow->addWidget(Edit1 = Named(new QLineEdit, "Edit1"), 1);
  fileRow->addWidget(Button1 = Named(BrowseButton(), "Button1"));
  layout->addLayout(fileRow);
  auto* form = new QFormLayout;
  form->addRow(lang(QStringLiteral("ADIMHeight")), SpinEdit1 = Named(new QSpinBox, "SpinEdit1"));
  form->addRow(lang(QStringLiteral("mtWidth")), SpinEdit2 = Named(new QSpinBox, "SpinEdit2"));
  for (QSpinBox* s : {SpinEdit1, SpinEdit2}) s->setRange(0, 99999);
  layout->addLayout(form);
  auto* note = new QLabel(lang(QStringLiteral("FlashOP")));
  note->setWordWrap(true);
  layout->addWidget(note);
  layout->addWidget(CheckBox1 = Named(new QCheckBox(lang(QStringLiteral("FlashLoop"))), "CheckBox1"));
  connect(CheckBox1, &QCheckBox::clicked, this,
          [this](bool on) { LoopText = on ? QStringLiteral("true") : QStringLiteral("false"); });
  connect(Button1, &QPushButton::clicked, this, [this] {
    const QString file = Browse ? Browse() : QString();
    if (!file.isEmpty()) Edit1->setText(QFileInfo(file).fileName());
  });
  Button2 = Named(new QPushButton(lang(QStringLiteral("btOk"))), "Button2");
  Button3 = Named(new QPushButton(lang(QStringLiteral("btCancel"))), "Button3");
  connect(Button2, &QPushButton::clicked, this, &QDialog::accept);
  connect(Button3, &QPushButton::clicked, this, &QDialog::reject);
  layout->addLayout(ButtonRow(Button2, Button3));
}

QStringList TfFlash::Lines() const {
  return PictureInserts::FlashLines(Edit1->text(), SpinEdit2->value(), SpinEdit1->value(), LoopText);
}
