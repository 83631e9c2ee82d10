#include "app/options/uCodeEntry.h"

#include <QFileDialog>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/core/LanguageModule.h"
#include "app/core/Prompts.h"
#include "editor/SrcEdit.h"
#include "editor/SrcEditAutoComplete.h"
#include "highlighters/SrcHighlighterCss.h"
#include "highlighters/SrcHighlighterHtml.h"
#include "highlighters/SrcHighlighterJScript.h"
#include "highlighters/SrcHighlighterMulti.h"
#include "highlighters/SrcHighlighterPHP.h"
#include "highlighters/SrcHighlighterVBScript.h"
#include "platform/TextCodec.h"

QFont CodeEditorFont() { return DefaultEditorFont(); }

void MarkInvalid(QWidget* field) {
  field->setStyleSheet(QStringLiteral("background-color: #ff8080;"));
  field->setFocus();
}

Tcc::Tcc(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("Tcc"));
  setWindowTitle(LangText(QStringLiteral("CCNewCode")));
  resize(620, 460);
  html_ = std::make_unique<TSrcHTMLHighlighter>();
  css_ = std::make_unique<TSrcCssHighlighter>();
  js_ = std::make_unique<TSrcJScriptHighlighter>();
  vbs_ = std::make_unique<TSrcVBScriptHighlighter>();
  php_ = std::make_unique<TSrcPHPHighlighter>();
  SrcMultiHighlighter1 = new TSrcMultiHighlighter(this);
  SrcMultiHighlighter1->SetDefaultHighlighter(html_.get());
  // The PHP block runs from its opening tag to its closing tag, so that
  // "->" inside it does not end it.
  const struct {
    const char* name;
    const char* start;
    const char* end;
    TSrcCustomHighlighter* highlighter;
  } schemes[] = {
      {"CSS Full", "<style type=\"text/css\">", "</style>", css_.get()},
      {"JS simp", "<script>", "</script>", js_.get()},
      {"csssimp", "<style>", "</style>", css_.get()},
      {"JS Full", "<script language=\"JavaScript\" type=\"text/javascript\">", "</script>", js_.get()},
      {"asp htmllay", "<%", "%>", vbs_.get()},
      {"php", "<\\?php", "\\?>", php_.get()},
  };
  for (const auto& s : schemes) {
    TMultiScheme* scheme = SrcMultiHighlighter1->Schemes().Add();
    scheme->SetSchemeName(QLatin1String(s.name));
    scheme->SetCaseSensitive(s.highlighter == php_.get());
    scheme->SetStartExpr(QLatin1String(s.start));
    scheme->SetEndExpr(QLatin1String(s.end));
    scheme->SetHighlighter(s.highlighter);
  }
  SrcMultiHighlighter1->Schemes().Items(0)->MarkerAttri()->SetForeground(clPurple);
  SrcMultiHighlighter1->Schemes().Items(1)->MarkerAttri()->SetForeground(clMaroon);

  auto* fields = new QGridLayout;
  Edit1 = new QLineEdit(this);
  Edit1->setObjectName(QStringLiteral("Edit1"));
  Edit2 = new QLineEdit(this);
  Edit2->setObjectName(QStringLiteral("Edit2"));
  fields->addWidget(new QLabel(LangText(QStringLiteral("LBConf1")), this), 0, 0);
  fields->addWidget(Edit1, 0, 1);
  fields->addWidget(new QLabel(LangText(QStringLiteral("PLConf11")), this), 1, 0);
  fields->addWidget(Edit2, 1, 1);
  connect(Edit1, &QLineEdit::textEdited, Edit1, [this] { Edit1->setStyleSheet(QString()); });

  codeman = new TSrcEdit(this);
  codeman->setObjectName(QStringLiteral("codeman"));
  codeman->SetFont(CodeEditorFont());
  codeman->SetWantTabs(true);
  codeman->Gutter().SetShowLineNumbers(true);
  codeman->SetHighlighter(SrcMultiHighlighter1);

  SpeedButton1 = new QPushButton(LangText(QStringLiteral("ImportRTFDocument")), this);
  SpeedButton1->setObjectName(QStringLiteral("SpeedButton1"));
  Button1 = new QPushButton(LangText(QStringLiteral("btOk")), this);
  Button1->setObjectName(QStringLiteral("Button1"));
  Button1->setDefault(true);
  Button2 = new QPushButton(LangText(QStringLiteral("btCancel")), this);
  Button2->setObjectName(QStringLiteral("Button2"));
  connect(SpeedButton1, &QPushButton::clicked, this, [this] { SpeedButton1Click(); });
  connect(Button1, &QPushButton::clicked, this, [this] { Button1Click(); });
  connect(Button2, &QPushButton::clicked, this, [this] {
    Ok = false;
    reject();
  });

  auto* buttons = new QHBoxLayout;
  buttons->addWidget(SpeedButton1);
  buttons->addStretch();
  buttons->addWidget(Button1);
  buttons->addWidget(Button2);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(fields);
  layout->addWidget(codeman, 1);
  layout->addLayout(buttons);
}

Tcc::~Tcc() {
  codeman->SetHighlighter(nullptr);
  delete SrcMultiHighlighter1;  // before the highlighters it switches between
}

void Tcc::SpeedButton1Click() {
  QFileDialog dialog(this);
  dialog.setObjectName(QStringLiteral("OpenDialog1"));
  dialog.setOption(QFileDialog::DontUseNativeDialog);
  dialog.setFileMode(QFileDialog::ExistingFile);
  dialog.setNameFilter(QStringLiteral("All Files (*.*)"));
  if (Prompts().ExecModal(dialog) != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return;
  // A pipe or device picked is refused at once, never waited on.
  const QString path = dialog.selectedFiles().constFirst();
  QByteArray bytes;
  if (!ReadPickedFile(path, bytes)) return;
  codeman->SetText(TextCodec::decodeFile(bytes).text);
}

void Tcc::Button1Click() {
  const TCodeTemplate entry{CodeTemplateKey(Edit1->text()), Edit2->text(), codeman->Text()};
  switch (CheckCodeTemplate(entry)) {
    case TCodeTemplateFault::EmptyName:
      ShowMessageDlg(LangText(QStringLiteral("CCNoKey")), 0);
      MarkInvalid(Edit1);
      return;
    case TCodeTemplateFault::HeaderLine:
      ShowMessageDlg(LangText(QStringLiteral("CCBracketLine")), 0);
      codeman->setFocus();
      return;
    case TCodeTemplateFault::None:
      break;
  }
  Ok = true;
  accept();
}
