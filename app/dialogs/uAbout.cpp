#include "app/dialogs/uAbout.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSysInfo>
#include <QTabWidget>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "app/core/LanguageModule.h"
#include "app/core/Launcher.h"
#include "app/look/AngleLabel.h"
#include "app/shell/Application.h"

QString WindowsVersionName(int major, int minor, bool ntPlatform) {
  struct Row {
    int major, minor;
    const char* name;
  };
  static const Row rows[] = {{3, 51, "Windows NT 3.51"},
                             {4, 10, "Windows 98"},
                             {4, 90, "Windows ME"},
                             {5, 0, "Windows 2000"},
                             {5, 1, "Windows XP or .NET server"}};
  if (major == 4 && minor == 0) return ntPlatform ? QStringLiteral("Windows NT 4.0") : QStringLiteral("Windows 95");
  for (const Row& r : rows)
    if (r.major == major && r.minor == minor) return QLatin1String(r.name);
  return QStringLiteral("unknown");
}

QString OperatingSystemName() {
  const QString name = QSysInfo::prettyProductName();
  return name.isEmpty() ? QStringLiteral("unknown") : name;
}

namespace {
// A label that opens `url` when clicked.
QLabel* LinkLabel(QWidget* parent, const QString& objectName, const QString& text, const QString& url) {
  auto* label = new QLabel(text, parent);
  label->setObjectName(objectName);
  QFont f = label->font();
  f.setUnderline(true);
  label->setFont(f);
  label->setCursor(Qt::PointingHandCursor);
  label->setTextInteractionFlags(Qt::NoTextInteraction);
  label->setProperty("url", url);
  return label;
}

class TLinkFilter : public QObject {
 public:
  using QObject::QObject;
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::MouseButtonRelease) {
      const QString url = watched->property("url").toString();
      if (!url.isEmpty()) Launcher().Open(url);
      return true;
    }
    return false;
  }
};
}  // namespace

TfAbout::TfAbout(QWidget* parent, const QString& version) : QDialog(parent) {
  setObjectName(QStringLiteral("fAbout"));
  setWindowIcon(ProgramIcon());
  auto* layout = new QVBoxLayout(this);
  PageControl1 = new QTabWidget(this);
  layout->addWidget(PageControl1);
  auto* filter = new TLinkFilter(this);

  auto* page1 = new QWidget;
  auto* l1 = new QVBoxLayout(page1);
  auto* picture = new QLabel(page1);
  picture->setObjectName(QStringLiteral("Image1"));
  picture->setFrameShape(QFrame::Box);
  picture->setPixmap(ProgramIcon().pixmap(64, 64));
  l1->addWidget(picture, 0, Qt::AlignHCenter);
  VersionLabel = new QLabel(ComposeText({LangText(QStringLiteral("AboutVersion")), version}), page1);
  l1->addWidget(VersionLabel);
  Label2 = LinkLabel(page1, QStringLiteral("Label2"), ProductSite(), ProductSite());
  Label2->setToolTip(LangText(QStringLiteral("AboutVisit")));
  Label2->installEventFilter(filter);
  l1->addWidget(Label2);
  AngleLabel1 = new TAngleLabel(page1);
  AngleLabel1->setObjectName(QStringLiteral("AngleLabel1"));
  QFont beta(QStringLiteral("Arial"));
  beta.setPixelSize(40);
  beta.setBold(true);
  AngleLabel1->setFont(beta);
  QPalette red = AngleLabel1->palette();
  red.setColor(QPalette::WindowText, Qt::red);
  AngleLabel1->setPalette(red);
  AngleLabel1->SetCaption(LangText(QStringLiteral("AboutBeta")) + QLatin1Char(' '));
  AngleLabel1->SetAngle(45);
  AngleLabel1->hide();
  auto* notice = new QPlainTextEdit(LangText(QStringLiteral("AboutNotice")), page1);
  notice->setReadOnly(true);
  l1->addWidget(notice);
  PageControl1->addTab(page1, QString());

  auto* page2 = new QWidget;
  auto* l2 = new QVBoxLayout(page2);
  ListView1 = new QTreeWidget(page2);
  ListView1->setObjectName(QStringLiteral("ListView1"));
  ListView1->setRootIsDecorated(false);
  ListView1->setHeaderLabels({LangText(QStringLiteral("AboutName")), LangText(QStringLiteral("AboutMission"))});
  ListView1->header()->resizeSection(0, 200);
  ListView1->header()->resizeSection(1, 225);
  ListView1->addTopLevelItem(
      new QTreeWidgetItem(QStringList{QStringLiteral("Qt"), LangText(QStringLiteral("AboutCrQt"))}));
  ListView1->addTopLevelItem(
      new QTreeWidgetItem(QStringList{QStringLiteral("HTML Tidy"), LangText(QStringLiteral("AboutCrTidy"))}));
  l2->addWidget(ListView1);
  Label3 = LinkLabel(page2, QStringLiteral("Label3"), CreditSite(), CreditSite());
  Label3->installEventFilter(filter);
  l2->addWidget(Label3);
  auto* systemRow = new QHBoxLayout;
  systemRow->addWidget(new QLabel(LangText(QStringLiteral("AboutSystem")), page2));
  OSLabel = new QLabel(OperatingSystemName(), page2);
  OSLabel->setObjectName(QStringLiteral("OSLabel"));
  QFont bold = OSLabel->font();
  bold.setBold(true);
  OSLabel->setFont(bold);
  systemRow->addWidget(OSLabel, 1);
  l2->addLayout(systemRow);
  PageControl1->addTab(page2, LangText(QStringLiteral("AboutCredits")));

  speedbutton1 = new QPushButton(this);
  speedbutton1->setObjectName(QStringLiteral("speedbutton1"));
  speedbutton1->setDefault(true);
  connect(speedbutton1, &QPushButton::clicked, this, &QDialog::accept);
  layout->addWidget(speedbutton1, 0, Qt::AlignRight);
}

void TfAbout::showEvent(QShowEvent* event) {
  speedbutton1->setText(LangText(QStringLiteral("Close")));
  const QString about = LangText(QStringLiteral("About1"));
  PageControl1->setTabText(0, about);
  setWindowTitle(about);
  QDialog::showEvent(event);
}
