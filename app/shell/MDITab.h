// The document tab strip: one tab per document window of the main window's
// document area. Selecting a tab brings its window to the front, activating
// a window selects its tab, and a window that goes away takes its tab along.
#pragma once

#include <QPointer>
#include <QTabBar>
#include <functional>
#include <vector>

#include "platform/ImageList.h"

class QMdiArea;
class QMdiSubWindow;

class TMDITab : public QTabBar {
  Q_OBJECT
 public:
  // `owner` must be a top-level window holding `area`, and must not hold a
  // strip already; otherwise Exception with the misplacement message.
  TMDITab(QWidget* owner, QMdiArea* area);

  QString About() const { return QStringLiteral("TMDITab: the document tab strip"); }
  bool ShowOnChange() const { return showOnChange_; }
  void SetShowOnChange(bool value) { showOnChange_ = value; }
  void SetImages(TImageList* images);

  // Registers a document window; a window that has a tab already is ignored.
  void AddChild(QMdiSubWindow* form, int imageIndex, bool fileNameOnly);
  void ChildActivated(QMdiSubWindow* sender);
  void ChildGone(QObject* sender);
  // Closes all document windows, the last in the window list first.
  void CloseAll();
  // The window of a tab, none out of range.
  QMdiSubWindow* FormAt(int index) const;
  QMdiSubWindow* ActiveForm() const { return FormAt(currentIndex()); }
  void SetTabCaption(int index, const QString& text);
  int ImageIndexOf(int index) const;
  int IndexOf(const QMdiSubWindow* form) const;

  // The strip's own text answers with its file-name part.
  void SetText(const QString& text) { text_ = text; }
  QString Text() const;

  // May change the image of a tab: (tab index, image index).
  std::function<void(int index, int& imageIndex)> OnGetImageIndex;
  std::function<void()> OnChange;

  // As tall as the tabs' text and pictures need, 22 pixels at least; the
  // tabs fill that height, so nothing of them is cut off.
  int StripHeight() const;
  QSize sizeHint() const override;
  QSize minimumSizeHint() const override;

  // The part of a path after its last "/", "\" or ":".
  static QString FileNamePart(const QString& path);
  // The text a tab shows for `caption`: "&" is no accelerator mark.
  static QString TabCaption(const QString& caption);

 protected:
  QSize tabSizeHint(int index) const override;

 private:
  void Changed();
  void UpdateIcon(int index);

  // The document area, checked on each use: while its destructors run it
  // takes its windows along, and is no longer an area to ask.
  QMdiArea* Area() const;
  QPointer<QObject> area_;
  QPointer<TImageList> images_;
  // Each tab's window: its identity, compared while it is being destroyed,
  // and a guard that reads as none once it is gone. Neither is ever cast
  // down while the window's destructors run.
  struct TForm {
    const QObject* id;
    QPointer<QObject> alive;
  };
  std::vector<TForm> forms_;
  std::vector<int> imageIndexes_;
  bool showOnChange_ = true;
  bool inChange_ = false;
  QString text_;
};
