#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QStringEncoder>
#include <QTemporaryDir>
#include <csignal>
#include <cstring>
#include <string>
#include <vector>

#include "editor/SrcEditTextBuffer.h"
#include "platform/Exceptions.h"
#include "platform/Memory.h"
#include "tests/common/FifoWatch.h"
#include "tests/common/TestUtil.h"

namespace {

void LoadBytes(TSrcEditStringList& list, const QByteArray& bytes) {
  QByteArray copy = bytes;
  QBuffer buffer(&copy);
  buffer.open(QIODevice::ReadOnly);
  list.LoadFromStream(buffer);
}

QByteArray SaveBytes(TSrcEditStringList& list) {
  QByteArray out;
  QBuffer buffer(&out);
  buffer.open(QIODevice::WriteOnly);
  list.SaveToStream(buffer);
  return out;
}

// Lays out a text as the editor shows it, one step at a time.
QString NaiveExpand(const QString& text, int width) {
  QString out;
  for (QChar c : text) {
    if (c != u'\t') {
      out += c;
    } else if (width < 2) {
      out += u' ';
    } else {
      do out += u'\t';
      while (out.size() % width != 0);
    }
  }
  return out;
}

std::string Message(const std::function<void()>& f) {
  try {
    f();
  } catch (const Exception& e) {
    return e.Message().toStdString();
  }
  return "no exception";
}

}  // namespace

TEST(TextBuffer, LoadsTheThreeLineBreakStyles) {
  TSrcEditStringList list;
  LoadBytes(list, "a\r\nb\n");
  EXPECT_EQ(list.ToStringList(), QStringList({"a", "b"}));
  EXPECT_EQ(list.FileFormat(), lbsCRLF);  // both CR and LF seen

  LoadBytes(list, "a\nb");
  EXPECT_EQ(list.ToStringList(), QStringList({"a", "b"}));
  EXPECT_EQ(list.FileFormat(), lbsLF);

  LoadBytes(list, "a\rb\r");
  EXPECT_EQ(list.ToStringList(), QStringList({"a", "b"}));
  EXPECT_EQ(list.FileFormat(), lbsCR);

  LoadBytes(list, "a\n\rb");
  EXPECT_EQ(list.ToStringList(), QStringList({"a", "", "b"}));

  LoadBytes(list, "a\n\n");
  EXPECT_EQ(list.ToStringList(), QStringList({"a", ""}));

  LoadBytes(list, "");
  EXPECT_EQ(list.Count(), 0);
  EXPECT_EQ(list.FileFormat(), lbsCRLF);  // neither seen

  // NUL is an ordinary character, not a line break.
  LoadBytes(list, QByteArray("a\0b\n", 4));
  ASSERT_EQ(list.Count(), 1);
  EXPECT_EQ(list.Get(0), QString::fromUtf16(u"a\0b", 3));
}

TEST(TextBuffer, SavesInTheStyleItRead) {
  TSrcEditStringList list;
  list.Add("a");
  list.Add("b");
  EXPECT_EQ(SaveBytes(list), QByteArray("a\r\nb\r\n"));
  list.SetAppendLineBreakAtEnd(false);
  EXPECT_EQ(SaveBytes(list), QByteArray("a\r\nb"));
  list.SetFileFormat(lbsLF);
  EXPECT_EQ(SaveBytes(list), QByteArray("a\nb"));
  list.SetFileFormat(lbsCR);
  list.SetAppendLineBreakAtEnd(true);
  EXPECT_EQ(SaveBytes(list), QByteArray("a\rb\r"));

  TSrcEditStringList empty;
  empty.SetAppendLineBreakAtEnd(false);
  EXPECT_EQ(SaveBytes(empty), QByteArray());
  empty.SetAppendLineBreakAtEnd(true);
  EXPECT_EQ(SaveBytes(empty), QByteArray());

  for (const char* text : {"x\r\ny\r\n", "x\ny\n", "x\ry\r", "x\ny"}) {
    LoadBytes(list, text);
    list.SetAppendLineBreakAtEnd(QByteArray(text).endsWith('\n') || QByteArray(text).endsWith('\r'));
    EXPECT_EQ(SaveBytes(list), QByteArray(text));
  }
}

TEST(TextBuffer, EveryByteSurvivesLoadAndSave) {
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  QByteArray all;
  for (int b = 0; b < 256; ++b)
    if (b != '\r' && b != '\n') all.append(static_cast<char>(b));
  all.append("\r\n");
  const QByteArray invalidUtf8("caf\xC3\xA9 \xC3( \xE2\x82 \xF0\x9F\x98 \xED\xA0\x80\r\n");
  const QByteArray withBom(
      "\xEF\xBB\xBF"
      "caf\xC3\xA9\n\xE2\x82\xAC\n");
  const QByteArray utf8Nul(QByteArray("x\0y \xC3\xA9\n", 7));
  // Only the first three bytes of a file can be a byte-order mark.
  const QByteArray innerMarks(
      "\xEF\xBB\xBF\xEF\xBB\xBF"
      "a\n\xEF\xBB\xBF"
      "b\n");
  for (const QByteArray& original : {all, invalidUtf8, withBom, utf8Nul, innerMarks}) {
    const QString path = dir.filePath("f.txt");
    ASSERT_TRUE(WriteFileBytes(path, original));
    TSrcEditStringList list;
    list.LoadFromFile(path);
    EXPECT_EQ(SaveBytes(list), original);
    const QString copy = dir.filePath("copy.txt");
    list.SaveToFile(copy);
    EXPECT_EQ(ReadFileBytes(copy), original);
  }
  TSrcEditStringList list;
  LoadBytes(list, withBom);
  EXPECT_EQ(list.Encoding(), TextEncoding::Utf8);
  EXPECT_TRUE(list.WriteBom());
  EXPECT_EQ(list.Get(1), QStringLiteral("\u20AC"));
  LoadBytes(list, all);
  EXPECT_EQ(list.Encoding(), TextEncoding::Windows1252);
  LoadBytes(list, innerMarks);
  EXPECT_EQ(list.ToStringList(), QStringList({QStringLiteral("\uFEFFa"), QStringLiteral("\uFEFFb")}));
}

