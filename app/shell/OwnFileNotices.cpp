#include "app/shell/OwnFileNotices.h"

#include <QFileInfo>
#include <memory>
#include <utility>

#include "app/core/LanguageModule.h"
#include "app/core/Prompts.h"

TOwnFileReport OwnFileNotices() {
  struct TTold {
    bool failure = false;
    bool lock = false;
  };
  auto told = std::make_shared<TTold>();
  return [told](TOwnFileTrouble trouble, const QString& fileName, const Exception* failure) {
    // Marked before the box shows: writes while it is open are not told again.
    if (trouble == TOwnFileTrouble::Unlocked) {
      if (std::exchange(told->lock, true)) return;
      ShowMessageDlg(ComposeText({LangText(QStringLiteral("OwnFilesNoLock")), QFileInfo(fileName).absolutePath()}), 0);
      return;
    }
    if (std::exchange(told->failure, true)) return;
    const auto* notRegular = dynamic_cast<const ENotRegularFile*>(failure);
    const QString what = notRegular ? NotRegularFileText(notRegular->FileName())
                         : failure  ? failure->Message()
                                    : fileName;
    ShowMessageDlg(what + u'\n' + LangText(QStringLiteral("OwnFilesKept")), 2);
  };
}
