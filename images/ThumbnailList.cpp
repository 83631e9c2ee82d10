#include "images/ThumbnailList.h"

#include <QAbstractListModel>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPainter>
#include <QResizeEvent>
#include <QStyle>
#include <QStyleOptionFocusRect>
#include <QStyledItemDelegate>
#include <QThread>
#include <algorithm>

#include "images/PictureThreads.h"
#include "images/pngcodec.h"
#include "platform/Exceptions.h"

namespace {

quint64 NextId() {
  static quint64 id = 0;
  return ++id;
}

// The list's entries: rows without content, one per thumbnail.
class TEntries : public QAbstractListModel {
 public:
  using QAbstractListModel::QAbstractListModel;
  int rowCount(const QModelIndex& parent = {}) const override { return parent.isValid() ? 0 : rows; }
  QVariant data(const QModelIndex&, int) const override { return {}; }
  void Resize(int n) {
    if (n < rows) {
      beginRemoveRows({}, n, rows - 1);
      rows = n;
      endRemoveRows();
    } else if (n > rows) {
      beginInsertRows({}, rows, n - 1);
      rows = n;
      endInsertRows();
    }
  }
  int rows = 0;
};

class TThumbnailDelegate : public QStyledItemDelegate {
 public:
  explicit TThumbnailDelegate(TThumbnailList* list) : QStyledItemDelegate(list), list_(list) {}
  void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override {
    list_->DrawItem(*painter, index.row(), option.rect, option.state & QStyle::State_Selected,
                    option.state & QStyle::State_HasFocus);
  }
  QSize sizeHint(const QStyleOptionViewItem&, const QModelIndex&) const override {
    const int w = list_->ColumnWidth() > 0 ? list_->ColumnWidth() : list_->viewport()->width();
    return QSize(qMax(1, w), list_->ItemHeight());
  }

 private:
  TThumbnailList* list_;
};

// Metafiles, which can take long to draw, by their file's extension.
bool IsMetafileName(const QString& file) {
  return file.endsWith(QLatin1String(".wmf"), Qt::CaseInsensitive) ||
         file.endsWith(QLatin1String(".emf"), Qt::CaseInsensitive);
}

const QStringList& MaskExtensions() {
  static const QStringList ext = {QStringLiteral(".JPG"), QStringLiteral(".JPEG"), QStringLiteral(".GIF"),
                                  QStringLiteral(".BMP"), QStringLiteral(".ICO"),  QStringLiteral(".WMF"),
                                  QStringLiteral(".PNG")};
  return ext;
}

}  // namespace

// One thumbnail being decoded on a picture thread. The result is written by
// the work before it ends and read on the window's thread after it ended.
struct TThumbnailList::TJob {
  quint64 id = 0;
  bool metafile = false;
  std::shared_ptr<PictureThreads::TTask> task;
  bool failed = false;
  bool deferred = false;  // no room in the budget in time: tried again
  QImage image;
};

// ---------------------------------------------------------------- items

TThumbnail::TThumbnail(TThumbnailList* list) : list_(list), id_(NextId()) {
  picture_.OnChange = [this] { Changed(); };
}

void TThumbnail::SetPicture(const TPlatformPicture& picture) { picture_.Assign(picture); }

void TThumbnail::SetFilename(const QString& name) {
  filename_ = name;
  Failed = false;
  if (list_) list_->CancelJobFor(id_);  // a thumbnail of the file before
  Changed();
}

void TThumbnail::SetCaption(const QString& caption) {
  caption_ = caption;
  Changed();
}

void TThumbnail::Changed() {
  if (list_) {
    list_->cache_.remove(id_);
    list_->SyncItems();
  }
}

TThumbnail& TThumbnails::Add() {
  items_.push_back(std::make_unique<TThumbnail>(list_));
  list_->SyncItems();
  return *items_.back();
}

void TThumbnails::Delete(int i) {
  const quint64 id = items_.at(static_cast<std::size_t>(i))->Id();
  list_->CancelJobFor(id);
  list_->cache_.remove(id);
  items_.erase(items_.begin() + i);
  list_->SyncItems();
}

