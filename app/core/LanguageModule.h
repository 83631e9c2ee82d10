// Language modules (*.lms): the texts the user reads, by key.
//
// A module is a plain text file, one entry a line. The key is columns 1 to 19
// of the line and the text is column 21 to the end, both trimmed of blanks
// and control characters; column 20 is not read. Columns are counted in
// bytes of the file, before decoding, so that double-byte character sets
// split the same way. The text is then decoded with the character set the
// module names under the key "DefCharSet"; a module that starts with a UTF-8
// byte-order mark, or whose bytes are valid UTF-8, is decoded as UTF-8.
// Keys are compared without regard to case and the first line of a key wins.
// Texts are plain texts: no caller uses them as format strings.
#pragma once

#include <QByteArray>
#include <QHash>
#include <QString>
#include <QStringList>
#include <initializer_list>
#include <optional>

class TLanguageModule {
 public:
  void Clear();
  // Reads a module file; false (and an empty module) when it cannot be read.
  bool LoadFromFile(const QString& fileName);
  void LoadFromBytes(const QByteArray& bytes);

  // The text of the first line whose key matches `key` without regard to
  // case; an empty text when no line has the key.
  QString LangText(const QString& key) const;

  // The trimmed key and the whole decoded text of each line, index-aligned.
  const QStringList& LangKeys() const { return keys_; }
  const QStringList& LangLines() const { return lines_; }

  // The character-set number DefCharSet names, or nothing when the key is
  // missing or names none of the known sets.
  std::optional<int> DefCharSet() const { return defCharSet_; }
  // The user-interface character set: DefCharSet's number, else
  // DEFAULT_CHARSET (1).
  int UICharset() const;
  bool IsUtf8() const { return utf8_; }

 private:
  QStringList keys_;
  QStringList lines_;
  QStringList texts_;
  QHash<QString, int> index_;
  std::optional<int> defCharSet_;
  bool utf8_ = false;
};

// The module the program shows its texts from, shared by all windows.
TLanguageModule& Language();

// Text of `key` in the program's module.
QString LangText(const QString& key);

// Loads the module named by TranslationModule / Path in settings.ini (the
// section is written first when missing). When that module cannot be read,
// "Language Modules/english.lms" of the program folder is loaded instead;
// when neither can be read the module stays empty and every text is empty.
// Returns false when the named module could not be read.
bool LoadLanguageModule();
// True when `module` knows at least one key that `other` has a text for; a
// file that shares none is no language module of this program.
bool SharesAKey(const TLanguageModule& module, const TLanguageModule& other);

// Joins the parts of a message made of module texts (which are trimmed when
// read) and the values put between them: one blank between two parts, none
// before a part that starts with a punctuation mark or a line break and none
// around an empty part. ComposeText({"The document has no line", "20", "."})
// gives "The document has no line 20.".
QString ComposeText(std::initializer_list<QString> parts);

// "&" and the text of `key`: a menu caption whose first letter is its
// accelerator.
QString AcceleratedLangText(const QString& key);
// The caption of the heading menu item of `level` (1 to 6): the text of
// "fmHeading", a blank and the level.
QString HeadingCaption(int level);
