#include "files/FrFileListBox.h"

#include <QApplication>
#include <QDir>
#include <QScrollBar>
#include <QSet>
#include <QStyledItemDelegate>
#include <QWheelEvent>
#include <algorithm>

#include "files/FileServices.h"
#include "files/FrDirectoryTree.h"

namespace {
constexpr int kGlyphColumn = 24;

// Draws the glyph left of the text, outside the selection highlight.
class TFileItemDelegate : public QStyledItemDelegate {
 public:
  explicit TFileItemDelegate(TFrFileListBox* list) : QStyledItemDelegate(list), list_(list) {}

  void paint(QPainter* p, const QStyleOptionViewItem& option, const QModelIndex& index) const override {
    QRect r = option.rect;
    const QString text = index.data(Qt::DisplayRole).toString();
    const int textHeight = option.fontMetrics.height();
    const int top = (r.height() - textHeight) / 2;
    if (list_->ShowGlyphs()) {
      const QIcon icon = index.data(Qt::DecorationRole).value<QIcon>();
      icon.paint(p, QRect(r.left() + 4, r.top() + (r.height() - 16) / 2, 16, 16));
      r.setLeft(r.left() + kGlyphColumn);
    }
    const bool selected = option.state & QStyle::State_Selected;
    if (selected) p->fillRect(r, option.palette.highlight());
    p->setPen(option.palette.color(selected ? QPalette::HighlightedText : QPalette::Text));
    // Control characters in names are shown as blanks.
    QString shown = text;
    for (QChar& c : shown)
      if (c.category() == QChar::Other_Control) c = u' ';
    p->drawText(QRect(r.left() + 2, r.top() + top, r.width() - 2, textHeight), Qt::AlignLeft | Qt::AlignVCenter, shown);
    if (option.state & QStyle::State_HasFocus) {
      p->setPen(QPen(option.palette.color(QPalette::Text), 1, Qt::DotLine));
      p->drawRect(r.adjusted(0, 0, -1, -1));
    }
  }

  QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
    QSize s = QStyledItemDelegate::sizeHint(option, index);
    s.setHeight(list_->ItemHeight());
    return s;
  }

 private:
  TFrFileListBox* list_;
};

int AttributesOf(const QFileInfo& fi) {
  int a = 0;
  if (!fi.isWritable()) a |= ftReadOnly;
  if (fi.fileName().startsWith(u'.')) a |= ftHidden;
  if (fi.isDir())
    a |= ftDirectory;
  else
    a |= ftArchive;
  return a;
}
}  // namespace

TFrFileListBox::TFrFileListBox(QWidget* parent, bool readNow) : TFramedScrollArea<QListWidget>(parent) {
  directory_ = QDir::currentPath();
  setItemDelegate(new TFileItemDelegate(this));
  setSortingEnabled(false);
  setUniformItemSizes(true);
  connect(this, &QListWidget::itemDoubleClicked, this, [this](QListWidgetItem* item) { OpenItem(row(item)); });
  connect(this, &QListWidget::currentRowChanged, this, [this] { emit Change(); });
  held_ = !readNow;
  if (readNow) ReadFileNames();
}

TFrFileListBox::~TFrFileListBox() {
  if (tree_) tree_->SetFileList(nullptr);
}

int TFrFileListBox::ItemHeight() const {
  const int h = fontMetrics().height() + 2 - 3;
  return showGlyphs_ && h < 18 ? 18 : h;
}

void TFrFileListBox::UpdateItemHeight() {
  // Uniform item sizes are measured again after a layout change.
  doItemsLayout();
  viewport()->update();
}

bool TFrFileListBox::event(QEvent* e) {
  if (e->type() == QEvent::FontChange) UpdateItemHeight();
  if (e->type() == QEvent::ParentChange) TFrDirectoryTree::AutoLink(this);
  if (e->type() == QEvent::Show) ReadIfHeld();
  return TFramedScrollArea<QListWidget>::event(e);
}

void TFrFileListBox::SetDirectory(const QString& dir) {
  const QString full = QDir::cleanPath(QDir(directory_).absoluteFilePath(dir));
  if (full == directory_) return;
  directory_ = full;
  if (!held_) ReadFileNames();
}

void TFrFileListBox::SetMask(const QString& mask) {
  if (mask == mask_) return;
  mask_ = mask;
  if (!held_) ReadFileNames();
}

void TFrFileListBox::SetFileType(int fileType) {
  if (fileType == fileType_) return;
  fileType_ = fileType;
  if (!held_) ReadFileNames();
}

void TFrFileListBox::SetShowLongNames(bool v) {
  if (v == showLongNames_) return;
  showLongNames_ = v;
  if (!held_) ReadFileNames();
}

void TFrFileListBox::SetShowGlyphs(bool v) {
  if (v == showGlyphs_) return;
  showGlyphs_ = v;
  UpdateItemHeight();
  if (v && !held_) ReadFileNames();
}

