#include "app/core/Prompts.h"

#include <QDialog>

#include "app/core/LanguageModule.h"
#include "app/dialogs/ufMessageDlg.h"
#include "platform/RegularFile.h"

namespace {

TPrompts*& Current() {
  static TPrompts* current = nullptr;
  return current;
}

}  // namespace

int TPrompts::MessageDlg(const QString& text, int kind) {
  TfMessageDlg dialog;
  dialog.Prepare(text, kind);
  dialog.exec();
  return dialog.Result;
}

int TPrompts::ExecModal(QDialog& dialog) { return dialog.exec(); }

TPrompts& Prompts() {
  static TPrompts real;
  return Current() ? *Current() : real;
}

void SetPrompts(TPrompts* prompts) { Current() = prompts; }

int ShowMessageDlg(const QString& text, int kind) { return Prompts().MessageDlg(text, kind); }

int TScriptedPrompts::MessageDlg(const QString& text, int kind) {
  messages_.append({text, kind});
  return answers_.value(text, 0);
}

int TScriptedPrompts::ExecModal(QDialog& dialog) {
  dialogNames_.append(dialog.objectName());
  const auto it = dialogs_.constFind(dialog.objectName());
  return it == dialogs_.constEnd() ? 0 : (*it)(dialog);
}

QString NotRegularFileText(const QString& path) {
  return ComposeText({path, LangText(QStringLiteral("NotRegularFile"))});
}

bool ReadPickedFile(const QString& path, QByteArray& bytes) {
  switch (ReadRegularFile(path, bytes)) {
    case TRegularOpen::Opened:
      return true;
    case TRegularOpen::NotRegular:
      ShowMessageDlg(NotRegularFileText(path), 2);
      return false;
    case TRegularOpen::Failed:
      break;
  }
  ShowMessageDlg(ComposeText({LangText(QStringLiteral("NoOpenFile")), path}), 2);
  return false;
}
