#include "editor/SrcEditAutoComplete.h"

#include <QFile>
#include <algorithm>

#include "editor/SrcEditMiscProcs.h"
#include "platform/RegularFile.h"
#include "platform/ScopeExit.h"
#include "platform/SafeFile.h"

namespace {

const QString kCRLF = QStringLiteral("\r\n");

bool IsControlOrBlank(QChar c) { return c.unicode() < 33; }

}  // namespace

TCustomSrcAutoComplete::TCustomSrcAutoComplete(QObject* owner) : QObject(owner) {}

TCustomSrcAutoComplete::~TCustomSrcAutoComplete() {
  for (const TServedEditor& e : editors_) e.edit->UnregisterCommandHandler(Handler(), nullptr);
}

// ------------------------------------------------------------ the list

void TCustomSrcAutoComplete::SetAutoCompleteList(const QStringList& lines) {
  autoCompleteList_ = lines;
  parsed_ = false;
}

void TCustomSrcAutoComplete::LoadFromFile(const QString& fileName) {
  QStringList lines;
  // A FIFO or device in the file's place is not waited on: no templates.
  if (QByteArray bytes; ReadRegularFile(fileName, bytes) == TRegularOpen::Opened) {
    const DecodedText decoded = TextCodec::decodeFile(bytes);
    encoding_ = decoded.encoding;
    lines = SplitTextLines(decoded.text, true);
  }
  SetAutoCompleteList(lines);
}

const QStringList& TCustomSrcAutoComplete::TemplateNames() {
  ParseCompletionList();
  return names_;
}

const QStringList& TCustomSrcAutoComplete::TemplateComments() {
  ParseCompletionList();
  return comments_;
}

const QStringList& TCustomSrcAutoComplete::TemplateTexts() {
  ParseCompletionList();
  return texts_;
}

void TCustomSrcAutoComplete::ParseCompletionList() {
  if (parsed_) return;
  parsed_ = true;
  names_.clear();
  comments_.clear();
  texts_.clear();
  if (autoCompleteList_.isEmpty()) return;

  QString name, comment;
  QStringList body;
  bool open = false;
  auto finish = [&] {
    if (open && !name.isEmpty()) {
      names_.append(name);
      comments_.append(comment);
      texts_.append(body.join(kCRLF));
    }
    body.clear();
  };

  if (autoCompleteList_.first().startsWith(QLatin1Char('['))) {
    // Section layout: "[name | comment]" headers, body lines below.
    for (const QString& line : autoCompleteList_) {
      if (line.startsWith(QLatin1Char('['))) {
        finish();
        const qsizetype n = line.size();
        qsizetype i = 1;
        while (i < n && !IsControlOrBlank(line[i])) ++i;
        name = line.mid(1, i - 1);
        while (i < n && IsControlOrBlank(line[i])) ++i;
        if (i < n && line[i] == QLatin1Char('|')) ++i;
        while (i < n && IsControlOrBlank(line[i])) ++i;
        comment = line.mid(i);
        if (comment.endsWith(QLatin1Char(']'))) comment.chop(1);
        open = true;
      } else if (open && !(body.isEmpty() && line.isEmpty())) {
        body.append(line);
      }
    }
  } else {
    // Line layout: a name line, then "=" body lines.
    for (const QString& line : autoCompleteList_) {
      if (line.isEmpty()) continue;
      if (line.startsWith(QLatin1Char('='))) {
        if (open) body.append(line.mid(1));
      } else {
        finish();
        name = line;
        comment.clear();
        open = true;
      }
    }
  }
  finish();
}

// ------------------------------------------------------------- editors

bool TCustomSrcAutoComplete::AddEditor(TCustomSrcEdit* editor) {
  if (!editor) return false;
  for (const TServedEditor& e : editors_)
    if (e.edit == editor) return true;
  connect(editor, &QObject::destroyed, this, &TCustomSrcAutoComplete::EditorDestroyed);
  editors_.push_back(TServedEditor{editor, editor});
  if (!loading_) editor->RegisterCommandHandler(Handler(), nullptr);
  return true;
}

bool TCustomSrcAutoComplete::RemoveEditor(TCustomSrcEdit* editor) {
  if (!editor) return false;
  auto it =
      std::find_if(editors_.begin(), editors_.end(), [editor](const TServedEditor& e) { return e.edit == editor; });
  if (it == editors_.end()) return false;
  editors_.erase(it);
  if (editor_ == editor) editor_ = nullptr;
  disconnect(editor, &QObject::destroyed, this, &TCustomSrcAutoComplete::EditorDestroyed);
  if (!loading_) editor->UnregisterCommandHandler(Handler(), nullptr);
  return true;
}

void TCustomSrcAutoComplete::SetEditor(TCustomSrcEdit* editor) {
  if (editor_) RemoveEditor(editor_);
  editor_ = nullptr;
  if (AddEditor(editor)) editor_ = editor;
}

void TCustomSrcAutoComplete::Loaded() {
  loading_ = false;
  for (const TServedEditor& e : editors_) e.edit->RegisterCommandHandler(Handler(), nullptr);
}

void TCustomSrcAutoComplete::EditorDestroyed(QObject* object) {
  // Told while the editor is being freed (its own part already gone): only
  // its address as an object is compared.
  for (auto it = editors_.begin(); it != editors_.end();) {
    if (it->object != object) {
      ++it;
      continue;
    }
    if (it->edit == editor_) editor_ = nullptr;
    it = editors_.erase(it);
  }
}

void TCustomSrcAutoComplete::EditorCommandHandler(TObject* sender, bool afterProcessing, bool& handled,
                                                  TSrcEditorCommand& command, QChar&, const TSrcCommandData*, void*) {
  if (afterProcessing || handled || command != ecAutoCompletion) return;
  handled = true;
  Execute(dynamic_cast<TCustomSrcEdit*>(sender));
}

