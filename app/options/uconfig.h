// The options screen: every user option of settings.ini on five pages, each
// written back as soon as its control changes (program paths typed by hand
// when the window closes), and the code-library page. There is one screen at
// a time; it is not modal and frees itself when closed.
#pragma once

#include <QWidget>
#include <functional>

#include "app/options/ConfigModel.h"
#include "platform/Colors.h"

class IAppHost;
class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QSpinBox;
class QTabWidget;
class TCodeInsidePage;
class TFrFontComboBox;
class TIniFile;

class TfConfig : public QWidget {
  Q_OBJECT
 public:
  // Opens the screen, or raises the one already open, at `page` of the main
  // pages and `innerPage` of the path pages (-1 keeps the page shown).
  // What the screen changes beyond settings.ini goes to `host` (nothing
  // without one).
  static TfConfig* Execute(IAppHost* host = nullptr, int page = -1, int innerPage = -1);
  // The screen that is open; null when none is.
  static TfConfig* Instance();

  ~TfConfig() override;

  void SelectPage(int page, int innerPage);
  void ApplyLanguage();

  // Commands of the buttons.
  void SpeedButton5Click();   // language module
  void SpeedButton12Click();  // help file
  void SpeedButtn6Click();    // FTP program
  void SpeedButton20Click();  // graphics editor
  void SpeedButton4Click();   // tag-library file
  void SpeedButton8Click();   // add a browser
  void ListBox3DblClick();    // remove the selected browser
  void SpeedButton7Click();   // selected browser as default
  void SpeedButton10Click();  // clear the recent files
  void ChooseColor(QPushButton* swatch);
  void ClearColor(QPushButton* swatch);

  // Editor Options page.
  QCheckBox *CheckBox7, *CheckBox5, *CheckBox3, *CheckBox4, *CheckBox2, *CheckBox11, *CheckBox10, *CheckBox9;
  QSpinBox *SpinEdit4, *SpinEdit2, *SpinEdit3, *FontSize, *SpinEdit1;
  TFrFontComboBox *CBFont, *FrFontComboBox1;
  QPushButton *Panel7, *SpeedButton13, *Panel6, *SpeedButton11;
  QComboBox* ComboBox1;
  QLabel *Label2, *Label10, *Label9, *Label11, *Label29, *Label20;
  // Operations page.
  QCheckBox *CheckBox8, *CheckBox6, *CheckBox12, *CheckBox1, *CheckBox13;
  QPushButton* SpeedButton10;
  // Language Configuration page.
  QLineEdit *Edit10, *Edit7;
  QPushButton *SpeedButton5, *SpeedButton12;
  QLabel *Label31, *Label8;
  // Path Configuration pages.
  QLineEdit *Edit4, *Edit11, *Edit5, *Edit1;
  QPushButton *SpeedButtn6, *SpeedButton20, *SpeedButton8, *SpeedButton7, *SpeedButton4;
  QListWidget* ListBox3;
  QLabel *Label6, *Label7, *Label4, *Label3, *Label5, *Label12;
  // Code Inside page.
  TCodeInsidePage* CodeInside;

  QTabWidget* PageControl1;  // Editor Options, Operations, Language, Paths, Code Inside
  QTabWidget* PageControl2;  // FTP Path, GFX Editor, Browsers, Elements

 protected:
  void showEvent(QShowEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  explicit TfConfig(IAppHost* host);
  void BuildEditorPage(QWidget* page);
  void BuildOperationsPage(QWidget* page);
  void BuildLanguagePage(QWidget* page);
  void BuildPathPages(QWidget* page);
  // Reads every option into its control, writing nothing.
  void ReadSettings();
  void FillBrowserList();
  // A check box that writes its state to `section` / `key` when clicked,
  // then runs `after`.
  QCheckBox* BoolBox(QWidget* parent, const char* name, const char* section, const char* key,
                     std::function<void(bool)> after = {});
  // Runs a file dialog with `filter` starting in the folder of `current`;
  // the chosen file, or an empty text.
  QString ChooseFile(const char* name, const QString& filter, const QString& current);
  // Chooses a file for `edit` and writes it to `section` / Path at once;
  // the file, or an empty text when none was chosen.
  QString ChoosePath(QLineEdit* edit, const QString& filter, const char* section);
  // A group box of a label and a path box with its "..." button.
  QGroupBox* PathGroup(QWidget* parent, const char* name, const char* key, QLabel*& label, const char* labelName,
                       QLineEdit*& edit, const char* editName, QPushButton*& button, const char* buttonName);
  void SetSwatch(QPushButton* swatch, TColor color);

  struct TBoolOption {
    QCheckBox* box;
    QString section, key;
  };
  QList<TBoolOption> boolOptions_;
  QList<QPair<QWidget*, QString>> captions_;
  IAppHost* host_;
  TBrowserList browsers_;
  bool programPathEdited_ = false;
  bool browserPathEdited_ = false;
  bool reading_ = false;
};

// Runs `job`; a failure it raises is reported to the user (a pipe or device
// in a file's place by the module's text naming it).
void ReportFailures(const std::function<void()>& job);
// Writes settings.ini through `write`; a failure is reported to the user.
void WriteSettings(const std::function<void(TIniFile&)>& write);

// The options screen over `host` at a page, through the hook when one is set.
void OpenOptionsScreen(IAppHost* host, int page, int innerPage);
