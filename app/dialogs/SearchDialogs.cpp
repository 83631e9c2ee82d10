#include "app/dialogs/SearchDialogs.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QStyle>
#include <QVBoxLayout>
#include <QWindow>
#include <cmath>

#include "app/core/LanguageModule.h"
#include "app/core/Prompts.h"

namespace SearchReplace {

TSearchState& State() {
  static TSearchState state;
  return state;
}

QStringList AddToHistory(QStringList items, const QString& text) {
  if (text.isEmpty()) return items;
  items.removeAll(text);
  items.prepend(text);
  return items;
}

QString HistoryText(const QStringList& items) { return items.mid(0, MaxHistory).join(QStringLiteral("\r\n")); }

QStringList HistoryItems(const QString& text) {
  QStringList items = text.split(QStringLiteral("\r\n"));
  items.removeAll(QString());
  return items;
}

QString ReplaceQuestion(const QString& moduleText, const QString& search) {
  QString question = moduleText;
  const qsizetype at = question.indexOf(QStringLiteral("%s"));
  if (at >= 0) question.replace(at, 2, search);
  return question;
}

QPoint ConfirmPlacement(const QRect& editor, int x, int y2, int y, const QSize& size, const QMargins& frame,
                        const QRect& screen) {
  const int width = size.width() + frame.left() + frame.right();
  const int height = size.height() + frame.top() + frame.bottom();
  int left = x;
  if (editor.width() <= width) {
    left = editor.left() - (width - editor.width()) / 2;
  } else if (left + width > editor.left() + editor.width()) {
    left = editor.left() + editor.width() - width;
  }
  const int threshold = editor.top() + static_cast<int>(std::lround(editor.height() * 2.0 / 3.0));
  const int above = y - height - 4;
  const int below = y2 + 4;
  bool up = y2 > threshold;
  // Where the screen has no room on the chosen side, the other side; never over the line.
  if (screen.isValid()) {
    if (up && above < screen.top() && below + height <= screen.bottom() + 1)
      up = false;
    else if (!up && below + height > screen.bottom() + 1 && above >= screen.top())
      up = true;
  }
  return {left, up ? above : below};
}

}  // namespace SearchReplace

namespace {
QComboBox* HistoryCombo(QWidget* parent, const char* name) {
  auto* combo = new QComboBox(parent);
  combo->setObjectName(QLatin1String(name));
  combo->setEditable(true);
  combo->setInsertPolicy(QComboBox::NoInsert);
  combo->setMinimumWidth(240);
  return combo;
}
QStringList Items(const QComboBox* combo) {
  QStringList items;
  for (int i = 0; i < combo->count(); ++i) items << combo->itemText(i);
  return items;
}
void SetItems(QComboBox* combo, const QStringList& items) {
  const QString text = combo->currentText();
  combo->clear();
  combo->addItems(items);
  combo->setEditText(text);
}
}  // namespace

TTextSearchDialog::TTextSearchDialog(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("TextSearchDialog"));
  auto* layout = new QVBoxLayout(this);
  fields_ = new QGridLayout;
  Label1 = new QLabel(this);
  Label1->setObjectName(QStringLiteral("Label1"));
  cbSearchText = HistoryCombo(this, "cbSearchText");
  Label1->setBuddy(cbSearchText);
  fields_->addWidget(Label1, 0, 0);
  fields_->addWidget(cbSearchText, 0, 1);
  layout->addLayout(fields_);

  auto* groups = new QHBoxLayout;
  gbSearchOptions = new QGroupBox(this);
  gbSearchOptions->setObjectName(QStringLiteral("gbSearchOptions"));
  auto* options = new QVBoxLayout(gbSearchOptions);
  const auto check = [this, options](const char* name) {
    auto* box = new QCheckBox(gbSearchOptions);
    box->setObjectName(QLatin1String(name));
    options->addWidget(box);
    return box;
  };
  cbSearchCaseSensitive = check("cbSearchCaseSensitive");
  cbSearchWholeWords = check("cbSearchWholeWords");
  cbSearchFromCursor = check("cbSearchFromCursor");
  cbSearchSelectedOnly = check("cbSearchSelectedOnly");
  rgSearchDirection = new QGroupBox(this);
  rgSearchDirection->setObjectName(QStringLiteral("rgSearchDirection"));
  auto* direction = new QVBoxLayout(rgSearchDirection);
  rbForward = new QRadioButton(rgSearchDirection);
  rbBackward = new QRadioButton(rgSearchDirection);
  rbForward->setChecked(true);
  direction->addWidget(rbForward);
  direction->addWidget(rbBackward);
  direction->addStretch();
  groups->addWidget(gbSearchOptions);
  groups->addWidget(rgSearchDirection);
  layout->addLayout(groups);

  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  btnOK = new QPushButton(this);
  btnOK->setObjectName(QStringLiteral("btnOK"));
  btnOK->setDefault(true);
  btnCancel = new QPushButton(this);
  btnCancel->setObjectName(QStringLiteral("btnCancel"));
  connect(btnOK, &QPushButton::clicked, this, &QDialog::accept);
  connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);
  buttons->addWidget(btnOK);
  buttons->addWidget(btnCancel);
  layout->addLayout(buttons);
  setFixedSize(sizeHint());
}

