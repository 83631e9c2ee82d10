// A list of image items shown as thumbnails, in columns or in one row, each
// with an optional caption. Items that come from files are decoded when they
// are first drawn, scaled to their cell, and kept in a bounded cache; a file
// that cannot be decoded is marked and shown by its caption alone.
#pragma once

#include <QCache>
#include <QListView>
#include <functional>
#include <memory>
#include <vector>

#include "images/PlatformPicture.h"

class QAbstractListModel;
class TThumbnailList;

enum TThumbnailSource { tsPicture, tsFile };
enum TThumbnailOrientation { toVertical, toHorizontal };

class TThumbnail {
 public:
  explicit TThumbnail(TThumbnailList* list);
  TPlatformPicture& Picture() { return picture_; }
  void SetPicture(const TPlatformPicture& picture);
  const QString& Filename() const { return filename_; }
  void SetFilename(const QString& name);
  const QString& Caption() const { return caption_; }
  void SetCaption(const QString& caption);
  TThumbnailSource Source = tsPicture;
  int Tag = 0;
  // The file could not be decoded; it is not tried again.
  bool Failed = false;
  quint64 Id() const { return id_; }

 private:
  void Changed();
  TThumbnailList* list_;
  TPlatformPicture picture_;
  QString filename_;
  QString caption_;
  quint64 id_;
};

class TThumbnails {
 public:
  explicit TThumbnails(TThumbnailList* list) : list_(list) {}
  TThumbnail& Add();
  TThumbnail& Items(int i) { return *items_.at(static_cast<std::size_t>(i)); }
  int Count() const { return static_cast<int>(items_.size()); }
  void Delete(int i);
  void Clear();

 private:
  TThumbnailList* list_;
  std::vector<std::unique_ptr<TThumbnail>> items_;
};

class TThumbnailList : public QListView {
  Q_OBJECT
 public:
  explicit TThumbnailList(QWidget* parent = nullptr);
  ~TThumbnailList() override;

  TThumbnails& Thumbnails() { return thumbnails_; }

  int Columns() const { return columns_; }
  void SetColumns(int n);
  bool ShowCaption() const { return showCaption_; }
  void SetShowCaption(bool on);
  bool ShowSelection() const { return showSelection_; }
  void SetShowSelection(bool on);
  TThumbnailOrientation Orientation() const { return orientation_; }
  void SetOrientation(TThumbnailOrientation o);
  int ThumbnailSize() const { return thumbnailSize_; }
  void SetThumbnailSize(int size);
  int ItemHeight() const { return itemHeight_; }
  int ColumnWidth() const { return columnWidth_; }

  // Mirrors the thumbnails in the list's entries.
  void SyncItems();
  // Replaces the thumbnails by the JPEG, GIF, BMP, ICO, WMF and PNG files that
  // match `mask` (a folder and a wildcard, such as "/pics/*.*").
  void LoadFromMask(const QString& mask);

  // The current item, -1 when none.
  int ItemIndex() const;
  void SetItemIndex(int index);
  int RowCount() const;

  // Draws item `index` in `rect`.
  void DrawItem(QPainter& painter, int index, QRect rect, bool selected, bool focused);
  // Where a picture of `picture` goes in the inner rectangle `box` of a cell.
  static QRect PictureRect(QSize picture, QRect box);

  // Files decoded so far.
  int DecodeCount() const { return decodes_; }

  std::function<void()> OnClick;
  std::function<void()> OnDblClick;

 protected:
  void resizeEvent(QResizeEvent* event) override;

 private:
  friend class TThumbnail;
  friend class TThumbnails;
  void ApplyLayout();
  const QImage* Thumb(TThumbnail& item, QSize box);

  TThumbnails thumbnails_;
  QAbstractListModel* model_;
  int columns_ = 0;
  bool showCaption_ = true;
  bool showSelection_ = false;
  TThumbnailOrientation orientation_ = toVertical;
  int thumbnailSize_ = 64;
  int itemHeight_ = 64;
  int columnWidth_ = 0;
  bool destroying_ = false;
  int decodes_ = 0;
  QCache<quint64, QImage> cache_;
};

// Decodes an image file scaled to fit `box` (PNG through the project's codec,
// GIF as its first frame on its logical screen), within the budget of one
// picture. Failures raise; a file that failed before and has not changed
// since raises its failure again without being decoded.
QImage LoadThumbnailImage(const QString& fileName, QSize box);
