// The insert dialogs of the main window: table, list, horizontal line, text
// formatting, date and time, last-updated script, form controls and the
// character map. They only collect values; the fragments come from
// InsertDialogFragments. Texts come from the language module, colour and
// file choices and messages go through the prompts.
#pragma once

#include <QDateTime>
#include <QDialog>
#include <QLocale>
#include <QPushButton>
#include <functional>

#include "authoring/InsertDialogFragments.h"

class QButtonGroup;
class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QRadioButton;
class QSpinBox;
class QStackedWidget;
class QToolButton;
class TAnimPicture;
class TFrFontComboBox;
class IAppHost;
class TChildForm;

// A colour field: shows its colour; a click asks for another one in the
// colour dialog "ColorDialog1".
class TColorPanel : public QPushButton {
  Q_OBJECT
 public:
  explicit TColorPanel(TColor color, QWidget* parent = nullptr);
  TColor Color() const { return color_; }
  void SetColor(TColor color);
 signals:
  // A colour was confirmed in the dialog (also when it is the same).
  void Chosen();

 private:
  TColor color_;
};

// "Table Creator".
class TfTable : public QDialog {
  Q_OBJECT
 public:
  explicit TfTable(QWidget* parent = nullptr);
  InsertFragments::TTableOptions Options() const;
  // OK: checks the fields; on success sets Ok and closes.
  void Button1Click();
  bool Ok = false;

  QLineEdit* Edit1 = nullptr;  // rows
  QLineEdit* Edit2 = nullptr;  // columns
  QLineEdit* Edit3 = nullptr;  // width
  TColorPanel* Panel2 = nullptr;
  QLineEdit* Edit5 = nullptr;  // background image
  QPushButton* Button3 = nullptr;
  QGroupBox* RadioGroup1 = nullptr;
  QButtonGroup* alignGroup = nullptr;
  QSpinBox* SpinEdit1 = nullptr;  // cell padding
  QSpinBox* SpinEdit2 = nullptr;  // cell spacing
  QCheckBox* Border = nullptr;
  QLineEdit* edit4 = nullptr;  // border width
  TColorPanel* Panel1 = nullptr;
  TColorPanel* Panel3 = nullptr;  // light
  TColorPanel* Panel4 = nullptr;  // dark
  QList<QWidget*> BorderControls;
  QPushButton* Button1 = nullptr;
  QPushButton* Button2 = nullptr;
  // The folder of the page the table goes into (empty while it was never
  // saved): a background image typed relative to it is looked for there.
  QString DocumentFolder;

 private:
  bool lightChosen_ = false;
  bool darkChosen_ = false;
};

// Ordered or unordered list.
class TfNumber : public QDialog {
  Q_OBJECT
 public:
  explicit TfNumber(bool ordered, QWidget* parent = nullptr);
  InsertFragments::TListOptions Options() const;
  void Button1Click();
  // The type buttons in the order "default", "a", "A", "i", "I", "disc",
  // "circle", "square".
  QList<QToolButton*> SpeedButtons;
  QList<QRadioButton*> RadioButtons;
  QString TypeText;
  bool Cancelled = false;

  QSpinBox* SpinEdit1 = nullptr;  // items
  QSpinBox* SpinEdit2 = nullptr;  // first number
  QLabel* Label2 = nullptr;
  QGroupBox* GroupBox2 = nullptr;  // ordered types
  QGroupBox* GroupBox3 = nullptr;  // unordered types
  QPushButton* Button1 = nullptr;
  QPushButton* Button2 = nullptr;

 private:
  bool ordered_;
};

// Horizontal line.
class TfHorLine : public QDialog {
  Q_OBJECT
 public:
  explicit TfHorLine(QWidget* parent = nullptr);
  InsertFragments::THorLineOptions Options() const;
  bool Cancelled = false;

  TColorPanel* Panel1 = nullptr;
  QLineEdit* Edit1 = nullptr;      // width
  QLineEdit* Edit2 = nullptr;      // size
  QCheckBox* CheckBox1 = nullptr;  // "%"
  QPushButton* Button1 = nullptr;
  QPushButton* Button2 = nullptr;
};

// "Text Formatting".
class TfTextFormat : public QDialog {
  Q_OBJECT
 public:
  explicit TfTextFormat(QWidget* parent = nullptr);
  InsertFragments::TFontOptions Options() const;
  bool Ok = false;

  TFrFontComboBox* FrFontComboBox1 = nullptr;
  QSpinBox* SpinEdit1 = nullptr;
  TColorPanel* Panel1 = nullptr;
  QLabel* Label2 = nullptr;
  QCheckBox* CB_Bold = nullptr;
  QCheckBox* CB_Italic = nullptr;
  QCheckBox* CB_Underline = nullptr;
  QCheckBox* CB_Centered = nullptr;
  QRadioButton* DoubleQuote = nullptr;
  QRadioButton* SingleQuote = nullptr;
  QPushButton* Button2 = nullptr;  // OK
  QPushButton* Button1 = nullptr;  // Cancel
};

// "Date / Time".
class TfDT : public QDialog {
  Q_OBJECT
 public:
  TfDT(const QLocale& locale, const QDateTime& now, QWidget* parent = nullptr);
  QString DateTimeText;
  bool Ok = false;

