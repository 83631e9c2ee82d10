#include "images/ThumbnailList.h"

#include <QAbstractListModel>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPainter>
#include <QResizeEvent>
#include <QStyle>
#include <QStyleOptionFocusRect>
#include <QStyledItemDelegate>

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

const QStringList& MaskExtensions() {
  static const QStringList ext = {QStringLiteral(".JPG"), QStringLiteral(".JPEG"), QStringLiteral(".GIF"),
                                  QStringLiteral(".BMP"), QStringLiteral(".ICO"),  QStringLiteral(".WMF"),
                                  QStringLiteral(".PNG")};
  return ext;
}

}  // namespace

// ---------------------------------------------------------------- items

TThumbnail::TThumbnail(TThumbnailList* list) : list_(list), id_(NextId()) {
  picture_.OnChange = [this] { Changed(); };
}

void TThumbnail::SetPicture(const TPlatformPicture& picture) { picture_.Assign(picture); }

void TThumbnail::SetFilename(const QString& name) {
  filename_ = name;
  Failed = false;
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
  list_->cache_.remove(items_.at(static_cast<std::size_t>(i))->Id());
  items_.erase(items_.begin() + i);
  list_->SyncItems();
}

void TThumbnails::Clear() {
  items_.clear();
  list_->cache_.clear();
  list_->SyncItems();
}

// ---------------------------------------------------------------- list

TThumbnailList::TThumbnailList(QWidget* parent) : QListView(parent), thumbnails_(this), model_(new TEntries(this)) {
  cache_.setMaxCost(128 * 1024);  // kilobytes of scaled thumbnails
  setModel(model_);
  setItemDelegate(new TThumbnailDelegate(this));
  setUniformItemSizes(true);
  setSelectionMode(QAbstractItemView::SingleSelection);
  setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  connect(this, &QListView::clicked, this, [this] {
    if (OnClick) OnClick();
  });
  connect(this, &QListView::doubleClicked, this, [this] {
    if (OnDblClick) OnDblClick();
  });
  ApplyLayout();
}

TThumbnailList::~TThumbnailList() { destroying_ = true; }

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
    setFlow(QListView::TopToBottom);  // a multi-column list fills each column first
    setWrapping(columns_ > 0);
  }
  setGridSize(columnWidth_ > 0 ? QSize(columnWidth_, itemHeight_) : QSize());
  doItemsLayout();
  viewport()->update();
}

void TThumbnailList::SyncItems() {
  if (destroying_) return;
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
  for (const QString& name : names) {
    const qsizetype dot = name.lastIndexOf(u'.');
    if (dot < 0 || !MaskExtensions().contains(name.mid(dot).toUpper())) continue;
    TThumbnail& item = thumbnails_.Add();
    item.SetFilename(folder + name);
    item.Source = tsFile;
    item.SetCaption(name);
  }
}

QRect TThumbnailList::PictureRect(QSize picture, QRect box) {
  const QSize size = FitSize(picture, box.size());
  return QRect(box.x() + (qMax(1, box.width()) - size.width()) / 2,
               box.y() + (qMax(1, box.height()) - size.height()) / 2, size.width(), size.height());
}

const QImage* TThumbnailList::Thumb(TThumbnail& item, QSize box) {
  if (QImage* cached = cache_.object(item.Id())) return cached;
  if (item.Failed || item.Filename().isEmpty() || item.Source != tsFile) return nullptr;
  ++decodes_;
  try {
    auto* image = new QImage(LoadThumbnailImage(item.Filename(), box));
    const int cost = static_cast<int>(qMax<qint64>(1, image->sizeInBytes() / 1024));
    if (!cache_.insert(item.Id(), image, cost)) return nullptr;
    return cache_.object(item.Id());
  } catch (const std::exception&) {
    item.Failed = true;  // drawn by its caption from now on
    return nullptr;
  }
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
