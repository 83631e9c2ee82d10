#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <QWidget>
#include <memory>

#include "editor/SrcEditAutoComplete.h"
#include "tests/common/FifoWatch.h"

void PrintTo(const TPoint& p, std::ostream* os);

namespace {

const QString CRLF = QStringLiteral("\r\n");

struct Completion {
  explicit Completion(const QStringList& templates) {
    complete.SetAutoCompleteList(templates);
    complete.AddEditor(&edit);
  }
  // Types `line` (the caret at its end, or at `caretX`) and completes.
  QString Run(const QString& line, int caretX = -1) {
    edit.SetLines({line});
    edit.SetCaretXY(TPoint{caretX < 0 ? static_cast<int>(line.size()) + 1 : caretX, 1});
    TSrcEditorCommand command = ecAutoCompletion;
    QChar c;
    edit.NotifyCommandHandlers(false, command, c, nullptr);
    handled = command == ecNone;
    return edit.Text();
  }
  TSrcEdit edit;
  TSrcAutoComplete complete;
  bool handled = false;
};

TEST(SrcAutoComplete, SectionLayout) {
  TSrcAutoComplete c;
  c.SetAutoCompleteList({"[tab | A table]", "", "", "<table>", "", "</table>", "", "[name]", "x", "[  | no name]",
                         "lost", "[br|line break]", "<br>"});
  EXPECT_EQ(c.TemplateNames(), (QStringList{"tab", "name]", "br|line"}));
  EXPECT_EQ(c.TemplateComments(), (QStringList{"A table", "", "break"}));
  // Leading empty lines go, inner and trailing ones stay.
  EXPECT_EQ(c.TemplateTexts()[0], "<table>" + CRLF + CRLF + "</table>" + CRLF);
  EXPECT_EQ(c.TemplateTexts()[1], "x");
}

TEST(SrcAutoComplete, LineLayout) {
  TSrcAutoComplete c;
  c.SetAutoCompleteList({"=orphan", "first", "=a", "", "=b", "[second]", "=c"});
  EXPECT_EQ(c.TemplateNames(), (QStringList{"first", "[second]"}));
  EXPECT_EQ(c.TemplateTexts(), (QStringList{"a" + CRLF + "b", "c"}));
  EXPECT_EQ(c.TemplateComments(), (QStringList{"", ""}));
}

TEST(SrcAutoComplete, FileIsReadWithTheTextCodec) {
  QTemporaryDir dir;
  const QString path = dir.filePath(QStringLiteral("codeinside.dci"));
  QFile file(path);
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  file.write("[caf\xe9 | Windows-1252]\r\n\xe9t\xe9|\r\n\r\n");
  file.close();
  TSrcAutoComplete c;
  c.LoadFromFile(path);
  EXPECT_EQ(c.Encoding(), TextEncoding::Windows1252);
  EXPECT_EQ(c.TemplateNames(), QStringList{QStringLiteral("caf\u00e9")});
  EXPECT_EQ(c.TemplateTexts(), QStringList{QStringLiteral("\u00e9t\u00e9|") + CRLF});

  c.LoadFromFile(dir.filePath(QStringLiteral("missing.dci")));
  EXPECT_TRUE(c.TemplateNames().isEmpty());

  // A FIFO in the library's place is not opened: no templates, no waiting.
  TFifoWatch fifos;
  ASSERT_TRUE(fifos.Make(dir.filePath(QStringLiteral("pipe.dci"))));
  c.LoadFromFile(path);
  c.LoadFromFile(dir.filePath(QStringLiteral("pipe.dci")));
  EXPECT_TRUE(c.TemplateNames().isEmpty());
  EXPECT_EQ(fifos.Opened(), QStringList());
}

TEST(SrcAutoComplete, ExactNameFromTheEndThenUniquePrefix) {
  Completion t({"[ta | ]", "first ta", "[tb | ]", "tb text", "[ta | ]", "second ta"});
  EXPECT_EQ(t.Run("ta"), "second ta");
  EXPECT_TRUE(t.handled);
  EXPECT_EQ(t.Run("TB"), "tb text");  // names compare without case by default
  EXPECT_EQ(t.Run("t"), "t");         // two names begin with it
  t.complete.SetCaseSensitive(true);
  EXPECT_EQ(t.Run("TB"), "TB");
}

TEST(SrcAutoComplete, CaretGoesToTheMarkAndLaterLinesAreIndented) {
  Completion t({"[if | ]", "if (x) {", "  |", "}", ""});
  // The blanks of the caret's line are trimmed by the editor.
  EXPECT_EQ(t.Run("    if"), "    if (x) {" + CRLF + CRLF + "    }");
  EXPECT_EQ(t.edit.CaretXY(), (TPoint{7, 2}));
  EXPECT_FALSE(t.edit.SelAvail());
  t.edit.Undo();
  EXPECT_EQ(t.edit.Text(), "    if");
  // The caret where it was, after the name; the name is not selected.
  EXPECT_EQ(t.edit.CaretXY(), (TPoint{7, 1}));
  EXPECT_FALSE(t.edit.SelAvail());
}

TEST(SrcAutoComplete, IndentKeepsTheCaretLinesTabs) {
  Completion t({"[p | ]", "<p>", "</p>|"});
  EXPECT_EQ(t.Run("\t\tx(p"), "\t\tx(<p>" + CRLF + "\t\t  </p>");
  EXPECT_EQ(t.edit.CaretXY(), (TPoint{9, 2}));
}

TEST(SrcAutoComplete, MarkOnTheFirstLineAndTextAfterTheCaret) {
  Completion t({"[a | ]", "<a href=\"|\"></a>"});
  EXPECT_EQ(t.Run("x.a;", 4), "x.<a href=\"\"></a>;");
  EXPECT_EQ(t.edit.CaretXY(), (TPoint{12, 1}));
}

TEST(SrcAutoComplete, NothingHappens) {
  Completion t({"[ab | ]", "text"});
  EXPECT_EQ(t.Run("ab "), "ab ");   // empty token
  EXPECT_EQ(t.Run("ab", 8), "ab");  // caret well past the line end
  t.edit.SetReadOnly(true);
  EXPECT_EQ(t.Run("ab"), "ab");
  EXPECT_TRUE(t.handled);
  EXPECT_FALSE(t.edit.CanUndo());
}

TEST(SrcAutoComplete, EditorsComeAndGo) {
  TSrcAutoComplete c;
  auto a = std::make_unique<TSrcEdit>();
  TSrcEdit b;
  c.BeginLoading();
  EXPECT_TRUE(c.AddEditor(a.get()));
  EXPECT_EQ(a->CommandHandlerCount(), 0);
  c.Loaded();
  EXPECT_EQ(a->CommandHandlerCount(), 1);
  EXPECT_TRUE(c.AddEditor(a.get()));
  EXPECT_FALSE(c.AddEditor(nullptr));
  c.SetEditor(&b);
  EXPECT_EQ(c.Editor(), &b);
  EXPECT_EQ(c.EditorCount(), 2);
  a.reset();
  EXPECT_EQ(c.EditorCount(), 1);
  c.SetEditor(nullptr);
  EXPECT_EQ(b.CommandHandlerCount(), 0);
  EXPECT_EQ(c.EditorCount(), 0);

  // Editors freed with the window they sit on, the served one among them,
  // and templates freed before the editor they serve.
  auto form = std::make_unique<QWidget>();
  auto* onForm = new TSrcEdit(form.get());
  c.AddEditor(new TSrcEdit(form.get()));
  c.SetEditor(onForm);
  EXPECT_EQ(c.EditorCount(), 2);
  form.reset();
  EXPECT_EQ(c.EditorCount(), 0);
  EXPECT_EQ(c.Editor(), nullptr);
  auto templates = std::make_unique<TSrcAutoComplete>();
  templates->SetEditor(&b);
  templates.reset();
  EXPECT_EQ(b.CommandHandlerCount(), 0);
}

}  // namespace