  QLineEdit* label3 = nullptr;  // date
  QLineEdit* label4 = nullptr;  // time
  QRadioButton* RadioButton1 = nullptr;
  QRadioButton* RadioButton2 = nullptr;
  QRadioButton* RadioButton3 = nullptr;
  QPushButton* Button1 = nullptr;
  QPushButton* Button2 = nullptr;
};

// "Last Update Script".
class TfUpdateScript : public QDialog {
  Q_OBJECT
 public:
  explicit TfUpdateScript(QWidget* parent = nullptr);
  bool Ok = false;

  QCheckBox* CheckBox1 = nullptr;  // bold
  QCheckBox* CheckBox2 = nullptr;  // italic
  QCheckBox* CheckBox3 = nullptr;  // underline
  QLineEdit* Edit1 = nullptr;
  QPushButton* Button1 = nullptr;
  QPushButton* Button2 = nullptr;
};

// "HTML Form Buttons": one page per kind of form control.
class TfHTMLButton : public QDialog {
  Q_OBJECT
 public:
  enum TPage { cbr, Buttons, TextSheet, PassSheet, TextArea, ImgSheet, HidSh };
  explicit TfHTMLButton(QWidget* parent = nullptr);
  void ShowPage(TPage page);
  // The fragment of the page shown; `radio` for the check-box page.
  QString Fragment(bool radio = false) const;
  // Shows the picture in both previews with its size; false (and a
  // message) when it cannot be read.
  bool LoadPicture(const QString& fileName);
  bool Ok = false;

  QStackedWidget* PageControl1 = nullptr;
  QLineEdit *cbrName = nullptr, *cbrValue = nullptr, *cbrOnClick = nullptr;
  QCheckBox* cbrChecked = nullptr;
  QButtonGroup* btSelType = nullptr;
  QLineEdit *bteName = nullptr, *bteValue = nullptr, *bteOnclick = nullptr;
  QLineEdit *TextEName = nullptr, *textevalue = nullptr, *textEMaxLen = nullptr, *TexteSize = nullptr,
            *texteOnBlur = nullptr, *TexteOnchange = nullptr, *TexteOnFocus = nullptr, *TexteOnSelect = nullptr;
  QLineEdit *pwlename = nullptr, *pwleValue = nullptr, *pwleMaxLaneg = nullptr, *pwleSize = nullptr,
            *pwleOnblur = nullptr, *pwleOnChange = nullptr, *pwleOnFocus = nullptr, *pwleOnSelect = nullptr;
  QLineEdit *taeName = nullptr, *taeRows = nullptr, *taeCols = nullptr;
  QButtonGroup* rgWrap = nullptr;
  QPlainTextEdit* Memo1 = nullptr;
  QLineEdit *imgESrc = nullptr, *imgeName = nullptr, *imgeOnclick = nullptr;
  QCheckBox* CheckBox1 = nullptr;
  QPlainTextEdit* Memo2 = nullptr;
  QPushButton* SpeedButton1 = nullptr;
  TAnimPicture* AnimPicture1 = nullptr;
  TAnimPicture* AnimPicture2 = nullptr;
  QLabel* Label1 = nullptr;  // width
  QLabel* Label2 = nullptr;  // height
  QLineEdit *hdeName = nullptr, *hdeValue = nullptr;
  QPushButton* Button1 = nullptr;
  QPushButton* Button2 = nullptr;
};

// "Character Map": every click inserts at once; the palette stays open.
class TfCharacter : public QDialog {
  Q_OBJECT
 public:
  explicit TfCharacter(std::function<void(const QString&)> insertText, QWidget* parent = nullptr);
  // What button `index` (0 .. 102) inserts in the present mode.
  QString ButtonText(int index) const;
  void ButtonClick(int index);

  QGroupBox* GroupBox1 = nullptr;
  QList<QToolButton*> SpeedButtons;  // SpeedButton1 .. SpeedButton103
  QRadioButton* HtmlMode = nullptr;
  QRadioButton* CharMode = nullptr;
  QLabel* Panel1 = nullptr;  // the large preview
  QLabel* label1 = nullptr;  // the sample
  QPushButton* Button1 = nullptr;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  std::function<void(const QString&)> insertText_;
};

// Where the date and time dialog and the last-updated script take their
// locale and clock from (the system's unless replaced).
struct TInsertClock {
  std::function<QLocale()> Locale;
  std::function<QDateTime()> Now;
};
TInsertClock& InsertClock();

// The document window the insert commands write into: the active one while
// its text takes changes (not while Tidy works on it); null otherwise.
TChildForm* InsertTarget(IAppHost& host);
// The folder of the page in `c`; empty while it was never saved.
QString PageFolder(const TChildForm& c);

// The commands; each does nothing without a document window to write into.
void InsertTable(IAppHost& host);
void InsertList(IAppHost& host, bool ordered);
void InsertHorLine(IAppHost& host);
void InsertTextFormatting(IAppHost& host);
void InsertDateTime(IAppHost& host);
void InsertUpdateScript(IAppHost& host);
// `kind`: "FCheck", "FRadio", "FButton", "FEdit", "FPwBox", "FTA", "FImage" or "FHText".
void InsertFormControl(IAppHost& host, const QString& kind);
void InsertMailForm(IAppHost& host);
void InsertCharacters(IAppHost& host);