TEST(TextBuffer, APipeOrDeviceNamedAsTheFileIsRefusedAtOnce) {
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  const auto refusal = [](const QString& path) {
    return ("Cannot open file \"" + path + "\". It is not a regular file.").toStdString();
  };
  // A device that never runs dry: read, it would fill the memory. The child
  // that tries has a bounded address space and half a minute.
  const QString toZero = dir.filePath("to-zero.txt");
  if (const std::string why = MakeDeviceNode(dir.filePath("zero"), TDeviceNode::Zero); !why.empty())
    GTEST_SKIP() << why;
  ASSERT_TRUE(QFile::link(dir.filePath("zero"), toZero));
  const pid_t child = fork();
  if (child == 0) {
#if !defined(__SANITIZE_ADDRESS__)
    const QByteArray status = ReadFileBytes("/proc/self/status");
    const qsizetype at = status.indexOf("VmSize:");
    const rlim_t used =
        status.mid(at + 7, status.indexOf('\n', at) - at - 7).trimmed().split(' ').first().toULongLong() * 1024;
    rlimit limit{};
    limit.rlim_cur = limit.rlim_max = used + 256 * 1024 * 1024;
    setrlimit(RLIMIT_AS, &limit);
#endif
    alarm(30);
    TSrcEditStringList list;
    list.Add("keep");
    const std::string m = Message([&] { list.LoadFromFile(toZero); });
    _exit(m == refusal(toZero) && list.ToStringList() == QStringList({"keep"}) ? 0 : 1);
  }
  int status = 0;
  waitpid(child, &status, 0);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "status " << status;

  // A FIFO is not opened (nobody writes to it: the open would wait), nor are
  // a link to a device and a folder; the text stays as it was.
  TFifoWatch fifos;
  const QString pipe = dir.filePath("pipe.txt");
  ASSERT_TRUE(fifos.Make(pipe));
  const QString toNull = dir.filePath("to-null.txt");
  if (const std::string why = MakeDeviceNode(dir.filePath("null"), TDeviceNode::Null); !why.empty())
    GTEST_SKIP() << why;
  ASSERT_TRUE(QFile::link(dir.filePath("null"), toNull));
  const QString folder = dir.filePath("folder.txt");
  ASSERT_TRUE(QDir().mkdir(folder));
  TSrcEditStringList list;
  list.Add("keep");
  for (const QString& path : {pipe, toNull, folder}) {
    EXPECT_EQ(Message([&] { list.LoadFromFile(path); }), refusal(path));
    EXPECT_EQ(list.ToStringList(), QStringList({"keep"}));
  }
  EXPECT_EQ(fifos.Opened(), QStringList());
  EXPECT_EQ(EntryKind(pipe), 'p');
  EXPECT_EQ(EntryKind(toNull), 'l');
  // A missing file gives the system's reason.
  const QString missing = dir.filePath("missing.txt");
  EXPECT_EQ(Message([&] { list.LoadFromFile(missing); }),
            ("Cannot open file \"" + missing + "\". No such file or directory").toStdString());
}

TEST(TextBuffer, DeclaredAndMarkedEncodingsAreReadAndWrittenBack) {
  auto wide = [](const char* bom, QStringConverter::Encoding e, const QString& text) {
    QStringEncoder encoder(e);
    return QByteArray(bom, e == QStringConverter::Utf16LE || e == QStringConverter::Utf16BE ? 2 : 4) +
           QByteArray(encoder(text));
  };
  const QString twoLines = QStringLiteral("a\u00E9\r\n\U0001F600b\r\n");
  struct Case {
    QByteArray bytes;
    TextEncoding encoding;
    QString firstLine;
  } cases[] = {
      {"<meta charset=\"iso-8859-1\">\n<p>plain</p>\n", TextEncoding::Windows1252, "<meta charset=\"iso-8859-1\">"},
      {"<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>\n<a/>\n", TextEncoding::Windows1252, {}},
      {"<META HTTP-EQUIV=\"Content-Type\" CONTENT=\"text/html; charset=Windows-1252\">\n",
       TextEncoding::Windows1252,
       {}},
      {"\xEF\xBB\xBF<meta charset=iso-8859-1>\xC3\xA9\n", TextEncoding::Utf8,
       QStringLiteral("<meta charset=iso-8859-1>\u00E9")},                 // the mark wins
      {"<meta charset='utf-8'>caf\xE9\n", TextEncoding::Windows1252, {}},  // not UTF-8 after all
      {"<meta charset=latin1>caf\xC3\xA9\n", TextEncoding::Windows1252,
       QStringLiteral("<meta charset=latin1>caf\u00C3\u00A9")},  // as browsers show it
      {"<p>plain</p>\n", TextEncoding::Utf8, {}},
      {"\xFF\xFE"
       "ab\n",
       TextEncoding::Windows1252,
       {}},  // half a unit: no UTF-16
      {wide("\xFF\xFE", QStringConverter::Utf16LE, twoLines), TextEncoding::Utf16LE, QStringLiteral("a\u00E9")},
      {wide("\xFE\xFF", QStringConverter::Utf16BE, twoLines), TextEncoding::Utf16BE, QStringLiteral("a\u00E9")},
      // NOLINTBEGIN(bugprone-string-literal-with-embedded-nul): wide() takes the mark's length from the encoding
      {wide("\xFF\xFE\0\0", QStringConverter::Utf32LE, twoLines), TextEncoding::Utf32LE, QStringLiteral("a\u00E9")},
      {wide("\0\0\xFE\xFF", QStringConverter::Utf32BE, twoLines), TextEncoding::Utf32BE, QStringLiteral("a\u00E9")},
      // NOLINTEND(bugprone-string-literal-with-embedded-nul)
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.bytes.toStdString());
    TSrcEditStringList list;
    LoadBytes(list, c.bytes);
    EXPECT_EQ(list.Encoding(), c.encoding);
    if (!c.firstLine.isNull()) {
      EXPECT_EQ(list.Get(0), c.firstLine);
    }
    EXPECT_EQ(SaveBytes(list), c.bytes);
    EXPECT_EQ(list.EncodedSize(), c.bytes.size());
  }

  // UTF-16 text gains lines and characters in UTF-16, line breaks included.
  TSrcEditStringList list;
  LoadBytes(list, cases[8].bytes);
  ASSERT_EQ(list.Count(), 2);
  EXPECT_EQ(list.Get(1), QStringLiteral("\U0001F600b"));
  list.Add(QStringLiteral("\u4E2D"));
  EXPECT_EQ(SaveBytes(list), wide("\xFF\xFE", QStringConverter::Utf16LE, twoLines + QStringLiteral("\u4E2D\r\n")));
}