bool TTextSearchDialog::SearchBackwards() const { return rbBackward->isChecked(); }
void TTextSearchDialog::SetSearchBackwards(bool value) { (value ? rbBackward : rbForward)->setChecked(true); }
bool TTextSearchDialog::SearchCaseSensitive() const { return cbSearchCaseSensitive->isChecked(); }
void TTextSearchDialog::SetSearchCaseSensitive(bool value) { cbSearchCaseSensitive->setChecked(value); }
bool TTextSearchDialog::SearchWholeWords() const { return cbSearchWholeWords->isChecked(); }
void TTextSearchDialog::SetSearchWholeWords(bool value) { cbSearchWholeWords->setChecked(value); }
bool TTextSearchDialog::SearchFromCursor() const { return cbSearchFromCursor->isChecked(); }
void TTextSearchDialog::SetSearchFromCursor(bool value) { cbSearchFromCursor->setChecked(value); }
bool TTextSearchDialog::SearchInSelectionOnly() const { return cbSearchSelectedOnly->isChecked(); }
void TTextSearchDialog::SetSearchInSelectionOnly(bool value) { cbSearchSelectedOnly->setChecked(value); }
QString TTextSearchDialog::SearchText() const { return cbSearchText->currentText(); }
void TTextSearchDialog::SetSearchText(const QString& value) { cbSearchText->setEditText(value); }
QString TTextSearchDialog::SearchTextHistory() const { return SearchReplace::HistoryText(Items(cbSearchText)); }
void TTextSearchDialog::SetSearchTextHistory(const QString& value) {
  SetItems(cbSearchText, SearchReplace::HistoryItems(value));
}

void TTextSearchDialog::ApplyLanguage() {
  Label1->setText(u'&' + LangText(QStringLiteral("lSearchFor")));
  gbSearchOptions->setTitle(LangText(QStringLiteral("GBOptions")));
  rgSearchDirection->setTitle(LangText(QStringLiteral("GBDirection")));
  cbSearchCaseSensitive->setText(LangText(QStringLiteral("lCaseSen")));
  cbSearchWholeWords->setText(LangText(QStringLiteral("lWholeW")));
  cbSearchFromCursor->setText(LangText(QStringLiteral("lFromCurs")));
  cbSearchSelectedOnly->setText(LangText(QStringLiteral("lSelOnly")));
  rbForward->setText(LangText(QStringLiteral("lForwardNow")));
  rbBackward->setText(LangText(QStringLiteral("lBackwardNow")));
  rbForward->setChecked(true);
  btnOK->setText(LangText(QStringLiteral("btOk")));
  btnCancel->setText(LangText(QStringLiteral("btCancel")));
  setWindowTitle(LangText(QStringLiteral("cpSearchText")));
  setFixedSize(sizeHint());
}

void TTextSearchDialog::UpdateHistories() {
  const QString text = SearchText();
  SetItems(cbSearchText, SearchReplace::AddToHistory(Items(cbSearchText), text));
  cbSearchText->setEditText(text);
}

void TTextSearchDialog::showEvent(QShowEvent* event) {
  ApplyLanguage();
  QDialog::showEvent(event);
  // The last texts are selected, so that typing replaces them.
  for (QComboBox* box : findChildren<QComboBox*>())
    if (box->lineEdit()) box->lineEdit()->selectAll();
  cbSearchText->setFocus();
}

void TTextSearchDialog::accept() {
  UpdateHistories();
  QDialog::accept();
}

