// Uses every module of an installation once, through the loader the program
// uses: a Tidy check, a PDF printed, a host looked up (or refused), the
// preview's view made. Run by scripts/install-check.sh on the modules that
// `cmake --install --strip` put in place.
//   installed-modules-check MODULE_FOLDER WORK_FOLDER
#include <QApplication>
#include <QEventLoop>
#include <QFile>
#include <QTimer>
#include <QWidget>
#include <cstdio>
#include <memory>

#include "authoring/TidyEngine.h"
#include "editor/SrcEditPrint.h"
#include "modules/ModuleLoader.h"
#include "modules/Network.h"
#include "modules/PrintModule.h"
#include "platform/BrowserView.h"

namespace {

int faults = 0;

void Report(const char* module, bool ok, const QString& why) {
  std::printf("%s: %s\n", module, ok ? "used" : qPrintable("FAILED " + why));
  if (!ok) ++faults;
}

void CheckTidy() {
  const std::unique_ptr<ITidyEngine> tidy(NewTidyEngine());
  if (!tidy) return Report("tidy-module", false, TidyModuleError());
  QString output;
  bool congruent = false;
  tidy->SetSourceString(QStringLiteral("<title>check</title><p>one<p>two"));
  tidy->Execute(output, congruent);
  Report("tidy-module", output.contains(QStringLiteral("<p>")), "no page came back: " + output);
}

void CheckPrint(const QString& pdf) {
  std::unique_ptr<TPrintCanvas> canvas = PrintModule::OpenCanvas(pdf);
  if (!canvas) return Report("print-module", false, Modules::Error(PrintModule::File()));
  TSrcEditPrint print;
  print.SetLines({QStringLiteral("<p>printed</p>")});
  const bool printed = print.Print(*canvas);
  canvas.reset();
  QFile file(pdf);
  const bool pdfMade = file.open(QIODevice::ReadOnly) && file.read(5) == "%PDF-";
  Report("print-module", printed && pdfMade, QStringLiteral("no PDF written"));
}

void CheckNetwork() {
  bool answered = false;
  QEventLoop wait;
  const int id = LookUpHost(QStringLiteral("localhost"), &wait, [&](const QStringList&) {
    answered = true;  // found or refused: the module answered
    wait.quit();
  });
  if (id < 0) return Report("net-module", false, Modules::Error(NetworkModuleFile()));
  QTimer::singleShot(30000, &wait, &QEventLoop::quit);
  if (!answered) wait.exec();
  Report("net-module", answered, QStringLiteral("no answer to a look-up within 30 s"));
}

void CheckBrowser() {
  QWidget parent;
  const std::unique_ptr<IBrowserView> view = CreateBrowserView(&parent, {});
  Report("webengine-view", view && view->Widget(), BrowserModuleError());
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: installed-modules-check MODULE_FOLDER WORK_FOLDER\n");
    return 2;
  }
  QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);  // the browser engine comes as a module
  QApplication app(argc, argv);
  Modules::SetFolder(QFile::decodeName(argv[1]));  // the browser module's as well
  CheckTidy();
  CheckPrint(QFile::decodeName(argv[2]) + QStringLiteral("/check.pdf"));
  CheckNetwork();
  CheckBrowser();
  return faults == 0 ? 0 : 1;
}
