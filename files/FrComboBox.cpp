#include "files/FrComboBox.h"

#include <QAbstractItemView>
#include <QFontDatabase>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPainterPath>
#include <QStyle>
#include <QStyledItemDelegate>
#include <QTimer>
#include <algorithm>

#include "files/FileServices.h"

namespace {
class TQtSearchTimer : public TSearchTimer {
 public:
  TQtSearchTimer() { timer_.setSingleShot(true); }
  void Start(int ms, std::function<void()> fire) override {
    QObject::disconnect(&timer_, nullptr, nullptr, nullptr);
    QObject::connect(&timer_, &QTimer::timeout, std::move(fire));
    timer_.start(ms);
  }

 private:
  QTimer timer_;
};

bool Printable(const QKeyEvent* e) {
  const QString t = e->text();
  return t.size() == 1 && t[0].unicode() >= 32 && t[0].unicode() != 127 &&
         !(e->modifiers() & (Qt::ControlModifier | Qt::AltModifier));
}
}  // namespace

TFrCustomComboBox::TFrCustomComboBox(QWidget* parent) : QComboBox(parent), timer_(std::make_unique<TQtSearchTimer>()) {
  frame_.repaint = [this] { update(); };
  frame_.relayout = [this] { update(); };
}

TFrCustomComboBox::~TFrCustomComboBox() = default;

void TFrCustomComboBox::SetSearchTimer(std::unique_ptr<TSearchTimer> timer) { timer_ = std::move(timer); }

void TFrCustomComboBox::SetFlatButtons(bool v) {
  if (v == flatButtons_) return;
  flatButtons_ = v;
  update();
}

void TFrCustomComboBox::SetDropDownWidth(int w) {
  if (w == dropDownWidth_) return;
  dropDownWidth_ = w;
}

void TFrCustomComboBox::showPopup() {
  if (dropDownWidth_ > 0) view()->setMinimumWidth(dropDownWidth_);
  QComboBox::showPopup();
}

void TFrCustomComboBox::SelectAndNotify(int index) {
  setCurrentIndex(index);
  emit Click();
  emit Change();
}

void TFrCustomComboBox::keyPressEvent(QKeyEvent* e) {
  if (isEditable())
    Complete(e);
  else
    TypeAhead(e);
}

void TFrCustomComboBox::TypeAhead(QKeyEvent* e) {
  switch (e->key()) {
    case Qt::Key_Backspace:
      if (!search_.isEmpty()) search_.chop(1);
      if (search_.isEmpty()) {
        SelectAndNotify(0);
      } else {
        const int i = findText(search_, Qt::MatchStartsWith);
        if (i >= 0) SelectAndNotify(i);
      }
      return;
    case Qt::Key_Escape:
      search_.clear();
      SelectAndNotify(0);
      return;
    case Qt::Key_PageUp:
    case Qt::Key_PageDown:
    case Qt::Key_End:
    case Qt::Key_Home:
    case Qt::Key_Left:
    case Qt::Key_Right:
    case Qt::Key_Up:
    case Qt::Key_Down:
      search_.clear();
      QComboBox::keyPressEvent(e);
      return;
    default:
      break;
  }
  if (!Printable(e)) {
    QComboBox::keyPressEvent(e);
    return;
  }
  search_ += e->text();
  const int i = findText(search_, Qt::MatchStartsWith);
  if (i >= 0)
    SelectAndNotify(i);
  else if (beepOnMiss_)
    FileServices().beep();
  timer_->Start(kSearchResetMs, [this] { search_.clear(); });
}

void TFrCustomComboBox::Complete(QKeyEvent* e) {
  if (e->key() == Qt::Key_Escape) {
    setCurrentIndex(-1);
    lineEdit()->clear();
    return;
  }
  const bool ctrl = e->modifiers() & Qt::ControlModifier;
  const bool paste = (ctrl && (e->key() == Qt::Key_V || e->key() == Qt::Key_X)) ||
                     (e->key() == Qt::Key_Insert && (e->modifiers() & Qt::ShiftModifier));
  const bool completes = paste || e->key() == Qt::Key_Delete || Printable(e);
  if (e->key() == Qt::Key_Insert && (e->modifiers() & Qt::ShiftModifier))
    lineEdit()->paste();
  else
    QComboBox::keyPressEvent(e);
  if (!completes || !autoComplete_) return;
  const QString typed = lineEdit()->text();
  if (typed.isEmpty()) return;
  const int i = findText(typed, Qt::MatchStartsWith);
  if (i < 0) return;
  SelectAndNotify(i);
  const QString full = itemText(i);
  lineEdit()->setText(full);
  lineEdit()->setSelection(typed.size(), full.size() - typed.size());
}

