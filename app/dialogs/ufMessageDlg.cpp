#include "app/dialogs/ufMessageDlg.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QStyle>

#include "app/core/LanguageModule.h"

namespace {

constexpr int kClientWidth = 414;
constexpr int kMargin = 12;
constexpr int kLabelLeft = 64;
constexpr int kLabelWidth = 333;
constexpr int kLabelHeight = 49;
constexpr int kPanelHeight = 34;

QWidget* MakePanel(QWidget* parent, const char* name, std::initializer_list<QPushButton**> buttons,
                   std::initializer_list<const char*> names) {
  auto* panel = new QWidget(parent);
  panel->setObjectName(QLatin1String(name));
  auto* layout = new QHBoxLayout(panel);
  layout->setContentsMargins(0, 4, 0, 4);
  layout->addStretch();
  auto nameIt = names.begin();
  for (QPushButton** button : buttons) {
    *button = new QPushButton(panel);
    (*button)->setObjectName(QLatin1String(*nameIt++));
    (*button)->setAutoDefault(false);
    (*button)->setMinimumWidth(75);
    layout->addWidget(*button);
  }
  layout->addStretch();
  panel->hide();
  return panel;
}

}  // namespace

TfMessageDlg::TfMessageDlg(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("fMessageDlg"));
  setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
  Image = new QLabel(this);
  Image->setObjectName(QStringLiteral("Image1"));
  Image->setFixedSize(41, 41);
  Image->setAlignment(Qt::AlignCenter);
  Label = new QLabel(this);
  Label->setObjectName(QStringLiteral("Label1"));
  Label->setWordWrap(true);
  Label->setTextFormat(Qt::PlainText);
  Label->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);

  PanOk = MakePanel(this, "PanOk", {&btok}, {"btok"});
  PanYesNo = MakePanel(this, "PanYesNo", {&btYes, &btNo}, {"btYes", "btNo"});
  PanYesNoCancel = MakePanel(this, "PanYesNoCancel", {&mrYes2, &mrNo2, &mrCancel2}, {"mrYes2", "mrNo2", "mrCancel2"});
  PanYesToAll = MakePanel(this, "PanYesToAll", {&btYes3, &Btno3, &yestoall}, {"btYes3", "Btno3", "yestoall"});

  connect(btok, &QPushButton::clicked, this, &TfMessageDlg::btokClick);
  connect(btYes, &QPushButton::clicked, this, &TfMessageDlg::btYesClick);
  connect(btYes3, &QPushButton::clicked, this, &TfMessageDlg::btYesClick);
  connect(btNo, &QPushButton::clicked, this, &TfMessageDlg::btNoClick);
  connect(Btno3, &QPushButton::clicked, this, &TfMessageDlg::btNoClick);
  connect(mrYes2, &QPushButton::clicked, this, &TfMessageDlg::mrYes2Click);
  connect(mrNo2, &QPushButton::clicked, this, &TfMessageDlg::mrNo2Click);
  connect(mrCancel2, &QPushButton::clicked, this, &TfMessageDlg::mrCancel2Click);
  connect(yestoall, &QPushButton::clicked, this, &TfMessageDlg::yestoallClick);

  Arrange(nullptr);
}

void TfMessageDlg::Arrange(QWidget* panel) {
  // The box grows with a long message instead of cutting it off.
  const int textHeight = std::max(kLabelHeight, Label->heightForWidth(kLabelWidth));
  Label->setGeometry(kLabelLeft, kMargin, kLabelWidth, textHeight);
  Image->move(kMargin, kMargin + (textHeight - Image->height()) / 2);
  const int panelTop = kMargin + textHeight + 8;
  for (QWidget* p : {PanOk, PanYesNo, PanYesNoCancel, PanYesToAll}) {
    p->setGeometry(0, panelTop, kClientWidth, kPanelHeight);
    p->setVisible(p == panel);
  }
  setFixedSize(kClientWidth, panelTop + kPanelHeight);
}

void TfMessageDlg::Prepare(const QString& text, int kind) {
  Charset = Language().UICharset();
  Label->setText(text);

  btok->setText(LangText(QStringLiteral("btOk")));
  for (QPushButton* b : {btYes, mrYes2, btYes3}) b->setText(LangText(QStringLiteral("btYes")));
  for (QPushButton* b : {btNo, mrNo2, Btno3}) b->setText(LangText(QStringLiteral("btNo")));
  mrCancel2->setText(LangText(QStringLiteral("btCancel")));
  yestoall->setText(LangText(QStringLiteral("btYesToAll")));

  QString captionKey;
  QWidget* panel = nullptr;
  QStyle::StandardPixmap icon = QStyle::SP_CustomBase;
  switch (kind) {
    case 0:
      captionKey = QStringLiteral("InformMsg1Lib");
      panel = PanOk;
      icon = QStyle::SP_MessageBoxQuestion;
      break;
    case 1:
      captionKey = QStringLiteral("ConfirmMsg1Lib");
      panel = PanYesNo;
      icon = QStyle::SP_MessageBoxWarning;
      break;
    case 2:
      captionKey = QStringLiteral("ErrorMsg1Lib");
      panel = PanOk;
      icon = QStyle::SP_MessageBoxCritical;
      break;
    case 3:
      captionKey = QStringLiteral("ConfirmMsg1Lib");
      panel = PanYesNoCancel;
      icon = QStyle::SP_MessageBoxWarning;
      break;
    case 4:
      captionKey = QStringLiteral("ConfirmMsg1Lib");
      panel = PanYesToAll;
      icon = QStyle::SP_MessageBoxWarning;
      break;
    case 10:
      captionKey = QStringLiteral("ConfirmMsg1Lib");
      panel = PanYesNo;
      icon = QStyle::SP_MessageBoxQuestion;
      break;
    default:
      break;
  }
  setWindowTitle(captionKey.isEmpty() ? QString() : LangText(captionKey));
  if (icon != QStyle::SP_CustomBase)
    Image->setPixmap(style()->standardIcon(icon, nullptr, this).pixmap(32, 32));
  else
    Image->clear();
  Arrange(panel);
  // A dialog has one default button: that of the row shown. In the "Yes to
  // all" row it is No, so that Enter never confirms every remaining question.
  QPushButton* def = panel == PanOk            ? btok
                     : panel == PanYesNo       ? btNo
                     : panel == PanYesNoCancel ? mrCancel2
                     : panel == PanYesToAll    ? Btno3
                                               : nullptr;
  if (def) {
    def->setDefault(true);
    def->setFocus();
  }

  if (const QScreen* screen = QApplication::primaryScreen()) {
    const QRect area = screen->availableGeometry();
    move(area.center() - QPoint(width() / 2, height() / 2));
  }
}

QPushButton* TfMessageDlg::DefaultButton() const {
  for (QWidget* panel : {PanOk, PanYesNo, PanYesNoCancel, PanYesToAll}) {
    if (panel->isHidden()) continue;
    for (QPushButton* b : panel->findChildren<QPushButton*>())
      if (b->isDefault()) return b;
  }
  return nullptr;
}

void TfMessageDlg::Finish(int result) {
  Result = result;
  accept();
}

void TfMessageDlg::btokClick() { Finish(1); }
void TfMessageDlg::btYesClick() { Finish(6); }
void TfMessageDlg::btNoClick() { Finish(7); }
void TfMessageDlg::mrYes2Click() { Finish(6); }
void TfMessageDlg::mrNo2Click() { Finish(7); }
void TfMessageDlg::mrCancel2Click() { Finish(2); }
void TfMessageDlg::yestoallClick() { Finish(10); }
