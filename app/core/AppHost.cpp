#include "app/core/AppHost.h"

#include <QInputDialog>

#include "app/core/LanguageModule.h"
#include "app/core/Prompts.h"

TAppServices& AppServices() {
  static TAppServices services;
  return services;
}

bool AskLineNumber(QWidget* parent, QString& text) {
  QInputDialog dialog(parent);
  dialog.setObjectName(QStringLiteral("fDosPrompt"));
  dialog.setWindowTitle(LangText(QStringLiteral("GLineTo")));
  dialog.setLabelText(LangText(QStringLiteral("GiveLineNO")));
  dialog.setOkButtonText(LangText(QStringLiteral("btOk")));
  dialog.setCancelButtonText(LangText(QStringLiteral("btCancel")));
  if (Prompts().ExecModal(dialog) != QDialog::Accepted) return false;
  text = dialog.textValue();
  return true;
}
