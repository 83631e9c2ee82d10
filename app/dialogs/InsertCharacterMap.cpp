// The character map of the insert commands: a palette of characters in the
// chosen font, each click inserts one at once while the palette stays open.
#include <QEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QRadioButton>
#include <QToolButton>
#include <QVBoxLayout>

#include "app/core/LanguageModule.h"
#include "app/dialogs/InsertDialogParts.h"
#include "app/dialogs/InsertDialogs.h"
#include "authoring/WtInsertFragments.h"

using namespace InsertFragments;
using namespace InsertDialogParts;

// ---------------------------------------------------------------- character map

TfCharacter::TfCharacter(std::function<void(const QString&)> insertText, QWidget* parent)
    : QDialog(parent), insertText_(std::move(insertText)) {
  setObjectName(QStringLiteral("fCharacter"));
  setWindowTitle(Lang("TB5"));
  auto* layout = new QVBoxLayout(this);
  GroupBox1 = Named(new QGroupBox, "GroupBox1");
  GroupBox1->setMouseTracking(true);
  GroupBox1->installEventFilter(this);
  auto* grid = new QGridLayout(GroupBox1);
  grid->setSpacing(1);
  const QList<TCharButton>& buttons = CharacterButtons();
  for (int i = 0; i < buttons.size(); ++i) {
    auto* b = new QToolButton;
    b->setObjectName(QStringLiteral("SpeedButton%1").arg(i + 1));
    b->setText(QString(buttons[i].caption).replace(u'&', QStringLiteral("&&")));  // no mnemonic
    b->setAutoRaise(true);
    b->setFixedSize(30, 26);
    b->installEventFilter(this);
    connect(b, &QToolButton::clicked, this, [this, i] { ButtonClick(i); });
    grid->addWidget(b, i / 16, i % 16);
    SpeedButtons << b;
  }
  layout->addWidget(GroupBox1);

  auto* bottom = new QHBoxLayout;
  auto* mode = Named(new QGroupBox, "RadioGroup1");
  auto* modeBox = new QVBoxLayout(mode);
  modeBox->addWidget(HtmlMode = new QRadioButton(QStringLiteral("HTML")));
  modeBox->addWidget(CharMode = new QRadioButton(Lang("DocChar")));
  HtmlMode->setChecked(true);
  bottom->addWidget(mode);
  label1 = Named(new QLabel(QStringLiteral("&Copy")), "label1");
  label1->setTextFormat(Qt::PlainText);
  label1->setFrameShape(QFrame::Panel);
  label1->setFrameShadow(QFrame::Sunken);
  label1->setMinimumWidth(70);
  label1->setAlignment(Qt::AlignCenter);
  bottom->addWidget(label1);
  connect(HtmlMode, &QRadioButton::toggled, this,
          [this](bool html) { label1->setText(html ? QStringLiteral("&Copy") : QStringLiteral("\u00A9")); });
  Panel1 = Named(new QLabel, "Panel1");
  Panel1->setTextFormat(Qt::PlainText);
  QFont preview(QStringLiteral("Verdana"));
  preview.setPixelSize(35);
  Panel1->setFont(preview);
  Panel1->setFixedSize(70, 60);
  Panel1->setAlignment(Qt::AlignCenter);
  Panel1->setFrameShape(QFrame::Panel);
  Panel1->setFrameShadow(QFrame::Raised);
  bottom->addWidget(Panel1);
  bottom->addStretch();
  bottom->addWidget(Button1 = Named(new QPushButton(Lang("Close")), "Button1"), 0, Qt::AlignBottom);
  connect(Button1, &QPushButton::clicked, this, &QDialog::accept);
  layout->addLayout(bottom);
}

QString TfCharacter::ButtonText(int index) const {
  const TCharButton& b = CharacterButtons().at(index);
  return HtmlMode->isChecked() ? b.entity : b.character;
}

void TfCharacter::ButtonClick(int index) {
  if (insertText_) insertText_(ButtonText(index));
}

bool TfCharacter::eventFilter(QObject* watched, QEvent* event) {
  if (watched == GroupBox1 && event->type() == QEvent::MouseMove) {
    Panel1->clear();
  } else if (event->type() == QEvent::Enter || event->type() == QEvent::MouseMove) {
    if (const int i = SpeedButtons.indexOf(qobject_cast<QToolButton*>(watched)); i >= 0)
      Panel1->setText(CharacterButtons().at(i).caption);
  }
  return QDialog::eventFilter(watched, event);
}