void TThumbnails::Clear() {
  list_->CancelJobs();
  items_.clear();
  list_->cache_.clear();
  list_->SyncItems();
}

// ---------------------------------------------------------------- list

TThumbnailList::TThumbnailList(QWidget* parent)
    : QListView(parent), thumbnails_(this), model_(new TEntries(this)), decoder_(LoadThumbnailImage) {
  cache_.setMaxCost(128 * 1024);  // kilobytes of scaled thumbnails
  setModel(model_);
  setItemDelegate(new TThumbnailDelegate(this));
  setUniformItemSizes(true);
  setSelectionMode(QAbstractItemView::SingleSelection);
  setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  setResizeMode(QListView::Adjust);  // the rows follow the width
  connect(this, &QListView::clicked, this, [this] {
    if (OnClick) OnClick();
  });
  connect(this, &QListView::doubleClicked, this, [this] {
    if (OnDblClick) OnDblClick();
  });
  ApplyLayout();
}

TThumbnailList::~TThumbnailList() {
  destroying_ = true;
  CancelJobs();
  PictureThreads::GiveBackMemoryWhenIdle();
}

void TThumbnailList::SetColumns(int n) {
  columns_ = qMax(0, n);
  ApplyLayout();
}

void TThumbnailList::SetShowCaption(bool on) {
  if (on == showCaption_) return;
  showCaption_ = on;
  viewport()->update();
}

void TThumbnailList::SetShowSelection(bool on) {
  if (on == showSelection_) return;
  showSelection_ = on;
  viewport()->update();
}

void TThumbnailList::SetOrientation(TThumbnailOrientation o) {
  if (o == orientation_) return;
  orientation_ = o;
  SetThumbnailSize(thumbnailSize_);
}

void TThumbnailList::SetThumbnailSize(int size) {
  thumbnailSize_ = size;
  if (orientation_ == toHorizontal) columns_ = thumbnails_.Count();
  ApplyLayout();
}

void TThumbnailList::ApplyLayout() {
  const int size = qMax(1, thumbnailSize_);
  if (orientation_ == toHorizontal) {
    columnWidth_ = size;
    const int bar = style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, this);
    itemHeight_ = qMax(1, height() - bar - 4);
    setFlow(QListView::LeftToRight);
    setWrapping(false);
  } else {
    itemHeight_ = size;
    columnWidth_ = columns_ > 0 ? size : 0;
    // With columns, in rows across the width, scrolled down; else one
    // column of full-width items.
    setFlow(columns_ > 0 ? QListView::LeftToRight : QListView::TopToBottom);
    setWrapping(columns_ > 0);
  }
  setGridSize(columnWidth_ > 0 ? QSize(columnWidth_, itemHeight_) : QSize());
  doItemsLayout();
  viewport()->update();
}

void TThumbnailList::EndUpdate() {
  if (updating_ > 0 && --updating_ == 0) SyncItems();
}

void TThumbnailList::SyncItems() {
  if (destroying_ || updating_ > 0) return;
  static_cast<TEntries*>(model_)->Resize(thumbnails_.Count());
  if (orientation_ == toHorizontal) columns_ = thumbnails_.Count();
  ApplyLayout();
}

int TThumbnailList::RowCount() const { return static_cast<TEntries*>(model_)->rows; }

int TThumbnailList::ItemIndex() const { return currentIndex().isValid() ? currentIndex().row() : -1; }

void TThumbnailList::SetItemIndex(int index) { setCurrentIndex(model_->index(index, 0)); }

void TThumbnailList::resizeEvent(QResizeEvent* event) {
  QListView::resizeEvent(event);
  if (orientation_ == toVertical && columns_ >= 1 && thumbnailSize_ > 0) {
    const int n = event->size().width() / thumbnailSize_;
    if (n >= 1 && n != columns_) columns_ = n;
  }
  ApplyLayout();
}

