#include <gtest/gtest.h>

#include <map>

#include "highlighters/SrcHighlighterSQL.h"
#include "tests/highlighters/HighlighterTestUtil.h"

namespace {

using S = TSrcSQLHighlighter;
using namespace hltest;

std::string Kinds(TSQLDialect dialect, const char* line) {
  S h;
  h.SetSQLDialect(dialect);
  return hltest::Kinds(h, QString::fromUtf8(line));
}

// A highlighter of the dialect.
TFactory Maker(TSQLDialect dialect) {
  return [dialect] {
    auto h = std::make_unique<S>();
    h->SetSQLDialect(dialect);
    return h;
  };
}

}  // namespace

TEST(SQLHighlighter, Tokens) {
  const struct {
    TSQLDialect dialect;
    const char* line;
    const char* tokens;
  } cases[] = {
      {sqlSybase, "select SELECT foo", "select:6  :9 SELECT:6  :9 foo:5 "},
      {sqlOracle, "REM this is it", "REM this is it:0 "},
      {sqlOracle, "REMOVE x", "REMOVE:5  :9 x:5 "},
      {sqlOracle, "VARCHAR2 :x DBMS_OUTPUT", "VARCHAR2:1  :9 :x:16  :9 DBMS_OUTPUT:2 "},
      {sqlOracle, "others NO_DATA_FOUND elsif PROMPT nvl",
       "others:3  :9 NO_DATA_FOUND:3  :9 elsif:10  :9 PROMPT:11  :9 nvl:4 "},
      {sqlOracle, "@x a#b$c", "@:13 x:5  :9 a#b$c:5 "},
      {sqlMSSQL7, "@@ROWCOUNT @x @@nothing", "@@ROWCOUNT:4  :9 @x:16  :9 @@nothing:5 "},
      {sqlMSSQL2K, "@@version fn_helpcollations :x", "@@version:4  :9 fn_helpcollations:4  :9 ::13 x:5 "},
      {sqlMySQL, "@ x", "@:13  :9 x:5 "},
      {sqlMySQL, "# note", "# note:0 "},
      {sqlMySQL, "x # note", "x:5  :9 #:15  :9 note:5 "},
      {sqlMySQL, "'a\\'b' 'c\\\\' d",
       "'a\\'b':12  :9 'c\\\\':12  :9 d:5 "},  // an escaped backslash leaves the quote closing
      {sqlSybase, "'a\\'b' c", "'a\\':12 b:5 ' c:12 "},
      {sqlSybase, "# $", "#:15  :9 $:15 "},
      {sqlIngres, ":x @y", ":x:16  :9 @y:16 "},
      {sqlStandard, ":x @y", "::13 x:5  :9 @y:16 "},
      {sqlSybase, "1..5 1.5 2-3 7e", "1:8 .:13 .:13 5:8  :9 1.5:8  :9 2-3:8  :9 7:8 e:5 "},
      {sqlSybase, "-- x", "-- x:0 "},
      {sqlSybase, "a-b", "a:5 -:13 b:5 "},
      {sqlSybase, "a/*b*/c/=d/e", "a:5 /*b*/:0 c:5 /=:13 d:5 /:13 e:5 "},
      {sqlSybase, "\"a\"\"b\" \"c\\\"d\" \"e", "\"a\"\"b\":12  :9 \"c\\\"d\":12  :9 \"e:12 "},
      {sqlSybase, "\"\"x", "\"\":12 x:5 "},
      {sqlSybase, "a!=b%c*=d^e", "a:5 !=:13 b:5 %:13 c:5 *=:13 d:5 ^:13 e:5 "},
      {sqlSybase, "a&&b&=c&d++e+=f+g", "a:5 &&:13 b:5 &=:13 c:5 &:13 d:5 ++:13 e:5 +=:13 f:5 +:13 g:5 "},
      {sqlSybase, "a<<=b<<c<=d<e", "a:5 <<=:13 b:5 <<:13 c:5 <=:13 d:5 <:13 e:5 "},
      {sqlSybase, "a==b=>c>=d>>e>f", "a:5 ==:13 b:5 =>:13 c:5 >=:13 d:5 >>:13 e:5 >:13 f:5 "},
      {sqlSybase, "a||b|=c|d", "a:5 ||:13 b:5 |=:13 c:5 |:13 d:5 "},
      {sqlSybase, "(),.;?[]{}~", "(:13 ):13 ,:13 .:13 ;:13 ?:13 [:13 ]:13 {:13 }:13 ~:13 "},
      {sqlSybase, "x\t \x01y", "x:5 \t \x01:9 y:5 "},
      {sqlSybase, "_a1 \xC3\xA9t\xC3\xA9 \xF0\x9F\x98\x80",
       "_a1:5  :9 \xC3\xA9:15 t:5 \xC3\xA9:15  :9 \xF0\x9F\x98\x80:15 "},
  };
  for (const auto& c : cases) EXPECT_EQ(Kinds(c.dialect, c.line), c.tokens) << int(c.dialect) << " " << c.line;
}

