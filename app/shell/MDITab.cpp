#include "app/shell/MDITab.h"

#include <QMdiArea>
#include <QMdiSubWindow>
#include <algorithm>

#include "platform/Exceptions.h"
#include "platform/ScopeExit.h"

TMDITab::TMDITab(QWidget* owner, QMdiArea* area) : QTabBar(nullptr), area_(area) {
  if (!owner || !owner->isWindow()) throw Exception(QStringLiteral("MDITab can be put only on Form."));
  if (!area || !owner->isAncestorOf(area)) throw Exception(QStringLiteral("MDITab can be put only on MDIForm."));
  if (owner->findChild<TMDITab*>()) throw Exception(QStringLiteral("Only one MDITab can be put on MDIForm."));
  setParent(owner);
  setObjectName(QStringLiteral("MDITab1"));
  setDrawBase(false);
  setExpanding(false);
  setDocumentMode(true);
  setMouseTracking(true);  // hot tracking
  setCursor(Qt::PointingHandCursor);
  connect(this, &QTabBar::currentChanged, this, [this](int) { Changed(); });
  connect(area, &QMdiArea::subWindowActivated, this, [this](QMdiSubWindow* w) {
    if (w) ChildActivated(w);
  });
}

int TMDITab::StripHeight() const {
  // 22 pixels hold a 16-pixel picture and a line of the usual desktop font;
  // a larger font or picture gets the same room around it.
  constexpr int kHeight = 22, kRoom = 6;
  return std::max(kHeight, std::max(fontMetrics().height(), iconSize().height()) + kRoom);
}

QSize TMDITab::tabSizeHint(int index) const {
  QSize size = QTabBar::tabSizeHint(index);
  size.setHeight(StripHeight());
  return size;
}

QSize TMDITab::sizeHint() const {
  QSize size = QTabBar::sizeHint();
  size.setHeight(StripHeight());
  return size;
}

QSize TMDITab::minimumSizeHint() const {
  QSize size = QTabBar::minimumSizeHint();
  size.setHeight(StripHeight());
  return size;
}

void TMDITab::SetImages(TImageList* images) {
  images_ = images;
  for (int i = 0; i < count(); ++i) UpdateIcon(i);
}

QString TMDITab::FileNamePart(const QString& path) {
  const qsizetype cut = std::max({path.lastIndexOf(u'/'), path.lastIndexOf(u'\\'), path.lastIndexOf(u':')});
  return path.mid(cut + 1);
}

QString TMDITab::Text() const { return FileNamePart(text_); }

QMdiArea* TMDITab::Area() const { return qobject_cast<QMdiArea*>(area_.data()); }

QString TMDITab::TabCaption(const QString& caption) {
  QString shown = caption;
  return shown.replace(u'&', QStringLiteral("&&"));
}

int TMDITab::IndexOf(const QMdiSubWindow* form) const {
  const QObject* id = form;
  for (size_t i = 0; i < forms_.size(); ++i)
    if (id && forms_[i].id == id) return static_cast<int>(i);
  return -1;
}

void TMDITab::AddChild(QMdiSubWindow* form, int imageIndex, bool fileNameOnly) {
  if (!form || IndexOf(form) >= 0) return;
  forms_.push_back({form, form});
  imageIndexes_.push_back(imageIndex);
  const QString caption = form->windowTitle();
  {
    const bool old = inChange_;
    inChange_ = true;  // the tab is selected below, once
    addTab(TabCaption(fileNameOnly ? FileNamePart(caption) : caption));
    inChange_ = old;
  }
  const int index = count() - 1;
  setTabToolTip(index, caption);
  UpdateIcon(index);
  connect(form, &QObject::destroyed, this, [this](QObject* gone) { ChildGone(gone); });
  if (currentIndex() == index)
    Changed();
  else
    setCurrentIndex(index);
}

void TMDITab::UpdateIcon(int index) {
  int image = ImageIndexOf(index);
  if (OnGetImageIndex) OnGetImageIndex(index, image);
  const QImage glyph = images_ ? images_->Image(image) : QImage();
  setTabIcon(index, glyph.isNull() ? QIcon() : QIcon(QPixmap::fromImage(glyph)));
}

int TMDITab::ImageIndexOf(int index) const {
  return index >= 0 && index < static_cast<int>(imageIndexes_.size()) ? imageIndexes_[static_cast<size_t>(index)] : -1;
}

QMdiSubWindow* TMDITab::FormAt(int index) const {
  if (index < 0 || index >= static_cast<int>(forms_.size())) return nullptr;
  // Checked, not assumed: a window inside its destructors is no longer one.
  return qobject_cast<QMdiSubWindow*>(forms_[static_cast<size_t>(index)].alive.data());
}

void TMDITab::SetTabCaption(int index, const QString& text) {
  if (index < 0 || index >= count()) return;
  setTabText(index, TabCaption(text));
}

void TMDITab::Changed() {
  if (inChange_) return;
  inChange_ = true;
  ScopeExit reset([this] { inChange_ = false; });
  if (QMdiSubWindow* form = ActiveForm()) {
    if (form->isMinimized()) form->showNormal();
    if (QMdiArea* area = Area(); area && area->activeSubWindow() != form) area->setActiveSubWindow(form);
    form->raise();
  }
  if (showOnChange_) setVisible(true);
  if (OnChange) OnChange();
}

void TMDITab::ChildActivated(QMdiSubWindow* sender) {
  const int index = IndexOf(sender);
  if (index < 0) return;
  if (index != currentIndex())
    setCurrentIndex(index);
  else
    Changed();
}

void TMDITab::ChildGone(QObject* sender) {
  for (size_t i = 0; i < forms_.size(); ++i) {
    if (forms_[i].id == sender) {
      forms_.erase(forms_.begin() + static_cast<std::ptrdiff_t>(i));
      imageIndexes_.erase(imageIndexes_.begin() + static_cast<std::ptrdiff_t>(i));
      removeTab(static_cast<int>(i));
      return;
    }
  }
}

void TMDITab::CloseAll() {
  QMdiArea* area = Area();
  if (!area) return;
  const QList<QMdiSubWindow*> windows = area->subWindowList(QMdiArea::CreationOrder);
  for (auto it = windows.rbegin(); it != windows.rend(); ++it) (*it)->close();
}
