#include "images/uImageLoad.h"

#include <QFileInfo>
#include <QHBoxLayout>
#include <QPushButton>
#include <QStackedWidget>
#include <QStatusBar>
#include <QVBoxLayout>

#include "images/AnimPicture.h"
#include "images/PicturePending.h"
#include "images/PictureThreads.h"
#include "images/ThumbnailList.h"

TImageBrowserHooks& ImageBrowserHooks() {
  static TImageBrowserHooks hooks;
  return hooks;
}

QPointer<TfImageBrowser>& CurrentImageBrowser() {
  static QPointer<TfImageBrowser> browser;
  return browser;
}

namespace {
QString Text(const QString& key) { return ImageBrowserHooks().LangText ? ImageBrowserHooks().LangText(key) : key; }
}  // namespace

TfImageBrowser::TfImageBrowser(QWidget* parent) : QMdiSubWindow(parent) {
  setObjectName(QStringLiteral("fImageBrowser"));
  setAttribute(Qt::WA_DeleteOnClose);
  resize(696, 480);
  auto* body = new QWidget;
  auto* layout = new QVBoxLayout(body);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  pages_ = new QStackedWidget;
  ThumbnailList1 = new TThumbnailList;
  ThumbnailList1->setObjectName(QStringLiteral("ThumbnailList1"));
  ThumbnailList1->SetColumns(6);
  ThumbnailList1->SetShowSelection(true);
  ThumbnailList1->SetThumbnailSize(100);
  ThumbnailList1->OnClick = [this] { ThumbnailList1Click(); };
  ThumbnailList1->OnDblClick = [this] { ThumbnailList1DblClick(); };
  pages_->addWidget(ThumbnailList1);

  Panel1 = new QWidget;
  Panel1->setObjectName(QStringLiteral("Panel1"));
  auto* panelLayout = new QVBoxLayout(Panel1);
  panelLayout->setContentsMargins(0, 0, 0, 0);
  auto* strip = new QWidget;
  strip->setObjectName(QStringLiteral("Panel2"));
  strip->setFixedHeight(27);
  auto* stripLayout = new QHBoxLayout(strip);
  stripLayout->setContentsMargins(1, 1, 1, 1);
  Button1 = new QPushButton;
  Button1->setObjectName(QStringLiteral("Button1"));
  Button2 = new QPushButton;
  Button2->setObjectName(QStringLiteral("Button2"));
  for (QPushButton* b : {Button1, Button2}) {
    b->setFixedSize(136, 25);
    stripLayout->addWidget(b);
  }
  stripLayout->addStretch();
  connect(Button1, &QPushButton::clicked, this, [this] { Button1Click(); });
  connect(Button2, &QPushButton::clicked, this, [this] { Button2Click(); });
  AnimPicture1 = new TAnimPicture;
  AnimPicture1->setObjectName(QStringLiteral("AnimPicture1"));
  AnimPicture1->SetPicturePosition(TAnimPicture::bpCenter);
  AnimPicture1->SetStretchMode(TAnimPicture::smShrink);
  AnimPicture1->SetAnimate(true);
  AnimPicture1->OnClick = [this] { AnimPicture1Click(); };
  pending_ = new TPicturePending;
  view_ = new QStackedWidget;
  view_->addWidget(AnimPicture1);
  view_->addWidget(pending_);
  panelLayout->addWidget(strip);
  panelLayout->addWidget(view_, 1);
  pages_->addWidget(Panel1);

  StatusBar1 = new QStatusBar;
  StatusBar1->setObjectName(QStringLiteral("StatusBar1"));
  layout->addWidget(pages_, 1);
  layout->addWidget(StatusBar1);
  setWidget(body);
  FormShow();
  CurrentImageBrowser() = this;
}

TfImageBrowser::~TfImageBrowser() {
  if (loading_) loading_->Cancel();
}

void TfImageBrowser::FormShow() {
  setWindowTitle(Text(QStringLiteral("ImgBrowser")));
  Button1->setText(Text(QStringLiteral("FM_EDGFX")));
  Button2->setText(Text(QStringLiteral("Close")));
  AnimPicture1->setToolTip(Text(QStringLiteral("ImgBrowserHint")));
}

