// The update console: asks the update server about newer versions and shows
// its answer page. Nothing is downloaded or installed.
#pragma once

#include <QDialog>

class QPushButton;
class QStatusBar;
class QWidget;
class TEmbeddedBrowser;

// What one update request carries. Scheme and host come from uconsole.dat
// ("Scheme", "Host" in section "config") so an installation can point the
// console elsewhere.
struct TUpdateRequest {
  QString scheme;
  QString host;
  QString build;            // sysver
  QString mcs1;             // tidate
  QString mcs2;             // elfiledat
  QString languageId;       // lid
  QString languageVersion;  // langvers
};

// True when the request's scheme is http or https (in any case) and its host
// a host name (letters, digits and hyphens in dot-separated labels) with
// perhaps a port: nothing else of an address can come in through them.
bool IsUpdateServer(const TUpdateRequest& request);
// The request address; every value is percent-encoded, so blanks, "&", "#"
// and line breaks cannot change the query.
QString BuildUpdateUrl(const TUpdateRequest& request);
// The language identifier of a module path: its file name without folder and
// without the last extension ("Language Modules/english.lms" gives "english").
QString LanguageIdentifier(const QString& modulePath);
// Reads uconsole.dat, settings.ini and the language module afresh.
TUpdateRequest ReadUpdateRequest(const QString& buildString);

class TfUpdate : public QDialog {
  Q_OBJECT
 public:
  explicit TfUpdate(QWidget* parent = nullptr, const QString& buildString = QString());

  // Builds the address and lets the browser go there; a server of
  // uconsole.dat that IsUpdateServer refuses is reported instead.
  void CheckForUpdate();

  TEmbeddedBrowser* EmbeddedBrowser1;
  QStatusBar* StatusBar1;
  QWidget* Panel1;
  QPushButton* Button2;

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  QString buildString_;
  bool errorShown_ = false;
};
