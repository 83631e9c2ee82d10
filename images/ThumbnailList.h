// A list of image items shown as thumbnails, in rows or in one row, each
// with an optional caption. Items that come from files are decoded when they
// first come into view, scaled to their cell, on the picture threads, several
// at a time; a placeholder stands in until each is ready. Metafiles, which
// can take long to draw, never hold every thread: one is always left for the
// other pictures. A decode no longer wanted (its item gone or renamed, the
// list cleared or gone, or out of view while pictures in view wait) stops.
// Thumbnails are kept in a bounded cache; a file that cannot be decoded is
// marked and shown by its caption alone.
#pragma once

#include <QCache>
#include <QElapsedTimer>
#include <QListView>
#include <functional>
#include <memory>
#include <vector>

#include "images/PlatformPicture.h"

class QAbstractListModel;
class TThumbnailList;

// Makes the thumbnail of the picture file `file`, scaled to fit `box`;
// failures raise. It runs on a picture thread, where
// PictureDecoder::Stopped() tells it that it is no longer wanted.
using TThumbnailDecoder = std::function<QImage(const QString& file, QSize box)>;

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
  const TThumbnail& Items(int i) const { return *items_.at(static_cast<std::size_t>(i)); }
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
  const TThumbnails& Thumbnails() const { return thumbnails_; }

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

  // Mirrors the thumbnails in the list's entries (not inside an update).
  void SyncItems();
  // Many thumbnails added or removed at once: the entries follow once, at
  // the end of the update.
  void BeginUpdate() { ++updating_; }
  void EndUpdate();
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

  // Files decoded so far (handed to the decoder).
  int DecodeCount() const { return decodes_; }
  // How thumbnails are made; LoadThumbnailImage unless replaced.
  void SetDecoder(TThumbnailDecoder decoder);
  // A thumbnail is being decoded.
  bool Decoding() const { return !jobs_.empty(); }
  // Thumbnails being decoded now.
  int DecodesRunning() const { return static_cast<int>(jobs_.size()); }
  // The thumbnail of item `index` is ready to be drawn.
  bool HasThumbnail(int index) const;
  // Runs the event loop until every item in view has its thumbnail (or has
  // failed), at most `ms` milliseconds; false when time ran out.
  bool WaitForThumbnails(int ms = 30000);
  // How long one paint waits at most for thumbnails being decoded, so that
  // quick pictures show without a placeholder first.
  static constexpr int kPaintWaitMs = 40;

  std::function<void()> OnClick;
  std::function<void()> OnDblClick;

 protected:
  void resizeEvent(QResizeEvent* event) override;
  void paintEvent(QPaintEvent* event) override;

 private:
  friend class TThumbnail;
  friend class TThumbnails;
  struct TJob;
  void ApplyLayout();
  // The box the picture of a cell at `cell` is drawn in.
  QRect PictureBox(QRect cell) const;
  bool WantsThumbnail(const TThumbnail& item) const;
  // The thumbnail of `item` when it is ready, waiting for its decode within
  // what is left of the paint's time; its decode is started when a thread
  // is free for it.
  const QImage* Thumb(TThumbnail& item, QSize box);
  std::shared_ptr<TJob> JobFor(quint64 id) const;
  // A decode of `item` can start now: a thread is free for its kind.
  bool CanStart(const TThumbnail& item) const;
  std::shared_ptr<TJob> StartJob(const TThumbnail& item, QSize box);
  // Waits for `job` within what is left of the paint's time; true when it
  // is done (its result is taken).
  bool AwaitJob(const std::shared_ptr<TJob>& job);
  void TakeResult(const TJob& job);
  void JobFinished(const std::shared_ptr<TJob>& job);
  // Starts the decodes of the items in view still without thumbnail, as
  // threads are free; decodes of items out of view give way to them.
  void DecodeNextInView();
  // The same from the event loop, once, however often it is asked for
  // before it runs.
  void DecodeNextInViewSoon();
  // Decodes no longer wanted: they stop, and their results are dropped.
  void Drop(const std::shared_ptr<TJob>& job);
  void CancelJobs();
  void CancelJobFor(quint64 id);

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
  bool decodeQueued_ = false;
  int updating_ = 0;
  int decodes_ = 0;
  QCache<quint64, QImage> cache_;
  TThumbnailDecoder decoder_;
  std::vector<std::shared_ptr<TJob>> jobs_;
  QElapsedTimer paintClock_;  // running while the list paints
};

// Decodes an image file scaled to fit `box` (PNG through the project's codec,
// GIF as its first frame on its logical screen), within the budget of one
// picture (and the program's). Failures raise; a file that failed before and has not changed
// since raises its failure again without being decoded.
QImage LoadThumbnailImage(const QString& fileName, QSize box);