void TFrFileListBox::SetMultiSelect(bool v) {
  setSelectionMode(v ? QAbstractItemView::ExtendedSelection : QAbstractItemView::SingleSelection);
}

bool TFrFileListBox::Less(const TFrFileInfo& a, const TFrFileInfo& b) {
  if (a.isFolder != b.isFolder) return a.isFolder;
  return NameLess(a.name, b.name);
}

void TFrFileListBox::ReadFileNames() {
  held_ = false;
  busy_ = true;
  showedHourglass_ = false;
  blockSignals(true);
  clear();
  infos_.clear();

  QDir::Filters filters = QDir::Files | QDir::NoDotAndDotDot;
  if (fileType_ & ftDirectory) filters |= QDir::Dirs;
  if (fileType_ & ftHidden) filters |= QDir::Hidden;
  if (fileType_ & ftSystem) filters |= QDir::System;
  const QDir dir(directory_);
  QSet<QString> seen;  // a name matched by two pieces of the mask is listed once
  bool cursorSet = false;
  for (QString piece : mask_.split(u';', Qt::SkipEmptyParts)) {
    piece = piece.trimmed();
    if (piece.isEmpty()) continue;
    if (piece == QLatin1String("*.*")) piece = QStringLiteral("*");  // every file, with or without a dot
    for (const QFileInfo& fi : dir.entryInfoList({piece}, filters, QDir::Unsorted)) {
      const QString name = fi.fileName();
      if (seen.contains(name)) continue;
      const int attrs = AttributesOf(fi);
      if (!(fileType_ & ftNormal) && !(attrs & fileType_)) continue;
      seen.insert(name);
      TFrFileInfo info{name, attrs, fi.lastModified(), fi.size(), fi.isDir(), QIcon()};
      if (showGlyphs_)
        info.icon = info.isFolder ? TFileIconCache::Instance().FolderIcon() : TFileIconCache::Instance().IconFor(name);
      infos_.push_back(std::move(info));
      if (infos_.size() == 101 && !cursorSet) {
        QApplication::setOverrideCursor(Qt::WaitCursor);
        cursorSet = showedHourglass_ = true;
      }
    }
  }
  std::stable_sort(infos_.begin(), infos_.end(), Less);
  for (const TFrFileInfo& info : infos_) addItem(new QListWidgetItem(info.icon, info.name));
  if (cursorSet) QApplication::restoreOverrideCursor();
  blockSignals(false);
  emit Change();
  busy_ = false;
}

QString TFrFileListBox::FileName() const {
  const QListWidgetItem* item = currentItem();
  return item && item->isSelected() ? item->text() : QString();
}

QString TFrFileListBox::FilePath() const {
  const QString name = FileName();
  return name.isEmpty() ? QString() : QDir(directory_).filePath(name);
}

void TFrFileListBox::SetFileName(const QString& name) {
  if (name == FileName()) return;
  const QList<QListWidgetItem*> found = findItems(name, Qt::MatchExactly | Qt::MatchCaseSensitive);
  blockSignals(true);
  if (found.isEmpty()) {
    setCurrentRow(-1);
  } else {
    setCurrentItem(found.first());
    found.first()->setSelected(true);
  }
  blockSignals(false);
  emit Change();
}

void TFrFileListBox::ApplyFilePath(const QString& path) {
  if (path.isEmpty() || path == FilePath()) return;
  const int slash = path.lastIndexOf(u'/');
  QString folder = slash < 0 ? QString() : path.left(slash + 1);
  const QString file = path.mid(slash + 1);
  if (!folder.isEmpty()) {
    folder = QDir::cleanPath(QDir(directory_).absoluteFilePath(folder));
    if (tree_) tree_->OpenPath(folder);
    SetDirectory(folder);
  }
  if (file.contains(u'*') || file.contains(u'?')) {
    SetMask(file);
  } else if (!file.isEmpty()) {
    if (!QFileInfo::exists(QDir(directory_).filePath(file)))
      throw EInOutError(QStringLiteral("The %1 file does not exist").arg(path));
    SetFileName(file);
    if (FileName().isEmpty()) {
      SetMask(file);
      SetFileName(file);
    }
  }
}

void TFrFileListBox::OpenItem(int row) {
  if (row < 0 || row >= count()) return;
  const TFrFileInfo& info = Info(row);
  const QString path = QDir(directory_).filePath(info.name);
  if (info.isFolder) {
    setUpdatesEnabled(false);
    ApplyFilePath(path + u'/');
    setUpdatesEnabled(true);
  } else if (allowOpen_ && !FileServices().openFile(path)) {
    FilesMessage(FilesText(QStringLiteral("FLOpenFail")), kMsgNotice);
  }
}

void TFrFileListBox::wheelEvent(QWheelEvent* e) {
  const int notches = WheelNotches(e, wheelRemainder_);
  e->accept();
  if (notches == 0) return;
  QScrollBar* bar = verticalScrollBar();
  // Scrolling up past the first line stops at the top.
  bar->setValue(std::max(0, bar->value() - notches * QApplication::wheelScrollLines()));
}
