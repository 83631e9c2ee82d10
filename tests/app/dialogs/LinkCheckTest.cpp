// Tests of the link check (app/dialogs/LinkCheck.cpp).
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QCheckBox>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>
#include <algorithm>
#include <atomic>
#include <thread>

#include "app/dialogs/LinkCheck.h"
#include "app/document/Child.h"
#include "app/look/ExtProgressBar.h"
#include "modules/ModuleLoader.h"
#include "tests/app/AppFixture.h"

namespace {

// A small web server on the loopback interface. Paths:
//   /ok 200, /found 302 to /ok, /moved 301 to /ok, /missing 404,
//   /loop 302 to itself, /secret 401 unless the right credentials come,
//   /hang never answers.
class TFakeServer : public QObject {
 public:
  TFakeServer() {
    EXPECT_TRUE(server_.listen(QHostAddress::LocalHost));
    connect(&server_, &QTcpServer::newConnection, this, [this] {
      while (QTcpSocket* s = server_.nextPendingConnection()) {
        connect(s, &QTcpSocket::readyRead, this, [this, s] { Serve(s); });
        connect(s, &QTcpSocket::disconnected, s, &QObject::deleteLater);
      }
    });
  }
  QString Url(const char* path, const char* host = "127.0.0.1") const {
    return QStringLiteral("http://%1:%2%3").arg(QLatin1String(host)).arg(server_.serverPort()).arg(QLatin1String(path));
  }
  QStringList requests;  // path and the Authorization header, if any

 private:
  void Serve(QTcpSocket* s) {
    QByteArray& buffer = pending_[s];
    buffer += s->readAll();
    if (!buffer.contains("\r\n\r\n")) return;
    const QList<QByteArray> lines = buffer.split('\n');
    const QByteArray path = lines[0].split(' ').value(1);
    QByteArray auth;
    for (const QByteArray& l : lines)
      if (l.toLower().startsWith("authorization:")) auth = l.mid(14).trimmed();
    pending_.remove(s);
    requests << QString::fromLatin1(path + (auth.isEmpty() ? "" : " " + auth));
    QByteArray status = "404 Not Found", extra;
    if (path == "/ok") status = "200 OK";
    if (path == "/found") status = "302 Found", extra = "Location: /ok\r\n";
    if (path == "/moved") status = "301 Moved", extra = "Location: " + Url("/ok").toLatin1() + "\r\n";
    if (path == "/loop") status = "302 Found", extra = "Location: /loop\r\n";
    if (path == "/secret")
      status = auth == "Basic " + QByteArray("user:pw").toBase64() ? "200 OK" : "401 Unauthorized",
      extra = "WWW-Authenticate: Basic realm=\"x\"\r\n";
    if (path == "/hang") return;
    if (redirects.contains(path)) status = "302 Found", extra = "Location: " + redirects[path] + "\r\n";
    if (path == "/endless") return Endless(s);
    const QByteArray answer =
        "HTTP/1.1 " + status + "\r\n" + extra + "Content-Length: 5\r\nConnection: close\r\n\r\nhello";
    QTimer::singleShot(delays.value(path), s, [s, answer] {
      s->write(answer);
      s->disconnectFromHost();
    });
  }

  // A status line and then header lines without end, as fast as they are
  // taken.
  void Endless(QTcpSocket* s) {
    endless = s;
    const auto more = [s] {
      if (s->bytesToWrite() < 65536)
        s->write(QByteArray("X-Filler: ").append(QByteArray(1000, 'a')).append("\r\n").repeated(16));
    };
    s->write("HTTP/1.1 200 OK\r\n");
    more();
    connect(s, &QTcpSocket::bytesWritten, s, more);
  }

 public:
  // Extra paths answered with a 302 to the given location.
  QHash<QByteArray, QByteArray> redirects;
  // Paths answered only after the given milliseconds.
  QHash<QByteArray, int> delays;
  // The connection that is sent endless headers (null once it is gone).
  QPointer<QTcpSocket> endless;

