// The information window: version, web site, credits and the running system.
#pragma once

#include <QDialog>

class QLabel;
class QPushButton;
class QTabWidget;
class QTreeWidget;
class TAngleLabel;

// The name of a Windows version from its version numbers; "unknown" for any
// pair the table does not know.
QString WindowsVersionName(int major, int minor, bool ntPlatform);
// The name of the running system, as the desktop gives it.
QString OperatingSystemName();

class TfAbout : public QDialog {
  Q_OBJECT
 public:
  explicit TfAbout(QWidget* parent = nullptr, const QString& version = QString());

  // The web sites the two link labels open.
  static QString ProductSite() { return QStringLiteral("https://korvex-vantar.org/"); }
  static QString CreditSite() { return QStringLiteral("https://www.qt.io/"); }

  QTabWidget* PageControl1;
  QLabel* VersionLabel;
  QLabel* Label2;
  QLabel* Label3;
  TAngleLabel* AngleLabel1;
  QTreeWidget* ListView1;
  QLabel* OSLabel;
  QPushButton* speedbutton1;

 protected:
  void showEvent(QShowEvent* event) override;
};