TEST(TextBuffer, SingleByteTextStaysSingleByteAndRefusesWhatItCannotHold) {
  TSrcEditStringList list;
  LoadBytes(list, "<meta charset=\"iso-8859-1\">\n<p></p>\n");
  list.Put(1, QStringLiteral("<p>\u00E9</p>"));
  EXPECT_EQ(SaveBytes(list), QByteArray("<meta charset=\"iso-8859-1\">\n<p>\xE9</p>\n"));
  list.Put(1, QStringLiteral("<p>\u4E2D</p>"));
  EXPECT_FALSE(list.CanEncode());
  EXPECT_EQ(Message([&] { SaveBytes(list); }),
            "Cannot save \"the text\" in Windows-1252: the text holds characters that Windows-1252 cannot hold.");
  EXPECT_EQ(list.Encoding(), TextEncoding::Windows1252);  // never a silent switch
}

TEST(TextBuffer, IndexErrorsAndForgivingReads) {
  TSrcEditStringList list;
  list.Add("a");
  list.Add("b");
  EXPECT_EQ(Message([&] { list.Put(3, "x"); }), "Invalid stringlist index 3");
  EXPECT_EQ(Message([&] { list.Put(-1, "x"); }), "Invalid stringlist index -1");
  EXPECT_EQ(Message([&] { list.Delete(2); }), "Invalid stringlist index 2");
  EXPECT_EQ(Message([&] { list.Insert(3, "x"); }), "Invalid stringlist index 3");
  EXPECT_EQ(Message([&] { list.Exchange(0, 5); }), "Invalid stringlist index 5");
  EXPECT_EQ(Message([&] { list.PutObject(2, nullptr); }), "Invalid stringlist index 2");
  EXPECT_EQ(Message([&] { list.DeleteLines(2, 1); }), "Invalid stringlist index 2");
  EXPECT_EQ(Message([&] { list.SetLineRange(-1, 0); }), "Invalid stringlist index -1");
  EXPECT_THROW(list.Delete(-1), ESrcEditStringList);

  EXPECT_EQ(list.Get(-1), QString());
  EXPECT_EQ(list.Get(2), QString());
  EXPECT_EQ(list.GetObject(7), nullptr);
  EXPECT_EQ(list.LineRange(9), 0);
  EXPECT_EQ(list.ExpandedText(9), QString());

  list.Put(2, "c");  // index = count appends
  EXPECT_EQ(list.ToStringList(), QStringList({"a", "b", "c"}));
  TSrcEditStringList empty;
  empty.Put(0, "first");
  EXPECT_EQ(empty.Count(), 1);
}

TEST(TextBuffer, RecordsStartAsThePartSays) {
  TSrcEditStringList list;
  list.Add("text");
  list.InsertLines(1, 2);
  EXPECT_EQ(list.LineRange(0), -1);  // added as text: not yet scanned
  EXPECT_EQ(list.LineRange(1), 0);   // made by InsertLines
  EXPECT_EQ(list.Count(), 3);
  list.SetLineRange(2, 42);
  EXPECT_EQ(list.LineRange(2), 42);
  list.DeleteLines(1, 99);  // cut to what is there
  EXPECT_EQ(list.Count(), 1);
}

TEST(TextBuffer, TabExpansionMatchesANaiveLayout) {
  TSrcEditStringList list;
  list.Add("a\t");
  list.SetTabWidth(4);
  EXPECT_EQ(list.ExpandedText(0), QStringLiteral("a\t\t\t"));
  EXPECT_EQ(list.ExpandedLength(0), 4);
  list.SetTabWidth(1);
  EXPECT_EQ(list.ExpandedText(0), QStringLiteral("a "));
  list.SetTabWidth(0);
  EXPECT_EQ(list.TabWidth(), 1);
  list.SetTabWidth(300);
  EXPECT_EQ(list.TabWidth(), 256);

  QRandomGenerator rng(7);
  const QString alphabet = QStringLiteral("ab \t\t\u00e9");
  for (int width : {1, 2, 3, 4, 5, 7, 8, 10, 16, 256}) {
    list.SetTabWidth(width);
    for (int n = 0; n < 50; ++n) {
      QString s;
      const int len = rng.bounded(30);
      for (int i = 0; i < len; ++i) s += alphabet[rng.bounded(alphabet.size())];
      list.Put(0, s);
      EXPECT_EQ(list.ExpandedText(0), NaiveExpand(s, width)) << width;
      EXPECT_EQ(list.ExpandedLength(0), NaiveExpand(s, width).size());
    }
  }
}

TEST(TextBuffer, WideCharactersTakeTwoCellsOfTheExpandedLine) {
  const QChar f(kWideFiller);
  const struct {
    QString text;
    QString grid;  // at tab width 4
  } cases[] = {
      {QStringLiteral("\u4E2D\u6587"), QStringLiteral("\u4E2D") + f + QStringLiteral("\u6587") + f},
      {QStringLiteral("a\t\uAC00b"), QStringLiteral("a\t\t\t\uAC00") + f + "b"},
      {QStringLiteral("\uFF21\t"), QStringLiteral("\uFF21") + f + "\t\t"},           // fullwidth A, TAB to the stop
      {QStringLiteral("\u1000\u20AC\u00E9"), QStringLiteral("\u1000\u20AC\u00E9")},  // narrow all
      {QStringLiteral("\U0001F600x"), QStringLiteral("\U0001F600x")},                // a pair: two units, two cells
      {QString(QChar(0xDC00)) + QStringLiteral("\u3042"), QString(QChar(0xDC00)) + QStringLiteral("\u3042") + f},
  };
  TSrcEditStringList list;
  list.SetTabWidth(4);
  list.Add("abc");
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text.toStdString());
    // The length first: it is found without the expanded text.
    list.Put(0, c.text);
    EXPECT_EQ(list.ExpandedLength(0), c.grid.size());
    EXPECT_EQ(list.ExpandedText(0), c.grid);
    EXPECT_EQ(list.ExpandedLength(0), c.grid.size());
    EXPECT_EQ(list.Get(0), c.text);
  }
  list.Put(0, QString(100, QChar(0x4E2D)));
  list.Add("short");
  EXPECT_EQ(list.LongestLineLength(), 200);
}

