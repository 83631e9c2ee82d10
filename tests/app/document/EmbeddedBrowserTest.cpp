// Tests of the embedded browser (app/document/EmbeddedBrowser.cpp).
#include <gtest/gtest.h>

#include <QLabel>
#include <QTemporaryDir>

#include "app/core/LanguageModule.h"
#include "app/core/Launcher.h"
#include "app/document/EmbeddedBrowser.h"
#include "tests/common/TestUtil.h"

namespace {

// A view that records what the control asks of it.
struct FakeView : IBrowserView {
  explicit FakeView(QWidget* parent, TBrowserViewHost h) : host(std::move(h)), widget(new QLabel(parent)) {}
  QWidget* Widget() override { return widget; }
  void Navigate(const QUrl& url) override {
    url_ = url;
    if (host.downloadBegin) host.downloadBegin();
    if (host.titleChange) host.titleChange(url.fileName());
    if (host.downloadComplete) host.downloadComplete();
  }
  QUrl Url() const override { return url_; }
  QString Title() const override { return url_.fileName(); }
  void Apply(const TBrowserViewSettings& s) override { settings = s, ++applied; }
  TBrowserViewHost host;
  QWidget* widget;
  QUrl url_;
  TBrowserViewSettings settings;
  int applied = 0;
};

struct FakeFactory {
  FakeFactory() {
    SetBrowserViewFactory([this](QWidget* parent, TBrowserViewHost host) {
      auto v = std::make_unique<FakeView>(parent, std::move(host));
      last = v.get();
      return v;
    });
  }
  ~FakeFactory() { SetBrowserViewFactory({}); }
  FakeView* last = nullptr;
};

}  // namespace

TEST(EmbeddedBrowser, FlagWords) {
  EXPECT_EQ(DownloadFlagWord(Member(DLCTL_DLIMAGES) | Member(DLCTL_VIDEOS) | Member(DLCTL_BGSOUNDS)), 0x70u);
  EXPECT_EQ(DownloadFlagWord(0x7FFFF), 0xF007FFF0u);  // all 19 members
  EXPECT_EQ(DownloadFlagWord(Member(DLCTL_OFFLINE)), 0x80000000u);
  EXPECT_EQ(UserInterfaceFlagWord(0x1FFFF), 0x37FFFu);  // all 17 members; 0x8000 unused
  EXPECT_EQ(UserInterfaceFlagWord(Member(ENABLE_INPLACE_NAVIGATION)), 0x10000u);

  FakeFactory fake;
  TEmbeddedBrowser b;
  EXPECT_EQ(b.DownloadFlags(), 0x70u);
  EXPECT_EQ(b.UserInterfaceFlags(), 0u);
  EXPECT_FALSE(b.EnableDDE());
  EXPECT_TRUE(b.fpExceptions());
  EXPECT_EQ(b.PrintOptions().HTMLHeader, QStringList({"<HTML></HTML>"}));
  QVariant v;
  EXPECT_EQ(b.Invoke(DISPID_AMBIENT_DLCONTROL, true, &v), kS_OK);
  EXPECT_EQ(v.toInt(), 0x70);
  b.OnInvoke = [](TObject*, int, QVariant*) { return kS_FALSE; };
  b.SetDownloadOptions(Member(DLCTL_NO_SCRIPTS));
  EXPECT_EQ(b.Invoke(DISPID_AMBIENT_DLCONTROL, true, &v), kS_OK);  // event or not
  EXPECT_EQ(v.toInt(), 0x80);
  EXPECT_EQ(b.Invoke(7, false, &v), kS_FALSE);
}

TEST(EmbeddedBrowser, HostDefaults) {
  FakeFactory fake;
  TEmbeddedBrowser b;
  b.SetUserInterfaceOptions(Member(NO3DBORDER) | Member(FLAT_SCROLLBAR));
  TDocHostUIInfo info;
  EXPECT_EQ(b.GetHostInfo(info), kS_OK);
  EXPECT_EQ(info.cbSize, 20u);
  EXPECT_EQ(info.dwFlags, 0x84u);
  EXPECT_EQ(b.ShowContextMenu(QPoint()), kS_FALSE);
  EXPECT_EQ(b.ShowUI(), kS_FALSE);
  EXPECT_EQ(b.TranslateAccelerator('A'), kS_FALSE);
  QObject* out = reinterpret_cast<QObject*>(&b);
  EXPECT_EQ(b.GetDropTarget(out), kS_OK);
  EXPECT_EQ(out, nullptr);
  out = reinterpret_cast<QObject*>(&b);
  EXPECT_EQ(b.GetExternal(out), kS_FALSE);
  EXPECT_EQ(out, nullptr);
  EXPECT_EQ(b.QueryService(out), kE_NOINTERFACE);
  int count = 5;
  EXPECT_EQ(b.GetTypeInfoCount(count), kE_NOTIMPL);
  EXPECT_EQ(count, 0);
  int result = 0;
  EXPECT_EQ(b.ShowMessage("hi", "caption", result), kS_FALSE);
  EXPECT_EQ(b.ShowHelp(1), kS_FALSE);  // no help file
  b.SetHelpFile("/tmp/help.html");
  {
    TRecordingLauncher launcher;  // without an event the desktop's viewer opens it
    TLauncherScope scope(launcher);
    EXPECT_EQ(b.ShowHelp(1), kS_OK);
    ASSERT_EQ(launcher.calls.size(), 1);
    EXPECT_EQ(launcher.calls[0].target, "/tmp/help.html");
  }
  QString asked;
  b.OnShowHelp = [&](TObject*, const QString& file, int) {
    asked = file;
    return kS_OK;
  };
  EXPECT_EQ(b.ShowHelp(1), kS_OK);
  EXPECT_EQ(asked, "/tmp/help.html");
}