TEST(SQLHighlighter, ConstructsGoOnOverLines) {
  const struct {
    TSQLDialect dialect;
    std::vector<const char*> lines;
    const char* dump;
  } cases[] = {
      {sqlSybase,
       {"x 'abc", "", "def' x", "'", "'y"},
       "[x|5][ |9]['abc|12]\n\n[def'|12][ |9][x|5]\n['|12]\n['|12][y|5]\n"},
      {sqlSybase, {"/* a", "b", "*/x", "/*/", "c */ d"}, "[/* a|0]\n[b|0]\n[*/|0][x|5]\n[/*/|0]\n[c */|0][ |9][d|5]\n"},
      // A "#" line inside a block comment belongs to the comment.
      {sqlMySQL, {"/* a", "# b", "c */ d", "# e", "f"}, "[/* a|0]\n[# b|0]\n[c */|0][ |9][d|5]\n[# e|0]\n[f|5]\n"},
      {sqlMySQL, {"'a\\", "b\\'c", "d'"}, "['a\\|12]\n[b\\'c|12]\n[d'|12]\n"},
  };
  for (const auto& c : cases) {
    S h;
    h.SetSQLDialect(c.dialect);
    QStringList lines;
    for (const char* l : c.lines) lines << QString::fromUtf8(l);
    EXPECT_EQ(Dump(h, lines), c.dump) << c.lines[0];
  }
  S h;
  // "/*" inside the string opens no comment.
  EXPECT_EQ(ScanLines(h, {"'open", "/* open", "' /* c"}).ranges,
            (std::vector<int>{S::rsString, S::rsString, S::rsComment}));
  h.SetRange(3);
  EXPECT_EQ(h.GetRange(), S::rsUnknown);
}