bool TFrCustomComboBox::event(QEvent* e) {
  const bool wasHot = frame_.Focused() || frame_.MouseInControl();
  frame_.Track(e->type());
  const bool result = QComboBox::event(e);
  if ((frame_.Focused() || frame_.MouseInControl()) != wasHot && (flatButtons_ || frame_.FrameFlat())) update();
  if (e->type() == QEvent::Paint && frame_.FrameVisible()) PaintFrame();
  return result;
}

void TFrCustomComboBox::PaintFrame() {
  QPainter p(this);
  const TColor color = FromQColor(palette().color(QPalette::Base));
  if (flatButtons_ && !frame_.Focused() && !frame_.MouseInControl()) {
    const int sb = style()->pixelMetric(QStyle::PM_ScrollBarExtent);
    const QRect button(QPoint(width() - sb - 2, 2), QPoint(width() - 3, height() - 3));
    p.fillRect(button, ToQColor(color));
    const int tipX = button.center().x() - 1, tipY = height() / 2;
    QPainterPath triangle;
    triangle.moveTo(tipX - 5, tipY - 5);
    triangle.lineTo(tipX + 5, tipY - 5);
    triangle.lineTo(tipX, tipY);
    triangle.closeSubpath();
    p.fillPath(triangle, Qt::black);
  }
  ::PaintFrame(p, rect(), frame_.FrameStyle(), frame_.FrameSides(), frame_.FrameColor(), color);
}

// ---- font combo box --------------------------------------------------------------------------

namespace {
std::function<QList<TFontFamily>()>& FamilySource() {
  static std::function<QList<TFontFamily>()> source = [] {
    QList<TFontFamily> result;
    for (const QString& family : QFontDatabase::families())
      result.append({family, QFontDatabase::isFixedPitch(family), QFontDatabase::isSmoothlyScalable(family)});
    return result;
  };
  return source;
}

QPixmap Glyph(int kind) {
  static QPixmap glyphs[5];
  QPixmap& g = glyphs[kind];
  if (!g.isNull()) return g;
  g = QPixmap(12, 12);
  g.fill(Qt::transparent);
  QPainter p(&g);
  QFont f;
  f.setPixelSize(kind == 0 ? 8 : 10);
  f.setBold(true);
  p.setFont(f);
  static const char* texts[] = {"TF", "T", "F", "P", "D"};
  static const QColor colors[] = {QColor(0, 0, 160), QColor(0, 0, 160), QColor(0, 110, 0), QColor(90, 90, 90),
                                  QColor(128, 0, 0)};
  p.setPen(colors[kind]);
  p.drawText(QRect(0, 0, 12, 12), Qt::AlignCenter, QString::fromLatin1(texts[kind]));
  return g;
}

class TFontItemDelegate : public QStyledItemDelegate {
 public:
  explicit TFontItemDelegate(TFrFontComboBox* box) : QStyledItemDelegate(box), box_(box) {}

