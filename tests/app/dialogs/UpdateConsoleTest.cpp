// Tests of TfUpdate (app/dialogs/UpdateConsole.cpp), the update console.
#include <QEventLoop>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QPushButton>
#include <QStatusBar>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>

#include "app/dialogs/UpdateConsole.h"
#include "app/document/EmbeddedBrowser.h"
#include "tests/app/AppFixture.h"

TEST(UpdateUrl, BuildsEveryPartEncoded) {
  const struct {
    TUpdateRequest request;
    const char* url;
  } cases[] = {
      {{"http", "H", "B", "M1", "M2", "english", "V"},
       "http://H/update.php?sysver=B&tidate=M1&elfiledat=M2&lid=english&langvers=V"},
      {{"https", "h.example", "", "", "", "", ""},
       "https://h.example/update.php?sysver=&tidate=&elfiledat=&lid=&langvers="},
      {{"http", "H", "1.0 beta", "a&b c", "x#y\r\nz", "de.v2", "1=2"},
       "http://H/update.php?sysver=1.0%20beta&tidate=a%26b%20c&elfiledat=x%23y%0D%0Az&lid=de.v2&langvers=1%3D2"},
  };
  for (const auto& c : cases) EXPECT_EQ(BuildUpdateUrl(c.request), QLatin1String(c.url));
}

TEST(UpdateUrl, LanguageIdentifier) {
  const char* const cases[][2] = {{"/pf/Language Modules/english.lms", "english"},
                                  {"de.v2.lms", "de.v2"},
                                  {"C:\\Program Files\\KV\\Language Modules\\dutch.lms", "dutch"},
                                  {"", ""}};
  for (const auto& c : cases) EXPECT_EQ(LanguageIdentifier(QLatin1String(c[0])), QLatin1String(c[1]));
}

namespace {
// A browser view that fetches the page itself and reports as the real one.
class TFetchingView : public IBrowserView {
 public:
  TFetchingView(QWidget* parent, TBrowserViewHost host) : widget_(new QWidget(parent)), host_(std::move(host)) {}
  QWidget* Widget() override { return widget_; }
  void Navigate(const QUrl& url) override {
    url_ = url;
    host_.downloadBegin();
    QNetworkReply* reply = manager_.get(QNetworkRequest(url));
    QObject::connect(reply, &QNetworkReply::finished, widget_, [this, reply] {
      reply->deleteLater();
      if (reply->error() != QNetworkReply::NoError) host_.navigateError(url_);
      host_.downloadComplete();
      ++finished;
    });
  }
  QUrl Url() const override { return url_; }
  QString Title() const override { return QString(); }
  void Apply(const TBrowserViewSettings&) override {}
  static inline int finished = 0;

 private:
  QWidget* widget_;
  TBrowserViewHost host_;
  QNetworkAccessManager manager_;
  QUrl url_;
};

// Answers every request with `status` and records the request lines.
class TUpdateServer : public QTcpServer {
 public:
  explicit TUpdateServer(int status) : status_(status) {
    listen(QHostAddress::LocalHost);
    connect(this, &QTcpServer::newConnection, this, [this] {
      while (QTcpSocket* s = nextPendingConnection()) {
        connect(s, &QTcpSocket::readyRead, s, [this, s] {
          const QByteArray request = s->readAll();
          requests << QString::fromLatin1(request.left(request.indexOf("\r\n")));
          const QByteArray body = "<html><body>news</body></html>";
          s->write("HTTP/1.1 " + QByteArray::number(status_) + " X\r\nContent-Type: text/html\r\nContent-Length: " +
                   QByteArray::number(body.size()) + "\r\nConnection: close\r\n\r\n" + body);
          s->disconnectFromHost();
        });
      }
    });
  }
  QStringList requests;

 private:
  int status_;
};

void WaitForLoads(int count) {
  QEventLoop loop;
  QTimer poll;
  QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
    if (TFetchingView::finished >= count) loop.quit();
  });
  poll.start(5);
  QTimer::singleShot(10000, &loop, &QEventLoop::quit);
  loop.exec();
}
}  // namespace

class UpdateConsole : public AppFixture {
 protected:
  void SetUp() override {
    AppFixture::SetUp();
    SetBrowserViewFactory([](QWidget* parent, TBrowserViewHost host) {
      return std::make_unique<TFetchingView>(parent, std::move(host));
    });
    TFetchingView::finished = 0;
  }
  void PointAt(quint16 port, const QByteArray& extra = {}) {
    WriteFileBytes(root + QStringLiteral("uconsole.dat"),
                   "[config]\r\nScheme=http\r\nHost=127.0.0.1:" + QByteArray::number(port) + "\r\n" + extra);
  }
  int NoConBoxes() const {
    int n = 0;
    for (const auto& m : prompts.Messages()) n += m.text == LangText(QStringLiteral("NoCon")) && m.kind == 2;
    return n;
  }
};