TEST(EmbeddedBrowser, LazyViewNavigationAndHostAnswers) {
  FakeFactory fake;
  TEmbeddedBrowser preview;
  preview.SetUserAgent("Korvex Vantar - Preview Browser");
  EXPECT_FALSE(preview.HasView());
  int begun = 0, done = 0;
  QString title;
  preview.OnDownloadBegin = [&](TObject*) { ++begun; };
  preview.OnDownloadComplete = [&](TObject*) { ++done; };
  preview.OnTitleChange = [&](TObject*, const QString& t) { title = t; };
  preview.Go("/tmp/site/page.html");
  ASSERT_TRUE(preview.HasView());
  FakeView* view = fake.last;
  EXPECT_EQ(view->url_, QUrl::fromLocalFile("/tmp/site/page.html"));
  EXPECT_EQ(preview.LocationURL(), QUrl::fromLocalFile("/tmp/site/page.html"));
  EXPECT_EQ(begun, 1);
  EXPECT_EQ(done, 1);
  EXPECT_EQ(title, "page.html");
  EXPECT_EQ(view->settings.userAgentSuffix, "Korvex Vantar - Preview Browser");
  EXPECT_TRUE(view->settings.loadImages);
  EXPECT_TRUE(view->settings.runScripts);
  preview.Go("http://localhost/update.php?x=1");
  EXPECT_EQ(view->url_, QUrl("http://localhost/update.php?x=1"));

  // The preview shows the browser's own context menu; the update console none.
  EXPECT_FALSE(view->host.contextMenu(QPoint(1, 1)));
  TEmbeddedBrowser console;
  console.OnShowContextMenu = [](TObject*, const QPoint&) { return kS_OK; };
  console.show();  // showing makes the view
  ASSERT_TRUE(console.HasView());
  EXPECT_TRUE(fake.last->host.contextMenu(QPoint(1, 1)));

  // A close the host refuses.
  preview.OnCloseQuery = [](TObject*, bool& canClose) { canClose = false; };
  EXPECT_FALSE(view->host.closeQuery());
  preview.SetDownloadOptions(Member(DLCTL_NO_SCRIPTS));
  EXPECT_FALSE(view->settings.runScripts);
  EXPECT_FALSE(view->settings.loadImages);
}

// Without its module the browser shows why, and the control goes on working.
TEST(EmbeddedBrowser, MissingModuleShowsNotice) {
  QTemporaryDir dir;
  const QString notLibrary = dir.filePath("webengine-view.so");
  ASSERT_TRUE(WriteFileBytes(notLibrary, "not a library"));
  ASSERT_TRUE(Language().LoadFromFile(KV_SOURCE_DIR "/data/Language Modules/english.lms"));
  for (const QString& path : {dir.filePath("missing.so"), notLibrary}) {
    SetBrowserModulePath(path);
    TEmbeddedBrowser b;
    b.Go("/tmp/site/page.html");
    ASSERT_TRUE(b.HasView());
    const auto* label = qobject_cast<QLabel*>(b.View().Widget());
    ASSERT_NE(label, nullptr) << path.toStdString();
    EXPECT_TRUE(label->text().startsWith("The preview browser is not available: its module could not be loaded.\n"))
        << label->text().toStdString();
    EXPECT_TRUE(label->text().contains(path)) << label->text().toStdString();
    EXPECT_EQ(b.LocationURL(), QUrl::fromLocalFile("/tmp/site/page.html"));
    b.Refresh();
    b.SetDownloadOptions(0);
    EXPECT_FALSE(b.CanGoBack());
  }
  SetBrowserModulePath(QString());
  Language().Clear();
}

TEST(EmbeddedBrowser, EngineStartSwitches) {
  const QByteArray quietRules = "qt.webenginecontext.info=false\njs=false";
  struct Row {
    bool root, sandboxUsable, debug;
    const char* flags;
    const char* wantFlags;
    bool notice;
  } rows[] = {
      {true, true, false, "", "--no-sandbox --log-level=3", true},
      {false, true, false, "", "--log-level=3", false},
      {false, false, false, "", "--no-sandbox --log-level=3", true},
      {true, true, true, " --foo ", "--foo --no-sandbox", true},  // the user's switches stay
      {true, true, false, "--no-sandbox", "--no-sandbox --log-level=3", true},
      {false, true, true, "", "", false},
  };
  for (const Row& r : rows) {
    const TBrowserEngineStart s = BrowserEngineStart(r.root, r.sandboxUsable, r.debug, r.flags);
    EXPECT_EQ(s.chromiumFlags, QByteArray(r.wantFlags)) << r.flags;
    EXPECT_EQ(!s.notice.isEmpty(), r.notice) << r.wantFlags;
    EXPECT_EQ(s.loggingRules, r.debug ? QByteArray() : quietRules);
  }
  EXPECT_EQ(BrowserEngineStart(true, true, false, "").notice,
            "Korvex Vantar: running as root, the preview browser starts without its sandbox.\n");
}
