// Korvex Vantar: start-up and the message loop.
#include <QApplication>
#include <memory>

#include "app/look/IconCache.h"
#include "app/look/Icons.h"
#include "app/shell/Application.h"
#include "app/shell/Frame.h"
#include "app/shell/StartUp.h"
#include "app/sidepane/DocumentManager.h"
#include "highlighters/SrcHighlighters.h"
#include "platform/FontWarmUp.h"
#include "platform/PaintProbe.h"
#include "platform/SafeFile.h"

int main(int argc, char* argv[]) {
  FontWarmUp::Start();  // while the display is connected to
  SafeFile::IgnoreFileSizeSignal();  // a file-size limit fails a save instead of ending the program
  const int fullCount = argc;
  const int dashes = ToolkitArgumentCount(argc, argv);
  int toolkitCount = dashes;  // the toolkit takes its own options out of this part
  TApplication app(toolkitCount, argv);
  QApplication::setApplicationName(QStringLiteral("Korvex Vantar"));
  UseProgramStyle();
  UseProgramIconAfterFirstPaint();  // the main window's and every dialog's
  QGuiApplication::setDesktopFileName(QStringLiteral("korvex-vantar"));
  UseFallbackIconTheme();
  UseIconCache(DefaultIconCacheFile());  // written after the first paint and at the end
  QObject::connect(&app, &QCoreApplication::aboutToQuit, SaveIconCache);
  ShareToolBarExtensionIcons();
  RegisterBuiltinHighlighters();
  AppServices().DocumentManager = ShowDocumentManager;
  ExitAfterFirstPaintOf<TfMain>();
  std::unique_ptr<TfMain> window(StartUp(CommandLineFiles(QApplication::arguments().mid(1), fullCount, argv, dashes)));
  return QApplication::exec();
}