TEST(SQLHighlighter, KeywordListsAsGiven) {
  const struct {
    TSQLDialect dialect;
    int total;
    std::map<int, int> perKind;
  } cases[] = {
      {sqlStandard, 126, {{S::tkKey, 126}}},
      {sqlInterbase6, 272, {{S::tkDatatype, 13}, {S::tkFunction, 8}, {S::tkKey, 251}}},
      {sqlMSSQL7, 360, {{S::tkKey, 197}, {S::tkDatatype, 24}, {S::tkFunction, 139}}},
      {sqlMySQL, 331, {{S::tkKey, 161}, {S::tkDatatype, 27}, {S::tkFunction, 143}}},
      {sqlOracle,
       886,
       {{S::tkKey, 378},
        {S::tkDatatype, 31},
        {S::tkException, 20},
        {S::tkFunction, 151},
        {S::tkComment, 4},
        {S::tkDefaultPackage, 116},
        {S::tkPLSQL, 124},
        {S::tkSQLPlus, 62}}},
      {sqlSybase, 373, {{S::tkKey, 373}}},
      {sqlIngres, 440, {{S::tkDatatype, 23}, {S::tkKey, 315}, {S::tkFunction, 102}}},
      {sqlMSSQL2K, 368, {{S::tkKey, 171}, {S::tkDatatype, 29}, {S::tkFunction, 168}}},
  };
  S h;
  for (const auto& c : cases) {
    h.SetSQLDialect(c.dialect);
    // A repeated word would be dropped, so the totals prove the lists hold none.
    EXPECT_EQ(h.Keywords().EntryCount(), c.total) << int(c.dialect);
    std::map<int, int> perKind;
    for (int i = 0; i < h.Keywords().Count(); ++i) {
      int lastLength = 0;
      for (const TSrcHashEntry* e = h.Keywords().Get(i); e; e = e->next.get()) {
        ++perKind[e->kind];
        EXPECT_GE(e->keyLen, lastLength);
        lastLength = e->keyLen;
        EXPECT_EQ(h.ClassifyWord(e->keyword), e->kind) << e->keyword.toStdString();
        EXPECT_EQ(h.ClassifyWord(e->keyword.toLower()), e->kind) << e->keyword.toStdString();
        EXPECT_EQ(h.ClassifyWord(e->keyword + "q"), S::tkIdentifier) << e->keyword.toStdString();
      }
    }
    EXPECT_EQ(perKind, c.perKind) << int(c.dialect);
  }
  h.SetSQLDialect(sqlOracle);
  EXPECT_TRUE(h.IsKeyword("varchar2"));
  EXPECT_TRUE(h.IsKeyword("DBMS_OUTPUT"));
  EXPECT_FALSE(h.IsKeyword("REM"));
  EXPECT_FALSE(h.IsKeyword("PROMPT"));
  h.SetSQLDialect(sqlMySQL);
  EXPECT_EQ(h.ClassifyWord("INT5"), S::tkKey);  // digits compare equal to one another
  // Beyond eight characters the first one drops out of the hash, yet "_" is
  // no letter.
  h.SetSQLDialect(sqlSybase);
  EXPECT_EQ(h.ClassifyWord("_uthorization"), S::tkIdentifier);
  EXPECT_EQ(h.ClassifyWord("Authorization"), S::tkKey);
}

TEST(SQLHighlighter, HashEntryChains) {
  TSrcHashEntryList list;
  EXPECT_EQ(list.Get(300), nullptr);
  for (const char* w : {"ccc", "a", "bb", "dd", "AA", "e"})
    list.InsertByLength(7, std::make_unique<TSrcHashEntry>(QString::fromLatin1(w), 1));
  EXPECT_EQ(list.Count(), 8);
  EXPECT_FALSE(list.InsertByLength(7, std::make_unique<TSrcHashEntry>(QStringLiteral("Dd"), 2)));
  std::string chain;
  for (const TSrcHashEntry* e = list.Get(7); e; e = e->next.get()) chain += e->keyword.toStdString() + " ";
  EXPECT_EQ(chain, "a e bb dd AA ccc ");
  EXPECT_EQ(list.EntryCount(), 6);
  // A very long chain is freed without deep recursion.
  for (int i = 0; i < 200000; ++i) list.InsertByLength(0, std::make_unique<TSrcHashEntry>(QStringLiteral("x"), i));
  list.Clear();
  EXPECT_EQ(list.Get(7), nullptr);

  std::vector<std::string> words;
  const TSrcIdentChars chars(u"abc@");
  SplitKeywordList(
      u", ab,c  @@a;;", chars,
      [&](QStringView w, int kind) { words.push_back(w.toString().toStdString() + std::to_string(kind)); }, 4);
  EXPECT_EQ(words, (std::vector<std::string>{"ab4", "c4", "@@a4"}));
  SplitKeywordList(
      u"", chars, [&](QStringView, int) { words.clear(); }, 4);
  SplitKeywordList(u"abc", chars, nullptr, 4);
  EXPECT_EQ(words.size(), 3u);
}