void TThumbnailList::LoadFromMask(const QString& mask) {
  thumbnails_.Clear();
  const qsizetype cut = qMax(mask.lastIndexOf(u'/'), mask.lastIndexOf(u'\\')) + 1;
  const QString folder = mask.left(cut);
  QString pattern = mask.mid(cut);
  if (pattern == u"*.*") pattern = QStringLiteral("*");
  const QDir dir(folder.isEmpty() ? QStringLiteral(".") : folder);
  // Regular files only (links to them too): a FIFO or device named like a
  // picture would hold the painting that reads it.
  const QStringList names = dir.entryList({pattern}, QDir::Files | QDir::Hidden, QDir::Name);
  BeginUpdate();
  for (const QString& name : names) {
    const qsizetype dot = name.lastIndexOf(u'.');
    if (dot < 0 || !MaskExtensions().contains(name.mid(dot).toUpper())) continue;
    TThumbnail& item = thumbnails_.Add();
    item.SetFilename(folder + name);
    item.Source = tsFile;
    item.SetCaption(name);
  }
  EndUpdate();
}

QRect TThumbnailList::PictureRect(QSize picture, QRect box) {
  const QSize size = FitSize(picture, box.size());
  return QRect(box.x() + (qMax(1, box.width()) - size.width()) / 2,
               box.y() + (qMax(1, box.height()) - size.height()) / 2, size.width(), size.height());
}

// ---------------------------------------------------------------- decoding

void TThumbnailList::SetDecoder(TThumbnailDecoder decoder) {
  decoder_ = decoder ? std::move(decoder) : LoadThumbnailImage;
}

bool TThumbnailList::WantsThumbnail(const TThumbnail& item) const {
  return item.Source == tsFile && !item.Failed && !item.Filename().isEmpty() && !cache_.contains(item.Id());
}

bool TThumbnailList::HasThumbnail(int index) const {
  return index >= 0 && index < thumbnails_.Count() && cache_.contains(thumbnails_.Items(index).Id());
}

QRect TThumbnailList::PictureBox(QRect cell) const {
  QRect r = cell.adjusted(2, 2, -2, -2);
  if (showCaption_) r.setBottom(r.bottom() - QFontMetrics(font()).height());
  return r;
}

std::shared_ptr<TThumbnailList::TJob> TThumbnailList::JobFor(quint64 id) const {
  for (const std::shared_ptr<TJob>& job : jobs_)
    if (job->id == id) return job;
  return nullptr;
}

bool TThumbnailList::CanStart(const TThumbnail& item) const {
  const int threads = PictureThreads::ThumbnailThreads();
  if (static_cast<int>(jobs_.size()) >= threads) return false;
  if (!IsMetafileName(item.Filename())) return true;
  int metafiles = 0;
  for (const std::shared_ptr<TJob>& job : jobs_) metafiles += job->metafile ? 1 : 0;
  return metafiles < threads - 1;
}

std::shared_ptr<TThumbnailList::TJob> TThumbnailList::StartJob(const TThumbnail& item, QSize box) {
  auto job = std::make_shared<TJob>();
  job->id = item.Id();
  job->metafile = IsMetafileName(item.Filename());
  jobs_.push_back(job);
  ++decodes_;
  // The work holds the job, not the list: a decode outliving its list
  // finishes into nothing. The list is told of the end only while the job
  // is still wanted.
  job->task = PictureThreads::TTask::Start(
      PictureThreads::Thumbnails(),
      [job, decode = decoder_, file = item.Filename(), box] {
        try {
          job->image = decode(file, box);
        } catch (const PictureDecoder::EPictureDeferred&) {
          job->deferred = true;
        } catch (...) {
          job->failed = true;  // the item shows its caption alone
        }
      },
      [this, job] { JobFinished(job); });
  return job;
}

bool TThumbnailList::AwaitJob(const std::shared_ptr<TJob>& job) {
  const qint64 left = paintClock_.isValid() ? kPaintWaitMs - paintClock_.elapsed() : 0;
  if (!job->task->WaitForWork(left)) return false;
  Drop(job);  // done: its result is taken here, not when its end is told
  TakeResult(*job);
  // Its end is no longer told, so the thread it frees goes to the next
  // picture in view from here.
  DecodeNextInViewSoon();
  return true;
}