  void paint(QPainter* p, const QStyleOptionViewItem& option, const QModelIndex& index) const override {
    QRect r = option.rect;
    const bool selected = option.state & QStyle::State_Selected;
    if (selected) p->fillRect(r, option.palette.highlight());
    p->drawPixmap(r.left() + 4, r.top() + (r.height() - 12) / 2, Glyph(box_->GlyphKind(index.row())));
    r.setLeft(r.left() + 24);
    const bool enabled = box_->isEnabled();
    const QColor text = !enabled ? option.palette.color(QPalette::Disabled, QPalette::Text)
                                 : option.palette.color(selected ? QPalette::HighlightedText : QPalette::Text);
    const QString family = index.data().toString();
    QFont sample(family);
    sample.setPointSize(box_->font().pointSize());
    p->setPen(text);
    const QRect textRect = r.adjusted(2, 0, 0, 0);
    switch (box_->ShowStyle()) {
      case TShowStyle::ssFontName:
        p->setFont(box_->font());
        p->drawText(textRect, Qt::AlignVCenter, family);
        break;
      case TShowStyle::ssFontSample:
        p->setFont(sample);
        p->drawText(textRect, Qt::AlignVCenter, family);
        break;
      case TShowStyle::ssFontNameAndSample: {
        const int half = r.width() / 2;
        p->setFont(box_->font());
        p->drawText(textRect.adjusted(0, 0, -half, 0), Qt::AlignVCenter, family);
        p->setPen(enabled ? option.palette.color(QPalette::WindowText)
                          : option.palette.color(QPalette::Disabled, QPalette::Text));
        p->drawLine(r.left() + half, r.top(), r.left() + half, r.bottom());
        p->setPen(text);
        p->setFont(sample);
        p->drawText(textRect.adjusted(half + 2, 0, 0, 0), Qt::AlignVCenter, family);
        break;
      }
    }
  }

  QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
    QSize s = QStyledItemDelegate::sizeHint(option, index);
    s.setHeight(box_->fontMetrics().height() + 4);
    return s;
  }

 private:
  TFrFontComboBox* box_;
};
}  // namespace

void TFrFontComboBox::SetFamilySource(std::function<QList<TFontFamily>()> source) {
  FamilySource() = std::move(source);
}

TFrFontComboBox::TFrFontComboBox(QWidget* parent) : TFrCustomComboBox(parent) {
  setItemDelegate(new TFontItemDelegate(this));
  Refill();
}

void TFrFontComboBox::Refill() {
  const QString keep = FontName();
  blockSignals(true);
  clear();
  QList<TFontFamily> families = FamilySource()();
  if (sorted_)
    std::sort(families.begin(), families.end(), [](const TFontFamily& a, const TFontFamily& b) {
      return QString::compare(a.name, b.name, Qt::CaseInsensitive) < 0;
    });
  for (const TFontFamily& f : families) {
    const int flags = (f.fixedPitch ? 0 : kPitchVariable) | (f.scalable ? kTrueType : 0);
    bool add = false;
    switch (type_) {
      case TFontType::ftAll:
        add = true;
        break;
      case TFontType::ftTrueType:
        add = flags & kTrueType;
        break;
      case TFontType::ftFixedPitch:
        add = !(flags & kPitchVariable);
        break;
      case TFontType::ftPrinter:
        add = false;
        break;
    }
    if (add) addItem(f.name, flags);
  }
  setCurrentIndex(keep.isEmpty() ? -1 : findText(keep, Qt::MatchExactly | Qt::MatchCaseSensitive));
  blockSignals(false);
}

void TFrFontComboBox::SetFontDevice(TFontDevice d) {
  if (d == device_) return;
  device_ = d;
  Refill();
}

void TFrFontComboBox::SetFontType(TFontType t) {
  if (t == type_) return;
  type_ = t;
  Refill();
}

void TFrFontComboBox::SetShowStyle(TShowStyle s) {
  if (s == showStyle_) return;
  showStyle_ = s;
  update();
}

void TFrFontComboBox::SetSorted(bool v) {
  if (v == sorted_) return;
  sorted_ = v;
  Refill();
}

void TFrFontComboBox::SetFontName(const QString& name) {
  setCurrentIndex(findText(name, Qt::MatchExactly | Qt::MatchCaseSensitive));
}

std::optional<QFont> TFrFontComboBox::SelectedFont() const {
  if (currentIndex() < 0) return std::nullopt;
  QFont f(FontName());
  f.setPointSize(fontSize_);
  f.setBold(fontStyle_ & 1);
  f.setItalic(fontStyle_ & 2);
  f.setUnderline(fontStyle_ & 4);
  f.setStrikeOut(fontStyle_ & 8);
  return f;
}

int TFrFontComboBox::GlyphKind(int index) const {
  const int flags = itemData(index).toInt();
  const bool trueType = flags & kTrueType, fixed = !(flags & kPitchVariable);
  if (trueType && fixed) return 0;
  if (trueType) return 1;
  if (fixed) return 2;
  return device_ == TFontDevice::fdPrinter ? 3 : 4;
}
