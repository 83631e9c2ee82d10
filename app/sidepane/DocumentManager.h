// The document manager: new documents from the standard skeletons or from
// the user's own templates, which are kept as "<name>.mds" files in the
// folder "MyDocuments" of the program folder and listed in its "index.dat",
// one line each: the template's path, "$" and the kind (".html", ".php", ...).
#pragma once

#include <QDialog>
#include <QStringList>

class IAppHost;
class QCheckBox;
class TFrListView;
class QStatusBar;
class QTabWidget;
class QToolButton;

namespace UserTemplates {

// ProgramFolder() + "MyDocuments/".
QString Folder();
QString IndexFile();
// Where the template `name` is kept.
QString PathOf(const QString& name);

// One line of the index, split at its last "$" (a "$" may be part of the
// path); both parts trimmed. A line without "$" has neither.
struct TEntry {
  QString path;
  QString kind;
};
TEntry Split(const QString& line);
QString Join(const QString& path, const QString& kind);
// The name a template is listed by: its file name without the extension.
QString DisplayName(const QString& line);
// True for a name that stays one file in the folder: not empty or blank, not
// "." or "..", without "/", "\" or control characters.
bool IsTemplateName(const QString& name);

// The lines of the index (none when it does not exist; blank lines skipped).
QStringList ReadIndex();
// Writes the index atomically; raises on failure.
void WriteIndex(const QStringList& lines);

}  // namespace UserTemplates

class TfDocumentManager : public QDialog {
  Q_OBJECT
 public:
  // Documents are made through `host`; without one the standard items and
  // templates open nothing. The dialog shows over the host's window.
  explicit TfDocumentManager(IAppHost* host = nullptr);

  void LoadUserTemplates();
  // Creates a document from the standard item `index` (0 empty, 1 HTML,
  // 2 PHP, 3 CSS, 4 XHTML) or from the user's template at `row`.
  void OpenStandard(int index);
  void OpenUserTemplate(int row);
  void NewTemplate();
  void EditTemplate();
  void DeleteTemplate();
  void CheckBox1Click();

  // The whole index line of each item of the user list.
  const QStringList& Paths() const { return paths_; }

  QTabWidget* PageControl1;
  TFrListView* FrListView1;
  TFrListView* FrListView2;
  QToolButton* SpeedButton1;
  QToolButton* SpeedButton2;
  QToolButton* SpeedButton3;
  QCheckBox* CheckBox1;
  QStatusBar* StatusBar1;

 private:
  IAppHost* host_;
  QStringList paths_;
};

// Shows the document manager modally over `host` (File > New and at start-up).
void ShowDocumentManager(IAppHost& host);
