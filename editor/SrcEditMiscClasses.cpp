#include "editor/SrcEditMiscClasses.h"

#include <QHash>
#include <QPainter>
#include <memory>

#include "editor/SrcTextDrawer.h"
#include "platform/Resources.h"

namespace {

[[noreturn]] void RaiseAssign(const TObject* source, const TObject* target) {
  throw EConvertError(
      QStringLiteral("Cannot assign a %1 to a %2")
          .arg(QString::fromLatin1(source ? source->ClassName() : "nil"), QString::fromLatin1(target->ClassName())));
}

}  // namespace

// ---------------------------------------------------------------- selection

void TSrcSelectedColor::Changed() {
  if (OnChange) OnChange(this);
}
void TSrcSelectedColor::SetBackground(TColor value) {
  if (StoreIfChanged(background_, value)) Changed();
}
void TSrcSelectedColor::SetForeground(TColor value) {
  if (StoreIfChanged(foreground_, value)) Changed();
}
void TSrcSelectedColor::Assign(const TObject* source) {
  const auto* src = dynamic_cast<const TSrcSelectedColor*>(source);
  if (!src) RaiseAssign(source, this);
  background_ = src->background_;
  foreground_ = src->foreground_;
  Changed();
}

// ------------------------------------------------------------------- gutter

TSrcGutter::TSrcGutter() : font_(QStringLiteral("Terminal"), 8) { font_.setStyleHint(QFont::TypeWriter); }

void TSrcGutter::Changed() {
  if (OnChange) OnChange(this);
}
void TSrcGutter::SetAutoSize(bool value) {
  if (StoreIfChanged(autoSize_, value)) Changed();
}
void TSrcGutter::SetColor(TColor value) {
  if (StoreIfChanged(color_, value)) Changed();
}
void TSrcGutter::SetCursor(Qt::CursorShape value) {
  if (StoreIfChanged(cursor_, value)) Changed();
}
void TSrcGutter::SetDigitCount(int value) {
  value = Clamp(value, 2, 12);
  if (StoreIfChanged(digitCount_, value)) {
    autoSizeDigitCount_ = digitCount_;
    Changed();
  }
}
void TSrcGutter::SetFont(const QFont& value) {
  if (StoreIfChanged(font_, value)) Changed();
}
void TSrcGutter::SetFontColor(TColor value) {
  if (StoreIfChanged(fontColor_, value)) Changed();
}
void TSrcGutter::SetLeadingZeros(bool value) {
  if (StoreIfChanged(leadingZeros_, value)) Changed();
}
void TSrcGutter::SetLeftOffset(int value) {
  if (StoreIfChanged(leftOffset_, Max(value, 0))) Changed();
}
void TSrcGutter::SetRightOffset(int value) {
  if (StoreIfChanged(rightOffset_, Max(value, 0))) Changed();
}
void TSrcGutter::SetShowLineNumbers(bool value) {
  if (StoreIfChanged(showLineNumbers_, value)) Changed();
}
void TSrcGutter::SetUseFontStyle(bool value) {
  if (StoreIfChanged(useFontStyle_, value)) Changed();
}
void TSrcGutter::SetVisible(bool value) {
  if (StoreIfChanged(visible_, value)) Changed();
}
void TSrcGutter::SetWidth(int value) {
  if (StoreIfChanged(width_, Max(value, 0))) Changed();
}
void TSrcGutter::SetZeroStart(bool value) {
  if (StoreIfChanged(zeroStart_, value)) Changed();
}