TEST(TextBuffer, LongestLineFollowsEditsAndTabWidth) {
  TSrcEditStringList list;
  EXPECT_EQ(list.LongestLineLength(), 0);
  list.Add("abc");
  list.Add("\t");
  list.Add("abcdef");
  EXPECT_EQ(list.LongestLineLength(), 8);
  list.SetTabWidth(2);
  EXPECT_EQ(list.LongestLineLength(), 6);
  list.Exchange(0, 2);
  EXPECT_EQ(list.LongestLineLength(), 6);
  list.Delete(0);
  EXPECT_EQ(list.LongestLineLength(), 3);
  list.Put(1, "\t\t\t\t");
  EXPECT_EQ(list.LongestLineLength(), 8);
}

TEST(TextBuffer, NotificationsInOrderWithTheirArguments) {
  TSrcEditStringList list;
  std::vector<std::string> log;
  auto S = [](const QString& s) { return s.toStdString(); };
  list.OnChanging = [&](TObject*) { log.push_back("changing"); };
  list.OnChange = [&](TObject*) { log.push_back("change"); };
  list.OnLinesAdded = [&](int i, const QString& t) { log.push_back("added " + std::to_string(i) + " " + S(t)); };
  list.OnLineInserted = [&](int i, const QString& t) { log.push_back("inserted " + std::to_string(i) + " " + S(t)); };
  list.OnLineReplaced = [&](int i, const QString& t) { log.push_back("replaced " + std::to_string(i) + " " + S(t)); };
  list.OnLineDeleted = [&](int i) { log.push_back("deleted " + std::to_string(i)); };
  list.OnLinesCleared = [&](TObject*) { log.push_back("cleared"); };

  list.Add("a");
  list.Insert(0, "b");
  list.Put(1, "c");
  list.Delete(0);
  list.InsertLines(1, 3);
  list.DeleteLines(1, 2);
  list.AddStrings(QStringList{"x", "y"});
  list.Clear();
  list.Clear();  // nothing to clear: no notification
  EXPECT_EQ(log, (std::vector<std::string>{
                     "changing", "added 0 a",    "change", "changing", "inserted 0 b", "change",
                     "changing", "replaced 1 c", "change", "changing", "deleted 0",    "change",
                     "changing", "added 1 ",     "change", "changing", "deleted 1",    "change",
                     "changing", "added 2 ",     "change", "cleared",
                 }));

  log.clear();
  list.BeginUpdate();
  list.Add("1");
  list.Add("2");
  list.EndUpdate();
  EXPECT_EQ(log, (std::vector<std::string>{"changing", "added 0 1", "added 1 2", "change"}));

  log.clear();
  // A load reports its lines once, with the longest for the editor's width.
  LoadBytes(list, "p\nqq\n");
  EXPECT_EQ(log, (std::vector<std::string>{"changing", "cleared", "added 0 qq", "change"}));
}

TEST(TextBuffer, EditsMatchAPlainListAtRandom) {
  // Texts of every storage: ASCII, Latin-1, UTF-8, a lone surrogate (kept as
  // UTF-16) and, now and then, one long enough for an allocation of its own.
  auto text = [](QRandomGenerator& rng, int step) {
    const QString n = QString::number(step);
    switch (rng.bounded(6)) {
      case 0:
        return QStringLiteral("caf\u00E9 ") + n;
      case 1:
        return QStringLiteral("\u20AC ") + n;
      case 2:
        return QString(QChar(0xD800)) + n;
      case 3:
        return step % 50 == 0 ? QString(70000 + step % 7, QChar(u'\u4E2D')) : n;
      default:
        return n;
    }
  };
  struct Line {
    QString text;
    TObject* object;
    int range;
  };
  TObject objects[3];
  TSrcEditStringList list;
  std::vector<Line> model;
  QRandomGenerator rng(11);
  for (int step = 0; step < 20000; ++step) {
    const int n = static_cast<int>(model.size());
    const int i = rng.bounded(n + 1), j = n ? rng.bounded(n) : 0;
    switch (rng.bounded(10)) {
      case 0:
      case 1: {
        const QString s = text(rng, step);
        list.Insert(i, s);
        model.insert(model.begin() + i, Line{s, nullptr, -1});
        break;
      }
      case 2:
        if (n) {
          list.Delete(j);
          model.erase(model.begin() + j);
        }
        break;
      case 3:
        if (n) {  // shorter, longer, or of another storage than before
          const QString s = text(rng, step);
          list.Put(j, s);
          model[j].text = s;
        }
        break;
      case 4: {
        const int k = rng.bounded(4);
        list.InsertLines(i, k);
        model.insert(model.begin() + i, k, Line{QString(), nullptr, 0});
        break;
      }
      case 5:
        if (n) {
          const int k = rng.bounded(5);
          list.DeleteLines(j, k);
          model.erase(model.begin() + j, model.begin() + std::min(n, j + k));
        }
        break;
      case 6:
        if (n) {
          const int k = rng.bounded(n);
          list.Exchange(j, k);
          std::swap(model[j], model[k]);
        }
        break;
      case 7:
        if (n) {
          TObject* object = rng.bounded(4) == 0 ? nullptr : &objects[rng.bounded(3)];
          list.PutObject(j, object);
          model[j].object = object;
        }
        break;
      case 8:
        if (n) {
          list.SetLineRange(j, step);
          model[j].range = step;
        }
        break;
      case 9:
        if (step % 100 == 0) list.Compact();
        break;
    }
    ASSERT_EQ(list.Count(), static_cast<int>(model.size()));
    if (step % 500 == 0 || step == 19999) {
      qint64 bytes = 0;
      for (int k = 0; k < list.Count(); ++k) {
        ASSERT_EQ(list.Get(k), model[k].text) << step;
        ASSERT_EQ(list.LineLength(k), model[k].text.size()) << step;
        ASSERT_EQ(list.GetObject(k), model[k].object) << step;
        ASSERT_EQ(list.LineRange(k), model[k].range) << step;
        bytes += list.View(k).size_bytes();
      }
      ASSERT_EQ(list.TextBytes(), bytes);
    }
  }
  EXPECT_GE(list.Capacity(), list.Count());
}

