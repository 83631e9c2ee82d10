// Tests of TMDITab (app/shell/MDITab.cpp), the tab strip of the document
// windows.
#include <gtest/gtest.h>

#include <QApplication>
#include <QMainWindow>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <memory>

#include "app/shell/MDITab.h"
#include "platform/Exceptions.h"

namespace {

struct Frame {
  Frame() {
    window.setCentralWidget(area);
    tabs = new TMDITab(&window, area);
  }
  QMdiSubWindow* Add(const QString& caption, int image, bool fileNameOnly = true) {
    auto* w = area->addSubWindow(new QWidget);
    w->setAttribute(Qt::WA_DeleteOnClose);
    w->setWindowTitle(caption);
    w->show();
    tabs->AddChild(w, image, fileNameOnly);
    return w;
  }
  QMainWindow window;
  QMdiArea* area = new QMdiArea;
  TMDITab* tabs;
};

}  // namespace

TEST(MDITab, MisplacementIsRefused) {
  QWidget parent;
  auto* child = new QWidget(&parent);
  QMdiArea area;
  try {
    TMDITab t(child, &area);
    FAIL();
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message(), QStringLiteral("MDITab can be put only on Form."));
  }
  QMainWindow noArea;
  try {
    TMDITab t(&noArea, &area);
    FAIL();
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message(), QStringLiteral("MDITab can be put only on MDIForm."));
  }
  Frame f;
  try {
    TMDITab t(&f.window, f.area);
    FAIL();
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message(), QStringLiteral("Only one MDITab can be put on MDIForm."));
  }
}

TEST(MDITab, TabsFollowWindowsBothWays) {
  Frame f;
  int changes = 0;
  f.tabs->OnChange = [&] { ++changes; };
  QMdiSubWindow* a = f.Add("/site/index.html", 1);
  QMdiSubWindow* b = f.Add("/site/about.html", 2);
  QMdiSubWindow* c = f.Add("C:\\Site\\contact.html", 3);
  f.tabs->AddChild(b, 9, true);  // the same window twice: one tab
  ASSERT_EQ(f.tabs->count(), 3);
  EXPECT_EQ(f.tabs->tabText(0), "index.html");
  EXPECT_EQ(f.tabs->tabText(2), "contact.html");
  EXPECT_EQ(f.tabs->tabToolTip(2), "C:\\Site\\contact.html");
  EXPECT_EQ(f.tabs->currentIndex(), 2);
  EXPECT_GE(changes, 3);

  // Activating a window selects its tab; selecting a tab activates its window.
  f.area->setActiveSubWindow(a);
  EXPECT_EQ(f.tabs->currentIndex(), 0);
  f.tabs->setCurrentIndex(1);
  EXPECT_EQ(f.area->activeSubWindow(), b);
  EXPECT_EQ(f.tabs->ActiveForm(), b);

  // Closing the middle one removes exactly its tab; images stay with their windows.
  b->close();
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  ASSERT_EQ(f.tabs->count(), 2);
  EXPECT_EQ(f.tabs->FormAt(0), a);
  EXPECT_EQ(f.tabs->FormAt(1), c);
  EXPECT_EQ(f.tabs->ImageIndexOf(0), 1);
  EXPECT_EQ(f.tabs->ImageIndexOf(1), 3);
  EXPECT_EQ(f.tabs->FormAt(2), nullptr);
  EXPECT_EQ(f.tabs->FormAt(-1), nullptr);

  f.tabs->SetTabCaption(1, "page &co.html");
  f.tabs->SetTabCaption(7, "ignored");
  EXPECT_EQ(f.tabs->tabText(1), "page &&co.html");  // shows one "&", no accelerator

  f.tabs->CloseAll();
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_EQ(f.tabs->count(), 0);
  EXPECT_TRUE(f.area->subWindowList().isEmpty());
}

TEST(MDITab, ImagesAndTexts) {
  Frame f;
  TImageList images(16, 16);
  QImage red(16, 16, QImage::Format_ARGB32);
  red.fill(Qt::red);
  images.Add(red);
  images.Add(red);
  f.tabs->SetImages(&images);
  f.tabs->OnGetImageIndex = [](int, int& image) { image = 1; };
  f.Add("/a/b.html", 5, false);
  EXPECT_EQ(f.tabs->tabText(0), "/a/b.html");
  EXPECT_FALSE(f.tabs->tabIcon(0).isNull());  // the handler chose an image that exists
  EXPECT_EQ(TMDITab::FileNamePart("C:name.htm"), "name.htm");
  f.tabs->SetText("D:\\docs\\page.htm");
  EXPECT_EQ(f.tabs->Text(), "page.htm");
  EXPECT_TRUE(f.tabs->ShowOnChange());
}

TEST(MDITab, AWindowInsideItsDestructorsIsNoLongerAForm) {
  Frame f;
  auto* w = f.area->addSubWindow(new QWidget);
  // Told first when the window goes, while ~QWidget runs: the strip must not
  // hand the half-destroyed object out as a document window.
  QMdiSubWindow* seen = w;
  int index = -2;
  QObject::connect(w, &QObject::destroyed, [&] {
    seen = f.tabs->FormAt(0);
    index = f.tabs->IndexOf(w);
  });
  w->show();
  f.tabs->AddChild(w, 1, true);
  delete w;
  EXPECT_EQ(seen, nullptr);
  EXPECT_EQ(index, 0);  // still known by identity until its tab goes
  EXPECT_EQ(f.tabs->count(), 0);
  // The area takes its windows along while its own destructors run; the
  // strip then asks it nothing (the sanitizer build checks the calls).
  f.Add("/b.html", 1);
  f.Add("/c.html", 1);
  delete f.area;
  EXPECT_EQ(f.tabs->count(), 0);
  f.tabs->CloseAll();
}
