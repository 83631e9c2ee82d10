// The one way the program puts a question or notice to the user and shows a
// modal dialog. Tests put a scripted answerer in place of the real one, so
// that no window waits for a person.
#pragma once

#include <QHash>
#include <QString>
#include <QStringList>
#include <functional>

class QDialog;

class TPrompts {
 public:
  virtual ~TPrompts() = default;
  // Shows `text` in the message box of `kind` and returns the button pressed
  // (see TfMessageDlg).
  virtual int MessageDlg(const QString& text, int kind);
  // Shows `dialog` modally and returns its result code.
  virtual int ExecModal(QDialog& dialog);
};

// The process-wide answerer.
TPrompts& Prompts();
// Replaces the answerer (not owned); nullptr brings back the real one.
void SetPrompts(TPrompts* prompts);

// Questions and notices to the user: shows `text` in the themed message box
// and returns the button pressed (1 OK, 6 Yes, 7 No, 2 Cancel, 10 Yes to
// all, 0 when the box was closed without a button).
int ShowMessageDlg(const QString& text, int kind);

// The message naming `path` as no regular file (a folder, pipe, socket or
// device) that was neither read nor written.
QString NotRegularFileText(const QString& path);

// Reads a file the user picked into `bytes`. A pipe or device is refused at
// once, never waited on; a refusal or failure is shown (an error naming the
// file) and gives false.
bool ReadPickedFile(const QString& path, QByteArray& bytes);

// An answerer for tests. Messages are answered by their text (with a
// language module whose texts equal their keys, by key); dialogs by their
// object name. Every call is recorded; an unscripted one answers 0, as a box
// closed through its title bar would.
class TScriptedPrompts : public TPrompts {
 public:
  struct Message {
    QString text;
    int kind;
  };

  void Answer(const QString& text, int result) { answers_.insert(text, result); }
  void AnswerDialog(const QString& objectName, std::function<int(QDialog&)> answer) {
    dialogs_.emplace(objectName, std::move(answer));
  }

  int MessageDlg(const QString& text, int kind) override;
  int ExecModal(QDialog& dialog) override;

  const QList<Message>& Messages() const { return messages_; }
  const QStringList& Dialogs() const { return dialogNames_; }

 private:
  QHash<QString, int> answers_;
  QHash<QString, std::function<int(QDialog&)>> dialogs_;
  QList<Message> messages_;
  QStringList dialogNames_;
};

// Puts a scripted answerer in place for the lifetime of the object.
class TPromptsScope {
 public:
  explicit TPromptsScope(TPrompts& prompts) { SetPrompts(&prompts); }
  ~TPromptsScope() { SetPrompts(nullptr); }
  TPromptsScope(const TPromptsScope&) = delete;
  TPromptsScope& operator=(const TPromptsScope&) = delete;
};
