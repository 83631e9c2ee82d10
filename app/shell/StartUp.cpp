#include "app/shell/StartUp.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QListWidget>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <QTimer>
#include <QVBoxLayout>

#include "app/core/Prompts.h"
#include "app/core/Settings.h"
#include "app/document/Documents.h"
#include "app/document/PreviewFile.h"
#include "app/look/Icons.h"
#include "app/shell/Application.h"
#include "app/shell/Frame.h"
#include "platform/Exceptions.h"
#include "platform/FontWarmUp.h"
#include "platform/Journal.h"
#include "platform/OwnFile.h"
#include "platform/ProgramFolder.h"
#include "platform/ScopeExit.h"

QString ProductTitle;

TfSplash::TfSplash(QWidget* parent) : QWidget(parent, Qt::SplashScreen | Qt::FramelessWindowHint) {
  setObjectName(QStringLiteral("fSplash"));
  setFixedSize(500, 299);
  // Painted whole by paintEvent: no layout, no child widgets and no font of
  // its own, so that showing it costs the start-up little.
  setAttribute(Qt::WA_OpaquePaintEvent);
  if (const QScreen* screen = QApplication::primaryScreen()) move(screen->geometry().center() - rect().center());

  const TIniFile ini = Settings::Open();
  // A settings file too large to be read is no first run: the main window
  // says so and goes on with the defaults.
  if (!ini.TooLarge() &&
      ini.ReadString(QStringLiteral("TranslationModule"), QStringLiteral("Path"), QString()).isEmpty()) {
    WaitForIconTheme();  // the dialog's message loop may look icons up
    // The first window of a first start carries the program's icon (at a
    // normal start it comes after the main window's first paint).
    QApplication::setWindowIcon(ProgramIcon());
    TfFirstTimeSettings dialog;
    dialog.FormShow();
    Prompts().ExecModal(dialog);
  }
}

void TfSplash::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.fillRect(rect(), Qt::white);
  painter.setPen(Qt::black);
  // The title in the program's own font drawn larger: a font of another
  // size would be looked up and loaded for this one line.
  constexpr qreal kTitleScale = 2.5;
  painter.translate(QRectF(rect()).center());
  painter.scale(kTitleScale, kTitleScale);
  const QSizeF area = QSizeF(size()) / kTitleScale;
  painter.drawText(QRectF(QPointF(-area.width() / 2, -area.height() / 2), area), Qt::AlignCenter,
                   QStringLiteral("Korvex Vantar"));
  painted_ = true;
}

TfFirstTimeSettings::TfFirstTimeSettings(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("fFirstTimeSettings"));
  setWindowTitle(QStringLiteral("First Time Settings"));
  auto* layout = new QVBoxLayout(this);
  auto* label = new QLabel(QStringLiteral("Select Language :"), this);
  QFont f = label->font();
  f.setBold(true);
  label->setFont(f);
  layout->addWidget(label);
  FrFileListBox1 = new QListWidget(this);
  FrFileListBox1->setObjectName(QStringLiteral("FrFileListBox1"));
  layout->addWidget(FrFileListBox1);
  SpeedButton1 = new QPushButton(QStringLiteral("Ok"), this);
  SpeedButton1->setObjectName(QStringLiteral("SpeedButton1"));
  layout->addWidget(SpeedButton1);
  connect(SpeedButton1, &QPushButton::clicked, this, &TfFirstTimeSettings::SpeedButton1Click);
  connect(FrFileListBox1, &QListWidget::itemDoubleClicked, this, &TfFirstTimeSettings::SpeedButton1Click);
  setFixedSize(260, 300);
}

void TfFirstTimeSettings::FormShow() {
  FrFileListBox1->clear();
  const QDir dir(ProgramFolder() + QStringLiteral("Language Modules"));
  FrFileListBox1->addItems(dir.entryList({QStringLiteral("*.lms")}, QDir::Files, QDir::Name));
}