TEST(TextBuffer, LinesAreKeptInTheirNarrowestFormAndChangeItByEdits) {
  const struct {
    QString text;
    TextCodec::ViewForm form;
    int bytes;
  } cases[] = {
      {"<p>plain</p>", TextCodec::ViewForm::Latin1, 12},
      {QStringLiteral("caf\u00E9\u00FF"), TextCodec::ViewForm::Latin1, 5},
      {QStringLiteral("12 \u20AC"), TextCodec::ViewForm::Utf8, 6},
      {QStringLiteral("\U0001F600!"), TextCodec::ViewForm::Utf8, 5},
      {QString(QChar(0xDC00)) + "x", TextCodec::ViewForm::Utf16, 4},  // UTF-8 cannot hold it
  };
  TSrcEditStringList list;
  list.Add("first");
  list.Add("middle line");
  list.Add("last");
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text.toStdString());
    for (const QString& text : {c.text, QString("\t") + c.text}) {  // in place and grown
      list.Put(1, text);
      EXPECT_EQ(list.Get(1), text);
      EXPECT_EQ(TextCodec::viewForm(list.View(1)), c.form);
      EXPECT_EQ(list.View(1).size_bytes(), c.bytes + (text == c.text                         ? 0
                                                      : c.form == TextCodec::ViewForm::Utf16 ? 2
                                                                                             : 1));
      EXPECT_EQ(list.LineLength(1), text.size());
      EXPECT_EQ(list.ExpandedLength(1), text.size() + (text == c.text ? 0 : 7));  // TAB to column 8
    }
    EXPECT_EQ(list.ToStringList(), QStringList({"first", QString("\t") + c.text, "last"}));
  }
  // Every form is written back byte for byte, in every encoding that holds it.
  list.Put(1, QStringLiteral("\u00E9\u20AC\U0001F600"));
  for (TextEncoding e : {TextEncoding::Utf8, TextEncoding::Utf16LE, TextEncoding::Utf32BE}) {
    list.SetEncoding(e);
    EXPECT_EQ(list.SaveToBytes(), TextCodec::encode(list.ToStringList().join("\r\n") + "\r\n", e));
    EXPECT_EQ(list.EncodedSize(), list.SaveToBytes().size());
  }
}

TEST(TextBuffer, StringsReadStayAsTheyWereWhateverIsReadNext) {
  const QString fuenf = QStringLiteral("f\u00FCnf");
  TSrcEditStringList list;
  list.AddStrings(QStringList({"one", "two", "three longer", "4", fuenf}));
  // Some strings are kept, some dropped at once, one changed by its holder,
  // as scanners, undo and the painter do.
  std::vector<QString> kept;
  for (int round = 0; round < 3; ++round)
    for (int i = 0; i < list.Count(); ++i) {
      QString s = list.Get(i);
      if ((i + round) % 2 == 0) kept.push_back(s);
      if (i == 2) s += "!";
    }
  list.Put(0, "changed");
  EXPECT_EQ(QStringList(kept.begin(), kept.end()),
            QStringList({"one", "three longer", fuenf, "two", "4", "one", "three longer", fuenf}));
  EXPECT_EQ(list.ToStringList(), QStringList({"changed", "two", "three longer", "4", fuenf}));
}

TEST(TextBuffer, SpaceLeftByEditsIsReclaimed) {
  TSrcEditStringList list;
  for (int i = 0; i < 1000; ++i) list.Add(QString(1000, QChar(u'a' + i % 26)));
  const qint64 text = list.TextBytes();
  EXPECT_EQ(text, 1000 * 1000);
  // Each line grows, so its old bytes are left behind: 20 MB in all.
  for (int round = 1; round <= 20; ++round)
    for (int i = 0; i < 1000; i += 2) list.Put(i, QString(1000 + round, u'x'));
  EXPECT_LE(list.WastedBytes(), std::max<qint64>(list.TextBytes(), 4 << 20));
  list.Compact();
  EXPECT_EQ(list.WastedBytes(), 0);
  EXPECT_EQ(list.TextBytes(), 500 * 1020 + 500 * 1000);
  EXPECT_EQ(list.Get(0), QString(1020, u'x'));
  EXPECT_EQ(list.Get(1), QString(1000, u'b'));
  // Typing on one line reuses its place.
  list.Put(999, "");
  for (int k = 0; k < 5000; ++k) list.Put(999, QString(k % 300, u'y'));
  EXPECT_LE(list.WastedBytes(), 300);
}