TEST(SQLHighlighter, TableNames) {
  S h;
  int changes = 0;
  h.AddChangeHandler(TNotifyEvent::FromFunction([](void* n, TObject*) { ++*static_cast<int*>(n); }, &changes));
  h.AddTableName("Customers");
  h.AddTableName("select");
  h.AddTableName("Users");
  h.AddTableName("USERS");
  h.AddTableName("");
  EXPECT_EQ(changes, 5);
  EXPECT_EQ(Kinds(h, "customers select Users users"), "customers:14  :9 select:6  :9 Users:14  :9 users:14 ");
  EXPECT_EQ(h.Keywords().EntryCount(), 373 + 2);

  // Many names in one update rebuild once.
  QStringList many;
  for (int i = 0; i < 10000; ++i) many << QStringLiteral("T%1").arg(i);
  h.SetTableNames(many);
  EXPECT_EQ(changes, 6);
  h.BeginTableNamesUpdate();
  for (int i = 0; i < 1000; ++i) h.AddTableName(QStringLiteral("U%1").arg(i));
  EXPECT_EQ(changes, 6);
  h.EndTableNamesUpdate();
  EXPECT_EQ(changes, 7);
  EXPECT_EQ(Kinds(h, "T9999 U999 customers"), "T9999:14  :9 U999:14  :9 customers:5 ");

  // Names far longer than any keyword hash in unsigned arithmetic alike.
  const QString longName(100000, u'z');
  h.SetTableNames({longName, QStringLiteral("a b")});
  EXPECT_EQ(h.ClassifyWord(longName), S::tkTableName);
  EXPECT_EQ(h.ClassifyWord(longName + "z"), S::tkIdentifier);
  EXPECT_EQ(Kinds(h, "a b"), "a:5  :9 b:5 ");

  // A new dialect keeps the names; a copy takes the dialect.
  h.SetSQLDialect(sqlOracle);
  EXPECT_EQ(h.ClassifyWord(longName), S::tkTableName);
  S copy;
  copy.Assign(h);
  EXPECT_EQ(copy.SQLDialect(), sqlOracle);
  EXPECT_EQ(copy.ClassifyWord("VARCHAR2"), S::tkDatatype);
}