 private:
  QTcpServer server_;
  QHash<QTcpSocket*, QByteArray> pending_;
};

TEST(LinkCheck, Normalise) {
  const struct {
    const char *link, *root, *expected;
  } cases[] = {
      {"./images/a.gif", "/site/", "/site/images/a.gif"},
      {"./images/a.gif", "C:\\site\\", "C:\\site\\images/a.gif"},
      {".\\b.htm", "/r/", "/r/b.htm"},
      {"/top.htm", "/r/", "/r/top.htm"},
      {"www.example.org/x", "/r/", "http://www.example.org/x"},
      {"https://www.example.org/", "/r/", "https://www.example.org/"},
      {"http://h/a.htm", "/r/", "http://h/a.htm"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(LinkCheck::Normalise(QLatin1String(c.link), QLatin1String(c.root)), QLatin1String(c.expected)) << c.link;
  for (const char* skipped : {"#top", "javascript:go()", "MAILTO:a@b", ""})
    EXPECT_TRUE(LinkCheck::Skipped(QLatin1String(skipped))) << skipped;
  EXPECT_FALSE(LinkCheck::Skipped(QStringLiteral("page.htm#top")));
}

TEST(LinkCheck, MayOpen) {
  QTemporaryDir dir;
  const QString page = dir.filePath("a.htm"), script = dir.filePath("run.sh"), exe = dir.filePath("tool");
  WriteFileBytes(page, "x");
  WriteFileBytes(script, "x");
  WriteFileBytes(exe, "x");
  QFile(exe).setPermissions(QFile::ReadOwner | QFile::ExeOwner);
  EXPECT_TRUE(LinkCheck::MayOpen(page));
  EXPECT_TRUE(LinkCheck::MayOpen("https://example.org/"));
  for (const QString& no : {script, exe, dir.path(), dir.filePath("gone.htm"), QStringLiteral("file:///bin/sh")})
    EXPECT_FALSE(LinkCheck::MayOpen(no)) << no.toStdString();
}

TEST(LinkCheck, AnswersOverHttp) {
  TFakeServer server;
  TLinkChecker checker;
  checker.Timeout = 500;
  checker.Root = server.Url("/");
  checker.User = QStringLiteral(" user ");
  checker.Password = QStringLiteral("pw");
  QList<QPair<QString, bool>> rows;
  QObject::connect(&checker, &TLinkChecker::Checked, [&](const QString& t, bool ok) { rows.append({t, ok}); });
  QSignalSpy finished(&checker, &TLinkChecker::Finished);
  const QStringList links = {server.Url("/ok"),
                             server.Url("/found"),
                             server.Url("/moved"),
                             server.Url("/missing"),
                             server.Url("/loop"),
                             server.Url("/secret"),
                             server.Url("/secret", "localhost"),
                             server.Url("/hang"),
                             "#top"};
  checker.Start({links});
  ASSERT_TRUE(finished.wait(20000));
  EXPECT_FALSE(finished[0][0].toBool());
  const QList<bool> expected = {true, true, true, false, false, true, false, false};
  ASSERT_EQ(rows.size(), expected.size());
  for (int i = 0; i < rows.size(); ++i) {
    EXPECT_EQ(rows[i].first, links[i]);
    EXPECT_EQ(rows[i].second, expected[i]) << links[i].toStdString();
  }
  const QString good = "Basic " + QByteArray("user:pw").toBase64();
  // The credentials went once, on the 401 of the site's own host only.
  EXPECT_EQ(server.requests.filter(good).size(), 1);
  EXPECT_EQ(server.requests.filter("/loop").size(), 1 + TLinkChecker::kMaxRedirects);
}

using LinkCheck::TFailure;

struct TRow {
  QString target;
  bool ok;
  TFailure failure;
  int status;
  bool operator==(const TRow&) const = default;
};
void PrintTo(const TRow& r, std::ostream* os) {
  *os << r.target.toStdString() << (r.ok ? " ok " : " error ") << static_cast<int>(r.failure) << ' ' << r.status;
}

QList<TRow> RunCheck(TLinkChecker& checker, const QList<QStringList>& groups) {
  QList<TRow> rows;
  const QMetaObject::Connection c =
      QObject::connect(&checker, &TLinkChecker::Checked, [&](const QString& t, bool ok, TFailure failure, int status) {
        rows.append({t, ok, failure, status});
      });
  QSignalSpy finished(&checker, &TLinkChecker::Finished);
  checker.Start(groups);
  EXPECT_TRUE(finished.count() == 1 || finished.wait(30000));
  QObject::disconnect(c);
  return rows;
}

// A named pipe with a writer waiting for a reader: `opened` tells whether
// anything opened it for reading before Release.
struct TFifo {
  explicit TFifo(const QString& p) : path(p) {
    EXPECT_EQ(mkfifo(QFile::encodeName(path).constData(), 0600), 0);
    writer = std::thread([this] {
      const int fd = ::open(QFile::encodeName(path).constData(), O_WRONLY);
      if (!releasing) opened = true;
      if (fd >= 0) ::close(fd);
    });
  }
  ~TFifo() { Release(); }
  void Release() {
    if (!writer.joinable()) return;
    releasing = true;
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK);
    writer.join();
    if (fd >= 0) ::close(fd);
  }
  QString path;
  std::thread writer;
  std::atomic<bool> opened{false}, releasing{false};
};

// Redirects lead to web addresses only; local targets are looked up, never
// opened (a pipe would block the program for good).
TEST(LinkCheck, RedirectsStayOnTheWebAndFilesAreNeverOpened) {
  QTemporaryDir dir;
  const QString secret = dir.filePath("secret.txt");
  WriteFileBytes(secret, "x");
  TFifo fifo(dir.filePath("pipe.gif"));
  TFakeServer server;
  server.redirects["/tofile"] = QUrl::fromLocalFile(secret).toEncoded();
  server.redirects["/tofifo"] = QUrl::fromLocalFile(fifo.path).toEncoded();
  server.redirects["/toftp"] = "ftp://127.0.0.1/x";
  TLinkChecker checker;
  checker.Timeout = 5000;
  checker.Root = QStringLiteral("/");  // absolute paths stay where they are
  const QString fifoUrl = QUrl::fromLocalFile(fifo.path).toString(), secretUrl = QUrl::fromLocalFile(secret).toString();
  const QList<TRow> rows = RunCheck(checker, {{server.Url("/tofile"), server.Url("/tofifo"), server.Url("/toftp")},
                                              {fifo.path, fifoUrl, dir.path(), secretUrl, secret}});
  fifo.Release();
  EXPECT_FALSE(fifo.opened);
  const QList<TRow> expected = {
      {server.Url("/tofile"), false, TFailure::RedirectElsewhere, 302},
      {server.Url("/tofifo"), false, TFailure::RedirectElsewhere, 302},
      {server.Url("/toftp"), false, TFailure::RedirectElsewhere, 302},
      {fifo.path, false, TFailure::NotRegularFile, 0},
      {fifoUrl, false, TFailure::NotRegularFile, 0},
      {dir.path(), false, TFailure::NotRegularFile, 0},
      {secretUrl, true, TFailure::None, 0},
      {secret, true, TFailure::None, 0},
  };
  EXPECT_EQ(rows, expected);
}

// A server that never ends its header block is left after the limit, its
// connection closed; the links after it (other hosts too) are checked as
// usual.
TEST(LinkCheck, EndlessHeadersEndTheirConnectionOnly) {
  TFakeServer server, other;
  TLinkChecker checker;
  checker.Timeout = 5000;
  const QList<TRow> rows = RunCheck(checker, {{server.Url("/endless"), server.Url("/ok"), other.Url("/ok", "localhost"),
                                               server.Url("/missing"), other.Url("/found")}});
  const QList<TRow> expected = {
      {server.Url("/endless"), false, TFailure::HeaderTooLarge, 0},
      {server.Url("/ok"), true, TFailure::None, 200},
      {other.Url("/ok", "localhost"), true, TFailure::None, 200},
      {server.Url("/missing"), false, TFailure::HttpStatus, 404},
      {other.Url("/found"), true, TFailure::None, 200},
  };
  EXPECT_EQ(rows, expected);
  EXPECT_TRUE(
      QTest::qWaitFor([&] { return !server.endless || server.endless->state() != QTcpSocket::ConnectedState; }, 5000));
}

// A link has its time as a whole: a server that redirects in circles, each
// answer just in time, or asks for credentials slowly, does not get the time
// once more for every request.
TEST(LinkCheck, RedirectsAndRetriesShareTheLinksTime) {
  TFakeServer server;
  server.redirects["/slowloop"] = "/slowloop";
  server.delays["/slowloop"] = 500;
  server.delays["/secret"] = 1200;
  TLinkChecker checker;
  checker.Timeout = 2000;
  checker.Root = server.Url("/");
  checker.User = QStringLiteral("user");
  checker.Password = QStringLiteral("wrong");
  const QList<TRow> rows = RunCheck(checker, {{server.Url("/slowloop"), server.Url("/ok"), server.Url("/secret")}});
  const QList<TRow> expected = {
      {server.Url("/slowloop"), false, TFailure::Timeout, 0},
      {server.Url("/ok"), true, TFailure::None, 200},
      {server.Url("/secret"), false, TFailure::Timeout, 0},
  };
  EXPECT_EQ(rows, expected);
  EXPECT_LT(server.requests.filter("/slowloop").size(), 1 + TLinkChecker::kMaxRedirects);
}

// User name and password go only to the scheme, host and port of the root
// path: never over plain http when the root is https, never to another port
// or host name.
TEST(LinkCheck, CredentialsOnlyToTheRootsOwnSite) {
  TFakeServer server, other;
  const QString good = "Basic " + QByteArray("user:pw").toBase64();
  TLinkChecker checker;
  checker.Timeout = 5000;
  checker.User = QStringLiteral("user");
  checker.Password = QStringLiteral("pw");
  checker.Root = server.Url("/").replace(QLatin1String("http:"), QLatin1String("https:"));
  QList<TRow> rows = RunCheck(checker, {{server.Url("/secret")}});
  EXPECT_EQ(rows, (QList<TRow>{{server.Url("/secret"), false, TFailure::HttpStatus, 401}}));
  EXPECT_TRUE(server.requests.filter("Basic").isEmpty()) << server.requests.join(u',').toStdString();

  checker.Root = server.Url("/");
  rows = RunCheck(checker, {{other.Url("/secret"), server.Url("/secret", "localhost"), server.Url("/secret")}});
  const QList<TRow> expected = {
      {other.Url("/secret"), false, TFailure::HttpStatus, 401},
      {server.Url("/secret", "localhost"), false, TFailure::HttpStatus, 401},
      {server.Url("/secret"), true, TFailure::None, 200},
  };
  EXPECT_EQ(rows, expected);
  EXPECT_TRUE(other.requests.filter("Basic").isEmpty());
  EXPECT_EQ(server.requests.filter("Basic").size(), 1);
  EXPECT_EQ(server.requests.filter(good).size(), 1);
}

// Links read as a browser reads them: ".." steps back a folder (also in a web
// root), "\\" in a path is a "/", blanks around a link and line breaks in it
// do not count, a link
// beginning "//" is a web address, only a bare www host name is one, and
// embedded data has nothing to check.
TEST(LinkCheck, RelativeLinksReadAsABrowserReadsThem) {
  QTemporaryDir dir;
  const QString site = dir.path() + "/site/", sub = site + "sub/";
  for (const char* file : {"index.htm", "sub/gone.htm", "sub/a.htm", "sub/.hidden.htm", "sub/img/www.gif",
                           "sub/www/index.htm", "sub/www.htm"}) {
    QDir().mkpath(QFileInfo(site + file).absolutePath());
    WriteFileBytes(site + file, "x");
  }
  TFakeServer server;
  const QString host = server.Url("").mid(5);  // "//127.0.0.1:port"
  TLinkChecker checker;
  checker.Timeout = 5000;
  checker.Root = sub;
  QList<TRow> rows = RunCheck(checker, {{"../index.htm", "../gone.htm", "./../index.htm", "other/../a.htm",
                                         " a.htm\n", "a\n.htm", ".hidden.htm", "img/www.gif", "www/index.htm",
                                         "www.htm", host + "/ok", "data:image/gif;base64,R0lGOD", "img\\www.gif",
                                         "..\\index.htm"}});
  const QList<TRow> expected = {
      {sub + "../index.htm", true, TFailure::None, 0},
      {sub + "../gone.htm", false, TFailure::MissingFile, 0},
      {sub + "../index.htm", true, TFailure::None, 0},
      {sub + "other/../a.htm", true, TFailure::None, 0},
      {sub + "a.htm", true, TFailure::None, 0},
      {sub + "a.htm", true, TFailure::None, 0},
      {sub + ".hidden.htm", true, TFailure::None, 0},
      {sub + "img/www.gif", true, TFailure::None, 0},
      {sub + "www/index.htm", true, TFailure::None, 0},
      {sub + "www.htm", true, TFailure::None, 0},
      {"http:" + host + "/ok", true, TFailure::None, 200},
      {sub + "img\\www.gif", true, TFailure::None, 0},
      {sub + "..\\index.htm", true, TFailure::None, 0},
  };
  EXPECT_EQ(rows, expected);

  // In a web root ".." steps back in the address that is asked for; a link
  // beginning "//" takes the root's scheme.
  checker.Root = server.Url("/dir/sub/");
  rows = RunCheck(checker, {{"../../ok", "../missing", "..\\..\\ok?a\\b"}});
  EXPECT_EQ(rows, (QList<TRow>{{server.Url("/dir/sub/../../ok"), true, TFailure::None, 200},
                               {server.Url("/dir/sub/../missing"), false, TFailure::HttpStatus, 404},
                               {server.Url("/dir/sub/..\\..\\ok?a\\b"), false, TFailure::HttpStatus, 404}}));
  EXPECT_EQ(server.requests.mid(1), (QStringList{"/ok", "/dir/missing", "/ok?a%5Cb"}));
  checker.Root = QStringLiteral("https://example.org/");
  EXPECT_EQ(LinkCheck::Normalise(host + "/ok", checker.Root), "https:" + host + "/ok");
  EXPECT_EQ(LinkCheck::Normalise(QStringLiteral("WWW.example.org/x"), sub), "http://WWW.example.org/x");
}

// Without the network module web addresses fail with that reason, and local
// files are still checked.
TEST(LinkCheck, WithoutTheNetworkModuleWebLinksSaySoAndFilesAreChecked) {
  QTemporaryDir dir;
  const QString file = dir.filePath("here.html");
  QFile f(file);
  ASSERT_TRUE(f.open(QIODevice::WriteOnly));
  f.close();
  Modules::SetFolder(dir.filePath("no-modules"));
  TLinkChecker checker;
  checker.Root = dir.path() + "/";
  QList<QPair<QString, LinkCheck::TFailure>> rows;
  QObject::connect(&checker, &TLinkChecker::Checked, [&](const QString& t, bool, LinkCheck::TFailure why) {
    rows.append({t, why});
  });
  QSignalSpy finished(&checker, &TLinkChecker::Finished);
  checker.Start({{"http://127.0.0.1:9/page.html", "here.html", "https://127.0.0.1:9/"}});
  const bool done = finished.wait(5000);
  Modules::SetFolder(QString());
  ASSERT_TRUE(done);
  ASSERT_EQ(rows.size(), 3);
  EXPECT_EQ(rows[0].second, LinkCheck::TFailure::NoNetworkModule);
  EXPECT_EQ(rows[1].second, LinkCheck::TFailure::None);
  EXPECT_EQ(rows[2].second, LinkCheck::TFailure::NoNetworkModule);
  EXPECT_EQ(LinkCheck::FailureText(LinkCheck::TFailure::NoNetworkModule, 0), LangText("LinkWhyNoModule"));
}

TEST(LinkCheck, FailureTexts) {
  EXPECT_EQ(LinkCheck::FailureText(TFailure::None, 200), QString());
  for (const QString link : {"a.htm", "./b/c.gif", "/top.htm"})
    EXPECT_TRUE(LinkCheck::NeedsRoot(link)) << link.toStdString();
  for (const QString link : {"http://h/", "www.h.org", "#x", "mailto:a@b", "C:\\x.htm", "file:///x"})
    EXPECT_FALSE(LinkCheck::NeedsRoot(link)) << link.toStdString();
}

// The shared test module, with the link page's own texts (each text its key).
class LinkPage : public AppFixture {
 protected:
  void SetUp() override {
    AppFixture::SetUp();
    const QString module = root + QStringLiteral("Language Modules/test.lms");
    QByteArray bytes = ReadFileBytes(module);
    for (const char* key :
         {"rmlvReason", "LinkCheckUnsaved", "LinkWhyStatus", "LinkWhyRefused", "LinkWhyNoHost", "LinkWhyNoFile",
          "LinkWhyNotFile", "LinkWhyTimeout", "LinkWhyRedirects", "LinkWhyRedirectTo", "LinkWhyHeader",
          "LinkWhyBadAnswer", "LinkWhySecure", "LinkWhyNetwork", "LinkWhyScheme"})
      bytes += QByteArray(key).leftJustified(20, ' ') + key + "\r\n";
    WriteFileBytes(module, bytes);
    LoadLanguageModule();
  }
};

TEST_F(LinkPage, EmptyPageLocalFilesAndStop) {
  TChildForm form;
  form.setAttribute(Qt::WA_DeleteOnClose, false);
  TLinkCheckPage& page = *form.LinkPage;
  QSignalSpy finished(page.Checker(), &TLinkChecker::Finished);
  const auto rows = [&] {
    QStringList out;
    for (int i = 0; i < page.ListView1->topLevelItemCount(); ++i)
      out << page.ListView1->topLevelItem(i)->text(0) + u'|' + page.ListView1->topLevelItem(i)->text(1);
    return out;
  };
  form.Memo1->SetText(QStringLiteral("<p>nothing</p>"));
  form.vfLinksClick();
  ASSERT_TRUE(finished.count() == 1 || finished.wait(5000));
  EXPECT_EQ(rows(), (QStringList{"ZeroHttp|", "ZeroImg|"}));
  ASSERT_EQ(prompts.Messages().size(), 1);
  EXPECT_EQ(prompts.Messages()[0].text, "LinkCheckDone");
  EXPECT_TRUE(page.vfLinks->isEnabled());

  const QString site = root + QStringLiteral("site/");
  QDir().mkpath(site + "images");
  WriteFileBytes(site + "images/a.gif", "GIF89a");
  page.Edit2->setText(site);
  form.Memo1->SetText(QStringLiteral("<a href=\"./images/a.gif\">x</a>\n<img src=\"gone.png\"><img src=b.png>"));
  form.vfLinksClick();
  EXPECT_FALSE(page.vfLinks->isEnabled());  // no second run while one goes
  ASSERT_TRUE(finished.wait(5000));
  EXPECT_EQ(rows(), (QStringList{site + "images/a.gif|rmdOk", site + "gone.png|rmdError", site + "b.png|rmdError"}));
  // The page's own coloured bar, back at its start once the check is done.
  auto* bar = qobject_cast<TExtProgressBar*>(page.ProgressBar1);
  ASSERT_NE(bar, nullptr);
  EXPECT_EQ(bar->SelectionColor(), QColor(Qt::black));
  EXPECT_EQ(bar->value(), 0);

  // A stop ends the links; the images are not checked either.
  TFakeServer server;
  page.Checker()->Timeout = 5000;
  form.Memo1->SetText(
      QStringLiteral("<a href=\"%1\">x</a><a href=a.htm>y</a><img src=b.png>").arg(server.Url("/hang")));
  form.vfLinksClick();
  ASSERT_TRUE(QTest::qWaitFor([&] { return server.requests.size() == 1; }, 5000));
  auto* stop = page.findChild<QAction*>(QStringLiteral("StopTheLinkCheck"));
  ASSERT_TRUE(stop);
  EXPECT_EQ(stop->shortcut(), QKeySequence(Qt::Key_Escape));
  stop->trigger();
  ASSERT_EQ(finished.size(), 3);
  EXPECT_TRUE(finished[2][0].toBool());
  EXPECT_TRUE(rows().isEmpty());

  // Closing the window during a check ends it without a word.
  const qsizetype told = prompts.Messages().size();
  auto* closing = new TChildForm;
  closing->Memo1->SetText(QStringLiteral("<a href=\"%1\">x</a>").arg(server.Url("/hang")));
  closing->vfLinksClick();
  ASSERT_TRUE(QTest::qWaitFor([&] { return server.requests.size() == 2; }, 5000));
  closing->close();  // no question: the text is unchanged
  delete closing;
  QTest::qWait(50);
  EXPECT_EQ(prompts.Messages().size(), told);
}

TEST_F(LinkPage, DoubleClick) {
  TChildForm form;
  form.setAttribute(Qt::WA_DeleteOnClose, false);
  TLinkCheckPage& page = *form.LinkPage;
  form.Memo1->SetText(QStringLiteral("line one\n<img src=\"pics/b.png\">"));
  page.Edit2->setText(QStringLiteral(" /r/ "));
  for (const char* target : {"/r/pics/b.png", "https://example.org/", "/bin/sh"})
    new QTreeWidgetItem(page.ListView1, {QLatin1String(target), QStringLiteral("rmdError")});
  form.PageControl1->setCurrentWidget(&page);
  page.ListView1->setCurrentItem(page.ListView1->topLevelItem(0));
  page.ListView1DblClick();
  EXPECT_EQ(form.PageControl1->currentIndex(), 0);
  EXPECT_EQ(form.Memo1->SelText(), "pics/b.png");
  EXPECT_EQ(form.Memo1->CaretY(), 2);

  page.CheckBox1->setChecked(true);
  for (int i : {1, 2}) {
    page.ListView1->setCurrentItem(page.ListView1->topLevelItem(i));
    page.ListView1DblClick();
  }
  ASSERT_EQ(launcher.calls.size(), 1);  // a program is never started from a page
  EXPECT_EQ(launcher.calls[0].target, "https://example.org/");
}

// A root folder typed without its closing "/", or with blanks around it, is
// that folder all the same: the links are looked for in it, and a double
// click finds the link.
TEST_F(LinkPage, RootWithoutClosingSlashOrWithBlanks) {
  const QString site = root + QStringLiteral("site");
  QDir().mkpath(site);
  WriteFileBytes(site + "/a.htm", "x");
  WriteFileBytes(root + "sitea.htm", "x");
  TChildForm form;
  form.setAttribute(Qt::WA_DeleteOnClose, false);
  TLinkCheckPage& page = *form.LinkPage;
  QSignalSpy finished(page.Checker(), &TLinkChecker::Finished);
  page.Edit2->setText(" " + site + " ");
  form.Memo1->SetText(QStringLiteral("<p>\n<a href=\"a.htm\">a</a> <a href=\"b.htm\">b</a>"));
  form.vfLinksClick();
  ASSERT_TRUE(finished.wait(5000));
  QStringList rows;
  for (int i = 0; i < page.ListView1->topLevelItemCount(); ++i)
    rows << page.ListView1->topLevelItem(i)->text(0) + u'|' + page.ListView1->topLevelItem(i)->text(1);
  EXPECT_EQ(rows, (QStringList{site + "/a.htm|rmdOk", site + "/b.htm|rmdError", "ZeroImg|"}));
  page.ListView1->setCurrentItem(page.ListView1->topLevelItem(1));
  page.ListView1DblClick();
  EXPECT_EQ(form.Memo1->SelText(), "b.htm");
  EXPECT_EQ(form.Memo1->CaretY(), 2);
  EXPECT_EQ(LinkCheck::Normalise(QStringLiteral("a.htm"), QStringLiteral("http://h/dir")), "http://h/dir/a.htm");
  EXPECT_EQ(LinkCheck::Normalise(QStringLiteral("a.htm"), QStringLiteral("C:\\site\\")), "C:\\site\\a.htm");
}

// "View link in browser" opens the file a local row names also when its
// link has a mark, a query, escapes or backslashes, as the check found it;
// a program stays unopened however it is written.
TEST_F(LinkPage, ViewInBrowserOpensTheFileTheRowNames) {
  const QString site = root + QStringLiteral("site/");
  QDir().mkpath(site + "sub");
  WriteFileBytes(site + "b.htm", "x");
  WriteFileBytes(site + "my file.htm", "x");
  WriteFileBytes(site + "run.sh", "x");
  TChildForm form;
  form.setAttribute(Qt::WA_DeleteOnClose, false);
  TLinkCheckPage& page = *form.LinkPage;
  page.CheckBox1->setChecked(true);
  for (const QString& caption : {site + "b.htm#part", site + "b.htm?x=1", site + "my%20file.htm",
                                 site + "sub/..\\b.htm", site + "run.sh#x", site + "gone.htm#x"}) {
    page.ListView1->clear();
    page.ListView1->setCurrentItem(new QTreeWidgetItem(page.ListView1, {caption, QStringLiteral("rmdOk")}));
    page.ListView1DblClick();
  }
  QStringList opened;
  for (const auto& call : launcher.calls) opened << call.target;
  EXPECT_EQ(opened, (QStringList{site + "b.htm", site + "b.htm", site + "my file.htm", site + "b.htm"}));
}

}  // namespace

namespace {

// With the root path left empty, relative links are looked for beside the
// saved page; a page never saved says so. Each failed row says why.
TEST_F(LinkPage, BesideTheSavedPageWithReasons) {
  const QString pagePath = MakeFile(QStringLiteral("site/page.htm"));
  const QString site = QFileInfo(pagePath).absolutePath() + u'/';
  MakeFile(QStringLiteral("site/b.htm"));
  MakeFile(QStringLiteral("site/my file.htm"));
  MakeFile(QStringLiteral("site/img/a.gif"), "GIF89a");
  QDir().mkpath(site + "folder");
  TFakeServer server;
  QTcpServer gone;
  ASSERT_TRUE(gone.listen(QHostAddress::LocalHost));
  const QString refused = QStringLiteral("http://127.0.0.1:%1/x.htm").arg(gone.serverPort());
  gone.close();

  TChildForm form;
  form.setAttribute(Qt::WA_DeleteOnClose, false);
  TLinkCheckPage& page = *form.LinkPage;
  QSignalSpy finished(page.Checker(), &TLinkChecker::Finished);
  const auto rows = [&] {
    QStringList out;
    for (int i = 0; i < page.ListView1->topLevelItemCount(); ++i) {
      const QTreeWidgetItem* row = page.ListView1->topLevelItem(i);
      out << row->text(0) + u'|' + row->text(1) + u'|' + row->text(2);
    }
    return out;
  };
  EXPECT_EQ(page.ListView1->headerItem()->text(2), "rmlvReason");

  form.SetCaption(QStringLiteral("Untitled~1"));
  form.Memo1->SetText(QStringLiteral("<a href=\"b.htm\">b</a>"));
  form.vfLinksClick();
  ASSERT_EQ(prompts.Messages().size(), 1);
  EXPECT_EQ(prompts.Messages()[0].text, "LinkCheckUnsaved");
  EXPECT_EQ(finished.count(), 0);
  EXPECT_TRUE(page.vfLinks->isEnabled());
  EXPECT_TRUE(rows().isEmpty());

  form.SetCaption(pagePath);
  form.Memo1->SetText(QStringLiteral("<a href=\"b.htm#part\">b</a> <a href=\"./img/a.gif\">a</a> "
                                     "<a href=\"my%20file.htm\">c</a>\n<a href=\"gone.htm\">g</a> "
                                     "<a href=\"folder\">f</a>\n<a href=\"%1\">s</a> <a href=\"%2\">r</a>\n"
                                     "<img src=\"img/a.gif\"><img src=\"img/none.png\">")
                          .arg(server.Url("/missing"), refused));
  form.vfLinksClick();
  ASSERT_TRUE(finished.wait(20000));
  EXPECT_EQ(rows().join(u'\n'),
            (QStringList{site + "b.htm#part|rmdOk|", site + "img/a.gif|rmdOk|", site + "my%20file.htm|rmdOk|",
                         site + "gone.htm|rmdError|LinkWhyNoFile", site + "folder|rmdError|LinkWhyNotFile",
                         server.Url("/missing") + "|rmdError|LinkWhyStatus 404", refused + "|rmdError|LinkWhyRefused",
                         site + "img/a.gif|rmdOk|", site + "img/none.png|rmdError|LinkWhyNoFile"})
                .join(u'\n'));
  EXPECT_EQ(prompts.Messages().size(), 2);

  // A double click finds the link in the text with the folder taken off.
  page.ListView1->setCurrentItem(page.ListView1->topLevelItem(3));
  page.ListView1DblClick();
  EXPECT_EQ(form.Memo1->SelText(), "gone.htm");

  // References in an address are decoded before it is requested (links
  // from the site's root go to the root path, here a web site).
  page.Edit2->setText(server.Url("/"));
  form.Memo1->SetText(QStringLiteral("<a href=\"/a.cgi?a=1&amp;b=2\">q</a><img src=\"/p&#x26;q&#46;gif\">"));
  form.vfLinksClick();
  ASSERT_TRUE(finished.wait(20000));
  EXPECT_TRUE(server.requests.contains("/a.cgi?a=1&b=2")) << server.requests.join(u',').toStdString();
  EXPECT_TRUE(server.requests.contains("/p&q.gif")) << server.requests.join(u',').toStdString();
  EXPECT_EQ(rows().join(u'\n'), (QStringList{server.Url("/a.cgi?a=1&b=2") + "|rmdError|LinkWhyStatus 404",
                                             server.Url("/p&q.gif") + "|rmdError|LinkWhyStatus 404"})
                                    .join(u'\n'));
}

}  // namespace

namespace {

// The rows of the link page as "target|status|reason".
QStringList Rows(const TLinkCheckPage& page) {
  QStringList out;
  for (int i = 0; i < page.ListView1->topLevelItemCount(); ++i) {
    const QTreeWidgetItem* row = page.ListView1->topLevelItem(i);
    out << row->text(0) + u'|' + row->text(1) + u'|' + row->text(2);
  }
  return out;
}

// Local look-ups and web requests mixed: the rows come in the page's order,
// each with its texts, whether a link was looked up in a run with others or
// waited for a server.
TEST_F(LinkPage, MixedLinksListedInPageOrder) {
  const QString site = root + QStringLiteral("site/");
  QDir().mkpath(site + "folder");
  WriteFileBytes(site + "a.htm", "x");
  TFifo fifo(site + "pipe.gif");
  TFakeServer server;
  TChildForm form;
  form.setAttribute(Qt::WA_DeleteOnClose, false);
  TLinkCheckPage& page = *form.LinkPage;
  page.Checker()->Timeout = 5000;
  page.Edit2->setText(site);
  QSignalSpy finished(page.Checker(), &TLinkChecker::Finished);
  form.Memo1->SetText(QStringLiteral("<a href=\"a.htm\">1</a><a href=\"gone.htm\">2</a><a href=\"%1\">3</a>\n"
                                     "<a href=\"pipe.gif\">4</a><a href=\"folder\">5</a><a href=\"%2\">6</a>"
                                     "<a href=\"./a.htm\">7</a>\n<img src=\"gone.png\"><img src=\"%1\"><img src=a.htm>")
                          .arg(server.Url("/ok"), server.Url("/missing")));
  form.vfLinksClick();
  ASSERT_TRUE(finished.wait(20000));
  fifo.Release();
  EXPECT_FALSE(fifo.opened);
  EXPECT_EQ(
      Rows(page).join(u'\n'),
      (QStringList{site + "a.htm|rmdOk|", site + "gone.htm|rmdError|LinkWhyNoFile", server.Url("/ok") + "|rmdOk|",
                   site + "pipe.gif|rmdError|LinkWhyNotFile", site + "folder|rmdError|LinkWhyNotFile",
                   server.Url("/missing") + "|rmdError|LinkWhyStatus 404", site + "a.htm|rmdOk|",
                   site + "gone.png|rmdError|LinkWhyNoFile", server.Url("/ok") + "|rmdOk|", site + "a.htm|rmdOk|"})
          .join(u'\n'));
  EXPECT_EQ(page.ProgressBar1->value(), 0);
  ASSERT_EQ(prompts.Messages().size(), 1);
  EXPECT_EQ(prompts.Messages()[0].text, "LinkCheckDone");
}

// A page of `count` local links p0.htm, p1.htm, ... in `site`, of which every
// tenth is there, followed by `tail`; `Row(i)` is the row link i gets.
struct TManyLinks {
  TManyLinks(const QString& site, int count, const QString& tail) : site(site) {
    QDir().mkpath(site);
    for (int i = 0; i < count; i += 10) WriteFileBytes(site + QStringLiteral("p%1.htm").arg(i), "x");
    for (int i = 0; i < count; ++i) page += QStringLiteral("<li><a href=\"p%1.htm\">%1</a>\n").arg(i);
    page += tail;
  }
  QString Row(int i) const {
    return site + QStringLiteral("p%1.htm").arg(i) + (i % 10 ? "|rmdError|LinkWhyNoFile" : "|rmdOk|");
  }
  QString site, page;
};

// Each look-up reported to `page` takes a while longer, as on a slow
// machine: the check then needs many runs whatever the speed of this one.
void SlowDown(TLinkCheckPage& page) {
  QObject::connect(page.Checker(), &TLinkChecker::Checked, page.Checker(), [] {
    QElapsedTimer t;
    t.start();
    while (t.nsecsElapsed() < 50000) {
    }
  });
}

// Esc pressed while a long run of local links is checked stops it between
// two runs: the rows listed then stay, and no link is checked after. The
// images are not checked; only an empty image list still says so.
TEST_F(LinkPage, EscStopsManyLocalLinksWithTheRowsSoFar) {
  for (const bool images : {true, false}) {
    SCOPED_TRACE(images ? "with an image" : "without images");
    const TManyLinks links(root + QStringLiteral("site/"), 3000, images ? "<img src=\"p0.htm\">" : "");
    TChildForm form;
    form.setAttribute(Qt::WA_DeleteOnClose, false);
    TLinkCheckPage& page = *form.LinkPage;
    form.resize(800, 600);
    form.show();
    form.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&form));
    form.PageControl1->setCurrentWidget(&page);
    page.ListView1->setFocus();
    page.Edit2->setText(links.site);
    form.Memo1->SetText(links.page);
    SlowDown(page);
    qsizetype checked = 0;
    QObject::connect(page.Checker(), &TLinkChecker::Checked, [&] { ++checked; });
    QSignalSpy finished(page.Checker(), &TLinkChecker::Finished);
    int listedAtPress = -1;
    qsizetype checkedAtPress = -1;
    QTimer presser;
    presser.setInterval(0);
    QObject::connect(&presser, &QTimer::timeout, [&] {
      if (listedAtPress >= 0 || page.ListView1->topLevelItemCount() == 0) return;
      listedAtPress = page.ListView1->topLevelItemCount();
      checkedAtPress = checked;
      QTest::keyClick(page.ListView1, Qt::Key_Escape);
    });
    presser.start();
    form.vfLinksClick();
    ASSERT_TRUE(finished.wait(30000));
    presser.stop();
    EXPECT_TRUE(finished[0][0].toBool());
    EXPECT_GT(listedAtPress, 0);
    EXPECT_LT(listedAtPress, 3000);
    EXPECT_EQ(checkedAtPress, listedAtPress);
    EXPECT_EQ(checked, checkedAtPress);
    QStringList expected;
    for (int i = 0; i < listedAtPress; ++i) expected << links.Row(i);
    if (!images) expected << "ZeroImg||";
    EXPECT_EQ(Rows(page), expected);
    EXPECT_EQ(page.ProgressBar1->value(), 0);
    QTest::qWait(20);
    EXPECT_EQ(Rows(page).size(), expected.size());
  }
}

