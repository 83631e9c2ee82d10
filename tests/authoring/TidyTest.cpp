#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <tidy/tidybuffio.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QEventLoop>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <algorithm>
#include <chrono>
#include <future>
#include <optional>

#include "authoring/TidyRun.h"
#include "authoring/tidy.h"

namespace {

// Tidy linked into the tests, as into the helper program.
const bool kLinkedTidy = (UseLinkedTidyEngine(), true);

bool WriteFile(const QString& name, const QByteArray& bytes) {
  QFile f(name);
  return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

struct TReport {
  int level;
  unsigned line, col;
  QString msg;
};

QString Tidied(TTidy& tidy, const QString& source) {
  QString out;
  tidy.SetSourceString(source);
  tidy.Execute(out);
  return out;
}

TEST(Tidy, OutputAndReports) {
  TTidy tidy;
  QList<TReport> reports;
  tidy.SetOnReport([&](TObject* sender, int level, unsigned line, unsigned col, const QString& msg, bool&) {
    EXPECT_EQ(sender, &tidy);
    reports << TReport{level, line, col, msg};
  });
  QString out = QStringLiteral("old");
  tidy.Execute(out);  // no source: nothing parsed
  EXPECT_TRUE(out.isEmpty());
  EXPECT_TRUE(reports.isEmpty());

  out = Tidied(tidy, QStringLiteral("<p>x"));
  EXPECT_TRUE(out.contains(QLatin1String("<html")) && out.contains(QLatin1String("</html>"))) << out.toStdString();
  EXPECT_TRUE(out.contains(QLatin1String("<p>x</p>"))) << out.toStdString();
  ASSERT_FALSE(reports.isEmpty());
  // the missing document type: a warning at the start of the text
  EXPECT_EQ(reports[0].level, trlWarning);
  EXPECT_EQ(reports[0].line, 1u);
  EXPECT_EQ(reports[0].col, 1u);
  EXPECT_EQ(reports[0].msg, "missing <!DOCTYPE> declaration");  // without position and level

  // The source is used up by a run.
  tidy.Execute(out);
  EXPECT_TRUE(out.isEmpty());

  // A lone line break comes back empty.
  tidy.SetBodyOnly(true);
  EXPECT_EQ(Tidied(tidy, QStringLiteral("<html><body></body></html>")), QString());

  // Everything after a NUL is kept.
  const QString withNul = QStringLiteral("<p>a") + QChar(0) + QStringLiteral("tail</p>");
  EXPECT_TRUE(Tidied(tidy, withNul).contains(QLatin1String("tail")));
}

TEST(Tidy, Encodings) {
  TTidy tidy;
  tidy.SetOnReport([](TObject*, int, unsigned, unsigned, const QString&, bool& writeOut) { writeOut = false; });
  tidy.SetBodyOnly(true);
  struct Case {
    const char* out;
    const char* expected;
  };
  // The text goes in and comes out as UTF-8 whatever the encodings say: its
  // letters stay letters.
  tidy.SetInCharEncoding(TidyEncLatin1);
  const Case cases[] = {{"ascii", "été €"}, {"utf8", "été €"}, {"latin1", "été €"}};
  for (const Case& c : cases) {
    ASSERT_EQ(tidySetOutCharEncoding(tidy.Document(), c.out), 0);
    EXPECT_EQ(Tidied(tidy, QStringLiteral("<p>été €</p>")).trimmed(),
              QStringLiteral("<p>%1</p>").arg(QString::fromUtf8(c.expected)))
        << c.out;
  }
}

// A page with letters beyond ASCII, one beyond the BMP among them, in its
// text, attributes, script, style and comment, with entities as the user
// wrote them and the character set it declares; Tidy's output holds every
// part as it was, whatever encodings Tidy's options name, in a repair, a
// forced output of a faulty page and a run cleaned until stable. Tidy
// counts the column of a report in characters.
TEST(Tidy, EveryCharacterComesBack) {
  const QStringList parts = {
      QStringLiteral("<title>Caf\u00e9 \U0001F600</title>"),
      QStringLiteral("var price = \"Caf\u00e9 4 \u20ac\"; var smile = \"\U0001F600\";"),
      QStringLiteral("p::before { content: \"\u00bb \"; }"),
      QStringLiteral("<!-- n\u00e9 \U0001F600 -->"),
      QStringLiteral("title=\"\u00e9t\u00e9 \U0001F600\""),
      QStringLiteral("\u00c7a co\u00fbte 4 \u20ac \U0001F600 &eacute; &#233; &#x1F600; &amp; &lt;"),
  };
  const QString page = QStringLiteral(
                           "<!DOCTYPE html>\n<html><head><meta charset=\"%1\">%2\n<script>%3</script>\n"
                           "<style>%4</style></head>\n<body>%5<p %6>%7</p>\n<p>\u00e9\U0001F600%8x</p></body></html>\n")
                           .arg(QStringLiteral("%1"), parts[0], parts[1], parts[2], parts[3], parts[4], parts[5]);
  QTemporaryDir dir;
  const char* configs[] = {"", "char-encoding: ascii\n", "output-encoding: latin1\nnumeric-entities: yes\n"};
  for (const char* charset : {"utf-8", "windows-1252"}) {
    for (const char* config : configs) {
      for (const char* run : {"repair", "force", "congruent"}) {
        const std::string what = std::string(charset) + " / " + config + " / " + run;
        const QString name = dir.filePath(QStringLiteral("tidyconfig.ini"));
        ASSERT_TRUE(WriteFile(name, config));
        TTidy tidy;
        ASSERT_TRUE(tidy.LoadConfigFile(name));
        tidy.SetWrapLen(0);
        const int outEncoding = tidy.OutCharEncoding();
        QList<TReport> reports;
        tidy.SetOnReport([&](TObject*, int level, unsigned line, unsigned col, const QString& msg, bool& writeOut) {
          reports << TReport{level, line, col, msg};
          writeOut = false;
        });
        const bool force = qstrcmp(run, "force") == 0;
        tidy.SetForceOutput(force);
        tidy.Congruent = qstrcmp(run, "congruent") == 0;
        // Forced: the page has a fault that keeps Tidy from giving output otherwise.
        const QString source = page.arg(QLatin1String(charset), force ? QStringLiteral("<zz>") : QString());
        const QString out = Tidied(tidy, source);
        EXPECT_TRUE(out.contains(QStringLiteral("<meta charset=\"%1\">").arg(QLatin1String(charset))))
            << what << "\n"
            << out.toStdString();
        for (const QString& part : parts)
          EXPECT_TRUE(out.contains(part)) << what << ": " << part.toStdString() << "\n" << out.toStdString();
        EXPECT_TRUE(out.contains(QStringLiteral("<p>\u00e9\U0001F600x</p>"))) << what << "\n" << out.toStdString();
        EXPECT_FALSE(out.contains(QChar::ReplacementCharacter)) << what;
        // The options are as they were.
        EXPECT_EQ(tidy.OutCharEncoding(), outEncoding) << what;
        if (force) {
          // "<zz>" stands after two characters, one of them two UTF-16 units.
          const qsizetype line = source.left(source.indexOf(QLatin1String("<zz>"))).count(u'\n') + 1;
          const auto at = std::find_if(reports.begin(), reports.end(), [](const TReport& r) {
            return r.level == trlError && r.msg.contains(QLatin1String("<zz>"));
          });
          ASSERT_NE(at, reports.end()) << what;
          EXPECT_EQ(at->line, unsigned(line)) << what;
          EXPECT_EQ(at->col, 6u) << what;
        }
        for (const TReport& r : reports) EXPECT_FALSE(r.msg.contains(QLatin1String("charset"))) << what;
      }
    }
  }
}

TEST(Tidy, ReportWriteOut) {
  TTidy tidy;
  TidyBuffer errors;
  tidyBufInit(&errors);
  tidySetErrorBuffer(tidy.Document(), &errors);
  for (const bool writeOut : {false, true}) {
    tidyBufClear(&errors);
    int calls = 0;
    tidy.SetOnReport([&](TObject*, int, unsigned, unsigned, const QString&, bool& w) {
      ++calls;
      w = writeOut;
    });
    Tidied(tidy, QStringLiteral("<p>x"));
    EXPECT_GT(calls, 0);
    const QByteArray text(reinterpret_cast<const char*>(errors.bp), static_cast<qsizetype>(errors.size));
    EXPECT_EQ(text.contains("DOCTYPE"), writeOut) << text.toStdString();
  }
  tidyBufFree(&errors);
}

TEST(Tidy, CongruentPasses) {
  TTidy tidy;
  int reports = 0;
  tidy.SetOnReport([&](TObject*, int, unsigned, unsigned, const QString&, bool& w) {
    ++reports;
    w = false;
  });
  tidy.SetIndentContent(TidyYesState);
  const QString text = QStringLiteral("<!DOCTYPE html><html><head><title>t</title></head><body><p>x<p>y</body></html>");
  Tidied(tidy, text);
  const int onePass = reports;
  EXPECT_FALSE(tidy.Congruent);
  tidy.Congruent = true;
  const QString stable = Tidied(tidy, text);
  EXPECT_TRUE(tidy.Congruent);
  EXPECT_EQ(tidy.IndentContent(), TidyNoState);
  EXPECT_EQ(reports, 2 * onePass);  // only the first pass reports
  EXPECT_TRUE(stable.contains(QLatin1String("<p>y</p>")));
}

TEST(Tidy, Properties) {
  TTidy tidy;
  // Every option takes both values.
#define KV_ROW(Name, Id)                                  \
  for (const int v : {1, 0}) {                            \
    tidy.Set##Name(v);                                    \
    EXPECT_EQ(static_cast<int>(tidy.Name()), v) << #Name; \
  }
  KV_TIDY_BOOL_OPTIONS(KV_ROW)
  KV_TIDY_INT_OPTIONS(KV_ROW)
  KV_ROW(DropFontTags, 0)
#undef KV_ROW
  tidy.SetAltText(QStringLiteral("picture"));
  EXPECT_EQ(tidy.AltText(), "picture");
  EXPECT_TRUE(tidy.OptionsOk());

  // A refused value changes nothing and clears the flag for good.
  tidy.SetDuplicateAttrs(TidyKeepFirst);
  tidy.SetDuplicateAttrs(-1);
  EXPECT_EQ(tidy.DuplicateAttrs(), TidyKeepFirst);
  EXPECT_FALSE(tidy.OptionsOk());
  tidy.SetIndentSpaces(3);
  EXPECT_FALSE(tidy.OptionsOk());
  TTidy other;
  other.SetErrorFile(QStringLiteral("/nonexistent-folder/errors.txt"));
  EXPECT_FALSE(other.OptionsOk());
}

TEST(Tidy, ConfigFileAndReset) {
  QTemporaryDir dir;
  const auto write = [&](const char* name, const char* text) {
    QFile f(dir.filePath(QLatin1String(name)));
    EXPECT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(text);
    return f.fileName();
  };
  TTidy tidy;
  EXPECT_FALSE(tidy.LoadConfigFile(dir.filePath(QStringLiteral("missing.ini"))));
  EXPECT_TRUE(tidy.LoadConfigFile(write("good.ini", "tab-size: 4\nuppercase-tags: yes\n")));
  EXPECT_EQ(tidy.TabSize(), 4);
  EXPECT_TRUE(tidy.UpperCaseTags());
  EXPECT_FALSE(tidy.LoadConfigFile(write("bad.ini", "no-such-option: 1\n")));

  int reports = 0;
  tidy.SetOnReport([&](TObject*, int, unsigned, unsigned, const QString&, bool& w) {
    ++reports;
    w = false;
  });
  tidy.Reset();
  EXPECT_EQ(tidy.TabSize(), 4);
  EXPECT_TRUE(tidy.UpperCaseTags());
  EXPECT_TRUE(Tidied(tidy, QStringLiteral("<p>x")).contains(QLatin1String("<P>")));
  EXPECT_GT(reports, 0);
}

// The helper process gets the options as a configuration text: loaded into a
// fresh document it gives every option its value, the encodings too (a later
// "char-encoding" would otherwise reset the output encoding).
TEST(Tidy, ConfigTextCarriesEveryOption) {
  TTidy tidy;
  tidy.SetCharEncoding(TidyEncLatin1);
  tidy.SetOutCharEncoding(TidyEncUtf8);
  tidy.SetForceOutput(true);
  tidy.SetIndentContent(TidyYesState);  // without indenting, Tidy drops the indent width on loading
  tidy.SetIndentSpaces(5);
  tidy.SetUpperCaseTags(true);
  tidy.SetDropEmptyParas(false);
  tidy.SetAltText(QStringLiteral("two words"));
  EXPECT_TRUE(tidyOptParseValue(tidy.Document(), "new-blocklevel-tags", "foo, bar"));
  QTemporaryDir dir;
  QFile file(dir.filePath(QStringLiteral("options.cfg")));
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  file.write(tidy.ConfigText());
  file.close();
  TTidy copy;
  ASSERT_TRUE(copy.LoadConfigFile(file.fileName()));
  TidyIterator it = tidyGetOptionList(tidy.Document());
  int compared = 0;
  while (it) {
    const TidyOption opt = tidyGetNextOption(tidy.Document(), &it);
    const TidyOptionId id = tidyOptGetId(opt);
    const char* name = tidyOptGetName(opt);
    switch (tidyOptGetType(opt)) {
      case TidyString:
        EXPECT_STREQ(tidyOptGetValue(copy.Document(), id), tidyOptGetValue(tidy.Document(), id)) << name;
        break;
      case TidyInteger:
        EXPECT_EQ(tidyOptGetInt(copy.Document(), id), tidyOptGetInt(tidy.Document(), id)) << name;
        break;
      case TidyBoolean:
        EXPECT_EQ(tidyOptGetBool(copy.Document(), id), tidyOptGetBool(tidy.Document(), id)) << name;
        break;
    }
    ++compared;
  }
  EXPECT_GT(compared, 80);
  EXPECT_EQ(copy.OutCharEncoding(), TidyEncUtf8);
  EXPECT_EQ(copy.AltText(), "two words");
}

TEST(Tidy, NestingDepth) {
  const auto repeat = [](const char* s, int n) { return QByteArray(s).repeated(n); };
  const struct {
    QByteArray html;
    int depth;
  } cases[] = {
      {"", 0},
      {"plain < text <3", 0},
      {repeat("<div>", 7) + "x" + repeat("</div>", 7), 7},
      {repeat("<DIV class=\"a>b\" title='</div>'>", 3), 3},  // quoted values hold no tags
      {repeat("<div><b>x</b></div>", 50), 2},                // siblings
      {"<div><span></div><div>", 2},                         // an end tag closes what it encloses
      {repeat("<span/>", 9), 0},
      {"<!-- <div><div> --><div><script>if (a<div) x = '<div>';</script></div>", 2},
      {"<html><head><title>t</title></head><body><div>x</div></body></html>", 3},
      // every element is a level, a table's rows and cells and a list's items too
      {repeat("<table><tr><td>", 4), 12},
      {repeat("<ul><li>", 5), 10},
      {repeat("<div>", 100000), 100000},
      // ends that are certain: the next paragraph, item, row or cell
      {repeat("<p>x<br><img src=a><hr/>", 100), 1},
      {"<ul>" + repeat("<li>a", 100) + "</ul>", 2},
      {"<dl>" + repeat("<dt>a<dd>b", 100) + "</dl>", 2},
      {"<table>" + repeat("<tr><td>a<td>b", 100) + "</table>", 3},
      // an end tag does not reach past a table or a cell
      {"<b><table><tr><td><div></b><div>", 6},
      {repeat("<span><div>x</div>", 3), 4},
  };
  for (const auto& c : cases) EXPECT_EQ(TidyNestingDepth(c.html), c.depth) << c.html.left(200).toStdString();
}

// A run through the helper program, as a document window starts it.
struct TRunEnd {
  TTidyEnd end = TTidyEnd::Failed;
  TTidyResult result;
};
TRunEnd RunHelper(const TTidy& tidy, const QByteArray& source, bool wantOutput) {
  TTidyRun run;
  std::optional<TRunEnd> got;
  QEventLoop loop;
  run.Start(tidy, QString::fromUtf8(source), wantOutput, [&](TTidyEnd end, const TTidyResult& result) {
    got = TRunEnd{end, result};
    loop.quit();
  });
  QTimer::singleShot(120000, &loop, &QEventLoop::quit);
  if (!got) loop.exec();
  EXPECT_TRUE(got.has_value()) << "the run never ended";
  EXPECT_FALSE(run.Running());
  return got.value_or(TRunEnd{});
}

// The options of a document window's Force: output whatever Tidy finds
// (the ASCII output once named here changes nothing: Tidy writes UTF-8).
void ForceOptions(TTidy& tidy) {
  tidy.SetForceOutput(true);
  tidy.SetOutCharEncoding(TidyEncAscii);
}

// 39 999 tables nested in each other's cells are 119 997 levels: refused at
// once, where Tidy would run out of stack after a long time.
TEST(TidyHelper, NestedTablesAreRefusedAsTooDeep) {
  const QByteArray tables = QByteArray("<table><tr><td>").repeated(39999) + "x";
  EXPECT_GT(TidyNestingDepth(tables), 40000);
  TTidy tidy;
  const TRunEnd got = RunHelper(tidy, tables, true);
  EXPECT_EQ(got.end, TTidyEnd::TooDeep);
  EXPECT_TRUE(got.result.reports.isEmpty() && got.result.output.isEmpty());
  // A page nested as deep as allowed goes through.
  EXPECT_EQ(RunHelper(tidy, QByteArray("<div>").repeated(200) + "x", true).end, TTidyEnd::Done);
}

// Random bytes: lots of reports, and an output past its bound (each stray
// byte comes out as a replacement character, three bytes of UTF-8).
// The helper keeps to its bounds, written and handed back.
TEST(TidyHelper, RandomBytesGiveABoundedAnswer) {
  QByteArray bytes(16 << 20, Qt::Uninitialized);
  QRandomGenerator random(17);
  random.fillRange(reinterpret_cast<quint32*>(bytes.data()), bytes.size() / 4);
  TTidy tidy;
  ForceOptions(tidy);
  QTemporaryDir dir;
  QFile config(dir.filePath(QStringLiteral("options.cfg")));
  ASSERT_TRUE(config.open(QIODevice::WriteOnly));
  config.write(tidy.ConfigText());
  config.close();
  const qint64 reportsBound = qint64(kTidyMaxReports + 1) * (3 * kTidyMaxMessage + 64);
  QProcess helper;
  helper.start(TTidyRun::HelperPath(), {config.fileName()});
  ASSERT_TRUE(helper.waitForStarted());
  helper.write(bytes);
  helper.closeWriteChannel();
  qint64 written = 0;
  while (helper.state() != QProcess::NotRunning || helper.bytesAvailable() > 0) {
    helper.waitForReadyRead(100);
    written += helper.readAllStandardOutput().size();
  }
  // The output would pass its bound: none is written, the run fails.
  EXPECT_EQ(helper.exitStatus(), QProcess::NormalExit);
  EXPECT_NE(helper.exitCode(), 0);
  EXPECT_LE(written, reportsBound);
  EXPECT_LT(written, 4 << 20) << "(this page's reports are short)";
  const TRunEnd forced = RunHelper(tidy, bytes, true);
  EXPECT_EQ(forced.end, TTidyEnd::TooLarge);
  const TRunEnd checked = RunHelper(tidy, bytes, false);
  ASSERT_EQ(checked.end, TTidyEnd::Done);
  EXPECT_EQ(checked.result.reports.size(), kTidyMaxReports);
  EXPECT_GT(checked.result.leftOut, 0);
  EXPECT_TRUE(checked.result.output.isEmpty());
}

// The keeper holds the most severe reports, each severity in line order,
// and counts every other report, repeats included.
TEST(TidyHelper, KeeperHoldsTheMostSevereInLineOrder) {
  TTidyReportKeeper keeper(5);
  for (unsigned line = 1; line <= 1000; ++line) keeper.Add({trlInfo, line, 1, QStringLiteral("info")});
  keeper.Add({trlWarning, 900, 3, QStringLiteral("w")});
  keeper.Add({trlWarning, 7, 2, QStringLiteral("w")});
  keeper.Add({trlWarning, 7, 2, QStringLiteral("w")});  // a repeat
  keeper.Add({7, 0, 0, QStringLiteral("summary")});
  keeper.Add({trlError, 950, 1, QStringLiteral("e")});
  keeper.Add({trlWarning, 7, 1, QStringLiteral("w")});
  for (unsigned line = 1; line <= 1000; ++line) keeper.Add({trlInfo, line, 2, QStringLiteral("info")});
  keeper.Add({trlFatal, 0, 0, QStringLiteral("f")});
  const QList<TTidyReport> kept = keeper.Take();
  const QList<TTidyReport> expected{{trlFatal, 0, 0, QStringLiteral("f")},
                                    {trlError, 950, 1, QStringLiteral("e")},
                                    {trlWarning, 7, 1, QStringLiteral("w")},
                                    {trlWarning, 7, 2, QStringLiteral("w")},
                                    {trlWarning, 900, 3, QStringLiteral("w")}};
  EXPECT_TRUE(kept == expected);
  EXPECT_EQ(kept.size() + keeper.LeftOut(), 2000 + 7);
  // Room to spare: the information follows, in line order.
  TTidyReportKeeper roomy(4);
  for (unsigned line : {9u, 3u, 5u}) roomy.Add({trlInfo, line, 1, QStringLiteral("i")});
  roomy.Add({trlWarning, 8, 1, QStringLiteral("w")});
  const QList<TTidyReport> some = roomy.Take();
  ASSERT_EQ(some.size(), 4);
  EXPECT_EQ(QList<unsigned>({some[0].line, some[1].line, some[2].line, some[3].line}), QList<unsigned>({8, 3, 5, 9}));
  EXPECT_EQ(roomy.LeftOut(), 0);
}

// Through the helper: a page whose information reports come before its
// warnings hands back the warnings, and counts all it leaves out.
TEST(TidyHelper, AFloodOfInformationLeavesTheWarnings) {
  QByteArray page;
  for (int n = 1; n <= 6000; ++n) page += QByteArray("<p foo=1>x <img src=a.png></p>\n");
  TTidy tidy;
  qint64 reported = 0;
  tidy.SetOnReport([&](TObject*, int, unsigned, unsigned, const QString&, bool& writeOut) {
    ++reported;
    writeOut = false;
  });
  Tidied(tidy, QString::fromUtf8(page));
  const TRunEnd got = RunHelper(tidy, page, false);
  ASSERT_EQ(got.end, TTidyEnd::Done);
  ASSERT_EQ(got.result.reports.size(), kTidyMaxReports);
  EXPECT_EQ(got.result.reports.size() + got.result.leftOut, reported);
  unsigned line = 0;
  for (const TTidyReport& r : got.result.reports) {
    ASSERT_EQ(r.level, trlWarning) << r.line << " " << r.msg.toStdString();
    ASSERT_GE(r.line, line);
    line = r.line;
  }
  EXPECT_EQ(line, 4999u);  // two warnings a line, three on the first
}

// A helper that answers without end is ended once the answer passes its
// bound, and the run fails; nothing waits for it to finish.
TEST(TidyHelper, AnEndlessAnswerIsCutOff) {
  QTemporaryDir dir;
  // Report frames: length, kind, then level, line, column and message.
  const QByteArray payload = QByteArray("\0\0\0\1\0\0\0\3\0\0\0\4", 12) + QByteArray("warning ").repeated(100);
  const quint32 length = payload.size() + 1;
  const QByteArray frame =
      QByteArray(1, char(length >> 24)) + char(length >> 16) + char(length >> 8) + char(length) + 'R' + payload;
  ASSERT_TRUE(WriteFile(dir.filePath(QStringLiteral("frames")), frame.repeated((1 << 20) / frame.size())));
  const QString helper = dir.filePath(QStringLiteral("endless"));
  ASSERT_TRUE(WriteFile(helper, "#!/bin/sh\nwhile cat \"$(dirname \"$0\")/frames\"; do :; done\n"));
  ASSERT_TRUE(QFile::setPermissions(helper, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
  TTidyRun::SetHelperPath(helper);
  TTidy tidy;
  const TRunEnd got = RunHelper(tidy, "<p>x", false);
  TTidyRun::SetHelperPath(QString());
  EXPECT_EQ(got.end, TTidyEnd::TooLarge);

  // No helper program at all: said as such.
  TTidyRun::SetHelperPath(dir.filePath(QStringLiteral("missing/kvx-tidy")));
  EXPECT_EQ(RunHelper(tidy, "<p>x", false).end, TTidyEnd::HelperMissing);
  TTidyRun::SetHelperPath(QString());
}

// A FIFO where the options file should be is refused at once: Tidy never
// waits on it for a writer.
TEST(Tidy, ConfigFileThatIsAFifoIsRefusedAtOnce) {
  QTemporaryDir dir;
  const QByteArray fifo = QFile::encodeName(dir.filePath(QStringLiteral("tidyconfig.ini")));
  ASSERT_EQ(::mkfifo(fifo.constData(), 0600), 0);
  TTidy tidy;
  auto loaded = std::async(std::launch::async, [&] { return tidy.LoadConfigFile(QFile::decodeName(fifo)); });
  const bool ended = loaded.wait_for(std::chrono::seconds(10)) == std::future_status::ready;
  if (!ended) ::close(::open(fifo.constData(), O_WRONLY | O_NONBLOCK));  // lets a waiting reader go
  EXPECT_TRUE(ended) << "the load waited on the FIFO";
  EXPECT_FALSE(loaded.get());
}

}  // namespace