void TThumbnailList::DecodeNextInViewSoon() {
  if (decodeQueued_ || destroying_) return;
  decodeQueued_ = true;
  QMetaObject::invokeMethod(
      this,
      [this] {
        decodeQueued_ = false;
        DecodeNextInView();
      },
      Qt::QueuedConnection);
}

void TThumbnailList::TakeResult(const TJob& job) {
  for (int i = 0; i < thumbnails_.Count(); ++i) {
    TThumbnail& item = thumbnails_.Items(i);
    if (item.Id() != job.id) continue;
    if (job.deferred) return;  // still wanted: decoded again when a thread is free
    if (job.failed) {
      item.Failed = true;
    } else if (!job.image.isNull()) {
      auto* image = new QImage(job.image);
      // A thumbnail larger than the whole cache is not decoded over and over.
      if (!cache_.insert(item.Id(), image, static_cast<int>(qMax<qint64>(1, image->sizeInBytes() / 1024))))
        item.Failed = true;
    }
    viewport()->update(visualRect(model_->index(i, 0)));
    return;
  }
}

void TThumbnailList::JobFinished(const std::shared_ptr<TJob>& job) {
  Drop(job);
  TakeResult(*job);
  DecodeNextInView();
}

void TThumbnailList::DecodeNextInView() {
  if (destroying_) return;
  const QRect view = viewport()->rect();
  const QModelIndex first = indexAt(QPoint(2, 2));
  std::vector<int> waiting;  // items in view without thumbnail or decode
  std::vector<quint64> inView;
  for (int i = first.isValid() ? first.row() : 0; i < thumbnails_.Count(); ++i) {
    const QRect cell = visualRect(model_->index(i, 0));
    if (cell.top() > view.bottom() || (orientation_ == toHorizontal && cell.left() > view.right())) break;
    const TThumbnail& item = thumbnails_.Items(i);
    if (!cell.intersects(view)) continue;
    inView.push_back(item.Id());
    if (WantsThumbnail(item) && !JobFor(item.Id())) waiting.push_back(i);
  }
  if (waiting.empty()) return;
  // Pictures scrolled away give their threads to those in view that would
  // otherwise wait.
  std::size_t wanted = waiting.size() + jobs_.size();
  const std::vector<std::shared_ptr<TJob>> running = jobs_;
  for (const std::shared_ptr<TJob>& job : running) {
    if (wanted <= static_cast<std::size_t>(PictureThreads::ThumbnailThreads())) break;
    if (std::find(inView.begin(), inView.end(), job->id) != inView.end()) continue;
    Drop(job);
    --wanted;
  }
  for (const int i : waiting) {
    const TThumbnail& item = thumbnails_.Items(i);
    if (!CanStart(item)) continue;
    StartJob(item, PictureBox(visualRect(model_->index(i, 0))).size().expandedTo(QSize(1, 1)));
  }
}

void TThumbnailList::Drop(const std::shared_ptr<TJob>& job) {
  job->task->Cancel();
  jobs_.erase(std::remove(jobs_.begin(), jobs_.end(), job), jobs_.end());
}

void TThumbnailList::CancelJobs() {
  for (const std::shared_ptr<TJob>& job : jobs_) job->task->Cancel();
  jobs_.clear();
}

void TThumbnailList::CancelJobFor(quint64 id) {
  if (const std::shared_ptr<TJob> job = JobFor(id)) Drop(job);
}

bool TThumbnailList::WaitForThumbnails(int ms) {
  QElapsedTimer clock;
  clock.start();
  for (;;) {
    DecodeNextInView();
    if (jobs_.empty()) return true;
    if (clock.elapsed() >= ms) return false;
    QCoreApplication::processEvents();
    if (!jobs_.empty()) QThread::msleep(2);
  }
}

const QImage* TThumbnailList::Thumb(TThumbnail& item, QSize box) {
  if (QImage* cached = cache_.object(item.Id())) return cached;
  if (!WantsThumbnail(item)) return nullptr;
  std::shared_ptr<TJob> job = JobFor(item.Id());
  if (!job) {
    if (!CanStart(item)) return nullptr;
    job = StartJob(item, box.expandedTo(QSize(1, 1)));
  }
  if (!AwaitJob(job)) return nullptr;
  return cache_.object(item.Id());
}