// While a long run of local links is checked the event loop keeps turning:
// a timer fires between the runs, and at each turn every link checked is
// listed and counted by the progress bar. The rows of a run go into the list
// together, not one by one.
TEST_F(LinkPage, EventLoopTurnsWhileManyLocalLinksAreChecked) {
  const TManyLinks links(root + QStringLiteral("site/"), 3000, QString());
  TChildForm form;
  form.setAttribute(Qt::WA_DeleteOnClose, false);
  TLinkCheckPage& page = *form.LinkPage;
  form.show();
  form.PageControl1->setCurrentWidget(&page);
  page.Edit2->setText(links.site);
  form.Memo1->SetText(links.page);
  SlowDown(page);
  qsizetype checked = 0;
  QObject::connect(page.Checker(), &TLinkChecker::Checked, [&] { ++checked; });
  int insertions = 0;
  QObject::connect(page.ListView1->model(), &QAbstractItemModel::rowsInserted, [&] { ++insertions; });
  struct TTurn {
    qsizetype checked;
    int listed, progress;
  };
  QList<TTurn> turns;
  QTimer ticker;
  ticker.setInterval(0);
  QObject::connect(&ticker, &QTimer::timeout, [&] {
    if (page.Checker()->Running())
      turns.append({checked, page.ListView1->topLevelItemCount(), page.ProgressBar1->value()});
  });
  QSignalSpy finished(page.Checker(), &TLinkChecker::Finished);
  ticker.start();
  form.vfLinksClick();
  ASSERT_TRUE(finished.wait(30000));
  ticker.stop();
  EXPECT_FALSE(finished[0][0].toBool());
  const auto between =
      std::count_if(turns.cbegin(), turns.cend(), [](const TTurn& t) { return t.checked > 0 && t.checked < 3000; });
  EXPECT_GE(between, 3);
  for (const TTurn& t : turns) {
    EXPECT_EQ(t.listed, t.checked);
    EXPECT_EQ(t.progress, t.listed);
  }
  const QStringList rows = Rows(page);
  ASSERT_EQ(rows.size(), 3001);
  for (int i = 0; i < 3000; i += 299) EXPECT_EQ(rows[i], links.Row(i));
  EXPECT_EQ(rows.last(), "ZeroImg||");
  EXPECT_LT(insertions, 300);
}

}  // namespace

