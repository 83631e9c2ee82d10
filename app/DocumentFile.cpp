#include "app/DocumentFile.h"

#include "app/LanguageModule.h"
#include "app/Prompts.h"

namespace DocumentFile {

QString Question(const QString& fileName, const QString& key) {
  return u'"' + fileName + QStringLiteral("\"\n") + LangText(key);
}

bool AskSaveInPlace(const QString& fileName, TInPlaceReason reason) {
  const char* why = reason == TInPlaceReason::FolderNotWritable ? "SaveInPlaceDir"
                    : reason == TInPlaceReason::HardLinks       ? "SaveInPlaceLinks"
                                                                : "SaveInPlaceOwner";
  const QString text = Question(fileName, QLatin1String(why)) + u' ' + LangText(QStringLiteral("SaveInPlaceAsk"));
  return ShowMessageDlg(text, 1) == 6;
}

}  // namespace DocumentFile