void TSrcGutter::Assign(const TObject* source) {
  const auto* src = dynamic_cast<const TSrcGutter*>(source);
  if (!src) RaiseAssign(source, this);
  autoSize_ = src->autoSize_;
  color_ = src->color_;
  cursor_ = src->cursor_;
  digitCount_ = src->digitCount_;
  font_ = src->font_;
  fontColor_ = src->fontColor_;
  leadingZeros_ = src->leadingZeros_;
  leftOffset_ = src->leftOffset_;
  rightOffset_ = src->rightOffset_;
  showLineNumbers_ = src->showLineNumbers_;
  useFontStyle_ = src->useFontStyle_;
  visible_ = src->visible_;
  width_ = src->width_;
  zeroStart_ = src->zeroStart_;
  autoSizeDigitCount_ = src->autoSizeDigitCount_;
  Changed();
}

void TSrcGutter::AutoSizeDigitCount(int linesCount) {
  if (visible_ && autoSize_ && showLineNumbers_) {
    if (zeroStart_) --linesCount;
    int digits = 1;
    for (long long n = linesCount; n >= 10; n /= 10) ++digits;
    digits = Max(digits, digitCount_);
    if (StoreIfChanged(autoSizeDigitCount_, digits)) Changed();
  } else {
    autoSizeDigitCount_ = digitCount_;
  }
}

QString TSrcGutter::FormatLineNumber(int line) const {
  if (zeroStart_) --line;
  QString s = QString::number(line).rightJustified(autoSizeDigitCount_, u' ');
  if (leadingZeros_) {
    for (int i = 0; i < autoSizeDigitCount_ - 1 && i < s.size() && s[i] == u' '; ++i) s[i] = u'0';
  }
  return s;
}

int TSrcGutter::RealGutterWidth(int charWidth) const {
  if (!visible_) return 0;
  if (showLineNumbers_) return leftOffset_ + rightOffset_ + autoSizeDigitCount_ * charWidth + 2;
  return width_;
}

QFont TSrcGutter::NumberFont() const {
  QFont font = font_;
  if (!useFontStyle_) {
    font.setBold(false);
    font.setItalic(false);
    font.setUnderline(false);
    font.setStrikeOut(false);
  }
  return SelfContainedFont(font);
}

// -------------------------------------------------------- bookmark options

void TSrcBookMarkOpt::Changed() {
  if (OnChange) OnChange(this);
}
void TSrcBookMarkOpt::SetBookmarkImages(TImageList* value) {
  if (bookmarkImages_.data() == value) return;
  bookmarkImages_ = value;
  Changed();
}
void TSrcBookMarkOpt::SetDrawBookmarksFirst(bool value) {
  if (StoreIfChanged(drawBookmarksFirst_, value)) Changed();
}
void TSrcBookMarkOpt::SetEnableKeys(bool value) {
  if (StoreIfChanged(enableKeys_, value)) Changed();
}
void TSrcBookMarkOpt::SetGlyphsVisible(bool value) {
  if (StoreIfChanged(glyphsVisible_, value)) Changed();
}
void TSrcBookMarkOpt::SetLeftMargin(int value) {
  if (StoreIfChanged(leftMargin_, value)) Changed();
}
void TSrcBookMarkOpt::SetXoffset(int value) {
  if (StoreIfChanged(xoffset_, value)) Changed();
}
void TSrcBookMarkOpt::Assign(const TObject* source) {
  const auto* src = dynamic_cast<const TSrcBookMarkOpt*>(source);
  if (!src) RaiseAssign(source, this);
  bookmarkImages_ = src->bookmarkImages_;
  drawBookmarksFirst_ = src->drawBookmarksFirst_;
  enableKeys_ = src->enableKeys_;
  glyphsVisible_ = src->glyphsVisible_;
  leftMargin_ = src->leftMargin_;
  xoffset_ = src->xoffset_;
  Changed();
}

// ------------------------------------------------------------ method chain

void TSrcMethodChain::RaiseMissing(const char* operation) const {
  throw ESrcMethodChain(QStringLiteral("%1.%2 the parameter `AEvent' must be specified.")
                            .arg(QString::fromLatin1(ClassName()), QString::fromLatin1(operation)));
}