namespace {

// A small site: the page sub/page.html links a page beside it, one up, one
// in a folder of letters beyond ASCII, one from the site's root with letters
// beyond the BMP, a missing one and one wrapped inside its quotes; its
// pictures lie beside it, at the site's root and (wrapped) beside it.
class SiteLinks : public LinkPage {
 protected:
  void SetUp() override {
    LinkPage::SetUp();
    site = root + QStringLiteral("site/");
    sub = site + QStringLiteral("sub/");
    for (const QString& file :
         {QStringLiteral("index.html"), QStringLiteral("sub/team.html"), QStringLiteral("sub/caf\u00e9/\u00fc.html"),
          QStringLiteral("\U0001F600/\U0001D11E.htm"), QStringLiteral("sub/pdfs/project-brief.pdf"),
          QStringLiteral("sub/pics/a.png"), QStringLiteral("pics/logo.png"), QStringLiteral("sub/pics/four.png")}) {
      QDir().mkpath(QFileInfo(site + file).absolutePath());
      WriteFileBytes(site + file, "x");
    }
    WriteFileBytes(sub + "page.html", text.toUtf8().replace("\n", "\r\n"));
  }
  // The rows of a check run on `form` with `rootPath` in the root field.
  QStringList Check(TChildForm& form, const QString& rootPath) {
    TLinkCheckPage& page = *form.LinkPage;
    QSignalSpy finished(page.Checker(), &TLinkChecker::Finished);
    page.Edit2->setText(rootPath);
    form.vfLinksClick();
    EXPECT_TRUE(finished.count() == 1 || finished.wait(10000));
    return Rows(page);
  }
  // Double-clicks the row whose target is `target`.
  void DoubleClick(TLinkCheckPage& page, const QString& target) {
    const QList<QTreeWidgetItem*> found = page.ListView1->findItems(target, Qt::MatchExactly);
    ASSERT_EQ(found.size(), 1) << target.toStdString();
    page.ListView1->setCurrentItem(found[0]);
    page.ListView1DblClick();
  }