void TThumbnailList::paintEvent(QPaintEvent* event) {
  paintClock_.start();
  QListView::paintEvent(event);
  paintClock_.invalidate();
  // A paint draws only the cells it was asked to, and takes the results of
  // the decodes it waited for: the other cells in view without thumbnail
  // are started once it is over.
  DecodeNextInViewSoon();
}

void TThumbnailList::DrawItem(QPainter& painter, int index, QRect rect, bool selected, bool focused) {
  painter.save();
  const QPalette& pal = palette();
  const bool highlight = selected && showSelection_;
  const QColor back = highlight ? pal.color(QPalette::Highlight) : pal.color(QPalette::Base);
  painter.fillRect(rect, back);
  painter.setPen(QPen(back, 2));
  painter.drawRect(rect.adjusted(1, 1, -1, -1));
  painter.setPen(highlight ? pal.color(QPalette::HighlightedText) : pal.color(QPalette::Text));
  QRect r = rect.adjusted(2, 2, -2, -2);
  if (index >= 0 && index < thumbnails_.Count()) {
    TThumbnail& item = thumbnails_.Items(index);
    if (showCaption_) {
      const QFontMetrics fm(font());
      painter.drawText(r, Qt::AlignHCenter | Qt::AlignBottom | Qt::TextSingleLine,
                       fm.elidedText(item.Caption(), Qt::ElideRight, r.width()));
      r.setBottom(r.bottom() - fm.height());
    }
    if (!item.Picture().GetEmpty()) {
      TPlatformPicture& pic = item.Picture();
      pic.Draw(painter, PictureRect(QSize(pic.ScreenWidth(), pic.ScreenHeight()), r));
    } else if (const QImage* image = Thumb(item, r.size())) {
      painter.drawImage(PictureRect(image->size(), r), *image);
    } else if (WantsThumbnail(item) && r.width() > 8 && r.height() > 8) {
      // Not decoded yet: a frame where the picture will be.
      painter.setPen(QPen(pal.color(QPalette::Mid), 1, Qt::DotLine));
      painter.drawRect(r.adjusted(3, 3, -4, -4));
    }
  }
  if (focused) {
    QStyleOptionFocusRect o;
    o.initFrom(this);
    o.rect = rect;
    style()->drawPrimitive(QStyle::PE_FrameFocusRect, &o, &painter, this);
  }
  painter.restore();
}

QImage LoadThumbnailImage(const QString& fileName, QSize box) {
  box = box.expandedTo(QSize(1, 1));
  QImage thumbnail;
  DecodePictureFile(fileName, [&] {
    const QByteArray data = ReadPictureFile(fileName);
    // Every copy made on the way is charged to one picture's budget.
    const std::shared_ptr<PictureDecoder::TPictureBudget> budget = PictureDecoder::TPictureBudget::Create();
    if (QFileInfo(fileName).suffix().toLower() == u"png") {
      TPngGraphic png;
      const PictureDecoder::TCharge rows = DecodePng(data, png, *budget);
      PictureDecoder::StopPoint();
      thumbnail = PngBitmap(png, FitSize(QSize(png.GetWidth(), png.GetHeight()), box), *budget).image;
    } else if (PictureDecoder::IsGif(data)) {
      TPlatformPicture picture;
      picture.LoadFromBytes(data);
      const QSize screen(picture.ScreenWidth(), picture.ScreenHeight());
      thumbnail = QImage(FitSize(screen, box), QImage::Format_ARGB32_Premultiplied);
      thumbnail.fill(Qt::transparent);
      QPainter p(&thumbnail);
      picture.Draw(p, thumbnail.rect());
    } else {
      const QSize size = PictureDecoder::PeekSize(data);
      thumbnail = PictureDecoder::Decode(data, *budget, size.isValid() ? FitSize(size, box) : QSize()).image;
      const QSize fit = FitSize(thumbnail.size(), box);
      if (fit != thumbnail.size()) thumbnail = PictureDecoder::ScaleDown(thumbnail, fit);
    }
  });
  return thumbnail;
}