TEST(TextBuffer, ChunkBordersInsideCharactersAndLineBreaks) {
  // The file is read in pieces of 1 MB (after the byte-order mark): put a
  // character, a CR LF and a UTF-16 surrogate pair across the first border,
  // and lines longer than a piece.
  constexpr int kPiece = 1 << 20;
  const QByteArray fill(kPiece - 1, 'a');
  auto utf16 = [&](const QString& tail) {
    QStringEncoder encoder(QStringConverter::Utf16LE);
    return QByteArray("\xFF\xFE") + QByteArray(encoder(QString(kPiece / 2 - 1, u'b') + tail));
  };
  const struct {
    QByteArray bytes;
    int lines;
    TextEncoding encoding;
  } cases[] = {
      {fill + "\xE2\x82\xAC\r\nx\r\n", 2, TextEncoding::Utf8},      // a UTF-8 sequence cut
      {fill + "\r\nx\r\n", 2, TextEncoding::Utf8},                  // CR | LF
      {fill + "\r\rx\r", 3, TextEncoding::Utf8},                    // CR | CR
      {fill + "\xE9\xE2\x82\xAC\n", 1, TextEncoding::Windows1252},  // invalid after the border
      {utf16(QStringLiteral("\r\nz\r\n")), 2, TextEncoding::Utf16LE},
      {utf16(QStringLiteral("\U0001F600\r\nz\r\n")), 2, TextEncoding::Utf16LE},
      {QByteArray(3 * kPiece, 'c') + "\n" + QByteArray(kPiece, 'd') + "\n", 2, TextEncoding::Utf8},
  };
  for (const auto& c : cases) {
    TSrcEditStringList list;
    LoadBytes(list, c.bytes);
    EXPECT_EQ(list.Count(), c.lines);
    EXPECT_EQ(list.Encoding(), c.encoding);
    EXPECT_EQ(SaveBytes(list), c.bytes);
  }
  TSrcEditStringList list;
  LoadBytes(list, cases[0].bytes);
  EXPECT_EQ(list.Get(0), QString::fromLatin1(fill) + QStringLiteral("\u20AC"));
  EXPECT_EQ(list.FileFormat(), lbsCRLF);
  LoadBytes(list, cases[2].bytes);
  EXPECT_EQ(list.ToStringList(), QStringList({QString::fromLatin1(fill), "", "x"}));
  // A long line takes edits like any other.
  EXPECT_EQ(list.FileFormat(), lbsCR);
  LoadBytes(list, cases[5].bytes);
  EXPECT_EQ(list.Get(0), QString(kPiece / 2 - 1, u'b') + QStringLiteral("\U0001F600"));
  LoadBytes(list, cases[6].bytes);
  list.Put(0, list.Get(0) + "e");
  list.Put(1, "d");
  EXPECT_EQ(SaveBytes(list), QByteArray(3 * kPiece, 'c') + "e\nd\n");
}

TEST(TextBuffer, WordWrapKeepsTheOriginalLinesOnSave) {
  TSrcEditStringList list;
  list.Add(QString(200, u'x'));
  list.SetWordWrap(true);
  EXPECT_EQ(list.Count(), 1);  // no break character: stays whole

  QString spaced;
  for (int i = 0; i < 30; ++i) spaced += QStringLiteral("word ");
  list.Clear();
  list.Add(spaced);
  ASSERT_GT(list.Count(), 1);
  EXPECT_EQ(list.Get(0).size(), 80);  // ends after the last space at or before 80
  EXPECT_TRUE(list.Get(0).endsWith(u' '));
  EXPECT_FALSE(list.IsContinuation(0));
  EXPECT_TRUE(list.IsContinuation(1));
  const int records = list.Count();

  list.Add("tail");
  EXPECT_EQ(SaveBytes(list), (spaced + "\r\ntail\r\n").toUtf8());
  QTemporaryDir dir;
  list.SaveToFile(dir.filePath("w.txt"));
  EXPECT_EQ(ReadFileBytes(dir.filePath("w.txt")), (spaced + "\r\ntail\r\n").toUtf8());
  EXPECT_EQ(list.Count(), records + 1);  // the records are left alone

  list.Put(1, list.Get(1) + "more more more more more more more more more more");
  const int first = list.RewrapParagraph(1);
  EXPECT_EQ(first, 0);
  list.SetWordWrap(false);
  EXPECT_EQ(list.Count(), 2);
  EXPECT_EQ(list.Get(1), "tail");
  EXPECT_TRUE(list.Get(0).startsWith(spaced.left(80)));
}

TEST(TextBuffer, WriterGrowsForLongLines) {
  QByteArray out;
  QBuffer buffer(&out);
  buffer.open(QIODevice::WriteOnly);
  TSrcEditFiler filer(&buffer);
  filer.SetLineBreakStyle(lbsCRLF);
  EXPECT_EQ(filer.BufferSize(), 16384);
  filer.Write(QStringLiteral("short"), true);
  const QString longLine(20000, u'z');
  filer.Write(longLine, true);
  EXPECT_GE(filer.BufferSize(), 20002);
  filer.Flush();
  EXPECT_EQ(out, "short\r\n" + longLine.toLatin1() + "\r\n");
}

namespace {

class FailingDevice : public QIODevice {
 protected:
  qint64 readData(char*, qint64) override { return -1; }
  qint64 writeData(const char*, qint64) override { return -1; }
};

}  // namespace

TEST(TextBuffer, FailedSavesRaiseAndKeepTheOldFile) {
  TSrcEditStringList list;
  list.Add("new content");

  FailingDevice failing;
  failing.open(QIODevice::WriteOnly);
  EXPECT_THROW(list.SaveToStream(failing), EWriteError);

  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  EXPECT_THROW(list.SaveToFile(dir.filePath("no/such/folder/x.txt")), EFCreateError);

  // A file-size limit: the write fails with the file's name and the reason,
  // the old file stays and no temporary is left.
  const QString target = dir.filePath("keep.txt");
  ASSERT_TRUE(WriteFileBytes(target, "old content\n"));
  TSrcEditStringList big;
  for (int i = 0; i < 1000; ++i) big.Add(QStringLiteral("a line that will not fit under the limit"));
  rlimit saved{};
  getrlimit(RLIMIT_FSIZE, &saved);
  rlimit limit = saved;
  limit.rlim_cur = 100;
  setrlimit(RLIMIT_FSIZE, &limit);
  const std::string message = Message([&] { big.SaveToFile(target); });
  setrlimit(RLIMIT_FSIZE, &saved);
  EXPECT_EQ(message, ("Cannot write file \"" + target + "\". File too large.").toStdString());
  EXPECT_EQ(ReadFileBytes(target), QByteArray("old content\n"));
  EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList({"keep.txt"}));
}