// ---------------------------------------------------------- completion

void TCustomSrcAutoComplete::Execute(TCustomSrcEdit* editor) {
  if (!editor) return;
  const QString line = editor->LineText();
  const int caretX = editor->CaretX();
  if (caretX > line.size() + 1) return;
  const int end = caretX - 1;
  int start = end;
  while (start > 0 && !IsControlOrBlank(line[start - 1]) && !endOfTokenChr_.contains(line[start - 1])) --start;
  ExecuteCompletion(line.mid(start, end - start), editor);
}

void TCustomSrcAutoComplete::ExecuteCompletion(const QString& token, TCustomSrcEdit* editor) {
  ParseCompletionList();
  if (token.isEmpty() || !editor || editor->ReadOnly() || names_.isEmpty()) return;

  const Qt::CaseSensitivity cs = caseSensitive_ ? Qt::CaseSensitive : Qt::CaseInsensitive;
  int found = -1;
  for (int i = static_cast<int>(names_.size()) - 1; i >= 0; --i) {
    if (QString::compare(names_[i], token, cs) == 0) {
      found = i;
      break;
    }
  }
  if (found < 0) {
    int matches = 0;
    for (int i = 0; i < names_.size(); ++i) {
      if (names_[i].startsWith(token, cs)) {
        ++matches;
        found = i;
      }
    }
    if (matches != 1) return;
  }

  editor->BeginUpdate();
  struct EndUpdate {
    TCustomSrcEdit* e;
    ~EndUpdate() { e->EndUpdate(); }
  } endUpdate{editor};

  // Undo gives back the caret after the name, not the name selected.
  editor->BeginUndoBlock();
  ScopeExit endUndoBlock([editor] { editor->EndUndoBlock(); });

  const TPoint caret = editor->CaretXY();
  const int startX = caret.X - static_cast<int>(token.size());
  // A template goes in as running text whatever the selection mode was.
  if (editor->SelectionMode() != smNormal) editor->SetSelectionMode(smNormal);
  editor->SetBlockBegin(TPoint{startX, caret.Y});
  editor->SetBlockEnd(caret);

  QStringList lines = SplitTextLines(texts_[found], true);
  if (lines.isEmpty()) lines.append(QString());
  // Later lines line up under the name: the caret line's own prefix, its
  // TABs kept and every other character turned into a blank.
  QString indent = editor->LineText().left(startX - 1);
  for (QChar& c : indent)
    if (c != QLatin1Char('\t')) c = QLatin1Char(' ');
  if (!indent.isEmpty() && lines.size() >= 2)
    for (qsizetype i = 1; i < lines.size(); ++i) lines[i].prepend(indent);

  bool hasTarget = false;
  TPoint target;
  for (qsizetype i = 0; i < lines.size(); ++i) {
    const qsizetype bar = lines[i].indexOf(QLatin1Char('|'));
    if (bar < 0) continue;
    lines[i].remove(bar, 1);
    target.Y = caret.Y + static_cast<int>(i);
    target.X = i == 0 ? startX + static_cast<int>(bar) : static_cast<int>(bar) + 1;
    hasTarget = true;
    break;
  }
  editor->SetSelText(lines.join(kCRLF));
  if (hasTarget) {
    editor->SetCaretXY(target);
    editor->SetBlockBegin(target);
  }
}

// ------------------------------------------------------------ writing

namespace {

// The lines a template's text is written as.
QStringList TextLines(const QString& text) {
  QStringList lines = SplitTextLines(text, true);
  while (!lines.isEmpty() && lines.first().isEmpty()) lines.removeFirst();
  return lines;
}

}  // namespace

TCodeTemplateFault CheckCodeTemplate(const TCodeTemplate& t) {
  if (t.name.isEmpty()) return TCodeTemplateFault::EmptyName;
  for (const QString& line : TextLines(t.text))
    if (line.startsWith(QLatin1Char('['))) return TCodeTemplateFault::HeaderLine;
  return TCodeTemplateFault::None;
}

QString CodeTemplateKey(const QString& typed) {
  QString key;
  for (QChar c : typed)
    if (!IsControlOrBlank(c)) key += c;
  return key;
}

QStringList CodeLibraryLines(const QList<TCodeTemplate>& templates) {
  QStringList out;
  for (const TCodeTemplate& t : templates) {
    out << QLatin1Char('[') + t.name + QStringLiteral(" | ") + t.comment + QLatin1Char(']');
    out << TextLines(t.text);
    out << QString();
  }
  return out;
}

QList<TCodeTemplate> CodeTemplates(TCustomSrcAutoComplete& library) {
  QList<TCodeTemplate> out;
  const QStringList& names = library.TemplateNames();
  for (qsizetype i = 0; i < names.size(); ++i)
    out.append({names[i], library.TemplateComments()[i], library.TemplateTexts()[i]});
  return out;
}

void SaveCodeLibrary(const QString& fileName, const QList<TCodeTemplate>& templates, TextEncoding encoding) {
  for (const TCodeTemplate& t : templates)
    if (CheckCodeTemplate(t) != TCodeTemplateFault::None)
      throw ESrcEditError(QStringLiteral("Code template \"%1\" cannot be written").arg(t.name));
  QString text;
  for (const QString& line : CodeLibraryLines(templates)) text += line + kCRLF;
  if (encoding != TextEncoding::Utf8 && !(TextCodec::isSingleByte(encoding) && TextCodec::canEncode(text, encoding)))
    encoding = TextEncoding::Utf8;
  SafeFile::Write(fileName, TextCodec::encode(text, encoding));
}