void TSrcNotifyEventChain::Add(const TNotifyEvent& event) {
  if (!event) RaiseMissing("Entry :");
  methods_.push_back(event);
}

void TSrcNotifyEventChain::Remove(const TNotifyEvent& event) {
  if (!event) RaiseMissing("Remove:");
  for (auto i = methods_.size(); i-- > 0;)
    if (methods_[i] == event) methods_.erase(methods_.begin() + static_cast<std::ptrdiff_t>(i));
}

void TSrcNotifyEventChain::Fire() {
  // A handler may add or remove handlers while it runs: call a snapshot.
  const std::vector<TNotifyEvent> snapshot = methods_;
  for (const TNotifyEvent& m : snapshot)
    if (!CallGuarded([&] { m(sender_); })) break;
}

// ---------------------------------------------------------- internal image

namespace {

struct SharedBitmap {
  int refCount = 0;
  QImage bitmap;
};

QHash<QString, std::shared_ptr<SharedBitmap>>& SharedBitmaps() {
  static QHash<QString, std::shared_ptr<SharedBitmap>> list;
  return list;
}

// The bookmark glyphs: ten 12x14 tags with the digits 0 to 9 in a small
// pixel font of our own, so they look the same on every system.
QImage MakeBookmarkGlyphs() {
  static const char* const kDigits[10] = {"111101101101111", "010110010010111", "111001111100111", "111001111001111",
                                          "101101111001001", "111100111001111", "111100111101111", "111001001001001",
                                          "111101111101111", "111101111001111"};
  constexpr int w = 12, h = 14;
  QImage strip(w * 10, h, QImage::Format_ARGB32);
  strip.fill(Qt::transparent);
  QPainter p(&strip);
  for (int n = 0; n < 10; ++n) {
    const int x0 = n * w;
    p.setPen(QColor(0, 0, 128));
    p.setBrush(QColor(64, 160, 255));
    p.drawRect(x0 + 1, 0, w - 3, h - 2);
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::white);
    for (int row = 0; row < 5; ++row)
      for (int col = 0; col < 3; ++col)
        if (kDigits[n][row * 3 + col] == '1') p.drawRect(x0 + 3 + col * 2, 2 + row * 2, 2, 2);
  }
  return strip;
}

}  // namespace

TSrcInternalImage::TSrcInternalImage(const QString& name, int count) : key_(name.toUpper()), count_(Max(count, 1)) {
  static const bool registered =
      (Resources::RegisterBitmap(QString::fromLatin1(kSrcEditInternalImages), MakeBookmarkGlyphs), true);
  (void)registered;
  auto& list = SharedBitmaps();
  auto it = list.find(key_);
  if (it == list.end()) {
    auto entry = std::make_shared<SharedBitmap>();
    entry->bitmap = Resources::LoadBitmap(key_);
    it = list.insert(key_, entry);
  }
  ++(*it)->refCount;
  bitmap_ = &(*it)->bitmap;
  width_ = (bitmap_->width() + count_ / 2) / count_;
  height_ = bitmap_->height();
}

TSrcInternalImage::~TSrcInternalImage() {
  auto& list = SharedBitmaps();
  auto it = list.find(key_);
  if (it != list.end() && --(*it)->refCount <= 0) list.erase(it);
}

int TSrcInternalImage::SharedCount() { return static_cast<int>(SharedBitmaps().size()); }

void TSrcInternalImage::Draw(QPainter& painter, int number, int x, int y, int lineHeight) const {
  if (number < 0 || number >= count_ || bitmap_->isNull()) return;
  if (height_ > lineHeight) {
    const int top = (height_ - lineHeight) / 2;
    painter.drawImage(QPoint(x, y), *bitmap_, QRect(number * width_, top, width_, lineHeight));
  } else {
    painter.drawImage(QPoint(x, y + (lineHeight - height_) / 2), *bitmap_, QRect(number * width_, 0, width_, height_));
  }
}