namespace {

// Runs `body` in a child process as a user without privileges (root drops to
// nobody, so folder permissions bind); returns its exit code.
int AsPlainUser(const std::function<int()>& body) {
  const pid_t child = fork();
  if (child == 0) {
    if (geteuid() == 0 && (setgid(65534) != 0 || setuid(65534) != 0)) _exit(99);
    _exit(body());
  }
  int status = 0;
  waitpid(child, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : 98;
}

struct Asked {
  std::vector<TInPlaceReason> reasons;
  bool answer = true;
  TInPlaceQuestion Question() {
    return [this](const QString&, TInPlaceReason r) {
      reasons.push_back(r);
      return answer;
    };
  }
};

}  // namespace

TEST(TextBuffer, SavesKeepLinksOwnersAndLongNames) {
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  TSrcEditStringList list;
  list.Add("new");

  // A name of 255 bytes, the most the file system takes.
  const QString longName = dir.filePath(QString(251, u'n') + ".txt");
  list.SaveToFile(longName);
  EXPECT_EQ(ReadFileBytes(longName), QByteArray("new\r\n"));
  const QString tooLong = longName + "l";
  EXPECT_EQ(Message([&] { list.SaveToFile(tooLong); }),
            ("Cannot write file \"" + tooLong + "\". File name too long.").toStdString());
  EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).size(), 1);  // no temporary left

  // A second hard link keeps sharing the text when the user lets the file be
  // written in place; No writes nothing.
  const QString file = dir.filePath("linked.txt"), link = dir.filePath("link.txt");
  ASSERT_TRUE(WriteFileBytes(file, "old old old\n"));
  ASSERT_EQ(::link(QFile::encodeName(file).constData(), QFile::encodeName(link).constData()), 0);
  Asked asked;
  asked.answer = false;
  EXPECT_THROW(list.SaveToFile(file, asked.Question()), ESaveCancelled);
  EXPECT_THROW(list.SaveToFile(file), ESaveCancelled);  // nobody to ask: no
  EXPECT_EQ(ReadFileBytes(link), QByteArray("old old old\n"));
  asked.answer = true;
  list.SaveToFile(file, asked.Question());
  EXPECT_EQ(asked.reasons, std::vector<TInPlaceReason>(2, TInPlaceReason::HardLinks));
  EXPECT_EQ(ReadFileBytes(link), QByteArray("new\r\n"));  // shorter than before: cut to size

  // A symbolic link stays a link to the file it names.
  const QString real = dir.filePath("real.txt"), sym = dir.filePath("sym.txt");
  ASSERT_TRUE(WriteFileBytes(real, "old"));
  ASSERT_TRUE(QFile::link(real, sym));
  list.SaveToFile(sym);
  EXPECT_TRUE(QFileInfo(sym).isSymLink());
  EXPECT_EQ(ReadFileBytes(real), QByteArray("new\r\n"));

  // Mode and owner stay (root can give the new file any owner).
  const QString owned = dir.filePath("owned.txt");
  ASSERT_TRUE(WriteFileBytes(owned, "old"));
  ASSERT_EQ(::chmod(QFile::encodeName(owned).constData(), 0640), 0);
  if (geteuid() == 0) {
    ASSERT_EQ(::chown(QFile::encodeName(owned).constData(), 65534, 65534), 0);
  }
  const QFileInfo before(owned);
  list.SaveToFile(owned);
  const QFileInfo after(owned);
  EXPECT_EQ(after.permissions(), before.permissions());
  EXPECT_EQ(after.ownerId(), before.ownerId());
  EXPECT_EQ(after.groupId(), before.groupId());
}

TEST(TextBuffer, WritableFileInAFolderThatTakesNoNewFile) {
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  ::chmod(QFile::encodeName(dir.path()).constData(), 0755);
  const QString folder = dir.filePath("ro");
  QDir().mkdir(folder);
  const QString file = folder + "/page.html";
  ASSERT_TRUE(WriteFileBytes(file, "old"));
  ::chmod(QFile::encodeName(file).constData(), 0666);
  ::chmod(QFile::encodeName(folder).constData(), 0555);
  const QString fresh = folder + "/fresh.html";

  const int code = AsPlainUser([&] {
    TSrcEditStringList list;
    list.Add("new");
    Asked asked;
    asked.answer = false;
    try {
      list.SaveToFile(file, asked.Question());
      return 1;
    } catch (const ESaveCancelled&) {
    }
    if (ReadFileBytes(file) != "old") return 2;
    asked.answer = true;
    list.SaveToFile(file, asked.Question());
    if (asked.reasons != std::vector<TInPlaceReason>(2, TInPlaceReason::FolderNotWritable)) return 3;
    // A file that does not exist yet cannot be made there: the reason says so.
    const std::string m = Message([&] { list.SaveToFile(fresh, asked.Question()); });
    const std::string want =
        ("Cannot create file \"" + fresh + "\". Permission denied on the folder \"" + folder + "\".").toStdString();
    return m == want ? 0 : 4;
  });
  ::chmod(QFile::encodeName(folder).constData(), 0755);
  EXPECT_EQ(code, 0);
  EXPECT_EQ(ReadFileBytes(file), QByteArray("new\r\n"));
}

TEST(TextBuffer, OwnerThatANewFileCannotHaveIsKeptInPlace) {
  if (geteuid() != 0) GTEST_SKIP() << "needs a file of another user";
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  ::chmod(QFile::encodeName(dir.path()).constData(), 0777);
  const QString file = dir.filePath("root.html");
  ASSERT_TRUE(WriteFileBytes(file, "old"));
  ::chmod(QFile::encodeName(file).constData(), 0666);
  const int code = AsPlainUser([&] {
    TSrcEditStringList list;
    list.Add("new");
    Asked asked;
    list.SaveToFile(file, asked.Question());
    return asked.reasons == std::vector<TInPlaceReason>(1, TInPlaceReason::Owner) ? 0 : 1;
  });
  EXPECT_EQ(code, 0);
  EXPECT_EQ(ReadFileBytes(file), QByteArray("new\r\n"));
  EXPECT_EQ(QFileInfo(file).ownerId(), 0u);
  EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList({"root.html"}));
}

