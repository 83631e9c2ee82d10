// The link check of a document window: every link target and every image of
// the page is tested (a file on disk, or a web address requested over HTTP)
// and listed as Ok or Error. The check runs on the event loop, one request at
// a time, and can be stopped at any point.
#pragma once

#include <QList>
#include <QObject>
#include <QPointer>
#include <QStringList>
#include <QUrl>
#include <QWidget>
#include <functional>

class QCheckBox;
class QLineEdit;
class QNetworkAccessManager;
class QNetworkReply;
class QProgressBar;
class QPushButton;
class QTreeWidget;
class TSrcEdit;

namespace LinkCheck {
// The target a link stands for: "./", ".\" and leading ".", "/", "\" dropped,
// "http://" put before a bare www address, and the root folder put before a
// link without folder or scheme.
QString Normalise(QString link, const QString& root);
// Links that lead nowhere to check: scripts, mail addresses, in-page marks.
bool Skipped(const QString& link);
// Whether a double click may hand the target to the system: web addresses
// and existing files that are not programs.
bool MayOpen(const QString& target);
}  // namespace LinkCheck

// Checks lists of links one after another.
class TLinkChecker : public QObject {
  Q_OBJECT
 public:
  explicit TLinkChecker(QObject* parent = nullptr);
  ~TLinkChecker() override;

  QString Root;
  QString User;
  QString Password;
  // Milliseconds a request may stay without an answer.
  int Timeout = 15000;
  // Redirects followed before a link counts as broken.
  static constexpr int kMaxRedirects = 5;

  // Checks the links of each group in turn.
  void Start(const QList<QStringList>& groups);
  // Ends the check; no further rows come.
  void Stop();
  bool Running() const { return running_; }

 signals:
  void GroupStarted(int group, int count);
  void Checked(const QString& target, bool ok);
  // `done` entries of the current group are through.
  void Advanced(int done);
  void Finished(bool stopped);

 private:
  void Next();
  void CheckTarget(const QString& target);
  void Request(const QUrl& url, int redirectsLeft, bool credentials);
  void Answer(QNetworkReply* reply, int redirectsLeft, bool credentials);
  void Done(bool ok);
  void DropReply();
  void Finish(bool stopped);
  bool OwnHost(const QUrl& url) const;

  QNetworkAccessManager* net_;
  QPointer<QNetworkReply> reply_;
  QList<QStringList> groups_;
  int group_ = 0;
  int index_ = 0;
  bool announced_ = false;
  bool running_ = false;
  QString target_;
};

// The "Verify Links" page: result list, start button, options, progress.
class TLinkCheckPage : public QWidget {
  Q_OBJECT
 public:
  // `showEditor` brings the editor page forward.
  TLinkCheckPage(TSrcEdit* editor, std::function<void()> showEditor, QWidget* parent = nullptr);
  ~TLinkCheckPage() override;

  void ApplyLanguage();
  // Runs the whole check on the editor's text.
  void vfLinksClick();
  void StopTheLinkCheckExecute();
  // Ends a running check without the closing notice (the window goes).
  void Cancel();
  // Opens or finds the target of the selected row.
  void ListView1DblClick();

  TLinkChecker* Checker() const { return checker_; }

  QTreeWidget* ListView1 = nullptr;
  QPushButton* vfLinks = nullptr;
  QCheckBox* CheckBox1 = nullptr;
  QProgressBar* ProgressBar1 = nullptr;
  QLineEdit* Edit2 = nullptr;
  QLineEdit* Edit3 = nullptr;
  QLineEdit* Edit4 = nullptr;
  QString OkText, ErrorText;

 private:
  void AddRow(const QString& caption, const QString& status);

  TSrcEdit* editor_;
  std::function<void()> showEditor_;
  TLinkChecker* checker_;
  QList<QWidget*> labels_;
};
