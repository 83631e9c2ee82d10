#include "app/LinkCheck.h"

#include "app/Child.h"
#include "tests/app/AppFixture.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>
#include <QTreeWidget>

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
    s->write("HTTP/1.1 " + status + "\r\n" + extra + "Content-Length: 5\r\nConnection: close\r\n\r\nhello");
    s->disconnectFromHost();
  }

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
  const QStringList links = {server.Url("/ok"),     server.Url("/found"),  server.Url("/moved"),
                             server.Url("/missing"), server.Url("/loop"),   server.Url("/secret"),
                             server.Url("/secret", "localhost"), server.Url("/hang"), "#top"};
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

class LinkPage : public AppFixture {};

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

  // A stop ends the links; the images are not checked either.
  TFakeServer server;
  page.Checker()->Timeout = 5000;
  form.Memo1->SetText(QStringLiteral("<a href=\"%1\">x</a><a href=a.htm>y</a><img src=b.png>").arg(server.Url("/hang")));
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

}  // namespace
