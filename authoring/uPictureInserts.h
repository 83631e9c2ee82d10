// The link, picture and flash-movie insert dialogs. Their texts come through
// the language function handed in; file choice and error display through
// hooks, so that the dialogs run without a person in tests.
#pragma once

#include <QDialog>
#include <functional>
#include <memory>

#include "authoring/PictureInserts.h"

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QSpinBox;
class QStackedWidget;
class QTabBar;
class TAnimPicture;
class TPicturePending;
class TPlatformPicture;
namespace PictureThreads {
class TTask;
}

using TLangFunction = std::function<QString(const QString& key)>;

// Link or mail link.
class TfUrl : public QDialog {
  Q_OBJECT
 public:
  explicit TfUrl(const TLangFunction& lang, QWidget* parent = nullptr);
  QString Fragment() const;
  bool Ok = false;

  QTabBar* TabSet1 = nullptr;
  QStackedWidget* PageControl1 = nullptr;
  QLineEdit* Edit2 = nullptr;  // address
  QLineEdit* Edit3 = nullptr;  // link text
  QCheckBox* newwd = nullptr;
  QLineEdit* Edit1 = nullptr;  // e-mail address
  QLineEdit* Edit5 = nullptr;  // subject
  QLineEdit* Edit4 = nullptr;  // link text
  QPushButton* Button1 = nullptr;
  QPushButton* Button2 = nullptr;
};

// A picture with its size. A metafile, which can take long to draw, is
// drawn on a picture thread: a placeholder stands in the preview until it is
// ready, and the window answers meanwhile.
class TfImage : public QDialog {
  Q_OBJECT
 public:
  explicit TfImage(const TLangFunction& lang, QWidget* parent = nullptr);
  ~TfImage() override;
  // Shows `fileName` in both previews with its size; raises the loader's
  // errors (a metafile's, once drawn, go to ShowError).
  void LoadFile(const QString& fileName);
  // LoadFile with its failure shown; false then.
  bool TryLoad(const QString& fileName);
  // A metafile is being drawn for the previews (or for Add).
  bool PictureLoading() const { return loading_ != nullptr; }
  // Runs the event loop until the picture being drawn is ready (or has
  // failed), at most `ms` milliseconds; false when time ran out.
  bool WaitForPicture(int ms = 30000);
  // The path typed is done with (focus left the field, or Return): the
  // previews and the size show that picture, or nothing when it names none.
  void Edit1Exit();
  void Button1Click();
  void Button2Click();
  QString Fragment() const;
  PictureInserts::TPathStyle PathStyle() const;
  bool Ok = false;

  // Asks for a picture file, starting in `folder`; empty when cancelled.
  std::function<QString(const QString& folder)> Browse;
  std::function<void(const QString& message)> ShowError;
  // The folder browsing starts in when no path is typed.
  QString StartFolder;
  // The folder of the document the picture goes into; empty while that
  // document was never saved. The "full" path style is relative to it.
  QString DocumentFolder;

  QLineEdit* Edit1 = nullptr;
  QPushButton* Button1 = nullptr;
  // The picture as loaded (its size is read here) and the preview shown,
  // which plays an animation: only the second is on screen, so that the
  // picture is drawn once.
  TAnimPicture* AnimPicture1 = nullptr;
  TAnimPicture* AnimPicture2 = nullptr;
  QLabel* Label3 = nullptr;  // width
  QLabel* Label4 = nullptr;  // height
  QRadioButton* full = nullptr;
  QRadioButton* nofull = nullptr;
  QRadioButton* comp = nullptr;
  QLineEdit* AltText = nullptr;
  QCheckBox* CheckBox1 = nullptr;
  QPushButton* Button2 = nullptr;
  QPushButton* Button3 = nullptr;

 private:
  // What a picture is loaded for: the previews, quietly (a typed path) or
  // telling its failure; or Add, which closes the dialog once it is loaded.
  enum TLoadFor { lfQuiet, lfTell, lfAdd };
  // Loads `fileName` for the previews, a metafile on a picture thread;
  // raises the loader's errors of the rest.
  void Load(const QString& fileName, TLoadFor purpose);
  void Loaded(const QString& fileName, const TPlatformPicture& picture, const QString& error, TLoadFor purpose);
  // Both previews and the size show the picture of AnimPicture1.
  void ShowLoaded(const QString& fileName);
  void StopLoading();
  // Empties both previews and the size.
  void ClearPicture();
  // The file the previews show; empty when they show none.
  QString shownFile_;
  QStackedWidget* preview_ = nullptr;  // AnimPicture2, or what stands for it until it is drawn
  TPicturePending* pending_ = nullptr;
  std::shared_ptr<PictureThreads::TTask> loading_;
};

// A flash movie.
class TfFlash : public QDialog {
  Q_OBJECT
 public:
  explicit TfFlash(const TLangFunction& lang, QWidget* parent = nullptr);
  QStringList Lines() const;
  // Asks for a movie file; empty when cancelled.
  std::function<QString()> Browse;

  QLineEdit* Edit1 = nullptr;
  QPushButton* Button1 = nullptr;
  QSpinBox* SpinEdit1 = nullptr;  // height
  QSpinBox* SpinEdit2 = nullptr;  // width
  QCheckBox* CheckBox1 = nullptr;
  QString LoopText = QStringLiteral("false");
  QPushButton* Button2 = nullptr;
  QPushButton* Button3 = nullptr;
};
