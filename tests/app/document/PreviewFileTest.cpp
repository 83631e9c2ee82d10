// Tests of the preview files (app/document/PreviewFile.cpp) and the document
// window's preview page.
#include <unistd.h>

#include <QAction>
#include <QCoreApplication>
#include <QFile>
#include <QLineEdit>

#include "app/document/Child.h"
#include "app/document/PreviewFile.h"
#include "tests/app/AppFixture.h"

namespace {

bool IsLink(const QString& path) { return QFileInfo(path).isSymLink(); }

// A view with a history, as a browser keeps one.
struct HistoryView : IBrowserView {
  HistoryView(QWidget* parent, TBrowserViewHost h) : host(std::move(h)), widget(new QWidget(parent)) {}
  QWidget* Widget() override { return widget; }
  void Navigate(const QUrl& url) override {
    if (at < 0 || urls[at] != url) urls = urls.mid(0, at + 1) << url, ++at;
    ++loads;
    host.historyChange();
  }
  QUrl Url() const override { return at < 0 ? QUrl() : urls[at]; }
  QString Title() const override { return QString(); }
  void Apply(const TBrowserViewSettings& s) override { settings = s; }
  void Back() override { --at, host.historyChange(); }
  void Forward() override { ++at, host.historyChange(); }
  void Stop() override { ++stops; }
  void Reload() override { ++loads; }
  bool CanGoBack() const override { return at > 0; }
  bool CanGoForward() const override { return at + 1 < urls.size(); }
  TBrowserViewHost host;
  QWidget* widget;
  QList<QUrl> urls;
  int at = -1, loads = 0, stops = 0;
  TBrowserViewSettings settings;
};

class PreviewFiles : public AppFixture {
 protected:
  std::unique_ptr<TChildForm> Form(const QString& caption, const QStringList& lines = {"<p>a</p>"}) {
    auto form = std::make_unique<TChildForm>();
    form->setAttribute(Qt::WA_DeleteOnClose, false);
    form->SetCaption(caption);
    form->Memo1->SetLines(lines);
    return form;
  }
};

TEST_F(PreviewFiles, NamesAndReplacement) {
  auto f = Form("Untitled~2");
  f->ShowPreview();
  EXPECT_EQ(f->PreviewPath, root + "kvx_tmp~Untitled~2.html");
  EXPECT_EQ(f->PreviewName, QStringLiteral("kvx_tmp~Untitled~2.html"));
  EXPECT_EQ(ReadFileBytes(f->PreviewPath), QByteArray("<p>a</p>\r\n"));
  f->Memo1->SetLines({"<p>b</p>"});
  f->ShowPreview();  // the window's own file is replaced
  EXPECT_EQ(f->PreviewPath, root + "kvx_tmp~Untitled~2.html");
  EXPECT_EQ(ReadFileBytes(f->PreviewPath), QByteArray("<p>b</p>\r\n"));

  // A file without an extension is previewed beside itself.
  auto r = Form(MakeFile("README", "text"));
  r->ShowPreview();
  EXPECT_EQ(r->PreviewPath, root + "docs/kvx_tmp~README.html");
  EXPECT_TRUE(prompts.Messages().isEmpty());
}

TEST_F(PreviewFiles, PreviewsHoldCrLfBreaksWhateverTheDocumentUses) {
  // A page read with LF (or CR) breaks: both kinds of preview file hold CR
  // LF breaks; the document keeps its own for saving.
  for (const QByteArray& page : {QByteArray("<p>a</p>\n<p>b</p>\n"), QByteArray("<p>a</p>\r<p>b</p>\r")}) {
    TChildForm* doc = Main().OpenDocument(false, true, MakeFile("lf.html", page));
    ASSERT_NE(doc, nullptr);
    doc->ShowPreview();
    EXPECT_EQ(ReadFileBytes(doc->PreviewPath), QByteArray("<p>a</p>\r\n<p>b</p>\r\n"));
    Ini().WriteString("WEB", "Path", "/usr/bin/browser");
    Main().LoadBrowserExecute();
    ASSERT_FALSE(Main().PreviewTempFiles.isEmpty());
    EXPECT_EQ(ReadFileBytes(Main().PreviewTempFiles.last()), QByteArray("<p>a</p>\r\n<p>b</p>\r\n"));
    EXPECT_EQ(doc->Memo1->Lines().SaveToBytes(), page);
    doc->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  }
}

// Names too long for the file system: the name part is shortened (whole
// characters) so that "kvx_tmp~" and ".html" fit; a second document whose
// name starts the same gets a name of its own.
TEST_F(PreviewFiles, LongNamesAreShortenedToFit) {
  const QString docs = root + "docs/";
  QDir().mkpath(docs);
  const QString a250 = QString(245, u'a') + ".html", x300 = QString(300, u'x') + ".html";
  const QString umlauts = QString(130, QChar(0xE4)) + ".htm";  // 260 bytes
  for (const QString& name : {a250, x300, umlauts}) {
    auto f = Form(docs + name);
    f->ShowPreview();
    ASSERT_FALSE(f->PreviewPath.isEmpty()) << name.toStdString();
    EXPECT_EQ(QFileInfo(f->PreviewPath).absolutePath() + u'/', docs);
    const QByteArray made = QFile::encodeName(f->PreviewName);
    EXPECT_LE(made.size(), 255);
    EXPECT_GE(made.size(), 250);
    EXPECT_EQ(QFile::decodeName(made), f->PreviewName);  // no character cut in half
    EXPECT_TRUE(f->PreviewName.startsWith("kvx_tmp~" + name.left(100))) << f->PreviewName.toStdString();
    EXPECT_TRUE(f->PreviewName.endsWith(".html"));
    EXPECT_EQ(ReadFileBytes(f->PreviewPath), QByteArray("<p>a</p>\r\n"));
  }
  auto first = Form(docs + QString(300, u'y') + "1.html"), second = Form(docs + QString(300, u'y') + "2.html");
  first->ShowPreview();
  second->ShowPreview();
  EXPECT_NE(first->PreviewPath, second->PreviewPath);
  EXPECT_TRUE(second->PreviewName.endsWith("~2.html"));
  EXPECT_LE(QFile::encodeName(second->PreviewName).size(), 255);
  EXPECT_EQ(ReadFileBytes(first->PreviewPath), QByteArray("<p>a</p>\r\n"));
  EXPECT_TRUE(prompts.Messages().isEmpty());
}

TEST_F(PreviewFiles, NeverWriteThroughOrOverWhatExists) {
  const QString doc = MakeFile("page.html");
  const QString target = root + "elsewhere.html";
  ASSERT_EQ(::symlink(QFile::encodeName(target).constData(), QFile::encodeName(root + "docs/kvx_tmp~page.html")), 0);
  WriteFileBytes(root + "docs/kvx_tmp~page~2.html", "user data");
  QDir().mkpath(root + "docs/kvx_tmp~page~3.html");

  auto f = Form(doc);
  f->ShowPreview();
  EXPECT_EQ(f->PreviewPath, root + "docs/kvx_tmp~page~4.html");
  EXPECT_EQ(ReadFileBytes(f->PreviewPath), QByteArray("<p>a</p>\r\n"));
  EXPECT_FALSE(QFileInfo::exists(target));  // nothing written where the link leads
  f->DeletePreviewFiles();
  EXPECT_FALSE(QFileInfo::exists(root + "docs/kvx_tmp~page~4.html"));
  EXPECT_TRUE(IsLink(root + "docs/kvx_tmp~page.html"));
  EXPECT_EQ(ReadFileBytes(root + "docs/kvx_tmp~page~2.html"), QByteArray("user data"));
  EXPECT_TRUE(QFileInfo(root + "docs/kvx_tmp~page~3.html").isDir());

  // A preview replaced by something else after it was written stays.
  f->ShowPreview();
  const QString made = f->PreviewPath;
  QFile::remove(made);
  ASSERT_EQ(::symlink(QFile::encodeName(target).constData(), QFile::encodeName(made)), 0);
  f->ShowPreview();
  EXPECT_TRUE(IsLink(made));
  f->DeletePreviewFiles();
  EXPECT_TRUE(IsLink(made));
  QFile::remove(made);
  WriteFileBytes(made, "theirs");
  Preview::TPreviewFile file;
  QString error;
  ASSERT_TRUE(Preview::Create(root + "docs", "kvx_tmp~page~4.html", "mine", file, error));
  EXPECT_NE(file.path, made);
  EXPECT_FALSE(Preview::Remove({made, file.device, file.inode}));
  EXPECT_EQ(ReadFileBytes(made), QByteArray("theirs"));
  EXPECT_TRUE(Preview::Remove(file));
  EXPECT_FALSE(Preview::Remove(file));
}

TEST_F(PreviewFiles, FolderTakingNoFilesPreviewsFromAPrivateFolder) {
  QDir().mkpath(root + "ro");
  const QString readOnly = MakeFile("../ro/page.html", "<html><head><title>t</title></head></html>");
  QFile::setPermissions(root + "ro", QFile::ReadOwner | QFile::ExeOwner);
  const bool rootUser = geteuid() == 0;  // root writes into read-only folders
  struct Row {
    QString caption, folder;
  } rows[] = {{readOnly, root + "ro/"}, {root + "gone/page.html", root + "gone/"}};
  for (const Row& row : rows) {
    if (rootUser && row.folder.endsWith("ro/")) continue;
    auto f = Form(row.caption, {"<html><head><title>t</title></head></html>"});
    f->ShowPreview();
    ASSERT_TRUE(prompts.Messages().isEmpty()) << prompts.Messages()[0].text.toStdString();
    EXPECT_EQ(QFileInfo(f->PreviewPath).absolutePath(), Preview::PrivateFolder());
    EXPECT_EQ(f->PreviewName, QStringLiteral("kvx_tmp~page.html"));
    EXPECT_EQ(ReadFileBytes(f->PreviewPath), "<html><head><base href=\"" + QUrl::fromLocalFile(row.folder).toEncoded() +
                                                 "\"><title>t</title></head></html>\r\n");
    const QString made = f->PreviewPath;
    f->DeletePreviewFiles();
    EXPECT_FALSE(QFileInfo::exists(made));
  }
  QFile::setPermissions(root + "ro", QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}

TEST_F(PreviewFiles, BrowserButtonsFollowTheHistory) {
  HistoryView* view = nullptr;
  SetBrowserViewFactory([&view](QWidget* parent, TBrowserViewHost host) {
    auto v = std::make_unique<HistoryView>(parent, std::move(host));
    view = v.get();
    return v;
  });
  auto f = Form(MakeFile("page.html"));
  const auto button = [&f](const char* name) { return f->findChild<QAction*>(QLatin1String(name)); };
  for (const char* name : {"ToolButton8", "ToolButton9", "ToolButton14", "ToolButton15"})
    ASSERT_NE(button(name), nullptr) << name;
  EXPECT_EQ(button("ToolButton8")->toolTip(), QStringLiteral("DoRefresh"));
  EXPECT_EQ(button("ToolButton15")->toolTip(), QStringLiteral("DoPrevious"));
  f->ShowPreview();
  ASSERT_NE(view, nullptr);
  EXPECT_EQ(view->settings.userAgentSuffix, QStringLiteral("Korvex Vantar - Preview Browser"));
  EXPECT_FALSE(button("ToolButton14")->isEnabled());
  f->Edit1->setText("http://localhost/other.html");
  f->findChild<QAction*>("ToolButton6")->trigger();
  EXPECT_TRUE(button("ToolButton14")->isEnabled());
  EXPECT_FALSE(button("ToolButton15")->isEnabled());
  button("ToolButton14")->trigger();
  EXPECT_EQ(view->Url(), QUrl::fromLocalFile(f->PreviewPath));
  EXPECT_FALSE(button("ToolButton14")->isEnabled());
  EXPECT_TRUE(button("ToolButton15")->isEnabled());

  // Refresh on the preview shows the text as it is now; elsewhere it reloads.
  f->Memo1->SetLines({"<p>now</p>"});
  button("ToolButton8")->trigger();
  EXPECT_EQ(ReadFileBytes(f->PreviewPath), QByteArray("<p>now</p>\r\n"));
  button("ToolButton15")->trigger();
  const int loads = view->loads;
  button("ToolButton8")->trigger();
  EXPECT_EQ(view->loads, loads + 1);
  EXPECT_EQ(view->Url(), QUrl("http://localhost/other.html"));
  button("ToolButton9")->trigger();
  EXPECT_EQ(view->stops, 1);
}

TEST(PreviewFile, BaseHref) {
  const QByteArray base = "<base href=\"file:///my%20site/a&amp;b/\">";
  const struct {
    const char* page;
    QByteArray want;
  } rows[] = {
      {"<!DOCTYPE html><HTML><Head lang=en><title>x", "<!DOCTYPE html><HTML><Head lang=en>" + base + "<title>x"},
      {"<html><header>h</header>", "<html>" + base + "<header>h</header>"},
      {"<!doctype html>\n<p>x", "<!doctype html>" + base + "\n<p>x"},
      {"\xEF\xBB\xBF<p>x", "\xEF\xBB\xBF" + base + "<p>x"},
      {"plain", base + "plain"},
      {"<head><base href=\"http://x/\">", "<head><base href=\"http://x/\">"},  // the page's own base
  };
  for (const auto& r : rows) EXPECT_EQ(Preview::WithBaseHref(r.page, "/my site/a&b"), r.want) << r.page;
}

}  // namespace