TEST(SQLHighlighter, AttributesNamesAndSamples) {
  S h;
  EXPECT_EQ(h.SQLDialect(), sqlSybase);
  EXPECT_EQ(h.GetAttributeCount(), 15);
  const struct {
    TSrcHighlighterAttributes* a;
    const char* name;
    TFontStyles style;
  } attrs[] = {
      {h.CommentAttri, "Comment", fsItalic},
      {h.DataTypeAttri, "Data type", fsBold},
      {h.DefaultPackageAttri, "Default packages", fsBold},
      {h.ExceptionAttri, "Exception", fsItalic},
      {h.FunctionAttri, "Function", fsBold},
      {h.KeyAttri, "Reserved word", fsBold},
      {h.PLSQLAttri, "Reserved word (PL/SQL)", fsBold},
      {h.SQLPlusAttri, "SQL*Plus command", fsBold},
      {h.TableNameAttri, "Table name", 0},
      {h.VariableAttri, "Variable", 0},
  };
  for (const auto& a : attrs) {
    EXPECT_EQ(a.a->Name(), QString::fromUtf8(a.name));
    EXPECT_EQ(a.a->Style(), a.style) << a.name;
  }
  EXPECT_EQ(h.GetLanguageName(), QStringLiteral("SQL"));
  EXPECT_EQ(h.DefaultFilter(), QStringLiteral("SQL Files (*.sql)|*.sql"));
  EXPECT_EQ(h.GetRoleAttribute(TSrcCustomHighlighter::roleKeyword), h.KeyAttri);
  EXPECT_EQ(h.GetRoleAttribute(6), nullptr);
  EXPECT_TRUE(h.GetSampleSource().isEmpty());
  const struct {
    TSQLDialect dialect;
    QString in, out;
  } identChars[] = {
      {sqlSybase, u"az_09\u00c0\u00ff"_qs, u"@#$\u00d7\u00f7-"_qs},
      {sqlMSSQL2K, u"@"_qs, u"#$"_qs},
      {sqlOracle, u"#$"_qs, u"@"_qs},
  };
  for (const auto& c : identChars) {
    h.SetSQLDialect(c.dialect);
    for (QChar ch : c.in) EXPECT_TRUE(h.GetIdentChars().Contains(ch)) << int(c.dialect) << int(ch.unicode());
    for (QChar ch : c.out) EXPECT_FALSE(h.GetIdentChars().Contains(ch)) << int(c.dialect) << int(ch.unicode());
  }

  h.SetSQLDialect(sqlInterbase6);
  EXPECT_EQ(SampleDump(h),
            "[/* Interbase sample source */|0]\n"
            "[SET|6][ |9][TERM|5][ |9][!|13][!|13][ |9][;|13]\n"
            "\n"
            "[CREATE|6][ |9][PROCEDURE|6][ |9][HelloWorld|5][(|13][P_MSG|5][ |9][VARCHAR|1][(|13][80|8][)|13][)|13]"
            "[ |9][AS|6]\n"
            "[BEGIN|6]\n"
            "[  |9][EXECUTE|6][ |9][PROCEDURE|6][ |9][WRITELN|5][(|13][:|13][P_MSG|5][)|13][;|13]\n"
            "[END|6][ |9][!|13][!|13]\n"
            "\n"
            "[SET|6][ |9][TERM|5][ |9][;|13][ |9][!|13][!|13]\n");
  h.SetSQLDialect(sqlOracle);
  EXPECT_EQ(SampleDump(h),
            "[PROMPT|11][ |9][Oracle|5][ |9][sample|6][ |9][source|6]\n"
            "[declare|10]\n"
            "[  |9][x|5][ |9][varchar2|1][(|13][2000|8][)|13][;|13]\n"
            "[begin|10][   |9][-- Show some text here|0]\n"
            "[  |9][select|6][ |9][to_char|4][(|13][count|4][(|13][*|13][)|13][)|13][ |9][into|6][ |9][x|5]\n"
            "[  |9][from|6][ |9][tab|5][;|13]\n"
            "\n"
            "[  |9][dbms_output|2][.|13][put_line|5][(|13]['Hello World: '|12][ |9][|||13][ |9][x|5][)|13][;|13]\n"
            "[exception|10]\n"
            "[  |9][when|10][ |9][others|3][ |9][then|6]\n"
            "[    |9][null|6][;|13]\n"
            "[end|10][;|13]\n");
  h.SetLine("x", 0);
  EXPECT_EQ(h.GetTokenAttribute(), h.IdentifierAttri);

  EXPECT_TRUE(RegisteredAtStart(S::staticMetaObject));
}

TEST(SQLHighlighter, AnyInputTilesAndRescansAlike) {
  static const std::vector<const char*> kPieces = {
      "select ", "from ", "where ", "x = ", "'str'",  "'it''s'",    "'open",    "'",   "\"quoted \"\"id\"\"\"",
      "\"",      "/* ",   " */",    "*/",   "/*",     "-- line",    "# hash",   "#",   "@@ROWCOUNT",
      "@x",      ":v",    "12.5",   "1..5", "2-3",    "REM x",      "varchar2", "<<=", "||",
      "\\",      "\\'",   "\t",     "  ",   "\u00e9", "\U0001F600", ";",        "(",   ")",
  };
  for (int dialect = sqlStandard; dialect <= sqlMSSQL2K; ++dialect)
    ExpectInvariantsOnRandomDocuments(Maker(static_cast<TSQLDialect>(dialect)), kPieces, 20261207 + dialect);
}

TEST(SQLHighlighter, SpansAgreeWithSecondOpinion) {
  const auto classOf = [](const Token& t) {
    return t.kind == S::tkComment ? "comment" : t.kind == S::tkString ? "string" : "";
  };
  ExpectSpansAgree(Maker(sqlStandard), QStringLiteral("generated.sql"), classOf);
  ExpectSpansAgree(Maker(sqlMySQL), QStringLiteral("generated-mysql.sql"), classOf);
}