TEST_F(UpdateConsole, AnswerPageShownAndEveryOpeningAsksAgain) {
  TUpdateServer server(200);
  PointAt(server.serverPort(), "MCS1=a&b c\r\nMCS2=7\r\n");
  for (int i = 1; i <= 2; ++i) {
    TfUpdate console(nullptr, QStringLiteral("1.0 beta"));
    console.show();
    EXPECT_EQ(console.windowTitle(), LangText(QStringLiteral("UCCP_Update")));
    EXPECT_EQ(console.Button2->text(), LangText(QStringLiteral("Close")));
    EXPECT_EQ(console.StatusBar1->currentMessage(), LangText(QStringLiteral("ConServ")));
    WaitForLoads(i);
    EXPECT_TRUE(console.StatusBar1->currentMessage().isEmpty());
    EXPECT_EQ(console.EmbeddedBrowser1->ShowContextMenu(QPoint()), kS_OK);
    EXPECT_EQ(console.EmbeddedBrowser1->UserAgent(), "Korvex Vantar - Update Console");
  }
  const QString expected =
      QStringLiteral("GET /update.php?sysver=1.0%20beta&tidate=a%26b%20c&elfiledat=7&lid=test&langvers=") +
      QString::fromLatin1(QUrl::toPercentEncoding(LangText(QStringLiteral("@pluginversion")))) +
      QStringLiteral(" HTTP/1.1");
  EXPECT_EQ(server.requests, QStringList({expected, expected}));
  EXPECT_EQ(NoConBoxes(), 0);
}

TEST_F(UpdateConsole, ServerErrorOrNoServerShowsOneNoConBox) {
  for (int status : {404, 0}) {
    TUpdateServer server(status == 0 ? 200 : status);
    const quint16 port = server.serverPort();
    if (status == 0) server.close();  // the connection is refused
    PointAt(port);
    prompts = TScriptedPrompts();
    TFetchingView::finished = 0;
    TfUpdate console;
    console.show();
    WaitForLoads(1);
    EXPECT_EQ(NoConBoxes(), 1) << status;
    EXPECT_TRUE(console.StatusBar1->currentMessage().isEmpty());
    EXPECT_TRUE(console.isVisible());
  }
}

TEST_F(UpdateConsole, MissingConsoleFileSendsEmptyValues) {
  const TUpdateRequest r = ReadUpdateRequest(QStringLiteral("B"));
  EXPECT_EQ(r.scheme, QStringLiteral("https"));
  EXPECT_TRUE(r.mcs1.isEmpty() && r.mcs2.isEmpty());
  EXPECT_EQ(r.languageId, QStringLiteral("test"));
  Ini().WriteString(QStringLiteral("TranslationModule"), QStringLiteral("Path"), QString());
  EXPECT_TRUE(ReadUpdateRequest(QStringLiteral("B")).languageId.isEmpty());
}

TEST(UpdateServer, HttpOrHttpsAndAHostNameOnly) {
  const auto server = [](const char* scheme, const char* host) {
    TUpdateRequest r;
    r.scheme = QString::fromUtf8(scheme);
    r.host = QString::fromUtf8(host);
    return IsUpdateServer(r);
  };
  for (const char* host : {"update.example.org", "localhost", "127.0.0.1:8080", "a-b.c1.example:65535", "X"})
    EXPECT_TRUE(server("https", host) && server("http", host) && server("HTTP", host)) << host;
  for (const char* scheme : {"", "file", "ftp", "javascript", "http:", "https://", " http", "data"})
    EXPECT_FALSE(server(scheme, "update.example.org")) << scheme;
  for (const char* host : {"",
                           "evil.example/x.php?",
                           "user:pw@example.org",
                           "example.org#x",
                           "example.org?x=1",
                           "a b.org",
                           "example.org:0",
                           "example.org:65536",
                           "example.org:80a",
                           "example.org:",
                           ":80",
                           "-a.org",
                           "a-.org",
                           "a..org",
                           ".org",
                           "org.",
                           "[::1]:80",
                           "exa\r\nmple.org",
                           "%65x.org",
                           "ex\\ample.org",
                           "b\xc3\xa4r.org"})
    EXPECT_FALSE(server("https", host)) << host;
}

TEST_F(UpdateConsole, AServerOtherThanHttpOrAHostIsRefusedAndNotAsked) {
  WriteFileBytes(
      root + QStringLiteral("Language Modules/test.lms"),
      ReadFileBytes(root + QStringLiteral("Language Modules/test.lms")) + "UCBadServer         UCBadServer\r\n");
  LoadLanguageModule();
  TUpdateServer server(200);
  const QByteArray port = QByteArray::number(server.serverPort());
  const QList<QPair<QByteArray, QByteArray>> bad = {
      {"file", "127.0.0.1"}, {"http", "127.0.0.1:" + port + "/x?"}, {"http", "a@127.0.0.1:" + port}};
  for (const auto& [scheme, host] : bad) {
    prompts = TScriptedPrompts();
    WriteFileBytes(root + QStringLiteral("uconsole.dat"), "[config]\r\nScheme=" + scheme + "\r\nHost=" + host + "\r\n");
    TfUpdate console;
    console.show();
    ASSERT_EQ(prompts.Messages().size(), 1) << host.constData();
    EXPECT_EQ(prompts.Messages().first().text, "UCBadServer\n" + QString::fromUtf8(scheme + "://" + host));
    EXPECT_EQ(prompts.Messages().first().kind, 2);
    EXPECT_TRUE(console.EmbeddedBrowser1->LocationURL().isEmpty());
  }
  EXPECT_TRUE(server.requests.isEmpty());
}
