// SQL highlighter in eight dialects. Each dialect has its own keyword lists
// (reserved words, data types, functions, exceptions, default packages,
// PL/SQL words, SQL*Plus commands, comment words); they are put into a hash
// table of chained entries at run time, together with the user's table
// names. Comments "--" and "/* */" (the latter over lines), strings over
// lines, quoted identifiers, numbers, variables and operators.
#pragma once

#include <QStringList>

#include "highlighters/SrcHighlighterHashEntries.h"
#include "highlighters/SrcHighlighterKeywordHash.h"

enum TSQLDialect : std::uint8_t {
  sqlStandard = 0,
  sqlInterbase6 = 1,
  sqlMSSQL7 = 2,
  sqlMySQL = 3,
  sqlOracle = 4,
  sqlSybase = 5,
  sqlIngres = 6,
  sqlMSSQL2K = 7,
};

class TSrcSQLHighlighter : public TSrcKeywordHashHighlighter {
  Q_OBJECT
 public:
  // Token kinds.
  enum TtkTokenKind : std::uint8_t {
    tkComment = 0,
    tkDatatype = 1,
    tkDefaultPackage = 2,
    tkException = 3,
    tkFunction = 4,
    tkIdentifier = 5,
    tkKey = 6,
    tkNull = 7,
    tkNumber = 8,
    tkSpace = 9,
    tkPLSQL = 10,
    tkSQLPlus = 11,
    tkString = 12,
    tkSymbol = 13,
    tkTableName = 14,
    tkUnknown = 15,
    tkVariable = 16,
  };
  // Range states kept per line.
  enum TRangeState : std::uint8_t { rsUnknown = 0, rsComment = 1, rsString = 2 };

  explicit TSrcSQLHighlighter(QObject* owner = nullptr);

  // The base copy, then the dialect of another SQL highlighter.
  void Assign(const TSrcCustomHighlighter& source) override;
  TSrcIdentChars GetIdentChars() const override;
  QString GetLanguageName() const override;
  QString GetSampleSource() const override;
  // True for data types, default packages, exceptions, functions, reserved
  // and PL/SQL words.
  bool IsKeyword(const QString& word) const override;
  void ScanNext() override;
  void SetRange(int value) override {
    RestoreRange(
        value, [](int r) { return r == rsComment || r == rsString; }, rsUnknown);
  }
  void ResetRange() override { fRange = rsUnknown; }

  TSQLDialect SQLDialect() const { return fDialect; }
  void SetSQLDialect(TSQLDialect value);

  // Names coloured as table names unless they are keywords of the dialect.
  // Every change rebuilds the keyword table, except inside an update block,
  // whose end rebuilds once.
  const QStringList& TableNames() const { return fTableNames; }
  void SetTableNames(const QStringList& names);
  void AddTableName(const QString& name);
  void BeginTableNamesUpdate() { ++fTableNamesUpdates; }
  void EndTableNamesUpdate();

  // Classifies a word as the scanner would.
  std::uint8_t ClassifyWord(const QString& word) const;
  const TSrcHashEntryList& Keywords() const { return fKeywords; }

  // Builds the class tables and registers the class (once).
  static void UnitInit();

  TSrcHighlighterAttributes* CommentAttri;
  TSrcHighlighterAttributes* DataTypeAttri;
  TSrcHighlighterAttributes* DefaultPackageAttri;
  TSrcHighlighterAttributes* ExceptionAttri;
  TSrcHighlighterAttributes* FunctionAttri;
  TSrcHighlighterAttributes* IdentifierAttri;
  TSrcHighlighterAttributes* KeyAttri;
  TSrcHighlighterAttributes* NumberAttri;
  TSrcHighlighterAttributes* PLSQLAttri;
  TSrcHighlighterAttributes* SpaceAttri;
  TSrcHighlighterAttributes* SQLPlusAttri;
  TSrcHighlighterAttributes* StringAttri;
  TSrcHighlighterAttributes* SymbolAttri;
  TSrcHighlighterAttributes* TableNameAttri;
  TSrcHighlighterAttributes* VariableAttri;

  // The hash weight of each character of a dialect; -1 for the characters
  // that are not part of an identifier.
  struct TCharTables {
    std::array<std::int8_t, 256> weights{};
  };

 private:
  void BuildCharDispatch();
  void RebuildKeywords();
  bool IsMSSQL() const { return fDialect == sqlMSSQL7 || fDialect == sqlMSSQL2K; }
  bool IsIdentChar(char16_t c) const { return c < 256 && fChars->weights[c] >= 0; }
  // The hash of the identifier run at the start of `text` (its length goes
  // to `runLength`); only the low 8 bits are kept.
  std::uint8_t HashRun(const char16_t* text, int length, int& runLength) const;
  std::uint8_t Classify(const char16_t* text, int length, int& runLength) const;

  void MinusProc();
  void SlashProc();
  void NumberProc();
  void QuotedIdentProc();
  void StringProc();
  void VariableProc();
  void IdentProc();
  void SqlUnknownProc();

  TSQLDialect fDialect = sqlStandard;
  const TCharTables* fChars = nullptr;
  TSrcHashEntryList fKeywords;
  QStringList fTableNames;
  int fTableNamesUpdates = 0;
  bool fTableNamesChanged = false;
};
