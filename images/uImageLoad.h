// The image browser: a document-area window that shows image files as
// thumbnails, one of them at full size (GIFs animated), and hands the last
// clicked one to the user's graphics program. The picture shown at full size
// is decoded on a picture thread; a placeholder stands in until it is drawn.
#pragma once

#include <QMdiSubWindow>
#include <QPointer>
#include <functional>
#include <memory>

class QPushButton;
class QStackedWidget;
class QStatusBar;
class TAnimPicture;
class TPicturePending;
class TPlatformPicture;
class TThumbnailList;
namespace PictureThreads {
class TTask;
}

// What the browser needs from the program around it.
struct TImageBrowserHooks {
  std::function<QString(const QString& key)> LangText;
  // The graphics program (key Path of section GFX); empty when none is set.
  std::function<QString()> GraphicsProgram;
  // Starts the program with `file`, or without a file when it is empty.
  std::function<bool(const QString& program, const QString& file)> OpenWithProgram;
  // Shows the options screen at the graphics-program page.
  std::function<void()> ShowGraphicsOptions;
  // Shows a failure to the user.
  std::function<void(const QString& message)> ShowError;
  // The picture files of `folder` in the order the program lists them (the
  // same for a browser opened on a folder and one that follows the folder
  // tree); the thumbnail list's own listing when not set.
  std::function<QStringList(const QString& folder)> ListPictures;
  // The line that says `folder` holds no pictures.
  std::function<QString(const QString& folder)> NoPicturesText;
};
TImageBrowserHooks& ImageBrowserHooks();

class TfImageBrowser : public QMdiSubWindow {
  Q_OBJECT
 public:
  explicit TfImageBrowser(QWidget* parent = nullptr);
  ~TfImageBrowser() override;

  // Adds one thumbnail per file; pictures are decoded when first shown.
  void AddFiles(const QStringList& files);
  // Replaces the thumbnails by the pictures of `folder`; the status line
  // says when it holds none, and says nothing else otherwise.
  void RefillFromFolder(const QString& folder);

  void FormShow();
  void ThumbnailList1Click();
  void ThumbnailList1DblClick();
  void AnimPicture1Click() { ShowThumbnails(); }
  void Button2Click() { ShowThumbnails(); }
  void Button1Click();

  bool FullViewShown() const;
  // The picture of the full view is still being decoded.
  bool PictureLoading() const { return loading_ != nullptr; }
  // Runs the event loop until the full view's picture is drawn (or has
  // failed), at most `ms` milliseconds; false when time ran out.
  bool WaitForPicture(int ms = 30000);
  // The file of the last clicked thumbnail.
  const QString& SelectedFile() const { return selectedFile_; }

  TThumbnailList* ThumbnailList1 = nullptr;
  QWidget* Panel1 = nullptr;
  QPushButton* Button1 = nullptr;
  QPushButton* Button2 = nullptr;
  TAnimPicture* AnimPicture1 = nullptr;
  QStatusBar* StatusBar1 = nullptr;

 private:
  void ShowThumbnails();
  void PictureLoaded(const TPlatformPicture& picture, const QString& error);
  QStackedWidget* pages_ = nullptr;
  QStackedWidget* view_ = nullptr;  // the picture, or what stands for it until it is drawn
  TPicturePending* pending_ = nullptr;
  std::shared_ptr<PictureThreads::TTask> loading_;
  QString selectedFile_;
};

// The current browser; cleared by itself when the browser closes.
QPointer<TfImageBrowser>& CurrentImageBrowser();