void TfImageBrowser::AddFiles(const QStringList& files) {
  ThumbnailList1->BeginUpdate();
  for (const QString& file : files) {
    TThumbnail& item = ThumbnailList1->Thumbnails().Add();
    item.SetFilename(file);
    item.Source = tsFile;
    item.SetCaption(QFileInfo(file).fileName());
  }
  ThumbnailList1->EndUpdate();
}

void TfImageBrowser::RefillFromFolder(const QString& folder) {
  const TImageBrowserHooks& hooks = ImageBrowserHooks();
  if (hooks.ListPictures) {
    const QStringList files = hooks.ListPictures(folder);
    ThumbnailList1->Thumbnails().Clear();
    AddFiles(files);
  } else {
    QString path = folder;
    if (!path.endsWith(u'/')) path += u'/';
    ThumbnailList1->LoadFromMask(path + QStringLiteral("*.*"));
  }
  // The line that said an earlier folder held none goes; the file clicked
  // last stays named.
  const QString none = ThumbnailList1->Thumbnails().Count() == 0 && hooks.NoPicturesText ? hooks.NoPicturesText(folder)
                                                                                           : QString();
  if (!none.isEmpty())
    StatusBar1->showMessage(none);
  else if (!statusTip().isEmpty() && StatusBar1->currentMessage() == statusTip())
    StatusBar1->clearMessage();
  setStatusTip(none);
}

void TfImageBrowser::ThumbnailList1Click() {
  const int index = ThumbnailList1->ItemIndex();
  if (index < 0 || index >= ThumbnailList1->Thumbnails().Count()) return;
  selectedFile_ = ThumbnailList1->Thumbnails().Items(index).Filename();
  StatusBar1->showMessage(selectedFile_);
}

void TfImageBrowser::ThumbnailList1DblClick() {
  const int index = ThumbnailList1->ItemIndex();
  if (index < 0 || index >= ThumbnailList1->Thumbnails().Count() || FullViewShown()) return;
  const QString file = ThumbnailList1->Thumbnails().Items(index).Filename();
  // A file known not to decode is told at once; the thumbnails stay.
  const QString known = PictureFailures::Known(file);
  if (!known.isEmpty()) {
    if (ImageBrowserHooks().ShowError) ImageBrowserHooks().ShowError(known);
    return;
  }
  AnimPicture1->Picture().Clear();
  view_->setCurrentWidget(pending_);
  pages_->setCurrentWidget(Panel1);
  loading_ = PictureThreads::LoadPicture(
      file, [this](const TPlatformPicture& picture, const QString& error) { PictureLoaded(picture, error); });
}

void TfImageBrowser::PictureLoaded(const TPlatformPicture& picture, const QString& error) {
  loading_.reset();
  if (!error.isEmpty()) {
    ShowThumbnails();
    if (ImageBrowserHooks().ShowError) ImageBrowserHooks().ShowError(error);
    return;
  }
  AnimPicture1->SetPicture(picture);
  view_->setCurrentWidget(AnimPicture1);
}

bool TfImageBrowser::WaitForPicture(int ms) {
  return PictureThreads::RunEventsWhile([this] { return loading_ != nullptr; }, ms);
}

bool TfImageBrowser::FullViewShown() const { return pages_->currentWidget() == Panel1; }

void TfImageBrowser::ShowThumbnails() {
  if (loading_) loading_->Cancel();
  loading_.reset();
  // What the full view took goes back to the program's budget.
  AnimPicture1->Picture().Clear();
  pages_->setCurrentWidget(ThumbnailList1);
}

void TfImageBrowser::Button1Click() {
  // With no thumbnail clicked yet the program starts without a file.
  const TImageBrowserHooks& hooks = ImageBrowserHooks();
  const QString program = hooks.GraphicsProgram ? hooks.GraphicsProgram() : QString();
  if (!program.isEmpty()) {
    if (hooks.OpenWithProgram) hooks.OpenWithProgram(program, selectedFile_);
  } else if (hooks.ShowGraphicsOptions) {
    hooks.ShowGraphicsOptions();
  }
}