  const QString text = QStringLiteral(
      "<p><a href=\"team.html\">Team</a> <a href=\"../index.html\">Home</a> <a "
      "href=\"caf\u00e9/\u00fc.html\">Caf\u00e9</a>\n"
      "<a href=\"/\U0001F600/\U0001D11E.htm\">Clef</a> <a href=\"gone.html\">Gone</a> <a href=\"pdfs/project-\n"
      "brief.pdf\">Brief</a>\n"
      "<img src=\"pics/a.png\"><img src=\"/pics/logo.png\"><img\n"
      "src=\"pics/\n"
      "four.png\"></p>\n");
  QString site, sub;
};

// A saved page's links are read against its folder, links from the site's
// root against the root folder, or against the page's folder when the root
// is left empty; a link wrapped inside its quotes is found.
TEST_F(SiteLinks, SavedPageInASubFolder) {
  TChildForm* form = Main().OpenDocument(false, true, sub + "page.html");
  ASSERT_TRUE(form);
  TLinkCheckPage& page = *form->LinkPage;
  const QStringList besides = {sub + "team.html|rmdOk|",
                               sub + "../index.html|rmdOk|",
                               sub + QStringLiteral("caf\u00e9/\u00fc.html|rmdOk|"),
                               site + QStringLiteral("\U0001F600/\U0001D11E.htm|rmdOk|"),
                               sub + "gone.html|rmdError|LinkWhyNoFile",
                               sub + "pdfs/project-brief.pdf|rmdOk|",
                               sub + "pics/a.png|rmdOk|",
                               site + "pics/logo.png|rmdOk|",
                               sub + "pics/four.png|rmdOk|"};
  EXPECT_EQ(Check(*form, site), besides);
  // The root typed without its "/" and with blanks is the same folder.
  EXPECT_EQ(Check(*form, " " + root + "site "), QStringList(besides).replaceInStrings(site, root + "site/"));

  // A double click finds the link as the page writes it, relative or from
  // the root, or opens the file the row names.
  form->PageControl1->setCurrentWidget(&page);
  for (const auto& [target, found, line] :
       {std::tuple{sub + "team.html", QStringLiteral("team.html"), 1},
        std::tuple{sub + "../index.html", QStringLiteral("../index.html"), 1},
        std::tuple{site + "pics/logo.png", QStringLiteral("pics/logo.png"), 4},
        std::tuple{site + QStringLiteral("\U0001F600/\U0001D11E.htm"), QStringLiteral("\U0001F600/\U0001D11E.htm"), 2},
        // a wrapped link by its longest line
        std::tuple{sub + "pdfs/project-brief.pdf", QStringLiteral("pdfs/project-"), 2},
        std::tuple{sub + "pics/four.png", QStringLiteral("four.png"), 6}}) {
    form->Memo1->SetCaretXY(TPoint{1, 5});
    DoubleClick(page, target);
    EXPECT_EQ(form->Memo1->SelText(), found);
    EXPECT_EQ(form->Memo1->CaretY(), line) << found.toStdString();
    form->PageControl1->setCurrentWidget(&page);
  }
  page.CheckBox1->setChecked(true);
  for (const QString& target :
       {sub + "../index.html", sub + "pdfs/project-brief.pdf", sub + QStringLiteral("caf\u00e9/\u00fc.html"),
        site + QStringLiteral("\U0001F600/\U0001D11E.htm")})
    DoubleClick(page, target);
  QStringList opened;
  for (const auto& call : launcher.calls) opened << call.target;
  EXPECT_EQ(opened, (QStringList{site + "index.html", sub + "pdfs/project-brief.pdf",
                                 sub + QStringLiteral("caf\u00e9/\u00fc.html"),
                                 site + QStringLiteral("\U0001F600/\U0001D11E.htm")}));
  page.CheckBox1->setChecked(false);

  // Without a root, a link from the root is looked for beside the page.
  QStringList empty = besides;
  empty[3] = sub + QStringLiteral("\U0001F600/\U0001D11E.htm|rmdError|LinkWhyNoFile");
  empty[7] = sub + "pics/logo.png|rmdError|LinkWhyNoFile";
  EXPECT_EQ(Check(*form, QString()), empty);
  DoubleClick(page, sub + "pics/logo.png");
  EXPECT_EQ(form->Memo1->SelText(), "pics/logo.png");
  EXPECT_EQ(form->Memo1->CaretY(), 4);
}

// A page never saved reads every relative link against the root field.
TEST_F(SiteLinks, PageNeverSavedReadsAllAgainstTheRoot) {
  TChildForm form;
  form.setAttribute(Qt::WA_DeleteOnClose, false);
  form.SetCaption(QStringLiteral("Untitled~1"));
  form.Memo1->SetText(text);
  EXPECT_EQ(
      Check(form, sub),
      (QStringList{
          sub + "team.html|rmdOk|", sub + "../index.html|rmdOk|", sub + QStringLiteral("caf\u00e9/\u00fc.html|rmdOk|"),
          sub + QStringLiteral("\U0001F600/\U0001D11E.htm|rmdError|LinkWhyNoFile"),
          sub + "gone.html|rmdError|LinkWhyNoFile", sub + "pdfs/project-brief.pdf|rmdOk|", sub + "pics/a.png|rmdOk|",
          sub + "pics/logo.png|rmdError|LinkWhyNoFile", sub + "pics/four.png|rmdOk|"}));
  EXPECT_EQ(Check(form, site).mid(0, 4),
            (QStringList{site + "team.html|rmdError|LinkWhyNoFile", site + "../index.html|rmdError|LinkWhyNoFile",
                         site + QStringLiteral("caf\u00e9/\u00fc.html|rmdError|LinkWhyNoFile"),
                         site + QStringLiteral("\U0001F600/\U0001D11E.htm|rmdOk|")}));
  TLinkCheckPage& page = *form.LinkPage;
  DoubleClick(page, site + "team.html");
  EXPECT_EQ(form.Memo1->SelText(), "team.html");
}

}  // namespace