namespace {

TEST(SrcAutoComplete, CtrlJExpandsInTheDocumentKeyMap) {
  TSrcEdit edit;
  edit.Keystrokes().SetDocumentDefaults();
  TSrcAutoComplete complete;
  complete.SetAutoCompleteList({"[tr | row]", "<tr>|</tr>"});
  complete.SetEditor(&edit);
  edit.SetLines({""});
  QTest::keyClicks(&edit, QStringLiteral("tr"));
  QTest::keyClick(&edit, Qt::Key_J, Qt::ControlModifier);
  EXPECT_EQ(edit.Text(), "<tr></tr>");
  EXPECT_EQ(edit.CaretXY(), (TPoint{5, 1}));
}

}  // namespace

// ------------------------------------------------------------ writing

namespace {

QByteArray ReadAll(const QString& fileName) {
  QFile f(fileName);
  return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

QList<TCodeTemplate> ReadBack(const QString& fileName) {
  TSrcAutoComplete c;
  c.LoadFromFile(fileName);
  return CodeTemplates(c);
}

}  // namespace

TEST(CodeLibraryWriter, TwoTemplatesAndTheirRoundTrip) {
  QTemporaryDir dir;
  const QString file = dir.filePath("codeinside.dci");
  const QList<TCodeTemplate> written = {
      {"a", "x", "L1\r\nL2"}, {"b", "y", "M"}, {"e", "empty", ""}, {"t", "ends", "T\r\n"}, {"z", "c]", "\r\n\r\nZ"}};
  SaveCodeLibrary(file, written);
  EXPECT_EQ(ReadAll(file),
            "[a | x]\r\nL1\r\nL2\r\n\r\n[b | y]\r\nM\r\n\r\n[e | empty]\r\n\r\n[t | ends]\r\nT\r\n\r\n"
            "[z | c]]\r\nZ\r\n\r\n");
  // What is read back writes the same file again, however often.
  const QList<TCodeTemplate> read = ReadBack(file);
  ASSERT_EQ(read.size(), 5);
  EXPECT_EQ(read[0], (TCodeTemplate{"a", "x", "L1\r\nL2\r\n"}));
  EXPECT_EQ(read[4].comment, "c]");
  const QByteArray first = ReadAll(file);
  SaveCodeLibrary(file, read);
  SaveCodeLibrary(file, ReadBack(file));
  EXPECT_EQ(ReadAll(file), first);

  SaveCodeLibrary(file, {});
  EXPECT_EQ(ReadAll(file), "");
}

TEST(CodeLibraryWriter, RefusalsAndKeys) {
  const struct {
    TCodeTemplate t;
    TCodeTemplateFault fault;
  } cases[] = {
      {{"", "c", "x"}, TCodeTemplateFault::EmptyName},
      {{"k", "c", "ok\r\n[b | c]"}, TCodeTemplateFault::HeaderLine},
      {{"k", "c", "[x"}, TCodeTemplateFault::HeaderLine},
      {{"k", "c", " [x\r\na[b]"}, TCodeTemplateFault::None},
  };
  for (const auto& c : cases) EXPECT_EQ(CheckCodeTemplate(c.t), c.fault) << c.t.text.toStdString();
  EXPECT_EQ(CodeTemplateKey(" my  key\t1 "), "mykey1");
  EXPECT_EQ(CodeTemplateKey("   "), "");

  // A refused template writes nothing: the old library stays.
  QTemporaryDir dir;
  const QString file = dir.filePath("lib.dci");
  SaveCodeLibrary(file, {{"a", "x", "A"}});
  EXPECT_THROW(SaveCodeLibrary(file, {{"a", "x", "A"}, {"b", "y", "[b"}}), ESrcEditError);
  EXPECT_EQ(ReadAll(file), "[a | x]\r\nA\r\n\r\n");
}

TEST(CodeLibraryWriter, KeepsTheSingleByteEncodingOfTheFileWhenItCan) {
  QTemporaryDir dir;
  const QString file = dir.filePath("lib.dci");
  SaveCodeLibrary(file, {{"e", "", QStringLiteral("caf\u00e9")}}, TextEncoding::Windows1252);
  EXPECT_EQ(ReadAll(file), "[e | ]\r\ncaf\xe9\r\n\r\n");
  SaveCodeLibrary(file, {{"e", "", QStringLiteral("\u4e2d")}}, TextEncoding::Windows1252);
  EXPECT_EQ(ReadAll(file), "[e | ]\r\n\xe4\xb8\xad\r\n\r\n");
}