TTextReplaceDialog::TTextReplaceDialog(QWidget* parent) : TTextSearchDialog(parent) {
  setObjectName(QStringLiteral("TextReplaceDialog"));
  Label2 = new QLabel(this);
  Label2->setObjectName(QStringLiteral("Label2"));
  cbReplaceText = HistoryCombo(this, "cbReplaceText");
  Label2->setBuddy(cbReplaceText);
  fields_->addWidget(Label2, 1, 0);
  fields_->addWidget(cbReplaceText, 1, 1);
  setTabOrder(cbSearchText, cbReplaceText);
  setTabOrder(cbReplaceText, cbSearchCaseSensitive);
  setFixedSize(sizeHint());
}

QString TTextReplaceDialog::ReplaceText() const { return cbReplaceText->currentText(); }
void TTextReplaceDialog::SetReplaceText(const QString& value) { cbReplaceText->setEditText(value); }
QString TTextReplaceDialog::ReplaceTextHistory() const { return SearchReplace::HistoryText(Items(cbReplaceText)); }
void TTextReplaceDialog::SetReplaceTextHistory(const QString& value) {
  SetItems(cbReplaceText, SearchReplace::HistoryItems(value));
}

void TTextReplaceDialog::ApplyLanguage() {
  TTextSearchDialog::ApplyLanguage();
  Label2->setText(u'&' + LangText(QStringLiteral("lRepWith")));
  setWindowTitle(LangText(QStringLiteral("cpRepDialog")));
  setFixedSize(sizeHint());
}

void TTextReplaceDialog::UpdateHistories() {
  TTextSearchDialog::UpdateHistories();
  const QString text = ReplaceText();
  SetItems(cbReplaceText, SearchReplace::AddToHistory(Items(cbReplaceText), text));
  cbReplaceText->setEditText(text);
}

TConfirmReplaceDialog* ConfirmReplaceDialog = nullptr;

TConfirmReplaceDialog::TConfirmReplaceDialog(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("ConfirmReplaceDialog"));
  ConfirmReplaceDialog = this;
  setFixedSize(328, 98);
  Image = new QLabel(this);
  Image->setGeometry(16, 16, 32, 32);
  Image->setPixmap(style()->standardIcon(QStyle::SP_MessageBoxQuestion).pixmap(32, 32));
  lblConfirmation = new QLabel(this);
  lblConfirmation->setObjectName(QStringLiteral("lblConfirmation"));
  lblConfirmation->setGeometry(60, 12, 261, 44);
  lblConfirmation->setWordWrap(true);
  lblConfirmation->setTextFormat(Qt::PlainText);
  struct Button {
    QPushButton*& button;
    const char* name;
    const char* key;
    int result;
  };
  const Button buttons[] = {{btnReplace, "btnReplace", "btYes", 6},
                            {btnSkip, "btnSkip", "btNo", 7},
                            {btnCancel, "btnCancel", "btCancel", 2},
                            {btnReplaceAll, "btnReplaceAll", "btYesToAll", 10}};
  int left = 8;
  for (const Button& b : buttons) {
    b.button = new QPushButton(LangText(QLatin1String(b.key)), this);
    b.button->setObjectName(QLatin1String(b.name));
    b.button->setGeometry(left, 67, 75, 23);
    left += 80;
    const int result = b.result;
    connect(b.button, &QPushButton::clicked, this, [this, result] { done(result); });
  }
  btnReplace->setDefault(true);
}

TConfirmReplaceDialog::~TConfirmReplaceDialog() {
  if (ConfirmReplaceDialog == this) ConfirmReplaceDialog = nullptr;
}

void TConfirmReplaceDialog::PrepareShow(const QRect& editor, int x, int y2, int y, const QString& search) {
  lblConfirmation->setText(SearchReplace::ReplaceQuestion(LangText(QStringLiteral("SAskRep1")), search));
  // The window manager's frame (title bar) counts: until this dialog has had
  // one, that of the window it belongs to stands in for it.
  QMargins frame;
  if (windowHandle()) frame = windowHandle()->frameMargins();
  if (frame.isNull() && parentWidget() && parentWidget()->window()->windowHandle())
    frame = parentWidget()->window()->windowHandle()->frameMargins();
  const QScreen* screen = QGuiApplication::screenAt(QPoint(x, y));
  move(
      SearchReplace::ConfirmPlacement(editor, x, y2, y, size(), frame, screen ? screen->availableGeometry() : QRect()));
}