TEST(TextBuffer, LoadsFromAStreamThatCannotSeek) {
  const QByteArray bytes(
      "\xEF\xBB\xBF"
      "caf\xC3\xA9\r\n\xE2\x82\xAC 1\r\n");
  TPipeDevice pipe(bytes, 7);  // small pieces
  TSrcEditStringList list;
  list.LoadFromStream(pipe);
  EXPECT_EQ(list.ToStringList(), QStringList({QStringLiteral("caf\u00E9"), QStringLiteral("\u20AC 1")}));
  EXPECT_TRUE(list.WriteBom());
  EXPECT_EQ(SaveBytes(list), bytes);
}

TEST(TextBuffer, FailedLoadLeavesTheListAlone) {
  TSrcEditStringList list;
  list.Add("keep");
  EXPECT_THROW(list.LoadFromFile("/nonexistent/file.html"), EFOpenError);
  EXPECT_EQ(list.ToStringList(), QStringList({"keep"}));
}

TEST(TextBuffer, LoadsThatWouldExhaustMemoryAreRefused) {
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  const QString blank = dir.filePath("blank.html");
  ASSERT_TRUE(WriteFileBytes(blank, QByteArray(200000, '\n')));  // 200 KB, 200 000 records
  TSrcEditStringList list;
  list.Add("keep");
  Memory::SetAvailableForTesting(1024 * 1024);
  const QString message = QString::fromStdString(Message([&] { list.LoadFromFile(blank); }));
  EXPECT_TRUE(message.startsWith("Not enough memory to open \"" + blank + "\": it needs about "))
      << message.toStdString();
  EXPECT_TRUE(message.endsWith(" MB, but only 1.0 MB are available.")) << message.toStdString();
  EXPECT_EQ(list.ToStringList(), QStringList({"keep"}));
  LoadBytes(list, "small\n");  // what fits still loads
  EXPECT_EQ(list.ToStringList(), QStringList({"small"}));
  Memory::SetAvailableForTesting(-1);

  // An allocation that fails all the same is reported, not fatal. (The
  // address sanitizer ends a program whose allocation fails: not there.)
#if defined(__SANITIZE_ADDRESS__)
  GTEST_SKIP() << "allocation failures end sanitized programs";
#endif
  const pid_t child = fork();
  if (child == 0) {
    Memory::SetAvailableForTesting(qint64(1) << 50);
    const QByteArray lines = QByteArray("x\n").repeated(8 * 1024 * 1024);
    TSrcEditStringList small;
    small.Add("keep");
    // Room for 100 MB more than the process holds now; the records alone
    // need 8 M x their size.
    const QByteArray status = ReadFileBytes("/proc/self/status");
    const qsizetype at = status.indexOf("VmSize:");
    const rlim_t used =
        status.mid(at + 7, status.indexOf('\n', at) - at - 7).trimmed().split(' ').first().toULongLong() * 1024;
    rlimit limit{};
    limit.rlim_cur = limit.rlim_max = used + 100 * 1024 * 1024;
    setrlimit(RLIMIT_AS, &limit);
    const std::string m = Message([&] { LoadBytes(small, lines); });
    _exit(m == "Not enough memory to open \"the text\"." && small.ToStringList() == QStringList({"keep"}) ? 0 : 1);
  }
  int status = 0;
  waitpid(child, &status, 0);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0);
}

TEST(TextBuffer, SavesLargerThanItsOutputBufferFromEveryStorageForm) {
  // A save hands the file pieces of 1 MB: lines in each storage form (Latin-1,
  // UTF-8, UTF-16 for a surrogate alone) cross their borders, in every
  // encoding, and a line longer than a piece spans several.
  const QString lines[] = {QStringLiteral("caf\u00E9 <p>plain</p>"), QStringLiteral("12 \u20AC \U0001F600"),
                           QString(QChar(0xDC00)) + "x", QString(3 << 19, u'\u00E9')};
  TSrcEditStringList list;
  list.BeginUpdate();
  for (int i = 0; i < 150000; ++i) list.Add(lines[i % 3]);
  list.Insert(70000, lines[3]);
  list.EndUpdate();
  const QString text = list.ToStringList().join("\n") + "\n";
  list.SetFileFormat(lbsLF);
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  for (TextEncoding e : {TextEncoding::Utf8, TextEncoding::Utf16BE, TextEncoding::Utf32LE}) {
    SCOPED_TRACE(TextCodec::encodingName(e).toStdString());
    list.SetEncoding(e);
    const QByteArray expected = TextCodec::encode(text, e);
    ASSERT_GT(expected.size(), 3 << 20);
    EXPECT_EQ(list.SaveToBytes(), expected);
    EXPECT_EQ(list.EncodedSize(), expected.size());
    list.SaveToFile(dir.filePath("big.txt"));
    EXPECT_TRUE(ReadFileBytes(dir.filePath("big.txt")) == expected);
  }
  // Windows-1252 from Latin-1 lines, a C1 control it leaves undefined kept.
  TSrcEditStringList single;
  const QByteArray line("caf\xE9 \x81 <p>plain</p>");
  QByteArray bytes;
  while (bytes.size() < (3 << 20)) bytes += line + "\r\n";
  LoadBytes(single, bytes);
  ASSERT_EQ(single.Encoding(), TextEncoding::Windows1252);
  single.SaveToFile(dir.filePath("single.txt"));
  EXPECT_TRUE(ReadFileBytes(dir.filePath("single.txt")) == bytes);
}

TEST(TextBuffer, APairCutByWordWrapIsSavedAsOneCharacter) {
  TSrcEditStringList list;
  QString spaced;
  for (int i = 0; i < 30; ++i) spaced += QStringLiteral("word ");
  list.Add(spaced);
  list.SetWordWrap(true);
  ASSERT_TRUE(list.IsContinuation(1));
  list.Put(0, QString("x") + QChar(0xD83D));
  list.Put(1, QString(QChar(0xDE00)) + "y");
  ASSERT_TRUE(list.IsContinuation(1));
  while (list.Count() > 2) list.Delete(2);
  EXPECT_EQ(SaveBytes(list), QByteArray("x\xF0\x9F\x98\x80y\r\n"));
  list.SetEncoding(TextEncoding::Utf32BE);
  EXPECT_EQ(SaveBytes(list), TextCodec::encode(QStringLiteral("x\U0001F600y\r\n"), TextEncoding::Utf32BE));
}