void TfFirstTimeSettings::SpeedButton1Click() {
  const QListWidgetItem* item = FrFileListBox1->currentItem();
  // With nothing chosen the English module is taken, so the next start does
  // not find an empty path again.
  const QString name = item ? item->text() : QStringLiteral("english.lms");
  try {
    Settings::Open().WriteString(QStringLiteral("TranslationModule"), QStringLiteral("Path"),
                                 ProgramFolder() + QStringLiteral("Language Modules/") + name);
  } catch (const Exception& e) {
    ShowMessageDlg(e.Message(), 2);
  }
  accept();
}

void SendParamToMainWindow(TfMain* main, const QStringList& arguments) {
  if (!main) return;
  for (const QString& file : arguments) main->WMOpenParamFile(file);
  main->showMaximized();
}

int ToolkitArgumentCount(int argc, const char* const* argv) {
  for (int i = 1; i < argc; ++i)
    if (qstrcmp(argv[i], "--") == 0) return i;
  return argc;
}

QStringList CommandLineFiles(const QStringList& toolkitLeft, int argc, const char* const* argv, int toolkitCount) {
  QStringList files = toolkitLeft;
  for (int i = toolkitCount + 1; i < argc; ++i) files << QFile::decodeName(argv[i]);
  return files;
}

void ShowDocumentManagerAtStart(IAppHost& host) {
  if (Settings::Open().ReadBool(QStringLiteral("Show"), QStringLiteral("DocMan?"), false)) return;
  if (AppServices().DocumentManager) AppServices().DocumentManager(host);
}

namespace {

class TIconAfterFirstPaint : public QObject {
 public:
  using QObject::QObject;
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::Paint && qobject_cast<TfMain*>(watched)) {
      QApplication::instance()->removeEventFilter(this);
      // Once this paint is through and on the screen; the icons it drew are
      // kept for the next start.
      QTimer::singleShot(0, [] {
        if (QApplication::windowIcon().isNull()) QApplication::setWindowIcon(ProgramIcon());
        SaveIconCache();
      });
      deleteLater();
    }
    return false;
  }
};

}  // namespace

void UseProgramIconAfterFirstPaint() {
  if (QCoreApplication* app = QApplication::instance()) app->installEventFilter(new TIconAfterFirstPaint(app));
}

TfMain* StartUp(const QStringList& arguments) {
  // Up to the first window nothing waits for a folder lock that another
  // process holds: what would be written then waits in memory.
  TFolderLock::SetStarting(true);
  ScopeExit started([] { TFolderLock::SetStarting(false); });
  // Preview files of an earlier run that did not end normally would lie in
  // the site folders for good (and be uploaded with the site).
  Preview::RemoveLeftovers(ProgramFolder());
  // Files whose write in place was stopped in a folder that takes no new
  // file (a PDF printed there) are put right from their kept journals.
  Journal::RecoverKept();
  // No thread of its own for the icon themes: the icons are looked up when
  // they are first drawn, on the thread that draws them.
  UseFallbackIconTheme();
  // The fonts read ahead (see main) are there before the first text, the
  // splash window's or the first-time dialog's.
  FontWarmUp::Wait();
  auto splash = std::make_unique<TfSplash>();
  ProductTitle = Documents::ProductTitle();
  // The toolkit paints a splash window while showing it, where the window
  // system is quick to let it; painting it again would only cost the start.
  splash->show();
  if (!splash->Painted()) splash->repaint();
  QApplication::processEvents();
  auto* main = new TfMain;
  // Shown maximised from the start (as the hand-over below leaves it), so
  // that the window system maps it once at its final size and the window is
  // laid out and painted once.
  main->setWindowState(main->windowState() | Qt::WindowMaximized);
  main->show();
  main->ReleaseKind = QStringLiteral("STABLE");
  main->setWindowTitle(ProductTitle);
  splash.reset();
  SendParamToMainWindow(main, arguments);
  // The document manager is the user's: its writes may wait.
  TFolderLock::SetStarting(false);
  ShowDocumentManagerAtStart(*main);
  return main;
}
