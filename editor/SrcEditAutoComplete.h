// Code templates: named pieces of text with a marked caret place, expanded
// in an editor when the template's name is typed and the completion command
// is given. One template list serves any number of editors.
#pragma once

#include <QObject>
#include <QStringList>
#include <vector>

#include "editor/SrcEdit.h"
#include "platform/TextCodec.h"

class TCustomSrcAutoComplete : public QObject, public TObject {
  Q_OBJECT
 public:
  explicit TCustomSrcAutoComplete(QObject* owner = nullptr);
  ~TCustomSrcAutoComplete() override;
  const char* ClassName() const override { return "TCustomSrcAutoComplete"; }

  // The template source lines as read from a code-library file.
  const QStringList& AutoCompleteList() const { return autoCompleteList_; }
  void SetAutoCompleteList(const QStringList& lines);
  // Reads a code-library file (UTF-8 when valid, else Windows-1252); a file
  // that cannot be read gives an empty list.
  void LoadFromFile(const QString& fileName);
  // The encoding of the file read last, so that a writer can keep it.
  TextEncoding Encoding() const { return encoding_; }

  const QStringList& TemplateNames();
  const QStringList& TemplateComments();
  const QStringList& TemplateTexts();

  QString EndOfTokenChr() const { return endOfTokenChr_; }
  void SetEndOfTokenChr(const QString& value) { endOfTokenChr_ = value; }
  bool CaseSensitive() const { return caseSensitive_; }
  void SetCaseSensitive(bool value) { caseSensitive_ = value; }

  bool AddEditor(TCustomSrcEdit* editor);
  bool RemoveEditor(TCustomSrcEdit* editor);
  int EditorCount() const { return static_cast<int>(editors_.size()); }
  TCustomSrcEdit* Editor() const { return editor_; }
  void SetEditor(TCustomSrcEdit* editor);

  // Expands the template named by the text left of the caret.
  void Execute(TCustomSrcEdit* editor);
  void ExecuteCompletion(const QString& token, TCustomSrcEdit* editor);

  // While set, editors are added without their command handler; ending it
  // registers the handler on every editor in the list.
  void BeginLoading() { loading_ = true; }
  void Loaded();

 private:
  void ParseCompletionList();
  void EditorCommandHandler(TObject* sender, bool afterProcessing, bool& handled, TSrcEditorCommand& command,
                            QChar& achar, const TSrcCommandData* data, void* handlerData);
  THookedCommandEvent Handler() {
    return THookedCommandEvent::Bind<&TCustomSrcAutoComplete::EditorCommandHandler>(this);
  }
  void EditorDestroyed(QObject* object);

  QStringList autoCompleteList_;
  QStringList names_, comments_, texts_;
  bool parsed_ = false;
  // The editors served, each with its address as an object: an editor that
  // is being freed is told apart by that address alone, never cast.
  struct TServedEditor {
    TCustomSrcEdit* edit;
    QObject* object;
  };
  std::vector<TServedEditor> editors_;
  TCustomSrcEdit* editor_ = nullptr;
  QString endOfTokenChr_ = QStringLiteral("()[]{}.");
  bool caseSensitive_ = false;
  bool loading_ = false;
  TextEncoding encoding_ = TextEncoding::Utf8;
};

// ------------------------------------------------------------ writing

// One template of a code library as it is written back.
struct TCodeTemplate {
  QString name;
  QString comment;
  QString text;
  bool operator==(const TCodeTemplate&) const = default;
};

// What keeps a template from being written so that it reads back as itself.
enum class TCodeTemplateFault {
  None,
  EmptyName,   // the name is empty (the reader drops such a template)
  HeaderLine,  // a line of the text begins with "[" (it would start a new template)
};
TCodeTemplateFault CheckCodeTemplate(const TCodeTemplate& t);

// A typed key as a template name: every blank and control character removed
// (the reader ends a name at the first of them).
QString CodeTemplateKey(const QString& typed);

// The lines of a library in the section layout: for each template its
// header "[name | comment]", the lines of its text (leading empty lines
// dropped, as the reader drops them, and one line break at its end counted
// as the end of the last line) and one empty line.
QStringList CodeLibraryLines(const QList<TCodeTemplate>& templates);

// The templates of a parsed library, in file order.
QList<TCodeTemplate> CodeTemplates(TCustomSrcAutoComplete& library);

// Writes a library, each line ended by CR LF, in `encoding` (UTF-8 when a
// single-byte encoding cannot hold the text). The file is replaced only once
// the new one is complete, so a failed write leaves the old library. Raises
// ESrcEditError when a template has a fault (nothing is written) and
// EStreamError when the file cannot be written.
void SaveCodeLibrary(const QString& fileName, const QList<TCodeTemplate>& templates,
                     TextEncoding encoding = TextEncoding::Utf8);

// The published form.
class TSrcAutoComplete : public TCustomSrcAutoComplete {
  Q_OBJECT
 public:
  using TCustomSrcAutoComplete::TCustomSrcAutoComplete;
  const char* ClassName() const override { return "TSrcAutoComplete"; }
};
